// Containers built from controller replies, byte by byte per kind.
#include <gtest/gtest.h>

#include "LinkTestUtil.h"
#include "TMCommand.h"
#include "exchange_container.h"
#include "kfn_state.h"

#include <string.h>

namespace {

using linktest::Bytes;
using linktest::Hex;

// A reply of the code with data field 5 (fields 1-4: registered, no error).
void reply(TMCommand &cmd, const char *code, const std::string &field5)
{
    Bytes f = linktest::Reply(0x21, std::string(code) + "^08^0000^0000^^" + field5 + "^");
    ASSERT_GT(cmd.Accept(f.data(), f.size()), 0);
}

class Container : public ::testing::Test {
protected:
    void SetUp() override
    {
        strcpy(kfn_state.fn_number, "9999078900012345");
        kfn_state.ffd_version = 2;
    }
};

struct KindCase {
    const char *code;
    std::string field5;
    const char *prefix;
    uint16_t length;
    const char *body; // hex; "" a zeroed body of the length
};

TEST_F(Container, EachKindHasItsPrefixNumberLengthAndBody)
{
    const KindCase cases[] = {
        {"24", "0A0B0C", "DD 80 CA A1 82 A2 00 01", 3, "0A 0B 0C"},
        {"9E", "FF00", "DD 80 CA A1 82 A1 00 01", 2, "FF 00"},
        {"28", "0300", "DD 80 CA A1 82 A2 00 01", 3, ""},
        {"5A", "0401", "2A 08 41 0A 81 A2 01 05", 0x104, ""},
    };
    for (const KindCase &c : cases) {
        SCOPED_TRACE(c.code);
        TMCommand cmd;
        reply(cmd, c.code, c.field5);
        exchange_container *box = container_from_reply(&cmd);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(Hex(box->header, 8), c.prefix);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(box->header + 8), 16), "9999078900012345");
        EXPECT_EQ(container_header_length(box->header), c.length);
        EXPECT_EQ(Hex(box->header + 24, 6),
                  Hex(Bytes{static_cast<uint8_t>(c.length & 0xFF), static_cast<uint8_t>(c.length >> 8), 0x14, 0, 0, 0}));
        if (*c.body)
            EXPECT_EQ(Hex(box->body, c.length), c.body);
        else
            EXPECT_EQ(Hex(box->body, c.length), Hex(Bytes(c.length, 0)));
        container_free(box);
    }
}

TEST_F(Container, OfdPrefixFollowsTheRegisteredFfd)
{
    const struct {
        int ffd;
        uint8_t byte7;
    } cases[] = {{2, 0x05}, {3, 0x10}, {4, 0x20}, {0, 0x20}};
    for (auto c : cases) {
        kfn_state.ffd_version = c.ffd;
        TMCommand cmd;
        reply(cmd, "5A", "1000");
        exchange_container *box = container_from_reply(&cmd);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->header[7], c.byte7) << c.ffd;
        container_free(box);
    }
}

TEST_F(Container, AShortDriveNumberIsPaddedWithSpaces)
{
    strcpy(kfn_state.fn_number, "12345");
    TMCommand cmd;
    reply(cmd, "24", "01");
    exchange_container *box = container_from_reply(&cmd);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(box->header + 8), 16), "12345           ");
    container_free(box);
}

TEST_F(Container, NoContainerForOtherCodesEmptyBodiesOrHalfBytes)
{
    const struct {
        const char *code;
        const char *field5;
    } cases[] = {
        {"9E", ""},      // nothing to send
        {"24", ""},
        {"28", "0000"},  // length 0
        {"5A", "0000"},
        {"24", "ABC"},   // an odd count of digits: half a byte cannot be sent
        {"9E", "0"},
        {"29", "0102"},  // no container kind
        {"39", "0100"},
    };
    for (auto c : cases) {
        TMCommand cmd;
        reply(cmd, c.code, c.field5);
        EXPECT_EQ(container_from_reply(&cmd), nullptr) << c.code << " " << c.field5;
    }
    EXPECT_EQ(container_from_reply(nullptr), nullptr);
    container_free(nullptr);
}

} // namespace
