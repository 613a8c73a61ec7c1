#include "receipt_wizard.h"

#include <stdlib.h>
#include <string.h>

#include <memory>
#include <vector>

#include "TMCommand.h"
#include "date_record.h"
#include "dec_money.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "mark_check.h"
#include "message_box.h"
#include "oism_worker.h"
#include "position_editor.h"
#include "receipt_builder.h"
#include "receipt_data.h"
#include "receipt_form.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "tag_editor.h"
#include "vuForm.h"
#include "vuUI.h"
#include "widget_text.h"

namespace {

enum { kPages = 5, kTimeoutMs = 5000 };
enum { kStateLeft = 0, kStateAnnulled = 1, kStateFailed = 2 };

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
    // The pages' entries as the builder takes them.
    ReceiptOpening Opening() const;
    ReceiptPayment PaymentEntry() const;
    ReceiptBuyer Buyer() const;

    vuUI *ui_;
    const char *title_;
    int mode_;
    bool ffd105_ = false;
    bool oism_ = false;
    std::vector<ScopedDialog> pages_;
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
    uint8_t receiptType_ = 0;
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
    pages_.reserve(kPages);
    for (int i = 0; i < kPages; ++i) {
        pages_.emplace_back(ui_, files[i]);
        if (!pages_.back()) {
            DeletePages();
            return false;
        }
        vuForm *f = pages_.back().form();
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
        pages_.back().reset();
    }
    return true;
}

void Wizard::DeletePages() { pages_.clear(); }

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
        build_failed_box(ui_);
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
    if (!receipt_copies_ok(widget_text(copies_))) {
        error_box(ui_, "НЕДОПУСТИМОЕ ЧИСЛО КОПИЙ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..255");
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

ReceiptOpening Wizard::Opening() const
{
    ReceiptOpening o;
    const bool corr = mode_ == RECEIPT_MODE_CORRECTION;
    o.mode = mode_;
    o.ffd105 = ffd105_;
    o.type_row = list_item(type_);
    o.no_paper = widget_checked(isprint_);
    o.copies = widget_text(copies_);
    o.seller = widget_text(seller_);
    o.seller_inn = widget_text(sellerInn_);
    o.tax_mode_row = list_item(taxMode_);
    if (corr) {
        o.correction_row = list_item(corrType_);
        o.correction_date = widget_text(date_);
        o.correction_doc = widget_text(doc_);
    } else {
        o.table = widget_text(table_);
        o.place = widget_text(place_);
        o.account = widget_text(account_);
    }
    o.comment = widget_text(comment_);
    o.tags = tags_;
    return o;
}

ReceiptPayment Wizard::PaymentEntry() const
{
    ReceiptPayment p;
    p.type_row = list_item(payType_);
    p.index = widget_text(index_);
    p.drop = widget_checked(drop_);
    p.sum = widget_text(sum_);
    p.extra = widget_text(add_);
    p.comment = widget_text(payComment_);
    return p;
}

ReceiptBuyer Wizard::Buyer() const
{
    ReceiptBuyer b;
    b.phone = widget_text(phone_);
    b.email = widget_text(email_);
    return b;
}

bool Wizard::Build()
{
    message_box(ui_, "ПОДОЖДИТЕ", "СБОРКА ЧЕКА", MB_NOWAIT);
    const ReceiptOpening opening = Opening();
    receiptType_ = receipt_document_type(opening);
    buyerSent_ = false;
    if (!receipt_build_document(opening, positions_.get(), RECEIPT_MAX_POSITIONS, cmd_,
                                [this](TMCommand &, int built) { return Exec(built, true); }))
        return false;
    ReadAmount();
    return true;
}

bool Wizard::Payment()
{
    const ReceiptPayment payment = PaymentEntry();
    uint8_t type = 0;
    if (!receipt_payment_type(payment, &type)) {
        error_box(ui_, "НЕДОПУСТИМЫЙ ИНДЕКС ВИДА ОПЛАТЫ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..15");
        return false;
    }
    if (!Exec(receipt_build_payment(payment, cmd_), false))
        return false;
    ReadAmount();
    return dec_is_zero(amount_) != 0;
}

bool Wizard::Close()
{
    // The buyer's contact goes once per opened document, whatever the
    // close gives; the results of these lines are not looked at.
    if (!buyerSent_) {
        receipt_build_buyer(Buyer(), cmd_, [this](TMCommand &cmd, int built) {
            if (built > 0)
                kfn_exec(ui_, &cmd, kTimeoutMs);
            return true;
        });
        buyerSent_ = true;
    }
    // not printed: no print wait, no status request
    const bool closed = (receiptType_ & 0x80) ? kfn_run(ui_, cmd_, cmd_.CloseDocument(), kTimeoutMs)
                                              : kfn_run_print(ui_, cmd_, cmd_.CloseDocument(), 0) == 0;
    if (!closed)
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
        int result = pages_[static_cast<size_t>(index)].show();
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
                error_box(ui_, "НЕВЕРНАЯ ДАТА КОРРЕКЦИИ\n\nВВЕДИТЕ ШЕСТЬ ЦИФР ДДММГГ");
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
        build_failed_box(ui_);
    }
    // the marking checks of the annulled document are dropped whatever the
    // cancel gave, straight through the service
    if (kfn_marking_mode() == 1) {
        TMCommand reset;
        if (reset.MarkCheckReset() > 0)
            kfn_exchange_unlocked(reset, kTimeoutMs);
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
