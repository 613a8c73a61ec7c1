// The cashier's day on the fiscal-drive stand-in, screen by screen: keys
// into the dialogs and boxes, and out the commands the stand-in took, its
// paper log, its counters and the saved settings.
#include "FiscalFixture.h"

#include "TMCommand.h"
#include "kfn_state.h"
#include "shift_cash.h"

namespace fiscaltest {
namespace {

const char *kOpenDialog = "kkt_dlg_shift_open.xml";
const char *kCloseDialog = "kkt_dlg_shift_close.xml";
const char *kToCash = "kkt_dlg_to_cash.xml";
const char *kFromCash = "kkt_dlg_from_cash.xml";

std::string drawerBox(const char *title, bool deposit, const char *before, const char *after)
{
    std::string s = std::string(title) + u8"|ЗАВЕРШЕННО УСПЕШНО!\n\nСУММА ДЕН.ЯЩИКА\n";
    s += deposit ? u8"ДО ПОДКРЕПЛЕНИЯ:\n" : u8"ДО ИНКАССАЦИИ:\n";
    s += before;
    s += deposit ? u8"\nПОСЛЕ ПОДКРЕПЛЕНИЯ:\n" : u8"\nПОСЛЕ ИНКАССАЦИИ:\n";
    s += after;
    return s;
}

class ShiftCashTest : public FiscalTest {
protected:
    // The cashier's names and texts as a previous day left them.
    void Names()
    {
        settings_set("CmdShiftOpen", "Operator", u8"Иванов И.И.");
        settings_set("CmdShiftOpen", "OperatorINN", "771234567890");
        settings_set("CmdShiftOpen", "Message", u8"Доброе утро");
        settings_set("CmdCloseShift", "Operator", u8"Петров П.П.");
        settings_set("CmdToCash", "Seller", u8"Сидорова");
        settings_set("CmdFromCash", "Seller", u8"Сидорова");
    }
    std::string SavedSettings() { return ReadFile("data/kktsettings.xml"); }
};

} // namespace

// Open the shift, deposit 5.00, the shift report (the paper runs out and is
// put back), withdraw more than the drawer holds, withdraw 2.00, close the
// shift.
TEST_F(ShiftCashTest, CashiersDay)
{
    Drive("drive shift closed 4\ndrive last-document 10\n");
    Names();

    Script({{kOpenDialog, {KEY_ENTER}}});
    CmdShiftOpen(ui, "ОТКРЫТИЕ СМЕНЫ");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "02").size(), 6u);
    EXPECT_EQ(LastFields(sim->JournalPath(), "02")[2], u8"Иванов И.И.|771234567890");
    EXPECT_EQ(LastFields(sim->JournalPath(), "02")[3], u8"Доброе утро");
    EXPECT_EQ(kfn_flags() & 0x0800, 0x0800);

    Script({{kToCash, Digits("500")}, {u8"ВНЕСЕНИЕ", {KEY_ENTER}}});
    CmdToCash(ui, "ВНЕСЕНИЕ");
    EndScript();

    sim->SetPaperOut(true);
    Script({{kWait, {}}, {u8"ВНИМАНИЕ", {KEY_ENTER}, [this]() { sim->SetPaperOut(false); }}, {kWait, {}}});
    CmdShiftReport(ui, "ОТЧЕТ БЕЗ ГАШЕНИЯ");
    EndScript();

    Script({{kFromCash, Digits("10000")}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdFromCash(ui, "ИЗЪЯТИЕ");
    EndScript();

    Script({{kFromCash, Digits("200")}, {u8"ИЗЪЯТИЕ", {KEY_ENTER}}});
    CmdFromCash(ui, "ИЗЪЯТИЕ");
    EndScript();

    // Down to the check box past the INN, and check it: the report is
    // printed.
    Script({{kCloseDialog, {KEY_DOWN, KEY_DOWN, DigitKey('5'), DigitKey('5'), KEY_ENTER}},
            {kWait, {}}});
    CmdCloseShift(ui, "ЗАКРЫТИЕ СМЕНЫ");
    EndScript();

    // The marking mode is asked once, before the first shift opening.
    EXPECT_EQ(Taken(), (std::vector<std::string>{"88", "02", "32", "30", "1D", "30", "33", "33", "31"}));
    std::vector<std::string> boxes;
    for (const std::string &b : Boxes())
        if (b.rfind(kWait, 0) != 0) // the wait texts of the runner
            boxes.push_back(b);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0], drawerBox(u8"ВНЕСЕНИЕ", true, "0.00", "5.00"));
    EXPECT_EQ(boxes[1], u8"ВНИМАНИЕ|В ПРИНТЕРЕ НЕТ БУМАГИ\n\nУСТАНОВИТЕ НОВЫЙ РУЛОН И НАЖМИТЕ КНОПКУ ОК\n\n");
    EXPECT_EQ(boxes[2].rfind(u8"ОШИБКА|ОШИБКА при выполнении команды 33:\n12:", 0), 0u) << boxes[2];
    EXPECT_EQ(boxes[3], drawerBox(u8"ИЗЪЯТИЕ", false, "5.00", "3.00"));

    EXPECT_EQ(LastFields(sim->JournalPath(), "33")[2], "2.00");
    EXPECT_EQ(LastFields(sim->JournalPath(), "31")[2], u8"Петров П.П.");
    EXPECT_EQ(LastFields(sim->JournalPath(), "31")[5], "01");

    std::string paper = Paper();
    EXPECT_TRUE(InOrder(paper, {u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ", u8"ВНЕСЕНИЕ", "5.00", u8"ОТЧЕТ БЕЗ ГАШЕНИЯ", u8"ВЫПЛАТА",
                                "2.00", u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"}))
        << paper;
    EXPECT_EQ(paper.find("100.00"), std::string::npos) << paper;
    EXPECT_EQ(paper.find(u8"ОТЧЕТ БЕЗ ГАШЕНИЯ"), paper.rfind(u8"ОТЧЕТ БЕЗ ГАШЕНИЯ")) << "printed once";

    kktsim::DriveState d = sim->Drive();
    EXPECT_FALSE(d.shiftOpen);
    EXPECT_EQ(d.shiftNumber, 5);
    EXPECT_EQ(d.shift.deposits, 500);
    EXPECT_EQ(d.shift.withdrawals, 200);
    EXPECT_EQ(d.drawer, 300);
    EXPECT_EQ(d.lastDocument, 10u + 2u); // the opening and the closing
    EXPECT_EQ(kfn_flags() & 0x0800, 0);

    std::string saved = SavedSettings();
    EXPECT_NE(saved.find(u8"Иванов И.И."), std::string::npos) << saved;
    EXPECT_NE(saved.find(u8"Сидорова"), std::string::npos) << saved;
}

// A second opening is refused by the drive and shown; nothing is printed.
TEST_F(ShiftCashTest, OpeningAnOpenShiftShowsTheRefusal)
{
    Drive("drive shift open 3\n");
    Names();
    Script({{kOpenDialog, {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdShiftOpen(ui, "ОТКРЫТИЕ СМЕНЫ");
    EndScript();
    std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n02 КОМАНДА");
    EXPECT_EQ(boxes[1].rfind(u8"ОШИБКА|ОШИБКА при выполнении команды 02:\n29:", 0), 0u) << boxes[1];
    EXPECT_EQ(sim->Drive().shiftNumber, 3);
    EXPECT_EQ(Paper(), "");
    // The attempt reached the drive: what was typed is kept.
    EXPECT_NE(SavedSettings().find(u8"Иванов И.И."), std::string::npos);
}

// The closing dialog's "print the report" box starts unchecked (the form's
// reset clears it; only the texts are preset), so a closing accepted as it
// comes sends print byte 00: the drive closes the shift without paper. A
// closing the drive refuses still keeps what was typed.
struct CloseCase {
    const char *what;
    const char *scenario;
    std::vector<std::string> boxes; // message boxes shown, prefixes
    bool shiftOpenAfter;
};

TEST_F(ShiftCashTest, ClosingAsItComesPrintsNoReport)
{
    const CloseCase kCases[] = {
        {"open shift, paper out", "drive shift open 7\n", {}, false},
        {"no shift to close", "drive shift closed 7\n", {u8"ОШИБКА|ОШИБКА при выполнении команды 31:\n25:"}, false},
    };
    for (const CloseCase &c : kCases) {
        SCOPED_TRACE(c.what);
        sim->ForgetDrive();
        Drive(c.scenario);
        settings_free();
        settings_new();
        Names();
        sim->SetPaperOut(true);
        size_t boxes = Boxes().size();
        std::vector<Step> steps = {{kCloseDialog, {KEY_ENTER}}, {kWait, {}}};
        for (size_t i = 0; i < c.boxes.size(); ++i)
            steps.push_back({u8"ОШИБКА", {KEY_ENTER}});
        Script(steps);
        CmdCloseShift(ui, "ЗАКРЫТИЕ СМЕНЫ");
        EndScript();
        sim->SetPaperOut(false);

        std::vector<std::string> f = LastFields(sim->JournalPath(), "31");
        ASSERT_EQ(f.size(), 6u);
        EXPECT_EQ(f[2], u8"Петров П.П.");
        EXPECT_EQ(f[5], "00");
        std::vector<std::string> shown = Boxes(boxes);
        ASSERT_EQ(shown.size(), c.boxes.size());
        for (size_t i = 0; i < c.boxes.size(); ++i)
            EXPECT_EQ(shown[i].rfind(c.boxes[i], 0), 0u) << shown[i];
        EXPECT_EQ(sim->Drive().shiftOpen, c.shiftOpenAfter);
        EXPECT_EQ(sim->Drive().shiftNumber, 7);
        EXPECT_EQ(Paper().find(u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"), std::string::npos) << Paper();
        EXPECT_NE(SavedSettings().find(u8"Петров П.П."), std::string::npos);
    }
}

struct NoNameCase {
    const char *dialog;
    void (*handler)(vuUI *, const char *);
    const char *scenario;
};

// Without a cashier's name the dialog comes back after the box; cancel
// then sends nothing and saves nothing.
TEST_F(ShiftCashTest, ShiftDialogsNeedTheCashiersName)
{
    const NoNameCase kCases[] = {{kOpenDialog, CmdShiftOpen, "drive shift closed\n"},
                                 {kCloseDialog, CmdCloseShift, "drive shift open 1\n"}};
    for (const NoNameCase &c : kCases) {
        SCOPED_TRACE(c.dialog);
        sim->ForgetDrive();
        Drive(c.scenario);
        size_t taken = TakenCount(), boxes = Boxes().size();
        Script({{c.dialog, {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}, {c.dialog, {KEY_CANCEL}}});
        c.handler(ui, "T");
        EndScript();
        EXPECT_EQ(Boxes(boxes), (std::vector<std::string>{u8"ОШИБКА|НЕ ВВЕДЕНО ИМЯ КАССИРА!"}));
        // Only the marking mode may have been asked before the dialog.
        for (const std::string &code : Taken(taken))
            EXPECT_EQ(code, "88");
        EXPECT_EQ(SavedSettings(), "");
    }
}

struct CashCase {
    const char *what;
    void (*handler)(vuUI *, const char *);
    const char *dialog;
    const char *seller; // settings, null: absent
    std::vector<uint16_t> keys;
    std::vector<std::string> fields; // of the command, from field 3
};

// The sum typed in kopecks goes as roubles with two decimals; the name goes
// only when there is one.
TEST_F(ShiftCashTest, CashSumAndName)
{
    const CashCase kCases[] = {
        {"five kopecks", CmdToCash, kToCash, u8"Сидорова", Digits("5"), {"0.05", u8"Сидорова"}},
        {"the preset 1.00", CmdToCash, kToCash, u8"Сидорова", {KEY_ENTER}, {"1.00", u8"Сидорова"}},
        {"no name", CmdFromCash, kFromCash, nullptr, Digits("50"), {"0.50"}},
    };
    for (const CashCase &c : kCases) {
        SCOPED_TRACE(c.what);
        sim->ForgetDrive();
        Drive("drive shift open 1\ndrive drawer 10.00\n");
        settings_free();
        settings_new();
        if (c.seller)
            settings_set(c.handler == CmdToCash ? "CmdToCash" : "CmdFromCash", "Seller", c.seller);
        Script({{c.dialog, c.keys}, {"T", {KEY_ENTER}}});
        c.handler(ui, "T");
        EndScript();
        std::vector<std::string> f = LastFields(sim->JournalPath(), c.handler == CmdToCash ? "32" : "33");
        ASSERT_GE(f.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(f.begin() + 2, f.end()), c.fields);
    }
}

// A zero sum is refused before any command; cancel saves nothing.
TEST_F(ShiftCashTest, ZeroSumIsRefused)
{
    Drive("drive shift open 1\n");
    Script({{kToCash, Digits("0")}, {u8"ОШИБКА", {KEY_ENTER}}, {kToCash, {KEY_CANCEL}}});
    CmdToCash(ui, "T");
    EndScript();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{u8"ОШИБКА|НЕ ВВЕДЕНА СУММА!"}));
    EXPECT_TRUE(Taken().empty());
    EXPECT_EQ(SavedSettings(), "");
}

// Annulling: the box only when the drive cancelled; in marking mode the
// code checks are reset whatever the cancel gave.
struct CancelCase {
    const char *what;
    bool receiptOpen;
    int marking;
    std::vector<std::string> taken;
    std::string box;
};

TEST_F(ShiftCashTest, ReceiptCancel)
{
    const CancelCase kCases[] = {
        {"open receipt", true, 0, {"17"}, u8"ОТМЕНА ЧЕКА|ЧЕК АННУЛИРОВАН!"},
        {"nothing open", false, 0, {"17"}, u8"ОШИБКА|ОШИБКА при выполнении команды 17:\n0D:"},
        {"nothing open, marking on", false, 1, {"17", "23"}, u8"ОШИБКА|ОШИБКА при выполнении команды 17:\n0D:"},
    };
    for (const CancelCase &c : kCases) {
        SCOPED_TRACE(c.what);
        sim->ForgetDrive();
        Drive("drive shift open 1\n");
        if (c.receiptOpen) {
            TMCommand open;
            ASSERT_GT(open.OpenDocument(0, "X", "", "", "", 0, 0, "", ""), 0);
            ASSERT_EQ(kfn_exec(nullptr, &open, 5000), 0);
        }
        kfn_state.marking_mode = c.marking;
        size_t taken = TakenCount(), boxes = Boxes().size();
        Script({{c.receiptOpen ? u8"ОТМЕНА ЧЕКА" : u8"ОШИБКА", {KEY_ENTER}}});
        CmdReceiptCancel(ui, "ОТМЕНА ЧЕКА");
        EndScript();
        EXPECT_EQ(Taken(taken), c.taken);
        std::vector<std::string> shown = Boxes(boxes);
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[1].rfind(c.box, 0), 0u) << shown[1];
        EXPECT_EQ(sim->Drive().docType, 0);
    }
}

// The opening's fields come from the dialog as the settings preset it: an
// empty INN sends the cashier's name without a bar, the comment is the
// "comment" text.
TEST_F(ShiftCashTest, OpeningSendsTheDialogsTexts)
{
    Drive("drive shift closed\n");
    settings_set("CmdShiftOpen", "Operator", u8"Иванов И.И.");
    settings_set("CmdShiftOpen", "Add", u8"касса 2");
    settings_set("CmdShiftOpen", "Shift", u8"утренняя");
    Script({{kOpenDialog, {KEY_ENTER}}});
    CmdShiftOpen(ui, "T");
    EndScript();
    std::vector<std::string> f = LastFields(sim->JournalPath(), "02");
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(f.begin() + 2, f.end()),
              (std::vector<std::string>{u8"Иванов И.И.", "", u8"касса 2", u8"утренняя"}));
    std::string saved = SavedSettings();
    EXPECT_NE(saved.find(u8"Shift=\"утренняя\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("OperatorINN=\"\""), std::string::npos) << saved;
}

} // namespace fiscaltest
