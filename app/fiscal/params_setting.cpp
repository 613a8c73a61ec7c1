#include "params_setting.h"

#include <utility>
#include <vector>

#include "TMCommand.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "ui_xml.h"
#include "vuCheckBox.h"
#include "vuWidget.h"
#include "widget_text.h"

namespace {

struct Page {
    vuObject *param = nullptr, *isExt = nullptr;
    vuObject *p1 = nullptr, *p2 = nullptr, *lf = nullptr, *p4 = nullptr, *t4 = nullptr, *m4 = nullptr;
};

// Which byte of which word pages 1 to 5 show: word index, shift.
const struct {
    int word, shift;
} kByteOf[5] = {{0, 0}, {0, 8}, {1, 0}, {1, 8}, {3, 0}};

void setVisible(vuObject *o, bool visible)
{
    if (vuWidget *w = dynamic_cast<vuWidget *>(o))
        w->SetVisible(visible ? 1 : 0);
}

void setWord(vuObject *w, const char *format, unsigned value)
{
    char text[16];
    str_format(text, sizeof text, format, value);
    widget_set_text(w, text);
}

// Every view from the words, and the fourth word's fields by the form.
void refresh(Page *pages, const uint16_t *words, bool extended)
{
    for (int i = 0; i < 5; ++i)
        if (vuCheckBox *box = dynamic_cast<vuCheckBox *>(pages[i].param))
            box->SetValue((words[kByteOf[i].word] >> kByteOf[i].shift) & 0xFF);
    Page &last = pages[5];
    setWord(last.p1, "%04X", words[0]);
    setWord(last.p2, "%04X", words[1]);
    setWord(last.lf, "%u", words[2]);
    setWord(last.p4, "%04X", words[3]);
    setVisible(last.t4, extended);
    setVisible(last.p4, extended);
    setVisible(last.m4, !extended);
}

unsigned maskOf(vuObject *o)
{
    vuCheckBox *box = dynamic_cast<vuCheckBox *>(o);
    return box ? box->GetSelected() : 0;
}

void refuse(vuUI *ui, const char *label, const char *text, const char *allowed)
{
    char box[256];
    str_format(box, sizeof box, "%s: НЕДОПУСТИМОЕ ЗНАЧЕНИЕ \"%s\"\n\n%s", label, text, allowed);
    error_box(ui, box);
}

// The words of page 6; false (after its box) for the first field that does
// not hold its kind of number, the words unchanged.
bool readLastPage(vuUI *ui, const Page &last, uint16_t *words)
{
    uint16_t w[4] = {words[0], words[1], words[2], words[3]};
    const struct {
        vuObject *field;
        const char *label;
        int word;
    } hex[] = {{last.p1, "P1", 0}, {last.p2, "P2", 1}, {last.p4, "P4", 3}};
    for (const auto &h : hex) {
        if (!hex_word(widget_text(h.field), &w[h.word])) {
            refuse(ui, h.label, widget_text(h.field), "ШЕСТНАДЦАТЕРИЧНОЕ ЧИСЛО ОТ 0 ДО FFFF");
            return false;
        }
    }
    uint32_t lf = 0;
    if (!parse_count(widget_text(last.lf), 0xFFFF, &lf) || !*widget_text(last.lf)) {
        refuse(ui, "LF", widget_text(last.lf), "ДОПУСТИМО ОТ 0 ДО 65535");
        return false;
    }
    w[2] = static_cast<uint16_t>(lf);
    for (int i = 0; i < 4; ++i)
        words[i] = w[i];
    return true;
}

int buildWrite(TMCommand &cmd, const uint16_t *w, bool extended)
{
    return extended ? cmd.GetParamList(4, static_cast<int>(w[0]), static_cast<int>(w[1]), static_cast<int>(w[2]),
                                       static_cast<int>(w[3]))
                    : cmd.GetParams(w[0], w[1], w[2]);
}

void readWords(TMCommand &cmd, uint16_t *words)
{
    for (int i = 0; i < 4; ++i)
        words[i] = cmd.FieldWord(5 + static_cast<uint32_t>(i));
}

} // namespace

bool hex_word(const char *text, uint16_t *out)
{
    if (!text || !*text)
        return false;
    unsigned v = 0;
    size_t n = 0;
    for (const char *p = text; *p; ++p, ++n) {
        const char c = *p;
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        if (d < 0 || n >= 4)
            return false;
        v = v << 4 | static_cast<unsigned>(d);
    }
    *out = static_cast<uint16_t>(v);
    return true;
}

// menu: sets_params
void CmdSetParams(vuUI *ui, const char *title)
{
    std::vector<ScopedDialog> dialogs;
    dialogs.reserve(PARAM_PAGES);
    Page pages[PARAM_PAGES];
    for (int made = 0; made < PARAM_PAGES; ++made) {
        char file[32], header[128];
        str_format(file, sizeof file, "kkt_dlg_param_%d.xml", made + 1);
        ScopedDialog d(ui, file);
        if (!d)
            return;
        str_format(header, sizeof header, "%s %u", title ? title : "", static_cast<unsigned>(made + 1));
        d.form()->SetHeaderText(header);
        d.reset();
        Page &p = pages[made];
        p.param = d.field("param");
        p.isExt = d.field("is_ext");
        p.p1 = d.field("p1");
        p.p2 = d.field("p2");
        p.lf = d.field("lf");
        p.p4 = d.field("p4");
        p.t4 = d.field("t4");
        p.m4 = d.field("m4");
        dialogs.push_back(std::move(d));
    }

    uint16_t words[4] = {0, 0, 0, 0};
    {
        TMCommand cmd;
        if (!kfn_run(ui, cmd, cmd.GetWorkModes()))
            return;
        readWords(cmd, words);
    }

    bool extended = false, refreshViews = true;
    int current = 0;
    for (;;) {
        Page &page = pages[current];
        if (refreshViews)
            refresh(pages, words, extended);
        refreshViews = true;
        if (dialogs[static_cast<size_t>(current)].show() != 1) {
            if (current == 0)
                break;
            --current;
            continue;
        }
        if (current < 5) {
            unsigned byte = maskOf(page.param) & 0xFF;
            uint16_t &w = words[kByteOf[current].word];
            w = static_cast<uint16_t>((w & ~(0xFF << kByteOf[current].shift)) | byte << kByteOf[current].shift);
            if (current == 4)
                extended = maskOf(page.isExt) != 0;
            ++current;
            continue;
        }
        // A field refused keeps what was typed for the user to mend.
        if (!readLastPage(ui, page, words)) {
            refreshViews = false;
            continue;
        }
        TMCommand cmd;
        if (kfn_run(ui, cmd, buildWrite(cmd, words, extended)))
            break;
    }
}

void params_from_settings(vuUI *ui, mxml_node_t *element)
{
    static const char *const kKeys[4] = {"param1", "param2", "linefeed", "param4"};
    const char *values[4];
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        values[i] = xml_attr(element, kKeys[i]);
        any = any || (values[i] && *values[i]);
    }
    if (!any)
        return;
    TMCommand read;
    int built = read.GetWorkModes();
    if (built <= 0) {
        report_prepare_error(ui, &read, built);
        return;
    }
    if (kfn_exec(ui, &read, 5000) != 0)
        return;
    uint16_t words[4];
    readWords(read, words);
    for (int i = 0; i < 4; ++i)
        if (values[i] && *values[i])
            words[i] = static_cast<uint16_t>(parse_number(values[i]));
    bool four = values[3] && *values[3] && kfn_firmware_version() > 238;
    TMCommand write;
    if (buildWrite(write, words, four) <= 0) {
        message_box(ui, "ОШИБКА", "Ошибка подготовки команды GetParams", MB_OK);
        return;
    }
    kfn_exec(ui, &write, 5000);
    TMCommand back;
    if (back.GetWorkModes() > 0)
        kfn_exec(ui, &back, 5000);
}
