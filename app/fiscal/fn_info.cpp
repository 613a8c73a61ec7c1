#include "fn_info.h"

#include <stdlib.h>

#include "TMCommand.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "message_box.h"
#include "osal.h"
#include "report_text.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "vuBox.h"
#include "widget_text.h"

namespace {

// A follow-up query of an information screen: straight through the service,
// without the runner's lock, wait box or status update. True when the
// exchange and the drive both succeeded.
bool query(TMCommand &cmd, int built) { return kfn_query_unlocked(cmd, built, 5000); }

} // namespace

// menu: fn_doc
void CmdFnDoc(vuUI *ui, const char *title)
{
    ScopedDialog d(ui, "kkt_dlg_fn_get_doc.xml");
    if (!d || d.run() != 1)
        return;
    static const uint8_t kModes[5] = {0, 1, 2, 5, 3};
    unsigned item = radio_item(d.field("mode"));
    uint8_t m = item >= 1 && item <= 5 ? kModes[item - 1] : 0;
    uint32_t number = parse_number(widget_text(d.field("num")));

    TMCommand cmd;
    if (kfn_run_print(ui, cmd, cmd.GetDocument(number, m), 0) != 0)
        return;
    char text[REPORT_DOC_FIELDS_SIZE];
    text[0] = 0;
    if (m == 3) {
        // The fields come one reply at a time until a read fails; a drive
        // that goes on answering without adding anything, or a full text,
        // ends the listing too.
        for (;;) {
            TMCommand next;
            if (next.GetDocument(number, 4) <= 0 || kfn_exec(nullptr, &next, 5000) != 0)
                break;
            if (fn_doc_fields_append(next, text, sizeof text) == 0)
                break;
        }
    } else {
        fn_doc_text(cmd, m, text, sizeof text);
    }
    show_report(ui, title, text);
}

// menu: fn_stat
void CmdFnStat(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (!kfn_run(ui, cmd, cmd.GetFNStatus()))
        return;
    char text[REPORT_TEXT_SIZE];
    fn_stat_text(cmd, text, sizeof text);
    if (kfn_marking_mode() == 1) {
        TMCommand keys;
        int state = query(keys, keys.Command9E(0)) ? keys.FieldByte(5) : 255;
        int dateKnown = 0;
        uint16_t keyDate = 0, today = 0;
        if (state == 255) {
            TMCommand date;
            if (query(date, date.Command9E(5))) {
                dateKnown = 1;
                keyDate = date.FieldWord(5);
                OsTime now;
                OsGetTime(&now);
                today = packed_date(now.Year, now.Month, now.Day);
            }
        }
        fn_stat_keys_append(state, dateKnown, keyDate, today, text, sizeof text);
    }
    show_report(ui, title, text);
}

// menu: fn_fisc
void CmdFnFisc(vuUI *ui, const char *title)
{
    TMCommand cmd;
    int built;
    if (kfn_firmware_version() <= 230) {
        built = cmd.GetRegTotals();
    } else {
        ScopedDialog d(ui, "kkt_dlg_fn_get_total.xml");
        if (!d || d.run() != 1)
            return;
        unsigned bits = 0;
        if (vuBox *box = d.widget<vuBox>("isprint"))
            bits = box->GetSelected();
        built = cmd.GetRegTotalsOf(static_cast<uint16_t>(atoi(widget_text(d.field("num")))),
                                   static_cast<uint16_t>(bits));
    }
    if (!kfn_run(ui, cmd, built, 10000))
        return;

    int ffd = kfn_ffd_version();
    TMCommand t1290;
    TMCommand tagReplies[4];
    TMCommand *tags[4] = {nullptr, nullptr, nullptr, nullptr};
    TMCommand *with1290 = nullptr;
    if (ffd > 3) {
        if (query(t1290, t1290.GetRegParam(1290)))
            with1290 = &t1290;
    } else {
        static const uint16_t kTags[4] = {1207, 1193, 1126, 1221};
        for (int i = 0; i < 4; ++i)
            if (query(tagReplies[i], tagReplies[i].GetRegParam(kTags[i])))
                tags[i] = &tagReplies[i];
    }
    char text[REPORT_TEXT_SIZE];
    fn_fisc_text(cmd, ffd, with1290, tags, text, sizeof text);
    show_report(ui, title, text);
}

// menu: fn_par
void CmdFnPar(vuUI *ui, const char *)
{
    ScopedDialog d(ui, "kkt_dlg_get_reg_param.xml");
    if (!d)
        return;
    vuObject *tlv = d.field("tlv");
    for (;;) {
        int state = d.run();
        if (state == -1)
            break;
        if (state != 1)
            continue;
        const char *typed = widget_text(tlv);
        if (!*typed) {
            error_box(ui, "НЕ ВВЕДЕН ИДЕНТИФИКАТОР TLV ПАРАМЕТРА!");
            continue;
        }
        // Tags are 16-bit: a larger number would ask for another tag under
        // the typed one's title.
        uint32_t tag = parse_number(typed);
        if (tag > 0xFFFF) {
            error_box(ui, "НЕДОПУСТИМЫЙ ИДЕНТИФИКАТОР TLV ПАРАМЕТРА!");
            continue;
        }
        TMCommand cmd;
        if (!kfn_run(ui, cmd, cmd.GetRegParam(static_cast<uint16_t>(tag))))
            continue;
        char value[512] = "";
        if (cmd.FieldText1251(5, value, sizeof value) < 0)
            value[0] = 0;
        char heading[32];
        str_format(heading, sizeof heading, "ПАРАМЕТР %u", static_cast<unsigned>(tag));
        message_box(ui, heading, value, MB_OK);
        break;
    }
}

// menu: fn_comm
void CmdFnComm(vuUI *ui, const char *title)
{
    TMCommand comm, oism;
    TMCommand *commReply = nullptr, *oismReply = nullptr;
    if (kfn_run(ui, comm, comm.FNGetCommStatus()))
        commReply = &comm;
    if (kfn_marking_mode() == 1 && query(oism, oism.Cmd_GetStatusSendNotif()))
        oismReply = &oism;
    char text[REPORT_TEXT_SIZE];
    fn_comm_text(commReply, oismReply, text, sizeof text);
    show_report(ui, title, text);
}

// menu: fn_err
void CmdFnErr(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (!kfn_run(ui, cmd, cmd.GetFNErrors()))
        return;
    char text[512] = "";
    if (cmd.FieldText1251(5, text, sizeof text) < 0)
        text[0] = 0;
    if (*text)
        message_box(ui, title, text, MB_OK);
    else
        message_box(ui, "ВНИМАНИЕ", "НЕТ ДАННЫХ ДЛЯ ОТОБРАЖЕНИЯ!", MB_OK);
}
