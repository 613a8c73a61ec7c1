#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "vuUtils.h"

namespace {

TEST(Utils, LittleEndianStores) {
    unsigned char out[6];
    memset(out, 0xAA, sizeof out);
    word_to_intel(0x1234, out);
    EXPECT_EQ(out[0], 0x34);
    EXPECT_EQ(out[1], 0x12);
    EXPECT_EQ(out[2], 0xAA);
    dword_to_intel(0xCAFEBABE, out + 1);
    EXPECT_EQ(out[0], 0x34);
    EXPECT_EQ(out[1], 0xBE);
    EXPECT_EQ(out[2], 0xBA);
    EXPECT_EQ(out[3], 0xFE);
    EXPECT_EQ(out[4], 0xCA);
    EXPECT_EQ(out[5], 0xAA);
}

TEST(Utils, StrLwrLowersOnlyLatinLetters) {
    // "ABC" and the CP1251 capitals А, Б, Я plus the neighbours of A-Z.
    char text[] = "ABC\xC0\xC1\xDF@[z1";
    EXPECT_EQ(str_lwr(text), text);
    EXPECT_STREQ(text, "abc\xC0\xC1\xDF@[z1");
    EXPECT_EQ(str_lwr(nullptr), nullptr);
}

TEST(Utils, FileSize) {
    char path[] = "/tmp/vu_objects_sizeXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_SYS_FILE_SIZE_NAME(path), 0);
    ASSERT_EQ(write(fd, "12345", 5), 5);
    close(fd);
    EXPECT_EQ(_SYS_FILE_SIZE_NAME(path), 5);
    unlink(path);
    EXPECT_EQ(_SYS_FILE_SIZE_NAME(path), -1);
    EXPECT_EQ(_SYS_FILE_SIZE_NAME(nullptr), -1);
}

struct AddrCase {
    const char* text;
    int result;
    unsigned char out[4];  // what the parser leaves, also on failure
};

TEST(Utils, InetAton) {
    const AddrCase cases[] = {
        {"192.168.1.10", 1, {192, 168, 1, 10}},
        {"255.255.255.255", 1, {255, 255, 255, 255}},
        {"0.0.0.0", 1, {0, 0, 0, 0}},
        {" 1.2.3.4", 1, {1, 2, 3, 4}},
        {"1. 2.  3.4", 1, {1, 2, 3, 4}},
        {"010.001.0000000000000000000009.00000000000000255", 1, {10, 1, 9, 255}},
        {"256.1.1.1", 0, {56, 1, 1, 1}},
        {"1.2.3.260", 0, {0, 0, 0, 60}},
        {"1000.1.1.1", 0, {0, 1, 1, 1}},
        // a 16-bit digit weight would wrap to 0 here and accept the number
        {"10000000000000000.1.1.1", 0, {0, 1, 1, 1}},
        {"65537.1.1.1", 0, {37, 1, 1, 1}},
        {"1.2.3", 0, {0, 1, 2, 3}},
        {"1.2.3.4.5", 0, {2, 3, 4, 5}},
        {"1.2.3.4 ", 0, {0, 0, 0, 0}},
        {".1.2.3", 0, {0, 1, 2, 3}},
        {"a1.2.3.4", 0, {1, 2, 3, 4}},
        {"1.2..4", 0, {0, 0, 0, 4}},
        {"1.2.3.", 0, {0, 0, 0, 0}},
        {"1 .2.3.4", 0, {0, 2, 3, 4}},
        {"1.2.3.-4", 0, {0, 0, 0, 4}},
        {"", 0, {0, 0, 0, 0}},
        {" ", 0, {0, 0, 0, 0}},
    };
    for (const AddrCase& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        unsigned char out[4] = {7, 7, 7, 7};
        EXPECT_EQ(vu::inet_aton(c.text, out), c.result);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(out[i], c.out[i]) << "byte " << i;
    }
}

TEST(Utils, InetAtonNullArgumentsTouchNothing) {
    unsigned char out[4] = {7, 7, 7, 7};
    EXPECT_EQ(vu::inet_aton(nullptr, out), 0);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(vu::inet_aton("1.2.3.4", nullptr), 0);
}

// The library's parser must not take the place of the C library's in a
// process that loads it.
TEST(Utils, CLibraryInetAtonStillItsOwn) {
    struct in_addr addr;
    ASSERT_NE(inet_aton("10.0.0.1", &addr), 0);
    EXPECT_EQ(ntohl(addr.s_addr), 0x0A000001u);
    ASSERT_NE(inet_aton("0x7f.1", &addr), 0);  // a form only the C library knows
    EXPECT_EQ(ntohl(addr.s_addr), 0x7F000001u);
}

}  // namespace
