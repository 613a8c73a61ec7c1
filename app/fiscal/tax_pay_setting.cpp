#include "tax_pay_setting.h"

#include <stdlib.h>
#include <string.h>

#include "TMCommand.h"
#include "dec_money.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "menu_fit.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "str_helpers.h"
#include "ui_loader.h"
#include "ui_values.h"
#include "ui_xml.h"
#include "vuCheckBox.h"
#include "vuFlat.h"
#include "vuMenu.h"
#include "widget_text.h"

namespace {

enum Kind { TAX, PAY };

struct Variant {
    Kind kind;
    const char *menu, *wait, *form, *question, *success;
    unsigned limit; // entries read at most
    int (*get)(TMCommand &, uint8_t);
};

const Variant kTax = {
    TAX,
    "kkt_menu_select_tax_type.xml",
    "ЧТЕНИЕ НАЛОГОВЫХ СТАВОК ИЗ КФН",
    "kkt_dlg_tax_type.xml",
    "БУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ СОХРАНЕНИЯ ПАРАМЕТРОВ НАЛОГОВОЙ СТАВКИ!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?",
    "ПАРАМЕТРЫ НАЛОГОВОЙ СТАВКИ УСПЕШНО СОХРАНЕНЫ",
    TAX_RATES_MAX,
    [](TMCommand &c, uint8_t i) { return c.GetTaxRate(i); },
};
const Variant kPay = {
    PAY,
    "kkt_menu_select_pay_type.xml",
    "ЧТЕНИЕ ВИДОВ ПЛАТЕЖЕЙ ИЗ КФН",
    "kkt_dlg_pay_type.xml",
    "БУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ СОХРАНЕНИЯ ПАРАМЕТРОВ ВИДА ПЛАТЕЖА!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?",
    "ПАРАМЕТРЫ ВИДА ПЛАТЕЖА УСПЕШНО СОХРАНЕНЫ",
    PAYMENT_TYPES_MAX,
    [](TMCommand &c, uint8_t i) { return c.GetPaymentType(i); },
};

// Reads the table into the menu; false when the first entry could not be
// read (its box has been shown).
bool readTable(vuUI *ui, vuMenu *menu, const Variant &v)
{
    for (unsigned i = 0; i < v.limit; ++i) {
        TMCommand cmd;
        if (v.get(cmd, static_cast<uint8_t>(i)) <= 0) {
            build_failed_box(ui);
            return false;
        }
        int result = kfn_exchange_unlocked(cmd, 5000);
        if (result != 0 || cmd.ErrorCode() != 0) {
            if (i > 0)
                return true;
            exchange_failed_box(ui, static_cast<unsigned>(cmd.CommandCode()), cmd, result);
            return false;
        }
        char name[128] = "";
        cmd.FieldText1251(6, name, sizeof name);
        uint8_t index = cmd.FieldByte(5);
        char text[160];
        str_format(text, sizeof text, " %u: %s", index, name);
        MENU_ITEM_EXT item;
        memset(&item, 0, sizeof item);
        item.text = text;
        item.tag = index;
        menu->AddItemExt(&item, nullptr, 1); // rows of the menu files' font
    }
    return true;
}

void setNumber(vuObject *w, unsigned value)
{
    char text[16];
    str_format(text, sizeof text, "%u", value);
    widget_set_text(w, text);
}

void setDecimal(vuObject *w, TMCommand &cmd, uint32_t k)
{
    char reply[32] = "";
    if (cmd.FieldText(k, reply, sizeof reply) < 0)
        reply[0] = 0;
    char digits[DEC_RESULT_SIZE];
    decimal_to_field(reply, digits, sizeof digits);
    widget_set_text(w, digits);
}

void setMask(vuObject *w, unsigned mask)
{
    if (vuCheckBox *box = dynamic_cast<vuCheckBox *>(w))
        box->SetValue(mask);
}

unsigned maskOf(vuObject *w)
{
    vuCheckBox *box = dynamic_cast<vuCheckBox *>(w);
    return box ? box->GetSelected() : 0;
}

void fill(vuForm *f, TMCommand &cmd, const Variant &v)
{
    char name[128] = "";
    cmd.FieldText1251(6, name, sizeof name);
    setNumber(f->GetByName("index"), cmd.FieldByte(5));
    widget_set_text(f->GetByName("name"), name);
    if (v.kind == TAX) {
        setDecimal(f->GetByName("val"), cmd, 7);
        setDecimal(f->GetByName("sum"), cmd, 8);
        setNumber(f->GetByName("type"), cmd.FieldByte(9));
        setNumber(f->GetByName("tag"), cmd.FieldWord(10));
    } else {
        setMask(f->GetByName("double"), cmd.FieldByte(7));
        setMask(f->GetByName("charge"), cmd.FieldByte(8));
        setNumber(f->GetByName("curindex"), cmd.FieldByte(9));
        setMask(f->GetByName("flag"), cmd.FieldByte(10));
        setDecimal(f->GetByName("curcurs"), cmd, 11);
        setNumber(f->GetByName("tag"), cmd.FieldWord(12));
    }
}

// The number fields that are written, checked: the first that does not fit
// is named in the refusal box; true when all fit.
bool numbersFit(vuUI *ui, vuForm *f, const Variant &v, uint32_t *index, uint32_t *second, uint32_t *third)
{
    struct Check {
        const char *widget, *label;
        uint32_t max;
        uint32_t *out;
    };
    Check tax[] = {{"index", "НОМЕР", 255, index}, {"type", "ТИП", 255, second}, {"tag", "ТЕГ", 65535, third}};
    Check pay[] = {{"index", "НОМЕР", 255, index}, {"curindex", "ИНДЕКС ВАЛЮТЫ", 255, second}};
    Check *checks = v.kind == TAX ? tax : pay;
    size_t n = v.kind == TAX ? 3 : 2;
    for (size_t i = 0; i < n; ++i) {
        if (!field_number(widget_text(f->GetByName(checks[i].widget)), checks[i].max, checks[i].out)) {
            char text[256];
            str_format(text, sizeof text, "%s: НЕДОПУСТИМОЕ ЗНАЧЕНИЕ \"%s\"\n\nДОПУСТИМО ОТ 0 ДО %u", checks[i].label,
                       widget_text(f->GetByName(checks[i].widget)), checks[i].max);
            error_box(ui, text);
            return false;
        }
    }
    return true;
}

int build(TMCommand &cmd, vuForm *f, const Variant &v, uint32_t index, uint32_t second, uint32_t third)
{
    if (v.kind == TAX) {
        char rate[16], sum[24];
        field_to_decimal(widget_text(f->GetByName("val")), rate, sizeof rate);
        field_to_decimal(widget_text(f->GetByName("sum")), sum, sizeof sum);
        return cmd.SetTaxRate(static_cast<uint8_t>(index), widget_text(f->GetByName("name")), rate, sum,
                              static_cast<uint8_t>(second), static_cast<uint16_t>(third));
    }
    char rate[24];
    field_to_decimal(widget_text(f->GetByName("curcurs")), rate, sizeof rate);
    return cmd.SetPaymentType(static_cast<uint8_t>(index), widget_text(f->GetByName("name")),
                              maskOf(f->GetByName("double")) ? 1 : 0, maskOf(f->GetByName("charge")) ? 1 : 0,
                              static_cast<uint8_t>(second), static_cast<uint8_t>(maskOf(f->GetByName("flag")) & 0xFF),
                              rate);
}

void editEntry(vuUI *ui, TMCommand &read, const Variant &v)
{
    int err = 0;
    vuForm *loaded = load_form_resource("./res/", v.form, &err);
    if (!loaded) {
        char text[128];
        str_format(text, sizeof text, "СБОЙ ЗАГРУЗКИ ШАБЛОНА ФОРМЫ\n\n%s", v.form);
        error_box(ui, text);
        return;
    }
    ScopedDialog d(ui, loaded);
    vuForm *f = d.form();
    d.reset();
    fill(f, read, v);
    while (d.show() == 1) {
        uint32_t index = 0, second = 0, third = 0;
        if (!numbersFit(ui, f, v, &index, &second, &third))
            continue;
        if (message_box(ui, "ВНИМАНИЕ", v.question, MB_OK | MB_CANCEL) != MB_RESULT_OK)
            continue;
        TMCommand cmd;
        if (kfn_run(ui, cmd, build(cmd, f, v, index, second, third)))
            message_box(ui, "УСПЕШНО", v.success, MB_OK | MB_ALERT);
        break;
    }
}

void run(vuUI *ui, const char *title, const Variant &v)
{
    ScopedDialog d(ui, v.menu);
    if (!d)
        return;
    vuMenu *menu = dynamic_cast<vuMenu *>(d.form());
    d.form()->SetHeaderText(title);
    message_box(ui, "ПОДОЖДИТЕ", v.wait, MB_NOWAIT);
    if (!menu || !readTable(ui, menu, v))
        return;
    menu_fit_rows(menu); // the menu has its size once added
    MENU_ITEM_EXT *item = d.run() == 1 ? menu->GetSelectedExt() : nullptr;
    if (!item)
        return;
    TMCommand cmd;
    if (kfn_run(ui, cmd, v.get(cmd, static_cast<uint8_t>(item->tag))))
        editEntry(ui, cmd, v);
}

} // namespace

void decimal_to_field(const char *reply, char *out, size_t size)
{
    // Room for the point, two zeros, a carry digit and a leading zero the
    // scaling may add.
    char text[DEC_RESULT_SIZE + 8];
    str_copy(text, reply && *reply ? reply : "0", DEC_RESULT_SIZE);
    dec_set_scale(text, 2);
    dec_remove_point(text);
    str_copy(out, text, size);
}

void field_to_decimal(const char *digits, char *out, size_t size)
{
    if (size < 4) {
        if (size)
            out[0] = 0;
        return;
    }
    // Room for the point and a leading zero.
    char text[DEC_RESULT_SIZE + 4];
    size_t room = size - 2 < DEC_RESULT_SIZE ? size - 2 : DEC_RESULT_SIZE;
    str_copy(text, digits ? digits : "", room + 1);
    dec_insert_point(text, 2);
    str_copy(out, text, size);
}

bool field_number(const char *text, uint32_t max, uint32_t *value)
{
    if (!text || !*text || strlen(text) > 10 || !str_is_digits(text))
        return false;
    unsigned long long v = strtoull(text, nullptr, 10);
    if (v > max)
        return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

// menu: sets_tax
void CmdSetTax(vuUI *ui, const char *title) { run(ui, title, kTax); }
// menu: sets_pay
void CmdSetPay(vuUI *ui, const char *title) { run(ui, title, kPay); }

namespace {

// A number attribute as the settings write numbers (decimal, or "x" and
// hex digits) of at most max; false (nothing taken) for one that is no
// number or does not fit, where the controller would get another value
// than the one written.
bool numberAttr(mxml_node_t *e, const char *name, uint32_t max, uint32_t *value, bool *present)
{
    const char *text = xml_attr(e, name);
    if (!text)
        return true;
    const bool hex = *text == 'x' || *text == 'X';
    const char *digits = hex ? text + 1 : text;
    size_t n = strlen(digits);
    if (n == 0 || n > (hex ? 8u : 10u))
        return false;
    for (const char *p = digits; *p; ++p)
        if (!(*p >= '0' && *p <= '9') && !(hex && ((*p >= 'a' && *p <= 'f') || (*p >= 'A' && *p <= 'F'))))
            return false;
    unsigned long long v = hex ? parse_number(text) : strtoull(digits, nullptr, 10);
    if (v > max)
        return false;
    *value = static_cast<uint32_t>(v);
    *present = true;
    return true;
}

} // namespace

int payment_from_settings(vuUI *ui, mxml_node_t *element)
{
    for (mxml_node_t *n = element ? mxmlGetFirstChild(element) : nullptr; n; n = mxmlGetNextSibling(n))
        if (mxmlGetElement(n) && strcmp(mxmlGetElement(n), "payment") == 0)
            payment_entry_from_settings(ui, n);
    return -1;
}

int payment_entry_from_settings(vuUI *ui, mxml_node_t *element)
{
    uint32_t index = 0;
    bool present = false;
    if (!numberAttr(element, "index", PAYMENT_TYPES_MAX - 1, &index, &present) || !present)
        return -1;
    TMCommand read;
    int built = read.GetPaymentType(static_cast<uint8_t>(index));
    if (built <= 0) {
        report_prepare_error(ui, &read, built);
        return -1;
    }
    if (kfn_exec(ui, &read, 5000) != 0)
        return -1;
    char name[64] = "", rate[16] = "1.00";
    read.FieldText1251(6, name, sizeof name);
    uint32_t values[4];
    for (uint32_t k = 0; k < 4; ++k)
        values[k] = read.FieldByte(7 + k);
    if (read.FieldAt(11, nullptr))
        read.FieldText(11, rate, sizeof rate);

    bool any = false;
    if (const char *utf8 = xml_attr(element, "name")) {
        utf8_to_cp1251(utf8, name, sizeof name);
        any = true;
    }
    static const char *const kNumbers[4] = {"secondline", "returnchange", "currencyindex", "maskofoper"};
    for (int k = 0; k < 4; ++k)
        if (!numberAttr(element, kNumbers[k], 255, &values[k], &any))
            return -1;
    if (const char *course = xml_attr(element, "exchangecourse")) {
        if (strlen(course) <= 14)
            str_copy(rate, course, sizeof rate);
        any = true;
    }
    if (!any)
        return -1;
    name[19] = 0;
    TMCommand write;
    built = write.SetPaymentType(static_cast<uint8_t>(index), name, values[0] ? 1 : 0, values[1] ? 1 : 0,
                                 static_cast<uint8_t>(values[2]), static_cast<uint8_t>(values[3]), rate);
    if (built <= 0) {
        report_prepare_error(ui, &write, built);
        return -1;
    }
    return kfn_exec(ui, &write, 5000);
}
