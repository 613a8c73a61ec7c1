// The UI thread: its main loop over the commands, the pause, the idle loop
// that runs while no form is modal and the modal loop of a shown form.
#include <stdint.h>
#include <sys/msg.h>

#include "osal.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuKeyboard.h"
#include "vuTouchPad.h"
#include "vuTrace.h"
#include "vuUI.h"
#include "vuUIParts.h"

namespace {

const uint32_t kPassMs = 100;       // one pass without activity
const uint32_t kAnimationMs = 50;   // one animation step
const uint32_t kStatusLineMs = 500; // periodic status-line redraw
const uint32_t kSlowPassMs = 1000;  // a pass this slow forces a full redraw

uint32_t now() { return OsGetTickCount(); }

// The event callback's results that end the modal loop with that state.
bool endsLoop(int r) { return r == -1 || r == 1 || r == 10 || r >= 100; }

} // namespace

// ---- main loop ----------------------------------------------------------------

void vuUI::serve()
{
    for (;;) {
        Command cmd = {};
        if (deferredDone) {
            cmd.code = VU_CMD_DONE;
        } else {
            vuUIMessage msg;
            if (backLoop(msg) != 0)
                cmd.code = VU_CMD_DONE; // told to stop without a command
            else
                copyCommand(cmd, true);
        }
        if (cmd.code == VU_CMD_DEACTIVATE || cmd.code == VU_CMD_STOP)
            cmd = pause(cmd);

        switch (cmd.code) {
        case VU_CMD_DONE: {
            vuUI *self = this;
            delete self;
            handle = nullptr;
            err = 0;
            return;
        }
        case VU_CMD_SHOW: {
            vuForm *form = reinterpret_cast<vuForm *>(cmd.args[1]);
            vuEventCallback callback = reinterpret_cast<vuEventCallback>(cmd.args[2]);
            int r = VU_ERR_ARG;
            if (form) {
                destroyPicture();
                r = draw(form, 0);
                if (r == 0) {
                    vuTraceFormShown(form);
                    vuTraceScreen(form, 1);
                    r = controlLoop(form, callback);
                }
                else
                    vuUIParts::FormSetState(form, -1); // never came up: not "OK"
            }
            err = r;
            // The reply goes out while the form is still modal: whoever saw
            // IsModal() and waits for the end finds it.
            reply(cmd.seq, r);
            modalForm = nullptr;
            break;
        }
        case VU_CMD_END_MODAL:
            // No form is modal here: nothing to end, nobody waits.
            break;
        case VU_CMD_VIEW: {
            vuForm *form = reinterpret_cast<vuForm *>(cmd.args[1]);
            int r = VU_ERR_ARG;
            if (form) {
                destroyPicture();
                r = draw(form, 0);
                if (r == 0)
                    vuTraceScreen(form, 0);
            }
            modalForm = nullptr;
            err = r;
            reply(cmd.seq, 0);
            break;
        }
        default: {
            int r = execute(cmd);
            err = r;
            reply(cmd.seq, r);
            break;
        }
        }
    }
}

vuUI::Command vuUI::pause(const Command &cmd)
{
    err = 0;
    if (cmd.code == VU_CMD_STOP)
        doneHardware();
    reply(cmd.seq, 0);
    for (;;) {
        Command next = {};
        if (!takeCommand(next, true, false)) {
            // The queue is gone: nothing can end the pause any more.
            next.code = VU_CMD_DONE;
            return next;
        }
        switch (next.code) {
        case VU_CMD_START:
        case VU_CMD_ACTIVATE:
        case VU_CMD_DONE:
            return next;
        case VU_CMD_END_MODAL:
            break;
        default:
            err = VU_ERR_ARG;
            reply(next.seq, VU_ERR_ARG);
            break;
        }
    }
}

int vuUI::execute(const Command &c)
{
    intptr_t a1 = c.args[1];
    switch (c.code) {
    case VU_CMD_SET_STATUS_LINE: {
        vuStatusLine *line = reinterpret_cast<vuStatusLine *>(a1);
        if (line != statusLine) {
            vuUIParts::DeleteStatusLine(statusLine);
            statusLine = line;
        }
        updateClient();
        draw(nullptr, 0);
        return 0;
    }
    case VU_CMD_SET_VIRTUAL_KEYBOARD: {
        if (!vuTouchPad::IsPresent())
            return VU_ERR_NO_TOUCH;
        vuVirtualKeyboard *keyboard = reinterpret_cast<vuVirtualKeyboard *>(a1);
        if (keyboard != virtualKeyboard) {
            vuUIParts::DeleteKeyboard(virtualKeyboard);
            virtualKeyboard = keyboard;
        }
        if (keyboard)
            vuUIParts::KeyboardSetParent(keyboard, fb);
        return 0;
    }
    case VU_CMD_SET_KEYBOARD:
        keyCallback = reinterpret_cast<vuKeyCallback>(a1);
        return 0;
    case VU_CMD_SET_BACKGROUND_IMAGE: {
        vuImage *image = reinterpret_cast<vuImage *>(a1);
        if (!image)
            return VU_ERR_ARG;
        if (image != background) {
            vuImage::Destroy(background);
            background = image;
        }
        draw(nullptr, 0);
        return 0;
    }
    case VU_CMD_SET_FILE_FONT_EX: {
        const char *path = reinterpret_cast<const char *>(c.args[2]);
        if (!path)
            return VU_ERR_ARG;
        if (!fb)
            return VU_ERR_NO_FB;
        return fb->SetFontEx(static_cast<uint16_t>(a1), path, static_cast<int>(c.args[3]),
                             static_cast<int>(c.args[4]), static_cast<int>(c.args[5]), static_cast<int>(c.args[6]));
    }
    case VU_CMD_FREE_FONT:
        if (!fb)
            return VU_ERR_NO_FB;
        if (!fb->GetFont(static_cast<uint16_t>(a1)))
            return VU_ERR_ARG;
        fb->DelFont(static_cast<uint16_t>(a1));
        return 0;
    case VU_CMD_SET_OPTION: {
        uint16_t bits = static_cast<uint16_t>(a1);
        return static_cast<uint16_t>(options.fetch_or(bits) | bits);
    }
    case VU_CMD_CLEAR_OPTION: {
        uint16_t bits = static_cast<uint16_t>(a1);
        return static_cast<uint16_t>(options.fetch_and(static_cast<uint16_t>(~bits)) & ~bits);
    }
    case VU_CMD_START: {
        int w = 0, h = 0;
        return initHardware(w, h);
    }
    case VU_CMD_DEACTIVATE:
    case VU_CMD_STOP:
    case VU_CMD_ACTIVATE:
        return 0;
    case VU_CMD_SHOW_BILD: {
        vuImage *image = reinterpret_cast<vuImage *>(a1);
        if (!image)
            return VU_ERR_ARG;
        if (image != picture) {
            destroyPicture();
            picture = image;
        }
        return 0;
    }
    case VU_CMD_REFRESH:
        if (!fb)
            return VU_ERR_NO_FB;
        fb->ToScreen();
        drawStatusLine();
        return 0;
    case VU_CMD_ENABLE_STATUS_LINE:
        if (statusLine)
            vuUIParts::StatusLineSetHidden(statusLine, !a1);
        updateClient();
        return 0;
    case VU_CMD_FLUSH:
        vuTouchPad::Flush();
        vuKeyboard::Flush();
        return 0;
    case VU_CMD_TEST:
        return test();
    case VU_CMD_SET_TOUCH_CALLBACK:
        touchCallback = reinterpret_cast<vuTouchCallback>(a1);
        return 0;
    case VU_CMD_SET_BLOCK_KB_CALLBACK:
        blockKbCallback = reinterpret_cast<vuBlockKbCallback>(a1);
        return 0;
    default:
        return VU_ERR_ARG;
    }
}

int vuUI::test()
{
    if (!fb)
        return VU_ERR_NO_FB;
    uint32_t start = now();
    int copies = 0;
    while (copies < 100 && fb->ToScreen() == 0)
        copies++;
    return copies ? static_cast<int>((now() - start) / static_cast<uint32_t>(copies)) : 0;
}

void vuUI::destroyPicture()
{
    vuImage::Destroy(picture);
    picture = nullptr;
}

// ---- idle loop ------------------------------------------------------------------

int vuUI::backLoop(vuUIMessage &msg)
{
    animationCount = 0;
    vuEvent event = {}, previous = {};
    unsigned long downTick = 0;
    int downX = 0, downY = 0;
    int pictureAnimates = 0, lineAnimates = 0;

    if ((options.load() & VU_UI_PAINT_BACKGROUND) || picture) {
        pictureAnimates = picture ? picture->IsAnimate() : 0;
        draw(nullptr, 0);
    }
    if (!picture && statusLine && !vuUIParts::StatusLineHidden(statusLine)) {
        lineAnimates = vuUIParts::StatusLineIsAnimate(statusLine);
        drawStatusLine();
    }

    for (;;) {
        if (stopRequested.load())
            return -1;
        uint32_t passStart = now();
        clearCommandWake();
        if (queueId >= 0 && msgrcv(queueId, &msg, sizeof(vuUIMessage) - sizeof(long), 1, IPC_NOWAIT) >= 0)
            return 0;

        // A command announced during the pause, or input on the keypad or
        // the touch panel, ends it at once; the pass still polls the input
        // below, and no animation frame is drawn early.
        if (pictureAnimates) {
            uint32_t first = now();
            do {
                animationCount++;
                if (idleSleep(kAnimationMs))
                    break;
                draw(nullptr, 0);
            } while (now() - first < kPassMs);
        } else if (lineAnimates) {
            uint32_t first = now();
            do {
                animationCount++;
                if (idleSleep(kAnimationMs))
                    break;
                drawStatusLine();
            } while (now() - first < kPassMs);
        } else {
            idleSleep(kPassMs);
        }
        if (now() - statusTick > kStatusLineMs) {
            if (!lineAnimates)
                drawStatusLine();
            statusTick = now();
        }
        getTouchState(&event, &previous, &downTick, &downX, &downY);
        if (vuKeyboard::IsHit() || pendingChar.load()) {
            while (getKeyCode()) {
            }
        }
        if (now() - passStart > kSlowPassMs && fb)
            fb->ToScreen();
    }
}

// ---- modal loop -------------------------------------------------------------------

void vuUI::animationStep(vuForm *form, int blocked)
{
    bool whole = true;
    drawAnimation(form, blocked, whole);
    if (whole || vuUIParts::FormAlone(form) || !statusLine)
        return;
    if (vuUIParts::StatusLineIsAnimate(statusLine) || now() - statusTick > kStatusLineMs) {
        drawStatusLine();
        statusTick = now();
    }
}

int vuUI::controlLoop(vuForm *form, vuEventCallback callback)
{
    bool ownKeyboard = virtualKeyboard != nullptr;
    int formAnimates = vuUIParts::FormIsAnimate(form);
    uint32_t animationTick = now();
    statusTick = animationTick;
    uint32_t passEnd = animationTick;
    vuWidget *lastFocused = nullptr;
    int keyboardResult = 0;
    int lineAnimates = 0;
    if (!formAnimates && statusLine && !vuUIParts::StatusLineHidden(statusLine))
        lineAnimates = vuUIParts::StatusLineIsAnimate(statusLine);
    animationCount = 0;
    pendingChar = 0;
    vuEvent event = {}, empty = {}, previous = {};
    unsigned long downTick = 0;
    int downX = 0, downY = 0;

    if (!ownKeyboard) {
        virtualKeyboard = vuUIParts::FormKeyboard(form);
        if (virtualKeyboard)
            vuUIParts::KeyboardSetParent(virtualKeyboard, fb);
    }
    if (virtualKeyboard)
        vuUIParts::KeyboardReset(virtualKeyboard);
    vuTouchPad::SetSignMode(static_cast<uint8_t>(vuUIParts::FormIsSign(form)));
    vuUIParts::FormResetTime(form);
    int state = 0;
    bool toggle = false;

    do {
        uint32_t passStart = now();
        event.key = 0;
        event.handled = 0;
        uint32_t maskBefore = keyMask;
        int activity = getTouchState(&event, &previous, &downTick, &downX, &downY);
        event.key = getKeyCode();
        event.keyMask = keyMask;
        if (event.key)
            activity = 1;

        if (virtualKeyboard) {
            vuWidget *focused = vuUIParts::FormFocused(form);
            if (focused == lastFocused) {
                keyboardResult = vuUIParts::KeyboardHandleEvent(virtualKeyboard, &event);
            } else {
                keyboardResult = 2;
                lastFocused = focused;
                if (focused && vuUIParts::WidgetUsesKeyboard(focused))
                    vuUIParts::KeyboardActivate(virtualKeyboard, focused);
                else
                    vuUIParts::KeyboardReset(virtualKeyboard);
            }
        }

        // The exact block combination was held and has just changed.
        uint32_t blockMask = blockKbMask.load();
        if ((options.load() & VU_UI_BLOCK_KB_TOGGLE) && blockMask && maskBefore == blockMask && keyMask != blockMask) {
            toggle = !toggle;
            if (blockKbCallback)
                blockKbCallback(toggle ? 1 : 0);
            state = 2;
        }

        bool blocked = (options.load() & VU_UI_BLOCK_INPUT) || toggle;
        vuEvent *given = blocked ? &empty : &event;
        int r = vuUIParts::FormHandleEvent(form, given);
        if (r)
            state = r;

        uint8_t pending = pendingChar.load();
        if (pending && (state == 1 || state == -1)) {
            pendingChar = 0; // delivered here, not once more by the next poll
            if (!event.key)
                event.key = pending;
            if (keyCallback)
                keyCallback(2, pending, 0);
        }

        if (callback) {
            int c = callback(given, reinterpret_cast<intptr_t>(form));
            if (endsLoop(c))
                state = c;
            else if (c == 2 && state == 0)
                state = 2;
        }

        // A step of the form's animation with nothing else to show draws
        // only what moves.
        bool animationOnly = false;
        if (formAnimates && now() - animationTick > kAnimationMs) {
            animationCount++;
            animationTick = now();
            if (state == 0) {
                state = 2;
                animationOnly = !activity && keyboardResult != 2;
            }
        }

        if (state != 0 || keyboardResult == 2) {
            if (lineAnimates) {
                animationCount++;
                animationTick = now();
            }
            if (animationOnly)
                animationStep(form, toggle);
            else
                draw(form, toggle);
            if (event.key)
                vuTraceTyping(form);
            activity = 1;
            if (state == 2)
                state = 0;
        }

        if (stopRequested.load() && state == 0)
            state = -1;
        if (!callerMode()) {
            Command cmd = {};
            clearCommandWake();
            if (takeCommand(cmd, false, false)) {
                if (cmd.code == VU_CMD_END_MODAL) {
                    // A form that ended itself in this very pass keeps its
                    // own result.
                    if (reinterpret_cast<vuForm *>(cmd.args[1]) == form && state == 0) {
                        state = -1;
                        err = 0;
                    }
                } else if (cmd.code == VU_CMD_DONE) {
                    // Done ends the loop and then the thread.
                    deferredDone = true;
                    if (state == 0)
                        state = -1;
                } else {
                    // Nothing else is carried out while a form is modal; the
                    // poster hears so at once instead of waiting for ever.
                    reply(cmd.seq, VU_ERR_ARG);
                }
            }
        }

        if (now() - passEnd > kSlowPassMs)
            draw(form, toggle);
        passEnd = now();

        // Idle pacing; a command announced meanwhile (EndModal above all)
        // or input waiting on the devices ends the pause at once, without
        // an early animation frame: the next pass takes it.
        if (!activity && state == 0) {
            if (formAnimates && now() - passStart <= kPassMs - 1) {
                while (now() - passStart <= kPassMs) {
                    if (idleSleep(kAnimationMs))
                        break;
                    if (now() - animationTick > kAnimationMs) {
                        animationCount++;
                        animationTick = now();
                        animationStep(form, toggle);
                    }
                }
            } else if (lineAnimates) {
                while (now() - passStart <= kPassMs - 1) {
                    animationCount++;
                    if (idleSleep(kAnimationMs))
                        break;
                    animationTick = now();
                    drawStatusLine();
                }
            } else {
                if (now() - statusTick > kStatusLineMs) {
                    drawStatusLine();
                    statusTick = now();
                }
                uint32_t spent = now() - passStart;
                if (spent < kPassMs)
                    idleSleep(kPassMs - spent);
            }
        }
    } while (state == 0);

    if (virtualKeyboard)
        vuUIParts::KeyboardReset(virtualKeyboard);
    if (!ownKeyboard)
        virtualKeyboard = nullptr;
    vuTouchPad::SetSignMode(0);
    if (toggle && blockKbCallback)
        blockKbCallback(0);
    vuUIParts::FormSetState(form, state);
    animationCount = 0;
    return state;
}
