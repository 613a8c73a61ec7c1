// cashdesk end to end: start-up, start modes, the main loop, sub-menus, a
// cashier's day and the registration wizards, on the fixture of
// CashdeskE2e.h.
#include "CashdeskE2e.h"

#include <algorithm>

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
    // The monitor terminal first: its password refused, nothing is sent.
    WaitForm("kkt_dlg_pass_input.xml", u8"Терминал");
    Key(KEY_CANCEL);
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
    std::string state = driveState(dir + "/kktsim");
    EXPECT_NE(state.find("\"shift_open\": false"), std::string::npos) << state;
    EXPECT_NE(state.find("\"drawer\": \"3.00\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"deposits\": \"5.00\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"withdrawals\": \"2.00\""), std::string::npos) << state;
    std::string settings = readFile(dir + "/data/kktsettings.xml");
    EXPECT_NE(settings.find(u8"Сидорова"), std::string::npos) << settings;
}

// A new drive behind an FFD 1.05 controller is registered (no choice of
// version): a number too short is refused with page 1 back and every entry
// kept, the drive refuses an INN of 11 digits (error 02: page 1 again), the
// third attempt registers. Then the drive's registration pre-fills a
// re-registration.
TEST_F(Cashdesk, RegistrationOfANewDriveThenAReregistration)
{
    std::ofstream(dir + "/data/kktsettings.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
        << u8"<CmdFiscalization FirmName=\"ООО Ромашка\" FirmINN=\"77012345678\" FirmAddr=\"г. Москва\" "
        << u8"FirmPlace=\"Магазин\" SellerName=\"Иванов\" SellerINN=\"\" OFD_INN=\"7704358518\" OFD=\"ОФД\" "
        << "Reg=\"12345\" TaxMode=\"1\" KKTmode=\"0\" Agent=\"0\"/></settings>\n";
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/unregistered.scn"));
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "fn");
    WaitForm("kkt_menu_fn.xml");
    size_t before = TakenCount();
    Choose("kkt_menu_fn.xml", "fn_reg");
    const std::vector<std::string> pages = {"kkt_dlg_registration_1.xml",        "kkt_dlg_registration_2.xml",
                                            "kkt_dlg_registration_3.xml",        "kkt_dlg_registration_4.xml",
                                            "kkt_dlg_registration_oper_inn.xml", "kkt_dlg_registration_5.xml",
                                            "kkt_dlg_registration_6.xml"};
    auto digits = [&](const char *text) {
        for (const char *c = text; *c; ++c)
            Key(static_cast<uint16_t>(*c == '0' ? 11 : 2 + (*c - '1')));
    };
    // The pages after the first, each accepted as it is.
    auto rest = [&]() {
        for (size_t i = 1; i < pages.size(); ++i) {
            WaitForm(pages[i]);
            Key(KEY_ENTER);
        }
    };
    Entry question = WaitBox(u8"ИТОГИ РЕГИСТРАЦИИ");
    EXPECT_EQ(question.Get("text"), u8"ПРОЧИТАТЬ ИТОГИ РЕГИСТРАЦИИ И ЗАПОЛНИТЬ ПОЛЯ РЕГИСТРАЦИИ?");
    Key(KEY_ENTER); // the new drive has none: the settings pre-fill
    WaitForm(pages[0], u8"РЕГИСТРАЦИЯ ККТ 1");
    Key(KEY_ENTER);
    rest();
    Entry shortNumber = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(shortNumber.Get("text"), u8"ВВЕДЕН НЕ КОРРЕКТНЫЙ РЕГИСТРАЦИОННЫЙ НОМЕР КАССЫ\n\nПОВТОРИТЕ ВВОД");
    Key(KEY_ENTER);
    WaitForm(pages[0]);
    Key(KEY_DOWN, 4); // to the number
    digits("67");
    Key(KEY_ENTER);
    rest();
    WaitBox(u8"ВНИМАНИЕ"); // the confirmation
    Key(KEY_ENTER);
    Entry refused = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(refused.Get("text").rfind(u8"ОШИБКА при выполнении команды 04:\n02:", 0), 0u) << refused.Get("text");
    Key(KEY_ENTER);
    WaitForm(pages[0]);
    Key(103, 3); // up to the user's INN
    digits("9");
    Key(KEY_ENTER);
    rest();
    WaitBox(u8"ВНИМАНИЕ");
    Key(KEY_ENTER);
    Entry done = WaitBox(u8"ВНИМАНИЕ");
    EXPECT_EQ(done.Get("text"), u8"РЕГИСТРАЦИЯ ФН ВЫПОЛНЕНА УСПЕШНО!");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_fn.xml");

    std::vector<std::string> taken = Taken(before);
    std::vector<std::string> registration;
    for (const std::string &code : taken)
        if (code == "42" || code == "04")
            registration.push_back(code);
    EXPECT_EQ(registration, (std::vector<std::string>{"42", "04", "42", "04"}));
    // The refresh after the wizard reads the new registration.
    EXPECT_NE(std::find(std::find(taken.begin(), taken.end(), "04") + 1, taken.end(), "97"), taken.end());
    std::string paper = readFile(dir + "/kktsim/paper.txt");
    EXPECT_NE(paper.find(u8"ОТЧЕТ О РЕГИСТРАЦИИ"), std::string::npos) << paper;
    std::string state = driveState(dir + "/kktsim");
    EXPECT_NE(state.find("\"phase\": 3,"), std::string::npos) << state;
    EXPECT_NE(state.find("\"reg_number\": \"0000000001234567\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"inn\": \"770123456789\""), std::string::npos) << state;
    std::string settings = readFile(dir + "/data/kktsettings.xml");
    EXPECT_NE(settings.find("Reg=\"1234567\""), std::string::npos) << settings;
    EXPECT_NE(settings.find("FirmINN=\"770123456789\""), std::string::npos) << settings;
    EXPECT_NE(settings.find(u8"FirmName=\"ООО Ромашка\""), std::string::npos) << settings;

    // The re-registration, pre-filled from the drive, with the reason "a
    // new OFD".
    before = TakenCount();
    Key(KEY_ENTER); // the sub-menu keeps its selection

    WaitBox(u8"ИТОГИ РЕГИСТРАЦИИ");
    Key(KEY_ENTER);
    for (size_t i = 0; i + 1 < pages.size(); ++i) {
        WaitForm(pages[i]);
        Key(KEY_ENTER);
    }
    WaitForm(pages.back());
    Key(9, 2); // the third reason: a new OFD
    Key(6);
    Key(KEY_ENTER);
    WaitBox(u8"ВНИМАНИЕ");
    Key(KEY_ENTER);
    done = WaitBox(u8"ВНИМАНИЕ");
    EXPECT_EQ(done.Get("text"), u8"РЕГИСТРАЦИЯ ФН ВЫПОЛНЕНА УСПЕШНО!");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_fn.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();

    taken = Taken(before);
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "8F"), 2) << "the totals read for the wizard and the refresh";
    paper = readFile(dir + "/kktsim/paper.txt");
    EXPECT_NE(paper.find(u8"ОТЧЕТ ОБ ИЗМ. ПАРАМЕТРОВ РЕГИСТРАЦИИ"), std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"ПРИЧИНА"), std::string::npos) << paper;
    state = driveState(dir + "/kktsim");
    EXPECT_NE(state.find("\"reg_number\": \"0000000001234567\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"reregistrations_left\": 10,"), std::string::npos) << state;
    EXPECT_NE(state.find(u8"\"1046\": \"ОФД\""), std::string::npos) << state;
}

// A re-registration behind a controller offering FFD 1.1: the version
// chosen, the pages pre-filled from the drive's last registration, the
// reasons "a new fiscal drive" and "other reasons" sent as the mask.
TEST_F(Cashdesk, Ffd11ReregistrationWithReasons)
{
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") +
             u8"drive firmware K110340\ndrive ffd 1.1\ndrive inn 7701234567\n"
             u8"drive tag 1017 7704358518\ndrive tag 1021 Петров\ndrive tag 1046 ОФД Первый\n");
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "fn");
    WaitForm("kkt_menu_fn.xml");
    size_t before = TakenCount();
    Choose("kkt_menu_fn.xml", "fn_reg");
    WaitForm("kkt_dlg_select_registration.xml");
    Key(9, 2); // FFD 1.1
    Key(6);
    Key(KEY_ENTER);
    WaitBox(u8"ИТОГИ РЕГИСТРАЦИИ");
    Key(KEY_ENTER);
    for (const char *page : {"kkt_dlg_registration_1.xml", "kkt_dlg_registration_2.xml", "kkt_dlg_registration_3.xml",
                             "kkt_dlg_registration_4.xml", "kkt_dlg_registration_oper_inn.xml",
                             "kkt_dlg_registration_5.xml"}) {
        WaitForm(page);
        Key(KEY_ENTER);
    }
    WaitForm("kkt_dlg_registration_6.xml");
    Key(9, 2); // a new fiscal drive
    Key(6);
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_reason_1_1_1.xml", u8"КОДЫ ПРИЧИН  1");
    Key(6, 2); // its first item
    Key(KEY_ENTER);
    for (const char *page : {"kkt_dlg_reason_1_1_2.xml", "kkt_dlg_reason_1_1_3.xml", "kkt_dlg_reason_1_1_4.xml"}) {
        WaitForm(page);
        Key(KEY_ENTER);
    }
    WaitForm("kkt_dlg_reason_1_1_5.xml");
    Key(6, 2); // other reasons
    Key(KEY_ENTER);
    WaitBox(u8"ВНИМАНИЕ");
    Key(KEY_ENTER);
    Entry done = WaitBox(u8"ВНИМАНИЕ");
    EXPECT_EQ(done.Get("text"), u8"РЕГИСТРАЦИЯ ФН ВЫПОЛНЕНА УСПЕШНО!");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_fn.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();

    std::vector<std::string> taken = Taken(before);
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "04"), 1);
    std::string state = driveState(dir + "/kktsim");
    EXPECT_NE(state.find("\"reason_codes\": 2097153,"), std::string::npos) << state; // 0x200001
    EXPECT_NE(state.find("\"reregistrations_left\": 10,"), std::string::npos) << state;
    EXPECT_NE(state.find("\"ffd\": 3,"), std::string::npos) << state;
    std::string paper = readFile(dir + "/kktsim/paper.txt");
    EXPECT_NE(paper.find(u8"ОТЧЕТ ОБ ИЗМ. ПАРАМЕТРОВ РЕГИСТРАЦИИ"), std::string::npos) << paper;
    EXPECT_NE(paper.find("01002000"), std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"Петров"), std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"ОФД Первый"), std::string::npos) << paper;
}

// FFD 1.2 on a controller that offers it, a new drive: automatic mode
// brings the automat-number page in place of the cashier's, marked goods
// are chosen, and the state refresh after it asks the notifications (0x27)
// as marking is on.
TEST_F(Cashdesk, Ffd12RegistrationWithMarkedGoods)
{
    std::ofstream(dir + "/data/kktsettings.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
        << u8"<CmdFiscalization FirmName=\"ООО Ромашка\" FirmINN=\"7701234567\" FirmAddr=\"г. Москва\" "
        << u8"FirmPlace=\"Автомат 1\" OFD_INN=\"7704358518\" OFD=\"ОФД\" Reg=\"1234567\" TaxMode=\"1\" "
        << "KKTmode=\"0\"/></settings>\n";
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/unregistered.scn") +
             "drive firmware K120400\n");
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "fn");
    WaitForm("kkt_menu_fn.xml");
    size_t before = TakenCount();
    Choose("kkt_menu_fn.xml", "fn_reg");
    WaitForm("kkt_dlg_select_registration.xml");
    Key(9, 3); // FFD 1.2
    Key(6);
    Key(KEY_ENTER);
    WaitBox(u8"ИТОГИ РЕГИСТРАЦИИ");
    Key(KEY_CANCEL); // the settings pre-fill
    for (const char *page : {"kkt_dlg_registration_1.xml", "kkt_dlg_registration_2.xml", "kkt_dlg_registration_3.xml"}) {
        WaitForm(page);
        Key(KEY_ENTER);
    }
    WaitForm("kkt_dlg_registration_4.xml");
    Key(9, 3); // automatic mode
    Key(6);
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_registration12_5.xml");
    Key(9, 2); // marked goods
    Key(6);
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_registration_num_auto.xml", u8"РЕГИСТРАЦИЯ ККТ 7");
    for (char c : std::string("4711"))
        Key(static_cast<uint16_t>(c == '0' ? 11 : 2 + (c - '1')));
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_registration12_8.xml");
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_registration12_7.xml");
    Key(KEY_ENTER);
    WaitBox(u8"ВНИМАНИЕ");
    Key(KEY_ENTER);
    Entry done = WaitBox(u8"ВНИМАНИЕ");
    EXPECT_EQ(done.Get("text"), u8"РЕГИСТРАЦИЯ ФН ВЫПОЛНЕНА УСПЕШНО!");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_fn.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();

    std::vector<std::string> taken = Taken(before);
    auto probe = std::find(taken.begin(), taken.end(), "20");
    auto at04 = std::find(taken.begin(), taken.end(), "04");
    ASSERT_NE(at04, taken.end());
    EXPECT_LT(probe, at04);
    EXPECT_NE(std::find(at04, taken.end(), "27"), taken.end()) << "marking mode is on after the registration";
    std::string state = driveState(dir + "/kktsim");
    EXPECT_NE(state.find("\"ffd\": 4,"), std::string::npos) << state;
    EXPECT_NE(state.find("\"marking_flags\": 256,"), std::string::npos) << state;
    EXPECT_NE(state.find("\"1036\": \"4711\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"reg_flags\": 4,"), std::string::npos) << state;
    std::string paper = readFile(dir + "/kktsim/paper.txt");
    EXPECT_NE(paper.find(u8"ОТЧЕТ О РЕГИСТРАЦИИ"), std::string::npos) << paper;
    EXPECT_NE(paper.find("4711"), std::string::npos) << paper;
    std::string settings = readFile(dir + "/data/kktsettings.xml");
    EXPECT_NE(settings.find("KKTmode=\"4100\""), std::string::npos) << settings; // 0x04 | 0x1000
    EXPECT_EQ(settings.find("Agent="), std::string::npos) << settings;
}

} // namespace
