// Each kind's bring-up and teardown without a UI, and the connect API's
// paths that need no screen, against the stand-in's network calls on the
// virtual clock: the codes, the calls in order and the bounded waits.
#include "CommsFixture.h"

#include <string.h>

#include <functional>

#include "conn_api.h"
#include "conn_bringup.h"
#include "settings.h"

namespace commstest {
namespace {

class BringUpTest : public ::testing::Test, public NetRoot {
protected:
    void SetUp() override
    {
        MakeRoot();
        ASSERT_EQ(chdir(root.c_str()), 0);
        ASSERT_EQ(mkdir("data/kktsim", 0777), 0);
        settings_new();
        OsTestClockEnable(100000);
    }
    void TearDown() override
    {
        OsTestClockDisable();
        settings_free();
        (void)chdir("/");
        RemoveRoot();
    }
    conn_record &R() { return conn_active; }
    void Wifi(const char *ssid, int32_t auth, const char *key = "")
    {
        conn_clear_active();
        R().type = CONN_WIFI;
        R().dhcp = 1;
        R().timeout_ms = 45000;
        strcpy(R().wifi.Essid, ssid);
        R().wifi.AuthMode = auth;
        strcpy(R().wifi.u.Psk.Key, key);
        R().wifi.u.Psk.KeyLen = static_cast<uint32_t>(strlen(key));
    }
    void Gprs(uint32_t timeout = 45000)
    {
        conn_clear_active();
        R().type = CONN_GPRS;
        R().timeout_ms = timeout;
        strcpy(R().gprs_apn, "internet");
        strcpy(R().gprs_login, "u");
        strcpy(R().gprs_pass, "p");
    }
    void Connections(const std::string &xml)
    {
        mxml_node_t *section = mxmlNewElement(settings_root(), "connections");
        mxmlLoadString(section, xml.c_str(), MXML_OPAQUE_CALLBACK);
    }
};

TEST_F(BringUpTest, EthernetByDhcpTakesTheReportedConfiguration)
{
    R().dhcp = 0; // no address: DHCP after all
    R().timeout_ms = 45000;
    strcpy(R().gw, "1.1.1.1");
    EXPECT_EQ(conn_up_ip(nullptr, CONN_IF_ETH1, &R()), 0);
    EXPECT_EQ(R().dhcp, 1);
    EXPECT_STREQ(R().ip, "127.0.0.1");
    EXPECT_STREQ(R().gw, "127.0.0.1");
    EXPECT_EQ(Calls(), (std::vector<std::string>{"OsNetStopDhcp", "OsNetStartDhcp", "OsNetCheckDhcp", "OsNetSetRoute",
                                                 "OsNetGetConfig"}));
}

TEST_F(BringUpTest, StaticEthernetAndItsFailures)
{
    auto staticRecord = [this] {
        conn_clear_active();
        R().timeout_ms = 45000;
        strcpy(R().ip, "10.0.0.9");
        strcpy(R().mask, "255.255.255.0");
        strcpy(R().gw, "10.0.0.1");
        strcpy(R().dns, "10.0.0.1");
    };
    staticRecord();
    EXPECT_EQ(conn_up_ip(nullptr, CONN_IF_ETH1, &R()), 0);
    EXPECT_STREQ(R().ip, "10.0.0.9") << "the configuration in force";
    EXPECT_EQ(Count("OsNetStartDhcp"), 0);

    Net("set-route eth1 -3305\n");
    staticRecord();
    EXPECT_EQ(conn_up_ip(nullptr, CONN_IF_ETH1, &R()), -13);
    EXPECT_STREQ(R().ip, "10.0.0.9") << "the static fields stay";
    EXPECT_STREQ(R().gw, "10.0.0.1");

    Net("set-config eth1 -1003\n");
    staticRecord();
    EXPECT_EQ(conn_up_ip(nullptr, CONN_IF_ETH1, &R()), -12);
}

TEST_F(BringUpTest, DhcpFailuresAndTheBoundedWait)
{
    struct Case {
        const char *script;
        uint32_t timeout;
        int result;
        int checks;
    } cases[] = {
        {"dhcp-start eth1 -3314\n", 45000, -10, 0},
        {"dhcp-check eth1 1 1 -3313\n", 45000, -11, 3},
        {"dhcp-check eth1 1\n", 1000, -11, 5}, // 200 ms a pass until 1000 ms have passed
        {"dhcp-check eth1 1 1 1 0\n", 45000, 0, 4},
        {"", 0, -1, 0}, // no wait dialog without a UI
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.script);
        Net(c.script);
        size_t from = Mark();
        conn_clear_active();
        R().dhcp = 1;
        R().timeout_ms = c.timeout;
        unsigned start = OsGetTickCount();
        EXPECT_EQ(conn_up_ip(nullptr, CONN_IF_ETH1, &R()), c.result);
        int checks = 0;
        for (const std::string &call : Calls(from))
            checks += call == "OsNetCheckDhcp";
        EXPECT_EQ(checks, c.checks);
        EXPECT_EQ(OsGetTickCount() - start, 200u * c.checks);
    }
}

TEST_F(BringUpTest, WifiCodes)
{
    struct Case {
        const char *what;
        const char *script;
        std::function<void()> record;
        int result;
    } cases[] = {
        {"no module", "", [this] { Wifi("Home", 0); }, -20},
        {"scan finds none", "wifi-open 0\n", [this] { Wifi("Home", 0); }, -21},
        {"scan fails", "wifi-ap 9 16 -50 Home\nwifi-scan -3351\n", [this] { Wifi("Home", 0); }, -21},
        {"not among those found", "wifi-ap 9 16 -50 Other\n", [this] { Wifi("Home", 0); }, -22},
        {"no network name needs the menu", "wifi-ap 9 16 -50 Home\n", [this] { Wifi("", 0); }, -1},
        {"a key is needed", "wifi-ap 9 16 -50 Home\n", [this] { Wifi("Home", 0); }, -1},
        {"join refused", "wifi-ap 9 16 -50 Home\nwifi-connect -3353\n", [this] { Wifi("Home", 0, "k"); }, -23},
        {"join times out", "wifi-ap 9 16 -50 Home\nwifi-connect 1\nwifi-check 1\n",
         [this] {
             Wifi("Home", 0, "k");
             R().timeout_ms = 1000;
         },
         -23},
        {"open network joins without a key", "wifi-ap 1 0 -50 Home\n", [this] { Wifi("Home", 0); }, 0},
        {"joined after checks", "wifi-ap 9 16 -50 Home\nwifi-connect 1\nwifi-check 1 0\n",
         [this] { Wifi("Home", 0, "k"); }, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Net(c.script);
        c.record();
        EXPECT_EQ(conn_up_wifi(nullptr, &R()), c.result);
    }
}

TEST_F(BringUpTest, WifiTakesTheScannedModeAndJoinsThenDhcpOnItsInterface)
{
    Net("wifi-ap 1 0 -60 Guest\nwifi-ap 9 16 -50 Home\nwifi-connect 1\nwifi-check 1 1 0\n");
    Wifi("Home", 0, "secret");
    EXPECT_EQ(conn_up_wifi(nullptr, &R()), 0);
    EXPECT_EQ(R().wifi.AuthMode, 9);
    EXPECT_EQ(R().wifi.SecMode, 16u);
    EXPECT_STREQ(R().ip, "127.0.0.1");
    std::vector<NetCall> log = Log();
    std::vector<std::string> calls = Calls();
    EXPECT_EQ(calls, (std::vector<std::string>{"OsWifiClose", "OsWifiOpen", "OsWifiScan", "OsWifiConnect",
                                               "OsWifiCheck", "OsWifiCheck", "OsWifiCheck", "OsNetStopDhcp",
                                               "OsNetStartDhcp", "OsNetCheckDhcp", "OsNetSetRoute", "OsNetGetConfig"}));
    EXPECT_TRUE(log[3].Has("\"essid\":\"Home\",\"auth\":9,\"cipher\":16"));
    EXPECT_TRUE(log[7].Has("\"if\":4"));

    // A mode already set: no scan.
    Wifi("Home", 9, "secret");
    size_t from = Mark();
    EXPECT_EQ(conn_up_wifi(nullptr, &R()), 0);
    for (const std::string &call : Calls(from))
        EXPECT_NE(call, "OsWifiScan");
}

TEST_F(BringUpTest, GprsCodes)
{
    struct Case {
        const char *what;
        const char *script;
        int result;
    } cases[] = {
        {"no module", "", -30},
        {"lock refused", "wl-lock -1005\n", -30},
        {"SIM slot", "wl-sim -3509\n", -31},
        {"SIM card", "wl-init -3504\n", -32},
        {"login refused", "wl-login -3510\n", -33},
        {"logged in: the final dialog needs a UI", "wl-login 0\n", -1},
        {"already connected: no lock, the same", "wl-check 0\n", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Net(c.script);
        Gprs();
        EXPECT_EQ(conn_up_gprs(nullptr, &R()), c.result);
    }
    std::vector<NetCall> log = Log();
    for (const NetCall &call : log) {
        if (call.call != "OsWlLogin")
            continue;
        EXPECT_TRUE(call.Has("\"apn\":\"internet\",\"user\":\"u\",\"password\":\"***\",\"auth\":255,\"timeout\":0,"
                                 "\"keepalive\":60000"))
            << call.line;
    }
}

TEST_F(BringUpTest, GprsLoginRetries)
{
    // Five counted attempts at most.
    Net("wl-login -3510\n");
    Gprs();
    EXPECT_EQ(conn_up_gprs(nullptr, &R()), -33);
    EXPECT_EQ(Count("OsWlLogin"), 5);

    // -1011 is retried without counting, until the time runs out.
    Net("wl-login -1011\n");
    Gprs(2000);
    size_t from = Mark();
    EXPECT_EQ(conn_up_gprs(nullptr, &R()), -33);
    int logins = 0;
    for (const std::string &call : Calls(from))
        logins += call == "OsWlLogin";
    EXPECT_EQ(logins, 10);

    // "Connecting" answers are followed by checks, not by new logins.
    Net("wl-login 1\nwl-check -3310 1 1 0\n");
    Gprs();
    from = Mark();
    EXPECT_EQ(conn_up_gprs(nullptr, &R()), -1);
    EXPECT_EQ(Calls(from), (std::vector<std::string>{"OsWlCheck", "OsWlLock", "OsWlSelSim", "OsWlInit", "OsWlCheck",
                                                     "OsWlLogin", "OsWlCheck", "OsWlCheck"}));
}

TEST_F(BringUpTest, GprsBusyModuleEndsAfterTheTimeOut)
{
    Net("wl-check -3310 2\n");
    Gprs(3000);
    unsigned start = OsGetTickCount();
    EXPECT_EQ(conn_up_gprs(nullptr, &R()), -33);
    EXPECT_EQ(OsGetTickCount() - start, 3000u);
    EXPECT_EQ(Count("OsWlLogin"), 0);

    // A zero time-out waits 45 s.
    Gprs(0);
    start = OsGetTickCount();
    EXPECT_EQ(conn_up_gprs(nullptr, &R()), -33);
    EXPECT_EQ(OsGetTickCount() - start, 45000u);
}

TEST_F(BringUpTest, TeardownByKindClearsTheRecord)
{
    Net("wl-check 0 2\n");
    Gprs(1000);
    conn_publish_type();
    unsigned start = OsGetTickCount();
    conn_teardown();
    EXPECT_EQ(OsGetTickCount() - start, 1000u) << "a module busy for ever is given up";
    EXPECT_EQ(Calls().front(), "OsWlCheck");
    EXPECT_EQ(Calls()[1], "OsWlLogout");
    EXPECT_EQ(Calls().back(), "OsWlUnLock");
    EXPECT_EQ(conn_is_up(), 0);
    EXPECT_EQ(conn_published_type(), 0);

    Net("wl-check -3310\n");
    Gprs();
    size_t from = Mark();
    conn_teardown();
    EXPECT_EQ(Calls(from), (std::vector<std::string>{"OsWlCheck", "OsWlUnLock"}));

    Wifi("Home", 9);
    from = Mark();
    conn_teardown();
    EXPECT_EQ(Calls(from), (std::vector<std::string>{"OsWifiDisconnect", "OsWifiClose"}));

    R().type = CONN_ETH1;
    from = Mark();
    conn_teardown();
    EXPECT_TRUE(Calls(from).empty());
}

TEST_F(BringUpTest, RouteGoesToTheActiveKindsInterface)
{
    const struct {
        uint16_t type;
        const char *arg;
    } cases[] = {{CONN_WIFI, "\"if\":4"}, {CONN_GPRS, "\"if\":3"}, {CONN_ETH1, "\"if\":2"}, {CONN_BT, "\"if\":9"},
                 {CONN_BT_COM, "\"if\":9"}};
    for (const auto &c : cases) {
        R().type = c.type;
        size_t from = Mark();
        conn_set_route();
        std::vector<NetCall> log = Log();
        ASSERT_EQ(log.size(), from + 1);
        EXPECT_TRUE(log.back().Has(c.arg)) << log.back().line;
    }
    conn_clear_active();
    size_t from = Mark();
    conn_set_route();
    EXPECT_EQ(Mark(), from);
}

TEST_F(BringUpTest, ConnectWithoutAUiTakesTheNamedOrTheFirstElement)
{
    EXPECT_EQ(conn_connect(nullptr, nullptr), -1) << "nothing configured, no menu";
    EXPECT_TRUE(Calls().empty());

    Connections("<conn type='ETH1' dhcp='0' ip='10.0.0.2'/>"
                "<conn name='Office' type='ETH1' dhcp='0' ip='10.0.0.3' mask='255.0.0.0'/>"
                "<conn name='Bad' type='WIFI'/>");
    EXPECT_EQ(conn_connect(nullptr, "Office"), 0);
    EXPECT_STREQ(conn_active.ip, "10.0.0.3");
    EXPECT_STREQ(conn_last_name, "Office");
    EXPECT_EQ(conn_published_type(), CONN_ETH1);
    EXPECT_EQ(conn_net_item, nullptr) << "no level without a UI";
    size_t from = Mark();
    EXPECT_EQ(conn_connect(nullptr, "Other"), 0) << "a link up stays";
    EXPECT_EQ(Mark(), from);
    conn_disconnect();
    EXPECT_EQ(conn_is_up(), 0);

    EXPECT_EQ(conn_connect(nullptr, "Unknown"), 0) << "no match: the first element";
    EXPECT_STREQ(conn_active.ip, "10.0.0.2");
    conn_disconnect();
    EXPECT_EQ(conn_connect(nullptr, nullptr), 0);
    EXPECT_STREQ(conn_active.ip, "10.0.0.2");
    conn_disconnect();

    EXPECT_EQ(conn_connect(nullptr, "Bad"), -1);
    EXPECT_EQ(conn_is_up(), 0);
    conn_record zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(&conn_active, &zero, sizeof zero), 0) << "a failed connect leaves the record all zero";
}

TEST_F(BringUpTest, EnsureRecheckAndClose)
{
    Connections("<conn name='card' type='ETH1'/><conn name='ofd' type='GPRS' apn='internet'/>");
    settings_set("shift/ofd", "name", "ofd");
    settings_set("cardmodule", "name", "card");
    Net("wl-login 0\n");
    EXPECT_EQ(conn_ensure(nullptr, 0), -1) << "the OFD's GPRS link needs its final dialog";
    EXPECT_EQ(conn_is_up(), 0);
    EXPECT_EQ(Count("OsWlUnLock"), 1) << "the half-built link is taken down";

    mxmlElementDeleteAttr(settings_ofd_node(), "name");
    EXPECT_EQ(conn_open(nullptr), 0) << "the card module's link";
    EXPECT_EQ(conn_active.type, CONN_ETH1);
    EXPECT_EQ(conn_ensure(nullptr, 1), 1);
    EXPECT_EQ(conn_recheck(nullptr, 1), 0) << "Ethernet has nothing to re-check";

    size_t from = Mark();
    conn_close(1);
    EXPECT_EQ(Calls(from), std::vector<std::string>{"OsNetSetRoute"});
    EXPECT_EQ(conn_is_up(), 1);
    conn_close(0);
    EXPECT_EQ(conn_is_up(), 0);
    EXPECT_EQ(conn_recheck(nullptr, 0), -1);
}

TEST_F(BringUpTest, EnsureReportsALinkUpEvenWhenItsRecheckFails)
{
    Net("wifi-ap 9 16 -50 Home\n");
    Connections("<conn name='w' type='WIFI' apn='Home' pass='secret'/>");
    ASSERT_EQ(conn_connect(nullptr, "w"), 0);
    EXPECT_EQ(conn_recheck(nullptr, 0), 0) << "joined: nothing to do";
    Net("wifi-ap 9 16 -50 Home\nwifi-check -3310\nwifi-open -1004\n");
    EXPECT_EQ(conn_recheck(nullptr, 0), -20);
    EXPECT_EQ(conn_is_up(), 1) << "a failed re-check leaves the record";
    EXPECT_EQ(conn_ensure(nullptr, 1), 1);
    conn_disconnect();
}

TEST_F(BringUpTest, GprsRecheckBringsALostLinkUpAgain)
{
    Connections("<conn name='g' type='GPRS' apn='internet'/>");
    conn_clear_active();
    R().type = CONN_GPRS;
    Net("wl-check 0\n");
    EXPECT_EQ(conn_recheck(nullptr, 0), 0);
    Net("wl-check -3513\nwl-lock -1005\n");
    EXPECT_EQ(conn_recheck(nullptr, 0), -30) << "lost: brought up again";
    EXPECT_EQ(conn_recheck(nullptr, 1), -30);
    conn_clear_active();
}

} // namespace
} // namespace commstest
