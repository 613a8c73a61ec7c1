// scanfeed: its encodings round-tripped through the program's HID decoder
// (the two sides' key tables are written apart), the code text's escapes,
// the script's bad lines, and the program against its FIFOs.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "JsonLines.h"
#include "ScanFeed.h"
#include "scanner_hid.h"

namespace {

// What the decoder makes of the reports of a code, as the reader hands it
// over (trailing control bytes trimmed); ended reports the number of
// times the decoder said a kind-1 code ended, at_last whether the last
// report was the one.
std::string decode(const std::vector<scanfeed::Report> &reports, int kind, int *ended = nullptr, bool *at_last = nullptr)
{
    static HidDecoder d;
    hid_decoder_begin(&d);
    int ends = 0;
    for (size_t i = 0; i < reports.size(); ++i) {
        if (hid_decoder_feed(&d, reports[i].data(), kind)) {
            ++ends;
            if (at_last)
                *at_last = i + 1 == reports.size();
        }
    }
    hid_decoder_end_alt(&d);
    hid_decoder_trim(&d);
    if (ended)
        *ended = ends;
    return std::string(d.code, size_t(d.length));
}

std::string line(const std::u32string &code)
{
    std::string out, error;
    EXPECT_TRUE(scanfeed::EncodeLine(code, out, &error)) << error;
    if (!out.empty())
        out.pop_back();
    return out;
}

std::u32string range(char32_t from, char32_t to)
{
    std::u32string s;
    for (char32_t c = from; c <= to; ++c)
        s += c;
    return s;
}

TEST(ScanFeedEncoding, EveryCharacterRoundTripsThroughTheDecoder)
{
    const std::u32string cases[] = {
        range(0x20, 0x7E),                                     // every printable ASCII character
        U"0104600439931256215>eJ7F\u001D93dGVz",               // a marking code with GS
        U"010290000021360921&8h6jJ%\u001D91FFD0\u001D92test",  // two GS
        range(0x0410, 0x044F) + U"\u0401\u0451\u2116",        // Cyrillic, Ё, ё, №
        U"tab\there",
        U"\u001D\u001Dx", // GS first (a GS last is trimmed with the Enter)
    };
    for (const std::u32string &code : cases) {
        std::vector<scanfeed::Report> reports;
        std::string error;
        ASSERT_TRUE(scanfeed::EncodeHid(code, scanfeed::HidShape{}, reports, &error)) << error;
        std::string want = line(code);
        for (int kind : {11, 7, 1})
            EXPECT_EQ(decode(reports, kind), want) << "kind " << kind << ", " << want.size() << " bytes";
    }
}

TEST(ScanFeedEncoding, TheShapeOfACodesEnd)
{
    std::vector<scanfeed::Report> reports;
    std::string error;
    scanfeed::HidShape shape;
    ASSERT_TRUE(scanfeed::EncodeHid(U"AB\u001D", shape, reports, &error));
    // A: Shift + 4, release; B likewise; GS: Alt, 2 and 9 on the keypad
    // with Alt held, release; Enter, release.
    const scanfeed::Report want[] = {
        {{2, 0, 4, 0, 0, 0, 0, 0}}, {{0}}, {{2, 0, 5, 0, 0, 0, 0, 0}}, {{0}},
        {{4, 0, 0, 0, 0, 0, 0, 0}}, {{4, 0, 90, 0, 0, 0, 0, 0}}, {{4, 0, 0, 0, 0, 0, 0, 0}},
        {{4, 0, 97, 0, 0, 0, 0, 0}}, {{4, 0, 0, 0, 0, 0, 0, 0}}, {{0}},
        {{0, 0, 40, 0, 0, 0, 0, 0}}, {{0}},
    };
    ASSERT_EQ(reports.size(), sizeof want / sizeof want[0]);
    for (size_t i = 0; i < reports.size(); ++i)
        EXPECT_EQ(reports[i], want[i]) << "report " << i;

    // A kind-1 scanner's code ends at its second zero report in a row: only
    // with two zeros at the end, and there.
    int ended = 0;
    bool atLast = false;
    decode(reports, 1, &ended);
    EXPECT_EQ(ended, 0);
    shape.zeros = 2;
    ASSERT_TRUE(scanfeed::EncodeHid(U"\u0416x\u001D1", shape, reports, &error));
    decode(reports, 1, &ended, &atLast);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(atLast);

    shape = scanfeed::HidShape{};
    shape.enter = false;
    ASSERT_TRUE(scanfeed::EncodeHid(U"7", shape, reports, &error));
    EXPECT_EQ(reports.size(), 2u) << "no Enter";
}

TEST(ScanFeedEncoding, WhatAScannerCannotSendIsRefused)
{
    struct Case {
        std::u32string code;
        bool hid, line;
    } cases[] = {
        {U"\u20AC", false, true},  // the euro sign: CP1251 has it, no key gives it
        {U"\u4E2D", false, false}, // in neither
        {U"a\rb", false, false},   // a carriage return inside a code
        {U"a\nb", true, false},    // Enter inside a code; a line cannot hold it
        {U"\u001B", false, true},  // Escape
        {U"", true, false},        // an empty code: Enter alone, no line
    };
    for (const Case &c : cases) {
        std::vector<scanfeed::Report> reports;
        std::string out, error;
        EXPECT_EQ(scanfeed::EncodeHid(c.code, scanfeed::HidShape{}, reports, &error), c.hid) << error;
        EXPECT_EQ(scanfeed::EncodeLine(c.code, out, &error), c.line) << error;
        if (!c.hid || !c.line) {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(ScanFeedEncoding, CodeTextEscapes)
{
    struct Case {
        const char *text;
        bool ok;
        std::u32string want;
    } cases[] = {
        {"01\\u001d21", true, U"01\u001D21"},
        {"\\u041F\\u0440", true, U"\u041F\u0440"},
        {u8"Пр№", true, U"\u041F\u0440\u2116"},
        {"a\\\\b", true, U"a\\b"},
        {"\\u12", false, U""},    // short
        {"\\u12G4", false, U""},  // not hex
        {"\\n", false, U""},      // no such escape
        {"end\\", false, U""},
        {"\xD0", false, U""},     // cut UTF-8
        {"\xC0\x80", false, U""}, // overlong UTF-8
    };
    for (const Case &c : cases) {
        std::u32string out;
        std::string error;
        EXPECT_EQ(scanfeed::ParseCodeText(c.text, out, &error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(out, c.want) << c.text;
        }
    }
}

TEST(ScanFeedScript, BadLinesAreNamed)
{
    struct Case {
        const char *script;
        scanfeed::Mode mode;
        const char *error; // empty: good
    } cases[] = {
        {"# a comment\n\ncode 0104600439931256\nwait 300\npace 2\nenter off\nzeros 2\ncut 5\ncode x\n"
         "report 02 00 04 00 00 00 00 00\n",
         scanfeed::Mode::Hid, ""},
        {"code ok\nraw PART\n", scanfeed::Mode::Builtin, ""},
        {"code ok\nscan x\n", scanfeed::Mode::Hid, "line 2: unknown step \"scan\""},
        {"code \\u20ac\n", scanfeed::Mode::Hid, "line 1: a HID scanner cannot send U+20AC"},
        {"code \\u4e2d\n", scanfeed::Mode::Builtin, "line 1: CP1251 has no U+4E2D"},
        {"report 00 00 04\n", scanfeed::Mode::Hid, "line 1: report takes eight hex bytes"},
        {"report 00 00 4 00 00 00 00 00\n", scanfeed::Mode::Hid, "line 1: \"4\" is not a hex byte"},
        {"report 00 00 04 00 00 00 00 00\n", scanfeed::Mode::Builtin, "line 1: report is for a HID scanner"},
        {"raw x\n", scanfeed::Mode::Hid, "line 1: raw is for the built-in scanner; use report"},
        {"zeros 17\n", scanfeed::Mode::Hid, "line 1: zeros takes a number up to 16"},
        {"wait -1\n", scanfeed::Mode::Hid, "line 1: wait takes a number up to 600000"},
        {"enter maybe\n", scanfeed::Mode::Hid, "line 1: enter takes on or off"},
        {"code\n", scanfeed::Mode::Builtin, "line 1: an empty code"},
    };
    for (const Case &c : cases) {
        std::vector<scanfeed::Step> steps;
        std::string error;
        bool ok = scanfeed::ParseScript(c.script, c.mode, steps, &error);
        EXPECT_EQ(ok, *c.error == 0) << c.script << " -> " << error;
        if (*c.error) {
            EXPECT_EQ(error, c.error);
        }
    }
}

// ---- the program ----

class ScanFeedProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/scanfeed_test_XXXXXX";
        dir_ = mkdtemp(tmpl);
        fifo_ = dir_ + "/fifo";
        ASSERT_EQ(mkfifo(fifo_.c_str(), 0666), 0);
    }
    void TearDown() override
    {
        if (reader_ >= 0)
            close(reader_);
        std::string cmd = "rm -rf " + dir_;
        (void)system(cmd.c_str());
    }
    // Runs scanfeed with the arguments: its exit status and its output.
    int run(const std::string &args, std::string *output)
    {
        std::string cmd = std::string(SCANFEED_BIN) + " " + args + " 2>&1";
        FILE *p = popen(cmd.c_str(), "r");
        if (!p)
            return -1;
        char buf[512];
        output->clear();
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            output->append(buf, n);
        int status = pclose(p);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string drain()
    {
        std::string bytes;
        char buf[4096];
        ssize_t n;
        while ((n = read(reader_, buf, sizeof buf)) > 0)
            bytes.append(buf, size_t(n));
        return bytes;
    }
    std::string dir_, fifo_;
    int reader_ = -1;
};

TEST_F(ScanFeedProgram, NoReaderAndBadCodesFail)
{
    std::string out;
    EXPECT_EQ(run("--hid --fifo " + fifo_ + " 123", &out), 1);
    EXPECT_NE(out.find("no reader"), std::string::npos) << out;
    EXPECT_EQ(run("--builtin --fifo " + fifo_ + " --wait 100 123", &out), 1) << "a short wait for a reader";
    EXPECT_EQ(run("--hid --fifo " + dir_ + "/none 123", &out), 1);
    EXPECT_NE(out.find("cannot open"), std::string::npos) << out;
    EXPECT_EQ(run("--hid --fifo " + fifo_ + " ok '\\u20ac'", &out), 2);
    EXPECT_NE(out.find("code 2: a HID scanner cannot send U+20AC"), std::string::npos) << out;
    EXPECT_EQ(run("--hid --check < /dev/null", &out), 0) << "an empty script from standard input" << out;
    EXPECT_EQ(run("--fifo " + fifo_ + " 123", &out), 2) << "no mode";
    std::ofstream(dir_ + "/bad.scn") << "code 1\nwait soon\n";
    EXPECT_EQ(run("--builtin --check --script " + dir_ + "/bad.scn", &out), 2);
    EXPECT_NE(out.find("bad.scn: line 2: wait takes a number"), std::string::npos) << out;
}

TEST_F(ScanFeedProgram, WritesReportsAndLines)
{
    reader_ = open(fifo_.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader_, 0);
    std::string out;
    std::string journal = dir_ + "/journal.jsonl";
    ASSERT_EQ(run("--hid --fifo " + fifo_ + " --zeros 2 --journal " + journal + " '01\\u001d\\u0416'", &out), 0) << out;
    std::vector<scanfeed::Report> reports;
    std::string error;
    scanfeed::HidShape shape;
    shape.zeros = 2;
    ASSERT_TRUE(scanfeed::EncodeHid(U"01\u001D\u0416", shape, reports, &error));
    std::string bytes = drain();
    ASSERT_EQ(bytes.size(), reports.size() * 8);
    EXPECT_EQ(0, memcmp(bytes.data(), reports.data(), bytes.size()));
    std::vector<jsonl::Json> lines = jsonl::ReadLines(journal);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(jsonl::Text(lines[1], "what"), "code");
    EXPECT_EQ(jsonl::Text(lines[1], "hex"), jsonl::Hex(bytes));

    ASSERT_EQ(run("--builtin --fifo " + fifo_ + " '\\u041f1' 22", &out), 0) << out;
    EXPECT_EQ(drain(), "\xCF" "1\n22\n");

    // A cut code and a script from standard input.
    ASSERT_EQ(run("--builtin --fifo " + fifo_ + " < /dev/null", &out), 0) << out;
    std::ofstream(dir_ + "/cut.scn") << "cut 3\ncode 123456\ncode 78\n";
    ASSERT_EQ(run("--builtin --fifo " + fifo_ + " --script " + dir_ + "/cut.scn", &out), 0) << out;
    EXPECT_EQ(drain(), "12378\n");
}

} // namespace
