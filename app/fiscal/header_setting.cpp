#include "header_setting.h"

#include <string.h>

#include "TMCommand.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "vuStatic.h"
#include "widget_text.h"

namespace {

enum { kEditorSize = 512 };

// What tells the three editors apart.
struct Variant {
    const char *file;
    size_t lines, width;
    int (*read)(TMCommand &);
    uint32_t firstField;
    bool dropFirst; // the read fields carry one character before the text
    int (*write)(TMCommand &, const char *const *, uint32_t);
    const char *section, *key;
    const char *question, *success;
    vuEventCallback keys;
};

const char *kHeaderQuestion =
    "ПОЛУЧИТЬ ЗАГОЛОВОК ИЗ КФН?\n\nПРИ НАЖАТИИ 'ОТМЕНА' БУДЕТ ИСПОЛЬЗОВАТЬСЯ ПОСЛЕДНИЙ СОХРАНЕННЫЙ В ККТ ЗАГОЛОВОК";
const char *kHeaderDone = "ЗАГОЛОВОК УСПЕШНО УСТАНОВЛЕН!";

const Variant kHeader = {
    "kkt_dlg_header.xml", 4, 38, [](TMCommand &c) { return c.GetHeader(); }, 6, true,
    [](TMCommand &c, const char *const *l, uint32_t n) { return c.SetHeader(l, n); }, "CmdSetHeader", "Header",
    kHeaderQuestion, kHeaderDone, HeaderEditKeys,
};
const Variant kTail = {
    "kkt_dlg_tail.xml", 4, 40, [](TMCommand &c) { return c.GetTail(); }, 5, false,
    [](TMCommand &c, const char *const *l, uint32_t n) { return c.SetTail(l, n); }, "CmdSetTail", "Tail",
    "ПОЛУЧИТЬ ОКОНЧАНИЕ ДОКУМЕНТА ИЗ КФН?\n\nПРИ НАЖАТИИ 'ОТМЕНА' БУДЕТ ИСПОЛЬЗОВАТЬСЯ ПОСЛЕДНЕЕ СОХРАНЕННОЕ В ККТ "
    "ОКОНЧАНИЕ",
    "ОКОНЧАНИЕ УСПЕШНО УСТАНОВЛЕНО!", TailEditKeys,
};
const Variant kHeaderExt = {
    "kkt_dlg_header_ext.xml", 6, 40, [](TMCommand &c) { return c.GetHeader(); }, 5, false,
    [](TMCommand &c, const char *const *l, uint32_t n) { return c.SetHeaderExt(l, n); }, "CmdSetHeaderExt", "Head",
    kHeaderQuestion, kHeaderDone, HeaderExtEditKeys,
};

vuStatic *lineWidget(vuForm *form, size_t i)
{
    char name[16];
    str_format(name, sizeof name, "line%u", static_cast<unsigned>(i));
    return dynamic_cast<vuStatic *>(form->GetByName(name));
}

int refreshPreview(intptr_t form, const Variant &v)
{
    vuForm *f = reinterpret_cast<vuForm *>(form);
    if (!f)
        return 0;
    vuObject *edit = f->GetByName("edit");
    if (!edit)
        return 0;
    vuStatic *widgets[HEADER_MAX_LINES];
    for (size_t i = 0; i < v.lines; ++i)
        if (!(widgets[i] = lineWidget(f, i)))
            return 0;
    char lines[HEADER_MAX_LINES][HEADER_LINE_SIZE];
    header_preview(widget_text(edit), v.lines, v.width, lines);
    for (size_t i = 0; i < v.lines; ++i)
        widgets[i]->SetText(lines[i]);
    return 0;
}

// Fills the editor with the controller's lines; a failed read (its box has
// been shown) leaves the editor as it was.
void fetch(vuUI *ui, vuForm *form, vuObject *edit, const Variant &v, char *text)
{
    TMCommand cmd;
    if (v.read(cmd) <= 0 || kfn_exec(ui, &cmd, 5000) != 0)
        return;
    for (size_t j = 0; j < v.lines; ++j) {
        char field[HEADER_LINE_SIZE] = "";
        if (cmd.FieldText1251(v.firstField + static_cast<uint32_t>(j), field, sizeof field) < 0)
            field[0] = 0;
        const char *line = field;
        if (v.dropFirst) {
            field[39] = 0;
            line = field[0] ? field + 1 : field;
        } else {
            field[40] = 0;
        }
        if (j == 0)
            str_copy(text, line, kEditorSize);
        else
            str_format_append(text, kEditorSize, "\n%s", line);
        widget_set_text(edit, text);
        refreshPreview(reinterpret_cast<intptr_t>(form), v);
    }
}

void run(vuUI *ui, const char *title, const Variant &v)
{
    ScopedDialog d(ui, v.file);
    if (!d)
        return;
    vuForm *form = d.form();
    vuObject *edit = d.field("edit");
    form->SetHeaderText(title);
    d.reset();

    char text[kEditorSize] = "";
    if (const char *saved = settings_get(v.section, v.key)) {
        utf8_to_cp1251(saved, text, sizeof text);
        widget_set_text(edit, text);
    }
    if (message_box(ui, "ВНИМАНИЕ", v.question, MB_OK | MB_CANCEL) == MB_RESULT_OK)
        fetch(ui, form, edit, v, text);
    refreshPreview(reinterpret_cast<intptr_t>(form), v);

    if (d.show(v.keys) == 1) {
        str_copy(text, widget_text(edit), sizeof text);
        char lines[HEADER_MAX_LINES][HEADER_LINE_SIZE];
        header_preview(text, v.lines, v.width, lines);
        const char *list[HEADER_MAX_LINES];
        for (size_t i = 0; i < v.lines; ++i)
            list[i] = lines[i];
        TMCommand cmd;
        if (kfn_run(ui, cmd, v.write(cmd, list, static_cast<uint32_t>(v.lines))))
            message_box(ui, "ВНИМАНИЕ", v.success, MB_OK);
        // Kept whether the controller took it or not. A CP1251 letter takes
        // up to three bytes in UTF-8: the whole text fits.
        char utf8[kEditorSize * 3];
        cp1251_to_utf8(text, utf8, sizeof utf8);
        settings_set(v.section, v.key, utf8);
        settings_save();
    }
}

} // namespace

void header_preview(const char *text, size_t count, size_t width, char lines[][HEADER_LINE_SIZE])
{
    if (count > HEADER_MAX_LINES)
        count = HEADER_MAX_LINES;
    if (width > HEADER_LINE_SIZE - 1)
        width = HEADER_LINE_SIZE - 1;
    const char *p = text ? text : "";
    bool more = *p != 0;
    for (size_t i = 0; i < count; ++i) {
        lines[i][0] = 0;
        if (!more)
            continue;
        const char *end = strchr(p, '\n');
        size_t n = end ? static_cast<size_t>(end - p) : strlen(p);
        size_t take = n < width ? n : width;
        memcpy(lines[i], p, take);
        lines[i][take] = 0;
        strip_control_chars(lines[i]);
        if (end) {
            p = end + 1;
        } else {
            more = false;
        }
    }
}

// menu: sets_header
void CmdSetHeader(vuUI *ui, const char *title) { run(ui, title, kHeader); }
// menu: sets_tail
void CmdSetTail(vuUI *ui, const char *title) { run(ui, title, kTail); }
// menu: sets_header_ext
void CmdSetHeaderExt(vuUI *ui, const char *title) { run(ui, title, kHeaderExt); }

int HeaderEditKeys(vuEvent *, intptr_t form) { return refreshPreview(form, kHeader); }
int TailEditKeys(vuEvent *, intptr_t form) { return refreshPreview(form, kTail); }
int HeaderExtEditKeys(vuEvent *, intptr_t form) { return refreshPreview(form, kHeaderExt); }
