#include "scan_mark.h"

#include <atomic>

#include "dialog.h"
#include "mark_code.h"
#include "scanner.h"
#include "str_helpers.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuMultiLine.h"
#include "vuUI.h"
#include "widget_text.h"

char ScannedMarkCode[200];

namespace {

// Whether the dialog wants the scanner to read: switched by the key in the
// UI thread, read by the dialog's loop in the main thread.
std::atomic<bool> reading{true};

enum { STATE_READING_SWITCHED = 100 };

} // namespace

int ScanMarkKeys(vuEvent *event, intptr_t form)
{
    if (event && event->key == SCAN_MARK_KEY_READING) {
        reading.store(!reading.load());
        return STATE_READING_SWITCHED;
    }
    if (scanner_status() != 1)
        return 0;
    vuForm *f = reinterpret_cast<vuForm *>(form);
    vuMultiLine *code = f ? dynamic_cast<vuMultiLine *>(f->GetByName("code")) : nullptr;
    if (code)
        code->SetValue(scanner_buffer());
    return 1;
}

int ScanMarkDialog(vuUI *ui, int required)
{
    vuForm *form = dialog_create(ui, "kkt_dlg_scan_mark.xml");
    if (!form)
        return -1;
    vuObject *code = form->GetByName("code");
    ui->Add(form);
    form->Reset();
    reading.store(true);
    for (;;) {
        if (reading.load()) {
            scanner_clear();
            scanner_enable_read();
        }
        ui->Show(form, ScanMarkKeys);
        ui->WaitEndModal();
        scanner_disable_read();
        int state = form->GetState();
        if (state == -1) {
            ui->Del(form);
            return -1;
        }
        if (state != 1)
            continue;
        ScannedMarkCode[0] = 0;
        const char *text = widget_text(code);
        if (*text) {
            MarkUnescape(text, ScannedMarkCode);
            ui->Del(form);
            return 0;
        }
        if (!required) {
            ui->Del(form);
            return 0;
        }
    }
}
