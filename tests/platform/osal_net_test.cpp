// The OS stand-in's network calls: defaults without a script, scripted
// answers and sequences, refused scripts, the script file read again when it
// changes, and the call log with its secrets masked.
#include "osal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class OsalNetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/osal_net_test_XXXXXX";
        root = mkdtemp(tmpl);
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        mkdir((root + "/data").c_str(), 0777);
        mkdir((root + "/data/osal").c_str(), 0777);
        OsTestNetScript(nullptr, nullptr, 0);
    }
    void TearDown() override
    {
        OsTestNetScript(nullptr, nullptr, 0);
        OsTestClockDisable();
        unsetenv("TERMINAL_ROOT");
        (void)system(("rm -rf " + root).c_str());
    }
    void Script(const std::string &text)
    {
        char error[256];
        ASSERT_EQ(OsTestNetScript(text.c_str(), error, sizeof error), 0) << error;
    }
    std::string Read(const std::string &name)
    {
        std::ifstream in(root + "/data/osal/" + name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> LogLines(const std::string &call)
    {
        std::vector<std::string> out;
        std::istringstream in(Read("network.log"));
        for (std::string line; std::getline(in, line);)
            if (line.find("\"call\":\"" + call + "\"") != std::string::npos)
                out.push_back(line);
        return out;
    }
    std::string root;
};

TEST_F(OsalNetTest, WithoutAScriptTheLoopbackEthernetWorksAndNoModuleAnswers)
{
    EXPECT_EQ(OsNetStartDhcp(OS_NET_IF_ETH1), 0);
    EXPECT_EQ(OsNetCheckDhcp(OS_NET_IF_ETH1), 0);
    char ip[16], mask[16], gw[16], dns[16];
    EXPECT_EQ(OsNetGetConfig(OS_NET_IF_ETH1, ip, mask, gw, dns), 0);
    EXPECT_STREQ(ip, "127.0.0.1");
    EXPECT_STREQ(mask, "255.0.0.0");
    EXPECT_EQ(OsNetSetRoute(OS_NET_IF_ETH1), 0);

    EXPECT_EQ(OsNetSetConfig(OS_NET_IF_ETH1, "10.0.0.7", "255.255.255.0", "10.0.0.1", "10.0.0.1"), 0);
    EXPECT_EQ(OsNetGetConfig(OS_NET_IF_ETH1, ip, mask, gw, dns), 0);
    EXPECT_STREQ(ip, "10.0.0.7");
    EXPECT_STREQ(gw, "10.0.0.1");
    EXPECT_EQ(OsNetSetConfig(OS_NET_IF_ETH1, "10.0.0", "", "", ""), -1003);

    EXPECT_EQ(OsWifiOpen(), -1004);
    OsWifiApInfo aps[4];
    EXPECT_EQ(OsWifiScan(aps, 4), -1004);
    EXPECT_EQ(OsWlLock(), -1004);
    EXPECT_EQ(OsWlCheck(), -1004);
    EXPECT_EQ(OsWlGetSignal(), -1004);
    EXPECT_EQ(OsNetStartDhcp(OS_NET_IF_WIFI), -1004);
    EXPECT_EQ(OsNetCheckDhcp(OS_NET_IF_GPRS), -3314) << "DHCP never started";

    EXPECT_EQ(OsNetPing("127.0.0.1", 1000), 0);
    EXPECT_EQ(OsNetPing("localhost", 1000), 0);
    EXPECT_EQ(OsNetPing("192.0.2.1", 1000), -3307);
    EXPECT_EQ(OsNetPing(nullptr, 1000), -1003);
}

TEST_F(OsalNetTest, ScriptedWifiScanJoinAndLevel)
{
    Script("wifi-ap 9 16 -40 Office Net\n"
           "wifi-ap 1 0 -80 Guest\n"
           "wifi-connect 1\n"
           "wifi-check 1 1 0\n"
           "wifi-rssi -55 -70\n");
    EXPECT_EQ(OsWifiScan(nullptr, 4), -1003);
    OsWifiApInfo aps[4] = {};
    EXPECT_EQ(OsWifiScan(aps, 4), -3351) << "not open yet";
    ASSERT_EQ(OsWifiOpen(), 0);
    ASSERT_EQ(OsWifiScan(aps, 4), 2);
    EXPECT_STREQ(aps[0].Essid, "Office Net");
    EXPECT_EQ(aps[0].AuthMode, 9);
    EXPECT_EQ(aps[0].SecMode, 16u);
    EXPECT_EQ(aps[1].Rssi, -80);
    EXPECT_EQ(OsWifiScan(aps, 1), 1) << "the capacity bounds the copy";

    OsWifiApSet set = {};
    std::snprintf(set.Essid, sizeof set.Essid, "Office Net");
    set.AuthMode = 9;
    std::snprintf(set.u.Psk.Key, sizeof set.u.Psk.Key, "topsecret");
    set.u.Psk.KeyLen = 9;
    EXPECT_EQ(OsWifiConnect(&set, 0), 1);
    char essid[33], bssid[20];
    int rssi = 0;
    EXPECT_EQ(OsWifiCheck(essid, bssid, &rssi), 1);
    EXPECT_EQ(OsWifiCheck(essid, bssid, &rssi), 1);
    EXPECT_EQ(OsWifiCheck(essid, bssid, &rssi), 0);
    EXPECT_EQ(OsWifiCheck(essid, bssid, &rssi), 0) << "the last answer repeats";
    EXPECT_STREQ(essid, "Office Net");
    EXPECT_EQ(rssi, -70);
    EXPECT_EQ(OsNetStartDhcp(OS_NET_IF_WIFI), 0) << "a joined network has DHCP";

    std::string log = Read("network.log");
    EXPECT_EQ(log.find("topsecret"), std::string::npos);
    ASSERT_EQ(LogLines("OsWifiConnect").size(), 1u);
    EXPECT_NE(LogLines("OsWifiConnect")[0].find("\"key\":\"***\""), std::string::npos);

    OsWifiDisconnect();
    EXPECT_EQ(OsNetStartDhcp(OS_NET_IF_WIFI), -1004);
    OsWifiClose();
    EXPECT_EQ(OsWifiCheck(essid, bssid, &rssi), -3351);
}

TEST_F(OsalNetTest, ScriptedCellularAndInterfaces)
{
    Script("wl-check 2 2 1\n"
           "wl-login -1011 0\n"
           "wl-signal 3 -1\n"
           "wl-init -3504\n"
           "dhcp-start eth1 0\n"
           "dhcp-check 2 1 1 0\n"
           "config eth1 192.168.1.20 255.255.255.0 192.168.1.1 192.168.1.1\n"
           "set-route 2 -3305\n"
           "ping 10.0.0.1 -1001\n"
           "ping 10.0.0.2 0 delay 300\n"
           "ping 10.0.0.3 0 -3307 -1001\n");
    EXPECT_EQ(OsWlLock(), 0);
    EXPECT_EQ(OsWlInit("1234"), -3504);
    EXPECT_EQ(OsWlCheck(), 2);
    EXPECT_EQ(OsWlCheck(), 2);
    EXPECT_EQ(OsWlCheck(), 1);
    EXPECT_EQ(OsWlLogin("internet", "u", "pw", 0xFF, 60000, 0, 0), -1011);
    EXPECT_EQ(OsWlLogin("internet", "u", "pw", 0xFF, 60000, 0, 0), 0);
    EXPECT_EQ(OsWlGetSignal(), 3);
    EXPECT_EQ(OsWlGetSignal(), -1);
    std::string log = Read("network.log");
    EXPECT_EQ(log.find("1234"), std::string::npos);
    EXPECT_EQ(log.find("\"pw\""), std::string::npos);
    EXPECT_NE(LogLines("OsWlInit")[0].find("\"pin\":\"***\""), std::string::npos);

    EXPECT_EQ(OsNetStartDhcp(OS_NET_IF_ETH1), 0);
    for (int expected : {1, 1, 0})
        EXPECT_EQ(OsNetCheckDhcp(OS_NET_IF_ETH1), expected) << "dhcp-check 2 is the interface";
    char ip[16], mask[16];
    EXPECT_EQ(OsNetGetConfig(OS_NET_IF_ETH1, ip, mask, nullptr, nullptr), 0);
    EXPECT_STREQ(ip, "192.168.1.20");
    EXPECT_EQ(OsNetSetRoute(OS_NET_IF_ETH1), -3305);

    OsTestClockEnable(1000);
    unsigned start = OsGetTickCount();
    EXPECT_EQ(OsNetPing("10.0.0.1", 500), -1001);
    EXPECT_EQ(OsNetPing("10.0.0.2", 1000), 0);
    EXPECT_EQ(OsGetTickCount() - start, 300u) << "the scripted delay passes on the virtual clock";
    EXPECT_EQ(OsNetPing("10.0.0.2", 100), -1001) << "a delay beyond the wait is a time-out";
    EXPECT_EQ(OsGetTickCount() - start, 400u);
    // Several answers: one per call, the last repeating.
    for (int expected : {0, -3307, -1001, -1001})
        EXPECT_EQ(OsNetPing("10.0.0.3", 1000), expected);
}

TEST_F(OsalNetTest, ScriptLinesGoodAndBad)
{
    const struct {
        const char *line;
        const char *fault; // null: accepted
    } cases[] = {
        {"# comment", nullptr},
        {"   ", nullptr},
        {"\f \v", nullptr}, // blanks of other kinds make an empty line too
        {"wifi-ap\t1\f0 -50\vName  with\tblanks ", nullptr},
        {"dhcp-start wifi 0", nullptr},
        {"dhcp-check bt 1 1 0", nullptr},
        {"set-config 15 -12", nullptr},
        {"wifi-ap 0 0x30 -90 A b  c", nullptr},
        {"wifi-scan -3351 list 0", nullptr},
        {"wl-login -1011 -1011 0", nullptr},
        {"ping host.example -3315 delay 10", nullptr},
        {"config wifi 1.2.3.4 255.0.0.0 1.2.3.1 8.8.8.8", nullptr},
        {"dhcp-start", "needs an interface"},
        {"dhcp-start eth9 0", "needs an interface"},
        {"dhcp-start 16 0", "needs an interface"},
        {"dhcp-check eth1", "needs at least one answer"},
        {"wl-check 1 x", "\"x\" is not a number"},
        {"wl-check 99999999999", "is not a number"},
        {"wifi-scan 3", "a scan answer is 0"},
        {"wifi-ap 11 0 -50 A", "authentication mode"},
        {"wifi-ap 1 0 5 A", "RSSI"},
        {"wifi-ap 1 0 -50", "needs a mode"},
        {"wifi-ap 1 0 -50 123456789012345678901234567890123", "longer than 32"},
        {"config eth1 1.2.3.4 255.0.0.0 1.2.3.1", "four addresses"},
        {"config eth1 1.2.3.4 255.0.0.0 1.2.3.1 dns", "not a dotted"},
        {"ping host", "needs a target"},
        {"ping host 0 delay", "needs a target"},
        {"ping host 0 delay -5", "not a delay"},
        {"wifi-open", "needs at least one answer"},
        {"bogus 1", "unknown statement \"bogus\""},
    };
    for (const auto &c : cases) {
        std::string text = std::string("wl-signal 5\n") + c.line + "\n";
        char error[256] = "";
        int rc = OsTestNetScript(text.c_str(), error, sizeof error);
        if (!c.fault) {
            EXPECT_EQ(rc, 0) << c.line << ": " << error;
            EXPECT_EQ(OsNetCheckScript(text.c_str(), "f", error, sizeof error), 0) << c.line;
        } else {
            EXPECT_EQ(rc, -1) << c.line;
            EXPECT_NE(std::string(error).find("line 2: "), std::string::npos) << error;
            EXPECT_NE(std::string(error).find(c.fault), std::string::npos) << c.line << " -> " << error;
            EXPECT_EQ(OsWlGetSignal(), -1004) << "a refused script is not used at all: " << c.line;
        }
    }
}

TEST_F(OsalNetTest, TheScriptFileIsReadAgainWhenItChanges)
{
    std::string path = root + "/data/osal/network";
    std::ofstream(path) << "wl-signal 2\n";
    EXPECT_EQ(OsWlGetSignal(), 2);
    EXPECT_EQ(OsWlLock(), 0);
    EXPECT_EQ(OsWlLogin("a", "", "", 0xFF, 60000, 0, 0), 0);
    std::ofstream(path) << "wl-signal 5\n# a longer file\n";
    EXPECT_EQ(OsWlGetSignal(), 5);
    EXPECT_EQ(OsWlCheck(), 0) << "the login survives the change";

    // A bad line refuses the whole file with one message naming file and line.
    std::ofstream(path) << "wl-signal 5\nwl-signal\n";
    EXPECT_EQ(OsWlGetSignal(), -1004);
    EXPECT_EQ(OsWlGetSignal(), -1004);
    std::string events = Read("events.log");
    EXPECT_NE(events.find("network script " + path + " line 2: \"wl-signal\" needs at least one answer"),
              std::string::npos)
        << events;
    size_t first = events.find("network script");
    EXPECT_EQ(events.find("network script", first + 1), std::string::npos) << "reported once";

    unlink(path.c_str());
    EXPECT_EQ(OsWlGetSignal(), -1004);
}

TEST_F(OsalNetTest, CallsFromSeveralThreadsAreLoggedWhole)
{
    Script("wl-signal 4\nwifi-ap 1 0 -50 A\n");
    OsWifiOpen();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 50; ++i) {
                OsWlGetSignal();
                int rssi;
                OsWifiCheck(nullptr, nullptr, &rssi);
            }
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(LogLines("OsWlGetSignal").size(), 200u);
    EXPECT_EQ(LogLines("OsWifiCheck").size(), 200u);
    for (const std::string &line : LogLines("OsWlGetSignal"))
        EXPECT_EQ(line.back(), '}');
}

} // namespace
