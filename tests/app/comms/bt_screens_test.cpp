// The Bluetooth links' screens in-process: the toolkit in its own UI thread
// (real time), keys through the keypad FIFO as each screen comes up in the
// trace, the library's stand-in loaded as the program loads it and scripted
// by its control file. Every failure box of the SPP and PAN links, the
// device chooser and its cancel, stored-address matching as the boxes show
// it.
#include "FiscalFixture.h"

#include <string.h>
#include <sys/stat.h>

#include "BtFixture.h"
#include "JsonLines.h"
#include "CommsFixture.h"
#include "bt_link.h"
#include "conn_record.h"
#include "ext_mode.h"

namespace commstest {
namespace {

using fiscaltest::DigitKey;
using fiscaltest::KEY_CANCEL;
using fiscaltest::KEY_ENTER;
using fiscaltest::Step;

const char *kError = u8"ОШИБКА";
const char *kChooser = u8"ВЫБОР BLUETOOTH";
const char *kName = "T300_0000000001";

class BtScreensTest : public fiscaltest::FiscalTest, public NetRoot, public BtRoot {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        NetRoot::root = FiscalTest::root;
        ASSERT_EQ(system(("mkdir -p " + NetRoot::root + "/data/osal").c_str()), 0);
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        Install(FiscalTest::root, BT_LIBRARY);
        ASSERT_EQ(bt_load_library(), 1);
    }
    void TearDown() override
    {
        bt_close(0);
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        FiscalTest::TearDown();
    }
    conn_record Record(const char *mac = "", uint32_t waitMs = 5000)
    {
        conn_record r;
        memset(&r, 0, sizeof r);
        r.type = CONN_BT;
        r.dhcp = 1;
        r.timeout_ms = 10000;
        r.bt_scan_time = 10;
        r.bt_wait_connect_ms = waitMs;
        strcpy(r.bt_mac, mac);
        return r;
    }
    int Run(std::vector<Step> steps, const std::function<int()> &call)
    {
        Script(std::move(steps));
        int r = call();
        EndScript();
        return r;
    }
    // The last box's title and text and its flags.
    std::string LastBox() { return Boxes().empty() ? "" : Boxes().back(); }
    std::string LastFlags() { return Trace("msgbox").empty() ? "" : Trace("msgbox").back().Get("flags"); }
};

struct FailureCase {
    const char *control;
    const char *title; // null: the terminal's name
    const char *text;
    int result;
    bool closes; // the module is closed after the box
};

TEST_F(BtScreensTest, EverySppFailureHasItsBox)
{
    const std::string devices = "device AA:BB:CC:DD:EE:01 Printer\n";
    const FailureCase cases[] = {
        {"fail OsBluetoothOpen -1004\n", kError, u8"Bluetooth модуль не открыт (не найден)\n(ret = -1004)", -1006, true},
        {"fail OsBluetoothSetSecurityCallback -7\n", kError, "OsBluetoothSetSecurityCallback(), ret = -7", -41, true},
        {"fail OsBREDRSetCallback -8\n", nullptr, "OsBREDRSetCallback ret = -8", -8, false},
        {"fail OsBluetoothSetPairAuth -9\n", nullptr, "OsBluetoothSetPairAuth ret = -9", -9, false},
        {"fail OsBREDRStartScan -10\n", nullptr, "OsBREDRStartScan ret = -10", -10, false},
        {"scan none\n", kError, u8"Время ожидания соединения истекло", -3, true},
        {"fail OsBREDRStartPair -11\n", nullptr, "OsBREDRStartPair ret = -11", -11, false},
        {"fail OsBREDRStartSPPConnect -12\n", nullptr, "OsBREDRStartSPPConnect ret = -12", -12, false},
    };
    for (const FailureCase &c : cases) {
        Control(devices + c.control);
        conn_record r = Record("AA:BB:CC:DD:EE:01", 600);
        size_t mark = BtMark();
        const std::string title = c.title ? c.title : kName;
        EXPECT_EQ(Run({{title, {KEY_ENTER}}}, [&] { return bt_connect_spp(ui, &r); }), c.result) << c.control;
        EXPECT_EQ(LastBox(), title + "|" + c.text) << c.control;
        EXPECT_EQ(LastFlags(), "9") << c.control;
        EXPECT_EQ(BtCalls(mark).back() == "OsBluetoothClose", c.closes) << c.control;
    }
    // Nothing found: the count, under the terminal's name.
    Control("# nothing near\n");
    conn_record r = Record("AA:BB:CC:DD:EE:01");
    EXPECT_EQ(Run({{kName, {KEY_ENTER}}}, [&] { return bt_connect_spp(ui, &r); }), -1);
    EXPECT_EQ(LastBox(), std::string(kName) + u8"|Найдено: 0 устройств");
}

TEST_F(BtScreensTest, EveryPanFailureHasItsBoxAndClosesTheModule)
{
    const std::string devices = "device AA:BB:CC:DD:EE:01 Office\n";
    const FailureCase cases[] = {
        {"fail OsBluetoothOpen -1004\n", kError, u8"Bluetooth модуль не открыт (не найден)\n(ret = -1004)", -1006, true},
        {"fail OsBluetoothSetSecurityCallback -7\n", kError, "OsBluetoothSetSecurityCallback(), ret = -7", -41, true},
        {"fail OsPanSetCallback -8\n", kError, "OsPANSetCallback(), ret = -8", -41, true},
        {"fail OsBluetoothSetPairAuth -9\n", kError, "OsBluetoothSetPairAuth(), ret = -9", -41, true},
        {"fail OsPanStartScan -10\n", kError, "OsPanStartScan ret = -10\nDuration: 10\nServices: 4", -41, true},
        {"scan none\n", kError, u8"Время сканирования истекло", -3, true},
        {"# nothing near\n", kError, u8"Bluetooth устройства не найдены!", -41, true},
    };
    for (const FailureCase &c : cases) {
        Control(c.control[0] == '#' ? std::string(c.control) : devices + c.control);
        conn_record r = Record("", 5000);
        size_t mark = BtMark();
        EXPECT_EQ(Run({{c.title, {KEY_ENTER}}}, [&] { return bt_connect_pan(ui, &r); }), c.result) << c.control;
        EXPECT_EQ(LastBox(), std::string(c.title) + "|" + c.text) << c.control;
        EXPECT_EQ(LastFlags(), "9") << c.control;
        EXPECT_EQ(BtCalls(mark).back(), "OsBluetoothClose") << c.control;
    }
    // With a stored device: the role, the connect request, the wait.
    const FailureCase stored[] = {
        {"fail OsPanSetRole -11\n", kError, "OsPanSetRole ret = -11", -41, true},
        {"fail OsPanConnect -12\n", kError, u8"Ошибка в параметрах подключения\nOsPanConnect ret = -12", -41, true},
        {"pan-check 5\n", kError, u8"Время ожидания соединения истекло", -3, true},
    };
    for (const FailureCase &c : stored) {
        Control(devices + c.control);
        conn_record r = Record("AA:BB:CC:DD:EE:01", 5000);
        size_t mark = BtMark();
        EXPECT_EQ(Run({{c.title, {KEY_ENTER}}}, [&] { return bt_connect_pan(ui, &r); }), c.result) << c.control;
        EXPECT_EQ(LastBox(), std::string(c.title) + "|" + c.text) << c.control;
        EXPECT_EQ(BtCalls(mark).back(), "OsBluetoothClose") << c.control;
        EXPECT_EQ(BtCount("OsPanStartScan", mark), 0) << "a stored device is not looked for";
    }
}

TEST_F(BtScreensTest, PanChooserTakesTheChosenDeviceAndItsCancelEndsQuietly)
{
    Control("device AA:BB:CC:DD:EE:01 Office\ndevice AA:BB:CC:DD:EE:02 Laptop\n"
            "device AA:BB:CC:DD:EE:03 Receipt printer of the back office with a long name\n");
    Net("dhcp-start bt 0\n");
    conn_record r = Record("", 5000);
    strcpy(r.bt_pin, "1234");
    r.bt_scan_time = 20;
    EXPECT_EQ(Run({{kChooser, {DigitKey('2')}}}, [&] { return bt_connect_pan(ui, &r); }), 0);
    // The menu numbers the rows; the texts are the names, a long one ending
    // in "..." within its row.
    std::vector<jsonl::Json> rows;
    for (const auto &e : Trace("screen")) {
        jsonl::Json screen;
        if (e.Get("header") == u8"ВЫБОР BLUETOOTH" && jsonl::Parse(e.line, &screen))
            for (const jsonl::Json &item : screen["items"])
                if (jsonl::Text(item, "kind") == "row")
                    rows.push_back(item);
    }
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(jsonl::Text(rows[0], "label"), "Office");
    EXPECT_EQ(jsonl::Text(rows[1], "label"), "Laptop");
    const std::string cut = jsonl::Text(rows[2], "label");
    EXPECT_EQ(cut.rfind("Receipt printer", 0), 0u) << cut;
    EXPECT_EQ(cut.substr(cut.size() - 3), "...") << cut;
    for (const jsonl::Json &row : rows)
        EXPECT_LE(jsonl::Number(row, "tw"), jsonl::Number(row, "w")) << jsonl::Text(row, "label");
    EXPECT_EQ(BtLast("OsPanConnect").Arg("addr"), "AA:BB:CC:DD:EE:02");
    EXPECT_EQ(BtLast("OsBluetoothSetPairAuth").Arg("pin"), "1234");
    EXPECT_EQ(BtLast("OsPanStartScan").Arg("duration"), "20");
    EXPECT_STREQ(r.bt_mac, "AA:BB:CC:DD:EE:02");
    EXPECT_STREQ(r.bt_name, "Laptop");
    EXPECT_STREQ(r.bt_pin, "1234");
    EXPECT_EQ(r.bt_scan_time, 20);
    std::vector<std::string> boxes = Boxes();
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), u8"СОЕДИНЕНИЕ|Соединяемся с Bluetooth\nLaptop"), boxes.end());
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), u8"СОЕДИНЕНИЕ|Инициализация соединения с точкой Bluetooth"),
              boxes.end());
    bt_close(0);

    conn_record other = Record("", 5000);
    size_t box = Boxes().size(), mark = BtMark();
    EXPECT_EQ(Run({{kChooser, {KEY_CANCEL}}}, [&] { return bt_connect_pan(ui, &other); }), -41);
    for (const std::string &b : Boxes(box))
        EXPECT_EQ(b.find(kError), std::string::npos) << b;
    EXPECT_EQ(BtCount("OsPanConnect", mark), 0);
    EXPECT_STREQ(other.bt_mac, "");
}

TEST_F(BtScreensTest, SppChooserStoresTheDeviceAndCancelGivesMinusOne)
{
    Control("device AA:BB:CC:DD:EE:01 Printer\ndevice AA:BB:CC:DD:EE:02 Scales\ndelay pair 2000\n");
    conn_record r = Record("", 5000);
    EXPECT_EQ(Run({{kChooser, {DigitKey('1')}}}, [&] { return bt_connect_spp(ui, &r); }), 0);
    EXPECT_STREQ(r.bt_mac, "AA:BB:CC:DD:EE:01");
    EXPECT_STREQ(r.bt_name, "Printer");
    std::vector<std::string> boxes = Boxes();
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), std::string(kName) + u8"|Поиск Bluetooth устройств..."),
              boxes.end());
    EXPECT_EQ(boxes.back(), std::string(kName) + u8"|MAC: AA:BB:CC:DD:EE:01\nName: Printer\nСоединение...");
    bt_com_close();

    conn_record other = Record("", 5000);
    size_t mark = BtMark();
    EXPECT_EQ(Run({{kChooser, {KEY_CANCEL}}}, [&] { return bt_connect_spp(ui, &other); }), -1);
    EXPECT_EQ(BtCount("OsBREDRStartPair", mark), 0);
}

TEST_F(BtScreensTest, SppStoredAddressMatchesAcrossSeparatorsOrLeavesTheNameEmpty)
{
    Control("device AA-BB-CC-DD-EE-01 Printer\ndevice AA-BB-CC-DD-EE-02 Scales\ndelay pair 2000\n");
    conn_record r = Record("AA:BB:CC:DD:EE:02", 5000);
    EXPECT_EQ(Run({}, [&] { return bt_connect_spp(ui, &r); }), 0);
    EXPECT_EQ(LastBox(), std::string(kName) + u8"|MAC: AA:BB:CC:DD:EE:02\nName: Scales\nСоединение...");
    EXPECT_STREQ(r.bt_name, "Scales");
    bt_com_close();

    conn_record unknown = Record("11:22:33:44:55:66", 5000);
    EXPECT_EQ(Run({{kName, {KEY_ENTER}}}, [&] { return bt_connect_spp(ui, &unknown); }), -1012);
    std::vector<std::string> boxes = Boxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[boxes.size() - 2], std::string(kName) + u8"|MAC: 11:22:33:44:55:66\nName: \nСоединение...");
    EXPECT_EQ(boxes.back(), std::string(kName) + "|OsBREDRStartSPPConnect ret = -1012");
}

// The serial device opened by name: a box names it once; the descriptor
// already open is handed back without a box.
TEST_F(BtScreensTest, NamedSerialDeviceIsShownOnce)
{
    mkdir((NetRoot::root + "/dev").c_str(), 0777); // the screen's folder may be there
    PtyDevice pty(NetRoot::root + "/dev/rfcomm0");
    ASSERT_FALSE(pty.slave.empty());
    Control("device AA:BB:CC:DD:EE:01 Printer\ndelay pair 2000\n");
    conn_record r = Record("AA:BB:CC:DD:EE:01", 5000);
    ASSERT_EQ(Run({}, [&] { return bt_connect_spp(ui, &r); }), 0);
    size_t boxes = Boxes().size();
    int fd = -1;
    Run({{"DEVNAME", {KEY_ENTER}}}, [&] { return fd = bt_com_open_named(ui); });
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Boxes(boxes), std::vector<std::string>{"DEVNAME|Device name:\n/dev/rfcomm0"});
    EXPECT_EQ(bt_com_open_named(ui), fd);
    EXPECT_EQ(Boxes().size(), boxes + 1) << "no second box";
    bt_com_close();
}

// The work with a PC's wait for a PC over the serial port, with the toolkit
// in this thread on the virtual clock: the box is redrawn with a pause
// between passes, not as fast as the loop turns, for the whole minute, and
// then the time-out's box comes.
class BtWaitTest : public BtScreensTest {
protected:
    BtWaitTest() { threadMode = false; }
};

TEST_F(BtWaitTest, TheSerialWaitPausesBetweenItsRedrawsAndEndsAfterAMinute)
{
    Control("# no PC comes\n");
    ext_link_kind = EXT_LINK_BT_SPP;
    // A user's PAN link up: the mode closes the module, so it is down after.
    conn_active.type = CONN_BT;
    conn_publish_type();
    Key(KEY_ENTER); // the time-out's box
    uint32_t start = OsGetTickCount();
    run_external_mode(ui);
    uint32_t spent = OsGetTickCount() - start;
    int waits = 0;
    for (const auto &e : Trace("msgbox"))
        waits += e.Get("text").rfind(u8"ЖДЕМ ПОДКЛЮЧЕНИЯ ПО BLUETOOTH\nОСТАЛОСЬ ", 0) == 0;
    EXPECT_GE(waits, 60000 / 500);
    EXPECT_LE(waits, 60000 / 200 + 1);
    EXPECT_GT(spent, 60000u);
    EXPECT_EQ(LastBox(), std::string(kError) + u8"|ВРЕМЯ ОЖИДАНИЯ СОЕДИНЕНИЯ ИСТЕКЛО");
    EXPECT_EQ(BtCalls().back(), "OsBluetoothClose") << "the module closed at the end";
    EXPECT_EQ(conn_is_up(), 0);
}

} // namespace
} // namespace commstest
