#include "position_editor.h"

#include <string.h>

#include <memory>
#include <utility>
#include <vector>

#include "dec_money.h"
#include "error_box.h"
#include "kfn_state.h"
#include "list_editor_keys.h"
#include "message_box.h"
#include "receipt_form.h"
#include "scan_mark.h"
#include "scanner.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "tag_editor.h"
#include "vuMenuBox.h"
#include "vuWidget.h"
#include "widget_text.h"

namespace {

enum { kPages = 11 };

const char *const kPageFiles[kPages] = {
    nullptr, // the payment-object list by FFD
    "kkt_dlg_receipt_good_5.xml",
    "kkt_dlg_receipt_good_3.xml",
    "kkt_dlg_receipt_good_4.xml",
    "kkt_dlg_receipt_good_1.xml",
    "kkt_dlg_select_tax_type.xml",
    "kkt_dlg_receipt_calc_method.xml",
    "kkt_dlg_receipt_agent_1.xml",
    "kkt_dlg_receipt_agent_2.xml",
    "kkt_dlg_receipt_agent_3.xml",
    "kkt_dlg_receipt_good_2.xml",
};

const char *section(int mode) { return mode == 2 ? "FiscalCorr" : "FiscalReceipt"; }

struct Pages {
    std::vector<ScopedDialog> form;
    vuObject *object = nullptr, *lotsize = nullptr, *planned = nullptr, *measure = nullptr;
    vuObject *name = nullptr, *code = nullptr, *price = nullptr, *qty = nullptr, *unit = nullptr;
    vuObject *depNum = nullptr, *depName = nullptr, *nds = nullptr, *method = nullptr, *agent = nullptr;
    vuObject *agentPhone = nullptr, *operGetPhone = nullptr, *operTransPhone = nullptr, *agentOper = nullptr;
    vuObject *operTransName = nullptr, *operTransAddr = nullptr, *operTransInn = nullptr;
    vuObject *providerInn = nullptr, *providerPhone = nullptr, *providerName = nullptr, *comment = nullptr;
};

// The settings the editor keeps: key, widget, converted (text) or as it
// stands (phones, INNs), and the value when the key is absent.
struct Kept {
    const char *key;
    vuObject *Pages::*widget;
    bool converted;
    const char *absent;
};

const Kept kKept[] = {
    {"GoodName", &Pages::name, true, "Товар"},
    {"GoodUnit", &Pages::unit, true, "шт."},
    {"AgentPhone", &Pages::agentPhone, false, ""},
    {"OperGetPhone", &Pages::operGetPhone, false, ""},
    {"OperTransPhone", &Pages::operTransPhone, false, ""},
    {"OperTransINN", &Pages::operTransInn, false, ""},
    {"ProviderINN", &Pages::providerInn, false, ""},
    {"ProviderPhone", &Pages::providerPhone, false, ""},
    {"AgentOper", &Pages::agentOper, true, ""},
    {"OperTransName", &Pages::operTransName, true, ""},
    {"OperTransAddr", &Pages::operTransAddr, true, ""},
    {"ProviderName", &Pages::providerName, true, ""},
};

bool createPages(vuUI *ui, Pages &p, const PaymentObjectList &objects)
{
    p.form.reserve(kPages);
    for (int i = 0; i < kPages; ++i) {
        ScopedDialog page(ui, i == 0 ? objects.file : kPageFiles[i]);
        if (!page) {
            p.form.clear();
            return false;
        }
        vuForm *f = page.form();
        switch (i) {
        case 0: p.object = f->GetByName("object"); break;
        case 1: p.lotsize = f->GetByName("lotsize"); break;
        case 2: p.planned = f->GetByName("planprodstat"); break;
        case 3: p.measure = f->GetByName("measureqtycalc"); break;
        case 4:
            p.name = f->GetByName("name");
            p.code = f->GetByName("code");
            p.price = f->GetByName("price");
            p.qty = f->GetByName("qty");
            p.unit = f->GetByName("unit");
            p.depNum = f->GetByName("dep_num");
            p.depName = f->GetByName("dep_name");
            break;
        case 5: p.nds = f->GetByName("nds"); break;
        case 6: p.method = f->GetByName("method"); break;
        case 7: p.agent = f->GetByName("agent"); break;
        case 8:
            p.agentPhone = f->GetByName("agent_phone");
            p.operGetPhone = f->GetByName("oper_get_phone");
            p.operTransPhone = f->GetByName("oper_trans_phone");
            p.agentOper = f->GetByName("agent_oper");
            p.operTransName = f->GetByName("oper_trans_name");
            p.operTransAddr = f->GetByName("oper_trans_addr");
            p.operTransInn = f->GetByName("oper_trans_inn");
            break;
        case 9:
            p.providerInn = f->GetByName("provider_inn");
            p.providerPhone = f->GetByName("provider_phone");
            p.providerName = f->GetByName("provider_name");
            break;
        case 10: p.comment = f->GetByName("comment"); break;
        }
        page.reset();
        p.form.push_back(std::move(page));
    }
    return true;
}

void presetDefaults(Pages &p, int mode)
{
    widget_set_text(p.price, "100");
    widget_set_text(p.qty, "1000");
    widget_set_text(p.depNum, "1");
    list_set_item(p.method, 4);
    widget_set_text(p.lotsize, "0");
    for (const Kept &k : kKept) {
        vuObject *w = p.*k.widget;
        if (!settings_get(section(mode), k.key)) {
            widget_set_text(w, k.absent);
            continue;
        }
        if (k.converted)
            preset_converted(w, section(mode), k.key, 512);
        else
            preset_raw(w, section(mode), k.key, 512);
    }
}

void presetFrom(Pages &p, const ReceiptPosition &pos, ItemTable objects, bool ffd12)
{
    widget_set_text(p.comment, pos.comment);
    widget_set_text(p.name, pos.name);
    widget_set_text(p.code, pos.code);
    widget_set_text(p.depName, pos.department_name);
    list_set_item(p.method, table_item(kMethods, pos.method));
    list_set_item(p.object, table_item(objects, pos.object));
    list_set_item(p.agent, table_item(kAgents, pos.agent));
    widget_set_text(p.lotsize, pos.lot_size);
    list_set_item(p.planned, table_item(kPlannedStatuses, pos.planned_status));
    list_set_item(p.measure, table_item(kMeasures, pos.measure));
    if (!ffd12)
        widget_set_text(p.unit, pos.unit);
    list_set_item(p.nds, table_item(kTaxRates, pos.tax));
    char dep[8];
    str_format(dep, sizeof dep, "%d", pos.department);
    widget_set_text(p.depNum, dep);
    widget_set_text(p.price, pos.price);
    widget_set_text(p.qty, pos.quantity);
    widget_set_text(p.agentPhone, pos.agent_phone);
    widget_set_text(p.operGetPhone, pos.payment_phone);
    widget_set_text(p.operTransPhone, pos.transfer_phone);
    widget_set_text(p.agentOper, pos.agent_operation);
    widget_set_text(p.operTransName, pos.transfer_name);
    widget_set_text(p.operTransAddr, pos.transfer_address);
    widget_set_text(p.operTransInn, pos.transfer_inn);
    widget_set_text(p.providerInn, pos.supplier_inn);
    widget_set_text(p.providerPhone, pos.supplier_phone);
    widget_set_text(p.providerName, pos.supplier_name);
}

void store(Pages &p, ReceiptPosition &pos, int ffd)
{
    take_text(p.comment, pos.comment, 1023);
    take_text(p.name, pos.name, 60);
    take_text(p.code, pos.code, 20);
    take_text(p.depName, pos.department_name, 20);
    pos.method = table_entry(kMethods, list_item(p.method));
    pos.agent = table_entry(kAgents, list_item(p.agent));
    take_text(p.lotsize, pos.lot_size, 7);
    pos.planned_status = table_entry(kPlannedStatuses, list_item(p.planned));
    pos.measure = table_entry(kMeasures, list_item(p.measure));
    if (ffd >= 4)
        str_format(pos.unit, sizeof pos.unit, "%02X", pos.measure);
    else
        take_text(p.unit, pos.unit, 3);
    pos.tax = table_entry(kTaxRates, list_item(p.nds));
    pos.department = static_cast<uint8_t>(widget_number(p.depNum));
    take_text(p.price, pos.price, 10);
    take_text(p.qty, pos.quantity, 7);
    take_text(p.agentPhone, pos.agent_phone, 19);
    take_text(p.operGetPhone, pos.payment_phone, 19);
    take_text(p.operTransPhone, pos.transfer_phone, 19);
    take_text(p.operTransInn, pos.transfer_inn, 12);
    take_text(p.providerInn, pos.supplier_inn, 12);
    take_text(p.providerPhone, pos.supplier_phone, 19);
    take_text(p.agentOper, pos.agent_operation, 24);
    take_text(p.operTransName, pos.transfer_name, 64);
    take_text(p.operTransAddr, pos.transfer_address, 256);
    take_text(p.providerName, pos.supplier_name, 256);
}

void saveSettings(Pages &p, int mode)
{
    for (const Kept &k : kKept) {
        if (k.converted)
            save_converted(p.*k.widget, section(mode), k.key);
        else
            save_raw(p.*k.widget, section(mode), k.key);
    }
    settings_save();
}

void setFocusable(vuObject *w, bool on)
{
    if (vuWidget *widget = dynamic_cast<vuWidget *>(w))
        widget->SetFocusable(on ? 1 : 0);
}

bool agentChosen(const Pages &p) { return table_entry(kAgents, list_item(p.agent)) != 0; }

// The goods page's amounts: a quantity of zero (an emptied quantity field
// keeps its zeros) or a price or quantity with no digits at all would reach
// the drive as 0.00 x 0.000. The refusal names the field and puts the
// cursor into it. A price of 0.00 is a price.
bool amountsGiven(vuUI *ui, Pages &p)
{
    const char *text = nullptr;
    vuObject *field = nullptr;
    const char *qty = widget_text(p.qty);
    if (!*widget_text(p.price)) {
        text = "НЕ ВВЕДЕНА ЦЕНА!";
        field = p.price;
    } else if (!*qty) {
        text = "НЕ ВВЕДЕНО КОЛИЧЕСТВО!";
        field = p.qty;
    } else if (dec_is_zero(qty)) {
        text = "КОЛИЧЕСТВО НЕ МОЖЕТ\nБЫТЬ НУЛЕВЫМ!";
        field = p.qty;
    }
    if (!text)
        return true;
    error_box(ui, text);
    vuWidget *widget = dynamic_cast<vuWidget *>(field);
    if (widget && widget->IsFocusable())
        p.form[4].form()->SetFocused(widget);
    return false;
}

} // namespace

int EditPosition(vuUI *ui, ReceiptPosition *position, int mode, int mark_required)
{
    if (!position)
        return -1;
    const int ffd = kfn_ffd_version();
    const bool marking = kfn_marking_mode() == 1;
    // the list shown and the codes its rows send come as one
    const PaymentObjectList objects = payment_object_list(ffd, marking);
    Pages p;
    if (!createPages(ui, p, objects))
        return -1;
    // the pages work on a copy: a cancelled editor leaves the position as it was
    std::unique_ptr<ReceiptPosition> work(new ReceiptPosition(*position));
    presetDefaults(p, mode);
    if (work->kind != POSITION_FREE)
        presetFrom(p, *work, objects.table, ffd >= 4);
    if (vuWidget *unit = dynamic_cast<vuWidget *>(p.unit))
        unit->SetVisible(ffd < 4 ? 1 : 0);

    int32_t kind = work->kind;
    int page = 0, result = -1;
    while (page >= 0 && page < kPages) {
        int state = p.form[page].show();
        bool ok = state == 1;
        switch (page) {
        case 0:
            if (!ok) {
                page = -1;
                break;
            }
            work->object = table_entry(objects.table, list_item(p.object));
            kind = position_kind_of(work->object);
            if (kind == POSITION_MARKED && scanner_probe()) {
                scanner_start();
                int scanned = ScanMarkDialog(ui, mark_required);
                scanner_stop();
                if (scanned < 0)
                    break; // page 0 again
                str_copy(work->mark_code, ScannedMarkCode, sizeof work->mark_code);
            }
            page = kind == POSITION_MARKED ? 1 : marking ? 3 : 4;
            break;
        case 3:
            if (!ok) {
                page = marking && kind == POSITION_MARKED ? 2 : 0;
                break;
            }
            {
                // a marked piece good sold one by one: the quantity stays 1
                bool single = kind == POSITION_MARKED && dec_is_zero(widget_text(p.lotsize)) &&
                              list_item(p.planned) == 1 && list_item(p.measure) == 1;
                setFocusable(p.qty, !single);
            }
            page = 4;
            break;
        case 4:
            if (ok && !amountsGiven(ui, p))
                break; // the goods page again, its entries kept
            page = ok ? 5 : ffd < 4 ? 0 : 3;
            break;
        case 7:
            page = !ok ? 6 : agentChosen(p) ? 8 : 10;
            break;
        case 10:
            if (state == 20) {
                work->tag_count = EditTags(ui, work->tags);
                break;
            }
            if (!ok) {
                page = agentChosen(p) ? 9 : 7;
                break;
            }
            store(p, *work, ffd);
            work->kind = kind;
            *position = *work;
            saveSettings(p, mode);
            result = 1;
            page = -1;
            break;
        default: // 1, 2, 5, 6, 8, 9
            page += ok ? 1 : -1;
            break;
        }
    }
    return result;
}

int EditPositions(vuUI *ui, ReceiptPosition *positions, int mode, int mark_required)
{
    std::unique_ptr<ReceiptPosition[]> saved(new ReceiptPosition[RECEIPT_MAX_POSITIONS]);
    memcpy(saved.get(), positions, sizeof(ReceiptPosition) * RECEIPT_MAX_POSITIONS);
    unsigned short remembered = 0;
    for (;;) {
        ScopedDialog d(ui, "kkt_dlg_poss_cheque.xml");
        if (!d)
            return -1;
        vuMenuBox *box = d.widget<vuMenuBox>("menubox");
        int rows[RECEIPT_MAX_POSITIONS];
        int count = 0;
        for (int i = 0; i < RECEIPT_MAX_POSITIONS; ++i) {
            if (positions[i].kind == POSITION_FREE)
                continue;
            if (box)
                box->AddItem(positions[i].name, nullptr, 0);
            rows[count++] = i;
        }
        if (box)
            box->SelectOnReset(remembered);
        d.reset();
        d.form()->SetFocused(box);
        int state = d.show(ListEditorKeys);
        unsigned short row = box ? box->GetSelected() : 0;
        d.close();
        if (row < 1 || row > count)
            row = 1;
        int entry = count ? rows[row - 1] : -1;

        switch (state) {
        case 1:
            return count;
        case -1:
            memcpy(positions, saved.get(), sizeof(ReceiptPosition) * RECEIPT_MAX_POSITIONS);
            return -1;
        case LIST_ADD: {
            int free = -1;
            for (int i = 0; i < RECEIPT_MAX_POSITIONS && free < 0; ++i)
                if (positions[i].kind == POSITION_FREE)
                    free = i;
            if (free < 0) {
                char text[96];
                str_format(text, sizeof text, "ПРЕВЫШЕНО КОЛИЧЕСТВО ПОЗИЦИЙ!\nМАКСИМУМ %d", RECEIPT_MAX_POSITIONS);
                message_box(ui, "ВНИМАНИЕ", text, MB_OK | MB_ALERT);
                break;
            }
            EditPosition(ui, &positions[free], mode, mark_required);
            if (positions[free].kind == POSITION_FREE)
                memset(&positions[free], 0, sizeof positions[free]);
            break;
        }
        case LIST_DELETE:
            if (entry >= 0) {
                remembered = static_cast<unsigned short>(row - 1);
                char text[96];
                str_format(text, sizeof text, "УВЕРЕНЫ ЧТО ХОТИТЕ УДАЛИТЬ ПОЗИЦИЮ %d?", row);
                if (message_box(ui, "УДАЛЕНИЕ ПОЗИЦИИ", text, MB_OK | MB_CANCEL) == MB_RESULT_OK) {
                    // the slot is cleared whole: a new position inherits nothing
                    memset(&positions[entry], 0, sizeof positions[entry]);
                    if (remembered && remembered >= count - 1)
                        remembered = static_cast<unsigned short>(count - 2);
                }
            }
            break;
        case LIST_EDIT:
            if (entry >= 0) {
                remembered = static_cast<unsigned short>(row - 1);
                EditPosition(ui, &positions[entry], mode, mark_required);
            }
            break;
        default:
            break;
        }
    }
}
