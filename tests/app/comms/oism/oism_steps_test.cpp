// The marking notifications' steps against the two stand-ins: a notification
// delivered and its receipt written back, the header as the server gets it,
// the server's faults, the drive's refusal of a receipt naming another
// notification, a receipt longer than the answer, the worker's states 5 and
// 6 (it keeps running), and the read's size guard.
#include "OismFixture.h"

#include "exchange_container.h"
#include "TMCommand.h"

#include <algorithm>

namespace oismtest {
namespace {

std::string hex(const std::string &bytes)
{
    return jsonl::Hex(bytes);
}

TEST_F(OismTest, ANotificationIsDeliveredAndItsReceiptRemovesIt)
{
    Start("drive notify 40 300\n");
    const std::string body = sim_->Drive().notify.list.at(0).body;
    int length = 0;
    EXPECT_EQ(SendOne(&length), 1) << oism_error_text();
    EXPECT_EQ(length, 40);
    EXPECT_EQ(Waiting(), 1);
    EXPECT_STREQ(oism_error_text(), "");
    const std::vector<std::string> expected = {"67", "27", "28", "2C", "2E", "2F", "27"};
    EXPECT_EQ(Commands(), expected);

    ASSERT_TRUE(server_.WaitFor("request", 1));
    auto req = server_.Journal("request")[0];
    EXPECT_EQ(jsonl::Text(req, "kind"), "oism");
    EXPECT_EQ(jsonl::Number(req, "notification"), 1);
    EXPECT_EQ(jsonl::Text(req, "header"),
              "DD80CAA182A20001" + hex("9999078900012345") + "2800" + "14000000");
    EXPECT_EQ(jsonl::Text(req, "body"), hex(body)) << "the notification as the drive keeps it";

    // The second, of two pieces, and the count back to 0.
    EXPECT_EQ(SendOne(&length), 1) << oism_error_text();
    EXPECT_EQ(length, 300);
    EXPECT_EQ(Waiting(), 0);
    EXPECT_EQ(Count("2C"), 3u) << "pieces of at most 256 bytes";
}

// The header as the server got it: the worker owns oism_worker.header from
// the step's begin and overwrites it with the answer's.
TEST_F(OismTest, TheDrivesNumberGoesAsHeldNotPadded)
{
    Start("drive notify 40\n");
    strcpy(kfn_state.fn_number, "12345");
    ASSERT_GT(oism_step_begin(nullptr, OISM_MODE_NOTIFICATIONS), 0);
    Finish();
    ASSERT_TRUE(server_.WaitFor("request", 1));
    EXPECT_EQ(jsonl::Text(server_.Journal("request")[0], "header"),
              "DD80CAA182A20001" + hex(std::string("12345") + std::string(11, '\0')) + "2800" + "14000000");
}

// Each of the server's faults fails the step with its text; the notification
// stays in the drive and goes with the next step.
TEST_F(OismTest, ServerFaultsFailTheStepAndTheNotificationStays)
{
    const struct {
        const char *fault;
        const char *text; 
        int result;
    } cases[] = {
        {"fault oism close-request times 1\n", "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ", -1},
        {"fault oism reset times 1\n", "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ", -1},
        {"fault oism length-zero times 1\n", "НЕПРАВИЛЬНЫЙ ОТВЕТ СЕРВЕРА (РАЗМЕР БЛОКА): 0", -1},
        {"fault oism cut-header times 1\n", "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ", -1},
        {"fault oism slow 7000 times 1\n", "ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА", -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        TearDown();
        SetUp();
        Start("drive notify 64\n", c.fault, "30 2 2");
        EXPECT_EQ(SendOne(), c.result);
        EXPECT_NE(std::string(oism_error_text()).find(c.text), std::string::npos)
            << oism_error_text();
        EXPECT_EQ(Waiting(), 1);
        EXPECT_EQ(Count("2F"), 0u) << "nothing reaches the drive";
        EXPECT_EQ(SendOne(), 1) << oism_error_text();
        EXPECT_EQ(Waiting(), 0);
    }
}

TEST_F(OismTest, AFailedConnectIsStateSixAndTheWorkerGoesOn)
{
    Start("drive notify 40\n", "", "30 2 2", 1); // nothing listens on port 1
    EXPECT_EQ(SendOne(), -2);
    EXPECT_EQ(oism_worker.state.load(), OISM_CONNECT_FAILED) << "the state stays until the next step";
    EXPECT_NE(std::string(oism_error_text()).find("(connect)"), std::string::npos) << oism_error_text();
    EXPECT_EQ(oism_step_poll(nullptr), -2) << "asked again, the same";
    oism_worker.port = static_cast<uint16_t>(server_.Port());
    EXPECT_EQ(SendOne(), 1) << oism_error_text();
    EXPECT_EQ(Waiting(), 0);
}

// An exchange that keeps failing (its retries counted from the first
// connect) longer than the period is abandoned (state 5) with the worker's
// text; the worker keeps running, so the next step goes through.
TEST_F(OismTest, AnExchangeLongerThanThePeriodIsAbandonedAndTheWorkerGoesOn)
{
    Start("drive notify 40\n", "", "1 2 2", 1); // nothing listens on port 1
    int r = 0;
    for (int i = 0; i < 100 && r != -1; ++i)
        r = SendOne();
    EXPECT_EQ(r, -1);
    EXPECT_EQ(oism_worker.state.load(), OISM_OVERTIME);
    const std::string text = oism_error_text();
    EXPECT_TRUE(text.find("(connect)") != std::string::npos ||
                text == "ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА СЕРВЕРА")
        << "state 5 copies the worker's text: " << text;
    EXPECT_EQ(oism_step_poll(nullptr), -1) << "the state stays until the next step";
    EXPECT_TRUE(oism_worker.running);
    EXPECT_EQ(Waiting(), 1);
    oism_worker.port = static_cast<uint16_t>(server_.Port());
    EXPECT_EQ(SendOne(), 1) << oism_error_text();
    EXPECT_EQ(Waiting(), 0);
}

TEST_F(OismTest, AReceiptNamingAnotherNotificationIsRefusedWithError90)
{
    Start("drive notify 40 40\n");
    char text[256] = "";
    char message[384] = "";
    uint8_t buffer[65536];
    uint32_t length = 0;
    ASSERT_EQ(oism_read_notification(nullptr, text, buffer, sizeof buffer, &length), 40) << text;
    const std::string other = kktsim::NoticeReceipt(2, "9999078900012345");
    EXPECT_EQ(oism_write_receipt(nullptr, text, message, sizeof message,
                                 reinterpret_cast<const uint8_t *>(other.data()), static_cast<uint32_t>(other.size())),
              -1);
    EXPECT_STREQ(text, "Ошибка при обработке квитанции 0") << text;
    EXPECT_EQ(Waiting(), 2);
    const std::string own = kktsim::NoticeReceipt(1, "9999078900012345");
    EXPECT_EQ(oism_write_receipt(nullptr, text, message, sizeof message, reinterpret_cast<const uint8_t *>(own.data()),
                                 static_cast<uint32_t>(own.size())),
              28);
    EXPECT_EQ(Waiting(), 1);
}

// The receipt's length comes from its first two bytes: one above the
// answer's length fails with a text and nothing reaches the drive (the bytes
// past the answer were never sent by the server).
TEST_F(OismTest, AReceiptLongerThanTheAnswerFailsBeforeTheDrive)
{
    Start("drive notify 40\n");
    char text[256] = "";
    char message[384] = "";
    uint8_t buffer[65536];
    uint32_t length = 0;
    ASSERT_EQ(oism_read_notification(nullptr, text, buffer, sizeof buffer, &length), 40) << text;
    std::string receipt = kktsim::NoticeReceipt(1, "9999078900012345");
    receipt[0] = 29; // one byte more than the answer holds
    const size_t before = Count("2F");
    EXPECT_EQ(oism_write_receipt(nullptr, text, message, sizeof message,
                                 reinterpret_cast<const uint8_t *>(receipt.data()),
                                 static_cast<uint32_t>(receipt.size())),
              -1);
    EXPECT_NE(std::string(text).find("ДЛИНА КВИТАНЦИИ"), std::string::npos) << text;
    EXPECT_EQ(Count("2F"), before) << "nothing reaches the drive";
    EXPECT_EQ(Waiting(), 1);
}

TEST_F(OismTest, TheReadsFailuresCancelTheReadAndSayWhichCommand)
{
    const struct {
        const char *script;
        const char *text; 
    } cases[] = {
        {"fault 28 refuse 08\n", "Cmd_StartReadNotif ошибка [28]: 8(0)"},
        {"fault 2C refuse 02\n", "ReadNotifData ошибка [2C]: 2(0)"},
        {"fault 2E refuse 0D\n", "Cmd_EndReadNotif ошибка [2E]: 13(0)"},
    };
    Start("drive notify 300\n");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.script);
        Script(c.script);
        char text[256] = "";
        uint8_t buffer[65536];
        uint32_t length = 0;
        const size_t cancels = Count("2D");
        EXPECT_EQ(oism_read_notification(nullptr, text, buffer, sizeof buffer, &length), -1);
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(Count("2D"), cancels + 1) << "the read is cancelled";
        EXPECT_EQ(length, 0u);
    }
    Script("");
    EXPECT_EQ(SendOne(), 1) << "the notification went after all";
}

TEST_F(OismTest, ANotificationLargerThanTheBufferIsRefusedBeforeAnyPiece)
{
    Start("drive notify 300\n");
    char text[256] = "";
    uint8_t buffer[256];
    uint32_t length = 0;
    EXPECT_EQ(oism_read_notification(nullptr, text, buffer, sizeof buffer, &length), -1);
    EXPECT_STREQ(text, "Cmd_StartReadNotif недостаточно буфера (300 > 256).");
    EXPECT_EQ(Count("2C"), 0u);
}

TEST_F(OismTest, CommandsOutOfOrderAreRefusedAndJournaled)
{
    Start("drive notify 40\n");
    TMCommand cmd;
    ASSERT_GT(cmd.ReadNotifData(0, 10), 0);
    EXPECT_EQ(kfn_exec(nullptr, &cmd, 3000), 0x0D) << "0x2C before 0x28";
    const std::string receipt = kktsim::NoticeReceipt(1, "9999078900012345");
    ASSERT_GT(cmd.Cmd_SendReceiptNotif(receipt.data(), static_cast<int>(receipt.size())), 0);
    EXPECT_EQ(kfn_exec(nullptr, &cmd, 3000), 0x0D) << "a receipt before a read";
    EXPECT_EQ(Waiting(), 1) << "nothing changed";
    bool noted = false;
    for (auto &e : jsonl::ReadLines(sim_->JournalPath()))
        noted = noted || jsonl::Text(e, "note").find("before a read is open") != std::string::npos;
    EXPECT_TRUE(noted);
}

} // namespace
} // namespace oismtest
