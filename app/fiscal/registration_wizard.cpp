#include "registration_wizard.h"

#include <stdlib.h>
#include <string.h>

#include <vector>

#include "TMCommand.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "message_box.h"
#include "registration_fields.h"
#include "registration_reasons.h"
#include "registration_record.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "terminal_helpers.h"
#include "ui_values.h"
#include "vuBox.h"
#include "vuMultiLine.h"
#include "widget_text.h"

const char *const kRegistrationSection = "CmdFiscalization";
const char *const kRegistrationFnsSite = "www.nalog.gov.ru";

namespace {

// The widgets of the wizards by name.
enum Widget {
    W_FIRMNAME, W_FIRMINN, W_FIRMADDR, W_FIRMPLACE, W_REG, W_INNOFD, W_NAMEOFD, W_EMAIL, W_FNS,
    W_TAXMODE, W_KKTMODE, W_KKTMODE12, W_NAME, W_INN, W_NUMAUTO, W_AGENT, W_DOREQOR, W_DODATAOR, W_REASON,
    W_COUNT,
};
const char *const kWidgetNames[W_COUNT] = {
    "firmname", "firminn", "firmaddr", "firmplace", "reg",  "innofd",  "nameofd", "email",    "fns",    "taxmode",
    "kktmode",  "kktmode_ffd12", "name", "inn",     "numauto", "agent", "doreqor", "dodataor", "reason",
};

struct PageSpec {
    const char *file;
    Widget widgets[7];
    int count;
};

const PageSpec kFirm = {"kkt_dlg_registration_1.xml",
                        {W_FIRMNAME, W_FIRMINN, W_FIRMADDR, W_FIRMPLACE, W_REG, W_INNOFD, W_NAMEOFD}, 7};
const PageSpec kContact = {"kkt_dlg_registration_2.xml", {W_EMAIL, W_FNS}, 2};
const PageSpec kTax = {"kkt_dlg_registration_3.xml", {W_TAXMODE}, 1};
const PageSpec kModes = {"kkt_dlg_registration_4.xml", {W_KKTMODE}, 1};
const PageSpec kUsage = {"kkt_dlg_registration12_5.xml", {W_KKTMODE12}, 1};
const PageSpec kCashier = {"kkt_dlg_registration_oper_inn.xml", {W_NAME, W_INN}, 2};
const PageSpec kAutomat = {"kkt_dlg_registration_num_auto.xml", {W_NUMAUTO}, 1};
const PageSpec kAgent = {"kkt_dlg_registration_5.xml", {W_AGENT}, 1};
const PageSpec kReason = {"kkt_dlg_registration_6.xml", {W_REASON}, 1};
const PageSpec kTags12 = {"kkt_dlg_registration12_8.xml", {W_DOREQOR, W_DODATAOR}, 2};
const PageSpec kReason12 = {"kkt_dlg_registration12_7.xml", {W_REASON}, 1};

const PageSpec *const kPages105[] = {&kFirm, &kContact, &kTax, &kModes, &kCashier, &kAutomat, &kAgent, &kReason};
const PageSpec *const kPages12[] = {&kFirm,    &kContact, &kTax,    &kModes,   &kUsage,
                                    &kCashier, &kAutomat, &kTags12, &kReason12};

// The usage items the controller's marking answer may leave out of the
// dialog file.
const char *const kUsageExtra[] = {"ККТ С ТОРГ.АВТ.", "ККТ В ОБЩ.ПИТАНИИ", "ККТ В ОПТ.ТОРГ.С ОРГ.И ИП"};

vuBox *boxOf(vuObject *o) { return dynamic_cast<vuBox *>(o); }

unsigned listValue(vuObject *o)
{
    vuBox *b = boxOf(o);
    return b ? b->GetSelected() : 0;
}

void setList(vuObject *o, unsigned value)
{
    if (vuBox *b = boxOf(o))
        b->SetValue(value);
}

// Sends the probe of the controller's marking answer: a short answer means
// the three usage items are to be added. No runner, no lock, no box.
bool usageItemsWanted()
{
    TMCommand probe;
    return kfn_query_unlocked(probe, probe.GetMarkStatusOf(0), 5000) && probe.FieldCount() <= 6;
}

class Wizard {
public:
    Wizard(vuUI *ui, const char *title, int ffd) : ui_(ui), title_(title), ffd_(ffd) {}

    void Run()
    {
        ReadRegistrationTotals(ui_);
        if (Build()) {
            Prefill();
            Loop();
        }
        pages_.clear();
    }

private:
    bool ffd12() const { return ffd_ == 4; }
    vuObject *w(Widget k) const { return widgets_[k]; }
    const char *text(Widget k) const { return widget_text(widgets_[k]); }
    unsigned modes() const { return listValue(w(W_KKTMODE)) & 0x1FF; }

    bool Build()
    {
        const PageSpec *const *specs = ffd12() ? kPages12 : kPages105;
        const int count = reg_page_count(ffd12());
        pages_.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const PageSpec &spec = *specs[i];
            pages_.emplace_back(ui_, spec.file);
            ScopedDialog &page = pages_.back();
            if (!page)
                return false;
            for (int k = 0; k < spec.count; ++k)
                widgets_[spec.widgets[k]] = page.field(kWidgetNames[spec.widgets[k]]);
            if (&spec == &kUsage && usageItemsWanted())
                if (vuBox *list = boxOf(widgets_[W_KKTMODE12]))
                    for (const char *item : kUsageExtra)
                        list->AddItem(item, nullptr);
            char header[256];
            str_format(header, sizeof header, "%s %u", title_ ? title_ : "", i + 1);
            page.form()->SetHeaderText(header);
            page.reset();
        }
        return true;
    }

    // A settings text (UTF-8) into its widget; absent keys leave it alone
    // unless there is a fallback.
    void presetText(Widget k, const char *key, const char *fallback = nullptr)
    {
        const char *value = settings_get(kRegistrationSection, key);
        if (!value)
            value = fallback;
        if (!value)
            return;
        char text[512];
        utf8_to_cp1251(value, text, sizeof text);
        widget_set_text(w(k), text);
    }
    // A value kept as typed.
    void presetTyped(Widget k, const char *key)
    {
        if (const char *value = settings_get(kRegistrationSection, key)) {
            char text[512];
            str_copy(text, value, sizeof text);
            widget_set_text(w(k), text);
        }
    }
    static bool settingNumber(const char *key, unsigned long *out)
    {
        const char *value = settings_get(kRegistrationSection, key);
        if (!value)
            return false;
        *out = strtoul(value, nullptr, 10);
        return true;
    }

    void Prefill()
    {
        const RegistrationRecord &r = registration_record;
        if (r.filled) {
            widget_set_text(w(W_FIRMNAME), r.user_name);
            widget_set_text(w(W_FIRMINN), r.user_inn);
            widget_set_text(w(W_FIRMADDR), r.address);
            widget_set_text(w(W_FIRMPLACE), r.place);
            widget_set_text(w(W_NAME), r.cashier);
            widget_set_text(w(W_INN), r.cashier_inn);
            widget_set_text(w(W_INNOFD), r.ofd_inn);
            widget_set_text(w(W_NAMEOFD), r.ofd_name);
            widget_set_text(w(W_FNS), r.fns_site);
            widget_set_text(w(W_EMAIL), r.sender_email);
            widget_set_text(w(W_REG), r.reg_number);
            widget_set_text(w(W_NUMAUTO), r.automat_number);
            setList(w(W_TAXMODE), r.tax_systems);
            setList(w(W_KKTMODE), r.work_modes);
            if (ffd12()) {
                setList(w(W_KKTMODE12), r.usage_flags);
                widget_set_text(w(W_DOREQOR), r.tag_1274);
                widget_set_text(w(W_DODATAOR), r.tag_1275);
            } else {
                setList(w(W_AGENT), r.agent);
            }
            return;
        }
        presetText(W_FIRMNAME, "FirmName", u8"ООО");
        presetTyped(W_FIRMINN, "FirmINN");
        presetText(W_FIRMADDR, "FirmAddr");
        presetText(W_FIRMPLACE, "FirmPlace");
        presetText(W_NAME, "SellerName");
        presetTyped(W_INN, "SellerINN");
        presetTyped(W_INNOFD, "OFD_INN");
        presetText(W_NAMEOFD, "OFD");
        presetText(W_FNS, "FNS", kRegistrationFnsSite);
        presetText(W_EMAIL, "email");
        presetTyped(W_REG, "Reg");
        presetTyped(W_NUMAUTO, "NumAuto");
        unsigned long v;
        setList(w(W_TAXMODE), settingNumber("TaxMode", &v) ? static_cast<unsigned>(v) : 1u);
        if (settingNumber("KKTmode", &v)) {
            if (ffd12()) {
                uint16_t m, u;
                reg_modes12_from_command(static_cast<uint32_t>(v), &m, &u);
                setList(w(W_KKTMODE), m);
                setList(w(W_KKTMODE12), u);
            } else {
                setList(w(W_KKTMODE), reg_modes_from_command(static_cast<uint32_t>(v)));
            }
        }
        if (!ffd12() && settingNumber("Agent", &v))
            setList(w(W_AGENT), static_cast<unsigned>(v));
    }

    void Loop()
    {
        const int count = reg_page_count(ffd12());
        int page = 1;
        for (;;) {
            const bool accepted = pages_[static_cast<size_t>(page - 1)].show() == 1;
            int next = reg_page_move(ffd12(), page, accepted, (modes() & 0x04) != 0);
            if (next == 0)
                return;
            if (next <= count) {
                page = next;
                continue;
            }
            switch (Attempt()) {
            case kStay:
                break; // the last page again
            case kFirstPage:
                page = 1;
                break;
            default:
                return;
            }
        }
    }

    enum Outcome { kStay, kFirstPage, kDone };

    Outcome Attempt()
    {
        const uint8_t reason = reg_reason_code(listValue(w(W_REASON)));
        uint32_t mask = 0;
        if (ffd_ >= 3 && reason != 0) {
            int64_t chosen = SelectReregistrationReasons(ui_, ffd_);
            if (chosen < 0)
                return kStay;
            if (chosen & REG_REASON_MODEL) {
                error_box(ui_, "Ошибка при исполнении команды 04: Для смены версии ККТ вы должны обратиться к "
                               "изготовителю ККТ!");
                return kStay;
            }
            mask = static_cast<uint32_t>(chosen);
        }
        char padded[REG_NUMBER_WIDTH + 1], sequence[REG_NUMBER_WIDTH + 1];
        if (reg_number_forms(text(W_REG), padded, sequence) != 0) {
            error_box(ui_, "ВВЕДЕН НЕ КОРРЕКТНЫЙ РЕГИСТРАЦИОННЫЙ НОМЕР КАССЫ\n\nПОВТОРИТЕ ВВОД");
            return kFirstPage;
        }
        if (message_box(ui_, "ВНИМАНИЕ", "ВЫ ПРОВОДИТЕ РЕГИСТРАЦИЮ\n\nПРОДОЛЖИТЬ?", MB_OK | MB_CANCEL) != MB_RESULT_OK)
            return kStay;

        TMCommand cmd;
        if (cmd.SyncDateTime() > 0)
            kfn_exec(ui_, &cmd, 5000);
        const uint8_t tax = static_cast<uint8_t>(listValue(w(W_TAXMODE)));
        const uint8_t agent = ffd12() ? 0 : static_cast<uint8_t>(listValue(w(W_AGENT)));
        const uint16_t usage = static_cast<uint16_t>(listValue(w(W_KKTMODE12)) & 0x7F);
        const uint32_t setting =
            ffd12() ? reg_modes12_to_command(static_cast<uint16_t>(modes()), usage) : reg_modes_to_command(modes());
        int built;
        if (ffd_ == 4)
            built = cmd.Register12(text(W_FIRMNAME), text(W_FIRMINN), tax, padded, setting | REG_MODES_FFD12,
                                   text(W_NUMAUTO), text(W_NAME), text(W_INN), text(W_FIRMADDR), text(W_INNOFD),
                                   sequence, reason, 0, 0, text(W_NAMEOFD), text(W_EMAIL), text(W_FNS),
                                   text(W_FIRMPLACE), mask, text(W_DOREQOR), text(W_DODATAOR));
        else if (ffd_ == 3)
            built = cmd.Register11(text(W_FIRMNAME), text(W_FIRMINN), tax, padded,
                                   static_cast<uint16_t>(setting | REG_MODES_FFD11), text(W_NUMAUTO), text(W_NAME),
                                   text(W_INN), text(W_FIRMADDR), text(W_INNOFD), sequence, reason, 0, agent,
                                   text(W_NAMEOFD), text(W_EMAIL), text(W_FNS), text(W_FIRMPLACE), mask);
        else
            built = cmd.Register(text(W_FIRMNAME), text(W_FIRMINN), tax, padded, static_cast<uint16_t>(setting),
                                 text(W_NUMAUTO), text(W_NAME), text(W_INN), text(W_FIRMADDR), text(W_INNOFD),
                                 sequence, reason, 0, agent, text(W_NAMEOFD), text(W_EMAIL), text(W_FNS),
                                 text(W_FIRMPLACE));
        const int result = kfn_run_print(ui_, cmd, built, 0);
        if (result == 0)
            message_box(ui_, "ВНИМАНИЕ", "РЕГИСТРАЦИЯ ФН ВЫПОЛНЕНА УСПЕШНО!", MB_OK);
        Save(tax, agent, setting);
        return result == 2 ? kFirstPage : kDone;
    }

    void saveText(Widget k, const char *key)
    {
        char utf8[1024];
        cp1251_to_utf8(text(k), utf8, sizeof utf8);
        settings_set(kRegistrationSection, key, utf8);
    }
    static void saveNumber(const char *key, unsigned long value)
    {
        char number[16];
        str_format(number, sizeof number, "%lu", value);
        settings_set(kRegistrationSection, key, number);
    }

    void Save(uint8_t tax, uint8_t agent, uint32_t modesSetting)
    {
        saveText(W_FIRMNAME, "FirmName");
        settings_set(kRegistrationSection, "FirmINN", text(W_FIRMINN));
        saveText(W_FIRMADDR, "FirmAddr");
        saveText(W_FIRMPLACE, "FirmPlace");
        saveText(W_NAME, "SellerName");
        settings_set(kRegistrationSection, "SellerINN", text(W_INN));
        settings_set(kRegistrationSection, "OFD_INN", text(W_INNOFD));
        saveText(W_NAMEOFD, "OFD");
        saveText(W_FNS, "FNS");
        saveText(W_EMAIL, "email");
        settings_set(kRegistrationSection, "Reg", text(W_REG));
        saveNumber("TaxMode", tax);
        saveNumber("KKTmode", modesSetting);
        if (!ffd12())
            saveNumber("Agent", agent);
        settings_set(kRegistrationSection, "NumAuto", text(W_NUMAUTO));
        settings_save();
    }

    vuUI *ui_;
    const char *title_;
    int ffd_; // 2 FFD 1.05, 3 FFD 1.1, 4 FFD 1.2
    std::vector<ScopedDialog> pages_;
    vuObject *widgets_[W_COUNT] = {};
};

} // namespace

int SelectFfdVersion(vuUI *ui, int level)
{
    ScopedDialog d(ui, "kkt_dlg_select_registration.xml");
    if (!d) {
        log_format("registration: no FFD choice dialog, FFD 1.1 taken");
        return 2;
    }
    vuBox *select = boxOf(d.field("select"));
    vuObject *current = d.field("curr_ffd");
    if (level > 3 && select)
        select->AddItem("ФФД 1.2", nullptr);
    d.reset();
    if (vuMultiLine *text = dynamic_cast<vuMultiLine *>(current)) {
        const int version = kfn_ffd_version();
        const char *name = version == 2 ? "1.05" : version == 3 ? "1.1" : version == 4 ? "1.2" : "НЕИЗВЕСТЕН";
        char line[512];
        str_copy(line, text->GetValue() ? text->GetValue() : "", sizeof line);
        str_append(line, name, sizeof line);
        text->SetValue(line);
    }
    return d.show() == 1 && select ? static_cast<int>(select->GetSelected()) : -1;
}

void RegisterKktFfd105(vuUI *ui, const char *title) { Wizard(ui, title, 2).Run(); }
void RegisterKktFfd11(vuUI *ui, const char *title) { Wizard(ui, title, 3).Run(); }
void RegisterKktFfd12(vuUI *ui, const char *title) { Wizard(ui, title, 4).Run(); }

// menu: fn_reg
int CmdRegisterKkt(vuUI *ui, const char *title)
{
    const uint16_t level = kfn_ffd_kind();
    if (level == 3 || level == 4) {
        switch (SelectFfdVersion(ui, level)) {
        case 1:
            RegisterKktFfd105(ui, title);
            break;
        case 2:
            RegisterKktFfd11(ui, title);
            break;
        case 3:
            RegisterKktFfd12(ui, title);
            break;
        default:
            break;
        }
    } else {
        RegisterKktFfd105(ui, title);
    }
    return fn_status_refresh(ui);
}
