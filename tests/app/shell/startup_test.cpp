// Start-up decisions against the controller-service stand-in: what the state
// refresh asks, keeps and shows, the drive's end-of-life warnings, and the
// controller wait that never gives up.
#include "ShellFixture.h"

#include <string.h>

#include "TMCommand.h"
#include "kfn_state.h"
#include "settings.h"

namespace shelltest {
namespace {

// A registered drive with an open shift: the answers of every start-up
// command. Placeholders: {VERSION}, {WARN}, {FATAL29}, {STATUS97},
// {STATUS8F}, {INN}.
const char *kBase = R"(answer 29 fatal={FATAL29} status=0800
data 29 03
data 29 00
data 29 00
data 29 01
data 29 {WARN}
data 29 1012261200
data 29 9999078900012345
data 29 00000007
data 29 311227
data 29 fn v1
data 29 05
data 29 0100
data 29 0200
answer 97 fatal=08 status={STATUS97}
data 97 ПТК
data 97 001
data 97 0000000012345678
data 97 0000000001012345
data 97 {INN}
data 97 {VERSION}
answer 01 fatal=08 status=0900
answer 4D fatal=08 status=0900
data 4D 1000
data 4D 0200
data 4D 0000
data 4D 0300
answer 88
data 88 04
answer 8F status={STATUS8F}
data 8F 1012261200
data 8F 7710123456
data 8F 0000000001012345
data 8F 01
data 8F 02
answer 17
answer 39
data 39 0300
)";

struct Base {
    std::string version = "K105320", warn = "00", fatal29 = "08", status97 = "0800", status8f = "0800",
                inn = "007710123456";
    std::string Text() const
    {
        std::string s = kBase;
        auto put = [&s](const std::string &key, const std::string &value) {
            for (size_t at; (at = s.find(key)) != std::string::npos;)
                s.replace(at, key.size(), value);
        };
        put("{VERSION}", version);
        put("{WARN}", warn);
        put("{FATAL29}", fatal29);
        put("{STATUS97}", status97);
        put("{STATUS8F}", status8f);
        put("{INN}", inn);
        return s;
    }
};

std::vector<std::string> boxTexts(const std::vector<Entry> &boxes, size_t from = 0)
{
    std::vector<std::string> out;
    for (size_t i = from; i < boxes.size(); ++i)
        out.push_back(boxes[i].Get("text"));
    return out;
}

} // namespace

TEST_F(ShellTest, StatusRefreshFillsTheCache)
{
    Scenario(Base().Text());
    EXPECT_EQ(fn_status_refresh(ui), 0);
    EXPECT_EQ(Codes(), (std::vector<std::string>{"29", "97", "01", "4D", "29", "88", "88", "88", "88", "8F"}));
    EXPECT_STREQ(kkt_serial_number(), "0000000012345678"); // 16 characters, whole
    EXPECT_STREQ(kkt_reg_number(), "0000000001012345");
    EXPECT_STREQ(kkt_inn(), "7710123456");
    EXPECT_STREQ(kfn_fn_number(), "9999078900012345");
    EXPECT_STREQ(kfn_firmware_text(), "K105320");
    EXPECT_EQ(kfn_firmware_version(), 320);
    EXPECT_EQ(kfn_ffd_kind(), 2);
    EXPECT_EQ(kfn_work_modes(), 0x0010);
    EXPECT_EQ(kfn_work_word(2), 0x0002);
    EXPECT_EQ(kfn_work_word(3), 0x0003);
    EXPECT_EQ(kfn_tax_systems(), 4);
    EXPECT_EQ(kfn_agent_flags(), 4u);
    EXPECT_EQ(kfn_ffd_version(), 4);
    EXPECT_EQ(kfn_marking_mode(), 0);
    EXPECT_EQ(kfn_autonomous(), 2);
    EXPECT_EQ(kfn_asokp_endpoint_flag(), 0x05);
    EXPECT_EQ(kfn_flags(), 0x0800);
    EXPECT_TRUE(Trace("msgbox").empty());
    EXPECT_EQ(kfn_ofd_waiting(), 3);
}

struct FirmwareCase {
    const char *version;
    int result;
    unsigned firmware, kind;
    const char *box; // UTF-8, null: none
    bool kindZeroMessage;
};

const FirmwareCase kFirmware[] = {
    {"K105320", 0, 320, 2, nullptr, false},
    {"K110339", 0, 339, 3, nullptr, false},
    {"K101301", 0, 301, 0, nullptr, false},
    {"K120340", 0, 340, 4, nullptr, true},
    {"K105300", 0, 300, 2, u8"ВЕРСИЯ ПРОШИВКИ КОНТРОЛЛЕРА ФН: 300.\nОБНОВИТЕ ДО ВЕРСИИ 301 ДЛЯ УСТОЙЧИВОЙ РАБОТЫ!",
     false},
    {"K105200", 0, 200, 2, u8"ВЕРСИЯ ПРОШИВКИ КОНТРОЛЛЕРА ФН: 200.\nОБНОВИТЕ ДО ВЕРСИИ 301 ДЛЯ УСТОЙЧИВОЙ РАБОТЫ!",
     false},
    {"K105199", -1, 199, 2,
     u8"ПРОГРАММА ПРЕДНАЗНАЧЕНА ДЛЯ РАБОТЫ С ФН.\nЗАМЕНИТЕ, УСТАНОВЛЕН КОНТРОЛЛЕР С ЭКЛЗ (199)!", false},
    // Three characters or fewer: no version at all, and so refused.
    {"320", -1, 0, 0, u8"ПРОГРАММА ПРЕДНАЗНАЧЕНА ДЛЯ РАБОТЫ С ФН.\nЗАМЕНИТЕ, УСТАНОВЛЕН КОНТРОЛЛЕР С ЭКЛЗ (0)!",
     false},
};

TEST_F(ShellTest, StatusRefreshJudgesTheControllerFirmware)
{
    for (const FirmwareCase &c : kFirmware) {
        SCOPED_TRACE(c.version);
        Base base;
        base.version = c.version;
        Scenario(base.Text());
        size_t boxes = Trace("msgbox").size();
        size_t frames = Codes().size();
        size_t controls = ReadJournal(sim->JournalPath(), "in", 1).size() - frames;
        if (c.box)
            Key(KEY_ENTER);
        EXPECT_EQ(fn_status_refresh(ui), c.result);
        EXPECT_EQ(kfn_firmware_version(), c.firmware);
        EXPECT_EQ(kfn_ffd_kind(), c.kind);
        std::vector<std::string> shown = boxTexts(Trace("msgbox"), boxes);
        EXPECT_EQ(shown, c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
        std::vector<std::string> codes = Codes();
        codes.erase(codes.begin(), codes.begin() + static_cast<long>(frames));
        // A refused controller gets nothing after its data.
        if (c.result == -1) {
            EXPECT_EQ(codes, (std::vector<std::string>{"29", "97"}));
        } else {
            EXPECT_GT(codes.size(), 2u);
        }
        size_t controlsNow = ReadJournal(sim->JournalPath(), "in", 1).size() - Codes().size();
        EXPECT_EQ(controlsNow - controls, c.kindZeroMessage ? 1u : 0u);
    }
}

struct SessionCase {
    const char *status97;
    const char *setting; // null: absent
    bool sent;
};

const SessionCase kSession[] = {
    {"0900", "0", false}, // session running and told not to start it again
    {"0900", nullptr, true},
    {"0900", "1", true},
    {"0800", "0", true},
};

TEST_F(ShellTest, StatusRefreshStartsTheSessionUnlessToldNot)
{
    settings_new();
    for (const SessionCase &c : kSession) {
        SCOPED_TRACE(std::string(c.status97) + " " + (c.setting ? c.setting : "(none)"));
        Base base;
        base.status97 = c.status97;
        Scenario(base.Text());
        mxml_node_t *node = settings_node("shift/settings");
        if (node)
            mxmlElementDeleteAttr(node, "startsession");
        if (c.setting)
            settings_set("shift/settings", "startsession", c.setting);
        size_t frames = Codes().size();
        EXPECT_EQ(fn_status_refresh(ui), 0);
        std::vector<std::string> codes = Codes();
        ASSERT_GT(codes.size(), frames + 2);
        EXPECT_EQ(codes[frames + 2] == "01", c.sent);
    }
}

TEST_F(ShellTest, StatusRefreshRefusesAnOldDrive)
{
    Scenario("answer 29 error=71\n");
    Key(KEY_ENTER);
    EXPECT_EQ(fn_status_refresh(ui), -1);
    EXPECT_EQ(boxTexts(Trace("msgbox")),
              std::vector<std::string>{u8"ФН ВЕРСИИ 1 НЕ ПОДДЕРЖИВАЕТСЯ\nНА ПРОШИВКАХ КФН\nВЕРСИИ 400 И ВЫШЕ!"});
    EXPECT_EQ(Codes(), std::vector<std::string>{"29"});
}

TEST_F(ShellTest, StatusRefreshCancelsAnOpenDocument)
{
    Base base;
    base.status8f = "0802";
    Scenario(base.Text());
    EXPECT_EQ(fn_status_refresh(ui), 0);
    EXPECT_EQ(Codes().back(), "17");
}

TEST_F(ShellTest, StatusRefreshWithoutInnFails)
{
    Base base;
    base.inn = "";
    Scenario(base.Text());
    EXPECT_EQ(fn_status_refresh(ui), -1);
    EXPECT_EQ(Codes().back(), "8F"); // still went through every step
}

TEST_F(ShellTest, StatusRefreshReportsALostController)
{
    Scenario("answer 29\nfault 97 no-reply\n");
    Key(KEY_ENTER);
    EXPECT_EQ(fn_status_refresh(ui), -4);
    EXPECT_EQ(boxTexts(Trace("msgbox")),
              std::vector<std::string>{u8"ОШИБКА -4 при обращении к КФН (команда 97)\n\nОТВЕТ НЕ ПОЛУЧЕН"});
}

struct WarningCase {
    const char *what;
    const char *fatal, *warn;
    uint16_t current; // preset current status (0x29 sends 0800 unless set)
    std::vector<std::string> boxes;
};

const std::string kFull = u8"ФН ПОЛНОСТЬЮ ЗАПОЛНЕН!\n\nОБРАТИТЕСЬ В ЦТО";

const WarningCase kWarnings[] = {
    {"none", "08", "00", 0, {}},
    {"three days beat thirty", "08", "03", 0, {u8"ОСТАЛОСЬ ТРИ ДНЯ ДО ОКОНЧАНИЯ СРОКА ДЕЙСТВИЯ ФН!"}},
    {"thirty days", "08", "02", 0, {u8"ОСТАЛОСЬ 30 ДНЕЙ ДО ОКОНЧАНИЯ СРОКА ДЕЙСТВИЯ ФН!"}},
    {"archive, then full", "28", "04", 0, {u8"АРХИВ ФН ЗАПОЛНЕН НА 99%!", kFull}},
    {"full beats the rest", "78", "00", 0, {kFull}},
    {"re-registrations", "48", "00", 0,
     {u8"КОЛИЧЕСТВО ПЕРЕРЕГИСТРАЦИЙ ФН ИСЧЕРПАНО!\n\nОБРАТИТЕСЬ В ЦТО"}},
    {"nearly full", "18", "00", 0, {u8"ФН БЛИЗОК К ЗАПОЛНЕНИЮ!\n\nОБРАТИТЕСЬ В ЦТО"}},
};

TEST_F(ShellTest, LifeWarningsInOrder)
{
    for (const WarningCase &c : kWarnings) {
        SCOPED_TRACE(c.what);
        Base base;
        base.fatal29 = c.fatal;
        base.warn = c.warn;
        Scenario(base.Text());
        size_t before = Trace("msgbox").size();
        Key(KEY_ENTER, static_cast<int>(c.boxes.size()));
        fn_life_warnings(ui);
        EXPECT_EQ(boxTexts(Trace("msgbox"), before), c.boxes);
        EXPECT_STREQ(kfn_fn_number(), "9999078900012345");
    }
}

TEST_F(ShellTest, LifeWarningsAfterAFailedExchangeUseTheCachedStatus)
{
    Base base;
    base.warn = "04";
    Scenario(base.Text() + "fault 29 no-reply\n");
    kfn_set_state(0x08, 0x8000);
    Key(KEY_ENTER);
    fn_life_warnings(ui);
    // No reply read: no archive warning, no drive number; the cached
    // current status still says the drive is full.
    EXPECT_EQ(boxTexts(Trace("msgbox")), std::vector<std::string>{kFull});
    EXPECT_STREQ(kfn_fn_number(), "");
}

TEST_F(ShellTest, ControllerWaitNeverGivesUp)
{
    Base base;
    Scenario(base.Text() + "not-ready 100000\n");
    Key(KEY_CANCEL); // declines the reboot
    Key(KEY_ENTER);  // the box of the missing password dialog
    uint32_t start = OsGetTickCount();
    kfn_start(ui, 2);
    EXPECT_GE(OsGetTickCount() - start, 100000u);
    // The declined reboot goes to the monitor terminal, which asks the
    // password first; without its dialog (-1) the terminal does not open.
    std::vector<Entry> boxes = Trace("msgbox");
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].Get("text"), u8"ИДЕТ ИНИЦИАЛИЗАЦИЯ КОНТРОЛЛЕРА ФН");
    EXPECT_EQ(boxes[1].Get("text"), u8"БУДЕТ СДЕЛАНА ПЕРЕЗАГРУЗКА\nИЛИ В СЛУЧАЕ ОТМЕНЫ\nВЫХОД В РЕЖИМ ТЕРМИНАЛА");
    EXPECT_EQ(boxes[1].Num("flags"), 11);
    EXPECT_NE(boxes[2].Get("text").find("kkt_dlg_pass_input.xml"), std::string::npos) << boxes[2].Get("text");
    EXPECT_EQ(boxes[3].Get("text"), u8"ИДЕТ ИНИЦИАЛИЗАЦИЯ КОНТРОЛЛЕРА ФН");
    // Ready at last: the state was refreshed.
    EXPECT_STREQ(kkt_serial_number(), "0000000012345678");
}

// The monitor terminal is the program's to set: with none set, a declined
// reboot opens nothing (no password box) and the wait goes on; the one set
// is called with its title.
TEST_F(ShellTest, ControllerWaitOpensTheTerminalThatIsSet)
{
    static std::vector<std::string> opened;
    const struct {
        KfnMonitorTerminal terminal;
        size_t boxes;
        std::vector<std::string> opened;
    } cases[] = {
        {nullptr, 3, {}},
        {[](vuUI *, const char *title) { opened.push_back(title); return 1; }, 3, {"ТЕРМИНАЛ"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.terminal ? "set" : "none");
        opened.clear();
        const size_t before = Trace("msgbox").size();
        Base base;
        Scenario(base.Text() + "not-ready 100000\n");
        kfn_set_monitor_terminal(c.terminal);
        Key(KEY_CANCEL); // declines the reboot
        kfn_start(ui, 2);
        std::vector<Entry> boxes = Trace("msgbox");
        ASSERT_EQ(boxes.size() - before, c.boxes);
        EXPECT_EQ(boxes[before + 1].Get("text"), u8"БУДЕТ СДЕЛАНА ПЕРЕЗАГРУЗКА\nИЛИ В СЛУЧАЕ ОТМЕНЫ\nВЫХОД В РЕЖИМ ТЕРМИНАЛА");
        EXPECT_EQ(boxes[before + 2].Get("text"), u8"ИДЕТ ИНИЦИАЛИЗАЦИЯ КОНТРОЛЛЕРА ФН");
        EXPECT_EQ(opened, c.opened);
        EXPECT_STREQ(kkt_serial_number(), "0000000012345678");
    }
}

// The other way out of the wait: a declined reboot goes to the inspector
// entry, which asks the operator's password first. Here its dialog cannot
// be built, so nothing is started and the wait goes on.
TEST_F(ShellTest, ControllerWaitOffersTheInspector)
{
    Base base;
    Scenario(base.Text() + "not-ready 100000\n");
    Key(KEY_CANCEL); // declines the reboot
    Key(KEY_ENTER);  // the box of the missing password dialog
    kfn_start(ui, 1);
    std::vector<Entry> boxes = Trace("msgbox");
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[1].Get("text"), u8"БУДЕТ СДЕЛАНА ПЕРЕЗАГРУЗКА\nИЛИ В СЛУЧАЕ ОТМЕНЫ\nВЫХОД В СЕРВИС ОБСЛУЖИВАНИЯ");
    EXPECT_EQ(boxes[1].Num("flags"), 3);
    EXPECT_NE(boxes[2].Get("text").find("kkt_dlg_pass_input.xml"), std::string::npos) << boxes[2].Get("text");
    EXPECT_EQ(boxes[3].Get("text"), u8"ИДЕТ ИНИЦИАЛИЗАЦИЯ КОНТРОЛЛЕРА ФН");
    EXPECT_STREQ(kkt_serial_number(), "0000000012345678");
}

} // namespace shelltest
