// vuMultiForm: a form that lays its pages (forms) side by side in a strip
// wider than the screen. Horizontal swipes scroll the strip with the touch
// panel's kinetic step; once the finger lifts, the strip's own step carries
// it on to the next page boundary in the direction of travel, or back to the
// start of the page it was on.
#ifndef VU_MULTI_FORM_H
#define VU_MULTI_FORM_H

#include "vuExport.h"
#include "vuForm.h"

class VU_API vuMultiForm : public vuForm {
public:
    vuMultiForm();
    ~vuMultiForm() override;

    _VU_TypeObject GetType() const override;
    // With a parent and pages: at (0, 0), the parent's client height, the
    // strip's width; the client area is the whole strip.
    void UpdateCoordinates() override;
    // Resets every page and lines them up from x = 0 in list order; offset 0.
    void Reset() override;
    int IsAnimate() override;
    // Every page until one gives a non-zero result; nothing of its own.
    int Draw(vuFrameBuffer* fb) override;
    // -1 without pages (the modal loop ends with cancel); otherwise the pages'
    // answer, 2 while the strip scrolls or snaps.
    int HandleEvent(vuEvent* e) override;

    // One step of the strip towards the target: 0 when the range is 0 or
    // less or the strip is at rest, else 2.
    virtual int CorrectMotion(short target, short range, unsigned short& offset, short& speed,
                              unsigned short& count);

    // Read access for tests.
    unsigned short GetOffset() const { return offset; }
    short GetRange() const { return range; }
    short GetSpeed() const { return speed; }

protected:
    short speed;
    unsigned short stepCount;
    unsigned short offset; // how far the strip is scrolled
    short range;           // the largest offset
};

#endif
