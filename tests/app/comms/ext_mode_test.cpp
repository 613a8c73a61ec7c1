// The external-host mode's pieces below the dialog: the receipt-header
// picture from a raster, the USB device port over a pseudo-terminal, the
// TCP and descriptor links over loopback sockets and pipes, and the relay's
// tick on the dialog of res/ (no controller queue, no status line).
#include "ext_mode.h"
#include "raster_bmp.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "conn_level.h"
#include "conn_record.h"
#include "osal.h"
#include "ui_loader.h"
#include "ui_values.h"
#include "vuForm.h"
#include "vuMultiLine.h"
#include "TestTime.h"

namespace {

using Bytes = std::vector<uint8_t>;

class ExtModeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/ext_mode_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        ASSERT_EQ(system(("mkdir -p " + root + "/data/osal").c_str()), 0);
        ext_link_kind = EXT_LINK_USB;
    }
    void TearDown() override
    {
        OsPortClose(11);
        if (master >= 0)
            close(master);
        (void)system(("rm -rf " + root).c_str());
        unsetenv("TERMINAL_ROOT");
    }
    Bytes readFile(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // A pty whose slave is linked where the port looks for the device.
    std::string linkPty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(grantpt(master), 0);
        EXPECT_EQ(unlockpt(master), 0);
        std::string slave = ptsname(master);
        EXPECT_EQ(symlink(slave.c_str(), (root + "/data/osal/port11").c_str()), 0);
        return slave;
    }
    std::string root;
    int master = -1;
};

// A 16 x 8 picture worked out by hand: a diagonal from the top left in the
// first 8 columns, the bottom row black in the other 8.
TEST_F(ExtModeTest, RasterBecomesABottomUpBmpAndIsInstalled)
{
    Bytes raster(16);
    for (int x = 0; x < 8; ++x)
        raster[x] = uint8_t(0x80 >> x);
    for (int x = 8; x < 16; ++x)
        raster[x] = 0x01;
    std::string path = root + "/graph";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(raster.data()), 16);
    raster_to_bmp(path.c_str(), 2, 1);
    const Bytes expected = {
        'B', 'M', 92, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,                  // file size 4*8-2+62, offset 62
        40, 0, 0, 0, 16, 0, 0, 0, 8, 0, 0, 0, 1, 0, 1, 0,                // 16 x 8, 1 plane, 1 bit
        0, 0, 0, 0, 38, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0,     // image size 4*8+8-2, 3780 ppm
        0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0,         // palette white, black
        0x01, 0xFF, 0, 0, 0x02, 0, 0, 0, 0x04, 0, 0, 0, 0x08, 0, 0, 0,   // image rows 7, 6, 5, 4
        0x10, 0, 0, 0, 0x20, 0, 0, 0, 0x40, 0, 0, 0, 0x80, 0,            // rows 3, 2, 1, 0 (no pad)
    };
    EXPECT_EQ(readFile(root + "/data/tmp/fiscal_header"), expected);
    EXPECT_EQ(access(path.c_str(), F_OK), -1); // moved into place
}

// One byte wide: every row but the last padded to four bytes; a raster
// shorter than its size is white where it ends; no picture of no size or
// wider than the printer.
TEST(RasterBmp, RowsPaddedAndAShortRasterWhite)
{
    const uint8_t topLeft = 0x80; // column 0, dot 0; its second byte missing
    const Bytes bmp = raster_bmp_encode(&topLeft, 1, 1, 2);
    ASSERT_EQ(bmp.size(), size_t((1 + 3) * 16 - 3 + 62));
    EXPECT_EQ(bmp[2], bmp.size());
    for (size_t at = 62; at < bmp.size(); ++at)
        EXPECT_EQ(bmp[at], at == bmp.size() - 1 ? 0x80 : 0) << at; // the top row last
    EXPECT_TRUE(raster_bmp_encode(&topLeft, 1, 0, 2).empty());
    EXPECT_TRUE(raster_bmp_encode(&topLeft, 1, 261, 1).empty());
    EXPECT_EQ(raster_bmp_encode(nullptr, 0, 260, 1).size(), size_t(260 * 8 + 62));
}

TEST_F(ExtModeTest, RasterOfNoSizeOrNoFileLeavesEverythingAlone)
{
    raster_to_bmp((root + "/none").c_str(), 2, 1);
    std::string path = root + "/graph";
    std::ofstream(path) << "xyz";
    raster_to_bmp(path.c_str(), 0, 1);
    EXPECT_EQ(readFile(path), (Bytes{'x', 'y', 'z'}));
    EXPECT_EQ(access((root + "/data/tmp/fiscal_header").c_str(), F_OK), -1);
}

TEST_F(ExtModeTest, UsbPortSetsThePtyModeAndMovesBytes)
{
    std::string slave = linkPty();
    ASSERT_EQ(link_open_port(), 0);
    EXPECT_EQ(OsPortOpen(11, "57600,8,n,1"), -1005);
    int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio;
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    close(fd);
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B57600));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), tcflag_t(0));

    uint8_t buf[16];
    EXPECT_EQ(link_receive(buf, sizeof buf, 0), 0);
    ASSERT_EQ(write(master, "\x10\x31", 2), 2);
    EXPECT_EQ(link_receive(buf, sizeof buf, 1000), 2);
    EXPECT_EQ(link_send("\x06", 1), 0);
    ASSERT_EQ(read(master, buf, sizeof buf), 1);
    EXPECT_EQ(buf[0], 0x06);
    close(master);
    master = -1;
    EXPECT_EQ(link_receive(buf, sizeof buf, 0), -1012); // the host is gone
    EXPECT_EQ(link_close_port(), 0);
    EXPECT_EQ(OsPortRecv(11, buf, 1, 0), -1006);
}

TEST_F(ExtModeTest, UsbPortRefusals)
{
    EXPECT_EQ(OsPortOpen(11, "57600,8,n,1"), -1004); // nobody linked a device
    linkPty();
    for (const char *bad : {"", "57600", "57601,8,n,1", "57600,9,n,1", "57600,8,x,1", "57600,8,n,3",
                            "57600,8,n,1,", "-5,8,n,1"})
        EXPECT_EQ(OsPortOpen(11, bad), -1003) << bad;
    EXPECT_EQ(OsPortOpen(11, nullptr), -1003);
    EXPECT_EQ(OsPortOpen(3, "57600,8,n,1"), -1011);
    EXPECT_EQ(OsPortSend(11, "x", 1), -1006);
    ASSERT_EQ(OsPortOpen(11, "9600,7,e,2"), 0);
    std::ifstream events(root + "/data/osal/events.log");
    std::string all((std::istreambuf_iterator<char>(events)), {});
    EXPECT_NE(all.find("port open 11 9600,7,e,2"), std::string::npos) << all;
}

TEST_F(ExtModeTest, OtherKindsHaveNoLink)
{
    ext_link_kind = static_cast<ExtLinkKind>(3); // no such link
    uint8_t b;
    EXPECT_EQ(link_send("x", 1), -1);
    EXPECT_EQ(link_receive(&b, 1, 0), -1);
    ext_link_kind = EXT_LINK_WIFI;
    ext_client_socket = -1;
    EXPECT_EQ(link_send("x", 1), -1);
    EXPECT_EQ(link_receive(&b, 1, 0), -1);
}

TEST_F(ExtModeTest, ListensOnlyOnTheLinksOwnAddress)
{
    conn_clear_active();
    EXPECT_EQ(link_listen(0), -1); // no address yet
    snprintf(conn_active.ip, sizeof conn_active.ip, "0.0.0.0");
    EXPECT_EQ(link_listen(0), -1);
    snprintf(conn_active.ip, sizeof conn_active.ip, "127.0.0.1");
    int lfd = link_listen(0);
    ASSERT_GE(lfd, 0);
    EXPECT_EQ(link_accept(lfd), -1); // nobody waits
    sockaddr_in a;
    socklen_t len = sizeof a;
    ASSERT_EQ(getsockname(lfd, reinterpret_cast<sockaddr *>(&a), &len), 0);
    EXPECT_EQ(a.sin_addr.s_addr, htonl(INADDR_LOOPBACK));

    int peer = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(peer, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    int fd = -1;
    for (int i = 0; i < testtime::Tries(1000, 10) && fd < 0; ++i) {
        fd = link_accept(lfd);
        if (fd < 0)
            usleep(10000);
    }
    ASSERT_GE(fd, 0);

    // A reply larger than the socket's buffer still goes whole.
    int small = 4096;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    std::string big(300000, 'r');
    std::string got;
    std::thread reader([&] {
        char b[8192];
        while (got.size() < big.size()) {
            ssize_t n = read(peer, b, sizeof b);
            if (n <= 0)
                break;
            got.append(b, size_t(n));
        }
    });
    EXPECT_EQ(link_sock_send(fd, big.data(), int(big.size())), 0);
    reader.join();
    EXPECT_EQ(got, big);

    uint8_t buf[8];
    EXPECT_EQ(link_sock_recv(fd, buf, sizeof buf, 0), 0);
    ASSERT_EQ(write(peer, "0123456789", 10), 10);
    EXPECT_EQ(link_sock_recv(fd, buf, sizeof buf, 2000), 8); // full buffer returns at once
    EXPECT_EQ(link_sock_recv(fd, buf, sizeof buf, 0), 2);
    close(peer);
    EXPECT_EQ(link_sock_recv(fd, buf, sizeof buf, 0), kLinkEnd);
    EXPECT_EQ(link_sock_recv(-1, buf, sizeof buf, 0), -1);
    EXPECT_EQ(link_sock_send(-1, "x", 1), 0);
    link_close_socket(fd);
    link_close_fd(lfd);
    conn_clear_active();
}

TEST_F(ExtModeTest, DescriptorLinks)
{
    signal(SIGPIPE, SIG_IGN);
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    EXPECT_EQ(link_fd_write(p[1], "abc", 3), 0);
    uint8_t buf[8];
    EXPECT_EQ(link_fd_read(p[0], buf, 2, 0), 2);
    EXPECT_EQ(link_fd_read(p[0], buf, 8, 0), 1);
    EXPECT_EQ(link_fd_read(p[0], buf, 8, 0), 0);
    EXPECT_EQ(link_fd_read(-1, buf, 8, 0), -1);
    close(p[0]);
    EXPECT_EQ(link_fd_write(p[1], "abc", 3), 3); // nothing went
    close(p[1]);
}

// The relay's tick as the dialog runs it, on the virtual clock; the
// dialog's log read back from its "msg".
class ExtTickTest : public ExtModeTest {
protected:
    void SetUp() override
    {
        ExtModeTest::SetUp();
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        // The dialog of res/ at its design size: there is no screen here
        // to scale it to, and the log keeps as many lines as "msg" holds.
        std::ifstream in(SOURCE_DIR "/res/kkt_dlg_external.xml");
        std::string xml((std::istreambuf_iterator<char>(in)), {});
        size_t at = xml.find("resize=\"1\"");
        ASSERT_NE(at, std::string::npos);
        xml.replace(at, 10, "resize=\"0\"");
        std::ofstream(root + "/dialog.xml") << xml;
        int err = 0;
        form = load_form_file((root + "/dialog.xml").c_str(), &err);
        ASSERT_NE(form, nullptr) << err;
        relay_reset(ext_relay_state);
        OsTestClockEnable(1000);
    }
    void TearDown() override
    {
        OsTestClockDisable();
        link_close_socket(ext_client_socket);
        ext_client_socket = -1;
        link_close_fd(ext_listen_socket);
        ext_listen_socket = -1;
        for (int fd : peers)
            close(fd);
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        delete form;
        (void)chdir(cwd);
        ExtModeTest::TearDown();
    }
    int Tick() { return external_relay_tick(nullptr, reinterpret_cast<intptr_t>(form)); }
    std::string Log()
    {
        auto *msg = dynamic_cast<vuMultiLine *>(form->GetByName("msg"));
        if (!msg || !msg->GetValue())
            return "";
        std::vector<char> text(4 * strlen(msg->GetValue()) + 1);
        cp1251_to_utf8(msg->GetValue(), text.data(), unsigned(text.size()));
        return text.data();
    }
    int Count(const std::string &text)
    {
        std::string log = Log();
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }
    // Ticks until the condition holds: the kernel moves the bytes and
    // connections between the ends in its own time.
    bool TickUntil(const std::function<bool()> &done)
    {
        for (int i = 0; i < testtime::Tries(2000, 5); ++i) {
            Tick();
            if (done())
                return true;
            usleep(5000);
        }
        return false;
    }
    // A peer on the listener's port, and "address:port" as the terminal
    // sees it.
    std::string Connect()
    {
        sockaddr_in a;
        socklen_t len = sizeof a;
        EXPECT_EQ(getsockname(ext_listen_socket, reinterpret_cast<sockaddr *>(&a), &len), 0);
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
        peers.push_back(fd);
        len = sizeof a;
        EXPECT_EQ(getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len), 0);
        return "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    }
    char cwd[4096] = "";
    vuForm *form = nullptr;
    std::vector<int> peers;
};

// No status line draws a "netlevel" here, so only the tick asks the WiFi
// link's level: the listener opens, closes when the link is lost and opens
// again when it is back. Each peer's address and port goes to the dialog's
// log as it connects, is replaced and leaves.
TEST_F(ExtTickTest, TcpTickAsksTheLinksLevelAndLogsEachPeer)
{
    char error[256];
    ASSERT_EQ(OsTestNetScript("wifi-ap 9 16 -40 Home\nwifi-check 0 -1012 0\n", error, sizeof error), 0) << error;
    ASSERT_EQ(OsWifiOpen(), 0);
    conn_clear_active();
    conn_active.type = CONN_WIFI;
    snprintf(conn_active.ip, sizeof conn_active.ip, "127.0.0.1");
    conn_publish_type();
    conn_level_reset();
    ext_net_level.store(-1);
    ext_link_kind = EXT_LINK_WIFI;
    ext_port = 0; // any free port of the address
    ext_listen_socket = ext_client_socket = -1;

    EXPECT_EQ(Tick(), 2);
    ASSERT_GE(ext_listen_socket, 0) << Log();
    EXPECT_EQ(Count(u8"Ожидание клиента"), 1);
    Tick(); // listens

    const std::string one = Connect();
    ASSERT_TRUE(TickUntil([&] { return ext_client_socket >= 0; })) << Log();
    EXPECT_EQ(Count(u8"Подключен клиент " + one + "\n"), 1) << Log();
    const std::string two = Connect();
    ASSERT_TRUE(TickUntil([&] { return Count(u8"Подключен клиент " + two + "\n") > 0; })) << Log();
    EXPECT_EQ(Count(u8"Клиент заменён: " + one + "\n"), 1) << Log();
    close(peers.back());
    peers.pop_back();
    ASSERT_TRUE(TickUntil([&] { return ext_client_socket < 0; })) << Log();
    EXPECT_EQ(Count(u8"Отключен клиент " + two + "\n"), 1) << Log();

    // The level is asked again after half a second: lost, then back.
    OsTestClockAdvance(600);
    EXPECT_EQ(Tick(), 2);
    EXPECT_EQ(ext_listen_socket, -1);
    EXPECT_EQ(Count(u8"Связь потеряна"), 1) << Log();
    OsTestClockAdvance(600);
    EXPECT_EQ(Tick(), 2);
    EXPECT_GE(ext_listen_socket, 0);
    EXPECT_EQ(Count(u8"Ожидание клиента"), 2) << Log();
}

// Over the USB port: raster bytes go to "./data/graph", a data file; then
// the host goes away and the failed link is logged once, not every tick.
TEST_F(ExtTickTest, UsbTickWritesTheRasterAsDataAndLogsAFailedLinkOnce)
{
    linkPty();
    ASSERT_EQ(link_open_port(), 0);
    ASSERT_EQ(chdir(root.c_str()), 0);
    ext_relay_state.last_host_command = 0x4F;
    ext_relay_state.graph_width = 2;
    ext_relay_state.graph_height = 1;
    mode_t mask = umask(0);
    ASSERT_EQ(write(master, "\x01\x02\x03\x04\x05", 5), 5);
    bool took = TickUntil([&] { return ext_relay_state.bytes_from_host == 5; });
    umask(mask);
    ASSERT_TRUE(took) << Log();
    struct stat st;
    ASSERT_EQ(stat("data/graph", &st), 0);
    EXPECT_EQ(st.st_size, 5);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "a data file, written by its owner only";

    close(master);
    master = -1;
    std::vector<int> results;
    for (int i = 0; i < 3; ++i)
        results.push_back(Tick());
    EXPECT_EQ(results, (std::vector<int>{2, 0, 0}));
    EXPECT_EQ(Count(u8"Сбой связи (-1012)"), 1) << Log();
}

} // namespace
