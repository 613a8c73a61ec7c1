// The firmware update's pieces without network or controller: the YMODEM
// blocks, the version check, the image's URL, the list's model choice.
#include "fw_update.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint16_t crcOf(const uint8_t *block, size_t dataLen)
{
    return static_cast<uint16_t>(block[3 + dataLen] << 8 | block[4 + dataLen]);
}

TEST(Ymodem, CrcIsXmodemHighByteFirst)
{
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc16_xmodem(check, sizeof check), 0x31C3);
    uint8_t block[YMODEM_DATA_BLOCK];
    ASSERT_EQ(ymodem_data_block(1, check, sizeof check, block), YMODEM_DATA_BLOCK);
    EXPECT_EQ(crcOf(block, 1024), crc16_xmodem(block + 3, 1024));
}

// An image of 1025 bytes: two data blocks, the second one byte and zeros.
TEST(Ymodem, ImageEndingInsideABlock)
{
    std::vector<uint8_t> image(1025);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 1);
    uint8_t header[YMODEM_HEADER_BLOCK];
    ASSERT_EQ(ymodem_header_block("fw.bin", 1025, header), YMODEM_HEADER_BLOCK);
    EXPECT_EQ(header[0], 0x01);
    EXPECT_EQ(header[1], 0x00);
    EXPECT_EQ(header[2], 0xFF);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(header + 3), 12), std::string("fw.bin\0" "1025\0", 12));
    for (int i = 3 + 12; i < 3 + 128; ++i)
        EXPECT_EQ(header[i], 0) << i;
    EXPECT_EQ(crcOf(header, 128), crc16_xmodem(header + 3, 128));

    uint8_t first[YMODEM_DATA_BLOCK], second[YMODEM_DATA_BLOCK];
    ymodem_data_block(1, image.data(), 1024, first);
    ymodem_data_block(2, image.data() + 1024, 1, second);
    EXPECT_EQ(first[0], 0x02);
    EXPECT_EQ(first[1], 1);
    EXPECT_EQ(first[2], 0xFE);
    EXPECT_EQ(std::vector<uint8_t>(first + 3, first + 1027), std::vector<uint8_t>(image.begin(), image.begin() + 1024));
    EXPECT_EQ(second[1], 2);
    EXPECT_EQ(second[2], 0xFD);
    EXPECT_EQ(second[3], image[1024]);
    for (int i = 4; i < 1027; ++i)
        ASSERT_EQ(second[i], 0) << i;
    EXPECT_EQ(crcOf(second, 1024), crc16_xmodem(second + 3, 1024));

    uint8_t block[YMODEM_DATA_BLOCK];
    ymodem_data_block(256, image.data(), 10, block);
    EXPECT_EQ(block[1], 0);
    EXPECT_EQ(block[2], 0xFF);

    uint8_t closing[YMODEM_HEADER_BLOCK];
    ASSERT_EQ(ymodem_closing_block(closing), YMODEM_HEADER_BLOCK);
    for (int i = 3; i < 131; ++i)
        ASSERT_EQ(closing[i], 0);
}

// The name and the size must fit the header's 128 bytes.
TEST(Ymodem, HeaderRefusesWhatDoesNotFit)
{
    uint8_t header[YMODEM_HEADER_BLOCK];
    EXPECT_EQ(ymodem_header_block(std::string(120, 'n').c_str(), 4194304, header), YMODEM_HEADER_BLOCK); // 120+1+7
    EXPECT_EQ(ymodem_header_block(std::string(121, 'n').c_str(), 4194304, header), -1);
    EXPECT_EQ(ymodem_header_block(std::string(127, 'n').c_str(), 1, header), -1);
    EXPECT_EQ(ymodem_header_block("", 1, header), -1);
}

TEST(FwVersion, StrictlyNewerAsAPair)
{
    struct Case {
        const char *current, *offered;
        int newer;
    } cases[] = {
        {"X001002", "X001002", 0}, // equal
        {"X001002", "X001003", 1}, // newer minor
        {"X001002", "X002000", 1}, // newer major, lower minor
        {"X002000", "X001005", 0}, // older major with a higher minor is older
        {"X001005", "X001004", 0},
        {"", "X001000", 1},        // unknown current
        {"X001002", "X01002", -1}, // six characters
        {"X001002", "X0A1002", -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fw_version_newer(c.current, c.offered), c.newer) << c.current << " " << c.offered;
}

TEST(FwImageUrl, ListFolderAndFileWithinTheLimit)
{
    char out[1100];
    ASSERT_EQ(fw_image_url("https://127.0.0.1:8443/fw/list.xml", "a.bin", out, sizeof out), 0);
    EXPECT_STREQ(out, "https://127.0.0.1:8443/fw/a.bin");
    std::string base = "http://h/";
    ASSERT_EQ(fw_image_url(base.c_str(), std::string(1023 - base.size(), 'f').c_str(), out, sizeof out), 0);
    EXPECT_EQ(fw_image_url(base.c_str(), std::string(1024 - base.size(), 'f').c_str(), out, sizeof out), -1);
    char small[16];
    EXPECT_EQ(fw_image_url(base.c_str(), "abcdefghij.bin", small, sizeof small), -1);
}

// Only HTTPS addresses with a host are taken.
TEST(FwUrl, OnlyHttpsWithAHost)
{
    const struct {
        const char *url;
        int secure;
    } cases[] = {
        {"https://127.0.0.1:8443/fw/list.xml", 1},
        {"HTTPS://update.example/list.xml", 1},
        {"http://update.example/list.xml", 0},
        {"ftp://update.example/list.xml", 0},
        {"https:///list.xml", 0},
        {"https://", 0},
        {" https://update.example/list.xml", 0},
        {"update.example/list.xml", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fw_url_is_secure(c.url), c.secure) << (c.url ? c.url : "(null)");
}

TEST(FwList, ChoosesTheTypeAndDropsOtherModels)
{
    const char *text = "<?xml version=\"1.0\"?><firmware>"
                       "<item model=\"A\" type=\"t1\" ver=\"X001000\" file=\"a1\" size=\"1\"/>"
                       "<item model=\"B\" type=\"t2\" ver=\"X001000\" file=\"b2\" size=\"1\"/>"
                       "<item model=\"A\" type=\"t2\" ver=\"X001000\" file=\"a2\" size=\"1\"/></firmware>";
    mxml_node_t *list = fw_parse_list(text, strlen(text));
    ASSERT_NE(list, nullptr);
    mxml_node_t *item = fw_choose_model(nullptr, list, "A", "t2");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(mxmlElementGetAttr(item, "file"), "a2");
    EXPECT_EQ(mxmlFindElement(list, list, "item", "model", "B", MXML_DESCEND), nullptr);
    mxmlDelete(list);
    EXPECT_EQ(fw_parse_list("", 0), nullptr);
    EXPECT_EQ(fw_parse_list(std::string(4096, ' ').c_str(), 4096), nullptr);
}

} // namespace
