// server_exchange against the server stand-in running as a process of its
// own on a loopback port: delivery, reuse of the connection, every fault
// mode of the stand-in, configuration failures and the deadline.
#include <gtest/gtest.h>

#include "SrvsimProcess.h"
#include "exchange_container.h"
#include "osal.h"
#include "server_link.h"
#include "vuForm.h"
#include "vuMultiLine.h"
#include "widget_text.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const char *kFn = "9999078900012345";

// A fiscal document as the drive gives it: a 32-byte message header, its own
// tag and length, then tag 1040 (the number) and tag 1209 (FFD 1.05), and
// filler tags up to at least size bytes.
std::vector<uint8_t> document(uint32_t number, size_t size = 0)
{
    std::vector<uint8_t> tags;
    auto tag = [&](uint16_t t, const std::vector<uint8_t> &v) {
        tags.push_back(t & 0xFF);
        tags.push_back(t >> 8);
        tags.push_back(v.size() & 0xFF);
        tags.push_back(v.size() >> 8);
        tags.insert(tags.end(), v.begin(), v.end());
    };
    tag(1040, {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number >> 16),
               static_cast<uint8_t>(number >> 24)});
    tag(1209, {2});
    while (36 + tags.size() < size) {
        size_t n = size - 36 - tags.size();
        n = n > 4 + 1000 ? 1000 : (n > 4 ? n - 4 : 0);
        tag(1084, std::vector<uint8_t>(n, 0x41));
        if (n == 0)
            break;
    }
    std::vector<uint8_t> doc(32, 0);
    doc.push_back(0x01);
    doc.push_back(0x00);
    doc.push_back(tags.size() & 0xFF);
    doc.push_back(tags.size() >> 8);
    doc.insert(doc.end(), tags.begin(), tags.end());
    return doc;
}

exchange_container *ofdContainer(const std::vector<uint8_t> &doc)
{
    exchange_container *c = static_cast<exchange_container *>(calloc(1, sizeof(exchange_container)));
    container_make_header(c->header, CONTAINER_OFD, 2, kFn, static_cast<uint16_t>(doc.size()));
    c->body = static_cast<uint8_t *>(malloc(doc.size()));
    memcpy(c->body, doc.data(), doc.size());
    return c;
}

std::string bodyText(const exchange_container *c, int n)
{
    return n > 0 ? std::string(reinterpret_cast<const char *>(c->body), static_cast<size_t>(n)) : std::string();
}

std::string ack(uint32_t number)
{
    return std::string("SRVSIM ACK ") + kFn + " " + std::to_string(number) + "\n";
}

class ServerLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/comms_link_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override
    {
        net_close(&link_);
        server_.Stop();
        OsTestClockDisable();
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << cmd;
    }
    void Serve(const std::string &scenario, int timeout_ms = 3000)
    {
        std::string error;
        // A folder per server, so each journal tells of one server only.
        std::string dir = dir_ + "/srv" + std::to_string(++servers_);
        ASSERT_TRUE(server_.Start(SRVSIM_PATH, dir, scenario, &error)) << error;
        server_link_init(&link_, "127.0.0.1", server_.Port(), timeout_ms);
    }
    // One exchange of document number n: the result, the answer in text.
    int Exchange(uint32_t n, std::string *answer = nullptr, size_t size = 0)
    {
        exchange_container *c = ofdContainer(document(n, size));
        int r = server_exchange(nullptr, c, &link_, "ОФД");
        if (answer)
            *answer = bodyText(c, r);
        container_free(c);
        return r;
    }

    std::string dir_;
    int servers_ = 0;
    SrvsimProcess server_;
    server_link link_{};
};

TEST_F(ServerLink, SendsTheContainerAsItLiesAndTakesTheAnswerIntoIt)
{
    Serve("");
    std::vector<uint8_t> doc = document(7);
    exchange_container *c = ofdContainer(doc);
    std::string sentHeader = jsonl::Hex(c->header, 30), sentBody = jsonl::Hex(doc.data(), doc.size());
    int r = server_exchange(nullptr, c, &link_, "ОФД");
    ASSERT_EQ(r, static_cast<int>(ack(7).size()));
    EXPECT_EQ(bodyText(c, r), ack(7));
    EXPECT_EQ(container_header_length(c->header), ack(7).size());
    container_free(c);
    EXPECT_NE(link_.sock, -1) << "the caller closes the link";

    ASSERT_TRUE(server_.WaitFor("answer", 1));
    auto requests = server_.Journal("request");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(jsonl::Text(requests[0], "header"), sentHeader);
    EXPECT_EQ(jsonl::Text(requests[0], "body"), sentBody);
    EXPECT_EQ(jsonl::Text(requests[0], "ffd"), "05");
    EXPECT_EQ(jsonl::Number(requests[0], "document"), 7);
}

TEST_F(ServerLink, ASecondExchangeReusesTheOpenConnection)
{
    Serve("");
    std::string a;
    EXPECT_EQ(Exchange(1, &a), static_cast<int>(ack(1).size()));
    EXPECT_EQ(Exchange(2, &a), static_cast<int>(ack(2).size()));
    EXPECT_EQ(a, ack(2));
    ASSERT_TRUE(server_.WaitFor("answer", 2));
    EXPECT_EQ(server_.Journal("accept").size(), 1u);
}

// The server closed the idle connection (FIN), or left bytes of an over-long
// answer in it: a writability check sees neither, so the socket must not be
// reused.
TEST_F(ServerLink, AConnectionTheServerClosedOrLeftBytesInIsNotReused)
{
    for (const char *fault : {"fault ofd close-answer times 1\n", "fault ofd over-long 40 times 1\n"}) {
        SCOPED_TRACE(fault);
        Serve(fault);
        std::string a;
        EXPECT_EQ(Exchange(1, &a), static_cast<int>(ack(1).size()));
        ASSERT_TRUE(server_.WaitFor("answer", 1));
        if (strstr(fault, "close-answer")) {
            ASSERT_TRUE(server_.WaitFor("close", 1));
        }
        timespec t{0, 50 * 1000 * 1000}; // the FIN or the bytes reach this side
        nanosleep(&t, nullptr);
        EXPECT_EQ(Exchange(2, &a), static_cast<int>(ack(2).size()));
        EXPECT_EQ(a, ack(2));
        EXPECT_EQ(server_.Journal("accept").size(), 2u);
        net_close(&link_);
        server_.Stop();
    }
}

struct FaultCase {
    const char *scenario;
    int timeout_ms;
    size_t size;   // the document's size (0 small)
    int result;    // -2: the acknowledgement's length
};

TEST_F(ServerLink, EveryFaultModeOfTheServer)
{
    const FaultCase cases[] = {
        {"fault any close-accept times 1", 1500, 0, -1},
        {"fault ofd close-request", 1500, 0, -1},
        {"fault ofd reset", 1500, 0, -1},
        {"fault ofd cut-header", 1500, 0, -1},
        {"fault ofd length-zero", 1500, 0, 0},
        {"fault ofd length-ffff", 800, 0, -1},
        {"fault ofd slow 200", 3000, 0, -2},
        {"fault ofd slow 5000", 600, 0, -1},
        {"fault ofd trickle 5", 3000, 0, -2},
        {"fault ofd over-long 100", 1500, 0, -2},
        {"fault ofd size 2041", 1500, 0, 2041},
        {"fault ofd size 65535", 3000, 0, 65535},
        {"fault oism reset", 1500, 0, -2}, // another kind's fault leaves the OFD alone
    };
    for (const FaultCase &c : cases) {
        SCOPED_TRACE(c.scenario);
        Serve(std::string(c.scenario) + "\n", c.timeout_ms);
        std::string a;
        int r = Exchange(9, &a, c.size);
        if (c.result == -2) {
            EXPECT_EQ(r, static_cast<int>(ack(9).size()));
            EXPECT_EQ(a, ack(9));
        } else {
            EXPECT_EQ(r, c.result);
        }
        if (c.result >= 0) {
            EXPECT_EQ(a.substr(0, ack(9).size()), c.result ? ack(9) : "");
        }
        if (strstr(c.scenario, "close-accept")) {
            EXPECT_TRUE(server_.Journal("request").empty());
        } else {
            ASSERT_TRUE(server_.WaitFor("request", 1)) << "the request reached the server";
        }
        net_close(&link_);
        server_.Stop();
    }
}

// A server that reads slowly fills a small send buffer: the body goes in
// parts until all of it went.
TEST_F(ServerLink, ABodyTheSocketCannotTakeAtOnceGoesInParts)
{
    Serve("fault any window 512\n", 20000);
    // A connection of the test's own with a small send buffer, left open
    // on the link as by an earlier exchange.
    int s = socket(AF_INET, SOCK_STREAM, 0);
    int small = 4096;
    ASSERT_EQ(setsockopt(s, SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(server_.Port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
    fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK);
    link_.sock = s;
    std::string a;
    EXPECT_EQ(Exchange(3, &a, 65000), static_cast<int>(ack(3).size()));
    EXPECT_EQ(a, ack(3));
    auto req = server_.Journal("request");
    ASSERT_EQ(req.size(), 1u);
    EXPECT_GE(jsonl::Number(req[0], "length"), 65000);
    EXPECT_EQ(server_.Journal("accept").size(), 1u);
}

// The same exchange with its stages as lines of the form's "info" field.
TEST_F(ServerLink, TheProgressVariantWritesEachStageIntoInfo)
{
    Serve("");
    vuForm form;
    vuMultiLine *info = new vuMultiLine(0, 0, 200, 400, 1, "");
    info->SetName("info");
    form.Add(info);
    exchange_container *c = ofdContainer(document(4));
    int r = server_exchange_progress(nullptr, &form, c, &link_);
    container_free(c);
    EXPECT_EQ(r, static_cast<int>(ack(4).size()));
    char expected[512];
    snprintf(expected, sizeof expected,
             "Соединение с сервером\nОбмен с сервером\nОтправка данных на сервер\nОтправлено: %d байт\n"
             "Ожидание ответа сервера\nПолучение данных от сервера\nПолучено: %d байт",
             static_cast<int>(document(4).size()), r);
    EXPECT_STREQ(widget_text(info), expected);
}

// Without a port, a time-out or a host nothing is tried, whatever the tick:
// the deadline is not left to a zeroed start tick.
TEST_F(ServerLink, AnUnconfiguredLinkEndsAtOnce)
{
    Serve("");
    OsTestClockEnable(1000);
    const struct {
        const char *host;
        uint16_t port;
        int timeout;
    } cases[] = {{"127.0.0.1", 0, 60000}, {"127.0.0.1", server_.Port(), 0}, {"", server_.Port(), 60000}};
    for (auto c : cases) {
        server_link_init(&link_, c.host, c.port, c.timeout);
        exchange_container *box = ofdContainer(document(1));
        EXPECT_EQ(server_exchange(nullptr, box, &link_, "ОФД"), -1);
        container_free(box);
        EXPECT_EQ(OsGetTickCount(), 1000u) << "no retry waited";
        EXPECT_EQ(link_.sock, -1);
    }
    EXPECT_TRUE(server_.Journal("accept").empty());
}

// An unresolvable host, and a port nobody listens on, are tried again with
// pauses until the deadline (virtual time), then -1.
TEST_F(ServerLink, ConnectFailuresAreRetriedUntilTheDeadline)
{
    Serve("");
    for (const char *host : {"no-such-host.invalid", "127.0.0.1"}) {
        SCOPED_TRACE(host);
        OsTestClockEnable(5000);
        server_link_init(&link_, host, strcmp(host, "127.0.0.1") == 0 ? 1 : 80, 2000);
        exchange_container *box = ofdContainer(document(1));
        EXPECT_EQ(server_exchange(nullptr, box, &link_, "ОФД"), -1);
        container_free(box);
        uint32_t spent = OsGetTickCount() - 5000;
        EXPECT_GE(spent, 2000u);
        EXPECT_LE(spent, 2200u) << "the last pause stays within the deadline";
        OsTestClockDisable();
    }
}

TEST(NetRemaining, CountsDownToOneExactlyAtTheDeadlineThenZero)
{
    OsTestClockEnable(100000);
    server_link link;
    server_link_init(&link, "h", 1, 500);
    link.start_tick = OsGetTickCount();
    const struct {
        unsigned advance;
        int remaining;
    } steps[] = {{0, 500}, {200, 300}, {299, 1}, {1, 1}, {1, 0}, {100000, 0}};
    for (auto s : steps) {
        OsTestClockAdvance(s.advance);
        EXPECT_EQ(net_remaining_ms(&link), s.remaining) << "after " << OsGetTickCount() - link.start_tick;
    }
    // The tick wraps around.
    OsTestClockDisable();
    OsTestClockEnable(0xFFFFFF00u);
    link.start_tick = OsGetTickCount();
    OsTestClockAdvance(0x200);
    EXPECT_EQ(net_remaining_ms(&link), 0);
    OsTestClockDisable();
}

TEST(NetRecv, AClosedSocketReceivesNothing)
{
    uint8_t buf[4];
    EXPECT_EQ(net_recv_until(-1, 100, buf, 4), 0);
}

} // namespace
