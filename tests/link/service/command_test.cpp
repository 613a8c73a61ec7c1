// Registrar command exchange, the ready wait and the status request against
// the stand-in on a real queue.

#include "ServiceFixture.h"
#include "TMCommand.h"

#include <cstring>
#include <sys/msg.h>

using namespace servicetest;
using kktsim::FaultKind;

namespace {

kktsim::Answer FnStatusAnswer()
{
    kktsim::Answer a;
    a.fatal = 0x01;
    a.status = 0x1234;
    a.data = {"03", "0A", u8"ФН 1.2"};
    return a;
}

struct ExchangeCase {
    const char *name;
    FaultKind fault;
    uint32_t faultMs;
    uint32_t timeout;
    int result;
    uint32_t minElapsed, maxElapsed;
};

class ExchangeTest : public ServiceTest, public ::testing::WithParamInterface<ExchangeCase> {
};

TEST_P(ExchangeTest, MatchesTheReplyToItsOwnRequest)
{
    const ExchangeCase &c = GetParam();
    sim_->SetAnswer(0x29, FnStatusAnswer());
    kktsim::Fault fault;
    fault.kind = c.fault;
    fault.ms = c.faultMs;
    sim_->SetFault(0x29, fault);

    TMCommand cmd;
    ASSERT_GT(cmd.GetFNStatus(), 0);
    int requestId = cmd.PacketId();
    std::string requestHex = "01"; // the kind byte, then the frame
    for (uint32_t i = 0; i < cmd.FrameSize(); ++i) {
        char two[3];
        snprintf(two, sizeof two, "%02X", cmd.FrameData()[i]);
        requestHex += two;
    }
    uint32_t start = OsGetTickCount();
    EXPECT_EQ(ServiceExecute(cmd, c.timeout), c.result);
    uint32_t elapsed = OsGetTickCount() - start;
    EXPECT_GE(elapsed, c.minElapsed);
    EXPECT_LE(elapsed, c.maxElapsed);
    if (c.result == 0) {
        EXPECT_EQ(cmd.CommandCode(), 0x29);
        EXPECT_EQ(cmd.PacketId(), requestId);
        EXPECT_EQ(cmd.FatalStatus(), 0x01);
        EXPECT_EQ(cmd.CurrentStatus(), 0x1234);
        EXPECT_EQ(cmd.ErrorCode(), 0);
        char text[32];
        EXPECT_EQ(cmd.FieldText1251(7, text, sizeof text), 6);
        EXPECT_STREQ(text, "ФН 1.2");
    }
    // The request went once, as a kind-1 frame.
    auto in = Journal(1);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].Get("code"), "29");
    EXPECT_EQ(in[0].Num("id"), requestId);
    EXPECT_EQ(in[0].Get("hex"), requestHex) << "the journal keeps the bytes as sent";
    EXPECT_EQ(in[0].Get("time").size(), 24u) << "a UTC time stamp to the millisecond: " << in[0].line;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ExchangeTest,
    ::testing::Values(ExchangeCase{"Plain", FaultKind::None, 0, 5000, 0, 20, 20},
                      ExchangeCase{"StatusBlockFirstIsDropped", FaultKind::StatusFirst, 0, 5000, 0, 20, 20},
                      ExchangeCase{"LateShortStatusIsPassedOver", FaultKind::ShortFirst, 0, 5000, 0, 20, 20},
                      ExchangeCase{"StaleIdentifierIsPassedOver", FaultKind::StaleId, 0, 5000, 0, 20, 20},
                      ExchangeCase{"DelayedReply", FaultKind::Delay, 300, 5000, 0, 300, 340},
                      ExchangeCase{"DelayBeyondTheTimeOut", FaultKind::Delay, 300, 200, -4, 200, 220},
                      ExchangeCase{"BadChecksum", FaultKind::BadChecksum, 0, 5000, -5, 20, 20},
                      ExchangeCase{"WrongCodeNeverMatches", FaultKind::WrongCode, 0, 1000, -4, 1000, 1020},
                      ExchangeCase{"NoReply", FaultKind::NoReply, 0, 1000, -4, 1000, 1020},
                      ExchangeCase{"TimeOutZeroMakesOneTry", FaultKind::None, 0, 0, -4, 20, 20}),
    [](const ::testing::TestParamInfo<ExchangeCase> &info) { return std::string(info.param.name); });

TEST_F(ServiceTest, ExchangeCarriesTextAndRegistrarErrors)
{
    TMCommand cmd;
    ASSERT_GT(cmd.PrintText("Итого: 5"), 0);
    EXPECT_EQ(ServiceExecute(cmd, 1000), 0);
    EXPECT_EQ(cmd.ErrorCode(), 0x06) << "a code without a scripted answer is a registrar error";
    auto in = Journal(1);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_NE(in[0].line.find(u8"\"fields\":[\"Итого: 5\"]"), std::string::npos) << in[0].line;
    EXPECT_EQ(in[0].Get("password"), "KVMZ");

    // The same object runs the next command; a late reply to the first one
    // would not be taken for it.
    sim_->SetAnswer(0x1C, kktsim::Answer());
    ASSERT_GT(cmd.PrintText("ещё"), 0);
    EXPECT_EQ(ServiceExecute(cmd, 1000), 0);
    EXPECT_EQ(cmd.ErrorCode(), 0);

    TMCommand empty;
    EXPECT_EQ(ServiceExecute(empty, 1000), -1);
}

// Kind-1 messages ahead of the reply that are no reply frame (a few bytes of
// a late short-command status, or text that does not start with STX) are
// passed over; a message that starts with STX and fails the check is a bad
// reply.
TEST_F(ServiceTest, KindOneMessagesThatAreNoFramesArePassedOver)
{
    struct Case {
        const char *name;
        std::string junk; // behind the kind byte
        int result;
    } cases[] = {
        {"short status", std::string{0x28}, 0},
        {"five bytes with STX", std::string("\x02" "KV\x1C\x03", 5), 0},
        {"long text without STX", "KVMZ 29\x1C" "00\x1C\x03" "0000", 0},
        {"broken frame", "\x02" "29\x1C" "00\x1C" "0000\x1C\x1C\x03" "0000", -5},
    };
    sim_->SetAnswer(0x29, FnStatusAnswer());
    struct Hook {
        kktsim::Simulator *sim;
        const std::string *junk;
        bool posted;
    } hook{sim_.get(), nullptr, false};
    // The junk goes into the reply type before the stand-in answers.
    OsTestClockSetSleepHook(
        [](unsigned int, void *arg) {
            Hook *h = static_cast<Hook *>(arg);
            if (!h->posted) {
                h->posted = true;
                struct {
                    long type;
                    char text[64];
                } msg;
                msg.type = 2;
                msg.text[0] = 1;
                memcpy(msg.text + 1, h->junk->data(), h->junk->size());
                EXPECT_EQ(msgsnd(h->sim->QueueId(), &msg, 1 + h->junk->size(), IPC_NOWAIT), 0);
            }
            h->sim->Sync();
        },
        &hook);
    for (const Case &c : cases) {
        hook.junk = &c.junk;
        hook.posted = false;
        TMCommand cmd;
        ASSERT_GT(cmd.GetFNStatus(), 0) << c.name;
        EXPECT_EQ(ServiceExecute(cmd, 1000), c.result) << c.name;
        EXPECT_TRUE(hook.posted) << c.name;
        if (c.result == 0) {
            EXPECT_EQ(cmd.CurrentStatus(), 0x1234) << c.name;
        }
    }
}

struct ReadyCase {
    const char *name;
    kktsim::Mode mode;
    uint32_t notReadyMs;
    int short9; // forced answer to DLE '9', -1 none
    uint32_t tries, timeout;
    int result;
    uint32_t minElapsed, maxElapsed;
    size_t passes;
};

class ReadyTest : public ServiceTest, public ::testing::WithParamInterface<ReadyCase> {
};

TEST_P(ReadyTest, WaitsForTheController)
{
    const ReadyCase &c = GetParam();
    sim_->SetMode(c.mode);
    sim_->SetNotReady(c.notReadyMs);
    if (c.short9 >= 0)
        sim_->SetShortStatus('9', static_cast<uint8_t>(c.short9));
    uint32_t start = OsGetTickCount();
    EXPECT_EQ(ServiceWaitReady(c.tries, c.timeout), c.result);
    uint32_t elapsed = OsGetTickCount() - start;
    EXPECT_GE(elapsed, c.minElapsed);
    EXPECT_LE(elapsed, c.maxElapsed);
    size_t first = 0;
    for (const Entry &e : Journal(1))
        if (e.Get("short") == "9")
            ++first;
    EXPECT_EQ(first, c.passes) << "DLE '9' requests (a retry counts)";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ReadyTest,
    ::testing::Values(
        ReadyCase{"Ready", kktsim::Mode::Normal, 0, -1, 3, 20000, 1, 40, 40, 1},
        ReadyCase{"Status12GoesOn", kktsim::Mode::Normal, 0, 0x12, 3, 20000, 1, 40, 40, 1},
        ReadyCase{"NotReadyThenReadyThroughTheStatusBlock", kktsim::Mode::Normal, 1500, -1, 1, 20000, 1, 1500,
                  2100, 1},
        ReadyCase{"ServiceModeAfterTheRetry", kktsim::Mode::Service, 0, -1, 3, 20000, -8, 2040, 2040, 2},
        ReadyCase{"UpdateModeAfterTheRetry", kktsim::Mode::Update, 0, -1, 3, 20000, -9, 2040, 2040, 2},
        ReadyCase{"NeverReadyRunsEveryPass", kktsim::Mode::Normal, 600000, -1, 2, 1000, 0, 2000, 2200, 2},
        ReadyCase{"ZeroTriesRunOnePass", kktsim::Mode::Normal, 600000, -1, 0, 1000, 0, 1000, 1100, 1}),
    [](const ::testing::TestParamInfo<ReadyCase> &info) { return std::string(info.param.name); });

TEST_F(ServiceTest, StatusRequestKeepsAShortAnswerZeroPadded)
{
    ASSERT_EQ(GetPrnStatus(0), 0);
    EXPECT_EQ(ServiceLastStatus()->ready, 1);

    sim_->Update([](kktsim::Scenario &s) {
        s.statusSize = 10;
        s.printError = 0x0707;
    });
    ASSERT_EQ(GetPrnStatus(500), 0);
    const uint8_t *raw = reinterpret_cast<const uint8_t *>(ServiceLastStatus());
    EXPECT_EQ(ServiceLastStatus()->printError, 0x0707);
    for (int i = 10; i < 16; ++i)
        EXPECT_EQ(raw[i], 0) << "byte " << i;

    sim_->Stop(); // nobody answers now
    uint32_t start = OsGetTickCount();
    EXPECT_EQ(GetPrnStatus(0), -4);
    EXPECT_EQ(OsGetTickCount() - start, 1000u) << "a time-out of 0 waits 1000 ms";
}

} // namespace
