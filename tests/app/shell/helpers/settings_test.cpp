// The settings store on real files in a folder of the test's own.
#include "settings.h"
#include "kfn_state.h"

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

TEST_F(SettingsTest, SetAttrChangesOnlyAnExistingElement)
{
    writeFile("<settings><shift><ofd host=\"a\"/></shift></settings>");
    ASSERT_NE(settings_load(), nullptr);
    settings_set_attr("shift/ofd", "host", "b");
    settings_set_attr("shift/ofd", "port", "7001");
    settings_set_attr("shift/oism", "host", "c"); // no such element: nothing is made
    settings_set_attr(nullptr, "host", "d");
    settings_set_attr("shift/ofd", nullptr, "d");
    settings_set_attr("shift/ofd", "host", nullptr);
    EXPECT_STREQ(settings_get("shift/ofd", "host"), "b");
    EXPECT_STREQ(settings_get("shift/ofd", "port"), "7001");
    EXPECT_EQ(settings_oism_node(), nullptr);
    ASSERT_EQ(settings_save(), 0);
    EXPECT_EQ(readFile().find("oism"), std::string::npos) << readFile();
}

TEST_F(SettingsTest, CopyXmlAttributesCopiesEveryOneAndOverwrites)
{
    writeFile("<settings><from a=\"1\" b=\"two\" c=\"\"/><to b=\"old\" d=\"4\"/><text>x</text></settings>");
    ASSERT_NE(settings_load(), nullptr);
    mxml_node_t *from = settings_node("from"), *to = settings_node("to");
    EXPECT_EQ(copy_xml_attributes(from, to), 3);
    EXPECT_STREQ(settings_get("to", "a"), "1");
    EXPECT_STREQ(settings_get("to", "b"), "two") << "an attribute already there is replaced";
    EXPECT_STREQ(settings_get("to", "c"), "");
    EXPECT_STREQ(settings_get("to", "d"), "4") << "one the source lacks stays";
    EXPECT_STREQ(settings_get("from", "b"), "two") << "the source is unchanged";
    EXPECT_EQ(copy_xml_attributes(settings_node("text"), to), 0);
    EXPECT_EQ(copy_xml_attributes(nullptr, to), -1);
    EXPECT_EQ(copy_xml_attributes(from, nullptr), -1);
    EXPECT_EQ(copy_xml_attributes(from, mxmlGetFirstChild(settings_node("text"))), -1) << "a text node";
}

TEST_F(SettingsTest, AttrForDevicePrefersTheSerialNumberThenTheTaxpayerNumber)
{
    writeFile("<settings><printer linefeed=\"3\" qr=\"4\">"
              "<moditem inn=\"7700000001\" linefeed=\"5\"/>"
              "<moditem sn=\"0000000000000007\" qr=\"9\"/>"
              "<moditem sn=\"0000000000000007\" linefeed=\"8\"/>"
              "<moditem sn=\"0000000000000002\" linefeed=\"6\"/>"
              "</printer></settings>");
    ASSERT_NE(settings_load(), nullptr);
    const KfnState saved = kfn_state;
    struct Case {
        const char *serial, *inn, *key, *expected;
    } cases[] = {
        {"0000000000000007", "7700000001", "qr", "9"},       // the serial's first entry
        {"0000000000000007", "7700000001", "linefeed", "3"}, // that entry lacks it: the section's
        {"0000000000000002", "7700000001", "linefeed", "6"}, // serial wins over the taxpayer number
        {"0000000000000005", "7700000001", "linefeed", "5"}, // no serial entry: by taxpayer number
        {"0000000000000005", "7700000009", "linefeed", "3"}, // neither: the section's
        {"", "", "linefeed", "3"},                           // unknown numbers match nothing
        {"0000000000000007", "7700000001", "absent", nullptr},
    };
    for (const Case &c : cases) {
        std::snprintf(kfn_state.kkt_serial, sizeof kfn_state.kkt_serial, "%s", c.serial);
        std::snprintf(kfn_state.inn, sizeof kfn_state.inn, "%s", c.inn);
        const char *v = settings_attr_for_device("printer", c.key);
        if (c.expected)
            EXPECT_STREQ(v, c.expected) << c.serial << " " << c.inn << " " << c.key;
        else
            EXPECT_EQ(v, nullptr) << c.key;
    }
    EXPECT_EQ(settings_attr_for_device("nosuch", "linefeed"), nullptr);
    EXPECT_EQ(settings_attr_for_device("printer", nullptr), nullptr);
    kfn_state = saved;
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
