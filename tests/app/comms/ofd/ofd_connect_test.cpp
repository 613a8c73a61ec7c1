// The worker's connect on routes loopback cannot give: in a private network
// namespace of the test's own (tests run as root) an unreachable route gives
// "host unreachable", which is tried three times; a refused connect ends at
// once with its own code.
#include <gtest/gtest.h>

#include "ofd_worker.h"
#include "osal.h"

#include <sched.h>
#include <semaphore.h>
#include <stdlib.h>

#include <string>

namespace {

class OfdConnect : public ::testing::Test {
protected:
    void SetUp() override
    {
        sem_init(&ofd_worker.stop_sem, 0, 0);
        ofd_worker.stop_latched = false;
        ofd_worker.error_text[0] = '\0';
    }
    void TearDown() override
    {
        OsTestClockDisable();
        sem_destroy(&ofd_worker.stop_sem);
    }
};

TEST_F(OfdConnect, HostUnreachableIsTriedThreeTimes)
{
    if (unshare(CLONE_NEWNET) != 0)
        GTEST_SKIP() << "no private network namespace here";
    ASSERT_EQ(system("ip link set lo up && ip route add unreachable 10.99.0.0/16"), 0);
    OsTestClockEnable(1000);
    EXPECT_EQ(ofd_connect("10.99.0.1", 80, 60000), -1);
    EXPECT_STREQ(ofd_worker.error_text, "СОЕДИНЕНИЯ С СЕРВЕРОМ 113 (connect)");
    EXPECT_EQ(OsGetTickCount() - 1000, 1000u) << "two pauses of 500 ms between the three tries";
}

TEST_F(OfdConnect, ARefusedConnectEndsAtOnceWithItsCode)
{
    if (unshare(CLONE_NEWNET) != 0)
        GTEST_SKIP() << "no private network namespace here";
    ASSERT_EQ(system("ip link set lo up"), 0);
    OsTestClockEnable(1000);
    EXPECT_EQ(ofd_connect("127.0.0.1", 1, 60000), -1);
    EXPECT_STREQ(ofd_worker.error_text, "СОЕДИНЕНИЯ С СЕРВЕРОМ 111 (connect)");
    EXPECT_EQ(OsGetTickCount(), 1000u) << "no pause";
}

TEST_F(OfdConnect, AStopEndsTheConnect)
{
    sem_post(&ofd_worker.stop_sem);
    EXPECT_EQ(ofd_connect("127.0.0.1", 1, 60000), -1);
    EXPECT_STREQ(ofd_worker.error_text, "ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (connect)");
}

TEST_F(OfdConnect, AnUnknownHostIsNamed)
{
    EXPECT_EQ(ofd_connect("no-such-host.invalid", 80, 1000), -1);
    EXPECT_STREQ(ofd_worker.error_text, "СБОЙ ПОЛУЧЕНИЯ АДР. ХОСТА 'no-such-host.invalid'");
}

} // namespace
