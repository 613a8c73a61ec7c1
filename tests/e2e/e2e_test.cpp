// cashdesk end to end: start-up, start modes, the main loop, sub-menus and
// a cashier's day, on the fixture of CashdeskE2e.h.
#include "CashdeskE2e.h"

namespace {

using namespace e2e;

// The state refresh: drive status, cash register data, session, work modes,
// drive status for the warnings, registration parameters 1062, 1057 and
// 1209 (FFD 1.05: marking is not asked), registration totals.
const std::vector<std::string> kRefresh = {"29", "97", "01", "4D", "29", "88", "88", "88", "8F"};

TEST_F(Cashdesk, StartsShowsTheSerialNumberAndQuits)
{
    StartSim(kRegistered);
    StartCashdesk();
    Entry wait = WaitBox(u8"ПОДОЖДИТЕ");
    EXPECT_EQ(wait.Get("text"), u8"ИДЕТ ИНИЦИАЛИЗАЦИЯ КОНТРОЛЛЕРА ФН");
    WaitForm("kkt_menu_main.xml", "SN: 0000000000123456");

    // The ready wait (short commands only), then the state refresh; then
    // only the status line's waiting counts.
    std::vector<std::string> taken = Taken();
    size_t shorts = 0;
    while (shorts < taken.size() && taken[shorts].rfind("DLE ", 0) == 0)
        ++shorts;
    ASSERT_GE(shorts, 2u);
    EXPECT_EQ(taken[0], "DLE 9");
    ASSERT_GE(taken.size(), shorts + kRefresh.size());
    EXPECT_EQ(std::vector<std::string>(taken.begin() + static_cast<long>(shorts),
                                       taken.begin() + static_cast<long>(shorts + kRefresh.size())),
              kRefresh);
    EXPECT_GT(taken.size(), shorts + kRefresh.size());
    for (size_t i = shorts + kRefresh.size(); i < taken.size(); ++i)
        EXPECT_EQ(taken[i], "39");

    // A declined question keeps the menu, shown again with its header.
    Key(KEY_CANCEL);
    WaitBox(u8"ВНИМАНИЕ");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml", "SN: 0000000000123456");
    Quit();
    std::string settings = readFile(dir + "/data/kktsettings.xml");
    EXPECT_NE(settings.find("<settings"), std::string::npos) << settings;
}

// A wait text is drawn once and must stay on the screen while the program
// waits: nothing may paint over it meanwhile.
TEST_F(Cashdesk, WaitTextStaysOnTheScreenWhileTheControllerIsNotReady)
{
    StartSim(std::string(kRegistered) + "not-ready 3000\n");
    StartCashdesk();
    WaitBox(u8"ПОДОЖДИТЕ");
    timespec settle{0, 500 * 1000 * 1000};
    nanosleep(&settle, nullptr);
    std::string screen = readFile(root + "/dev/graphics/fb0");
    ASSERT_EQ(screen.size(), 240u * 320u * 2u);
    auto pixel = [&](int x, int y) {
        size_t at = (static_cast<size_t>(y) * 240 + static_cast<size_t>(x)) * 2;
        return static_cast<uint16_t>(static_cast<uint8_t>(screen[at]) | static_cast<uint8_t>(screen[at + 1]) << 8);
    };
    // Row 30 crosses the box's header band, below the status line and above
    // the background picture: without the box it has the fill colour of the
    // screen's corner all along.
    int fill = 0;
    for (int x = 0; x < 240; ++x)
        fill += pixel(x, 30) == pixel(0, 319);
    EXPECT_LT(fill, 120) << "the wait box is not on the screen";
    WaitForm("kkt_menu_main.xml", "SN: 0000000000123456");
    Quit();
}

TEST_F(Cashdesk, StartModeOneOnlyRefreshesTheState)
{
    StartSim(kRegistered);
    StartCashdesk("1");
    WaitForm("kkt_menu_main.xml", "SN: 0000000000123456");
    std::vector<std::string> taken = Taken();
    ASSERT_GE(taken.size(), kRefresh.size());
    EXPECT_EQ(std::vector<std::string>(taken.begin(), taken.begin() + static_cast<long>(kRefresh.size())), kRefresh);
    for (const Entry &e : Trace())
        EXPECT_NE(e.Get("text"), u8"ИДЕТ ИНИЦИАЛИЗАЦИЯ КОНТРОЛЛЕРА ФН");
    Quit();
}

// Mode 2 opens the controller monitor terminal (not part of the program
// yet) and then waits for the controller as a normal start does.
TEST_F(Cashdesk, StartModeTwoWaitsForTheControllerToo)
{
    StartSim(kRegistered);
    StartCashdesk("2");
    Entry wait = WaitBox(u8"ПОДОЖДИТЕ");
    EXPECT_EQ(wait.Get("text"), u8"ИДЕТ ИНИЦИАЛИЗАЦИЯ КОНТРОЛЛЕРА ФН");
    WaitForm("kkt_menu_main.xml", "SN: 0000000000123456");
    EXPECT_EQ(Taken().front(), "DLE 9");
    Quit();
}

TEST_F(Cashdesk, WithoutItsUiDescriptionItEndsAtOnce)
{
    ASSERT_EQ(unlink((dir + "/res/kkt_ui.xml").c_str()), 0);
    StartSim(kRegistered);
    StartCashdesk();
    EXPECT_EQ(WaitExit(), 0);
    EXPECT_TRUE(Trace().empty());
    // Nothing else ran: no controller exchange, no settings written.
    EXPECT_TRUE(Taken().empty());
    EXPECT_NE(access((dir + "/data/kktsettings.xml").c_str(), F_OK), 0);
}

TEST_F(Cashdesk, WithoutTheControllerServiceItStops)
{
    StartCashdesk();
    Entry box = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(box.Get("text"), u8"НЕДОСТУПЕН МОДУЛЬ РАБОТЫ С КОНТРОЛЛЕРОМ ФН\n\nКОД ОШИБКИ " + std::to_string(ENOENT));
    EXPECT_EQ(box.Num("flags"), 9);
    Key(KEY_ENTER);
    EXPECT_EQ(WaitExit(), 0);
    // The stop sequence ran: the settings were saved.
    EXPECT_EQ(access((dir + "/data/kktsettings.xml").c_str(), R_OK), 0);
}

TEST_F(Cashdesk, ControllerInServiceModeOffersAReboot)
{
    StartSim(std::string(kRegistered) + "mode service\n");
    StartCashdesk();
    Entry error = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(error.Get("text"),
              u8"ОШИБКА -8 ИНИЦИАЛИЗАЦИИ КОНТРОЛЛЕРА ФН!\n\nКОНТРОЛЛЕР ФН В СЕРВИСНОМ РЕЖИМЕ");
    EXPECT_EQ(error.Num("flags"), 1);
    Key(KEY_ENTER);
    Entry question = WaitBox(u8"ВНИМАНИЕ");
    EXPECT_EQ(question.Get("text"), u8"БУДЕТ СДЕЛАНА ПЕРЕЗАГРУЗКА\nИЛИ В СЛУЧАЕ ОТМЕНЫ\nВЫХОД В РЕЖИМ ТЕРМИНАЛА");
    EXPECT_EQ(question.Num("flags"), 11);
    Key(KEY_ENTER);
    EXPECT_EQ(WaitExit(), OS_REBOOT_EXIT_STATUS);
    EXPECT_NE(readFile(root + "/data/osal/events.log").find("reboot"), std::string::npos);
}

TEST_F(Cashdesk, RegistrarErrorShowsItsTextAndStatuses)
{
    StartSim(std::string(kRegistered) + "answer 97 fatal=08 status=0800 error=1A detail=03\n");
    StartCashdesk();
    Entry box = WaitBox(u8"ОШИБКА");
    std::string text = box.Get("text");
    EXPECT_EQ(text.rfind(u8"ОШИБКА при выполнении команды 97:\n1A:03 ", 0), 0u) << text;
    EXPECT_NE(text.find(u8"\n\nСТАТУСЫ: 08 0800"), std::string::npos) << text;
    EXPECT_EQ(box.Num("flags"), 9);
    Key(KEY_ENTER);
    // Without the cash register's data the menu has no serial number.
    WaitForm("kkt_menu_main.xml", "SN: ");
    Quit();
}

TEST_F(Cashdesk, UnmatchedSubmenuItemOnlyRefreshesTheStatusLine)
{
    // An identifier no screen answers to, in the sandbox's copy of a
    // sub-menu.
    std::string menu = FirstSubmenu();
    ASSERT_FALSE(menu.empty());
    std::string file = "kkt_menu_" + menu + ".xml";
    ASSERT_TRUE(addItem(dir + "/res/" + file, "no_such_screen", u8"НЕТ ТАКОГО"));
    StartSim(kRegistered);
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", menu);
    WaitForm(file);
    size_t before = TakenCount();
    size_t lines = Trace().size();
    Choose(file, "no_such_screen");
    // The sub-menu comes back; meanwhile only the waiting counts were asked.
    WaitForm(file);
    std::vector<std::string> taken = Taken(before);
    EXPECT_FALSE(taken.empty());
    for (const std::string &code : taken)
        EXPECT_EQ(code, "39");
    std::vector<Entry> shown = Trace();
    for (size_t i = lines; i < shown.size(); ++i)
        EXPECT_NE(shown[i].Get("event"), "msgbox") << shown[i].line;
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

// A sub-menu ended by one of its close codes has chosen nothing: the
// selected item's screen is not opened, the sub-menu is shown again. Enter
// on the same item then opens it.
TEST_F(Cashdesk, SubmenuClosedByACloseCodeRunsNothing)
{
    const std::string file = "kkt_menu_shift.xml";
    ASSERT_EQ(menuItems(dir + "/res/" + file).at(0), "shift_open");
    ASSERT_TRUE(setMenuAttr(dir + "/res/" + file, "scodes", "90"));
    StartSim(kRegistered);
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "shift");
    WaitForm(file);
    size_t lines = Trace().size();
    Key(90); // the stand-in keypad gives the key's low byte: 'Z'
    WaitForm(file);
    std::vector<Entry> shown = Trace();
    for (size_t i = lines; i < shown.size(); ++i)
        EXPECT_EQ(shown[i].Get("file"), file) << shown[i].line;

    Key(KEY_ENTER);
    WaitForm("kkt_dlg_shift_open.xml");
    Key(KEY_CANCEL);
    WaitForm(file);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

TEST_F(Cashdesk, MissingSubmenuFileShowsAnErrorAndReturns)
{
    StartSim(kRegistered);
    std::string menu = FirstSubmenu();
    ASSERT_FALSE(menu.empty());
    ASSERT_EQ(unlink((dir + "/res/kkt_menu_" + menu + ".xml").c_str()), 0);
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", menu);
    Entry box = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(box.Get("text"), u8"НЕ УДАЛОСЬ СОЗДАТЬ МЕНЮ\n\nКОД ОШИБКИ -1");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

// The cashier's day through the program's menus on the fiscal-drive model:
// open the shift, deposit 5.00, the shift report (the paper runs out and is
// put back), withdraw more than the drawer holds, withdraw 2.00, close the
// shift. The stand-in's paper log and counters tell what was done.
TEST_F(Cashdesk, CashiersDayOnTheFiscalDrive)
{
    std::ofstream(dir + "/data/kktsettings.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
        << u8"<CmdShiftOpen Operator=\"Иванов И.И.\" OperatorINN=\"\"/>"
        << u8"<CmdCloseShift Operator=\"Иванов И.И.\"/>"
        << u8"<CmdToCash Seller=\"Сидорова\"/><CmdFromCash Seller=\"Сидорова\"/></settings>\n";
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn"));
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "shift");
    const std::string menu = "kkt_menu_shift.xml";
    std::vector<std::string> items = menuItems(dir + "/res/" + menu);
    size_t at = 0; // the sub-menu keeps its selection between screens
    auto choose = [&](const std::string &id) {
        size_t to = 0;
        while (to < items.size() && items[to] != id)
            ++to;
        ASSERT_LT(to, items.size()) << id;
        if (to > at)
            Key(KEY_DOWN, static_cast<int>(to - at));
        else if (to < at)
            Key(103, static_cast<int>(at - to));
        at = to;
        Key(KEY_ENTER);
    };
    auto digits = [&](const char *text) {
        for (const char *c = text; *c; ++c)
            Key(static_cast<uint16_t>(*c == '0' ? 11 : 2 + (*c - '1')));
        Key(KEY_ENTER);
    };
    WaitForm(menu);
    size_t before = TakenCount();

    choose("shift_open");
    WaitForm("kkt_dlg_shift_open.xml");
    Key(KEY_ENTER);
    WaitForm(menu);

    choose("cashbox_to");
    WaitForm("kkt_dlg_to_cash.xml");
    digits("500");
    Entry deposited = WaitBox(u8"ВНЕСЕНИЕ");
    EXPECT_EQ(deposited.Get("text"),
              u8"ЗАВЕРШЕННО УСПЕШНО!\n\nСУММА ДЕН.ЯЩИКА\nДО ПОДКРЕПЛЕНИЯ:\n0.00\nПОСЛЕ ПОДКРЕПЛЕНИЯ:\n5.00");
    Key(KEY_ENTER);
    WaitForm(menu);

    ASSERT_EQ(kill(sim, SIGUSR1), 0); // the paper runs out
    choose("shift_report");
    Entry noPaper = WaitBox(u8"ВНИМАНИЕ");
    EXPECT_EQ(noPaper.Get("text"), u8"В ПРИНТЕРЕ НЕТ БУМАГИ\n\nУСТАНОВИТЕ НОВЫЙ РУЛОН И НАЖМИТЕ КНОПКУ ОК\n\n");
    ASSERT_EQ(kill(sim, SIGUSR2), 0); // and is put back
    pause10ms();
    Key(KEY_ENTER);
    WaitForm(menu);

    choose("cashbox_from");
    WaitForm("kkt_dlg_from_cash.xml");
    digits("10000");
    Entry refused = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(refused.Get("text").rfind(u8"ОШИБКА при выполнении команды 33:\n12:", 0), 0u) << refused.Get("text");
    Key(KEY_ENTER);
    WaitForm(menu);

    choose("cashbox_from");
    WaitForm("kkt_dlg_from_cash.xml");
    digits("200");
    Entry withdrawn = WaitBox(u8"ИЗЪЯТИЕ");
    EXPECT_EQ(withdrawn.Get("text"),
              u8"ЗАВЕРШЕННО УСПЕШНО!\n\nСУММА ДЕН.ЯЩИКА\nДО ИНКАССАЦИИ:\n5.00\nПОСЛЕ ИНКАССАЦИИ:\n3.00");
    Key(KEY_ENTER);
    WaitForm(menu);

    choose("shift_close");
    WaitForm("kkt_dlg_shift_close.xml");
    // Down past the INN to the check box, check it, accept.
    Key(KEY_DOWN, 2);
    Key(6, 2);
    Key(KEY_ENTER);
    WaitForm(menu);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();

    std::vector<std::string> taken;
    for (const std::string &code : Taken(before))
        if (code != "39" && code != "88") // the status line's counts, the marking mode
            taken.push_back(code);
    EXPECT_EQ(taken, (std::vector<std::string>{"02", "32", "30", "1D", "30", "33", "33", "31"}));

    std::string paper = readFile(dir + "/kktsim/paper.txt");
    size_t pos = 0;
    for (const char *doc : {u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ", u8"ВНЕСЕНИЕ", "=5.00", u8"ОТЧЕТ БЕЗ ГАШЕНИЯ", u8"ВЫПЛАТА",
                            "=2.00", u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"}) {
        size_t found = paper.find(doc, pos);
        EXPECT_NE(found, std::string::npos) << doc << " in order in\n" << paper;
        if (found != std::string::npos)
            pos = found;
    }
    std::string state = readFile(dir + "/kktsim/drive.json");
    EXPECT_NE(state.find("\"shift_open\": false"), std::string::npos) << state;
    EXPECT_NE(state.find("\"drawer\": \"3.00\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"deposits\": \"5.00\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"withdrawals\": \"2.00\""), std::string::npos) << state;
    std::string settings = readFile(dir + "/data/kktsettings.xml");
    EXPECT_NE(settings.find(u8"Сидорова"), std::string::npos) << settings;
}

} // namespace
