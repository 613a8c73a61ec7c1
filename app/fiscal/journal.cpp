#include "journal.h"

#include <stdint.h>

#include "TMCommand.h"
#include "date_record.h"
#include "error_box.h"
#include "kfn_run.h"
#include "message_box.h"
#include "report_text.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "settings.h"
#include "str_helpers.h"
#include "widget_text.h"

namespace {

const char *kDone = "УСПЕШНО ВЫПОЛНЕН!";
const char *kBadNumber = "НЕДОПУСТИМЫЙ НОМЕР\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..65535";
const char *kBadOver = "НЕДОПУСТИМОЕ ЗНАЧЕНИЕ ПРИЗНАКА\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..255";

// The widgets of a journal dialog (those a dialog lacks stay null).
struct Widgets {
    vuObject *num, *start, *end, *date, *over;
};

// Builds the request from the accepted dialog: above 0 built, 0 the build
// failed, below 0 a value was refused (its box shown: the dialog comes
// again, nothing is sent).
typedef int (*Build)(vuUI *ui, const Widgets &w, TMCommand &cmd);

// Numbers go to the drive as 16-bit words and the flag as a byte: a value
// that does not fit is refused rather than cut.
bool readWord(vuUI *ui, vuObject *widget, uint16_t *out)
{
    uint32_t v;
    if (!parse_count(widget_text(widget), 0xFFFF, &v)) {
        error_box(ui, kBadNumber);
        return false;
    }
    *out = static_cast<uint16_t>(v);
    return true;
}

bool readOver(vuUI *ui, vuObject *widget, uint8_t *out)
{
    uint32_t v;
    if (!parse_count(widget_text(widget), 0xFF, &v)) {
        error_box(ui, kBadOver);
        return false;
    }
    *out = static_cast<uint8_t>(v);
    return true;
}

int buildShift(vuUI *ui, const Widgets &w, TMCommand &cmd)
{
    uint16_t n;
    return readWord(ui, w.num, &n) ? cmd.JournalShift(n) : -1;
}

int buildShiftClose(vuUI *ui, const Widgets &w, TMCommand &cmd)
{
    uint16_t n;
    return readWord(ui, w.num, &n) ? cmd.JournalShiftClose(n) : -1;
}

int buildTime(vuUI *, const Widgets &w, TMCommand &cmd)
{
    return cmd.JournalByTime(widget_text(w.start), widget_text(w.end), widget_text(w.date));
}

int buildNumbers(vuUI *ui, const Widgets &w, TMCommand &cmd)
{
    uint16_t first, last;
    uint8_t over;
    if (!readWord(ui, w.start, &first) || !readWord(ui, w.end, &last) || !readOver(ui, w.over, &over))
        return -1;
    return cmd.JournalByNumbers(first, last, over);
}

int buildDocument(vuUI *ui, const Widgets &w, TMCommand &cmd)
{
    uint16_t n;
    uint8_t over;
    if (!readWord(ui, w.num, &n) || !readOver(ui, w.over, &over))
        return -1;
    return cmd.JournalDocument(n, over);
}

enum Preset { PRESET_NONE, PRESET_TIME, PRESET_NUMBERS, PRESET_DOCUMENT };

// The dialog of one journal print: shown until it is closed, accepted with
// values the drive can take, or the print was tried.
void journalPrint(vuUI *ui, const char *title, const char *file, Preset preset, Build build, const char *done)
{
    ScopedDialog d(ui, file);
    if (!d)
        return;
    Widgets w;
    w.num = d.field("num");
    w.start = d.field("start");
    w.end = d.field("end");
    w.date = d.field("date");
    w.over = d.field("over");
    d.form()->SetHeaderText(title);
    d.reset();
    switch (preset) {
    case PRESET_TIME: {
        const char *start = settings_get("CmdEJTimeReport", "Start");
        const char *end = settings_get("CmdEJTimeReport", "End");
        widget_set_text(w.start, start ? start : "0700");
        widget_set_text(w.end, end ? end : "1900");
        date_record now;
        now_date_record(&now);
        char today[16];
        str_format(today, sizeof today, "%02u%02u%02u", static_cast<unsigned>(now.day),
                   static_cast<unsigned>(now.month), static_cast<unsigned>(now.year % 100));
        widget_set_text(w.date, today);
        break;
    }
    case PRESET_NUMBERS:
        widget_set_text(w.start, "1");
        widget_set_text(w.end, "100");
        break;
    case PRESET_DOCUMENT:
        widget_set_text(w.num, "1");
        break;
    case PRESET_NONE:
        break;
    }
    while (d.show() == 1) {
        TMCommand cmd;
        int built = build(ui, w, cmd);
        if (built < 0)
            continue;
        if (kfn_run_print(ui, cmd, built, 1) == 0)
            message_box(ui, title, done, MB_OK);
        break;
    }
    // The times typed are kept whatever became of the print.
    if (preset == PRESET_TIME) {
        settings_set("CmdEJTimeReport", "Start", widget_text(w.start));
        settings_set("CmdEJTimeReport", "End", widget_text(w.end));
        settings_save();
    }
}

} // namespace

// menu: journal_shift
void CmdJournalShift(vuUI *ui, const char *title)
{
    journalPrint(ui, title, "kkt_dlg_input_shift_num.xml", PRESET_NONE, buildShift, kDone);
}

// menu: journal_shift_close
void CmdJournalShiftClose(vuUI *ui, const char *title)
{
    journalPrint(ui, title, "kkt_dlg_input_shift_num.xml", PRESET_NONE, buildShiftClose, kDone);
}

// menu: journal_time
void CmdEJTimeReport(vuUI *ui, const char *title)
{
    journalPrint(ui, title, "kkt_dlg_ej_time_report.xml", PRESET_TIME, buildTime, kDone);
}

// menu: journal_nums
void CmdJournalNums(vuUI *ui, const char *title)
{
    journalPrint(ui, title, "kkt_dlg_ej_no_report.xml", PRESET_NUMBERS, buildNumbers, kDone);
}

// menu: journal_doc
void CmdJournalDoc(vuUI *ui, const char *title)
{
    journalPrint(ui, title, "kkt_dlg_ej_no_doc.xml", PRESET_DOCUMENT, buildDocument, "УСПЕШНО ВЫПОЛНЕНО!");
}

// menu: journal_clean
void CmdJournalClean(vuUI *ui, const char *title)
{
    if (message_box(ui, "ВНИМАНИЕ", "ЭЛЕКТРОННЫЙ ЖУРНАЛ БУДЕТ ОЧИЩЕН\n\nПРОДОЛЖИТЬ?", MB_OK | MB_CANCEL) !=
        MB_RESULT_OK)
        return;
    TMCommand cmd;
    if (kfn_run(ui, cmd, cmd.JournalClear()))
        message_box(ui, title, "ЭЛЕКТРОННЫЙ ЖУРНАЛ УСПЕШНО ОЧИЩЕН!", MB_OK);
}

// menu: journal_param
void CmdJournalParam(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (!kfn_run(ui, cmd, cmd.GetJournalParams()))
        return;
    char text[REPORT_TEXT_SIZE];
    journal_params_text(cmd, text, sizeof text);
    message_box(ui, title, text, MB_OK | MB_FONT0);
}
