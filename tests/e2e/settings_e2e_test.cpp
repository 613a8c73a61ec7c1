// Setting up the controller end to end: kktsim with its drive model and
// cashdesk as processes, keys through the keypad FIFO; out the screen
// trace, kktsim's journal, paper log and drive state, the settings file and
// the OS stand-in's clock.
#include "CashdeskE2e.h"

#include <sys/stat.h>
#include <time.h>

#include <map>

#include "osal.h"

namespace {

using namespace e2e;



class SettingsE2e : public Cashdesk {
protected:
    void Start(const std::string &extra = "")
    {
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") + extra);
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
    }
    void Type(const std::string &digits)
    {
        for (char c : digits)
            Key(DigitKey(c));
    }
    // Opens item id of a sub-menu from the main menu; the main menu keeps
    // its selection, the sub-menu is new each time.
    void Open(const std::string &menu, const std::string &id)
    {
        std::vector<std::string> items = menuItems(dir + "/res/kkt_menu_main.xml");
        size_t to = 0;
        while (to < items.size() && items[to] != menu)
            ++to;
        ASSERT_LT(to, items.size());
        if (to > mainSelected)
            Key(KEY_DOWN, static_cast<int>(to - mainSelected));
        else if (to < mainSelected)
            Key(KEY_UP, static_cast<int>(mainSelected - to));
        mainSelected = to;
        Key(KEY_ENTER);
        WaitForm("kkt_menu_" + menu + ".xml");
        Choose("kkt_menu_" + menu + ".xml", id);
    }
    void Back(const std::string &menu)
    {
        WaitForm("kkt_menu_" + menu + ".xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
    }
    std::string Paper() { return readFile(dir + "/kktsim/paper.txt"); }
    std::string DriveFile() { return driveState(dir + "/kktsim"); }
    // The journal lines of replies (out) to this code, in order.
    std::vector<std::string> Replies(const std::string &code)
    {
        std::vector<std::string> out;
        for (const Entry &e : ReadJournal(journal, "out", 2))
            if (e.Get("code") == code)
                out.push_back(e.line);
        return out;
    }
    std::string LastRequest(const std::string &code)
    {
        std::string line;
        for (const Entry &e : ReadJournal(journal, "in", 1))
            if (e.Get("code") == code)
                line = e.line;
        return line;
    }
    // The last screen the trace drew, as its line.
    std::string LastScreen()
    {
        std::string line;
        for (const Entry &e : Trace())
            if (e.Get("event") == "screen")
                line = e.line;
        return line;
    }
    // Clears a field of at most n characters in focus.
    void Clear(int n) { Key(KEY_BACKSPACE, n); }
    size_t mainSelected = 0;
};

// 30 February is refused with its box; 15.04.2028 is more than a year past
// the controller's clock: the warning comes, the override key (139) lets
// it pass, and both the controller's and the terminal's clocks move.
TEST_F(SettingsE2e, DateWithARefusalAndAnOverride)
{
    Start("drive clock 1503261030\n");
    Open("settings", "sets_dt");
    auto entry = [&](const std::string &date, const std::string &time) {
        WaitForm("kkt_dlg_set_date_time.xml");
        Clear(8);
        Type(date);
        Key(KEY_DOWN);
        Clear(6);
        Type(time);
        Key(KEY_ENTER);
    };
    entry("300226", "1200");
    EXPECT_EQ(WaitBox(u8"ОШИБКА").Get("text"), u8"ДАТА 30.02.2026 НЕ КОРРЕКTHА!\n\nПОВТОРИТЕ ВВОД");
    Key(KEY_ENTER);
    entry("150428", "0900");
    WaitForm("kkt_dlg_warn_message.xml");
    Key(139);
    Back("settings");
    EXPECT_NE(LastRequest("42").find("\"fields\":[\"150428\",\"0900\"]"), std::string::npos) << LastRequest("42");

    OsTime now{};
    ASSERT_EQ(OsGetTime(&now), 0);
    EXPECT_EQ(now.Day, 15);
    EXPECT_EQ(now.Month, 4);
    EXPECT_EQ(now.Year, 2028);
    std::string drive = DriveFile();
    size_t at = drive.find("\"clock_offset\": ");
    ASSERT_NE(at, std::string::npos) << drive;
    long long offset = atoll(drive.c_str() + at + 16);
    time_t controller = time(nullptr) + static_cast<time_t>(offset);
    struct tm t;
    localtime_r(&controller, &t);
    EXPECT_EQ(t.tm_mday, 15);
    EXPECT_EQ(t.tm_mon + 1, 4);
    EXPECT_EQ(t.tm_year + 1900, 2028);
    Quit();
}

// The header fetched from the controller, shortened in the editor,
// written back and printed on the next document; the settings keep the
// editor's text.
TEST_F(SettingsE2e, HeaderFetchedEditedAndPrinted)
{
    Start(u8"drive head 2 МАГАЗИН У ДОМА\ndrive head 3 ТЕЛ. 123\ndrive shift open 1\n");
    Open("settings", "sets_header");
    WaitBox(u8"ВНИМАНИЕ");
    Key(KEY_ENTER); // fetch
    WaitForm("kkt_dlg_header.xml");
    // From the end of the text: the two empty last lines and "23".
    Key(KEY_BACKSPACE, 4);
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ВНИМАНИЕ").Get("text"), u8"ЗАГОЛОВОК УСПЕШНО УСТАНОВЛЕН!");
    Key(KEY_ENTER);
    Back("settings");
    std::string drive = DriveFile();
    EXPECT_NE(drive.find(u8"\" ТЕЛ. 1\""), std::string::npos) << drive;
    EXPECT_NE(readFile(dir + "/data/kktsettings.xml").find(u8"МАГАЗИН У ДОМА"), std::string::npos);

    size_t before = Paper().size();
    Open("shift", "cashbox_to");
    WaitForm("kkt_dlg_to_cash.xml");
    Key(KEY_DOWN);
    Type("100");
    Key(KEY_ENTER);
    Key(KEY_ENTER);
    WaitBox(u8"ВНЕСЕНИЕ");
    Key(KEY_ENTER);
    Back("shift");
    std::string printed = Paper().substr(before);
    size_t shop = printed.find(u8"МАГАЗИН У ДОМА"), phone = printed.find(u8"ТЕЛ. 1\n");
    EXPECT_NE(shop, std::string::npos) << printed;
    EXPECT_NE(phone, std::string::npos) << printed;
    EXPECT_EQ(printed.find(u8"ТЕЛ. 123"), std::string::npos) << printed;
    Quit();
}

// A tax rate changed to 18.00 and read back the next time.
TEST_F(SettingsE2e, TaxRateChangedAndReadBack)
{
    Start();
    Open("settings", "sets_tax");
    WaitForm("kkt_menu_select_tax_type.xml");
    Key(KEY_DOWN);
    Key(KEY_ENTER);
    WaitForm("", u8"НАЛОГОВАЯ СТАВКА");
    Key(KEY_DOWN, 3); // tag, name, rate
    Clear(8);
    Type("1800");
    Key(KEY_ENTER);
    WaitBox(u8"ВНИМАНИЕ");
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"УСПЕШНО").Get("text"), u8"ПАРАМЕТРЫ НАЛОГОВОЙ СТАВКИ УСПЕШНО СОХРАНЕНЫ");
    Key(KEY_ENTER);
    Back("settings");

    Open("settings", "sets_tax");
    WaitForm("kkt_menu_select_tax_type.xml");
    Key(KEY_DOWN);
    Key(KEY_ENTER);
    WaitForm("", u8"НАЛОГОВАЯ СТАВКА");
    std::vector<std::string> replies = Replies("59");
    ASSERT_FALSE(replies.empty());
    EXPECT_NE(replies.back().find("1C31382E30301C"), std::string::npos) << "18.00 read back: " << replies.back();
    EXPECT_NE(LastScreen().find("\"1800\""), std::string::npos) << LastScreen();
    Key(KEY_CANCEL);
    Back("settings");
    EXPECT_NE(DriveFile().find("\"rate\": \"18.00\""), std::string::npos);
    Quit();
}

// The parameter pages: bit 0 of page 1 set, back from page 2 to page 1
// (the bit still set), on to page 6 and written as three words.
TEST_F(SettingsE2e, ParameterPagesWithGoingBack)
{
    Start();
    Open("settings", "sets_params");
    WaitForm("kkt_dlg_param_1.xml");
    Key(DigitKey('5'), 2); // the first item, checked
    Key(KEY_DOWN);
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_param_2.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_dlg_param_1.xml");
    Key(KEY_DOWN);
    Key(KEY_ENTER);
    for (int page = 2; page <= 5; ++page) {
        WaitForm("kkt_dlg_param_" + std::to_string(page) + ".xml");
        Key(KEY_DOWN);
        Key(KEY_ENTER);
    }
    WaitForm("kkt_dlg_param_6.xml");
    Key(KEY_ENTER);
    Back("settings");
    EXPECT_NE(LastRequest("4C").find("\"fields\":[\"0100\",\"0000\",\"0400\"]"), std::string::npos)
        << LastRequest("4C");
    EXPECT_NE(DriveFile().find("\"work_modes\": 1"), std::string::npos);
    Quit();
}

// Departments: one added, one deleted, one edited; written with 0x60 and
// read back the next time.
TEST_F(SettingsE2e, DepartmentsAddedDeletedEditedAndReadBack)
{
    Start();
    Open("settings", "sets_departs");
    WaitForm("kkt_dlg_editor_departs.xml");
    Key(241); // add
    WaitForm("kkt_dlg_input_depart.xml");
    Clear(3);
    Type("7");
    Key(KEY_DOWN);
    Type("7");
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_editor_departs.xml");
    Key(DigitKey('8'));
    Key(242); // department 2
    WaitBox(u8"УДАЛЕНИЕ ОТДЕЛА");
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_editor_departs.xml");
    Key(243); // the second listed item: department 3 now
    WaitForm("kkt_dlg_input_depart.xml");
    Clear(3);
    Type("9");
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_editor_departs.xml");
    Key(KEY_ENTER);
    Back("settings");
    std::string sent = LastRequest("60");
    EXPECT_NE(sent.find(u8"\"fields\":[\"01\",\"ОТДЕЛ 1\",\"02\",\"\",\"09\",\"ОТДЕЛ 3\",\"04\",\"ОТДЕЛ 4\",\"07\","),
              std::string::npos)
        << sent;

    Open("settings", "sets_departs");
    WaitForm("kkt_dlg_editor_departs.xml");
    std::vector<std::string> replies = Replies("61");
    ASSERT_EQ(replies.size(), 2u);
    // 02 with no name, 09 "ОТДЕЛ 3", 07 "7" (CP866 hex)
    EXPECT_NE(replies.back().find("1C30321C1C30391C8E9284858B20331C"), std::string::npos) << replies.back();
    EXPECT_NE(replies.back().find("1C30371C371C"), std::string::npos) << replies.back();
    std::string screen = LastScreen();
    EXPECT_NE(screen.find(u8"09.ОТДЕЛ 3"), std::string::npos) << screen;
    EXPECT_NE(screen.find("07.7"), std::string::npos) << screen;
    EXPECT_EQ(screen.find(u8"02."), std::string::npos) << screen;
    Key(KEY_CANCEL);
    Back("settings");
    Quit();
}

// The log copy: without the USB folder the box says so; with it the log is
// copied and its size shown.
TEST_F(SettingsE2e, CopyLogWithAndWithoutTheUsbFolder)
{
    std::ofstream(dir + "/kktsim/zizirize.log") << "service log line\n";
    Start();
    Open("service", "copy_log");
    EXPECT_EQ(WaitBox(u8"ОШИБКА").Get("text"), u8"USB FLASH НЕ НАЙДЕНА");
    Key(KEY_ENTER);
    Back("service");

    ASSERT_EQ(mkdir((dir + "/kktsim/usb").c_str(), 0777), 0);
    Open("service", "copy_log");
    Entry done = WaitBox(u8"ЗАВЕРШЕНО");
    std::string copy = readFile(dir + "/kktsim/usb/zizirize_copy.log");
    EXPECT_FALSE(copy.empty());
    EXPECT_EQ(done.Get("text"), u8"КОПИРОВАНИЕ ЗАВЕРШЕНО.\nСКОПИРОВАНО:\n" + std::to_string(copy.size()) + u8" БАЙТ");
    Key(KEY_ENTER);
    Back("service");
    Quit();
}

} // namespace
