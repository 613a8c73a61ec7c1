#include "vuMultiForm.h"

#include "vuEvent.h"
#include "vuMotion.h"
#include "vuTouchPad.h"

vuMultiForm::vuMultiForm() : vuForm(), speed(0), stepCount(0), offset(0), range(0) {}

vuMultiForm::~vuMultiForm() {}

_VU_TypeObject vuMultiForm::GetType() const
{
    return VU_TYPE_MULTI_FORM;
}

void vuMultiForm::UpdateCoordinates()
{
    if (!parent || !GetCount())
        return;
    x = 0;
    y = 0;
    height = parent->GetClientHeight();
    clientX = 0;
    clientY = 0;
    clientWidth = width;
    clientHeight = height;
}

void vuMultiForm::Reset()
{
    speed = 0;
    stepCount = 0;
    offset = 0;
    range = 0;
    corrX = 0;
    int strip = 0;
    for (vuViewObject* p = GetFirst(); p; p = GetNext(p)) {
        vuForm* page = static_cast<vuForm*>(p);
        page->Reset();
        page->SetCorrection(static_cast<int16_t>(strip), 0);
        strip += page->GetWidth();
    }
    width = static_cast<uint16_t>(strip > 0xFFFF ? 0xFFFF : strip);
    UpdateCoordinates();
    if (parent) {
        int r = static_cast<int>(clientWidth) - parent->GetWidth();
        range = static_cast<short>(r < -0x8000 ? -0x8000 : (r > 0x7FFF ? 0x7FFF : r));
    }
}

int vuMultiForm::IsAnimate()
{
    int r = 0;
    for (vuViewObject* p = GetFirst(); p && !r; p = GetNext(p))
        r = static_cast<vuForm*>(p)->IsAnimate();
    return r;
}

int vuMultiForm::Draw(vuFrameBuffer* fb)
{
    UpdateCoordinates();
    int r = 0;
    for (vuViewObject* p = GetFirst(); p && !r; p = GetNext(p))
        r = static_cast<vuForm*>(p)->Draw(fb);
    return r;
}

int vuMultiForm::CorrectMotion(short t, short lim, unsigned short& pos, short& s, unsigned short& n)
{
    if (lim <= 0)
        return 0;
    int p = pos;
    int r = vuMotionStep(t, p, s, n);
    pos = static_cast<unsigned short>(p);
    return r;
}

int vuMultiForm::HandleEvent(vuEvent* e)
{
    if (!e)
        return 0;
    int result = -1;
    int snap = 0;
    int pos = 0;
    const int cx = corrX;
    bool first = true;
    for (vuViewObject* p = GetFirst(); p; p = GetNext(p)) {
        vuForm* page = static_cast<vuForm*>(p);
        const int pw = page->GetWidth();
        if (pos + cx >= pw)
            break;
        if (pos + pw + cx > 0) {
            if (first) {
                first = false;
                if (speed > 0)
                    snap = pos + pw;
                else if (speed < 0)
                    snap = pos;
            }
            result = page->HandleEvent(e);
            if (result)
                break;
        }
        pos += pw;
    }
    // The snap target never leaves the strip, whatever the pages' widths.
    if (snap > range)
        snap = range;
    if (snap < 0)
        snap = 0;

    if (!e->handled) {
        bool swipe = false;
        if (e->phase >= VU_PHASE_DOWN && e->phase <= VU_PHASE_UP) {
            short px = static_cast<short>(e->x), py = static_cast<short>(e->y);
            bool accepted = parent ? parent->ConvertPoint(px, py) : true;
            if (accepted && IsInside(px, py)) {
                const unsigned g = e->gesture & 0x1F;
                if (g == VU_GESTURE_LEFT) {
                    vuTouchPad::CorrectMotion(1, range, offset, speed, stepCount);
                    swipe = true;
                } else if (g == VU_GESTURE_RIGHT) {
                    vuTouchPad::CorrectMotion(-1, range, offset, speed, stepCount);
                    swipe = true;
                }
            }
        }
        if (swipe) {
            result = 2;
            e->handled = 1;
        } else {
            int m = CorrectMotion(static_cast<short>(snap), range, offset, speed, stepCount);
            if (result == 0)
                result = m;
        }
        corrX = static_cast<int16_t>(-offset);
    }
    return result;
}
