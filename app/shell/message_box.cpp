#include "message_box.h"

#include <assert.h>
#include <pthread.h>

#include "vuButton.h"
#include "vuForm.h"
#include "vuMultiLine.h"
#include "vuTrace.h"

namespace {

const uint16_t kAlertBack = 0x8000;
const unsigned short kButtonHeight = 30;

bool has(uint16_t flags, uint16_t bit) { return (flags & bit) != 0; }

// Labels: a lone OK is Latin "OK"; beside cancel it is Cyrillic "ОК"; the
// cancel label starts with a Latin O.
const char *okLabel(uint16_t flags, bool pair)
{
    if (has(flags, MB_YESNO))
        return "ДА";
    return pair ? "ОК" : "OK";
}

const char *cancelLabel(uint16_t flags) { return has(flags, MB_YESNO) ? "НЕТ" : "OТМЕНА"; }

vuButton *makeButton(int x, int y, int w, const char *label, const char *name, unsigned char code)
{
    vuButton *b = new vuButton(static_cast<short>(x), static_cast<short>(y), static_cast<unsigned short>(w),
                               kButtonHeight, label, nullptr, code);
    b->SetName(name);
    return b;
}

void traceBox(const char *title, const char *text, uint16_t flags, uint32_t timeout_ms)
{
    vuTraceLine("msgbox").Text("title", title).Text("text", text).Number("flags", flags).Number("timeout", timeout_ms).Write();
}

} // namespace

vuForm *build_message_box(vuUI *ui, const char *title, const char *text, uint16_t flags, uint32_t timeout_ms)
{
    (void)ui;
    int W = vuUI::GetClientWidth();
    int H = vuUI::GetClientHeight();
    vuForm *form;
    if (has(flags, MB_HALF)) {
        form = new vuChildForm(static_cast<unsigned short>(W / 4), static_cast<unsigned short>(H / 4),
                               static_cast<unsigned short>(W / 2), static_cast<unsigned short>(H / 2), title,
                               nullptr);
        W /= 2;
        H /= 2;
    } else {
        form = new vuForm(title, nullptr);
    }
    form->SetOption(VU_FO_NO_CLOSE);
    if (has(flags, MB_ALERT)) {
        form->SetOption(VU_FO_FILL);
        form->SetColors(form->GetFrontColor(), kAlertBack);
    }

    int hdr = form->GetHeaderHeight();
    bool noButtons = has(flags, MB_NOWAIT) || has(flags, MB_RAW_STATE);
    int textH = noButtons ? H - hdr - 6 : H - hdr - 75;
    vuMultiLine *msg = new vuMultiLine(2, 2, static_cast<unsigned short>(W - 6 > 0 ? W - 6 : 0),
                                       static_cast<unsigned short>(textH > 0 ? textH : 0), 1, text);
    msg->SetName("msg");
    if (has(flags, MB_FONT0))
        msg->SetFont(0);
    if (has(flags, MB_JUSTIFY1))
        msg->SetJustify(1);
    else if (has(flags, MB_JUSTIFY2))
        msg->SetJustify(2);
    form->Add(msg);
    if (noButtons)
        return form;

    int y = H - hdr - 50;
    if (has(flags, MB_OK) && has(flags, MB_CANCEL)) {
        int w = 6 * W / 16;
        form->Add(makeButton(9 * W / 16, y, w, okLabel(flags, true), "ok", 13));
        form->Add(makeButton(W / 16, y, w, cancelLabel(flags), "cancel", 27));
    } else if (has(flags, MB_CANCEL)) {
        form->Add(makeButton(W / 4, y, W / 2, cancelLabel(flags), "cancel", 27));
    } else if (has(flags, MB_OK) || timeout_ms == 0) {
        form->Add(makeButton(W / 4, y, W / 2, okLabel(flags, false), "ok", 13));
    }
    return form;
}

vuForm *create_message_box(vuUI *ui, const char *title, const char *text, uint16_t flags)
{
    return build_message_box(ui, title, text, flags, 0);
}

int run_message_box_ex(vuUI *ui, const char *title, const char *text, uint16_t flags, uint32_t timeout_ms,
                       vuEventCallback callback)
{
    // From the UI thread the box would wait for itself for ever.
    assert(!(vuUI::handle && !(vuUI::GetOption() & VU_UI_CALLER_THREAD) &&
             pthread_equal(pthread_self(), vuUI::threadId)));
    if (!ui)
        return 0;
    vuForm *form = build_message_box(ui, title, text, flags, timeout_ms);
    ui->Add(form);
    form->Reset();
    int result;
    if (has(flags, MB_NOWAIT)) {
        ui->View(form);
        traceBox(title, text, flags, timeout_ms);
        result = 1;
    } else {
        if (timeout_ms != 0)
            form->SetTimeOut(timeout_ms);
        ui->Show(form, callback);
        // The box is modal once Show returns: what the trace announces from
        // here on reaches this box's loop.
        traceBox(title, text, flags, timeout_ms);
        ui->WaitEndModal();
        int state = form->GetState();
        if (has(flags, MB_RAW_STATE))
            result = state;
        else if (state == -1)
            result = MB_RESULT_CANCEL;
        else if (state == VU_FORM_TIMEOUT)
            result = MB_RESULT_TIMEOUT;
        else
            result = MB_RESULT_OK;
    }
    ui->Del(form);
    return result;
}

int run_message_box_cb(vuUI *ui, const char *title, const char *text, uint16_t flags, vuEventCallback callback)
{
    return run_message_box_ex(ui, title, text, flags, 0, callback);
}

int message_box(vuUI *ui, const char *title, const char *text, uint16_t flags)
{
    return run_message_box_ex(ui, title, text, flags, 0, nullptr);
}
