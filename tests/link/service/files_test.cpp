// File requests on the folder that stands for the USB flash drive.

#include "ServiceFixture.h"

#include <functional>
#include <string.h>
#include <unistd.h>
#include <sys/stat.h>

using namespace servicetest;

namespace {

class FileRequestTest : public ServiceTest {
protected:
    void InsertDrive() { ASSERT_EQ(mkdir(sim_->UsbDir().c_str(), 0777), 0); }
    std::string SessionPath()
    {
        for (const Entry &e : Journal(11))
            if (!e.Get("file").empty())
                return e.Get("file");
        return std::string();
    }
};

TEST_F(FileRequestTest, WithoutADriveEveryRequestSaysSo)
{
    const char data[] = "0123456789";
    char buf[16];
    EXPECT_EQ(ServiceUnloadEnd(), -12);
    EXPECT_EQ(ServiceCopyLog(), -12);
    EXPECT_EQ(ServiceUnloadPut("n", data, 10), -12);
    EXPECT_EQ(ServiceUnloadGet("n", data, 10, 0), -12);
    EXPECT_EQ(ServiceUnloadStep("n", buf, 10, 0), -12);
}

TEST_F(FileRequestTest, UnloadSessionAppendsWritesAndReadsOneFile)
{
    InsertDrive();
    ASSERT_EQ(ServiceUnloadEnd(), 0);
    std::string path = SessionPath();
    ASSERT_FALSE(path.empty());

    std::vector<uint8_t> data(4090);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    uint32_t start = OsGetTickCount();
    ASSERT_EQ(ServiceUnloadPut("notices.bin", data.data(), 4090), 0);
    EXPECT_GE(OsGetTickCount() - start, 20u) << "a pause between the chunks";
    auto puts = Journal(8);
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_EQ(puts[0].Get("hex").size() / 2, 12u + 4084u);
    EXPECT_EQ(puts[1].Get("hex").size() / 2, 12u + 6u);
    EXPECT_EQ(puts[0].Get("hex").substr(16, 8), "FA0F0000") << "the header's total length, 4090";

    const uint8_t tail[3] = {1, 2, 3};
    ASSERT_EQ(ServiceUnloadPut("notices.bin", tail, 3), 0);
    const uint8_t patch[5] = {9, 9, 9, 9, 9};
    ASSERT_EQ(ServiceUnloadGet("notices.bin", patch, 5, 2), 0);
    auto gets = Journal(9);
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].Get("hex").substr(24, 8), "02000000") << "the header's offset";

    std::string expect(data.begin(), data.end());
    expect += std::string(tail, tail + 3);
    expect.replace(2, 5, std::string(5, '\x09'));
    EXPECT_EQ(ReadFile(path), expect);

    char buf[400];
    EXPECT_EQ(ServiceUnloadStep("notices.bin", buf, 379, 0), 379);
    EXPECT_EQ(std::string(buf, 379), expect.substr(0, 379)) << "the bytes land in the caller's buffer";
    memset(buf, 0, sizeof buf);
    EXPECT_EQ(ServiceUnloadStep("notices.bin", buf, 379, 4090), 3) << "what is left at the offset";
    EXPECT_EQ(std::string(buf, 4), std::string("\x01\x02\x03\x00", 4));
    auto steps = Journal(10);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].Get("hex").size() / 2, 4096u);
    EXPECT_EQ(steps[0].Get("name"), "notices.bin");
    // The first read gives the session's file the caller's name.
    const std::string named = sim_->UsbDir() + "/notices.bin";
    EXPECT_EQ(ReadFile(named), expect);
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "renamed, not copied";
    path = named;

    // A new check starts a new file.
    ASSERT_EQ(ServiceUnloadEnd(), 0);
    ASSERT_EQ(ServiceUnloadPut("notices.bin", tail, 3), 0);
    auto checks = Journal(11);
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_NE(checks[1].Get("file"), path);
    EXPECT_EQ(ReadFile(checks[1].Get("file")), std::string(tail, tail + 3));
}

TEST_F(FileRequestTest, CopyLogCopiesTheServiceLog)
{
    InsertDrive();
    EXPECT_EQ(ServiceCopyLog(), -11) << "no log yet";
    ASSERT_EQ(ServiceLogText("первая строка\n"), 0);
    sim_->Sync();
    std::string log = ReadFile(sim_->LogPath());
    EXPECT_EQ(ServiceCopyLog(), static_cast<int>(log.size()));
    EXPECT_EQ(ReadFile(sim_->UsbDir() + "/zizirize_copy.log"), log);
    auto copies = Journal(7);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].Get("hex"), "07000000000000");
}

struct BoundCase {
    const char *name;
    std::function<int()> call;
    int result;
    uint32_t bound;
};

class FileWaitBoundTest : public ServiceTest, public ::testing::WithParamInterface<BoundCase> {
};

TEST_P(FileWaitBoundTest, AnUnansweredRequestGivesUp)
{
    sim_->Stop(); // the queue stays, nobody answers
    uint32_t start = OsGetTickCount();
    EXPECT_EQ(GetParam().call(), GetParam().result);
    uint32_t elapsed = OsGetTickCount() - start;
    EXPECT_GE(elapsed, GetParam().bound);
    EXPECT_LE(elapsed, GetParam().bound + 40);
}

const uint8_t kData[5] = {1, 2, 3, 4, 5};
uint8_t g_buffer[8];

INSTANTIATE_TEST_SUITE_P(
    Requests, FileWaitBoundTest,
    ::testing::Values(BoundCase{"CopyLog", [] { return ServiceCopyLog(); }, -13, 120000},
                      BoundCase{"UnloadEnd", [] { return ServiceUnloadEnd(); }, -13, 10000},
                      BoundCase{"UnloadStep", [] { return ServiceUnloadStep("f", g_buffer, 8, 0); }, -12, 10000},
                      BoundCase{"UnloadPut", [] { return ServiceUnloadPut("f", kData, 5); }, -4, 10000},
                      BoundCase{"UnloadGet", [] { return ServiceUnloadGet("f", kData, 5, 1); }, -4, 10000}),
    [](const ::testing::TestParamInfo<BoundCase> &info) { return std::string(info.param.name); });

} // namespace
