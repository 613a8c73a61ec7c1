// The link after the service restarted: its queue removed and made anew
// under the same key with another identifier. Every queue operation that
// finds the old queue gone looks the key up once more and goes on with the
// new queue; a service that stays away still gives the usual results.

#include "ServiceFixture.h"
#include "TMCommand.h"

#include <functional>
#include <sys/msg.h>

using namespace servicetest;

namespace {

class ReattachTest : public ServiceTest {
protected:
    // The service goes; with `back` it comes again with a new queue.
    void Restart(bool back)
    {
        old_ = sim_->QueueId();
        sim_->Close();
        if (back) {
            ASSERT_EQ(sim_->Open(), 0);
            ASSERT_NE(sim_->QueueId(), old_);
        }
        before_ = Journal().size();
    }
    int old_ = -1;
    size_t before_ = 0;
};

TEST_F(ReattachTest, EachQueueOperationGoesOnWithTheNewQueue)
{
    struct Case {
        const char *name;
        std::function<void()> run; // checks its own result
        size_t taken;              // messages the new service took
    } cases[] = {
        {"command exchange",
         [] {
             TMCommand cmd;
             ASSERT_GT(cmd.GetFNStatus(), 0);
             EXPECT_EQ(ServiceExecute(cmd, 1000), 0);
             EXPECT_EQ(cmd.CommandCode(), 0x29);
         },
         1},
        {"send", [] { EXPECT_EQ(ServiceQueryVersionText(), 0); }, 1},
        {"flush", [] { EXPECT_EQ(ServiceFlush(), 0); }, 0},
        {"receive",
         [] {
             // An answer already waiting on the new queue.
             struct {
                 long type;
                 uint8_t text[2];
             } msg = {2, {2, 'V'}};
             ASSERT_EQ(msgsnd(msgget(111, 0), &msg, sizeof msg.text, IPC_NOWAIT), 0);
             uint8_t kind = 0;
             uint8_t buf[16];
             EXPECT_EQ(ServiceReceive(&kind, buf, sizeof buf, 0), 1);
             EXPECT_EQ(kind, 2);
         },
         0},
        {"print job", [] { EXPECT_EQ(ServicePrintText("x", 0, 1000), 0); }, 1},
        {"log line", [] { EXPECT_EQ(ServiceLogText("x"), 0); }, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Restart(true);
        c.run();
        EXPECT_EQ(ServiceQueueId(), sim_->QueueId());
        sim_->Sync();
        EXPECT_EQ(Journal().size() - before_, c.taken) << "sent once, on the new queue only";
    }
}

// Without a new queue the calls fail as they always did, without a pause of
// their own, and the link is ready for the service's return.
TEST_F(ReattachTest, AnAbsentServiceGivesTheUsualResults)
{
    Restart(false);
    TMCommand cmd;
    ASSERT_GT(cmd.GetFNStatus(), 0);
    uint8_t kind = 0;
    uint8_t buf[16] = {0x10, '9'};
    uint32_t start = OsGetTickCount();
    EXPECT_EQ(ServiceSendFrame(buf, 2), -3);
    EXPECT_EQ(ServiceExecute(cmd, 1000), -3);
    EXPECT_EQ(ServiceReceive(&kind, buf, sizeof buf, 0), -4);
    EXPECT_EQ(ServiceFlush(), 0);
    EXPECT_EQ(OsGetTickCount(), start);
    EXPECT_EQ(ServiceReceive(&kind, buf, sizeof buf, 100), -4);
    EXPECT_EQ(ServiceQueueId(), old_) << "kept until a new queue is there";

    ASSERT_EQ(sim_->Open(), 0);
    EXPECT_EQ(ServiceExecute(cmd, 1000), 0);
    EXPECT_EQ(ServiceQueueId(), sim_->QueueId());
}

} // namespace
