#include "receipt_wizard.h"

#include <stdlib.h>
#include <string.h>

#include <memory>

#include "ServiceCommand.h"
#include "TMCommand.h"
#include "date_record.h"
#include "dec_money.h"
#include "dialog.h"
#include "kfn_state.h"
#include "mark_check.h"
#include "message_box.h"
#include "oism_worker.h"
#include "position_editor.h"
#include "print_runner.h"
#include "receipt_data.h"
#include "receipt_form.h"
#include "settings.h"
#include "str_helpers.h"
#include "tag_editor.h"
#include "vuForm.h"
#include "vuUI.h"
#include "widget_text.h"

namespace {

enum { kPages = 5, kTimeoutMs = 5000 };
enum { kStateLeft = 0, kStateAnnulled = 1, kStateFailed = 2 };

const char *kBuildFailed = "Ошибка создания команды.";

class Wizard {
public:
    Wizard(vuUI *ui, const char *title, int mode) : ui_(ui), title_(title ? title : ""), mode_(mode) {}
    void Run();

private:
    bool CreatePages();
    void DeletePages();
    void Preset();
    void SaveSettings();
    // One pass over the pages: true when the document was completed.
    bool Pass();
    bool Page0();
    // The positions of page 2: 1 build, 0 page 2 again, -1 leave the pass.
    int PositionList();
    // Checks the marked positions online: false when the cashier leaves.
    bool CheckMarked();
    // Builds the document up to its total: true when page 3 comes next.
    bool Build();
    bool Payment();
    bool Close();
    bool AskAnnul();
    void EndOfPass();
    // Runs a built command: true on success; a build failure shows its box,
    // a failed command sets the failed state when fatal is set.
    bool Exec(int built, bool fatal);
    void ReadAmount();

    vuUI *ui_;
    const char *title_;
    int mode_;
    bool ffd105_ = false;
    bool oism_ = false;
    vuForm *page_[kPages] = {};
    // page 0
    vuObject *isprint_ = nullptr, *type_ = nullptr, *copies_ = nullptr;
    // page 1
    vuObject *seller_ = nullptr, *sellerInn_ = nullptr, *taxMode_ = nullptr;
    // page 2
    vuObject *table_ = nullptr, *place_ = nullptr, *account_ = nullptr, *corrType_ = nullptr, *doc_ = nullptr,
             *date_ = nullptr, *comment_ = nullptr;
    // page 3
    vuObject *payType_ = nullptr, *drop_ = nullptr, *index_ = nullptr, *sum_ = nullptr, *add_ = nullptr,
             *payComment_ = nullptr;
    // page 4
    vuObject *phone_ = nullptr, *email_ = nullptr;

    std::unique_ptr<ReceiptPosition[]> positions_{new ReceiptPosition[RECEIPT_MAX_POSITIONS]};
    ReceiptTag tags_[RECEIPT_MAX_TAGS];
    int tagCount_ = 0;
    uint8_t receiptType_ = 0, taxModeByte_ = 0, payTypeByte_ = 0;
    char tagText_[1024];
    char amount_[DEC_RESULT_SIZE];
    int markRequired_ = 0;
    int state_ = kStateLeft;
    bool buyerSent_ = false; // the buyer lines went with the open document
    TMCommand cmd_;
};

const char *section(int mode) { return mode == 2 ? "FiscalCorr" : "FiscalReceipt"; }

bool Wizard::CreatePages()
{
    const bool corr = mode_ == RECEIPT_MODE_CORRECTION;
    const char *files[kPages] = {
        corr ? (ffd105_ ? "kkt_dlg_receipt_corr105_1.xml" : "kkt_dlg_receipt_corr_1.xml") : "kkt_dlg_receipt_open_1.xml",
        corr ? "kkt_dlg_receipt_corr_2.xml" : "kkt_dlg_receipt_open_2.xml",
        corr ? "kkt_dlg_receipt_corr_3.xml" : "kkt_dlg_receipt_open_3.xml",
        "kkt_dlg_receipt_payment.xml",
        "kkt_dlg_receipt_client.xml",
    };
    for (int i = 0; i < kPages; ++i) {
        vuForm *f = dialog_create(ui_, files[i]);
        if (!f) {
            DeletePages();
            return false;
        }
        page_[i] = f;
        switch (i) {
        case 0:
            isprint_ = f->GetByName("isprint");
            type_ = f->GetByName("type");
            copies_ = f->GetByName("copies");
            break;
        case 1:
            seller_ = f->GetByName("seller");
            sellerInn_ = f->GetByName("seller_inn");
            taxMode_ = f->GetByName("tax_mode");
            break;
        case 2:
            if (corr) {
                corrType_ = f->GetByName("type");
                doc_ = f->GetByName("doc");
                date_ = f->GetByName("date");
            } else {
                table_ = f->GetByName("table");
                place_ = f->GetByName("place");
                account_ = f->GetByName("account");
            }
            comment_ = f->GetByName("comment");
            break;
        case 3:
            payType_ = f->GetByName("type");
            drop_ = f->GetByName("drop");
            index_ = f->GetByName("index");
            sum_ = f->GetByName("sum");
            add_ = f->GetByName("add");
            payComment_ = f->GetByName("comment");
            break;
        case 4:
            phone_ = f->GetByName("phone");
            email_ = f->GetByName("email");
            break;
        }
        ui_->Add(f);
        f->Reset();
    }
    return true;
}

void Wizard::DeletePages()
{
    for (vuForm *&f : page_)
        if (f) {
            ui_->Del(f);
            f = nullptr;
        }
}

void Wizard::Preset()
{
    const char *sec = section(mode_);
    preset_converted(seller_, sec, "Seller", 1024);
    // the INN is set as it stands
    if (const char *inn = settings_get(sec, "SellerINN"))
        widget_set_text(sellerInn_, inn);
    if (mode_ == RECEIPT_MODE_CORRECTION)
        preset_converted(doc_, sec, "CorrDoc", 1024);
    else
        preset_converted(account_, sec, "Account", 1024);
    widget_set_text(copies_, "1");
    if (mode_ == RECEIPT_MODE_CORRECTION) {
        date_record now;
        now_date_record(&now);
        char text[16];
        str_format(text, sizeof text, "%02u%02u%02u", static_cast<unsigned>(now.day), static_cast<unsigned>(now.month),
                   static_cast<unsigned>(now.year % 100));
        widget_set_text(date_, text);
    }
}

void Wizard::SaveSettings()
{
    const char *sec = section(mode_);
    save_converted(seller_, sec, "Seller");
    save_raw(sellerInn_, sec, "SellerINN");
    if (mode_ == RECEIPT_MODE_CORRECTION)
        save_converted(doc_, sec, "CorrDoc");
    else
        save_converted(account_, sec, "Account");
    settings_save();
}

bool Wizard::Exec(int built, bool fatal)
{
    if (built <= 0) {
        message_box(ui_, "ОШИБКА", kBuildFailed, MB_OK | MB_ALERT);
        return false;
    }
    if (kfn_exec(ui_, &cmd_, kTimeoutMs) != 0) {
        if (fatal)
            state_ = kStateFailed;
        return false;
    }
    return true;
}

// Reply field 5 as kopecks without a point: the amount is brought to two
// decimals first, so another scale is not misread.
void Wizard::ReadAmount()
{
    str_copy(amount_, "000", sizeof amount_);
    char field[18];
    if (cmd_.FieldText(5, field, sizeof field) >= 0 && field[0]) {
        str_copy(amount_, field, sizeof amount_);
        dec_set_scale(amount_, 2);
    }
    dec_remove_point(amount_);
    widget_set_text(sum_, amount_);
}

bool Wizard::Page0()
{
    // "copies" goes as one byte: a larger number is refused, not wrapped
    // (an empty field is 0)
    const char *copies = widget_text(copies_);
    if (*copies && (!str_is_digits(copies) || strlen(copies) > 3 || strtoul(copies, nullptr, 10) > 255)) {
        message_box(ui_, "ОШИБКА", "НЕДОПУСТИМОЕ ЧИСЛО КОПИЙ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..255", MB_OK | MB_ALERT);
        return false;
    }
    markRequired_ = mode_ == RECEIPT_MODE_SALE && (list_item(type_) % 2) == 1 ? 1 : 0;
    return true;
}

bool Wizard::CheckMarked()
{
    for (int i = 0; i < RECEIPT_MAX_POSITIONS; ++i) {
        ReceiptPosition &p = positions_[i];
        if (p.kind != POSITION_MARKED)
            continue;
        p.check_result = 0;
        if (!p.mark_code[0])
            continue;
        p.gs1_kind = MarkGs1Kind(p.mark_code);
        p.code_tag = MarkCodeTag(p.mark_code);
        p.significant_length = MarkSignificantLength(p.mark_code);
        uint16_t type = MarkCodeTypeOf(p.mark_code, 0);
        if (type != 0x444D && type != 0)
            continue;
        char qty[24];
        point_text(p.quantity, 3, qty, sizeof qty);
        p.check_result = MarkCheckPosition(ui_, p.mark_code, p.planned_status, p.measure, qty, p.lot_size, p.name,
                                           p.gs1_kind, 1);
        if (p.check_result == -4) {
            memset(&p, 0, sizeof p);
        } else if (p.check_result == -1) {
            if (message_box(ui_, "ВНИМАНИЕ", "ОШИБКА ПРОВЕРКИ КМ\nВЫЙТИ ИЗ СОЗДАНИЯ ЧЕКА?", MB_OK | MB_CANCEL | MB_ALERT) ==
                MB_RESULT_OK)
                return false;
            memset(&p, 0, sizeof p);
            message_box(ui_, "ВНИМАНИЕ", "ПОЗИЦИЯ УДАЛЕНА ИЗ ЧЕКА\nДОБАВЬТЕ НОВУЮ ПОЗИЦИЮ", MB_OK | MB_ALERT);
        }
    }
    return true;
}

int Wizard::PositionList()
{
    for (;;) {
        int n = EditPositions(ui_, positions_.get(), mode_, markRequired_);
        if (n < 0)
            return 0;
        if (n > 0) {
            if (!CheckMarked())
                return -1;
            n = 0;
            for (int i = 0; i < RECEIPT_MAX_POSITIONS; ++i)
                if (positions_[i].kind != POSITION_FREE)
                    ++n;
        }
        if (n > 0)
            return 1;
        if (message_box(ui_, "ВНИМАНИЕ", "ЧЕК ПУСТОЙ!!!\nДОБАВИТЬ ПОЗИЦИЮ В ЧЕК?", MB_OK | MB_CANCEL | MB_ALERT) ==
            MB_RESULT_OK)
            continue;
        if (message_box(ui_, "ВНИМАНИЕ", "ВЫЙТИ ИЗ СОЗДАНИЯ ЧЕКА?", MB_OK | MB_CANCEL | MB_ALERT) == MB_RESULT_OK)
            return -1;
    }
}

bool Wizard::Build()
{
    message_box(ui_, "ПОДОЖДИТЕ", "СБОРКА ЧЕКА", MB_NOWAIT);
    const bool corr = mode_ == RECEIPT_MODE_CORRECTION;
    receiptType_ = receipt_type_of(mode_, ffd105_, list_item(type_));
    if (widget_checked(isprint_))
        receiptType_ |= 0x80;
    taxModeByte_ = tax_mode_of(list_item(taxMode_));

    tagText_[0] = 0;
    if (corr) {
        char part[300];
        str_format(part, sizeof part, "<1173>%u", correction_kind_of(list_item(corrType_)));
        tag_part_append(tagText_, sizeof tagText_, part);
        const char *d = widget_text(date_);
        if (correction_date_ok(d)) {
            str_format(part, sizeof part, "<1178>%c%c.%c%c.%c%c", d[0], d[1], d[2], d[3], d[4], d[5]);
            tag_part_append(tagText_, sizeof tagText_, part);
        }
        if (*widget_text(doc_)) {
            str_format(part, sizeof part, "<1179>%s", widget_text(doc_));
            tag_part_append(tagText_, sizeof tagText_, part);
        }
    }
    // every tag in use goes, whatever the tag editor answered last
    tag_part_append(tagText_, sizeof tagText_, TagsToText(tags_));
    tag_part_append(tagText_, sizeof tagText_, widget_text(comment_));

    uint8_t copies = static_cast<uint8_t>(strtoul(widget_text(copies_), nullptr, 10));
    buyerSent_ = false;
    if (!Exec(cmd_.OpenDocument(receiptType_, widget_text(seller_), widget_text(sellerInn_),
                                corr ? "" : widget_text(table_), corr ? "" : widget_text(place_), copies, taxModeByte_,
                                corr ? "" : widget_text(account_), tagText_),
              true))
        return false;

    for (int i = 0; i < RECEIPT_MAX_POSITIONS; ++i) {
        const ReceiptPosition &p = positions_[i];
        if (p.kind <= POSITION_FREE)
            continue;
        if (p.kind == POSITION_MARKED && p.mark_code[0]) {
            int n = static_cast<int>(strlen(p.mark_code));
            if (!Exec(cmd_.MarkCheckCode(static_cast<uint16_t>(p.code_tag), p.mark_code, n, p.significant_length, 0,
                                         p.gs1_kind, p.planned_status, 0, static_cast<uint8_t>(p.check_result & 0xFF)),
                      true))
                return false;
        }
        position_tag_text(p, tagText_, sizeof tagText_);
        char price[24], qty[40];
        point_text(p.price, 2, price, sizeof price);
        position_quantity_text(p, qty, sizeof qty);
        uint8_t tax = static_cast<uint8_t>(p.tax ? p.tax - 1 : 0);
        if (!Exec(cmd_.AddItem(p.name, p.code, price, qty, p.unit, tax, p.method, p.object, p.agent, p.department,
                               p.department_name, tagText_),
                  true))
            return false;
    }
    if (!Exec(cmd_.Subtotal(""), true))
        return false;
    ReadAmount();
    return true;
}

bool Wizard::Payment()
{
    unsigned item = list_item(payType_);
    unsigned type;
    if (item >= 1 && item <= 5) {
        type = item - 1;
    } else {
        // the index goes as one byte: only 0..15 are payment types
        const char *index = widget_text(index_);
        if (!str_is_digits(index) || strlen(index) > 2 || strtoul(index, nullptr, 10) > 15) {
            message_box(ui_, "ОШИБКА", "НЕДОПУСТИМЫЙ ИНДЕКС ВИДА ОПЛАТЫ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..15", MB_OK | MB_ALERT);
            return false;
        }
        type = static_cast<unsigned>(strtoul(index, nullptr, 10));
    }
    payTypeByte_ = static_cast<uint8_t>(type | (widget_checked(drop_) ? 0x80 : 0));
    char amount[48];
    point_text(widget_text(sum_), 2, amount, sizeof amount);
    if (!Exec(cmd_.AddPayment(payTypeByte_, amount, widget_text(add_), widget_text(payComment_)), false))
        return false;
    ReadAmount();
    return dec_is_zero(amount_) != 0;
}

bool Wizard::Close()
{
    // The buyer's contact goes once per opened document, whatever the
    // close gives; the results of these lines are not looked at.
    if (!buyerSent_) {
        char text[300];
        const char *phone = widget_text(phone_);
        if (*phone) {
            str_format(text, sizeof text, "ТЕЛ. ПОКУПАТЕЛЯ: +7%s", phone);
            if (cmd_.PrintText(text) > 0)
                kfn_exec(ui_, &cmd_, kTimeoutMs);
            str_format(text, sizeof text, "+7%s", phone);
            if (cmd_.AddTag(1008, text) > 0)
                kfn_exec(ui_, &cmd_, kTimeoutMs);
        }
        const char *email = widget_text(email_);
        if (*email) {
            str_format(text, sizeof text, "ЭЛ.АДР.ПОКУПАТЕЛЯ: %s", email);
            if (cmd_.PrintText(text) > 0)
                kfn_exec(ui_, &cmd_, kTimeoutMs);
            if (cmd_.AddTag(1008, email) > 0)
                kfn_exec(ui_, &cmd_, kTimeoutMs);
        }
        buyerSent_ = true;
    }
    int built = cmd_.CloseDocument();
    if (built <= 0) {
        message_box(ui_, "ОШИБКА", kBuildFailed, MB_OK | MB_ALERT);
        return false;
    }
    // not printed: no print wait, no status request
    int r = (receiptType_ & 0x80) ? kfn_exec(ui_, &cmd_, kTimeoutMs) : kfn_exec_print(ui_, &cmd_, 0);
    if (r != 0)
        return false;
    message_box(ui_, title_, "ЧЕК УСПЕШНО ЗАВЕРШЕН!", MB_OK);
    return true;
}

bool Wizard::AskAnnul()
{
    if (message_box(ui_, title_, "АННУЛИРОВАТЬ ЧЕК?", MB_OK | MB_CANCEL) != MB_RESULT_OK)
        return false;
    if (state_ != kStateFailed)
        state_ = kStateAnnulled;
    return true;
}

bool Wizard::Pass()
{
    state_ = kStateLeft;
    int index = 0;
    while (index >= 0 && index < kPages) {
        int result = show_page(ui_, page_[index]);
        bool ok = result == 1;
        switch (index) {
        case 0:
            if (result == 20) {
                tagCount_ = EditTags(ui_, tags_);
                break;
            }
            if (!ok)
                index = -1;
            else if (Page0())
                index = 1;
            break;
        case 1:
            index = ok ? 2 : 0;
            break;
        case 2: {
            if (!ok) {
                index = 1;
                break;
            }
            if (mode_ == RECEIPT_MODE_CORRECTION && *widget_text(date_) && !correction_date_ok(widget_text(date_))) {
                message_box(ui_, "ОШИБКА", "НЕВЕРНАЯ ДАТА КОРРЕКЦИИ\n\nВВЕДИТЕ ШЕСТЬ ЦИФР ДДММГГ", MB_OK | MB_ALERT);
                break;
            }
            int list = PositionList();
            if (list < 0)
                index = -1;
            else if (list > 0)
                index = Build() ? 3 : -1;
            break;
        }
        case 3:
            if (!ok) {
                if (AskAnnul())
                    index = -1;
            } else if (Payment()) {
                index = 4;
            }
            break;
        case 4:
            if (!ok) {
                if (AskAnnul())
                    index = -1;
            } else if (Close()) {
                index = kPages;
            }
            break;
        }
    }
    return index == kPages;
}

void Wizard::EndOfPass()
{
    if (!(kfn_flags() & KFN_CUR_DOC_OPEN))
        return;
    TMCommand cancel;
    if (cancel.CancelDocument() > 0) {
        if (kfn_exec(ui_, &cancel, kTimeoutMs) == 0) {
            message_box(ui_, title_, "ЧЕК АННУЛИРОВАН!", MB_OK);
            if (state_ != kStateFailed)
                state_ = kStateAnnulled;
        }
    } else {
        message_box(ui_, "ОШИБКА", kBuildFailed, MB_OK | MB_ALERT);
    }
    // the marking checks of the annulled document are dropped whatever the
    // cancel gave, straight through the service
    if (kfn_marking_mode() == 1) {
        TMCommand reset;
        if (reset.MarkCheckReset() > 0)
            ServiceExecute(reset, kTimeoutMs);
    }
}

void Wizard::Run()
{
    ffd105_ = kfn_ffd_version() == 2;
    if (!CreatePages())
        return;
    Preset();
    memset(positions_.get(), 0, sizeof(ReceiptPosition) * RECEIPT_MAX_POSITIONS);
    memset(tags_, 0, sizeof tags_);
    tagCount_ = 0;
    oism_ = !kfn_autonomous() && kfn_marking_mode() == 1;
    if (oism_)
        oism_session_open(ui_);

    for (;;) {
        if (Pass())
            break;
        EndOfPass();
        if (state_ != kStateFailed)
            break;
        if (message_box(ui_, title_, "ИСПРАВИТЬ ДАННЫЕ И ПОВТОРИТЬ СОЗДАНИЕ ЧЕКА?", MB_OK | MB_CANCEL | MB_ALERT) !=
            MB_RESULT_OK)
            break;
    }

    SaveSettings();
    if (oism_)
        oism_session_close();
    DeletePages();
}

} // namespace

void CmdFiscalReceipt(vuUI *ui, const char *title, int mode)
{
    std::unique_ptr<Wizard> w(new Wizard(ui, title, mode));
    w->Run();
}

// menu: receipt_fiscal
void CmdReceiptFiscal(vuUI *ui, const char *title) { CmdFiscalReceipt(ui, title, RECEIPT_MODE_SALE); }

// menu: receipt_correct
void CmdReceiptCorrect(vuUI *ui, const char *title) { CmdFiscalReceipt(ui, title, RECEIPT_MODE_CORRECTION); }
