// vuButton: a push button. Its content (text and/or image, laid out like a
// label's) sits inside a two-pixel bevel. Pressed and released on the touch
// panel, or through its accelerator key, it clicks: the button's code is
// posted to the UI as the next key, a stored value is copied into a linked
// widget (the slave), and the codes 13 and 27 end the form with OK or cancel.
#ifndef VU_BUTTON_H
#define VU_BUTTON_H

#include "vuExport.h"
#include "vuWidget.h"

// Button options.
enum {
    VU_BO_NO_CLOSE = 0x1, // codes 13 and 27 answer 2 (still posted)
    VU_BO_NO_BEVEL = 0x2  // no bevel frame
};

class VU_API vuButton : public vuWidget {
public:
    // The text is copied only when it is neither null nor empty; the image
    // becomes the content image (owned).
    vuButton(short x, short y, unsigned short w, unsigned short h, const char* text, vuImage* image,
             unsigned char code);
    ~vuButton() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    unsigned short TraceTextColor() override;
    void TraceText(vuTraceItem& item) override;
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;
    int HandleEvent(vuEvent* e) override;

    // Copies the slave value into the slave widget, by the slave's kind.
    virtual void setWidgetValue();
    // The options after ORing in / clearing the bits.
    virtual unsigned short SetOption(unsigned short bits);
    virtual unsigned short ClearOption(unsigned short bits);
    virtual void SetAccelCode(char code);
    // The slave is not owned: it belongs to its form.
    virtual void SetSlaveWidget(vuWidget* w);
    // Replace the copy; null leaves none.
    virtual void SetSlaveValue(const char* value);
    virtual void SetText(const char* text);
    virtual void SetImage(vuImage* image);

    const char* GetText() const { return text; }
    const char* GetSlaveValue() const { return slaveValue; }
    vuWidget* GetSlaveWidget() const { return slave; }
    unsigned char GetCode() const { return code; }
    char GetAccelCode() const { return accel; }
    unsigned short GetOptions() const { return options; }

private:
    int click(vuEvent* e, bool touch);

    char* text;
    unsigned char code;
    char accel;
    unsigned short options;
    vuWidget* slave;
    char* slaveValue;
};

#endif
