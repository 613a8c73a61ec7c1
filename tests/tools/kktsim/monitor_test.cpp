// The stand-in's service monitor: its commands, and the YMODEM receiver's
// checks, answers and faults, on the monitor alone (no queue).
#include "KktDriveMonitor.h"
#include "KktText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using kktsim::Monitor;
using kktsim::MonitorConfig;

// A YMODEM block: SOH or STX, the number, its complement, the data padded
// with zeros, the CRC high byte first.
std::string block(char lead, unsigned number, const std::string &data)
{
    size_t size = lead == 0x01 ? 128 : 1024;
    std::string b{lead, static_cast<char>(number & 0xFF), static_cast<char>(0xFF - (number & 0xFF))};
    std::string body = data;
    body.resize(size, '\0');
    b += body;
    uint16_t crc = kktsim::Crc16Xmodem(reinterpret_cast<const uint8_t *>(body.data()), body.size());
    b.push_back(static_cast<char>(crc >> 8));
    b.push_back(static_cast<char>(crc & 0xFF));
    return b;
}

std::string header(const std::string &name, const std::string &size)
{
    return block(0x01, 0, name + std::string(1, '\0') + size);
}

std::string joined(const Monitor::Result &r)
{
    std::string all;
    for (const std::string &s : r.replies)
        all += s + "|";
    return all;
}

const std::string ACK(1, 0x06), NAK(1, 0x15);

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/kktsim_monitor_XXXXXX";
        folder_ = mkdtemp(tmpl);
        monitor_.SetFolder(folder_ + "/firmware");
    }
    void TearDown() override { (void)system(("rm -rf " + folder_).c_str()); }
    std::string in(const std::string &bytes) { return joined(monitor_.Input(bytes, config_)); }
    // Through "Q" and the space to the receiver's two "C".
    void startUpdate()
    {
        monitor_.Enter();
        ASSERT_EQ(in("Q"), "Q|");
        ASSERT_EQ(in(" "), "C|C|");
    }
    std::string folder_;
    Monitor monitor_;
    MonitorConfig config_;
};

TEST_F(MonitorTest, EchoesUntilEnteredThenAnswersCommands)
{
    EXPECT_EQ(in("ab\r\n"), "ab\r\n>|");
    monitor_.Enter();
    EXPECT_EQ(in(""), ">|");
    EXPECT_EQ(in("\x13"), ">|");
    EXPECT_NE(in("?").find(kktsim::Utf8ToCp866(u8"СЕРВИСНЫЙ МОНИТОР KKTSIM")), std::string::npos);
    EXPECT_NE(in("HC").find(kktsim::Utf8ToCp866(u8"КОНФИГУРАЦИЯ")), std::string::npos);
    EXPECT_NE(in("7").find(kktsim::Utf8ToCp866(u8"НЕИЗВЕСТНАЯ КОМАНДА")), std::string::npos);
    EXPECT_NE(in("q").find(kktsim::Utf8ToCp866(u8"ВЫХОД ИЗ МОНИТОРА")), std::string::npos);
    EXPECT_FALSE(monitor_.Active());
    EXPECT_EQ(in("x"), "x|");
}

TEST_F(MonitorTest, ReceivesAnImageEndingInsideABlock)
{
    for (bool split : {false, true}) {
        SCOPED_TRACE(split);
        config_.ackSplit = split;
        startUpdate();
        std::string image(1025, 'i');
        image[1024] = 'z';
        EXPECT_EQ(in(header("fw.bin", "1025")), split ? ACK + "|C|" : ACK + "C|");
        // A block may come in pieces.
        std::string first = block(0x02, 1, image.substr(0, 1024));
        EXPECT_EQ(in(first.substr(0, 500)), "");
        EXPECT_EQ(in(first.substr(500)), ACK + "|");
        EXPECT_EQ(in(block(0x02, 2, image.substr(1024))), ACK + "|");
        EXPECT_EQ(in("\x04"), split ? ACK + "|C|" : ACK + "C|");
        std::string closing = in(block(0x01, 0, ""));
        EXPECT_EQ(closing.substr(0, 2), ACK + "|");
        std::ifstream f(folder_ + "/firmware/fw.bin", std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        EXPECT_EQ(s.str(), image);
        EXPECT_TRUE(monitor_.End());
        EXPECT_FALSE(monitor_.End());
    }
}

TEST_F(MonitorTest, RefusesBadBlocks)
{
    startUpdate();
    std::string bad = header("fw.bin", "2000");
    bad[10] ^= 1; // CRC no longer matches
    EXPECT_EQ(in(bad), NAK + "|");
    EXPECT_EQ(in(header("../x", "10")), NAK + "|");
    EXPECT_EQ(in(header("fw.bin", "")), NAK + "|");
    EXPECT_EQ(in(header("fw.bin", "2000")), ACK + "C|");
    EXPECT_EQ(in(block(0x02, 2, "x")), NAK + "|") << "block 1 was due";
    std::string wrongComplement = block(0x02, 1, "x");
    wrongComplement[2] = 0;
    EXPECT_EQ(in(wrongComplement), NAK + "|");
    EXPECT_EQ(in(block(0x02, 1, "x")), ACK + "|");
    EXPECT_EQ(in(block(0x02, 2, "x")), ACK + "|");
    EXPECT_EQ(in(block(0x02, 3, "x")), NAK + "|") << "more than the size";
}

TEST_F(MonitorTest, ScriptedFaults)
{
    std::string why;
    ASSERT_TRUE(kktsim::ParseMonitorStatement(" nak 2", config_, why)) << why;
    ASSERT_TRUE(kktsim::ParseMonitorStatement("silent eot", config_, why)) << why;
    startUpdate();
    EXPECT_EQ(in(header("fw.bin", "3000")), ACK + "C|");
    EXPECT_EQ(in(block(0x02, 1, "a")), ACK + "|");
    EXPECT_EQ(in(block(0x02, 2, "b")), NAK + "|");
    config_.nak.clear();
    EXPECT_EQ(in(block(0x02, 2, "b")), ACK + "|");
    EXPECT_EQ(in(block(0x02, 3, "c")), ACK + "|");
    EXPECT_EQ(in("\x04"), "");

    MonitorConfig c;
    ASSERT_TRUE(kktsim::ParseMonitorStatement("silent prompt", c, why));
    monitor_.Enter();
    EXPECT_EQ(joined(monitor_.Input("\x13", c)), "");
    for (const char *bad : {"nak", "nak 0", "silent block", "ack-split maybe", "nak 1 2", "tea 1"})
        EXPECT_FALSE(kktsim::ParseMonitorStatement(bad, c, why)) << bad;
}

} // namespace
