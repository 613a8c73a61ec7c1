// The OFD exchange's steps against the two stand-ins: documents of one and
// several pieces delivered and acknowledged, each failure text of the read
// and the write, the OFD's refusal, answers around the largest the drive
// takes, and the worker's own failures.
#include "OfdFixture.h"

#include "JsonLines.h"

#include <algorithm>
#include <thread>

namespace ofdtest {
namespace {

size_t count(const std::vector<std::string> &v, const std::string &what)
{
    return static_cast<size_t>(std::count(v.begin(), v.end(), what));
}

TEST_F(OfdTest, ADocumentOfOnePieceIsDeliveredAndLeavesTheDrive)
{
    Start("drive last-document 4\ndrive ofd-documents 1\n");
    const std::string body = sim_->Drive().ofd.documents.at(0).body;
    int length = 0;
    EXPECT_EQ(SendOne(&length), 1) << ofd_error_text();
    EXPECT_GT(length, 36);
    EXPECT_EQ(Waiting(), 0);
    EXPECT_STREQ(ofd_error_text(), "");
    std::vector<std::string> expected = {"67", "2B", "5F:01", "5A", "5B", "5D", "5E", "5F:00", "39"};
    EXPECT_EQ(Commands(), expected);

    ASSERT_TRUE(server_.WaitFor("request", 1));
    auto req = server_.Journal("request")[0];
    EXPECT_EQ(jsonl::Number(req, "document"), 5);
    EXPECT_EQ(jsonl::Number(req, "length"), length);
    char lengthHex[8];
    snprintf(lengthHex, sizeof lengthHex, "%02X%02X", length & 0xFF, length >> 8);
    EXPECT_EQ(jsonl::Text(req, "header"),
              std::string("2A08410A81A20105") + jsonl::Hex(std::string("9999078900012345")) + lengthHex + "14000000");
    EXPECT_EQ(jsonl::Text(req, "body"), jsonl::Hex(body)) << "the document as the drive keeps it";
}

TEST_F(OfdTest, DocumentsAreReadInPiecesOf256Bytes)
{
    const struct {
        int size;
        size_t pieces;
    } cases[] = {{256, 1}, {257, 2}, {600, 3}, {65535, 256}};
    std::string drive;
    for (auto c : cases)
        drive += "drive ofd-documents 1 " + std::to_string(c.size) + "\n";
    Start(drive);
    size_t before = 0;
    for (auto c : cases) {
        SCOPED_TRACE(c.size);
        int length = 0;
        EXPECT_EQ(SendOne(&length), 1) << ofd_error_text();
        EXPECT_EQ(length, c.size);
        std::vector<std::string> cmds = Commands();
        EXPECT_EQ(count(cmds, "5B") - before, c.pieces);
        before = count(cmds, "5B");
    }
    EXPECT_EQ(Waiting(), 0);
    ASSERT_TRUE(server_.WaitFor("request", 4));
    EXPECT_EQ(jsonl::Number(server_.Journal("request")[3], "length"), 65535);
}

struct ReadFailure {
    const char *what;
    const char *scenario;
    const char *text; // CP1251, as the step writes it
    bool cancelled;   // the read was cancelled and the link marked down
};

TEST_F(OfdTest, EachFailureOfTheReadHasItsTextAndTheDocumentStays)
{
    const ReadFailure cases[] = {
        {"status refused", "answer 2B error=01\n", "FNGetCommStatus ошибка [2B]: 1(0)", false},
        {"status unanswered", "fault 2B no-reply\n", "FNGetCommStatus cбой IO: -4", false},
        {"connection status refused", "answer 5F error=02\n", "SetOFDConnStatus ошибка [5F]: 2(0)", true},
        {"read start refused", "answer 5A error=08\n", "FNReadStart ошибка [5A]: 8(0)", true},
        {"read start of size 0", "answer 5A\ndata 5A 0000\n", "FNReadStart вернула 0 размер.", true},
        {"piece refused", "answer 5B error=02\n", "FNRead ошибка [5B]: 2(0)", true},
        {"piece unanswered", "fault 5B no-reply\n", "FNRead cбой IO: -4", true},
        {"short piece", "answer 5B\ndata 5B 0102\n", "FNRead вернула 2 байт вместо ", true},
        {"close refused", "answer 5D error=02\n", "FNReadClose ошибка [5D]: 2(0)", true},
    };
    Start("drive ofd-documents 1 300\n");
    for (const ReadFailure &c : cases) {
        SCOPED_TRACE(c.what);
        Script(c.scenario);
        size_t before = Commands().size();
        EXPECT_EQ(ofd_step_begin(nullptr), -1);
        EXPECT_EQ(std::string(ofd_error_text()).rfind(c.text, 0), 0u) << ofd_error_text();
        std::vector<std::string> all = Commands();
        std::vector<std::string> after(all.begin() + static_cast<long>(before), all.end());
        bool cancelled = after.size() >= 2 && after[after.size() - 2] == "5C" && after.back() == "5F:00";
        EXPECT_EQ(cancelled, c.cancelled);
        EXPECT_EQ(ofd_worker.state.load(), OFD_IDLE) << "nothing was handed to the worker";
    }
    Script("");
    EXPECT_EQ(Waiting(), 1);
    EXPECT_EQ(SendOne(), 1) << "a run without the fault delivers it";
    EXPECT_EQ(Waiting(), 0);
}

TEST_F(OfdTest, NothingWaitingIsNoDocument)
{
    Start("");
    EXPECT_EQ(ofd_step_begin(nullptr), -1);
    EXPECT_STREQ(ofd_error_text(), "");
    std::vector<std::string> expected = {"67", "2B"};
    EXPECT_EQ(Commands(), expected);
}

struct WriteFailure {
    const char *what;
    const char *drive;  // kktsim's extra lines
    const char *server; // srvsim's scenario
    const char *text;
    const char *message;
    bool taken; // the drive did take the answer (only its reply was lost)
};

TEST_F(OfdTest, EachFailureOfTheWriteHasItsTextAndTheDocumentIsSentAgain)
{
    const WriteFailure cases[] = {
        {"the OFD refuses", "", u8"ofd-error 14 ДОКУМЕНТ НЕ ПРИНЯТ times 1\n", "Cервер ОФД вернул код ошибки 14",
         "ДОКУМЕНТ НЕ ПРИНЯТ", false},
        {"an empty answer", "", "fault ofd length-zero times 1\n", "ПУСТОЙ ОТВЕТ СЕРВЕРА ОФД", "", false},
        {"the drive refuses the answer", "answer 5E error=02\n", "", "FNReadScript ошибка [5E]: 2(0)", "", false},
        {"the drive's reply is lost", "fault 5E no-reply times 1\n", "", "FNReadScript cбой IO: -4", "", true},
        {"one byte above the largest answer the link carries", "", "fault ofd size 2041 times 1\n",
         "FNReadScript cбой IO: ", "", false},
        {"the builder cannot take it", "", "fault ofd size 2100 times 1\n", "FNReadScript сбой сборки (2100)", "",
         false},
    };
    Start("");
    for (const WriteFailure &c : cases) {
        SCOPED_TRACE(c.what);
        Restart(c.server);
        Script(c.drive);
        EXPECT_LT(SendOne(), 0);
        EXPECT_EQ(std::string(ofd_error_text()).rfind(c.text, 0), 0u) << ofd_error_text();
        EXPECT_STREQ(ofd_message(), c.message);
        EXPECT_EQ(Waiting(), c.taken ? 0 : 1);
        std::vector<std::string> cmds = Commands();
        EXPECT_EQ(cmds.back(), "39");
        EXPECT_EQ(cmds[cmds.size() - 2], "5F:00") << "the link is marked down after every attempt";
        Script("");
        if (!c.taken) {
            EXPECT_EQ(SendOne(), 1) << "sent again: " << ofd_error_text();
        }
        EXPECT_EQ(Waiting(), 0);
    }
}

TEST_F(OfdTest, AnAnswerOf2040BytesReachesTheDrive)
{
    Start("drive ofd-documents 1\n", "fault ofd size 2040\n");
    EXPECT_EQ(SendOne(), 1) << ofd_error_text();
    EXPECT_EQ(Waiting(), 0);
}

struct WorkerFailure {
    const char *what;
    const char *server;
    int recvMs;
    bool refused;      // nobody listens on the port
    const char *text;
};

TEST_F(OfdTest, TheWorkersFailuresHaveTheirTexts)
{
    const WorkerFailure cases[] = {
        {"refused", "", 5000, true, "СОЕДИНЕНИЯ С СЕРВЕРОМ 111 (connect)"},
        {"closed without an answer", "fault ofd close-request times 1\n", 5000, false,
         "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"},
        {"reset", "fault ofd reset times 1\n", 5000, false, "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"},
        {"cut header", "fault ofd cut-header times 1\n", 5000, false, "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"},
        {"closed at the accept", "fault any close-accept times 1\n", 5000, false, "СОЕДИНЕНИЕ РАЗОРВАНО"},
        {"short body", "fault ofd length-ffff times 1\n", 1000, false, "ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА"},
        {"too slow", "fault ofd slow 3000 times 1\n", 1000, false, "ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА"},
    };
    Start("");
    for (const WorkerFailure &c : cases) {
        SCOPED_TRACE(c.what);
        Restart(c.server, 0);
        if (Waiting() == 0)
            Restart(c.server, 1);
        ofd_worker.recv_ms = c.recvMs;
        if (c.refused) {
            // the server's port, with nobody listening any more
            server_.Stop();
        }
        EXPECT_EQ(SendOne(), -1);
        EXPECT_EQ(std::string(ofd_error_text()).rfind(c.text, 0), 0u) << ofd_error_text();
        EXPECT_EQ(Waiting(), 1);
    }
}

// The receive's time-out runs per byte: a server that trickles its answer
// slower than the whole time-out still delivers.
TEST_F(OfdTest, ATricklingServerIsWaitedFor)
{
    Start("drive ofd-documents 1\n", "fault ofd trickle 40 times 1\n", "30 1 5");
    EXPECT_EQ(SendOne(), 1) << ofd_error_text();
    EXPECT_EQ(Waiting(), 0);
}

TEST_F(OfdTest, StopEndsAnExchangeUnderWay)
{
    Start("drive ofd-documents 1\n", "fault ofd slow 60000\n", "30 120 5");
    ASSERT_GT(ofd_step_begin(nullptr), 0);
    ASSERT_TRUE(server_.WaitFor("request", 1));
    ofd_stop(nullptr);
    EXPECT_EQ(std::string(ofd_worker.error_text), "ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (recv)");
    EXPECT_EQ(Waiting(), 1);
}

// The parameters come from 0x67, then the settings section may override
// each; once all are set they stay.
TEST_F(OfdTest, ParametersLoadOnceFromTheControllerAndTheSettings)
{
    Start("drive ofd-host 127.0.0.1\n", "", "300 40 50");
    ofd_stop(nullptr);
    EXPECT_STREQ(ofd_worker.host, "127.0.0.1");
    EXPECT_EQ(ofd_worker.port, server_.Port());
    EXPECT_EQ(ofd_worker.period_ms, 300000);
    EXPECT_EQ(ofd_worker.recv_ms, 40000);
    EXPECT_EQ(ofd_worker.send_ms, 50000);

    ofd_forget_params();
    mxml_node_t *section = mxmlNewElement(MXML_NO_PARENT, "ofd");
    mxmlElementSetAttr(section, "sendtime", "x10");
    mxmlElementSetAttr(section, "recvtime", "7");
    mxmlElementSetAttr(section, "host", "localhost");
    mxmlElementSetAttr(section, "port", "");
    ASSERT_EQ(ofd_load_params(nullptr, section), 0);
    EXPECT_STREQ(ofd_worker.host, "localhost");
    EXPECT_EQ(ofd_worker.port, server_.Port()) << "an empty port is no override";
    EXPECT_EQ(ofd_worker.send_ms, 16000);
    EXPECT_EQ(ofd_worker.recv_ms, 7000);
    EXPECT_EQ(ofd_worker.period_ms, 300000);

    mxmlElementSetAttr(section, "recvtime", "99");
    size_t before = Commands().size();
    ASSERT_EQ(ofd_load_params(nullptr, section), 0);
    EXPECT_EQ(ofd_worker.recv_ms, 7000) << "loaded once";
    EXPECT_EQ(Commands().size(), before) << "the controller is not asked again";
    mxmlDelete(section);
}

TEST_F(OfdTest, AnUnsetParameterKeepsTheWorkerFromStarting)
{
    std::string error;
    ASSERT_TRUE(server_.Start(SRVSIM_PATH, root_ + "/srvsim", "", &error)) << error;
    sim_.reset(new kktsim::Simulator());
    ASSERT_TRUE(sim_->LoadFile(std::string(KKTSIM_SCENARIOS) + "/registered.scn", &error)) << error;
    ASSERT_EQ(sim_->Open(), 0);
    sim_->Start();
    ASSERT_EQ(ServiceOpen(), 0);
    EXPECT_EQ(ofd_start(nullptr, 0, nullptr), -1) << "port 0";
    EXPECT_FALSE(ofd_worker.running);
}

} // namespace
} // namespace ofdtest
