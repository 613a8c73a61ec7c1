// The battery through the whole program: on a low battery the shift report
// asks first (Cancel sends nothing, OK prints), on external power it does
// not ask, and the battery-type dialog writes "battery.xml" in the
// program's folder. The battery is the OS stand-in's file; the program's
// first measurement is taken when the status line goes up, long before the
// main menu waits for a key.
#include "CashdeskE2e.h"

#include <fstream>

namespace e2e {
namespace {

const char *kQuestion =
    u8"СЛИШКОМ CЛАБЫЙ ЗАРЯД БАТАРЕИ ДЛЯ ВЫПОЛНЕНИЯ ДЕЙСТВИЯ\nВСЕРАВНО ВЫПОЛНИТЬ КОМАНДУ?";

// Frame codes without the status line's periodic questions.
std::vector<std::string> Printing(const std::vector<std::string> &taken)
{
    std::vector<std::string> out;
    for (const std::string &code : taken)
        if (code != "39" && code != "88")
            out.push_back(code);
    return out;
}

size_t Count(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(Cashdesk, LowBatteryAsksBeforeTheShiftReport)
{
    ASSERT_EQ(system(("mkdir -p '" + root + "/data/osal'").c_str()), 0);
    std::ofstream(root + "/data/osal/battery") << "power 0\nstep 5\n";
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") + "drive shift open 1\n");
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "shift");
    WaitForm("kkt_menu_shift.xml");
    size_t before = TakenCount();
    Choose("kkt_menu_shift.xml", "shift_report");
    EXPECT_EQ(WaitBox(u8"ВНИМАНИЕ").Get("text"), kQuestion);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_shift.xml");
    EXPECT_EQ(Printing(Taken(before)), std::vector<std::string>{});

    Key(KEY_ENTER); // the same item again
    EXPECT_EQ(WaitBox(u8"ВНИМАНИЕ").Get("text"), kQuestion);
    Key(KEY_ENTER);
    WaitForm("kkt_menu_shift.xml");
    EXPECT_EQ(Printing(Taken(before)), std::vector<std::string>{"30"});
    EXPECT_EQ(Count(readFile(dir + "/kktsim/paper.txt"), u8"ОТЧЕТ БЕЗ ГАШЕНИЯ"), 1u);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

TEST_F(Cashdesk, ExternalPowerPrintsWithoutAsking)
{
    ASSERT_EQ(system(("mkdir -p '" + root + "/data/osal'").c_str()), 0);
    std::ofstream(root + "/data/osal/battery") << "power 1\nstep 5\n";
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") + "drive shift open 1\n");
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "shift");
    WaitForm("kkt_menu_shift.xml");
    size_t before = TakenCount();
    Choose("kkt_menu_shift.xml", "shift_report");
    WaitForm("kkt_menu_shift.xml");
    EXPECT_EQ(Printing(Taken(before)), std::vector<std::string>{"30"});
    for (const Entry &e : Trace())
        EXPECT_NE(e.Get("text"), kQuestion);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

TEST_F(Cashdesk, BatteryTypeDialogWritesItsFile)
{
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn"));
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "settings");
    WaitForm("kkt_menu_settings.xml");
    Choose("kkt_menu_settings.xml", "BatteryCheck_Menu");
    WaitForm("common_dlg_battery.xml");
    Key(9, 4); // down to "Напряжение IS135"
    Key(6);    // checked
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"УСПЕШНО").Get("text"), u8"ТИП БАТАРЕИ УСПЕШНО ИЗМЕНЁН");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_settings.xml");
    std::string file = readFile(dir + "/battery.xml");
    EXPECT_NE(file.find("<battery force_type=\"4\""), std::string::npos) << file;
    EXPECT_NE(access((dir + "/data/battery.xml").c_str(), F_OK), 0);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

} // namespace e2e
