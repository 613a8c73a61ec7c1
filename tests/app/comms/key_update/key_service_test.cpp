// The key-update service's address: the drive's hexadecimal field decoded
// and parsed, the built-in endpoint chosen by the drive's flag when the drive
// names none, and the line the information report shows.
#include "FiscalFixture.h"

#include "key_service.h"
#include "kfn_state.h"
#include "kkt_info.h"

namespace fiscaltest {
namespace {

std::string Hex(const std::string &text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

} // namespace

TEST(KeyServiceAddress, DecodedAndParsed)
{
    const std::string longHost(128, 'h');
    const struct {
        std::string field;
        int result;
        const char *host;
        unsigned port;
    } cases[] = {
        {Hex("tcp://keys.example.invalid:26101"), 0, "keys.example.invalid", 26101},
        {Hex("tcp://10.0.0.7:1"), 0, "10.0.0.7", 1},
        {Hex("tcp://h:65535"), 0, "h", 65535},
        {"7463703A2F2F683A3830", 0, "h", 80},        // "tcp://h:80"
        {"7463703a2f2f683a3830", 0, "h", 80},        // lower-case digits
        {"", 0, "", 0},                              // no address
        {"0000", 0, "", 0},                          // decodes to nothing
        {Hex("tcp://" + longHost + ":5"), -1, "", 0}, // over 128 bytes
        {Hex("tcp://h:80").substr(1), -1, "", 0},    // odd length
        {Hex("tcp://h:80") + "0", -1, "", 0},        // a good address and one digit more
        {"7G", -1, "", 0},
        {Hex("tcp://h:0"), -1, "", 0},
        {Hex("tcp://h:65536"), -1, "", 0},
        {Hex("tcp://h:99999999999999999999"), -1, "", 0},
        {Hex("tcp://h:-1"), -1, "", 0},
        {Hex("tcp://h:80x"), -1, "", 0},
        {Hex("tcp://h:"), -1, "", 0},
        {Hex("tcp://:80"), -1, "", 0},
        {Hex("udp://h:80"), -1, "", 0},
        {Hex("tcp://h"), -1, "", 0},
    };
    for (const auto &c : cases) {
        char host[129];
        memset(host, 'x', sizeof host);
        uint16_t port = 7;
        EXPECT_EQ(asokp_parse_address(c.field.data(), c.field.size(), host, &port), c.result) << c.field;
        EXPECT_STREQ(host, c.host) << c.field;
        EXPECT_EQ(port, c.port) << c.field;
    }
    // The whole 128 bytes of a host fit.
    std::string field = Hex("tcp://" + std::string(118, 'a') + ":5");
    char host[129];
    uint16_t port = 0;
    EXPECT_EQ(asokp_parse_address(field.data(), field.size(), host, &port), 0);
    EXPECT_EQ(strlen(host), 118u);
}

// The drive names no address (the stand-in has no key service): the
// built-in endpoint, production or test by the flag's bit 0.
TEST_F(FiscalTest, KeyServiceBuiltInEndpointByTheFlag)
{
    Drive();
    const struct {
        uint8_t flags;
        const char *host;
        uint16_t port;
    } cases[] = {{0x00, ASOKP_TEST_HOST, 31101}, {0x01, ASOKP_PRODUCTION_HOST, 26101}, {0x02, ASOKP_TEST_HOST, 31101}};
    for (const auto &c : cases) {
        kfn_state.asokp_flags = c.flags;
        asokp_load_server();
        EXPECT_STREQ(asokp_host(), c.host);
        EXPECT_EQ(asokp_port(), c.port);
        EXPECT_EQ(asokp_link()->timeout_ms, ASOKP_TIMEOUT_MS);
    }
    // The built-in names never resolve.
    for (const char *h : {ASOKP_TEST_HOST, ASOKP_PRODUCTION_HOST}) {
        std::string name = h;
        EXPECT_EQ(name.substr(name.size() - 8), ".invalid");
    }
}

// An address the drive names but that cannot be used leaves the link
// without host and port (the exchange fails as unconfigured), whatever the
// flag: no built-in endpoint takes its place.
TEST_F(FiscalTest, KeyServiceBadAddressLeavesTheLinkUnconfigured)
{
    const char *cases[] = {
        "drive key-address tcp://127.0.0.1:0\n",
        "drive key-address tcp://127.0.0.1:65536\n",
        "drive key-address udp://127.0.0.1:80\n",
        // "tcp://h:80" and one hex digit more
        "answer 9E\ndata 9E 7463703A2F2F683A38300\n",
    };
    for (const char *c : cases) {
        Drive(c);
        for (uint8_t flags : {0x00, 0x01}) {
            kfn_state.asokp_flags = flags;
            asokp_load_server();
            EXPECT_STREQ(asokp_host(), "") << c << " flags " << int(flags);
            EXPECT_EQ(asokp_port(), 0) << c << " flags " << int(flags);
        }
    }
}

// In marking mode the report names the key service's address.
TEST_F(FiscalTest, InfoReportNamesTheKeyServiceInMarkingMode)
{
    Drive("drive ffd 1.2\ndrive marking 00000100\n");
    fn_status_refresh(nullptr);
    ASSERT_EQ(kfn_marking_mode(), 1) << "the stand-in's drive is not in marking mode";
    kfn_state.asokp_flags = 0;
    static char report[KKT_INFO_REPORT_SIZE], qr[KKT_INFO_QR_SIZE];
    report[0] = '\0';
    kkt_info_report(report, qr, 0);
    EXPECT_NE(std::string(report).find("asokp-test.invalid:31101\n"), std::string::npos) << report;
}

} // namespace fiscaltest
