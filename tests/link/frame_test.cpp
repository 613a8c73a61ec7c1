// Building request frames: header, every field encoder, trailer, buffer
// limits and the packet identifier.
#include "LinkTestUtil.h"

#include <atomic>
#include <map>
#include <string.h>
#include <thread>

using namespace linktest;

namespace {

// Frames pinned byte for byte, checksum included, each built right after the
// counter has wrapped so that its packet id is 0x20.
TEST(RequestFrame, PinnedFramesInHex)
{
    struct tm when = {};
    when.tm_mday = 9;
    when.tm_mon = 0; // January
    when.tm_year = 101; // 2001
    when.tm_hour = 8;
    when.tm_min = 7;
    const uint8_t code[] = {0x01, 0xAB, 0xFF};
    struct Case {
        const char *name;
        int (*build)(TMCommand &, const struct tm *, const uint8_t *);
        const char *hex;
    } cases[] = {
        // A command without fields: 14 bytes.
        {"CloseDocument", [](TMCommand &c, const struct tm *, const uint8_t *) { return c.CloseDocument(); },
         "02 4B 56 4D 5A 20 31 34 1C 03 45 45 30 31"},
        {"GetFNStatus", [](TMCommand &c, const struct tm *, const uint8_t *) { return c.GetFNStatus(); },
         "02 4B 56 4D 5A 20 32 39 1C 03 46 34 30 31"},
        // AddItem, hex field without and with b4.
        {"AddItem b4=0",
         [](TMCommand &c, const struct tm *, const uint8_t *) {
             return c.AddItem("A", "", "1.0", "2", "", 0xCD, 0x02, 0x03, 0, 0xAB, "", "");
         },
         "02 4B 56 4D 5A 20 31 31 1C 41 1C 1C 31 2E 30 1C 32 1C 1C 41 42 43 44 30 32 30 33 1C 1C 1C 03 "
         "39 43 30 35"},
        {"AddItem b4=7",
         [](TMCommand &c, const struct tm *, const uint8_t *) {
             return c.AddItem("A", "", "1.0", "2", "", 0xCD, 0x02, 0x03, 7, 0xAB, "", "");
         },
         "02 4B 56 4D 5A 20 31 31 1C 41 1C 1C 31 2E 30 1C 32 1C 1C 41 42 43 44 30 32 30 33 30 37 1C 1C 1C 03 "
         "30 33 30 36"},
        // Every field kind: DT TT B P S (CP866) R W D H.
        {"every kind",
         [](TMCommand &c, const struct tm *t, const uint8_t *h) {
             int r = c.Begin(0x7A);
             if (r > 0) r = c.AddDate(t);
             if (r > 0) r = c.AddTime(t);
             if (r > 0) r = c.AddByte(0x5E);
             if (r > 0) r = c.AddStringPair("Яя", "77");
             if (r > 0) r = c.AddString("Ёё№«»", 0);
             if (r > 0) r = c.AddRawString("Я");
             if (r > 0) r = c.AddWord(0x1234);
             if (r > 0) r = c.AddDword(0x89ABCDEF);
             if (r > 0) r = c.AddHex(h, 3);
             if (r > 0) r = c.End();
             return r;
         },
         "02 4B 56 4D 5A 20 37 41 1C "
         "30 39 30 31 30 31 1C "             // 090101
         "30 38 30 37 1C "                   // 0807
         "35 45 1C "                         // 5E
         "9F EF 7C 37 37 1C "                // Яя|77 in CP866
         "F0 F1 FC 22 22 1C "                // Ёё№«» in CP866
         "DF 1C "                            // Я unchanged (CP1251)
         "33 34 31 32 1C "                   // 3412
         "45 46 43 44 41 42 38 39 1C "       // EFCDAB89
         "30 31 41 42 46 46 1C "             // 01ABFF
         "03 32 39 31 30"},
    };
    for (const Case &c : cases) {
        NextIdIs20();
        TMCommand cmd;
        const int r = c.build(cmd, &when, code);
        const Bytes want = FromHex(c.hex);
        EXPECT_EQ(r, static_cast<int>(want.size())) << c.name;
        EXPECT_EQ(Hex(cmd), Hex(want)) << c.name;
    }
}

TEST(RequestFrame, FieldCountAndReaders)
{
    TMCommand c;
    ASSERT_GT(c.Begin(0x29), 0);
    EXPECT_EQ(c.FieldCount(), 1u);
    ASSERT_GT(c.AddString("", 0), 0); // an empty text still makes a field
    ASSERT_GT(c.AddRawString(nullptr), 0);
    ASSERT_GT(c.AddHex(nullptr, 5), 0);
    ASSERT_GT(c.AddStringPair(nullptr, "ignored"), 0);
    ASSERT_GT(c.End(), 0);
    EXPECT_EQ(c.FieldCount(), 5u);
    for (uint32_t k = 1; k < 5; ++k)
        EXPECT_EQ(c.FieldLength(k), 0u) << k;
    EXPECT_EQ(c.CommandCode(), 0x29);
    EXPECT_EQ(c.FieldLength(0), 7u); // password, id, code
    EXPECT_TRUE(c.IsReplyTo());
}

TEST(RequestFrame, TextEncoders)
{
    struct Case {
        const char *name;
        int (*add)(TMCommand &);
        std::string field;
    } cases[] = {
        // Control bytes become spaces; FS in particular must not split the field.
        {"S control bytes", [](TMCommand &c) { return c.AddString("a\x1C" "b\tc\x02" "d", 0); }, "a b c d"},
        {"S converted", [](TMCommand &c) { return c.AddString("Привет", 0); }, "\x8F\xE0\xA8\xA2\xA5\xE2"},
        {"S1 kept", [](TMCommand &c) { return c.AddString("Привет", 1); }, "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {"R unchanged", [](TMCommand &c) { return c.AddRawString("a\x1C" "b\tЯ"); }, "a\x1C" "b\t\xDF"},
        {"P with second", [](TMCommand &c) { return c.AddStringPair("Ив", "7701"); }, "\x88\xA2|7701"},
        {"P empty second", [](TMCommand &c) { return c.AddStringPair("Ив", ""); }, "\x88\xA2"},
        {"P null second", [](TMCommand &c) { return c.AddStringPair("Ив", nullptr); }, "\x88\xA2"},
        // Other control bytes pass; the frame's own STX, ETX and FS do not.
        {"P frame bytes", [](TMCommand &c) { return c.AddStringPair("a\x02" "b\x03" "c\x1C" "d\t", "1\x1C" "2"); },
         "a b c d\t|1 2"},
        {"H empty", [](TMCommand &c) { return c.AddHex("x", 0); }, ""},
        {"DX", [](TMCommand &c) { return c.AddDateText("311299"); }, "311299"},
        {"TX", [](TMCommand &c) { return c.AddTimeText("2359"); }, "2359"},
    };
    for (const Case &tc : cases) {
        TMCommand c;
        ASSERT_GT(c.Begin(0x10), 0);
        const int r = tc.add(c);
        EXPECT_EQ(r, static_cast<int>(c.FrameSize())) << tc.name;
        ASSERT_GT(c.End(), 0) << tc.name;
        // With an FS inside a raw text the frame has one field more.
        const uint32_t k = c.FieldCount() - 1;
        std::string got;
        for (uint32_t i = 1; i <= k; ++i) {
            uint32_t n = 0;
            const char *f = c.FieldAt(i, &n);
            ASSERT_NE(f, nullptr);
            if (i > 1)
                got += '\x1C';
            got.append(f, n);
        }
        EXPECT_EQ(Hex(reinterpret_cast<const uint8_t *>(got.data()), got.size()),
                  Hex(reinterpret_cast<const uint8_t *>(tc.field.data()), tc.field.size()))
            << tc.name;
    }
}

TEST(RequestFrame, RefusedArguments)
{
    struct Case {
        const char *name;
        int (*add)(TMCommand &);
    } cases[] = {
        {"DX short", [](TMCommand &c) { return c.AddDateText("3112"); }},
        {"DX long", [](TMCommand &c) { return c.AddDateText("3112990"); }},
        {"DX letters", [](TMCommand &c) { return c.AddDateText("31129a"); }},
        {"DX null", [](TMCommand &c) { return c.AddDateText(nullptr); }},
        {"TX short", [](TMCommand &c) { return c.AddTimeText("235"); }},
        {"TX letters", [](TMCommand &c) { return c.AddTimeText("23:5"); }},
        {"DT null", [](TMCommand &c) { return c.AddDate(nullptr); }},
        {"TT null", [](TMCommand &c) { return c.AddTime(nullptr); }},
        {"H negative", [](TMCommand &c) { return c.AddHex("x", -1); }},
    };
    for (const Case &tc : cases) {
        TMCommand c;
        const int begun = c.Begin(0x10);
        ASSERT_GT(begun, 0);
        EXPECT_EQ(tc.add(c), -1) << tc.name;
        EXPECT_EQ(c.FrameSize(), static_cast<uint32_t>(begun)) << tc.name;
    }
}

TEST(RequestFrame, EncodersNeedAnOpenFrame)
{
    struct tm t = {};
    const uint8_t b = 1;
    TMCommand c;
    EXPECT_EQ(c.AddByte(1), -1);
    EXPECT_EQ(c.AddWord(1), -1);
    EXPECT_EQ(c.AddDword(1), -1);
    EXPECT_EQ(c.AddDate(&t), -1);
    EXPECT_EQ(c.AddTime(&t), -1);
    EXPECT_EQ(c.AddDateText("010101"), -1);
    EXPECT_EQ(c.AddTimeText("0101"), -1);
    EXPECT_EQ(c.AddString("a", 0), -1);
    EXPECT_EQ(c.AddRawString("a"), -1);
    EXPECT_EQ(c.AddStringPair("a", "b"), -1);
    EXPECT_EQ(c.AddHex(&b, 1), -1);
    EXPECT_EQ(c.End(), -1);
    EXPECT_EQ(c.AddGroupWWB(1, 2, 3), -1);
    EXPECT_EQ(c.AddGroupWWBS(1, 2, 3, "s"), -1);
    EXPECT_EQ(c.AddGroupWWBBBS(1, 2, 3, 4, 5, "s"), -1);
    EXPECT_EQ(c.AddGroupB6WWB(1, 2, 3, 4, 5, 6, 7, 8, 9), -1);
    EXPECT_EQ(c.FrameData(), nullptr);
    EXPECT_EQ(c.FrameSize(), 0u);
    EXPECT_EQ(c.CommandCode(), -1);
    EXPECT_EQ(c.PacketId(), -1);
    EXPECT_FALSE(c.IsReplyTo());
}

TEST(RequestFrame, GroupAppenders)
{
    struct Case {
        int (*add)(TMCommand &);
        const char *body;
    } cases[] = {
        {[](TMCommand &c) { return c.AddGroupWWB(0x0102, 0xA0B0, 0x7F); }, "0201^B0A0^7F^"},
        {[](TMCommand &c) { return c.AddGroupWWBS(1, 2, 3, "Ая"); }, "0100^0200^03^\x80\xEF^"},
        {[](TMCommand &c) { return c.AddGroupWWBBBS(1, 2, 3, 4, 5, ""); }, "0100^0200^03^04^05^^"},
        {[](TMCommand &c) { return c.AddGroupB6WWB(1, 2, 3, 4, 5, 6, 0xFFFF, 0, 9); },
         "01^02^03^04^05^06^FFFF^0000^09^"},
    };
    for (const Case &tc : cases) {
        TMCommand c;
        ASSERT_GT(c.Begin(0x55), 0);
        const int r = tc.add(c);
        EXPECT_EQ(r, static_cast<int>(c.FrameSize()));
        ASSERT_GT(c.End(), 0);
        EXPECT_EQ(Hex(c), Hex(Request(static_cast<uint8_t>(c.PacketId()), std::string("55^") + tc.body)))
            << tc.body;
    }
}

// A subclass that replaces AddWord changes only the first word of
// AddGroupWWBBBS; every other step uses the base encoders.
TEST(RequestFrame, OnlyTheMarkedStepsGoThroughOverrides)
{
    struct Spy : TMCommand {
        int AddWord(uint16_t) override { return TMCommand::AddWord(0xEEEE); }
        int AddHex(const void *, int) override { return TMCommand::AddRawString("HEX"); }
    } spy;
    ASSERT_GT(spy.Begin(0x55), 0);
    ASSERT_GT(spy.AddGroupWWBBBS(1, 2, 3, 4, 5, "s"), 0);
    ASSERT_GT(spy.AddGroupWWB(1, 2, 3), 0);
    ASSERT_GT(spy.End(), 0);
    EXPECT_EQ(Hex(spy), Hex(Request(static_cast<uint8_t>(spy.PacketId()),
                                    "55^EEEE^0200^03^04^05^s^0100^0200^03^")));
    ASSERT_GT(spy.AddItem("a", "b", "1", "2", "c", 1, 2, 3, 0, 5, "d", "e"), 0);
    EXPECT_EQ(Hex(spy), Hex(Request(static_cast<uint8_t>(spy.PacketId()), "11^a^b^1^2^c^HEX^d^e^")));
    ASSERT_GT(spy.AddTag(1008, "x"), 0);
    EXPECT_EQ(Hex(spy), Hex(Request(static_cast<uint8_t>(spy.PacketId()), "6A^F003^x^")));
}

TEST(FrameBuffer, ReserveLimits)
{
    TMCommand c;
    ASSERT_GT(c.Begin(0x01), 0);
    EXPECT_EQ(c.Reserve(4096), -1);
    EXPECT_EQ(c.Reserve(4095), 0);
    EXPECT_EQ(c.Reserve(0), 0);
}

// A request larger than one 4096-byte block grows its buffer and keeps every
// byte already written.
TEST(FrameBuffer, GrowthKeepsContent)
{
    const std::string big(4095, 'x');
    const std::string mid(3000, 'y');
    TMCommand c;
    ASSERT_GT(c.Begin(0x56), 0);
    ASSERT_GT(c.AddRawString(mid.c_str()), 0);
    ASSERT_GT(c.AddRawString(big.c_str()), 0); // over the first block
    ASSERT_GT(c.AddRawString(big.c_str()), 0); // over the second
    ASSERT_GT(c.AddByte(0x42), 0);
    const int n = c.End();
    ASSERT_GT(n, 0);
    EXPECT_EQ(n, 9 + 3001 + 4096 + 4096 + 3 + 5);
    EXPECT_EQ(Hex(c), Hex(Request(static_cast<uint8_t>(c.PacketId()), "56^" + mid + "^" + big + "^" + big + "^42^")));
    EXPECT_EQ(c.FieldCount(), 5u);
}

TEST(FrameBuffer, OversizedFieldsFail)
{
    const std::string tooLong(4096, 'x');
    std::vector<uint8_t> bytes(2048, 0x5A);
    TMCommand c;
    ASSERT_GT(c.Begin(0x1C), 0);
    EXPECT_EQ(c.AddString(tooLong.c_str(), 0), -1);
    EXPECT_EQ(c.AddRawString(tooLong.c_str()), -1);
    EXPECT_EQ(c.AddStringPair(tooLong.c_str(), ""), -1);
    EXPECT_EQ(c.AddHex(bytes.data(), 2048), -1);     // 4096 digits
    EXPECT_GT(c.AddHex(bytes.data(), 2047), 0);      // 4094 digits
    EXPECT_EQ(c.PrintText(tooLong.c_str()), -1);      // the builder passes it up
    EXPECT_EQ(c.FNReadScript(bytes.data(), 2048), -1);
    EXPECT_GT(c.FNReadScript(bytes.data(), 300), 0);
    EXPECT_EQ(c.FieldLength(1), 600u);
}

TEST(FrameBuffer, SetFrameAndCountFields)
{
    TMCommand c;
    const Bytes f = Reply(0x31, "29^00^0000^0000^^AB^");
    ASSERT_EQ(c.SetFrame(f.data(), static_cast<int>(f.size())), static_cast<int>(f.size()));
    EXPECT_EQ(c.FieldCount(), 0u); // until counted
    EXPECT_EQ(c.FieldAt(0, nullptr), nullptr);
    EXPECT_EQ(c.CountFields(), 6u);
    EXPECT_EQ(c.FieldByte(5), 0xAB);

    std::vector<uint8_t> big(4097, 1);
    EXPECT_EQ(c.SetFrame(big.data(), 4097), -1);
    EXPECT_EQ(c.SetFrame(nullptr, 3), -1);
    EXPECT_EQ(c.SetFrame(f.data(), -1), -1);
    EXPECT_EQ(Hex(c), Hex(f)); // refused frames leave the held one
    EXPECT_EQ(c.SetFrame(big.data(), 4096), 4096);
    EXPECT_EQ(c.CountFields(), 0u);
    EXPECT_EQ(c.SetFrame(nullptr, 0), 0);
    EXPECT_EQ(c.FrameSize(), 0u);
}

TEST(PacketId, RunsFrom0x20To0x7FAndWraps)
{
    NextIdIs20();
    TMCommand c;
    for (int round = 0; round < 2; ++round)
        for (int id = 0x20; id <= 0x7F; ++id) {
            ASSERT_GT(c.Begin(0x01), 0);
            ASSERT_EQ(c.PacketId(), id);
            ASSERT_EQ(c.FrameData()[5], id);
        }
}

TEST(PacketIdDeathTest, FirstBeginOfTheProcessIs0x20)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // the child starts afresh
    EXPECT_EXIT(
        {
            TMCommand c;
            c.CloseDocument();
            exit(c.PacketId() == 0x20 && c.FrameSize() == 14 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Every Begin advances the counter, sent or not; a builder whose argument
// check fails first takes no identifier and leaves the frame alone.
TEST(PacketId, OnlyBegunFramesTakeAnIdentifier)
{
    TMCommand c;
    ASSERT_GT(c.Begin(0x01), 0);
    const int first = c.PacketId();
    const Bytes before(c.FrameData(), c.FrameData() + c.FrameSize());
    const char *lines[] = {"a"};
    EXPECT_EQ(c.SetHeader(lines, 0), -1);
    EXPECT_EQ(c.SetHeader(nullptr, 2), -1);
    EXPECT_EQ(c.SetTail(nullptr, 4), -1);
    EXPECT_EQ(c.SetHeaderExt(nullptr, 1), -1);
    EXPECT_EQ(c.GetParamList(0), -1);
    EXPECT_EQ(c.SetDepartments(nullptr, 2), -1);
    EXPECT_EQ(c.Command56(lines, 0), -1);
    EXPECT_EQ(c.Command56(nullptr, 2), -1);
    EXPECT_EQ(Hex(c), Hex(before));
    TMCommand other;
    ASSERT_GT(other.Begin(0x02), 0);
    EXPECT_EQ(other.PacketId(), first == 0x7F ? 0x20 : first + 1);
    // A builder that fails after Begin has used its identifier.
    EXPECT_EQ(c.CloseFNAt("op", "", 1, "bad", "0000"), -1);
    EXPECT_EQ(c.PacketId(), other.PacketId() == 0x7F ? 0x20 : other.PacketId() + 1);
}

// Commands are built in more than one thread; the identifiers of N * 96
// frames must cover every value exactly N times.
TEST(PacketId, CounterIsSharedSafelyBetweenThreads)
{
    NextIdIs20();
    const int threads = 4;
    const int perThread = 96 * 250;
    std::vector<std::map<int, int>> seen(threads);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            TMCommand c;
            for (int i = 0; i < perThread; ++i) {
                c.Begin(0x29);
                ++seen[t][c.PacketId()];
            }
        });
    for (auto &th : pool)
        th.join();
    std::map<int, int> total;
    for (auto &m : seen)
        for (auto &kv : m)
            total[kv.first] += kv.second;
    ASSERT_EQ(total.size(), 96u);
    EXPECT_EQ(total.begin()->first, 0x20);
    EXPECT_EQ(total.rbegin()->first, 0x7F);
    for (auto &kv : total)
        EXPECT_EQ(kv.second, threads * 250) << kv.first;
}

TEST(TransferPassword, DefaultAndReplacement)
{
    EXPECT_STREQ(CurrentTransferPassword(), "KVMZ");
    SetTransferPassword("AB");
    TMCommand c;
    ASSERT_GT(c.CloseDocument(), 0);
    const uint8_t id = static_cast<uint8_t>(c.PacketId());
    EXPECT_EQ(Hex(c), Hex(Frame(std::string("AB") + static_cast<char>(id), "14^")));
    EXPECT_EQ(c.CommandCode(), 0x14);
    SetTransferPassword(nullptr);
    EXPECT_STREQ(CurrentTransferPassword(), "KVMZ");
    // Field 0 of the held request no longer has the length of a request.
    EXPECT_EQ(c.CommandCode(), -1);
    EXPECT_EQ(c.PacketId(), -1);
}

class DateNowTest : public ClockFixture {};

TEST_F(DateNowTest, DateAndTimeComeFromTheTerminalClock)
{
    TMCommand c;
    ASSERT_GT(c.StartSession(), 0);
    uint32_t n = 0;
    const char *f = c.FieldAt(1, &n);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::string(f, n), "050326");
    f = c.FieldAt(2, &n);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::string(f, n), "0709");
}

TEST(DateFields, BrokenDownTime)
{
    struct Case {
        int mday, mon, year, hour, min;
        const char *date, *time;
    } cases[] = {
        {1, 0, 100, 0, 0, "010100", "0000"},     // 1 January 2000
        {31, 11, 125, 23, 59, "311225", "2359"}, // 31 December 2025
        {29, 1, 124, 12, 5, "290224", "1205"},
    };
    for (const Case &tc : cases) {
        struct tm t = {};
        t.tm_mday = tc.mday;
        t.tm_mon = tc.mon;
        t.tm_year = tc.year;
        t.tm_hour = tc.hour;
        t.tm_min = tc.min;
        TMCommand c;
        ASSERT_GT(c.Begin(0x02), 0);
        ASSERT_GT(c.AddDate(&t), 0);
        ASSERT_GT(c.AddTime(&t), 0);
        uint32_t n = 0;
        const char *f = c.FieldAt(1, &n);
        EXPECT_EQ(std::string(f, n), tc.date);
        f = c.FieldAt(2, &n);
        EXPECT_EQ(std::string(f, n), tc.time);
    }
}

} // namespace
