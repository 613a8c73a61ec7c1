// The UI thread's pause: it ends on a wake or on input waiting on the
// keypad and touch-panel FIFOs, and otherwise sleeps its time out. Waits
// that must end early are given a minute: a fault shows as the wrong
// result, never as a test that waits for ever. Nothing here is timed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "terminal_fixture.h"
#include "vuIdleWait.h"
#include "vuKeyboard.h"
#include "vuTouchPad.h"

namespace {

const uint32_t kLong = 60000; // ends early, or the result shows the fault
const uint32_t kShort = 20;   // runs out: nothing is there to end it

class IdleWait : public TerminalRoot {
protected:
    void SetUp() override
    {
        TerminalRoot::SetUp();
        OsRegSetValue("ro.fac.touchscreen", "1");
        vuKeyboard::Init();
        vuTouchPad::Init();
        kp = writer("/dev/keypad");
        tp = writer("/dev/tp");
        ASSERT_TRUE(wait.Open());
    }
    void TearDown() override
    {
        wait.Close();
        vuTouchPad::Done();
        vuKeyboard::Done();
        TerminalRoot::TearDown();
    }
    vuIdleWait::Result Wait(uint32_t ms)
    {
        const int devices[] = {vuKeyboard::GetDescriptor(), vuTouchPad::GetDescriptor()};
        return wait.Wait(ms, devices, 2);
    }

    vuIdleWait wait;
    int kp = -1, tp = -1;
};

TEST_F(IdleWait, DriversOfferTheirFifos)
{
    EXPECT_GE(vuKeyboard::GetDescriptor(), 0);
    EXPECT_GE(vuTouchPad::GetDescriptor(), 0);
}

TEST_F(IdleWait, WakeOrInputEndsTheWaitAndNothingElseDoes)
{
    struct {
        const char *what;
        std::function<void()> before;
        uint32_t ms;
        vuIdleWait::Result expected;
    } table[] = {
        {"nothing", [] {}, kShort, vuIdleWait::TimedOut},
        {"a wake before the wait", [this] { wait.Wake(); }, kLong, vuIdleWait::Woken},
        {"two wakes, then Clear", [this] { wait.Wake(); wait.Wake(); wait.Clear(); }, kShort,
         vuIdleWait::TimedOut},
        {"a key press", [this] { press(kp, 28); }, kLong, vuIdleWait::Input},
        {"a key release", [this] { release(kp, 28); }, kLong, vuIdleWait::Input},
        {"a touch sample", [this] { send(tp, vuInputRecord::Absolute, vuInputRecord::AxisX, 5); },
         kLong, vuIdleWait::Input},
        {"a wake and a key: the wake first", [this] { press(kp, 2); wait.Wake(); }, kLong,
         vuIdleWait::Woken},
    };
    for (const auto &c : table) {
        c.before();
        EXPECT_EQ(Wait(c.ms), c.expected) << c.what;
        // What the next pass would do: forget the wake, read the devices.
        wait.Clear();
        vuKeyboard::Flush();
        vuTouchPad::Flush();
        EXPECT_EQ(Wait(kShort), vuIdleWait::TimedOut) << c.what << ": once read, nothing is left";
    }
}

TEST_F(IdleWait, AWakeFromAnotherThreadDuringTheWaitEndsIt)
{
    std::thread waker([this] { wait.Wake(); });
    EXPECT_EQ(Wait(kLong), vuIdleWait::Woken);
    waker.join();
    EXPECT_EQ(Wait(kLong), vuIdleWait::Woken) << "a wake lasts until it is cleared";
    wait.Clear();
    std::thread typist([this] { tap(kp, 5); });
    EXPECT_EQ(Wait(kLong), vuIdleWait::Input);
    typist.join();
    EXPECT_EQ(vuKeyboard::GetKey(), '4');
}

// A FIFO whose last writer went away reads as hung up until a writer comes
// back: that is no input, and it must not end the wait (the UI thread would
// spin); the first record of a new writer is input again.
TEST_F(IdleWait, AKeypadWithoutWriterIsNoInput)
{
    for (int fd : writers)
        close(fd);
    writers.clear();
    int once = open((root + "/dev/keypad").c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(once, 0);
    close(once);
    EXPECT_EQ(Wait(kShort), vuIdleWait::TimedOut);
    EXPECT_EQ(Wait(kShort), vuIdleWait::TimedOut) << "and again on the next wait";

    int again = open((root + "/dev/keypad").c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(again, 0);
    tap(again, 2);
    close(again);
    EXPECT_EQ(Wait(kLong), vuIdleWait::Input) << "data left by a writer that has gone";
    EXPECT_EQ(vuKeyboard::GetKey(), '1');
    EXPECT_EQ(Wait(kShort), vuIdleWait::TimedOut);
}

TEST_F(IdleWait, ClosedWaitStillSleepsAndEndsOnInput)
{
    wait.Close();
    EXPECT_FALSE(wait.IsOpen());
    wait.Wake(); // harmless
    wait.Clear();
    EXPECT_EQ(Wait(kShort), vuIdleWait::TimedOut);
    tap(kp, 3);
    EXPECT_EQ(Wait(kLong), vuIdleWait::Input);
    const int none[] = {-1, -1};
    EXPECT_EQ(wait.Wait(kShort, none, 2), vuIdleWait::TimedOut) << "no descriptors at all";
    ASSERT_TRUE(wait.Open());
    EXPECT_EQ(Wait(0), vuIdleWait::TimedOut) << "no time to wait";
}

// A regular file in the device's place always reads as ready: the drivers
// do not offer it for waiting (the pass still reads it as before).
TEST_F(IdleWait, RegularFilesAreNotOfferedForWaiting)
{
    vuTouchPad::Done();
    vuKeyboard::Done();
    for (const char *dev : {"/dev/keypad", "/dev/tp"}) {
        ASSERT_EQ(unlink((root + dev).c_str()), 0);
        int fd = open((root + dev).c_str(), O_WRONLY | O_CREAT, 0666);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    vuKeyboard::Init();
    vuTouchPad::Init();
    EXPECT_EQ(vuTouchPad::IsPresent(), 1) << "the panel is there";
    EXPECT_EQ(vuKeyboard::GetDescriptor(), -1);
    EXPECT_EQ(vuTouchPad::GetDescriptor(), -1);
    EXPECT_EQ(Wait(kShort), vuIdleWait::TimedOut);
}

} // namespace
