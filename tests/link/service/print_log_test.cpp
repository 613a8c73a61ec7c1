// Print jobs and log lines: limits, chunking, statuses, what reaches the
// paper and the log.

#include "ServiceFixture.h"

#include <functional>

using namespace servicetest;

namespace {

std::vector<uint8_t> Pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>('A' + i % 26);
    return v;
}

TEST_F(ServiceTest, RawPrintGoesInChunksWithAStatusAfterEach)
{
    std::vector<uint8_t> data = Pattern(9000);
    size_t seen = 0;
    for (uint32_t timeout : {1000u, 0u}) {
        SCOPED_TRACE(timeout);
        uint32_t start = OsGetTickCount();
        ASSERT_EQ(ServicePrintRaw(data.data(), 9000, timeout), 0);
        if (timeout == 0) {
            EXPECT_EQ(OsGetTickCount(), start) << "no wait without a time-out";
        }
        sim_->Sync();
        auto jobs = Journal(5);
        ASSERT_EQ(jobs.size(), seen + 3);
        EXPECT_EQ(jobs[seen].DataBytes(), 4095u);
        EXPECT_EQ(jobs[seen + 1].DataBytes(), 4095u);
        EXPECT_EQ(jobs[seen + 2].DataBytes(), 810u);
        EXPECT_EQ(jobs[seen].Num("kind"), 0);
        seen = jobs.size();
    }
    std::string paper = ReadFile(sim_->PaperPath());
    EXPECT_EQ(paper, std::string(data.begin(), data.end()) + std::string(data.begin(), data.end()));
}

TEST_F(ServiceTest, PrintStopsAtThePrinterFault)
{
    std::vector<uint8_t> data = Pattern(9000);
    sim_->SetPaperOut(true);
    EXPECT_EQ(ServicePrintRaw(data.data(), 9000, 1000), -6);
    EXPECT_EQ(Journal(5).size(), 1u) << "the rest stays unsent";
    EXPECT_EQ(ServiceLastStatus()->printerState, 2);
    EXPECT_EQ(ServicePrintText("чек", 0, 1000), -6);
    EXPECT_TRUE(ReadFile(sim_->PaperPath()).empty());

    sim_->SetPaperOut(false);
    EXPECT_EQ(ServicePrintText("чек", 0, 1000), 0);
    EXPECT_EQ(ServiceLastStatus()->printerState, 0);
    EXPECT_EQ(ReadFile(sim_->PaperPath()), u8"чек\n");

    // Settings and request 5 report a refused job as "not supported".
    sim_->Update([](kktsim::Scenario &s) { s.printError = 9; });
    const uint8_t settings[5] = {3, 0, 6, 1, 0};
    EXPECT_EQ(ServicePrinterSettings(settings, 1000), -7);
    EXPECT_EQ(ServicePrintRequest5(1, 1000), -7);
    EXPECT_EQ(ServicePrintRequest2("x", 1000), -6);
    EXPECT_EQ(ServicePrinterSettings(nullptr, 1000), -1);
    std::string sent;
    for (const Entry &e : Journal(5))
        sent += e.Get("settings");
    EXPECT_EQ(sent, "0300060100") << "the five setting bytes, sent once";
}

struct LimitCase {
    const char *name;
    std::function<int(const char *)> job;
    size_t limit;
    size_t headBytes; // bytes before the text
};

class TextLimitTest : public ServiceTest, public ::testing::WithParamInterface<LimitCase> {
};

TEST_P(TextLimitTest, LongestTextFillsOneMessage)
{
    const LimitCase &c = GetParam();
    std::string text(c.limit, 'x');
    ASSERT_EQ(c.job(text.c_str()), 0);
    auto jobs = Journal(5);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].Get("hex").size() / 2, 4095u) << "sub-kind, head, text and NUL make 4095 bytes";
    EXPECT_EQ(jobs[0].DataBytes(), c.headBytes + c.limit + 1);

    text.push_back('x');
    EXPECT_EQ(c.job(text.c_str()), -1);
    EXPECT_EQ(c.job(nullptr), -1);
    sim_->Sync();
    EXPECT_EQ(Journal(5).size(), 1u) << "a refused job sends nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, TextLimitTest,
    ::testing::Values(LimitCase{"Text", [](const char *t) { return ServicePrintText(t, 1, 1000); }, 4092, 1},
                      LimitCase{"Request2", [](const char *t) { return ServicePrintRequest2(t, 1000); }, 4093, 0},
                      LimitCase{"Request4",
                                [](const char *t) { return ServicePrintRequest4(t, 0x1234, 7, 1000); }, 4090, 3}),
    [](const ::testing::TestParamInfo<LimitCase> &info) { return std::string(info.param.name); });

TEST_F(ServiceTest, PrintJobsCarryTheirHeadBytes)
{
    ASSERT_EQ(ServicePrintRequest4("Итог", 0x1234, 7, 1000), 0);
    ASSERT_EQ(ServicePrintText("Строка", 0x21, 0), 0);
    sim_->Sync();
    auto jobs = Journal(5);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].Num("byte"), 7);
    EXPECT_EQ(jobs[0].Num("value"), 0x1234);
    EXPECT_EQ(jobs[0].Get("hex").substr(0, 8), "04073412");
    EXPECT_EQ(jobs[1].Num("option"), 0x21);
    EXPECT_EQ(ReadFile(sim_->PaperPath()), u8"Итог\nСтрока\n");
}

TEST_F(ServiceTest, LogLinesGoInChunksTwentyMillisecondsApart)
{
    std::vector<uint8_t> data = Pattern(4096);
    uint32_t start = OsGetTickCount();
    ASSERT_EQ(ServiceLog(data.data(), 4096, 30), 0);
    EXPECT_EQ(OsGetTickCount() - start, 20u) << "one pause between the two chunks";
    start = OsGetTickCount();
    ASSERT_EQ(ServiceLog(data.data(), 4095, 30), 0);
    EXPECT_EQ(OsGetTickCount() - start, 0u) << "no pause after the last chunk";
    ASSERT_EQ(ServiceLogText("строка журнала\n"), 0);
    EXPECT_EQ(ServiceLogText(nullptr), -1);
    EXPECT_EQ(ServiceLog(data.data(), 0, 30), -1);
    sim_->Sync();

    auto lines = Journal(6);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].DataBytes(), 4095u);
    EXPECT_EQ(lines[1].DataBytes(), 1u);
    EXPECT_EQ(lines[2].DataBytes(), 4095u);
    EXPECT_EQ(lines[0].Num("kind"), 30);
    EXPECT_EQ(lines[3].Num("kind"), 11);
    EXPECT_EQ(lines[3].Get("text"), u8"строка журнала\n");
    std::string log = ReadFile(sim_->LogPath());
    std::string expect(data.begin(), data.end());
    expect += std::string(data.begin(), data.begin() + 4095) + "строка журнала\n";
    EXPECT_EQ(log, expect) << "the log file holds the bytes as sent";
}

} // namespace
