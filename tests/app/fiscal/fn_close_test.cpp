// Closing the fiscal drive behind the operator password, and the service
// starts, on the fiscal-drive stand-in.
#include "FiscalFixture.h"

#include "TMCommand.h"
#include "fn_close.h"
#include "kfn_state.h"

namespace fiscaltest {
namespace {

const char *kPass = "kkt_dlg_pass_input.xml";
const char *kClose = "kkt_dlg_fn_close.xml";
const char *kCloseTitle = u8"ЗАКРЫТИЕ ФН";

class FnCloseTest : public FiscalTest {
protected:
    void Cashier()
    {
        settings_set("CmdFNClose", "UserName", u8"Иванов И.И.");
        settings_set("CmdFNClose", "UserINN", "771234567890");
    }
    std::string Saved() { return ReadFile("data/kktsettings.xml"); }
    // The boxes shown, without the runner's wait texts.
    std::vector<std::string> Shown(size_t from = 0)
    {
        std::vector<std::string> out;
        for (const std::string &b : Boxes(from))
            if (b.rfind(u8"ПОДОЖДИТЕ", 0) != 0)
                out.push_back(b);
        return out;
    }
};

} // namespace

// The password, Cancel at the closing question (the dialog comes back with
// its inputs), then the closing: the report printed, the drive's fiscal mode
// over, the cashier kept.
TEST_F(FnCloseTest, ClosesTheDriveAfterThePasswordAndTheQuestion)
{
    Drive("drive shift closed 5\ndrive last-document 20\n");
    Cashier();
    Script({{kPass, Digits("3846")},
            {kClose, {KEY_ENTER}},
            {u8"ВНИМАНИЕ", {KEY_CANCEL}},
            {kClose, {KEY_ENTER}},
            {u8"ВНИМАНИЕ", {KEY_ENTER}},
            {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdFNClose(ui, kCloseTitle);
    EndScript();
    EXPECT_EQ(Taken(), std::vector<std::string>{"8D"});
    std::vector<std::string> f = LastFields(sim->JournalPath(), "8D");
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[2], u8"Иванов И.И.|771234567890");
    EXPECT_EQ(f[3], "01"); // item 2: the report is printed
    std::vector<std::string> boxes = Shown();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].rfind(u8"ВНИМАНИЕ|ВНИМАНИЕ!!!\nПОСЛЕ ЗАКРЫТИЯ ФН РАБОТА С КАССОЙ ВОЗМОЖНА ТОЛЬКО ПОСЛЕ "
                             u8"УСТАНОВКИ НОВОГО ФН!!!\n\nБУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ ЗАКРЫТИЯ ФН!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?",
                             0),
              0u);
    EXPECT_EQ(boxes[2], u8"ВНИМАНИЕ|УСПЕШНО ЗАКРЫТ АРХИВ ФН!");
    EXPECT_NE(Paper().find(u8"ОТЧЕТ О ЗАКРЫТИИ ФН"), std::string::npos) << Paper();
    kktsim::DriveState d = sim->Drive();
    EXPECT_EQ(d.phase, kktsim::kPhaseClosed);
    EXPECT_EQ(d.lastDocument, 21u);
    EXPECT_EQ(Saved().find(u8"Иванов И.И."), Saved().rfind(u8"Иванов И.И.")); // kept once
    EXPECT_NE(Saved().find("UserINN=\"771234567890\""), std::string::npos) << Saved();

    // The drive's fiscal commands are refused from now on.
    Script({{u8"ОШИБКА", {KEY_ENTER}}});
    TMCommand open;
    ASSERT_GT(open.OpenShift("X", "", "", "", ""), 0);
    EXPECT_GT(kfn_exec(ui, &open, 5000), 0);
    EndScript();
}

// Only a password actually given lets the closing on: a cancelled dialog
// and a dialog that cannot be built both end the screen before its dialog.
TEST_F(FnCloseTest, NoPasswordNoClosing)
{
    Drive();
    Cashier();
    // A wrong password, then Cancel.
    Script({{kPass, Digits("1111")}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kPass, {KEY_CANCEL}}});
    CmdFNClose(ui, kCloseTitle);
    EndScript();

    // Without the password dialog (its file gone, the closing dialog there):
    // the failure box and nothing else.
    ASSERT_EQ(unlink("res"), 0);
    ASSERT_EQ(mkdir("res", 0777), 0);
    ASSERT_EQ(symlink((std::string(SOURCE_DIR) + "/res/kkt_dlg_fn_close.xml").c_str(), "res/kkt_dlg_fn_close.xml"),
              0);
    size_t boxes = Trace("msgbox").size();
    Script({{u8"ОШИБКА", {KEY_ENTER}}});
    CmdFNClose(ui, kCloseTitle);
    EndScript();
    EXPECT_EQ(Boxes(boxes),
              std::vector<std::string>{u8"ОШИБКА|НЕ УДАЛОСЬ СОЗДАТЬ ДИАЛОГ (-1)\n\nkkt_dlg_pass_input.xml"});
    EXPECT_EQ(Taken(), std::vector<std::string>{});
    EXPECT_EQ(sim->Drive().phase, kktsim::kPhaseFiscal);
}

// A closing without a cashier's name is refused on the spot; leaving the
// dialog saves nothing.
TEST_F(FnCloseTest, TheCashiersNameIsRequired)
{
    Drive();
    Script({{kPass, Digits("3846")}, {kClose, {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}, {kClose, {KEY_CANCEL}}});
    CmdFNClose(ui, kCloseTitle);
    EndScript();
    EXPECT_EQ(Boxes(), std::vector<std::string>{u8"ОШИБКА|НЕ ВВЕДЕНО ИМЯ КАССИРА!"});
    EXPECT_EQ(Taken(), std::vector<std::string>{});
    EXPECT_EQ(Saved().find("CmdFNClose"), std::string::npos);
}

// A closing the drive refuses (the shift is open) still keeps what was
// typed; the report mode item 1 sends 0.
TEST_F(FnCloseTest, ARefusedClosingKeepsTheCashier)
{
    Drive("drive shift open 3\n");
    Cashier();
    Script({{kPass, Digits("3846")},
            {kClose, {KEY_DOWN, KEY_DOWN, DigitKey('2'), DigitKey('5'), KEY_DOWN, KEY_ENTER}},
            {u8"ВНИМАНИЕ", {KEY_ENTER}},
            {u8"ОШИБКА", {KEY_ENTER}}});
    CmdFNClose(ui, kCloseTitle);
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "8D").at(3), "00");
    EXPECT_EQ(sim->Drive().phase, kktsim::kPhaseFiscal);
    EXPECT_NE(Saved().find("UserINN=\"771234567890\""), std::string::npos) << Saved();
}

TEST_F(FnCloseTest, ServiceStarts)
{
    Drive("drive shift closed 7\n");
    Script({{u8"СТАРТ", {KEY_ENTER}}, {u8"СМЕНА", {KEY_ENTER}}});
    CmdTechStart(ui, "СТАРТ");
    CmdTechInfo(ui, "СМЕНА");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"01", "03"}));
    std::vector<std::string> shown = Shown();
    // The drive never opened a shift: its date and time come empty.
    EXPECT_EQ(shown, (std::vector<std::string>{
                         u8"СТАРТ|УСПЕШНО!",
                         u8"СМЕНА|ОСТ.ПЕРЕРЕГИСТРАЦИЙ: 11\nПОСЛЕДНЯЯ СМЕНА: 7\nДАТА СМЕНЫ: ''\nВРЕМЯ СМЕНЫ: ''\n"}));
}

} // namespace fiscaltest
