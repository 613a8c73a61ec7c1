// vuTextObject: a text on the status line, placed by the justify bits in the
// object's font slot and front colour.
#ifndef VU_TEXT_OBJECT_H
#define VU_TEXT_OBJECT_H

#include "vuExport.h"
#include "vuStatusObject.h"

class VU_API vuTextObject : public vuStatusObject {
public:
    // The text is copied (null: no text).
    vuTextObject(short x, short y, unsigned short w, unsigned short h, const char* text);
    ~vuTextObject() override;

    _VU_TypeObject GetType() const override;
    // -4 without a frame buffer, -13 for an empty font slot, else 0.
    int DrawObject(vuFrameBuffer* fb, vuViewPort* port) override;
    // Replaces the text by a copy (null: no text).
    virtual void SetText(const char* text);

    const char* GetText() const { return text; }

protected:
    char* text;
};

#endif
