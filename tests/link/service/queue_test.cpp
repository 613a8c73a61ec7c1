// The queue itself: queries, monitor text, flush, a full queue, and every
// call while no queue is attached.

#include "ServiceApi.h"
#include "ServiceFixture.h"
#include "TMCommand.h"

#include <cstring>
#include <functional>
#include <sys/ipc.h>
#include <sys/msg.h>

using namespace servicetest;

namespace {

size_t Waiting(int queue)
{
    msqid_ds ds;
    return msgctl(queue, IPC_STAT, &ds) == 0 ? ds.msg_qnum : 0;
}

TEST_F(ServiceTest, QueriesAndControlByteAreAnswered)
{
    uint8_t kind = 0xFF;
    uint8_t buf[64];
    ASSERT_EQ(ServiceQueryVersionText(), 0);
    int n = ServiceReceive(&kind, buf, sizeof buf, 500);
    ASSERT_EQ(n, 10);
    EXPECT_EQ(kind, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 10), "KKTSIM 1.0");

    ASSERT_EQ(ServiceQueryVersion(), 0);
    ASSERT_EQ(ServiceReceive(&kind, buf, sizeof buf, 500), 16);
    EXPECT_EQ(kind, 4);
    uint32_t v[4];
    std::memcpy(v, buf, sizeof v);
    EXPECT_EQ(v[0], 1u);
    EXPECT_EQ(v[3], 1u);

    const uint8_t one = 1;
    ASSERT_EQ(ServiceSend(0, &one, 1), 0);
    ASSERT_EQ(ServiceReceive(&kind, buf, sizeof buf, 500), 1);
    EXPECT_EQ(kind, 0);

    EXPECT_EQ(ServiceSend(1, nullptr, 3), -1) << "null data with a length";
    EXPECT_EQ(ServiceSend(1, buf, 4096), -1);
    EXPECT_EQ(ServiceSendFrame(buf, 0), -1);

    // Nothing waiting: one try without a pause, or polls until the time-out.
    uint32_t start = OsGetTickCount();
    EXPECT_EQ(ServiceReceive(&kind, buf, sizeof buf, 0), -4);
    EXPECT_EQ(OsGetTickCount(), start);
    EXPECT_EQ(ServiceReceive(&kind, buf, sizeof buf, 100), -4);
    EXPECT_EQ(OsGetTickCount() - start, 100u);
}

// Every short command the cash register sends (DLE and one character) gets
// one status byte back as a kind-1 answer; an unknown one gets none.
TEST_F(ServiceTest, ShortCommandsGetOneStatusByte)
{
    struct Case {
        char command;
        kktsim::Mode mode;
        int status; // -1: no answer
    } cases[] = {
        {'9', kktsim::Mode::Normal, 0x00}, {'9', kktsim::Mode::Service, 0x04}, {'9', kktsim::Mode::Update, 'C'},
        {'0', kktsim::Mode::Normal, 0x28}, {'7', kktsim::Mode::Normal, 0x00}, {'6', kktsim::Mode::Normal, 0x00},
        {'8', kktsim::Mode::Normal, 0x00}, {'C', kktsim::Mode::Normal, 0x00}, {'X', kktsim::Mode::Normal, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(1, c.command));
        sim_->SetMode(c.mode);
        const uint8_t request[2] = {0x10, static_cast<uint8_t>(c.command)};
        ASSERT_EQ(ServiceSendFrame(request, sizeof request), 0);
        uint8_t kind = 0xFF;
        uint8_t buf[16];
        const int n = ServiceReceive(&kind, buf, sizeof buf, 100);
        if (c.status < 0) {
            EXPECT_EQ(n, -4);
            continue;
        }
        ASSERT_EQ(n, 1);
        EXPECT_EQ(kind, 1);
        EXPECT_EQ(buf[0], c.status);
    }
    EXPECT_EQ(Journal(1).size(), sizeof cases / sizeof cases[0]) << "each one journalled";
}

TEST_F(ServiceTest, MonitorEchoesWithAPrompt)
{
    char out[64];
    ASSERT_EQ(ServiceMonitorSend(nullptr, 0), 0) << "an empty message asks for the prompt";
    ASSERT_EQ(ServiceMonitorReceive(out, sizeof out, 500), 1);
    EXPECT_EQ(out[0], '>');
    ASSERT_EQ(ServiceMonitorSend("ver\r", 4), 0);
    int n = ServiceMonitorReceive(out, sizeof out, 500);
    EXPECT_EQ(std::string(out, n > 0 ? n : 0), "ver\r\n>");
    EXPECT_EQ(ServiceMonitorSend(nullptr, 1), -1);
    EXPECT_EQ(ServiceMonitorSend(out, 4097), -1);
}

TEST_F(ServiceTest, OversizeMessagesAreCutForReceivesAndGoWithTheFlush)
{
    sim_->Stop();
    struct {
        long type;
        char text[6000];
    } big;
    big.type = 2;
    std::memset(big.text, 'z', sizeof big.text);
    struct {
        long type;
        char text[2];
    } small = {2, {1, 'k'}};
    ASSERT_EQ(msgsnd(ServiceQueueId(), &big, sizeof big.text, IPC_NOWAIT), 0);
    ASSERT_EQ(msgsnd(ServiceQueueId(), &small, sizeof small.text, IPC_NOWAIT), 0);
    uint8_t kind = 0;
    uint8_t buf[16];
    EXPECT_EQ(ServiceReceive(&kind, buf, sizeof buf, 0), 16) << "cut to the buffer";
    EXPECT_EQ(kind, 'z');
    EXPECT_EQ(ServiceReceive(&kind, buf, sizeof buf, 0), 1) << "the next answer is not hidden behind it";
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(buf[0], 'k');

    ASSERT_EQ(msgsnd(ServiceQueueId(), &big, sizeof big.text, IPC_NOWAIT), 0);
    ASSERT_EQ(ServiceQueryState(), 0) << "a request the service has not taken";
    EXPECT_EQ(ServiceFlush(), 0);
    EXPECT_EQ(Waiting(ServiceQueueId()), 0u) << "the flush takes every type, over-size ones too";
}

TEST_F(ServiceTest, StandInKeepsAnswersWhileTheQueueIsFull)
{
    // Three inputs of 2000 line ends echo 18000 bytes: more than the queue
    // holds (16384), so part of the echo waits inside the stand-in.
    std::string input(2000, '\n');
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(ServiceMonitorSend(input.data(), input.size()), 0);
    sim_->Sync();
    std::string got;
    char out[4096];
    for (int i = 0; i < 20 && got.size() < 18000; ++i) {
        int n = ServiceMonitorReceive(out, sizeof out, 100);
        if (n > 0)
            got.append(out, n);
    }
    std::string one;
    for (int i = 0; i < 2000; ++i)
        one += "\r\n>";
    EXPECT_EQ(got, one + one + one);
}

class NoQueueTest : public TempRootTest {};

TEST_F(NoQueueTest, EveryCallFailsWithoutAQueue)
{
    EXPECT_EQ(ServiceQueueId(), -1);
    uint32_t start = OsGetTickCount();
    EXPECT_EQ(ServiceOpen(), -2);
    EXPECT_EQ(OsGetTickCount() - start, 3000u) << "one more try after 3000 ms";
    EXPECT_EQ(ServiceApi_Open(), -2);

    static uint8_t buf[64];
    static const uint8_t settings[5] = {0};
    static TMCommand frame;
    ASSERT_GT(frame.GetFNStatus(), 0);
    struct Call {
        const char *name;
        std::function<int()> call;
        int result;
    };
    const Call calls[] = {
        {"Send", [] { return ServiceSend(1, buf, 1); }, -2},
        {"SendFrame", [] { return ServiceSendFrame(buf, 2); }, -2},
        {"QueryVersionText", [] { return ServiceQueryVersionText(); }, -2},
        {"QueryState", [] { return ServiceQueryState(); }, -2},
        {"QueryVersion", [] { return ServiceQueryVersion(); }, -2},
        {"MonitorSend", [] { return ServiceMonitorSend(buf, 1); }, -2},
        {"Receive", [] { uint8_t k; return ServiceReceive(&k, buf, 10, 100); }, -2},
        {"MonitorReceive", [] { return ServiceMonitorReceive(buf, 10, 100); }, -2},
        {"Flush", [] { return ServiceFlush(); }, -2},
        {"Execute", [] { return ServiceExecute(frame, 100); }, -2},
        {"WaitReady", [] { return ServiceWaitReady(3, 100); }, -2},
        {"GetPrnStatus", [] { return GetPrnStatus(0); }, -2},
        {"PrintRaw", [] { return ServicePrintRaw(buf, 3, 0); }, -2},
        {"PrintText", [] { return ServicePrintText("x", 0, 0); }, -2},
        {"PrintRequest2", [] { return ServicePrintRequest2("x", 0); }, -2},
        {"PrintRequest4", [] { return ServicePrintRequest4("x", 1, 2, 0); }, -2},
        {"PrinterSettings", [] { return ServicePrinterSettings(settings, 0); }, -2},
        {"PrintRequest5", [] { return ServicePrintRequest5(1, 0); }, -2},
        {"Log", [] { return ServiceLog(buf, 3, 30); }, -2},
        {"LogText", [] { return ServiceLogText("x"); }, -2},
        {"CopyLog", [] { return ServiceCopyLog(); }, -13},
        {"UnloadEnd", [] { return ServiceUnloadEnd(); }, -13},
        {"UnloadStep", [] { return ServiceUnloadStep("f", buf, 10, 0); }, -12},
        {"UnloadPut", [] { return ServiceUnloadPut("f", buf, 10); }, -2},
        {"UnloadGet", [] { return ServiceUnloadGet("f", buf, 10, 0); }, -2},
        // argument checks come first
        {"SendNullData", [] { return ServiceSend(1, nullptr, 5); }, -1},
        {"PrintTextNull", [] { return ServicePrintText(nullptr, 0, 0); }, -1},
        {"PrintRawEmpty", [] { return ServicePrintRaw(buf, 0, 0); }, -1},
        {"LogTextNull", [] { return ServiceLogText(nullptr); }, -1},
        {"UnloadPutEmpty", [] { return ServiceUnloadPut("f", nullptr, 0); }, -1},
        {"ReceiveNoKind", [] { return ServiceReceive(nullptr, buf, 10, 0); }, -1},
        // the flat interface answers the same
        {"Api_Send", [] { return ServiceApi_Send(1, buf, 1); }, -2},
        {"Api_SendFrame", [] { return ServiceApi_SendFrame(buf, 2); }, -2},
        {"Api_QueryVersionText", [] { return ServiceApi_QueryVersionText(); }, -2},
        {"Api_QueryState", [] { return ServiceApi_QueryState(); }, -2},
        {"Api_QueryVersion", [] { return ServiceApi_QueryVersion(); }, -2},
        {"Api_MonitorSend", [] { return ServiceApi_MonitorSend(buf, 1); }, -2},
        {"Api_Receive", [] { uint8_t k; return ServiceApi_Receive(&k, buf, 10, 0); }, -2},
        {"Api_MonitorReceive", [] { return ServiceApi_MonitorReceive(buf, 10, 0); }, -2},
        {"Api_WaitReady", [] { return ServiceApi_WaitReady(1, 100); }, -2},
        {"Api_GetPrnStatus", [] { return ServiceApi_GetPrnStatus(0); }, -2},
        {"Api_PrintRaw", [] { return ServiceApi_PrintRaw(buf, 3, 0); }, -2},
        {"Api_PrintText", [] { return ServiceApi_PrintText("x", 0, 0); }, -2},
        {"Api_PrintRequest4", [] { return ServiceApi_PrintRequest4("x", 1, 2, 0); }, -2},
        {"Api_PrintRequest2", [] { return ServiceApi_PrintRequest2("x", 0); }, -2},
        {"Api_PrinterSettings", [] { return ServiceApi_PrinterSettings(settings, 0); }, -2},
        {"Api_PrintRequest5", [] { return ServiceApi_PrintRequest5(1, 0); }, -2},
        {"Api_Log", [] { return ServiceApi_Log(buf, 3, 30); }, -2},
        {"Api_LogText", [] { return ServiceApi_LogText("x"); }, -2},
        {"Api_UnloadStep", [] { return ServiceApi_UnloadStep("f", buf, 10, 0); }, -12},
        {"Api_UnloadPut", [] { return ServiceApi_UnloadPut("f", buf, 10); }, -2},
        {"Api_UnloadGet", [] { return ServiceApi_UnloadGet("f", buf, 10, 0); }, -2},
        {"Api_Flush", [] { return ServiceApi_Flush(); }, -2},
        {"Api_QueueId", [] { return ServiceApi_QueueId(); }, -1},
        {"Api_InstallFiscalHeader", [] { return ServiceApi_InstallFiscalHeader(nullptr); }, -1},
        {"Api_RunServiceApp", [] { return ServiceApi_RunServiceApp(1); }, -2},
    };
    for (const Call &c : calls)
        EXPECT_EQ(c.call(), c.result) << c.name;
    EXPECT_EQ(ServiceApi_LastStatus(), ServiceLastStatus());
    EXPECT_STREQ(ServiceApi_ClientVersion(), "3.1.0.395");
    EXPECT_EQ(ServiceClientVersion(), ServiceClientVersion()) << "one static text";
}

} // namespace

namespace {

// The stand-in replaces a queue left behind by an earlier run, opens its own
// to every user, never takes the service's answers (types 2 and 4) off the
// queue, and removes its queue when it goes.
TEST_F(NoQueueTest, StandInReplacesAStaleQueueAndLeavesAnswersAlone)
{
    const int stale = msgget(111, IPC_CREAT | 0600);
    ASSERT_GE(stale, 0);
    struct {
        long type;
        char text[8];
    } msg = {1, "old"};
    ASSERT_EQ(msgsnd(stale, &msg, 4, IPC_NOWAIT), 0);
    {
        kktsim::Simulator sim;
        ASSERT_EQ(sim.Open(), 0);
        msqid_ds ds;
        EXPECT_NE(msgctl(stale, IPC_STAT, &ds), 0) << "the stale queue is gone";
        ASSERT_EQ(msgctl(sim.QueueId(), IPC_STAT, &ds), 0);
        EXPECT_EQ(ds.msg_perm.mode & 0777, 0666u);
        EXPECT_EQ(ds.msg_qnum, 0u) << "nothing of the old queue is served";
        EXPECT_EQ(msgget(111, 0), sim.QueueId());

        for (long type : {2L, 4L}) {
            msg.type = type;
            ASSERT_EQ(msgsnd(sim.QueueId(), &msg, 4, IPC_NOWAIT), 0);
        }
        sim.Pump();
        EXPECT_EQ(Waiting(sim.QueueId()), 2u) << "answers stay for the cash register";
    }
    EXPECT_LT(msgget(111, 0), 0) << "the stand-in removes its queue";
}

} // namespace
