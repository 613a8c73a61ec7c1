// vuStatusLine: a strip across the whole screen width, at the top or at the
// bottom, that shows small status objects (texts, a clock, image sets, level
// indicators). The UI singleton holds at most one (vuUI::SetStatusLine) and
// redraws it on its own; the frame buffer keeps the forms' client area clear
// of it.
#ifndef VU_STATUS_LINE_H
#define VU_STATUS_LINE_H

#include <stdint.h>

#include "vuExport.h"
#include "vuTypeObject.h"
#include "vuViewContainerObject.h"

class vuFrameBuffer;

// Option bits of the status line.
enum {
    VU_SL_BOTTOM = 0x1, // at the bottom of the screen (read by the constructor too)
    VU_SL_FILL = 0x2,   // fill the strip with the fill colour before drawing
    VU_SL_HIDDEN = 0x4  // not drawn; the forms' client area takes the screen
};

class VU_API vuStatusLine : public vuViewContainerObject {
public:
    // As wide as the screen (vuUI::GetWidth), the given height; with
    // VU_SL_BOTTOM the client origin lies height rows above the screen's end.
    vuStatusLine(unsigned short height, unsigned short options);
    ~vuStatusLine() override;

    _VU_TypeObject GetType() const override;

    // OR in / clear option bits; both return the new options.
    virtual unsigned short SetOption(unsigned short bits);
    virtual unsigned short ClearOption(unsigned short bits);
    // 1 when bits is non-zero and every one of them is set.
    virtual int IsOption(unsigned short bits);
    // The first non-zero IsAnimate of the objects, 0 when none animates.
    virtual unsigned short IsAnimate();
    virtual void SetColor(unsigned short colour);
    // Draws every object in order, stopping at the first negative result.
    virtual int DrawObjects(vuFrameBuffer* fb);
    // Fills the strip (VU_SL_FILL), then DrawObjects.
    virtual int Draw(vuFrameBuffer* fb);

protected:
    unsigned short color;
    unsigned short options;
};

#endif
