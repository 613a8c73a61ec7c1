// Small stand-ins for the objects the UI singleton drives: a form, a status
// line, a picture, an on-screen keyboard and a widget that record what the
// UI does with them and paint solid colours, so that the screen shows what
// was drawn and copied.
#ifndef TESTS_VU_UI_UI_PARTS_H
#define TESTS_VU_UI_UI_PARTS_H

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "osal.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuStatusLine.h"
#include "vuUI.h"
#include "vuVirtualKeyboard.h"
#include "vuWidget.h"

// Order in which parts were drawn (single-threaded tests only).
using DrawLog = std::vector<std::string>;

// A form at (x, y, w, h) that fills itself with one colour. Its event
// handler is a script; it records the events it was given.
class TestForm : public vuChildForm {
public:
    TestForm(unsigned short x = 0, unsigned short y = 0, unsigned short w = 320, unsigned short h = 240,
             uint16_t colour = 0x07E0)
        : vuChildForm(x, y, w, h), colour(colour)
    {
        ClearOption(VU_FO_ALONE);
    }
    ~TestForm() override
    {
        if (destroyed)
            *destroyed = GetState() == 0 ? 1000 : GetState();
    }

    int Draw(vuFrameBuffer *fb) override
    {
        draws++;
        drawTicks.push_back(OsGetTickCount());
        if (log)
            log->push_back("form");
        if (drawResult)
            return drawResult;
        return fb->Fill(nullptr, static_cast<short>(corrX + x), static_cast<short>(corrY + y), width, height, colour, 0);
    }
    int HandleEvent(vuEvent *e) override
    {
        events.push_back(*e);
        return onEvent ? onEvent(e) : 0;
    }
    int IsAnimate() override { return animate; }
    vuWidget *GetFocused() override { return focusedWidget ? focusedWidget : vuChildForm::GetFocused(); }

    uint16_t colour;
    std::atomic<int> draws{0};
    std::vector<unsigned> drawTicks;
    int drawResult = 0;
    int animate = 0;
    std::vector<vuEvent> events;
    std::function<int(vuEvent *)> onEvent;
    DrawLog *log = nullptr;
    vuWidget *focusedWidget = nullptr;
    // Receives the state the form had when it was deleted (1000 for 0).
    std::atomic<int> *destroyed = nullptr;
};

// A status line that fills its rows with one colour.
class TestStatusLine : public vuStatusLine {
public:
    TestStatusLine(unsigned short h, unsigned short options, uint16_t colour)
        : vuStatusLine(h, static_cast<unsigned short>(options | VU_SL_FILL))
    {
        SetColor(colour);
    }
    int Draw(vuFrameBuffer *fb) override
    {
        draws++;
        if (log)
            log->push_back("status");
        int r = vuStatusLine::Draw(fb);
        return drawResult ? drawResult : r;
    }
    unsigned short IsAnimate() override { return animate; }

    std::atomic<int> draws{0};
    int drawResult = 0;
    unsigned short animate = 0;
    DrawLog *log = nullptr;
};

// A picture of one colour.
class TestImage : public vuImage {
public:
    TestImage(unsigned short w, unsigned short h, uint16_t fill, bool *gone = nullptr) : fill(fill), gone(gone)
    {
        width = w;
        height = h;
    }
    ~TestImage() override
    {
        if (gone)
            *gone = true;
    }
    int Draw(vuFrameBuffer *fb, vuViewPort *port, unsigned short srcX, unsigned short srcY, short x, short y,
             unsigned short w, unsigned short h) override
    {
        draws++;
        vuViewPort::Recalculate(port, srcX, srcY, x, y, w, h);
        if (srcX >= width || srcY >= height)
            return 0;
        if (w > width - srcX)
            w = static_cast<unsigned short>(width - srcX);
        if (h > height - srcY)
            h = static_cast<unsigned short>(height - srcY);
        return fb->Fill(nullptr, x, y, w, h, fill, 0);
    }
    int IsAnimate() override { return animate; }

    uint16_t fill;
    bool *gone;
    int draws = 0;
    int animate = 0;
};

// An on-screen keyboard that records how the loop drives it.
class TestKeyboard : public vuVirtualKeyboard {
public:
    int Draw(vuFrameBuffer *) override
    {
        if (log)
            log->push_back("keyboard");
        return 0;
    }
    void Reset() override
    {
        resets++;
        vuVirtualKeyboard::Reset();
    }
    void Activate(vuWidget *w) override
    {
        activatedFor = w;
        vuVirtualKeyboard::Activate(w);
    }
    int HandleEvent(vuEvent *e) override
    {
        handled++;
        return vuVirtualKeyboard::HandleEvent(e);
    }

    int resets = 0;
    int handled = 0;
    vuWidget *activatedFor = nullptr;
    DrawLog *log = nullptr;
};

// A widget that types text (and so wants the on-screen keyboard).
class TypingWidget : public vuWidget {
public:
    TypingWidget() : vuWidget(10, 10, 100, 20) {}
    int IsUseVirtualKeyboard() override { return 1; }
};

#endif
