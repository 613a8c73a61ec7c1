// The stand-in's own frame codec and scenario parser.

#include "KktFrame.h"
#include "KktScenario.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kktsim::ParseResult;

// A request frame written out by hand: password KVMZ, id '!', code 29, one
// field "AB"; checksum low byte first.
std::string Request(const std::string &body, bool fixSum = true)
{
    std::string f = "\x02" + body + "\x03";
    uint16_t sum = kktsim::Sum16(reinterpret_cast<const uint8_t *>(f.data()), f.size());
    char tail[8];
    std::snprintf(tail, sizeof tail, "%02X%02X", sum & 0xFF, sum >> 8);
    return f + (fixSum ? tail : "0000");
}

TEST(KktFrame, ReadsRequestsAndTellsWhatCannotBeAnswered)
{
    struct Case {
        const char *name;
        std::string frame;
        ParseResult result;
        uint8_t code;
        size_t fields;
    } cases[] = {
        {"TwoFields", Request("KVMZ!29\x1C" "AB\x1C\x1C"), ParseResult::Ok, 0x29, 2},
        {"NoFields", Request("KVMZ 0A\x1C"), ParseResult::Ok, 0x0A, 0},
        {"BadSum", Request("KVMZ!29\x1C" "AB\x1C", false), ParseResult::BadChecksum, 0x29, 1},
        {"LowerCaseCode", Request("KVMZ!2a\x1C"), ParseResult::Malformed, 0, 0},
        {"ShortFieldZero", Request("KVM!29\x1C"), ParseResult::Malformed, 0, 0},
        {"UnterminatedField", Request("KVMZ!29\x1C" "AB"), ParseResult::Malformed, 0, 0},
        {"NoEtx", "\x02KVMZ!29\x1C\x1C" "0000X", ParseResult::Malformed, 0, 0},
        {"TooShort", "\x02\x03" "0000", ParseResult::Malformed, 0, 0},
        {"NoStx", "xKVMZ!29\x1C\x03" "0000", ParseResult::Malformed, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        kktsim::Request r;
        EXPECT_EQ(kktsim::ParseRequest(reinterpret_cast<const uint8_t *>(c.frame.data()), c.frame.size(), 4, r),
                  c.result);
        if (c.result != ParseResult::Malformed) {
            EXPECT_EQ(r.code, c.code);
            EXPECT_EQ(r.fields.size(), c.fields);
            EXPECT_EQ(r.password, "KVMZ");
        }
    }
}

TEST(KktFrame, ReplyLayoutAndChecksumOrder)
{
    kktsim::Reply r;
    r.id = '!';
    r.code = 0x29;
    r.fatal = 0x01;
    r.status = 0x1234;
    r.error = 0x0A;
    r.detail = 0x12;
    r.data = {"X"};
    std::string f = kktsim::BuildReply(r);
    std::string body = "\x02!29\x1C" "01\x1C" "3412\x1C" "0A12\x1C\x1C" "X\x1C\x03";
    ASSERT_EQ(f.substr(0, body.size()), body);
    uint16_t sum = kktsim::Sum16(reinterpret_cast<const uint8_t *>(body.data()), body.size());
    char tail[8];
    std::snprintf(tail, sizeof tail, "%02X%02X", sum & 0xFF, sum >> 8);
    EXPECT_EQ(f.substr(body.size()), tail);
    EXPECT_NE(kktsim::BuildReply(r, true), f);
}

TEST(KktScenario, StatementsApplyInOrder)
{
    kktsim::Scenario s;
    std::string error;
    ASSERT_TRUE(kktsim::ParseScenario("# comment\r\n"
                                      "data 29 first field\n"
                                      "answer 29 fatal=01 status=BEEF error=0A detail=02\n"
                                      "data 29 \n"
                                      "fault 29 delay 300 times 2\n"
                                      "fault 2A stale-id\n"
                                      "mode update\n"
                                      "not-ready 1500\n"
                                      "paper out\n"
                                      "short 9 12\n"
                                      "version-text KKT 2.0 beta\n"
                                      "version 3 1 0 395\n"
                                      "unknown-error 01\n"
                                      "print-error -6\n"
                                      "printer-state 3\n"
                                      "data-state 1\n"
                                      "repeat-status on\n"
                                      "status-size 10\n"
                                      "fault 89 cut 2 after 3 times 1\n"
                                      "usb fail append after 1\n"
                                      "usb fail write times 2\n",
                                      s, &error))
        << error;
    const kktsim::Answer &a = s.answers.at(0x29);
    EXPECT_EQ(a.fatal, 1);
    EXPECT_EQ(a.status, 0xBEEF);
    EXPECT_EQ(a.error, 0x0A);
    EXPECT_EQ(a.detail, 2);
    ASSERT_EQ(a.data.size(), 2u) << "an answer line keeps the data before it";
    EXPECT_EQ(a.data[0], "first field");
    EXPECT_EQ(a.data[1], "");
    EXPECT_EQ(s.faults.at(0x29).kind, kktsim::FaultKind::Delay);
    EXPECT_EQ(s.faults.at(0x29).ms, 300u);
    EXPECT_EQ(s.faults.at(0x29).times, 2);
    EXPECT_EQ(s.faults.at(0x2A).times, -1);
    EXPECT_EQ(s.mode, kktsim::Mode::Update);
    EXPECT_EQ(s.notReadyMs, 1500u);
    EXPECT_TRUE(s.paperOut);
    EXPECT_EQ(s.shortStatus.at('9'), 0x12);
    EXPECT_EQ(s.versionText, "KKT 2.0 beta");
    EXPECT_EQ(s.version[3], 395u);
    EXPECT_EQ(s.unknownError, 1);
    EXPECT_EQ(s.printError, -6);
    EXPECT_EQ(s.printerState, 3);
    EXPECT_EQ(s.dataState, 1);
    EXPECT_TRUE(s.repeatStatus);
    EXPECT_EQ(s.statusSize, 10);
    EXPECT_EQ(s.faults.at(0x89).kind, kktsim::FaultKind::Cut);
    EXPECT_EQ(s.faults.at(0x89).cut, 2u);
    EXPECT_EQ(s.faults.at(0x89).after, 3);
    EXPECT_EQ(s.faults.at(0x89).times, 1);
    EXPECT_TRUE(s.appendFault.on);
    EXPECT_EQ(s.appendFault.after, 1);
    EXPECT_EQ(s.appendFault.times, -1);
    EXPECT_TRUE(s.writeFault.on);
    EXPECT_EQ(s.writeFault.after, 0);
    EXPECT_EQ(s.writeFault.times, 2);
}

TEST(KktScenario, EveryFaultIsReadByTheNameItIsJournalledUnder)
{
    using kktsim::FaultKind;
    for (int k = static_cast<int>(FaultKind::NoReply); k <= static_cast<int>(FaultKind::ShortFirst); ++k) {
        const FaultKind kind = static_cast<FaultKind>(k);
        SCOPED_TRACE(kktsim::FaultName(kind));
        kktsim::Scenario s;
        std::string error;
        std::string line = std::string("fault 29 ") + kktsim::FaultName(kind) + (kind == FaultKind::Delay ? " 5" : "");
        ASSERT_TRUE(kktsim::ParseScenario(line + "\n", s, &error)) << error;
        EXPECT_EQ(s.faults.at(0x29).kind, kind);
    }
    EXPECT_STREQ(kktsim::FaultName(FaultKind::None), "none");
}

TEST(KktScenario, FaultsNameTheirLine)
{
    struct Case {
        const char *text;
        const char *error;
    } cases[] = {
        {"answer 129\n", "line 1: command code"},
        {"\nanswer 29 fatal=100\n", "line 2: bad answer option"},
        {"answer 29 colour=1\n", "line 1: bad answer option"},
        {"fault 29 sometimes\n", "line 1: unknown fault"},
        {"fault 29 delay\n", "line 1: delay needs milliseconds"},
        {"fault 29 delay -5\n", "line 1: delay needs milliseconds"},
        {"fault 29 no-reply times 0\n", "line 1: expected \"times N\""},
        {"fault 29 no-reply after 1\n", "line 1: expected \"times N\""},
        {"fault 89 cut 0\n", "line 1: cut needs"},
        {"fault 89 cut 2 after\n", "line 1: expected \"after N\""},
        {"usb fail read\n", "line 1: expected \"usb fail append|write\""},
        {"usb fail append times 0\n", "line 1: expected \"after N\" or \"times N\""},
        {"data 29 a\x1C" "b\n", "line 1: data text"},
        {"mode fast\n", "line 1: mode is"},
        {"version-text fifteen chars...\n", "line 1: version text"},
        {"version 1 2 3\n", "line 1: expected four version numbers"},
        {"status-size 17\n", "line 1: cannot read"},
        {"print-error -\n", "line 1: cannot read"},
        {"printer-state 6\n", "line 1: cannot read"},
        {"data-state 256\n", "line 1: cannot read"},
        {"short 9\n", "line 1: cannot read"},
        {"paper maybe\n", "line 1: cannot read"},
        {"hello\n", "line 1: cannot read \"hello\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        kktsim::Scenario s;
        std::string error;
        EXPECT_FALSE(kktsim::ParseScenario(c.text, s, &error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

} // namespace
