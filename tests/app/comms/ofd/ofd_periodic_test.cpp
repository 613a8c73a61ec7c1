// The worker's periodic mode against the two stand-ins: it reads the
// waiting documents itself, sends them, writes the answers back, tries a
// document again a period after a fault, and a stop in the middle of an
// exchange loses nothing.
#include "OfdFixture.h"

#include <algorithm>
#include <functional>
#include <set>

#include "JsonLines.h"
#include "TestTime.h"

namespace ofdtest {
namespace {

// Waits for what the test can observe; two minutes at most, so a loaded
// machine is waited for and a worker that never gets there still ends.
bool Eventually(const std::function<bool()> &done) { return testtime::Eventually(done, 120000); }

class OfdPeriodic : public OfdTest {
protected:
    // The fixture's worker (started idle) replaced by a periodic one.
    void Periodic()
    {
        ofd_stop(nullptr);
        ASSERT_EQ(ofd_start(nullptr, 1, nullptr), 0);
    }
    std::vector<long> Documents()
    {
        std::vector<long> out;
        for (auto &r : server_.Journal("request"))
            out.push_back(static_cast<long>(jsonl::Number(r, "document")));
        return out;
    }
};

TEST_F(OfdPeriodic, SendsWhatWaitsAndTriesAgainAPeriodAfterAFault)
{
    // The second request is reset; a period is one second.
    Start("drive ofd-documents 3\n", "fault ofd slow 1 times 1\nfault ofd reset times 1\n", "1 5 5");
    Periodic();
    ASSERT_TRUE(Eventually([&] { return Waiting() == 0; })) << ofd_error_text();
    ofd_stop(nullptr);
    EXPECT_FALSE(ofd_worker.running);
    EXPECT_EQ(ofd_worker.periodic_sent, 3u);
    EXPECT_EQ(ofd_worker.periodic_failed, 1u);
    std::vector<long> docs = Documents();
    ASSERT_EQ(docs.size(), 4u) << "three documents and the one the reset lost";
    EXPECT_EQ(docs[1], docs[2]) << "the document of the failed exchange is the next one sent";
    EXPECT_EQ(std::set<long>(docs.begin(), docs.end()).size(), 3u);
    // Each answer went into the drive: the connection status left down.
    std::vector<std::string> cmds = Commands();
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "5E"), 3);
    auto lastStatus = std::find_if(cmds.rbegin(), cmds.rend(), [](const std::string &c) { return c.rfind("5F", 0) == 0; });
    ASSERT_NE(lastStatus, cmds.rend());
    EXPECT_EQ(*lastStatus, "5F:00");
}

TEST_F(OfdPeriodic, NothingWaitingSendsNothingAndStops)
{
    Start("drive ofd-documents 0\n", "", "1 5 5");
    const size_t before = Commands().size();
    Periodic();
    ASSERT_TRUE(Eventually([&] { return Commands().size() > before; })) << "the worker looks";
    ofd_stop(nullptr);
    EXPECT_FALSE(ofd_worker.running);
    EXPECT_EQ(ofd_worker.periodic_sent, 0u);
    EXPECT_TRUE(server_.Journal("request").empty());
}

TEST_F(OfdPeriodic, AStopInTheMiddleLosesNothing)
{
    Start("drive ofd-documents 2\n", "fault ofd slow 60000 times 1\n", "1 120 5");
    Periodic();
    ASSERT_TRUE(Eventually([&] { return server_.Journal("request").size() >= 1; }));
    ofd_stop(nullptr); // the worker is waiting for the answer
    EXPECT_FALSE(ofd_worker.running);
    EXPECT_EQ(std::string(ofd_worker.error_text), "ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (recv)");
    EXPECT_EQ(Waiting(), 2) << "the document under way stays in the drive";
    EXPECT_EQ(ofd_worker.periodic_sent, 0u);

    // Started again, it sends both (the slow answer was for one request).
    ASSERT_EQ(ofd_start(nullptr, 1, nullptr), 0);
    ASSERT_TRUE(Eventually([&] { return Waiting() == 0; })) << ofd_error_text();
    ofd_stop(nullptr);
    EXPECT_EQ(ofd_worker.periodic_sent, 2u);
}

} // namespace
} // namespace ofdtest
