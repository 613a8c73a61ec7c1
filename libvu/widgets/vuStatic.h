// vuStatic: a label. A text and/or an image laid out inside the widget's
// rectangle by the justification bits: the image left of the text, or above
// it when only a vertical justification is given.
#ifndef VU_STATIC_H
#define VU_STATIC_H

#include "vuExport.h"
#include "vuWidget.h"

class VU_API vuStatic : public vuWidget {
public:
    // The text is copied when not null (an empty text too); the image becomes
    // the content image (owned).
    vuStatic(short x, short y, unsigned short w, unsigned short h, const char* text, vuImage* image);
    ~vuStatic() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    unsigned short TraceTextColor() override;
    void TraceText(vuTraceItem& item) override;
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;

    // Null keeps the text held; otherwise the text is replaced by a copy.
    virtual void SetText(const char* text);
    virtual const char* GetText();
    // Destroys the image held before (unless it is the same) and keeps this.
    virtual void SetImage(vuImage* image);

private:
    char* text;
};

// Lays out a text and an image in the area (X, Y, W, H) the way labels and
// buttons do; the image's colour becomes `colour`. The text's drawing
// result when a text was drawn, else the image's, else 0.
int vuDrawContent(vuFrameBuffer* fb, vuViewPort* port, short X, short Y, short W, short H, unsigned short flags,
                  unsigned short fontSlot, const char* text, vuImage* image, unsigned short colour);

#endif
