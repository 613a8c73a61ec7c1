// The worker's periodic mode against the two stand-ins: it reads the
// waiting notifications itself, sends them, writes the receipts back, tries
// one again a period after a fault, and a stop in the middle of an exchange
// loses nothing.
#include "OismFixture.h"

#include <algorithm>
#include <functional>

#include "TestTime.h"

namespace oismtest {
namespace {

// Waits for what the test can observe; two minutes at most, so a loaded
// machine is waited for and a worker that never gets there still ends.
bool Eventually(const std::function<bool()> &done) { return testtime::Eventually(done, 120000); }

class OismPeriodic : public OismTest {
protected:
    // The fixture's worker (started idle) replaced by a periodic one.
    void Periodic()
    {
        oism_stop(nullptr);
        ASSERT_EQ(oism_start(nullptr, 1, nullptr), 0);
    }
    std::vector<long> Numbers()
    {
        std::vector<long> out;
        for (auto &r : server_.Journal("request"))
            out.push_back(static_cast<long>(jsonl::Number(r, "notification")));
        return out;
    }
};

TEST_F(OismPeriodic, SendsWhatWaitsAndTriesAgainAPeriodAfterAFault)
{
    // The second request is reset; a period is three seconds.
    Start("drive notify 40 300 64\n", "fault oism slow 1 times 1\nfault oism reset times 1\n", "3 5 5");
    ASSERT_EQ(Waiting(), 3);
    Periodic();
    ASSERT_TRUE(Eventually([&] { return Waiting() == 0; })) << oism_error_text();
    oism_stop(nullptr);
    EXPECT_FALSE(oism_worker.running);
    EXPECT_EQ(oism_worker.periodic_sent, 3u);
    EXPECT_EQ(oism_worker.periodic_failed, 1u);
    std::vector<long> numbers = Numbers();
    ASSERT_EQ(numbers.size(), 4u) << "three notifications and the one the reset lost";
    EXPECT_EQ(numbers[1], numbers[2]) << "the notification of the failed exchange is the next one sent";
    EXPECT_EQ(Count("2F"), 3u) << "each receipt written once";
}

TEST_F(OismPeriodic, AStopInTheMiddleLosesNothing)
{
    Start("drive notify 40 40\n", "fault oism slow 60000 times 1\n", "60 120 5");
    Periodic();
    ASSERT_TRUE(Eventually([&] { return server_.Journal("request").size() >= 1; }));
    oism_stop(nullptr); // the worker is waiting for the receipt
    EXPECT_FALSE(oism_worker.running);
    EXPECT_EQ(std::string(oism_worker.error_text), "ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (recv)");
    EXPECT_EQ(Waiting(), 2) << "the notification under way stays in the drive";
    EXPECT_EQ(oism_worker.periodic_sent, 0u);

    ASSERT_EQ(oism_start(nullptr, 1, nullptr), 0);
    ASSERT_TRUE(Eventually([&] { return Waiting() == 0; })) << oism_error_text();
    oism_stop(nullptr);
    EXPECT_EQ(oism_worker.periodic_sent, 2u);
}

} // namespace
} // namespace oismtest
