// The marking notifications end to end: kktsim, srvsim and cashdesk as
// processes of their own. "ofd_conn" on a marking drive brings up the
// configured Ethernet link and sends each notification to srvsim, the
// drive's count back to 0; on an autonomous drive it unloads them into a
// file in kktsim's USB folder, which the test reads back itself (both
// checksums recomputed here, each notification found once); a 0x89 failure
// half-way; no USB, no notifications.
#include "CashdeskE2e.h"
#include "JsonLines.h"
#include "SrvsimProcess.h"

#include <dirent.h>

namespace {

using namespace e2e;

uint16_t crc16(const std::string &data, uint16_t crc = 0xFFFF)
{
    for (unsigned char c : data) {
        crc = static_cast<uint16_t>(crc ^ (c << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

uint32_t crc32(const std::string &data, uint32_t crc)
{
    for (unsigned char c : data) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc;
}

uint32_t dword(const std::string &b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

class CashdeskNotices : public Cashdesk {
protected:
    void TearDown() override
    {
        server.Stop();
        Cashdesk::TearDown();
    }
    // kktsim with a registered FFD 1.2 marking drive and the extra lines; the
    // settings: an Ethernet connection on the loopback. usb makes kktsim's
    // USB folder.
    void Start(const std::string &drive, bool usb = false)
    {
        ASSERT_EQ(system(("mkdir -p '" + root + "/sys/class/net/eth1' && echo 1 >'" + root +
                          "/sys/class/net/eth1/carrier'")
                             .c_str()),
                  0);
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
            << "<connections><conn name=\"lan\" type=\"ETH1\" dhcp=\"0\" ip=\"127.0.0.1\" mask=\"255.0.0.0\"/>"
            << "</connections></settings>\n";
        if (usb) {
            ASSERT_EQ(system(("mkdir -p '" + dir + "/kktsim/usb'").c_str()), 0);
        }
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") +
                 "drive ffd 1.2\ndrive marking 100\n" + drive);
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
    }
    // Chooses "ofd_conn" from the main menu (on the screen).
    void OfdConn()
    {
        Choose("kkt_menu_main.xml", "ofd");
        WaitForm("kkt_menu_ofd.xml");
        Choose("kkt_menu_ofd.xml", "ofd_conn");
    }
    // The item of a menu just shown (its first item selected).
    void Choose(const std::string &file, const std::string &id)
    {
        std::vector<std::string> items = menuItems(dir + "/res/" + file);
        size_t to = 0;
        while (to < items.size() && items[to] != id)
            ++to;
        ASSERT_LT(to, items.size()) << id;
        Key(KEY_DOWN, static_cast<int>(to));
        Key(KEY_ENTER);
    }
    jsonl::Json Notices() const
    {
        jsonl::Json j;
        jsonl::Parse(driveState(dir + "/kktsim"), &j);
        return j.contains("notify") ? j["notify"]["list"] : jsonl::Json::array();
    }
    std::vector<std::string> Stages() const
    {
        std::vector<std::string> out;
        for (auto &n : Notices())
            out.push_back(n["stage"].get<std::string>());
        return out;
    }
    // Waits until kktsim's state shows the stages (20 s at most).
    bool WaitStages(const std::vector<std::string> &want)
    {
        for (int i = 0; i < testtime::Tries(20000, 10); ++i) {
            if (Stages() == want)
                return true;
            pause10ms();
        }
        return false;
    }
    // The unload files in the USB folder.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> out;
        if (DIR *d = opendir((dir + "/kktsim/usb").c_str())) {
            while (dirent *e = readdir(d))
                if (std::string(e->d_name).rfind("unload_", 0) == 0)
                    out.push_back(e->d_name);
            closedir(d);
        }
        return out;
    }
    // Checks the file as the marking system would: every record's CRC-16
    // (the notification's bytes 2-3 hold it, in the stand-in's format), the
    // header's CRC-32 over the header as it was read back (bytes 363-366
    // still spaces) and each record read back once. The notifications'
    // bodies, in order.
    std::vector<std::string> Check(const std::string &file)
    {
        std::vector<std::string> out;
        EXPECT_GE(file.size(), 375u);
        if (file.size() < 375)
            return out;
        std::string header = file.substr(0, 371);
        header.replace(363, 4, "    ");
        uint32_t crc = crc32(header, 0xFFFFFFFF);
        size_t at = 375;
        std::string prefix = file.size() >= 379 ? file.substr(375, 4) : std::string(4, '\0');
        crc = crc32(prefix, crc);
        while (at + 4 <= file.size()) {
            EXPECT_EQ(file.substr(at, 2), std::string("\xC9\x00", 2));
            const size_t n = static_cast<uint8_t>(file[at + 2]) | static_cast<uint8_t>(file[at + 3]) << 8;
            const std::string body = file.substr(at + 4, n);
            EXPECT_EQ(body.size(), n);
            const uint16_t own = static_cast<uint16_t>(static_cast<uint8_t>(body[2]) | static_cast<uint8_t>(body[3]) << 8);
            EXPECT_EQ(crc16(body.substr(4), crc16(body.substr(0, 2))), own) << "record " << out.size();
            out.push_back(body);
            at += 4 + n;
        }
        EXPECT_EQ(at, file.size());
        return out;
    }
    uint32_t ReadBackCrc(const std::string &file, size_t records)
    {
        std::string header = file.substr(0, 371);
        header.replace(363, 4, "    ");
        std::string prefix = file.size() >= 379 ? file.substr(375, 4) : std::string(4, '\0');
        uint32_t crc = crc32(prefix, crc32(header, 0xFFFFFFFF));
        size_t at = 379;
        for (size_t i = 0; i < records; ++i) {
            const size_t n = static_cast<uint8_t>(file[at - 2]) | static_cast<uint8_t>(file[at - 1]) << 8;
            std::string chunk = file.substr(at, n + 4);
            chunk.resize(n + 4, '\0');
            crc = crc32(chunk, crc);
            at += n + 4;
        }
        return crc;
    }
    SrvsimProcess server;
};

TEST_F(CashdeskNotices, OfdConnSendsTheNotificationsOverTheLoopbackLink)
{
    std::string error;
    ASSERT_TRUE(server.Start(SRVSIM_PATH, dir + "/srvsim", "", &error)) << error;
    Start("drive oism-server 127.0.0.1 " + std::to_string(server.Port()) + "\ndrive oism-times 60 5 5\n"
          "drive notify 40 300\n");
    const jsonl::Json before = Notices();
    OfdConn();
    WaitForm("common_dlg_oism.xml");
    Entry box = WaitBox(u8"ОБМЕН ЗАВЕРШЕН");
    EXPECT_NE(box.Get("text").find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ"), std::string::npos) << box.Get("text");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    EXPECT_TRUE(Notices().empty()) << "the drive's count is back to 0";
    auto requests = server.Journal("request");
    ASSERT_EQ(requests.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(jsonl::Text(requests[i], "kind"), "oism");
        EXPECT_EQ(jsonl::Text(requests[i], "body"), before[i]["body"].get<std::string>());
    }
}

TEST_F(CashdeskNotices, AnAutonomousDriveUnloadsToTheUsbFolder)
{
    Start("drive reg-flags 02\ndrive notify 40 600 32\n", true);
    const jsonl::Json before = Notices();
    OfdConn();
    ASSERT_TRUE(WaitStages({"confirmed", "confirmed", "confirmed"}));
    std::vector<std::string> files;
    for (int i = 0; i < testtime::Tries(5000, 10) && files.empty(); ++i) {
        files = Files();
        pause10ms();
    }
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].size(), 23u) << "unload_HHMM_DDMMYY.crpt: " << files[0];
    EXPECT_EQ(files[0].substr(18), ".crpt");
    // The header is written last: wait for its checksum.
    std::string file;
    for (int i = 0; i < testtime::Tries(5000, 10); ++i) {
        file = readFile(dir + "/kktsim/usb/" + files[0]);
        if (file.size() > 375 && file.substr(371, 4) != "    ")
            break;
        pause10ms();
    }
    const std::vector<std::string> bodies = Check(file);
    ASSERT_EQ(bodies.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(jsonl::Hex(bodies[i]), before[i]["body"].get<std::string>()) << "each notification once, in order";
    EXPECT_EQ(dword(file, 371), ReadBackCrc(file, 3));
    EXPECT_EQ(dword(file, 363), 3u) << "the last confirmed notification";
}

TEST_F(CashdeskNotices, APieceFailingHalfWayLeavesThatNotificationInTheDrive)
{
    Start("drive reg-flags 02\ndrive notify 40 600 32\nfault 89 refuse 01 after 2 times 1\n", true);
    OfdConn();
    WaitBox(u8"ОШИБКА"); // the drive's refusal
    Key(KEY_ENTER);
    Entry box = WaitBox(u8"ОШИБКА");
    EXPECT_NE(box.Get("text").find(u8"ВЫГРУЗКА УВЕДОМЛЕНИЙ НЕ ЗАВЕРШЕНА"), std::string::npos) << box.Get("text");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    EXPECT_EQ(Stages(), (std::vector<std::string>{"confirmed", "waiting", "waiting"}));
    const std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 1u);
    const std::string file = readFile(dir + "/kktsim/usb/" + files[0]);
    EXPECT_EQ(Check(file).size(), 1u) << "the file is finished and consistent";
    EXPECT_EQ(dword(file, 371), ReadBackCrc(file, 1));
}

TEST_F(CashdeskNotices, WithoutAUsbDriveTheBoxAsksForIt)
{
    Start("drive reg-flags 02\ndrive notify 40\n");
    OfdConn();
    EXPECT_EQ(WaitBox(u8"ОШИБКА").Get("text"), u8"ДЛЯ ВЫГРУЗКИ УВЕДОМЛЕНИЙ ПОДКЛЮЧИТЕ USB FLASH");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    EXPECT_EQ(Stages(), std::vector<std::string>{"waiting"});
}

TEST_F(CashdeskNotices, NoNotificationsToUnload)
{
    Start("drive reg-flags 02\n", true);
    OfdConn();
    EXPECT_EQ(WaitBox(u8"ОШИБКА").Get("text"), u8"НЕТ УВЕДОМЛЕНИЙ ДЛЯ ВЫГРУЗКИ");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    EXPECT_TRUE(Files().empty());
}

} // namespace
