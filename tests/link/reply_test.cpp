// Adopting replies and reading their fields; the free hex and checksum
// helpers and FrameErrorByte.
#include "LinkTestUtil.h"

#include <limits.h>
#include <string.h>

using namespace linktest;

namespace {

// A reply to command 0x29: fatal status 0x05, current status 0x0800 (written
// low byte first), error 0x0A with detail 0x12, then data fields from 5 on.
const char kBody[] = "29^05^0008^0A12^^"
                     "\x8F\xE0\xA8\xA2\xA5\xE2^" // 5: "Привет" in CP866
                     "EFCDAB89^"                 // 6: dword
                     "3412^"                     // 7: word, low byte first
                     "7F^"                       // 8: byte
                     "ABC^"                      // 9: odd length
                     "^"                         // 10: empty
                     "1234567^";                 // 11: 7 digits

TEST(Reply, AcceptAndReadEveryField)
{
    TMCommand c;
    const Bytes r = Reply(0x41, kBody);
    ASSERT_EQ(c.Accept(r.data(), static_cast<uint32_t>(r.size())), static_cast<int>(r.size()));
    EXPECT_EQ(Hex(c), Hex(r));
    EXPECT_EQ(c.FieldCount(), 12u);
    EXPECT_EQ(c.CommandCode(), 0x29);
    EXPECT_EQ(c.PacketId(), 0x41);
    EXPECT_EQ(c.FatalStatus(), 0x05);
    EXPECT_EQ(c.CurrentStatus(), 0x0800);
    EXPECT_EQ(c.ErrorCode(), 0x0A);
    EXPECT_EQ(c.ErrorDetail(), 0x12);

    char text[64];
    EXPECT_EQ(c.FieldText(5, text, sizeof text), 6);
    EXPECT_STREQ(text, "\x8F\xE0\xA8\xA2\xA5\xE2");
    EXPECT_EQ(c.FieldText1251(5, text, sizeof text), 6);
    EXPECT_STREQ(text, "Привет");

    EXPECT_EQ(c.FieldDword(6), 0x89ABCDEFu);
    EXPECT_EQ(c.FieldWord(7), 0x1234);
    EXPECT_EQ(c.FieldWordBE(7), 0x3412);
    EXPECT_EQ(c.FieldWord(8), 0x7F); // two digits read as a byte
    EXPECT_EQ(c.FieldByte(8), 0x7F);

    uint8_t bytes[8] = {0};
    EXPECT_EQ(c.FieldBytes(6, bytes, sizeof bytes), 4);
    EXPECT_EQ(Hex(bytes, 4), "EF CD AB 89");
    EXPECT_EQ(c.FieldBytes(9, bytes, sizeof bytes), 2); // (3+1)/2
    EXPECT_EQ(Hex(bytes, 2), "AB C0");
    EXPECT_EQ(c.FieldLength(10), 0u);
    EXPECT_EQ(c.FieldText(10, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(c.FieldLength(11), 7u);
    EXPECT_EQ(c.FieldLength(0), 3u);
}

// Readers of a number take only a field of their exact length.
TEST(Reply, WrongLengthsReadAsZeroOrMinusOne)
{
    TMCommand c;
    const Bytes r = Reply(0x41, kBody);
    ASSERT_GT(c.Accept(r.data(), static_cast<uint32_t>(r.size())), 0);
    struct Case {
        uint32_t k;
        uint32_t dword;
        uint16_t word, wordBE;
        uint8_t byte;
    } cases[] = {
        {5, 0, 0, 0, 0},   // 6 characters
        {7, 0, 0x1234, 0x3412, 0},
        {9, 0, 0, 0, 0},   // 3 characters
        {10, 0, 0, 0, 0},  // empty
        {11, 0, 0, 0, 0},  // 7 characters
        {12, 0, 0, 0, 0},  // absent
        {999, 0, 0, 0, 0}, // absent
    };
    for (const Case &tc : cases) {
        EXPECT_EQ(c.FieldDword(tc.k), tc.dword) << tc.k;
        EXPECT_EQ(c.FieldWord(tc.k), tc.word) << tc.k;
        EXPECT_EQ(c.FieldWordBE(tc.k), tc.wordBE) << tc.k;
        EXPECT_EQ(c.FieldByte(tc.k), tc.byte) << tc.k;
    }
    char text[4];
    uint8_t bytes[4];
    EXPECT_EQ(c.FieldText(12, text, sizeof text), -1);
    EXPECT_EQ(c.FieldText(5, nullptr, 10), -1);
    EXPECT_EQ(c.FieldText1251(12, text, sizeof text), -1);
    EXPECT_EQ(c.FieldBytes(12, bytes, sizeof bytes), -1);
    EXPECT_EQ(c.FieldBytes(6, nullptr, 4), -1);
    EXPECT_EQ(c.FieldLength(12), 0u);
    uint32_t n = 77;
    EXPECT_EQ(c.FieldAt(12, &n), nullptr);
    EXPECT_EQ(n, 77u);
}

TEST(Reply, StatusFieldsOfOtherLengths)
{
    struct Case {
        const char *body;
        int fatal, current, error, detail;
    } cases[] = {
        {"29^00^0000^0000^^", 0, 0, 0, 0},
        {"29^00^0000^0A^^", 0, 0, -1, -1},       // error of 2 characters
        {"29^00^0000^0A1200^^", 0, 0, -1, -1},   // of 6
        {"29^0^000^^^", -1, -1, -1, -1},
        {"29^FF^FFFF^FFFF^", 0xFF, 0xFFFF, 0xFF, 0xFF},
        {"29^01^", 1, -1, -1, -1},               // fields missing
        {"29^", -1, -1, -1, -1},
    };
    for (const Case &tc : cases) {
        TMCommand c;
        const Bytes r = Reply(0x22, tc.body);
        ASSERT_GT(c.Accept(r.data(), static_cast<uint32_t>(r.size())), 0) << tc.body;
        EXPECT_EQ(c.FatalStatus(), tc.fatal) << tc.body;
        EXPECT_EQ(c.CurrentStatus(), tc.current) << tc.body;
        EXPECT_EQ(c.ErrorCode(), tc.error) << tc.body;
        EXPECT_EQ(c.ErrorDetail(), tc.detail) << tc.body;
    }
}

TEST(Reply, FieldTextCutsToTheBuffer)
{
    TMCommand c;
    const Bytes r = Reply(0x22, "29^00^0000^0000^^HELLO^");
    ASSERT_GT(c.Accept(r.data(), static_cast<uint32_t>(r.size())), 0);
    struct Case {
        uint32_t size;
        const char *copy;
    } cases[] = {{7, "HELLO"}, {6, "HELLO"}, {5, "HELL"}, {2, "H"}, {1, ""}};
    for (const Case &tc : cases) {
        char out[8];
        memset(out, '#', sizeof out);
        EXPECT_EQ(c.FieldText(5, out, tc.size), 5) << tc.size;
        EXPECT_STREQ(out, tc.copy) << tc.size;
        EXPECT_EQ(out[tc.size], '#') << "wrote past the buffer, size " << tc.size;
    }
    char out[2] = {'#', '#'};
    EXPECT_EQ(c.FieldText(5, out, 0), 5);
    EXPECT_EQ(out[0], '#'); // nothing written at size 0

    // Cut CP866 text is converted only as far as it was copied.
    const Bytes cyr = Reply(0x22, "29^00^0000^0000^^\x8F\xE0\xA8^");
    ASSERT_GT(c.Accept(cyr.data(), static_cast<uint32_t>(cyr.size())), 0);
    char small[3];
    EXPECT_EQ(c.FieldText1251(5, small, sizeof small), 3);
    EXPECT_EQ(Hex(reinterpret_cast<uint8_t *>(small), 3), "CF F0 00");
}

TEST(Reply, FieldBytesNeedsRoomForAll)
{
    TMCommand c;
    const Bytes r = Reply(0x22, "29^00^0000^0000^^0102030405^");
    ASSERT_GT(c.Accept(r.data(), static_cast<uint32_t>(r.size())), 0);
    uint8_t out[5];
    memset(out, 0xEE, sizeof out);
    EXPECT_EQ(c.FieldBytes(5, out, 4), 5);
    EXPECT_EQ(Hex(out, 5), "EE EE EE EE EE");
    EXPECT_EQ(c.FieldBytes(5, out, 5), 5);
    EXPECT_EQ(Hex(out, 5), "01 02 03 04 05");
}

TEST(Reply, AcceptRefusesBrokenFramesAndKeepsTheOldOne)
{
    const Bytes good = Reply(0x22, "29^00^0000^0000^");
    auto withLowerCase = [] {
        Bytes b = Reply(0x22, "2A^00^0000^0000^");
        bool changed = false;
        for (size_t i = b.size() - 4; i < b.size(); ++i)
            if (b[i] >= 'A' && b[i] <= 'F') {
                b[i] = static_cast<uint8_t>(b[i] - 'A' + 'a');
                changed = true;
            }
        EXPECT_TRUE(changed) << "the checksum of this reply needs a letter";
        return b;
    };
    auto mutate = [](Bytes b, size_t at, uint8_t v) {
        b[at] = v;
        return b;
    };
    struct Case {
        const char *name;
        Bytes frame;
    } cases[] = {
        {"lower-case checksum", withLowerCase()},
        {"no STX", mutate(good, 0, 0x01)},
        {"no ETX", mutate(good, good.size() - 5, 0x1C)},
        {"wrong checksum", mutate(good, good.size() - 1, good.back() == '0' ? '1' : '0')},
        {"data changed", mutate(good, 3, '8')},
        {"5 bytes", FromHex("02 03 30 33 30")},
        {"empty", Bytes()},
    };
    for (const Case &tc : cases) {
        TMCommand c;
        ASSERT_GT(c.Accept(good.data(), static_cast<uint32_t>(good.size())), 0);
        EXPECT_EQ(c.Accept(tc.frame.data(), static_cast<uint32_t>(tc.frame.size())), -1) << tc.name;
        EXPECT_EQ(Hex(c), Hex(good)) << tc.name;
        EXPECT_EQ(c.FieldCount(), 4u) << tc.name;
        EXPECT_EQ(FrameErrorByte(tc.frame.data(), static_cast<uint32_t>(tc.frame.size())), -1) << tc.name;
    }
    TMCommand c;
    EXPECT_EQ(c.Accept(nullptr, 20), -1);
    EXPECT_EQ(c.Accept(good.data(), 0), -1);
}

// The smallest valid frame has no field at all.
TEST(Reply, FrameWithoutFields)
{
    const Bytes bare = Frame("", "");
    ASSERT_EQ(bare.size(), 6u);
    TMCommand c;
    ASSERT_EQ(c.Accept(bare.data(), 6), 6);
    EXPECT_EQ(c.FieldCount(), 0u);
    EXPECT_EQ(c.CommandCode(), -1);
    EXPECT_EQ(c.PacketId(), -1);
    EXPECT_EQ(c.ErrorCode(), -1);
    EXPECT_EQ(c.FieldAt(0, nullptr), nullptr);
    EXPECT_FALSE(c.IsReplyTo());
}

TEST(Reply, HeaderOfAnUnexpectedLength)
{
    // Field 0 of 4 characters is neither a reply (3) nor a request (P+3).
    const Bytes odd = Frame("", "A29B^00^0000^0000^");
    TMCommand c;
    ASSERT_GT(c.Accept(odd.data(), static_cast<uint32_t>(odd.size())), 0);
    EXPECT_EQ(c.CommandCode(), -1);
    EXPECT_EQ(c.PacketId(), -1);
    EXPECT_EQ(c.FatalStatus(), 0);
    const Bytes empty0 = Frame("", "^00^");
    ASSERT_GT(c.Accept(empty0.data(), static_cast<uint32_t>(empty0.size())), 0);
    EXPECT_EQ(c.CommandCode(), -1);
}

TEST(Reply, MatchesTheLastRequest)
{
    TMCommand c;
    ASSERT_GT(c.GetFNStatus(), 0);
    const uint8_t id = static_cast<uint8_t>(c.PacketId());
    EXPECT_EQ(c.CommandCode(), 0x29);
    const Bytes stale = Reply(id == 0x7F ? 0x20 : id + 1, "29^00^0000^0000^");
    ASSERT_GT(c.Accept(stale.data(), static_cast<uint32_t>(stale.size())), 0);
    EXPECT_FALSE(c.IsReplyTo());
    const Bytes mine = Reply(id, "2A^00^0000^0000^");
    ASSERT_GT(c.Accept(mine.data(), static_cast<uint32_t>(mine.size())), 0);
    EXPECT_TRUE(c.IsReplyTo());
    EXPECT_EQ(c.CommandCode(), 0x2A); // the reply's own code
    // The next builder replaces the reply.
    ASSERT_GT(c.CloseDocument(), 0);
    EXPECT_EQ(c.CommandCode(), 0x14);
    EXPECT_EQ(c.FieldCount(), 1u);
}

// A host's raw request frame (with password) can be adopted and read too.
TEST(Reply, AcceptsARequestFrame)
{
    const Bytes req = Request(0x33, "13^01^100.00^^^");
    TMCommand c;
    ASSERT_GT(c.Accept(req.data(), static_cast<uint32_t>(req.size())), 0);
    EXPECT_EQ(c.CommandCode(), 0x13);
    EXPECT_EQ(c.PacketId(), 0x33);
    EXPECT_EQ(c.FieldByte(1), 1);
}

TEST(FrameErrorByte, ReadsTheErrorOfAReply)
{
    struct Case {
        const char *body;
        int error;
    } cases[] = {
        {"29^00^0000^7E01^^", 0x7E},
        {"29^00^0000^0000^", 0},
        {"29^00^0000^7E^", -1},    // field 3 of 2 characters
        {"29^00^0000^7E0102^", -1}, // of 6
        {"29^00^0000^7E01", -1},   // field 3 never ended
        {"29^00^0000^", -1},       // no field 3
        {"29^00^", -1},
    };
    for (const Case &tc : cases) {
        const Bytes r = Reply(0x20, tc.body);
        EXPECT_EQ(FrameErrorByte(r.data(), static_cast<uint32_t>(r.size())), tc.error) << tc.body;
    }
    EXPECT_EQ(FrameErrorByte(nullptr, 30), -1);
}

TEST(FreeFunctions, Checksum)
{
    std::vector<uint8_t> ff(300, 0xFF); // 300 * 255 = 76500 = 0x12AD4
    EXPECT_EQ(FrameSum16(ff.data(), 300), 0x2AD4);
    EXPECT_EQ(FrameSum16(ff.data(), 0), 0);
    const uint8_t some[] = {0x02, 0x80, 0x03};
    EXPECT_EQ(FrameSum16(some, 3), 0x85);
}

TEST(FreeFunctions, Hex)
{
    const uint8_t bytes[] = {0x00, 0x9A, 0xFF, 0x10};
    char out[9];
    memset(out, '#', sizeof out);
    BytesToHex(bytes, 4, out);
    EXPECT_EQ(std::string(out, 9), "009AFF10#"); // no terminator

    struct Case {
        const char *text;
        uint32_t n;
        const char *bytes; // as a hex dump
    } cases[] = {
        {"009AFF10", 8, "00 9A FF 10"},
        {"abcdef", 6, "AB CD EF"},
        {"ABC", 3, "AB C0"},          // odd: the last byte gets its high nibble
        {"G1Z-", 4, "01 00"},         // non-hex characters count as 0
        {"7", 1, "70"},
    };
    for (const Case &tc : cases) {
        uint8_t got[8];
        memset(got, 0xEE, sizeof got);
        HexToBytes(tc.text, tc.n, got);
        const uint32_t count = (tc.n + 1) / 2;
        EXPECT_EQ(Hex(got, count), tc.bytes) << tc.text;
        EXPECT_EQ(got[count], 0xEE) << "wrote past " << count << " bytes for " << tc.text;
    }

    EXPECT_EQ(HexByte("A5xx"), 0xA5);
    EXPECT_EQ(HexByte("0f"), 0x0F);
    EXPECT_EQ(HexDigit(0xA5, 0), 'A');
    EXPECT_EQ(HexDigit(0xA5, 1), '5');
    EXPECT_EQ(HexDigit(0x0C, 7), 'C');
    EXPECT_EQ(HexWordLE("3412"), 0x1234);
    EXPECT_EQ(HexWordLE("0008"), 0x0800);
    EXPECT_EQ(HexDwordLE("EFCDAB89"), 0x89ABCDEFu);
    EXPECT_EQ(HexDwordLE("01000000"), 1u);
}

TEST(FreeFunctions, DecimalText)
{
    struct Case {
        int32_t v;
        const char *text;
    } cases[] = {{0, "0"}, {-5, "-5"}, {1234567, "1234567"}, {INT32_MIN, "-2147483648"}, {INT32_MAX, "2147483647"}};
    for (const Case &tc : cases) {
        char out[16];
        memset(out, '#', sizeof out);
        EXPECT_EQ(DecimalText(tc.v, out), static_cast<int>(strlen(tc.text)));
        EXPECT_STREQ(out, tc.text);
        EXPECT_EQ(out[strlen(tc.text) + 1], '#');
    }
}

} // namespace
