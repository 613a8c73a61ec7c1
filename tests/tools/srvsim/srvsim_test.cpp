// The server stand-in: requests read from any split of the bytes, the kinds,
// the scenario's faults counted down, a bad scenario line named, and the
// program going on serving after a request cut short or of no known kind.
#include <gtest/gtest.h>

#include "SrvKeys.h"
#include "SrvProtocol.h"
#include "SrvScenario.h"
#include "SrvsimProcess.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

std::string header(const uint8_t prefix[8], const std::string &fn, size_t length)
{
    std::string h(reinterpret_cast<const char *>(prefix), 8);
    std::string f = fn;
    f.resize(16, ' ');
    h += f;
    h += static_cast<char>(length & 0xFF);
    h += static_cast<char>(length >> 8);
    h += std::string("\x14\0\0\0", 4);
    return h;
}

const uint8_t kOfd105[8] = {0x2A, 0x08, 0x41, 0x0A, 0x81, 0xA2, 0x01, 0x05};
const uint8_t kOism[8] = {0xDD, 0x80, 0xCA, 0xA1, 0x82, 0xA2, 0x00, 0x01};
const uint8_t kKeys[8] = {0xDD, 0x80, 0xCA, 0xA1, 0x82, 0xA1, 0x00, 0x01};
const uint8_t kOfdBad[8] = {0x2A, 0x08, 0x41, 0x0A, 0x81, 0xA2, 0x01, 0x07};

// A document numbered n: message header, own tag and length, tag 1040.
std::string document(uint32_t n)
{
    std::string tags = std::string("\x10\x04\x04\x00", 4);
    for (int i = 0; i < 4; ++i)
        tags += static_cast<char>(n >> (8 * i));
    std::string d(32, '\0');
    d += std::string("\x03\x00", 2);
    d += static_cast<char>(tags.size());
    d += '\0';
    return d + tags;
}

TEST(SrvsimProtocol, ARequestIsCompleteOnlyWithItsWholeBody)
{
    std::string req = header(kOfd105, "9999078900012345", document(5).size()) + document(5);
    std::string two = req + req;
    for (size_t cut = 0; cut <= req.size(); ++cut) {
        srvsim::Request r;
        size_t used = 0;
        srvsim::ReadResult res =
            srvsim::ReadRequest(reinterpret_cast<const uint8_t *>(two.data()), cut, &r, &used);
        if (cut < req.size()) {
            EXPECT_EQ(res, srvsim::ReadResult::NeedMore) << cut;
            EXPECT_EQ(used, 0u);
        } else {
            ASSERT_EQ(res, srvsim::ReadResult::Complete);
            EXPECT_EQ(used, req.size());
            EXPECT_EQ(r.kind, srvsim::Kind::Ofd);
            EXPECT_EQ(r.fnNumber, "9999078900012345");
            EXPECT_EQ(r.body, document(5));
            srvsim::DocumentInfo info = srvsim::ScanDocument(reinterpret_cast<const uint8_t *>(r.body.data()),
                                                             r.body.size());
            EXPECT_TRUE(info.hasNumber);
            EXPECT_EQ(info.number, 5u);
        }
    }
}

TEST(SrvsimProtocol, KindsByPrefix)
{
    const struct {
        const uint8_t *prefix;
        srvsim::Kind kind;
    } cases[] = {{kOfd105, srvsim::Kind::Ofd}, {kOism, srvsim::Kind::Oism}, {kKeys, srvsim::Kind::Keys},
                 {kOfdBad, srvsim::Kind::Unknown}};
    for (auto c : cases) {
        std::string h = header(c.prefix, "1", 0);
        srvsim::Request r;
        size_t used = 0;
        srvsim::ReadResult res = srvsim::ReadRequest(reinterpret_cast<const uint8_t *>(h.data()), h.size(), &r, &used);
        EXPECT_EQ(res, c.kind == srvsim::Kind::Unknown ? srvsim::ReadResult::UnknownKind : srvsim::ReadResult::Complete);
        EXPECT_EQ(r.kind, c.kind);
    }
}

TEST(SrvsimScenario, FaultsAreCountedDownPerKind)
{
    srvsim::Scenario s;
    std::string error;
    ASSERT_TRUE(srvsim::ParseScenario("# faults\nfault ofd reset times 2\nfault any slow 50\n"
                                      "fault any window 100 times 1\nofd-error 7 НЕТ times 1\n",
                                      s, &error))
        << error;
    srvsim::Fault f;
    ASSERT_TRUE(srvsim::TakeFault(s, srvsim::Kind::Oism, false, &f));
    EXPECT_EQ(f.mode, srvsim::FaultMode::Slow) << "another kind's fault is skipped";
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(srvsim::TakeFault(s, srvsim::Kind::Ofd, false, &f));
        EXPECT_EQ(f.mode, srvsim::FaultMode::Reset);
    }
    ASSERT_TRUE(srvsim::TakeFault(s, srvsim::Kind::Ofd, false, &f));
    EXPECT_EQ(f.mode, srvsim::FaultMode::Slow) << "then the next that applies";
    ASSERT_TRUE(srvsim::TakeFault(s, srvsim::Kind::Unknown, true, &f));
    EXPECT_EQ(f.mode, srvsim::FaultMode::Window);
    EXPECT_FALSE(srvsim::TakeFault(s, srvsim::Kind::Unknown, true, &f));
    srvsim::OfdError e;
    ASSERT_TRUE(srvsim::TakeOfdError(s, &e));
    EXPECT_EQ(e.code, 7);
    EXPECT_FALSE(srvsim::TakeOfdError(s, &e));
}

TEST(SrvsimScenario, ABadLineIsNamed)
{
    const struct {
        const char *text;
        const char *error;
    } cases[] = {
        {"fault ofd", "line 1: fault needs a kind"},
        {"\nfault web reset", "line 2: fault needs a kind"},
        {"fault ofd explode", "line 1: unknown fault mode 'explode'"},
        {"fault ofd slow", "line 1: slow needs a number"},
        {"fault ofd reset 5", "line 1: reset takes no number"},
        {"fault ofd reset times 0", "line 1: times needs a count from 1"},
        {"fault ofd size 70000", "line 1: size needs a number up to 65535"},
        {"ofd-error 0 X", "line 1: ofd-error needs a code"},
        {"# ok\nanswer 5", "line 2: unknown statement 'answer'"},
        {"fault ofd reset\x01", "line 1: a control character"},
        {"mark maybe *", "line 1: the verdict is accept, reject or none"},
        {"mark reject", "line 1: expected \"mark accept|reject|none PREFIX|* [times N]\""},
        {"mark reject 01 02", "line 1: expected"},
        {"mark none * times -1", "line 1: times needs a count from 1"},
    };
    for (auto c : cases) {
        srvsim::Scenario s;
        std::string error;
        EXPECT_FALSE(srvsim::ParseScenario(c.text, s, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

class SrvsimProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/srvsim_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override
    {
        server_.Stop();
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << cmd;
    }
    int Connect()
    {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(server_.Port());
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
        return s;
    }
    // Sends the bytes and reads one answer (header and body).
    std::string Ask(int s, const std::string &bytes)
    {
        EXPECT_EQ(send(s, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        std::string in;
        char buf[4096];
        size_t want = 30;
        while (in.size() < want) {
            ssize_t n = recv(s, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            in.append(buf, static_cast<size_t>(n));
            if (in.size() >= 30)
                want = 30 + (static_cast<uint8_t>(in[24]) | (static_cast<uint8_t>(in[25]) << 8));
        }
        return in.size() > 30 ? in.substr(30) : std::string();
    }
    std::string dir_;
    SrvsimProcess server_;
};

TEST_F(SrvsimProgram, CheckNamesTheBadLineWithStatus2)
{
    std::string scenario = dir_ + "/bad.scn";
    FILE *f = fopen(scenario.c_str(), "w");
    fputs("fault ofd reset\nfault ofd slow x\n", f);
    fclose(f);
    std::string cmd = std::string(SRVSIM_PATH) + " --check --scenario " + scenario + " 2>" + dir_ + "/err";
    int status = system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::ifstream in(dir_ + "/err");
    std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(err.find("bad.scn: line 2: slow needs a number"), std::string::npos) << err;
}

TEST_F(SrvsimProgram, ServesEveryKindAndGoesOnAfterBrokenRequests)
{
    std::string error;
    ASSERT_TRUE(server_.Start(SRVSIM_PATH, dir_ + "/srv", "", &error)) << error;
    // a request cut short, then one of no known kind: each closes its own
    // connection only
    int cut = Connect();
    std::string h = header(kOfd105, "9999078900012345", 100);
    send(cut, h.data(), h.size(), 0);
    send(cut, "abc", 3, 0);
    close(cut);
    int unknown = Connect();
    EXPECT_EQ(Ask(unknown, header(kOfdBad, "1", 0)), "");
    close(unknown);

    int s = Connect();
    EXPECT_EQ(Ask(s, header(kOfd105, "9999078900012345", document(12).size()) + document(12)),
              "SRVSIM ACK 9999078900012345 12\n");
    EXPECT_EQ(Ask(s, header(kOism, "9999078900012345", 3) + "abc"), "SRVSIM OISM OK\n");
    EXPECT_EQ(Ask(s, header(kKeys, "9999078900012345", 0)), "SRVSIM KEYS 9999078900012345 0 811C9DC5\n");
    close(s);
    ASSERT_TRUE(server_.WaitFor("close", 3));
    auto cuts = server_.Journal("cut-short");
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_EQ(jsonl::Text(cuts[0], "what"), "body 3 of 100 bytes");
    auto requests = server_.Journal("request");
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(jsonl::Text(requests[0], "kind"), "unknown");
    EXPECT_EQ(jsonl::Text(requests[1], "kind"), "ofd");
    EXPECT_EQ(jsonl::Number(requests[1], "document"), 12);
    EXPECT_EQ(jsonl::Text(requests[2], "body"), "616263");
    EXPECT_EQ(server_.Journal("answer").size(), 3u);
}

// A stopped server's port stays the test's: nothing else can bind it (a
// neighbouring test's server would otherwise take it and answer this test's
// connections), connecting is refused, and the server started again on it
// serves.
TEST_F(SrvsimProgram, AStoppedServersPortStaysHeld)
{
    std::string error;
    ASSERT_TRUE(server_.Start(SRVSIM_PATH, dir_ + "/srv", "", &error)) << error;
    const uint16_t port = server_.Port();
    server_.Stop();
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int other = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(bind(other, reinterpret_cast<sockaddr *>(&at), sizeof at), 0) << "port " << port << " free";
    close(other);
    int s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(connect(s, reinterpret_cast<sockaddr *>(&at), sizeof at), 0);
    EXPECT_EQ(errno, ECONNREFUSED);
    close(s);

    ASSERT_TRUE(server_.Start(SRVSIM_PATH, dir_ + "/srv", "", &error, port)) << error;
    EXPECT_EQ(server_.Port(), port);
    s = Connect();
    EXPECT_EQ(Ask(s, header(kOism, "9999078900012345", 3) + "abc"), "SRVSIM OISM OK\n");
    close(s);
}

// A notification gets a receipt naming it; a notification whose length
// bytes do not give its size is journaled and its connection closed, the
// server going on.
TEST_F(SrvsimProgram, NotificationsGetAReceiptNamingThem)
{
    std::string error;
    ASSERT_TRUE(server_.Start(SRVSIM_PATH, dir_ + "/srv", "", &error)) << error;
    auto notice = [](uint32_t number, size_t size, size_t said) {
        std::string n(size, 'F');
        n[0] = static_cast<char>(said & 0xFF);
        n[1] = static_cast<char>(said >> 8);
        n.replace(4, 4, "NTFY");
        for (int i = 0; i < 4; ++i)
            n[8 + i] = static_cast<char>(number >> (8 * i));
        n.replace(12, 16, "9999078900012345");
        return n;
    };
    int s = Connect();
    const std::string good = notice(7, 40, 40);
    std::string receipt = Ask(s, header(kOism, "9999078900012345", good.size()) + good);
    ASSERT_EQ(receipt.size(), 28u);
    EXPECT_EQ(receipt.substr(0, 8), std::string("\x1C\0\0\0NTFR", 8));
    EXPECT_EQ(receipt.substr(8, 4), std::string("\x07\0\0\0", 4));
    EXPECT_EQ(receipt.substr(12), "9999078900012345");
    close(s);

    int bad = Connect();
    const std::string wrong = notice(8, 40, 41);
    EXPECT_EQ(Ask(bad, header(kOism, "9999078900012345", wrong.size()) + wrong), "");
    close(bad);
    int shortOne = Connect();
    const std::string tiny = notice(9, 31, 31);
    EXPECT_EQ(Ask(shortOne, header(kOism, "9999078900012345", tiny.size()) + tiny), "");
    close(shortOne);
    ASSERT_TRUE(server_.WaitFor("close", 3));
    auto requests = server_.Journal("request");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(jsonl::Number(requests[0], "notification"), 7);
    EXPECT_NE(jsonl::Text(requests[1], "malformed").find("length bytes say 41"), std::string::npos);
    EXPECT_NE(jsonl::Text(requests[2], "malformed").find("31 bytes"), std::string::npos);
    EXPECT_EQ(server_.Journal("answer").size(), 1u);
}

// Key-update requests: any number on one connection, each answered with
// the line derived from its own body; the kind's faults apply to them.
TEST_F(SrvsimProgram, KeyAnswersAreDerivedFromTheirRequests)
{
    EXPECT_EQ(srvsim::KeysChecksum(""), 0x811C9DC5u);
    EXPECT_EQ(srvsim::KeysChecksum("a"), 0xE40C292Cu);
    std::string error;
    ASSERT_TRUE(server_.Start(SRVSIM_PATH, dir_ + "/srv", "fault keys reset times 1\n", &error)) << error;
    int first = Connect();
    EXPECT_EQ(Ask(first, header(kKeys, "9999078900012345", 3) + "abc"), "") << "reset";
    close(first);
    int s = Connect();
    for (const std::string body : {"KKTSIM KEYS 9999078900012345 1\n", "KKTSIM KEYS 9999078900012345 2\n", "x"}) {
        char sum[16];
        snprintf(sum, sizeof sum, "%08X", srvsim::KeysChecksum(body));
        EXPECT_EQ(Ask(s, header(kKeys, "9999078900012345", body.size()) + body),
                  "SRVSIM KEYS 9999078900012345 " + std::to_string(body.size()) + " " + sum + "\n");
    }
    close(s);
    ASSERT_TRUE(server_.WaitFor("close", 2));
    EXPECT_EQ(server_.Journal("accept").size(), 2u);
    EXPECT_EQ(server_.Journal("answer").size(), 3u);
}

// Check requests of the marking server get the scenario's verdict for
// their code (accept by default), its faults apply to them, and a
// malformed one is journaled and its connection closed.
TEST_F(SrvsimProgram, ChecksMarkingCodesByTheScenario)
{
    std::string error;
    ASSERT_TRUE(server_.Start(SRVSIM_PATH, dir_ + "/srv",
                              "mark reject 0104600000000017215BAD\nmark none * times 2\n"
                              "fault oism close-request times 1\n",
                              &error))
        << error;
    auto check = [](const std::string &code) {
        std::string body = "KMCHECK " + jsonl::Hex(code) + "\n";
        return header(kOism, "9999078900012345", body.size()) + body;
    };
    const std::string bad = std::string("0104600000000017215BAD") + '\x1d' + "91EE06";
    const std::string good = "0104600000000017215GOOD";
    int s = Connect();
    // the fault: closed without an answer (the request counts for "times")
    EXPECT_EQ(Ask(s, check(good)), "");
    close(s);
    s = Connect();
    EXPECT_EQ(Ask(s, check(good)), "KMRESULT NONE " + jsonl::Hex(good) + "\n");
    EXPECT_EQ(Ask(s, check(good)), "KMRESULT ACCEPT " + jsonl::Hex(good) + "\n");
    EXPECT_EQ(Ask(s, check(bad)), "KMRESULT REJECT " + jsonl::Hex(bad) + "\n");
    // a notification's body is no check request
    EXPECT_EQ(Ask(s, header(kOism, "9999078900012345", 4) + std::string("\x04\0KM", 4)), "SRVSIM OISM OK\n");
    std::string malformed = "KMCHECK 0G\n";
    EXPECT_EQ(Ask(s, header(kOism, "9999078900012345", malformed.size()) + malformed), "");
    close(s);
    ASSERT_TRUE(server_.WaitFor("close", 2));
    auto requests = server_.Journal("request");
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(jsonl::Text(requests[3], "check"),
              "{\"code\":\"" + jsonl::Hex(bad) + "\",\"verdict\":\"REJECT\"}");
    EXPECT_EQ(jsonl::Text(requests[5], "malformed"), "check request");
    auto closes = server_.Journal("close");
    EXPECT_EQ(jsonl::Text(closes.back(), "reason"), "malformed check request");
}

} // namespace
