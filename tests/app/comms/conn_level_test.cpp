// The link level on the status line: per kind, with the RSSI clamp, the
// carrier file, and at most one platform query per period (the stand-in's
// call log counts them), under the virtual clock.
#include "conn_level.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "conn_record.h"
#include "osal.h"
#include "vuNetLevel.h"

namespace {

class ConnLevelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/conn_level_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        ASSERT_EQ(system(("mkdir -p " + root + "/data/osal " + root + "/sys/class/net/eth1").c_str()), 0);
        OsTestClockEnable(100000);
        conn_clear_active();
        conn_level_reset();
        ext_net_level = -1;
    }
    void TearDown() override
    {
        OsTestNetScript(nullptr, nullptr, 0);
        OsTestClockDisable();
        conn_clear_active();
        (void)system(("rm -rf " + root).c_str());
    }
    void Script(const std::string &text)
    {
        char error[256];
        ASSERT_EQ(OsTestNetScript(text.c_str(), error, sizeof error), 0) << error;
    }
    void Type(uint16_t type)
    {
        conn_active.type = type;
        conn_publish_type();
        conn_level_reset();
    }
    int Calls(const std::string &call)
    {
        std::ifstream in(root + "/data/osal/network.log");
        int n = 0;
        for (std::string line; std::getline(in, line);)
            n += line.find("\"call\":\"" + call + "\"") != std::string::npos;
        return n;
    }
    void Join()
    {
        ASSERT_EQ(OsWifiOpen(), 0);
        OsWifiApSet ap = {};
        snprintf(ap.Essid, sizeof ap.Essid, "Home");
        ASSERT_EQ(OsWifiConnect(&ap, 0), 0);
    }
    void Carrier(const char *text)
    {
        std::ofstream(root + "/sys/class/net/eth1/carrier") << text;
    }
    std::string Text() { return item.GetText() ? item.GetText() : ""; }
    intptr_t Item() { return reinterpret_cast<intptr_t>(&item); }

    std::string root;
    vuNetLevel item{0, 0, 20, 20, nullptr};
};

TEST_F(ConnLevelTest, WifiLevelIsTheClampedRssiAskedOncePerSecond)
{
    Script("wifi-ap 9 16 -40 Home\nwifi-rssi -40 -130 20\nwifi-check 0 0 1 -3310\n");
    Join();
    Type(CONN_WIFI);
    EXPECT_EQ(conn_netlevel_draw(Item()), 60);
    EXPECT_EQ(Text(), "60");
    OsTestClockAdvance(1000);
    EXPECT_EQ(conn_netlevel_draw(Item()), 60) << "not more than 1000 ms: the cache answers";
    EXPECT_EQ(Calls("OsWifiCheck"), 1);
    OsTestClockAdvance(1);
    EXPECT_EQ(conn_netlevel_draw(Item()), 0) << "-130 dBm clamps to 0, not a negative level";
    EXPECT_EQ(Text(), "0");
    OsTestClockAdvance(1001);
    EXPECT_EQ(conn_netlevel_draw(Item()), 100 | 0x1000) << "still joining: a warning; +120 clamps to 100";
    OsTestClockAdvance(1001);
    EXPECT_EQ(conn_netlevel_draw(Item()), 0x1000) << "an error: no link";
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(conn_level_last(), 0x1000);
    EXPECT_EQ(Calls("OsWifiCheck"), 4);
}

TEST_F(ConnLevelTest, GprsLevelIsTheSignalTimesTwenty)
{
    Script("wl-signal 3 0 -1 6\n");
    Type(CONN_GPRS);
    EXPECT_EQ(conn_netlevel_draw(Item()), 60);
    EXPECT_EQ(Text(), "60");
    OsTestClockAdvance(1001);
    EXPECT_EQ(conn_netlevel_draw(Item()), 0x1000) << "signal 0: level 0 with the warning";
    EXPECT_EQ(Text(), "0");
    OsTestClockAdvance(1001);
    EXPECT_EQ(conn_netlevel_draw(Item()), 0x1000) << "a negative signal: no link";
    EXPECT_EQ(Text(), "");
    OsTestClockAdvance(1001);
    EXPECT_EQ(conn_netlevel_draw(Item()), 0x1000) << "above 5: no link";
    EXPECT_EQ(Calls("OsWlGetSignal"), 4);
}

TEST_F(ConnLevelTest, EthernetLevelFollowsTheCarrierFile)
{
    Type(CONN_ETH1);
    Carrier("1\n");
    EXPECT_EQ(conn_netlevel_draw(Item()), 100);
    EXPECT_EQ(Text(), "");
    Carrier("0\n");
    EXPECT_EQ(conn_netlevel_draw(Item()), 100) << "between reads the last state stands";
    OsTestClockAdvance(1001);
    EXPECT_EQ(conn_netlevel_draw(Item()), 0x1000);
    unlink((root + "/sys/class/net/eth1/carrier").c_str());
    OsTestClockAdvance(1001);
    EXPECT_EQ(conn_netlevel_draw(Item()), 0x1000) << "a missing file is a lost carrier";
    Carrier("1");
    OsTestClockAdvance(1001);
    EXPECT_EQ(conn_netlevel_draw(Item()), 100);
}

TEST_F(ConnLevelTest, OtherKinds)
{
    Type(CONN_BT);
    EXPECT_EQ(conn_netlevel_draw(Item()), 5);
    EXPECT_EQ(Text(), "BT");
    Type(CONN_BT_COM);
    EXPECT_EQ(conn_netlevel_draw(Item()), 0x1000);
    EXPECT_EQ(Text(), "");
    Type(CONN_NONE);
    EXPECT_EQ(conn_netlevel_draw(0), 0x1000) << "no indicator is fine";
}

TEST_F(ConnLevelTest, ExternalLevelKeepsTheRelaysView)
{
    Script("wifi-ap 9 16 -40 Home\nwifi-rssi -45 -150\nwifi-check 0 1 -3310\n");
    Join();
    Type(CONN_WIFI);
    EXPECT_EQ(ext_netlevel_draw(Item()), 55);
    EXPECT_EQ(ext_net_level.load(), 55);
    OsTestClockAdvance(500);
    EXPECT_EQ(ext_netlevel_draw(Item()), 55);
    EXPECT_EQ(Calls("OsWifiCheck"), 1);
    OsTestClockAdvance(1);
    EXPECT_EQ(ext_netlevel_draw(Item()), 0x1000) << "joining, -150 dBm clamps to 0";
    EXPECT_EQ(ext_net_level.load(), -1);
    OsTestClockAdvance(501);
    EXPECT_EQ(ext_netlevel_draw(Item()), 0x1000);
    EXPECT_EQ(ext_net_level.load(), -2) << "a check error: the link is lost";
    EXPECT_EQ(conn_net_level(), -2);
    Type(CONN_BT);
    EXPECT_EQ(ext_netlevel_draw(Item()), 0);
    EXPECT_EQ(ext_net_level.load(), 0);
    EXPECT_EQ(Text(), "BT");
    Type(CONN_ETH1);
    EXPECT_EQ(ext_netlevel_draw(Item()), 0x1000);
    EXPECT_EQ(ext_net_level.load(), -2);
}

} // namespace
