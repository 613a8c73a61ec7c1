// Keypad driver and its facade, fed through the keypad FIFO.
#include <gtest/gtest.h>

#include <vector>

#include "terminal_fixture.h"
#include "vuKeyboard.h"
#include "vuPaxProlinKeyboard.h"

namespace {

class Keypad : public TerminalRoot {
protected:
    void SetUp() override
    {
        TerminalRoot::SetUp();
        vuKeyboard::Init();
        kp = writer("/dev/keypad");
    }
    void TearDown() override
    {
        vuKeyboard::Done();
        TerminalRoot::TearDown();
    }
    int kp = -1;
};

TEST(KeyCodes, LinuxCodesBecomeKeyCharacters)
{
    struct {
        uint32_t code;
        uint8_t ch;
    } table[] = {
        {2, '1'}, {10, '9'}, {11, '0'}, {14, 8},   {15, 14},  {28, 13},  {223, 27},
        {102, 102}, {103, 103}, {108, 108}, {59, 59}, {139, 139}, {300, 44}, {0, 0},
    };
    for (const auto &c : table)
        EXPECT_EQ(vuPaxProlinKeyboard::keyCodeToChar(c.code), c.ch) << "code " << c.code;
}

TEST(KeyCodes, EachKeyHasItsOwnMaskBit)
{
    vuPaxProlinKeyboard kb; // no device: the mask table does not need one
    const char keys[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 27, 13, 8,
                         102, 69, 60, 59, 103, 108, static_cast<char>(139)};
    for (unsigned bit = 0; bit < sizeof keys; ++bit)
        EXPECT_EQ(kb.getKeyMask(keys[bit]), 1u << bit) << "bit " << bit;
    for (char other : {'a', '*', static_cast<char>(14), static_cast<char>(135), static_cast<char>(0)})
        EXPECT_EQ(kb.getKeyMask(other), 0u) << int(static_cast<uint8_t>(other));
}

TEST_F(Keypad, KeyIsDeliveredOnReleaseNotOnPress)
{
    press(kp, 5);
    EXPECT_EQ(vuKeyboard::IsHit(), 0);
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
    EXPECT_EQ(vuKeyboard::GetState(), 1u << 4) << "key 4 is held";
    send(kp, vuInputRecord::Key, 5, 2); // auto-repeat gives nothing
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
    release(kp, 5);
    EXPECT_EQ(vuKeyboard::IsHit(), 1);
    EXPECT_EQ(vuKeyboard::GetState(), 0u);
    EXPECT_EQ(vuKeyboard::GetKey(), '4');
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
}

TEST_F(Keypad, KeysComeInReleaseOrderAndOtherRecordsAreIgnored)
{
    press(kp, 28);
    press(kp, 223);
    send(kp, vuInputRecord::Sync, 0, 0);
    send(kp, vuInputRecord::Absolute, 28, 0); // not a key record
    release(kp, 223);
    release(kp, 28);
    tap(kp, 11);
    EXPECT_EQ(vuKeyboard::GetKey(), 27);
    EXPECT_EQ(vuKeyboard::GetKey(), 13);
    EXPECT_EQ(vuKeyboard::GetKey(), '0');
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
}

TEST_F(Keypad, BackspaceHeldLongerThanOneSecondGivesHeldDelete)
{
    struct {
        unsigned holdMs;
        int expected;
    } table[] = {{0, 8}, {999, 8}, {1000, 8}, {1001, 14}, {1500, 14}};
    for (const auto &c : table) {
        press(kp, 14);
        EXPECT_EQ(vuKeyboard::GetKey(), 0);
        OsTestClockAdvance(c.holdMs);
        release(kp, 14);
        EXPECT_EQ(vuKeyboard::GetKey(), c.expected) << "held " << c.holdMs << " ms";
        EXPECT_EQ(vuKeyboard::GetKey(), 0) << "one key per press";
    }
}

TEST_F(Keypad, ReleaseWithoutItsPressDoesNotReuseAnOldPressTime)
{
    press(kp, 14);
    release(kp, 14);
    EXPECT_EQ(vuKeyboard::GetKey(), 8);
    OsTestClockAdvance(5000);
    release(kp, 14); // its press was never seen
    EXPECT_EQ(vuKeyboard::GetKey(), 8);
}

TEST_F(Keypad, FunctionKeyChordsWithUpAndDown)
{
    press(kp, 102);
    tap(kp, 103);
    tap(kp, 108);
    EXPECT_EQ(vuKeyboard::GetState(), 1u << 13);
    release(kp, 102);
    tap(kp, 103);
    tap(kp, 108);
    int expected[] = {135, 140, 102, 103, 108};
    for (int e : expected)
        EXPECT_EQ(vuKeyboard::GetKey(), e);
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
}

TEST_F(Keypad, HeldKeysFormTheMask)
{
    press(kp, 102);
    press(kp, 69);
    EXPECT_EQ(vuKeyboard::GetState(), 0x6000u) << "the default block-keyboard chord";
    press(kp, 2);
    EXPECT_EQ(vuKeyboard::GetState(), 0x6002u);
    release(kp, 69);
    EXPECT_EQ(vuKeyboard::GetState(), 0x2002u);
    EXPECT_EQ(vuKeyboard::GetKeyMask(27), 1u << 10);
}

// Each queued key keeps the keys held at its own release; what is held
// when it is taken does not matter. Records: a positive code is a press, a
// negative one a release.
TEST_F(Keypad, EachKeyKeepsTheMaskHeldAtItsRelease)
{
    struct Taken {
        int key;
        uint32_t mask;
    };
    struct {
        const char *name;
        std::vector<int> records;
        std::vector<Taken> taken;
        uint32_t heldAfter;
    } table[] = {
        {"typed ahead, then another key held", {108, -108, 28}, {{108, 0}}, 1u << 11},
        {"typed while another is held", {28, 108, -108, -28}, {{108, 1u << 11}, {13, 0}}, 0},
        {"two typed ahead, the second while the first's key is down again",
         {2, -2, 3, 2, -3, -2}, {{'1', 0}, {'2', 1u << 1}, {'1', 0}}, 0},
        {"function chord: the mask shows the function key", {102, 103, -103, -102}, {{135, 1u << 13}, {102, 0}}, 0},
        {"block chord released one by one", {102, 69, -69, -102}, {{69, 1u << 13}, {102, 0}}, 0},
    };
    for (const auto &c : table) {
        for (int r : c.records) {
            if (r > 0)
                press(kp, static_cast<uint16_t>(r));
            else
                release(kp, static_cast<uint16_t>(-r));
        }
        for (const Taken &t : c.taken) {
            uint32_t mask = 0xDEAD;
            EXPECT_EQ(vuKeyboard::GetKeyAndMask(&mask), t.key) << c.name;
            EXPECT_EQ(mask, t.mask) << c.name << ": key " << t.key;
        }
        uint32_t mask = 0xDEAD;
        EXPECT_EQ(vuKeyboard::GetKeyAndMask(&mask), 0) << c.name;
        EXPECT_EQ(mask, c.heldAfter) << c.name << ": without a key, the keys held now";
        EXPECT_EQ(vuKeyboard::GetState(), c.heldAfter) << c.name;
        for (int r : c.records)
            if (r > 0)
                release(kp, static_cast<uint16_t>(r)); // let go of everything
        vuKeyboard::Flush();
    }
}

TEST_F(Keypad, GetKeyStillGivesKeysAloneAndWithoutDriverNothingIsHeld)
{
    press(kp, 28);
    tap(kp, 108);
    EXPECT_EQ(vuKeyboard::GetKey(), 108) << "the plain call is unchanged";
    EXPECT_EQ(vuKeyboard::GetState(), 1u << 11);
    release(kp, 28);
    uint32_t mask = 0xDEAD;
    EXPECT_EQ(vuKeyboard::GetKeyAndMask(&mask), 13);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(vuKeyboard::GetKeyAndMask(nullptr), 0);

    vuKeyboard::Done();
    mask = 0xDEAD;
    EXPECT_EQ(vuKeyboard::GetKeyAndMask(&mask), 0);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(vuKeyboard::GetDescriptor(), -1);
}

TEST_F(Keypad, FifoKeepsTheNewest256Keys)
{
    std::vector<int> sent;
    for (int i = 0; i < 300; ++i) {
        uint16_t code = static_cast<uint16_t>(2 + i % 10); // keys 1..9, 0
        release(kp, code);
        sent.push_back(vuPaxProlinKeyboard::keyCodeToChar(code));
    }
    EXPECT_EQ(vuKeyboard::IsHit(), 1);
    for (size_t i = 300 - 256; i < 300; ++i)
        ASSERT_EQ(vuKeyboard::GetKey(), sent[i]) << "key " << i;
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
}

TEST_F(Keypad, FifoDropsTheOldestKeyTogetherWithItsMask)
{
    // Every other digit is released while Enter is held, and Enter then
    // comes as a key of its own: 300 keys in all, masks alternating unevenly.
    std::vector<std::pair<int, uint32_t>> sent;
    for (int i = 0; i < 200; ++i) {
        uint16_t code = static_cast<uint16_t>(2 + i % 10);
        if (i % 2) {
            press(kp, 28);
            release(kp, code);
            release(kp, 28);
            sent.push_back({vuPaxProlinKeyboard::keyCodeToChar(code), 1u << 11});
            sent.push_back({13, 0});
        } else {
            release(kp, code);
            sent.push_back({vuPaxProlinKeyboard::keyCodeToChar(code), 0});
        }
    }
    ASSERT_EQ(sent.size(), 300u);
    EXPECT_EQ(vuKeyboard::IsHit(), 1);
    for (size_t i = 300 - 256; i < 300; ++i) {
        uint32_t mask = 0xDEAD;
        ASSERT_EQ(vuKeyboard::GetKeyAndMask(&mask), sent[i].first) << "key " << i;
        ASSERT_EQ(mask, sent[i].second) << "key " << i;
    }
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
}

TEST_F(Keypad, InputBeforeStartIsLostAndFlushDropsWaitingKeys)
{
    vuKeyboard::Done();
    tap(kp, 3);
    press(kp, 14);
    vuKeyboard::Init(); // flushes what the device held
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
    OsTestClockAdvance(2000);
    release(kp, 14);
    EXPECT_EQ(vuKeyboard::GetKey(), 8) << "the flushed press does not count as a long one";

    tap(kp, 4);
    tap(kp, 5);
    EXPECT_EQ(vuKeyboard::IsHit(), 1);
    vuKeyboard::Flush();
    EXPECT_EQ(vuKeyboard::IsHit(), 0);
    tap(kp, 6);
    EXPECT_EQ(vuKeyboard::GetKey(), '5');
}

TEST_F(Keypad, WithoutDriverOrDeviceEveryCallGivesNothing)
{
    vuKeyboard::Done();
    tap(kp, 3);
    EXPECT_EQ(vuKeyboard::IsHit(), 0);
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
    EXPECT_EQ(vuKeyboard::GetState(), 0u);
    EXPECT_EQ(vuKeyboard::GetKeyMask('1'), 0u);
    vuKeyboard::Flush();

    ASSERT_EQ(unlink((root + "/dev/keypad").c_str()), 0);
    vuKeyboard::Init();
    ASSERT_NE(vuKeyboard::handle, nullptr) << "the driver exists without its device";
    EXPECT_EQ(vuKeyboard::IsHit(), 0);
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
    EXPECT_EQ(vuKeyboard::GetState(), 0u);
}

} // namespace
