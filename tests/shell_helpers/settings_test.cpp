// The settings store on real files in a folder of the test's own.
#include "settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/settings_test_XXXXXX";
        dir_ = mkdtemp(tmpl);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override
    {
        settings_free();
        (void)chdir("/");
        (void)system(("rm -rf " + dir_).c_str());
    }
    static void writeFile(const std::string &text)
    {
        mkdir("data", 0777);
        std::ofstream("data/kktsettings.xml") << text;
    }
    static std::string readFile()
    {
        std::ifstream in("data/kktsettings.xml");
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string dir_;
};

TEST_F(SettingsTest, MissingFileGivesAnEmptyTreeThatSavesAndReadsBack)
{
    ASSERT_NE(settings_load(), nullptr);
    EXPECT_EQ(settings_get("CmdToCash", "sum"), nullptr);
    settings_set("CmdToCash", "sum", "5.00");
    settings_set("shift/ofd", "addr", "ofd.example");
    ASSERT_EQ(settings_save(), 0);
    std::string text = readFile();
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"", 0), 0u) << text;
    EXPECT_NE(text.find("<shift><ofd addr=\"ofd.example\""), std::string::npos) << "nested, not a literal name";

    settings_free();
    ASSERT_NE(settings_load(), nullptr);
    EXPECT_STREQ(settings_get("CmdToCash", "sum"), "5.00");
    EXPECT_STREQ(settings_get("shift/ofd", "addr"), "ofd.example");
    EXPECT_NE(settings_ofd_node(), nullptr);
}

TEST_F(SettingsTest, IndentedFilesAndFirstOfTwoSections)
{
    writeFile("<?xml version=\"1.0\"?>\n<settings dt=\"2026\">\n  <common a=\"1\"/>\n  <common a=\"2\"/>\n"
              "  <shift>\n    <ofd port=\"7777\">text</ofd>\n  </shift>\n</settings>\n");
    ASSERT_NE(settings_load(), nullptr);
    EXPECT_STREQ(settings_get("common", "a"), "1");
    settings_set("common", "a", "3");
    EXPECT_STREQ(settings_get("common", "a"), "3");
    EXPECT_STREQ(settings_get("shift/ofd", "port"), "7777");
    EXPECT_STREQ(settings_root_dt(), "2026");
    EXPECT_STREQ(settings_root_info(), "");
    EXPECT_EQ(settings_get(nullptr, "a"), nullptr);
    EXPECT_EQ(settings_get("shift/none", "a"), nullptr);
}

TEST_F(SettingsTest, FileWithoutDeclarationIsRead)
{
    writeFile("<settings><printer linefeed=\"3\"/></settings>");
    ASSERT_NE(settings_load(), nullptr);
    EXPECT_STREQ(settings_get("printer", "linefeed"), "3");
}

TEST_F(SettingsTest, CorruptFileIsLeftUntouched)
{
    const std::string bad[] = {"<settings><common a=\"1\"", "<other/>", "garbage",
                               "<settings><common a=\"1\"/></settings></>left over"};
    for (const std::string &text : bad) {
        writeFile(text);
        EXPECT_EQ(settings_load(), nullptr) << text;
        settings_set("common", "a", "2");
        EXPECT_EQ(settings_get("common", "a"), nullptr);
        EXPECT_EQ(settings_save(), 1);
        EXPECT_EQ(readFile(), text);
    }
}

TEST_F(SettingsTest, FailedSaveKeepsTheOldFile)
{
    writeFile("<?xml version=\"1.0\"?><settings><common a=\"1\"/></settings>");
    ASSERT_NE(settings_load(), nullptr);
    settings_set("common", "a", "2");
    // The temporary file cannot be created: a directory stands in its place.
    ASSERT_EQ(mkdir("data/kktsettings.xml.new", 0777), 0);
    EXPECT_EQ(settings_save(), -1);
    EXPECT_NE(readFile().find("a=\"1\""), std::string::npos);
    rmdir("data/kktsettings.xml.new");
    EXPECT_EQ(settings_save(), 0);
    EXPECT_NE(readFile().find("a=\"2\""), std::string::npos);
}

TEST_F(SettingsTest, SaveFailingHalfWayKeepsTheOldFile)
{
    const std::string old = "<?xml version=\"1.0\"?><settings><common a=\"1\"/></settings>";
    writeFile(old);
    ASSERT_NE(settings_load(), nullptr);
    settings_set("common", "a", std::string(20000, 'x').c_str());
    // Files of this process may not grow past 4 KiB: the write of the
    // new text stops part of the way through.
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = settings_save();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(readFile(), old);
    EXPECT_NE(access("data/kktsettings.xml.new", F_OK), 0) << "the partial file is removed";
    EXPECT_EQ(settings_save(), 0);
    EXPECT_NE(readFile().find(std::string(20000, 'x')), std::string::npos);
}

TEST_F(SettingsTest, PathLookupHasNoBacktracking)
{
    writeFile("<settings><a><c/></a><a><b x=\"1\"/></a></settings>");
    ASSERT_NE(settings_load(), nullptr);
    EXPECT_EQ(settings_node("a/b"), nullptr);
    EXPECT_NE(settings_node("a/c"), nullptr);
    EXPECT_EQ(find_xml_path(nullptr, "a"), nullptr);
}

TEST(SettingsTimeouts, ParseTimeoutMs)
{
    struct Case {
        const char *text;
        int def;
        int expected;
    } cases[] = {
        {"30", 0, 30000},   {"1500", 0, 1500},  {"2s", 0, 2000},     {"250ms", 0, 1000}, {"20 s", 0, 20000},
        {"abc", 5000, 5000}, {"abc", 0, 45000}, {"", 0, 1000},       {nullptr, 0, 1000}, {"3MS", 0, 1000},
        {"5x", -1, 45000},  {"999999999999", 0, 2147483647},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parse_timeout_ms(c.text, c.def), c.expected) << (c.text ? c.text : "(null)");
}

TEST(SettingsDirs, CopiesAreBounded)
{
    char buf[4];
    EXPECT_STREQ(res_dir(buf, sizeof buf), "./r");
    EXPECT_STREQ(data_dir(nullptr, 0), "./data/");
}

} // namespace
