// The connection record: reading `conn` elements, writing them back, parking
// the record for the external-host mode, and the host-name resolver.
#include "conn_record.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "settings.h"

namespace {

class ConnRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/conn_record_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        setenv("TERMINAL_ROOT", dir.c_str(), 1);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_EQ(mkdir("data", 0777), 0);
        settings_new();
        conn_clear_active();
    }
    void TearDown() override
    {
        settings_free();
        conn_clear_active();
        if (doc)
            mxmlDelete(doc);
        (void)chdir("/");
        (void)system(("rm -rf " + dir).c_str());
    }
    // The first element of a piece of XML.
    mxml_node_t *Element(const std::string &xml)
    {
        if (doc)
            mxmlDelete(doc);
        doc = mxmlLoadString(nullptr, xml.c_str(), MXML_OPAQUE_CALLBACK);
        return doc;
    }
    static std::string Attr(mxml_node_t *e, const char *name)
    {
        const char *v = mxmlElementGetAttr(e, name);
        return v ? v : "(none)";
    }
    static std::string SavedFile()
    {
        std::ifstream in("data/kktsettings.xml");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir;
    mxml_node_t *doc = nullptr;
};

struct FromXmlCase {
    const char *what;
    const char *xml;
    int simSockets;
    int result;
    std::function<void(const conn_record &)> check;
};

TEST_F(ConnRecordTest, ReadsEveryKindOfElement)
{
    const std::string k63(70, 'k'), n70(70, 'n'), a40(40, 'a');
    const FromXmlCase cases[] = {
        {"no type", "<conn name='x'/>", 1, -1,
         [](const conn_record &r) {
             EXPECT_EQ(r.type, 0);
             EXPECT_EQ(r.timeout_ms, 45000u);
             EXPECT_EQ(r.dhcp, 1);
             EXPECT_STREQ(r.name, "x");
         }},
        {"unknown keyword (case counts)", "<conn type='wifi' apn='a'/>", 1, -1,
         [](const conn_record &r) { EXPECT_EQ(r.type, 0); }},
        {"type 4 has no keyword", "<conn type='4'/>", 1, -1, [](const conn_record &r) { EXPECT_EQ(r.type, 0); }},
        {"WIFI without apn", "<conn type='WIFI' ip='1.2.3.4'/>", 1, -1,
         [](const conn_record &r) {
             EXPECT_EQ(r.type, CONN_WIFI);
             EXPECT_STREQ(r.ip, "") << "IP attributes only for a usable element";
         }},
        {"ETH1 defaults", "<conn type='ETH1'/>", 1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.type, CONN_ETH1);
             EXPECT_EQ(r.dhcp, 1);
             EXPECT_EQ(r.timeout_ms, 45000u);
         }},
        {"ETH1 static", "<conn type='ETH1' dhcp='0' ip='10.0.0.5' mask='255.255.255.0' gw='10.0.0.1' dns='8.8.8.8'/>",
         1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.dhcp, 0);
             EXPECT_STREQ(r.ip, "10.0.0.5");
             EXPECT_STREQ(r.mask, "255.255.255.0");
             EXPECT_STREQ(r.gw, "10.0.0.1");
             EXPECT_STREQ(r.dns, "8.8.8.8");
         }},
        {"dhcp low 8 bits", "<conn type='ETH1' dhcp='257'/>", 1, 0,
         [](const conn_record &r) { EXPECT_EQ(r.dhcp, 1); }},
        {"ip cut to 15", "<conn type='ETH1' ip='123.123.123.1234567'/>", 1, 0,
         [](const conn_record &r) { EXPECT_STREQ(r.ip, "123.123.123.123"); }},
        {"WIFI keyword auth", "<conn type='WIFI' apn='Home' auth='WPA' encrypt='AES' pass='secret'/>", 1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.type, CONN_WIFI);
             EXPECT_STREQ(r.wifi.Essid, "Home");
             EXPECT_EQ(r.wifi.AuthMode, 5);
             EXPECT_EQ(r.wifi.SecMode, 0x10u);
             EXPECT_STREQ(r.wifi.u.Psk.Key, "secret");
             EXPECT_EQ(r.wifi.u.Psk.KeyLen, 6u);
         }},
        {"WIFI numeric auth reads as unset", "<conn type='WIFI' apn='Home' auth='5' encrypt='16'/>", 1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.wifi.AuthMode, 0);
             EXPECT_EQ(r.wifi.SecMode, 0u);
         }},
        {"WIFI other keywords", "<conn type='WIFI' apn='H' auth='WPA2' encrypt='TKIP'/>", 1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.wifi.AuthMode, 9);
             EXPECT_EQ(r.wifi.SecMode, 0x20u);
         }},
        {"WIFI WPA_WPA2 and WEP", "<conn type='WIFI' apn='H' auth='WPA_WPA2' encrypt='WEP'/>", 1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.wifi.AuthMode, 7);
             EXPECT_EQ(r.wifi.SecMode, 0x04u);
         }},
        {"encrypt compared whole", "<conn type='WIFI' apn='H' encrypt='AES TKIP'/>", 1, 0,
         [](const conn_record &r) { EXPECT_EQ(r.wifi.SecMode, 0u); }},
        {"WIFI EAP", "<conn type='WIFI' apn='Corp' auth='WPA2_EAP' pass='pw' eap_type='3' eap_id='ivan' "
                     "eap_ca='ca.pem' eap_client='c.pem' eap_pkey='k.pem' eap_pkey_pass='kp'/>",
         1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.wifi.AuthMode, 10);
             EXPECT_EQ(r.wifi.u.Eap.Type, 3);
             EXPECT_STREQ(r.wifi.u.Eap.Password, "pw");
             EXPECT_STREQ(r.wifi.u.Eap.Identity, "ivan");
             EXPECT_STREQ(r.wifi.u.Eap.CaCert, "./data/ca.pem");
             EXPECT_STREQ(r.wifi.u.Eap.ClientCert, "./data/c.pem");
             EXPECT_STREQ(r.wifi.u.Eap.PrivateKey, "./data/k.pem");
             EXPECT_STREQ(r.wifi.u.Eap.PrivateKeyPass, "kp");
         }},
        {"EAP attributes ignored without an EAP mode", "<conn type='WIFI' apn='H' auth='WPA' eap_type='3'/>", 1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.wifi.u.Psk.Key[0], 0);
             EXPECT_EQ(r.wifi.u.Psk.KeyLen, 0u);
         }},
        {"WIFI cut texts", nullptr, 1, 0, nullptr},
        {"GPRS, one SIM socket", "<conn type='GPRS' apn='internet' login='u' pass='p' pin='1234' slot='1'/>", 1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.type, CONN_GPRS);
             EXPECT_STREQ(r.gprs_apn, "internet");
             EXPECT_STREQ(r.gprs_login, "u");
             EXPECT_STREQ(r.gprs_pass, "p");
             EXPECT_STREQ(r.gprs_pin, "1234");
             EXPECT_EQ(r.gprs_slot, 0) << "slot ignored with one socket";
         }},
        {"GPRS, two SIM sockets", "<conn type='GPRS' slot='1'/>", 2, 0,
         [](const conn_record &r) { EXPECT_EQ(r.gprs_slot, 1); }},
        {"Bluetooth", "<conn type='Bluetooth' btTimeScan='x14' btPinCode='0000' btname='PC' btmac='AA:BB' "
                      "btTimeWaitConnect='10'/>",
         1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.type, CONN_BT);
             EXPECT_EQ(r.bt_scan_time, 20);
             EXPECT_STREQ(r.bt_pin, "0000");
             EXPECT_STREQ(r.bt_name, "PC");
             EXPECT_STREQ(r.bt_mac, "AA:BB");
             EXPECT_EQ(r.bt_wait_connect_ms, 10000u);
         }},
        {"BluetoothCOM, wait below 5 s", "<conn type='BluetoothCOM' btTimeWaitConnect='3'/>", 1, 0,
         [](const conn_record &r) {
             EXPECT_EQ(r.type, CONN_BT_COM);
             EXPECT_EQ(r.bt_wait_connect_ms, 30000u);
         }},
        {"Bluetooth wait above 60 s", "<conn type='Bluetooth' btTimeWaitConnect='61'/>", 1, 0,
         [](const conn_record &r) { EXPECT_EQ(r.bt_wait_connect_ms, 30000u); }},
        {"Bluetooth wait absent", "<conn type='Bluetooth'/>", 1, 0,
         [](const conn_record &r) { EXPECT_EQ(r.bt_wait_connect_ms, 30000u); }},
        {"Bluetooth wait 60 s", "<conn type='Bluetooth' btTimeWaitConnect='60'/>", 1, 0,
         [](const conn_record &r) { EXPECT_EQ(r.bt_wait_connect_ms, 60000u); }},
    };
    for (const FromXmlCase &c : cases) {
        SCOPED_TRACE(c.what);
        std::string xml;
        if (c.xml) {
            xml = c.xml;
        } else {
            // Texts longer than their fields are cut, terminated.
            xml = "<conn type='WIFI' name='" + n70 + "' apn='" + a40 + "' pass='" + k63 + "'/>";
        }
        ASSERT_EQ(OsRegSetValue("ro.fac.simsocket", std::to_string(c.simSockets).c_str()), 0);
        conn_record r;
        memset(&r, 0x5A, sizeof r);
        EXPECT_EQ(conn_from_xml(Element(xml), &r), c.result);
        if (c.check) {
            c.check(r);
        } else {
            EXPECT_EQ(std::string(r.name), n70.substr(0, 63));
            EXPECT_EQ(std::string(r.wifi.Essid), a40.substr(0, 32));
            EXPECT_EQ(std::string(r.wifi.u.Psk.Key), k63.substr(0, 63));
            EXPECT_EQ(r.wifi.u.Psk.KeyLen, 63u);
        }
    }
    conn_record r;
    EXPECT_EQ(conn_from_xml(nullptr, &r), -1);
    EXPECT_EQ(r.timeout_ms, 45000u);
    EXPECT_EQ(r.type, 0);
}

// What the editor's pages read of an element, over the record they edit:
// only the kind's fields (the rest of the record stays), numbers decimal,
// the WiFi security as conn_to_xml writes it, and the pages' limits.
TEST_F(ConnRecordTest, PagesReadTheirKindsFieldsOverTheRecord)
{
    ASSERT_EQ(OsRegSetValue("ro.fac.simsocket", "2"), 0);
    conn_record r;
    auto fresh = [&r]() {
        memset(&r, 0, sizeof r);
        strcpy(r.name, "kept");
        strcpy(r.gprs_apn, "old apn");
        strcpy(r.bt_mac, "old mac");
        r.timeout_ms = 7000;
        r.dhcp = 1;
    };

    fresh();
    mxml_node_t *wifi = Element("<conn type='WIFI' apn='Net' auth='9' encrypt='16' pass='k' dhcp='2' ip='10.0.0.2'/>");
    conn_pages_from_xml(wifi, CONN_WIFI, &r);
    EXPECT_STREQ(r.wifi.Essid, "Net");
    EXPECT_EQ(r.wifi.AuthMode, 9);
    EXPECT_EQ(r.wifi.SecMode, 16u);
    EXPECT_STREQ(r.wifi.u.Psk.Key, "k");
    EXPECT_EQ(r.dhcp, 1) << "any number but 0 is DHCP";
    EXPECT_STREQ(r.ip, "10.0.0.2");
    EXPECT_EQ(r.timeout_ms, 7000u) << "no timeout: the record's stays";
    EXPECT_STREQ(r.name, "kept");
    EXPECT_STREQ(r.gprs_apn, "old apn");
    conn_record link;
    ASSERT_EQ(conn_from_xml(wifi, &link), 0);
    EXPECT_EQ(link.wifi.AuthMode, 0) << "the link reads keywords";

    fresh();
    conn_pages_from_xml(Element("<conn type='ETH1' apn='x' slot='1'/>"), CONN_GPRS, &r);
    EXPECT_STREQ(r.gprs_apn, "") << "the cellular fields are cleared, another kind is not read";
    conn_pages_from_xml(Element("<conn type='GPRS' apn='a' slot='1' timeout='20s'/>"), CONN_GPRS, &r);
    EXPECT_STREQ(r.gprs_apn, "a");
    EXPECT_EQ(r.gprs_slot, 1);
    EXPECT_EQ(r.timeout_ms, 20000u);

    fresh();
    mxml_node_t *bt = Element("<conn type='Bluetooth' btTimeScan='x14' btTimeWaitConnect='90' dhcp='0'/>");
    conn_pages_from_xml(bt, CONN_BT, &r);
    EXPECT_EQ(r.bt_scan_time, 10) << "not a decimal number: the page's default";
    EXPECT_EQ(r.bt_wait_connect_ms, 30000u);
    EXPECT_EQ(r.dhcp, 0);
    EXPECT_STREQ(r.bt_mac, "old mac");

    char name[16];
    mxml_node_t *named = Element("<conn name='old'/>");
    conn_name_to_xml(named, "Новое");
    EXPECT_STREQ(conn_name_from_xml(named, name, sizeof name), "Новое");
    EXPECT_EQ(conn_name_from_xml(Element("<conn/>"), name, sizeof name), nullptr);
}

TEST_F(ConnRecordTest, ReadsTimeOutsInEveryForm)
{
    const struct {
        const char *value;
        uint32_t ms;
    } cases[] = {{"45", 45000}, {"45000", 45000}, {"500ms", 1000}, {"20s", 20000}, {"x10", 45000}, {"0", 1000}};
    for (const auto &c : cases) {
        conn_record r;
        ASSERT_EQ(conn_from_xml(Element(std::string("<conn type='ETH1' timeout='") + c.value + "'/>"), &r), 0);
        EXPECT_EQ(r.timeout_ms, c.ms) << c.value;
    }
}

TEST_F(ConnRecordTest, WritesEachKindAndReadsItBack)
{
    mxml_node_t *root = settings_root();
    ASSERT_NE(root, nullptr);
    mxml_node_t *e = mxmlNewElement(mxmlNewElement(root, "connections"), "conn");
    mxmlElementSetAttr(e, "name", "Office");

    // WIFI with a key, mode and cipher numbers, static IP.
    conn_clear_active();
    conn_active.type = CONN_WIFI;
    conn_active.timeout_ms = 30000;
    conn_active.dhcp = 0;
    strcpy(conn_active.wifi.Essid, "Office");
    conn_active.wifi.AuthMode = 9;
    conn_active.wifi.SecMode = 0x10;
    strcpy(conn_active.wifi.u.Psk.Key, "k3y");
    conn_active.wifi.u.Psk.KeyLen = 3;
    strcpy(conn_active.ip, "10.1.1.2");
    strcpy(conn_active.mask, "255.0.0.0");
    EXPECT_EQ(conn_to_xml(nullptr, e), 0);
    EXPECT_EQ(Attr(e, "type"), "WIFI");
    EXPECT_EQ(Attr(e, "apn"), "Office");
    EXPECT_EQ(Attr(e, "auth"), "9");
    EXPECT_EQ(Attr(e, "encrypt"), "16");
    EXPECT_EQ(Attr(e, "pass"), "k3y");
    EXPECT_EQ(Attr(e, "timeout"), "30000ms");
    EXPECT_EQ(Attr(e, "dhcp"), "0");
    EXPECT_EQ(Attr(e, "ip"), "10.1.1.2");
    EXPECT_EQ(Attr(e, "gw"), "(none)");
    EXPECT_EQ(Attr(e, "name"), "Office") << "the name is the editor's";
    EXPECT_NE(SavedFile().find("pass=\"k3y\""), std::string::npos) << "the file is saved";

    conn_record back;
    ASSERT_EQ(conn_from_xml(e, &back), 0);
    EXPECT_STREQ(back.wifi.u.Psk.Key, "k3y");
    EXPECT_EQ(back.timeout_ms, 30000u);
    EXPECT_EQ(back.wifi.AuthMode, 0) << "the numeric mode is left to the scan";

    // The key, mode and IP cleared in the editor leave the element.
    conn_active.wifi.AuthMode = 0;
    conn_active.wifi.SecMode = 0;
    memset(conn_active.wifi.u.Psk.Key, 0, sizeof conn_active.wifi.u.Psk.Key);
    conn_active.wifi.u.Psk.KeyLen = 0;
    conn_active.ip[0] = 0;
    conn_active.mask[0] = 0;
    conn_active.dhcp = 1;
    EXPECT_EQ(conn_to_xml(nullptr, e), 0);
    EXPECT_EQ(Attr(e, "auth"), "(none)");
    EXPECT_EQ(Attr(e, "encrypt"), "(none)");
    EXPECT_EQ(Attr(e, "pass"), "(none)");
    EXPECT_EQ(Attr(e, "ip"), "(none)");
    EXPECT_EQ(SavedFile().find("k3y"), std::string::npos);
    ASSERT_EQ(conn_from_xml(e, &back), 0);
    EXPECT_EQ(back.wifi.u.Psk.KeyLen, 0u);

    // An EAP mode keeps the element's password: the key's place holds the
    // EAP parameters, which are no key.
    conn_active.wifi.AuthMode = 10;
    conn_active.wifi.u.Eap.Type = 3;
    strcpy(conn_active.wifi.u.Eap.Password, "eap-secret-that-is-long-enough-to-reach-the-key-length-field-xx");
    mxmlElementSetAttr(e, "pass", "pw");
    EXPECT_EQ(conn_to_xml(nullptr, e), 0);
    EXPECT_EQ(Attr(e, "pass"), "pw");
    EXPECT_EQ(Attr(e, "auth"), "10");

    // GPRS: the login, password and PIN cleared leave the element too.
    mxml_node_t *g = mxmlNewElement(mxmlGetParent(e), "conn");
    conn_clear_active();
    conn_active.type = CONN_GPRS;
    conn_active.timeout_ms = 45000;
    conn_active.gprs_slot = 1;
    strcpy(conn_active.gprs_apn, "internet");
    strcpy(conn_active.gprs_login, "u");
    strcpy(conn_active.gprs_pass, "p");
    strcpy(conn_active.gprs_pin, "1234");
    strcpy(conn_active.ip, "1.2.3.4");
    EXPECT_EQ(conn_to_xml(nullptr, g), 0);
    EXPECT_EQ(Attr(g, "pin"), "1234");
    EXPECT_EQ(Attr(g, "slot"), "1");
    EXPECT_EQ(Attr(g, "timeout"), "45000ms");
    EXPECT_EQ(Attr(g, "ip"), "(none)") << "no IP attributes for GPRS";
    conn_active.gprs_login[0] = conn_active.gprs_pass[0] = conn_active.gprs_pin[0] = 0;
    EXPECT_EQ(conn_to_xml(nullptr, g), 0);
    EXPECT_EQ(Attr(g, "login"), "(none)");
    EXPECT_EQ(Attr(g, "pass"), "(none)");
    EXPECT_EQ(Attr(g, "pin"), "(none)");
    EXPECT_EQ(Attr(g, "apn"), "internet");

    // ETH1: only the IP attributes.
    mxml_node_t *eth = mxmlNewElement(mxmlGetParent(e), "conn");
    conn_clear_active();
    conn_active.type = CONN_ETH1;
    conn_active.dhcp = 1;
    EXPECT_EQ(conn_to_xml(nullptr, eth), 0);
    EXPECT_EQ(Attr(eth, "type"), "ETH1");
    EXPECT_EQ(Attr(eth, "dhcp"), "1");
    EXPECT_EQ(Attr(eth, "timeout"), "(none)");

    // Bluetooth PAN and the serial kind.
    const struct {
        uint16_t type;
        const char *keyword;
        bool ip;
    } bts[] = {{CONN_BT, "Bluetooth", true}, {CONN_BT_COM, "BluetoothCOM", false}};
    for (const auto &b : bts) {
        mxml_node_t *bt = mxmlNewElement(mxmlGetParent(e), "conn");
        conn_clear_active();
        conn_active.type = b.type;
        conn_active.timeout_ms = 30000;
        conn_active.bt_scan_time = 10;
        strcpy(conn_active.bt_pin, "7351");
        strcpy(conn_active.bt_mac, "00:11:22:33:44:55");
        strcpy(conn_active.ip, "192.168.44.2");
        EXPECT_EQ(conn_to_xml(nullptr, bt), 0);
        EXPECT_EQ(Attr(bt, "type"), b.keyword);
        EXPECT_EQ(Attr(bt, "btTimeScan"), "10");
        EXPECT_EQ(Attr(bt, "btPinCode"), "7351");
        EXPECT_EQ(Attr(bt, "btmac"), "00:11:22:33:44:55");
        EXPECT_EQ(Attr(bt, "btname"), "(none)");
        EXPECT_EQ(Attr(bt, "timeout"), "30000ms");
        EXPECT_EQ(Attr(bt, "ip"), b.ip ? "192.168.44.2" : "(none)");
        conn_record r;
        ASSERT_EQ(conn_from_xml(bt, &r), 0);
        EXPECT_EQ(r.type, b.type);
        EXPECT_STREQ(r.bt_mac, "00:11:22:33:44:55");
    }

    EXPECT_EQ(conn_to_xml(nullptr, nullptr), -1);
}

TEST_F(ConnRecordTest, SaveFailureIsNotReportedAsSuccess)
{
    mxml_node_t *e = mxmlNewElement(mxmlNewElement(settings_root(), "connections"), "conn");
    conn_active.type = CONN_ETH1;
    ASSERT_EQ(system("rm -rf data && touch data"), 0); // no folder to write into
    EXPECT_EQ(conn_to_xml(nullptr, e), -1);
}

TEST_F(ConnRecordTest, ParksAndRestoresTheRecordByteForByte)
{
    conn_record sample;
    for (size_t i = 0; i < sizeof sample; ++i)
        reinterpret_cast<unsigned char *>(&sample)[i] = static_cast<unsigned char>(i * 7 + 1);
    sample.type = CONN_GPRS;
    conn_active = sample;
    conn_publish_type();
    conn_new_type = CONN_ETH1;

    conn_save_active();
    EXPECT_EQ(conn_active.type, 0);
    EXPECT_EQ(conn_active.dhcp, 1);
    EXPECT_EQ(conn_active.timeout_ms, 20000u);
    EXPECT_EQ(conn_active.wifi.AuthMode, 0);
    EXPECT_EQ(conn_new_type, CONN_WIFI);
    EXPECT_EQ(conn_published_type(), 0);
    EXPECT_EQ(conn_is_up(), 0);

    conn_active.type = CONN_WIFI;
    strcpy(conn_active.name, "WIFI");
    conn_restore_active();
    EXPECT_EQ(memcmp(&conn_active, &sample, sizeof sample), 0);
    EXPECT_EQ(conn_new_type, CONN_ETH1);
    EXPECT_EQ(conn_published_type(), CONN_GPRS);
    EXPECT_EQ(conn_is_gprs(), 1);
}

TEST_F(ConnRecordTest, AccessorsReadTheParsedRecord)
{
    struct Case {
        const char *xml;
        const char *keyword;
        int btCom;
        uint32_t timeout;
    } cases[] = {
        {"<conn name=\"Desk\" type=\"BluetoothCOM\" btname=\"Printer-7\" btmac=\"00:11:22:33:44:55\" timeout=\"7s\"/>",
         "BluetoothCOM", 1, 7000},
        {"<conn name=\"Desk\" type=\"Bluetooth\" btname=\"Printer-7\" btmac=\"00:11:22:33:44:55\"/>", "Bluetooth", 0,
         45000},
        {"<conn name=\"Desk\" type=\"ETH1\" timeout=\"1500\"/>", "ETH1", 0, 1500},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(conn_from_xml(Element(c.xml), &conn_active), 0) << c.xml;
        conn_publish_type();
        EXPECT_STREQ(conn_type_name(), c.keyword);
        EXPECT_EQ(conn_is_bt_com(), c.btCom) << c.keyword;
        EXPECT_EQ(conn_timeout_ms(), c.timeout) << c.keyword;
        EXPECT_STREQ(conn_name(), "Desk");
        EXPECT_STREQ(conn_bt_name(), c.keyword[0] == 'B' ? "Printer-7" : "");
        EXPECT_STREQ(conn_bt_mac(), c.keyword[0] == 'B' ? "00:11:22:33:44:55" : "");
    }
    const uint16_t unnamed[] = {CONN_NONE, 4, 99};
    for (uint16_t type : unnamed) {
        conn_reset(type);
        EXPECT_EQ(conn_type_name(), nullptr) << type;
    }
}

TEST_F(ConnRecordTest, ResetClearsTheRecordAndPublishesTheKind)
{
    ASSERT_EQ(conn_from_xml(Element("<conn name=\"Shop\" type=\"GPRS\" apn=\"net.example\" pin=\"1234\"/>"),
                            &conn_active), 0);
    conn_reset(CONN_BT_COM);
    conn_record expected;
    memset(&expected, 0, sizeof expected);
    expected.type = CONN_BT_COM;
    EXPECT_EQ(memcmp(&conn_active, &expected, sizeof expected), 0) << "everything but the kind is cleared";
    EXPECT_EQ(conn_published_type(), CONN_BT_COM) << "the level functions see the new kind";
    EXPECT_EQ(conn_is_up(), 1);
    conn_reset(CONN_NONE);
    EXPECT_EQ(conn_is_up(), 0);
    EXPECT_EQ(conn_published_type(), CONN_NONE);
}

TEST_F(ConnRecordTest, LastConnectedNameIsKeptUntilCleared)
{
    strcpy(conn_last_name, "Shop");
    EXPECT_STREQ(conn_last_connected(), "Shop");
    conn_forget_last_connected();
    EXPECT_STREQ(conn_last_connected(), "");
}

TEST_F(ConnRecordTest, SwapExchangesTheActiveAndTheParkedRecord)
{
    ASSERT_EQ(conn_from_xml(Element("<conn name=\"Shop\" type=\"ETH1\" ip=\"10.0.0.5\" dhcp=\"0\"/>"),
                            &conn_active), 0);
    conn_publish_type();
    conn_new_type = CONN_ETH1;
    const conn_record first = conn_active;
    conn_save_active(); // parks it; the active record is the borrowed one
    conn_reset(CONN_WIFI);
    strcpy(conn_active.name, "WIFI");
    const conn_record second = conn_active;
    const uint16_t borrowedType = conn_new_type;

    conn_swap_saved();
    EXPECT_EQ(memcmp(&conn_active, &first, sizeof first), 0);
    EXPECT_EQ(memcmp(&conn_saved, &second, sizeof second), 0);
    EXPECT_EQ(conn_published_type(), CONN_ETH1);
    EXPECT_EQ(conn_new_type, CONN_ETH1);
    conn_swap_saved();
    EXPECT_EQ(memcmp(&conn_active, &second, sizeof second), 0);
    EXPECT_EQ(memcmp(&conn_saved, &first, sizeof first), 0);
    EXPECT_EQ(conn_published_type(), CONN_WIFI);
    EXPECT_EQ(conn_new_type, borrowedType);
}

TEST_F(ConnRecordTest, ExternalLevelStartsUnusable)
{
    EXPECT_EQ(conn_net_level(), -1);
}

TEST_F(ConnRecordTest, ResolvesNamesPerThread)
{
    EXPECT_EQ(hosts_resolve(nullptr), nullptr);
    EXPECT_EQ(hosts_resolve(""), nullptr);
    EXPECT_EQ(hosts_resolve("no-such-host.invalid"), nullptr);
    const hostent *h = hosts_resolve("127.0.0.2");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->h_addrtype, AF_INET);
    EXPECT_EQ(h->h_length, 4);
    ASSERT_NE(h->h_addr_list[0], nullptr);
    const unsigned char *a = reinterpret_cast<const unsigned char *>(h->h_addr_list[0]);
    EXPECT_EQ(a[0], 127);
    EXPECT_EQ(a[3], 2);
    EXPECT_EQ(h->h_addr_list[1], nullptr);
    EXPECT_EQ(h->h_aliases[0], nullptr);

    // Another thread's answer does not overwrite this one.
    std::thread other([] {
        const hostent *o = hosts_resolve("localhost");
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(reinterpret_cast<const unsigned char *>(o->h_addr_list[0])[0], 127);
    });
    other.join();
    EXPECT_STREQ(h->h_name, "127.0.0.2");
    EXPECT_EQ(a[3], 2);
}

} // namespace
