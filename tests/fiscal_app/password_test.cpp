// The operator password dialog: wrong entries are refused with a box and the
// dialog comes back; only the exact password grants; a missing dialog
// grants nothing.
#include "FiscalFixture.h"

#include "password.h"

namespace fiscaltest {
namespace {

const char *kWrong = u8"ВНИМАНИЕ|ПАРОЛЬ НЕВЕРНЫЙ\n\nПОВТОРИТЕ ВВОД";
const char *kDialog = "kkt_dlg_pass_input.xml";

struct PasswordCase {
    const char *what;
    std::vector<Step> steps;
    int result;
    int wrongBoxes;
};

const uint16_t kBack = 14; // backspace

std::vector<PasswordCase> cases()
{
    return {
        {"right at once", {{kDialog, Digits("3846")}}, 1, 0},
        {"wrong, then right", {{kDialog, Digits("1234")}, {u8"ВНИМАНИЕ", {KEY_ENTER}},
                               {kDialog, {kBack, kBack, kBack, kBack, DigitKey('3'), DigitKey('8'), DigitKey('4'),
                                          DigitKey('6'), KEY_ENTER}}}, 1, 1},
        {"empty is wrong", {{kDialog, {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kDialog, {KEY_CANCEL}}}, 0, 1},
        {"three digits are wrong", {{kDialog, Digits("384")}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kDialog, {KEY_CANCEL}}},
         0, 1},
        {"cancel", {{kDialog, {KEY_CANCEL}}}, 0, 0},
    };
}

} // namespace

TEST_F(FiscalTest, PasswordDialog)
{
    Drive();
    for (const PasswordCase &c : cases()) {
        SCOPED_TRACE(c.what);
        size_t boxes = Boxes().size();
        Script(c.steps);
        EXPECT_EQ(ask_password(ui, "ЗАКРЫТИЕ ФН"), c.result);
        EndScript();
        std::vector<std::string> shown = Boxes(boxes);
        EXPECT_EQ(shown, std::vector<std::string>(static_cast<size_t>(c.wrongBoxes), kWrong));
    }
}

// The dialog's header is the title of the screen that asks.
TEST_F(FiscalTest, PasswordDialogTakesTheTitle)
{
    Drive();
    Script({{kDialog, Digits("3846")}});
    EXPECT_EQ(ask_password(ui, "МЕНЮ ИНСПЕКТОРА"), 1);
    EndScript();
    std::vector<Entry> forms = Trace("form");
    ASSERT_FALSE(forms.empty());
    EXPECT_EQ(forms.back().Get("header"), u8"МЕНЮ ИНСПЕКТОРА");
}

// Without its dialog the password is not given: the failure box, then -1,
// and the inspector entry starts nothing.
TEST_F(FiscalTest, PasswordWithoutItsDialogGrantsNothing)
{
    Drive();
    ASSERT_EQ(unlink("res"), 0);
    ASSERT_EQ(mkdir("res", 0777), 0);
    Script({{u8"ОШИБКА", {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    EXPECT_EQ(ask_password(ui, "X"), -1);
    inspector_menu(ui, 2);
    EndScript();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{u8"ОШИБКА|НЕ УДАЛОСЬ СОЗДАТЬ ДИАЛОГ (-1)\n\nkkt_dlg_pass_input.xml",
                                                 u8"ОШИБКА|НЕ УДАЛОСЬ СОЗДАТЬ ДИАЛОГ (-1)\n\nkkt_dlg_pass_input.xml"}));
}

} // namespace fiscaltest
