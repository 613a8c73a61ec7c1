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

namespace fiscaltest {

struct InspectorCase {
    const char *what;
    const char *apps; // the OS stand-in's applications table, null: none
    std::vector<std::string> boxes;
    bool ran;
};

// The inspector entry starts the controller service application with its
// argument once the password is given; without one it tells so.
TEST_F(FiscalTest, InspectorStartsTheServiceApplication)
{
    Drive();
    std::string marker = root + "/ran";
    std::string script = root + "/kkt.sh";
    FILE *f = fopen(script.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fprintf(f, "#!/bin/sh\necho \"$1\" > '%s'\n", marker.c_str());
    fclose(f);
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    std::string table = "FTEST|ftest|/bin/true|1.0|0\nKKTSERV|kkt|" + script + "|1.0|0\n";
    const InspectorCase kCases[] = {
        {"installed", table.c_str(), {}, true},
        {"not installed", nullptr,
         {u8"ОШИБКА|СЕРВИС KKT НЕ ДОСТУПЕН!\nУСТАНОВИТЕ СЕРВИС НА ТЕРМИНАЛ."}, false},
    };
    ASSERT_TRUE(mkdir((root + "/data/osal").c_str(), 0777) == 0 || errno == EEXIST);
    for (const InspectorCase &c : kCases) {
        SCOPED_TRACE(c.what);
        unlink((root + "/data/osal/apps").c_str());
        unlink(marker.c_str());
        if (c.apps) {
            std::ofstream out(root + "/data/osal/apps");
            out << c.apps;
        }
        size_t boxes = Boxes().size();
        std::vector<Step> steps = {{kDialog, Digits("3846")}};
        if (!c.boxes.empty())
            steps.push_back({u8"ОШИБКА", {KEY_ENTER}});
        Script(steps);
        inspector_menu(ui, 2);
        EndScript();
        EXPECT_EQ(Boxes(boxes), c.boxes);
        EXPECT_EQ(ReadFile(marker), c.ran ? "2\n" : "");
    }
}

// Cancelled, the password dialog starts nothing.
TEST_F(FiscalTest, InspectorWithoutThePasswordStartsNothing)
{
    Drive();
    Script({{kDialog, {KEY_CANCEL}}});
    inspector_menu(ui, 2);
    EndScript();
    EXPECT_TRUE(Boxes().empty());
}

} // namespace fiscaltest
