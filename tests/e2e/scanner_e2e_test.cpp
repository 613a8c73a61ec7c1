// A marked good scanned end to end: kktsim (FFD 1.2, marking on,
// autonomous), cashdesk and scanfeed as processes of their own; the scanner
// is a FIFO in the terminal root (a USB scanner's HID reports or the
// built-in scanner's lines); each step waited for on the screen trace;
// checked in the stand-in's journal and tape.
#include "CashdeskE2e.h"
#include "JsonLines.h"

namespace e2e {
namespace {


// A short marking code: GTIN, serial, GS, the check key (AI 93).
const char kScanCode[] = "0104600439931256215>eJ7F\\u001d93dGVz";
const char kCodeOnTape[] = "0104600439931256215>eJ7F<GS>93dGVz";
const std::string kCodeBytes = std::string("0104600439931256215>eJ7F\x1d") + "93dGVz";

class Scanning : public Cashdesk {
protected:
    enum class Kind { Hid, Builtin };

    // The scanner's FIFO and properties, the stand-in on an autonomous
    // FFD 1.2 drive with marking on and the shift open, the program at
    // the receipt wizard.
    void Open(Kind kind)
    {
        kind_ = kind;
        if (kind == Kind::Hid) {
            ASSERT_EQ(mkfifo((root + "/dev/hidraw0").c_str(), 0666), 0);
            ASSERT_EQ(OsRegSetValue("osal.hidraw.name", "WCM HIDKeyBoard"), 0);
        } else {
            ASSERT_EQ(mkfifo((root + "/dev/scanner").c_str(), 0666), 0);
            ASSERT_EQ(OsRegSetValue("ro.fac.barcode", "1"), 0);
        }
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
            << u8"<FiscalReceipt Seller=\"Иванов И.И.\"/></settings>\n";
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") +
                 "drive ffd 1.2\ndrive marking 100\ndrive reg-flags 02\ndrive shift open 5\n");
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
        Choose("kkt_menu_main.xml", "sales");
        WaitForm("kkt_menu_sales.xml");
        Choose("kkt_menu_sales.xml", "receipt_fiscal");
    }
    void At(const std::string &file, std::initializer_list<uint16_t> keys)
    {
        WaitForm(file);
        for (uint16_t k : keys)
            Key(k);
    }
    // scanfeed scans the code once the scan dialog is up: it waits for the
    // reader, then lets it settle (what a scanner sent before reading began
    // is thrown away).
    void Scan(const char *code)
    {
        std::string script = dir + "/scan.scn";
        std::ofstream(script) << "wait 300\ncode " << code << "\n";
        std::string feedJournal = dir + "/scanfeed.jsonl";
        pid_t feed = spawn(dir, {SCANFEED_PATH, kind_ == Kind::Hid ? "--hid" : "--builtin", "--root", root, "--wait",
                                 "10000", "--journal", feedJournal, "--script", script});
        ASSERT_GT(feed, 0);
        int status = 0;
        long end = testtime::Deadline(kWaitMs);
        while (waitpid(feed, &status, WNOHANG) == 0) {
            if (nowMs() > end) {
                kill(feed, SIGKILL);
                waitpid(feed, &status, 0);
                FAIL() << "scanfeed did not end";
            }
            pause10ms();
        }
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(feedJournal);
    }
    // A marked good (object item 2, code 33) scanned, then its pages.
    void AddMarkedGood()
    {
        At("kkt_dlg_poss_cheque.xml", {KEY_ADD});
        // in the list 8 moves up (round to the item), 5 checks it
        At("kkt_dlg_receipt_calc_object_1_2.xml", {KEY_EIGHT, KEY_EIGHT, KEY_FIVE, KEY_ENTER});
        WaitForm("kkt_dlg_scan_mark.xml");
        Scan(kScanCode);
        for (const char *page : {"kkt_dlg_receipt_good_5.xml", "kkt_dlg_receipt_good_3.xml",
                                 "kkt_dlg_receipt_good_4.xml", "kkt_dlg_receipt_good_1.xml",
                                 "kkt_dlg_select_tax_type.xml", "kkt_dlg_receipt_calc_method.xml",
                                 "kkt_dlg_receipt_agent_1.xml", "kkt_dlg_receipt_good_2.xml"})
            At(page, {KEY_ENTER});
    }
    void Sell()
    {
        for (const char *page : {"kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml"})
            At(page, {KEY_ENTER});
        AddMarkedGood();
        At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
        At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
        At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
        Entry done = WaitBox(u8"КАССОВЫЙ ЧЕК");
        EXPECT_EQ(done.Get("text"), u8"ЧЕК УСПЕШНО ЗАВЕРШЕН!");
        Key(KEY_ENTER);
        WaitForm("kkt_menu_sales.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
        Quit();
    }
    // The marking and receipt commands taken, in order.
    std::vector<std::string> Codes()
    {
        std::vector<std::string> out;
        for (const std::string &c : Taken())
            if ((c >= "10" && c <= "1F" && c != "1D") || (c >= "21" && c <= "26"))
                out.push_back(c);
        return out;
    }
    // The fields of the last request of the code, from kktsim's journal.
    std::vector<std::string> Last(const std::string &code)
    {
        std::vector<std::string> fields;
        for (const Entry &e : ReadJournal(journal, "in", 1)) {
            if (e.Get("code") != code)
                continue;
            jsonl::Json j;
            fields.clear();
            if (jsonl::Parse(e.line, &j) && j.contains("fields"))
                for (const auto &f : j["fields"])
                    fields.push_back(f.get<std::string>());
        }
        return fields;
    }
    // The code as the drive took it with 0x21 (its second field, in hex)
    // and as the tape shows it (the tape's lines wrapped at the code).
    void ExpectCodeTaken()
    {
        std::vector<std::string> f21 = Last("21");
        ASSERT_GE(f21.size(), 2u);
        EXPECT_EQ(f21[1], jsonl::Hex(kCodeBytes));
        std::string tape = readFile(dir + "/kktsim/paper.txt"), joined;
        for (size_t i = 0; i < tape.size(); ++i) {
            if (tape[i] != '\n') {
                joined += tape[i];
                continue;
            }
            while (i + 1 < tape.size() && tape[i + 1] == ' ')
                ++i;
        }
        EXPECT_NE(joined.find(std::string(u8"КМ ") + kCodeOnTape), std::string::npos) << tape;
    }
    // The scanner's lines in the controller service's log.
    std::string ServiceLogText()
    {
        std::string text;
        for (const Entry &e : ReadJournal(journal, "in", 6))
            text += e.Get("text") + "\n";
        return text;
    }

    Kind kind_ = Kind::Hid;
};

} // namespace

// A USB scanner sends the code as key reports, the GS as Left Alt + keypad
// 2 9; the autonomous drive checks it itself (no server) and the code goes
// with 0x21 onto the receipt's goods line.
TEST_F(Scanning, MarkedGoodScannedByAUsbScannerOnAnAutonomousDrive)
{
    Open(Kind::Hid);
    Sell();
    std::vector<std::string> codes = Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "24"), 0) << "no server check on an autonomous drive";
    EXPECT_NE(std::find(codes.begin(), codes.end(), "26"), codes.end());
    auto at21 = std::find(codes.begin(), codes.end(), "21");
    ASSERT_NE(at21, codes.end());
    ASSERT_NE(at21 + 1, codes.end());
    EXPECT_EQ(*(at21 + 1), "11") << "the code goes with the goods line";
    ExpectCodeTaken();
    std::string log = ServiceLogText();
    EXPECT_NE(log.find("### Start scaner ###"), std::string::npos) << log;
    EXPECT_NE(log.find("### Stop scaner ###"), std::string::npos) << log;
}

// The built-in scanner reads the code as one line.
TEST_F(Scanning, MarkedGoodScannedByTheBuiltInScanner)
{
    Open(Kind::Builtin);
    Sell();
    ExpectCodeTaken();
    std::string log = ServiceLogText();
    EXPECT_NE(log.find("### Scan Read Line ###"), std::string::npos) << log;
}

} // namespace e2e
