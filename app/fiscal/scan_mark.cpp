#include "scan_mark.h"

#include <atomic>

#include "mark_code.h"
#include "scanner.h"
#include "scoped_dialog.h"
#include "str_helpers.h"
#include "vuEvent.h"
#include "vuMultiLine.h"
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
    ScopedDialog d(ui, "kkt_dlg_scan_mark.xml");
    if (!d)
        return -1;
    vuObject *code = d.field("code");
    d.reset();
    reading.store(true);
    for (;;) {
        if (reading.load()) {
            scanner_clear();
            scanner_enable_read();
        }
        int state = d.show(ScanMarkKeys);
        scanner_disable_read();
        if (state == -1)
            return -1;
        if (state != 1)
            continue;
        ScannedMarkCode[0] = 0;
        const char *text = widget_text(code);
        if (*text) {
            MarkUnescape(text, ScannedMarkCode);
            return 0;
        }
        if (!required)
            return 0;
    }
}
