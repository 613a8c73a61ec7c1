// The reader of the program's own files, and the settings store and the
// UI-description reader over it, on real files, FIFOs, devices and links in
// a folder of the test's own. A refused file must neither hang nor be read,
// and must be told in exactly one line on stderr.
#include "own_file.h"
#include "settings.h"
#include "ui_xml.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class OwnFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/own_file_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        ASSERT_EQ(mkdir("data", 0777), 0);
    }
    void TearDown() override
    {
        settings_free();
        (void)chdir("/");
        (void)system(("rm -rf " + dir_).c_str());
    }
    static void write(const std::string &path, const std::string &text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static size_t lines(const std::string &text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }
    std::string dir_;
};

TEST_F(OwnFileTest, ReadsRegularFilesAndRefusesEverythingElse)
{
    write("plain.xml", "<a/>");
    write("empty.xml", "");
    ASSERT_EQ(mkfifo("fifo.xml", 0666), 0);
    ASSERT_EQ(mkdir("folder.xml", 0777), 0);
    ASSERT_EQ(symlink("plain.xml", "link.xml"), 0);
    ASSERT_EQ(symlink("fifo.xml", "fifolink.xml"), 0);
    // Sparse: as large as the file size says, without the disk space.
    for (long size : {OWN_FILE_MAX, OWN_FILE_MAX + 1}) {
        std::string name = "size" + std::to_string(size) + ".xml";
        int fd = open(name.c_str(), O_WRONLY | O_CREAT, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, size), 0);
        close(fd);
    }
    const std::string atLimit = "size" + std::to_string(OWN_FILE_MAX) + ".xml";
    const std::string overLimit = "size" + std::to_string(OWN_FILE_MAX + 1) + ".xml";

    struct Case {
        std::string path;
        OwnFileResult result;
        size_t size;
        const char *reason; // in the stderr line; null: no line
    } cases[] = {
        {"plain.xml", OWN_FILE_READ, 4, nullptr},
        {"empty.xml", OWN_FILE_READ, 0, nullptr},
        {"link.xml", OWN_FILE_READ, 4, nullptr},
        {atLimit, OWN_FILE_READ, static_cast<size_t>(OWN_FILE_MAX), nullptr},
        {"missing.xml", OWN_FILE_MISSING, 0, nullptr},
        {"fifo.xml", OWN_FILE_REFUSED, 0, "not a regular file"},
        {"fifolink.xml", OWN_FILE_REFUSED, 0, "not a regular file"},
        {"folder.xml", OWN_FILE_REFUSED, 0, "not a regular file"},
        {"/dev/zero", OWN_FILE_REFUSED, 0, "not a regular file"},
        {overLimit, OWN_FILE_REFUSED, 0, "larger than 1048576 bytes"},
        {"plain.xml/x", OWN_FILE_REFUSED, 0, "Not a directory"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        std::string text = "left over";
        testing::internal::CaptureStderr();
        OwnFileResult result = read_own_file(c.path.c_str(), text);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(text.size(), c.size);
        if (c.reason) {
            EXPECT_EQ(err, "cashdesk: " + c.path + " not read: " + c.reason + "\n");
        } else {
            EXPECT_EQ(err, "");
        }
    }
    std::string text;
    EXPECT_EQ(read_own_file(nullptr, text), OWN_FILE_MISSING);
}

// A FIFO (with or without a writer) or a device in place of a UI description
// is a file that cannot be opened: the loader's code for it, no waiting.
TEST_F(OwnFileTest, UiDescriptionReaderTreatsRefusedFilesAsUnopenable)
{
    ASSERT_EQ(mkfifo("fifo.xml", 0666), 0);
    int writer = open("fifo.xml", O_RDWR | O_NONBLOCK); // a writer holds it open
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "<FORM/>", 7), 7);
    mxml_node_t *top = reinterpret_cast<mxml_node_t *>(1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(xml_load_file("fifo.xml", &top), -1);
    EXPECT_EQ(xml_load_file("/dev/zero", &top), -1);
    EXPECT_EQ(top, nullptr);
    EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 2u);
    close(writer);

    // A NUL byte: the text before it is well formed, the file is not.
    write("nul.xml", std::string("<FORM/>\0<broken", 15));
    EXPECT_EQ(xml_load_file("nul.xml", &top), -2);
    write("good.xml", "<FORM><TEXT>A</TEXT></FORM>");
    ASSERT_EQ(xml_load_file("good.xml", &top), 0);
    EXPECT_STREQ(xml_text(xml_find_exact(top, "TEXT")), "A");
    mxmlDelete(top);
}

// A settings file that is refused is an unreadable one: no tree, defaults
// everywhere, saves write nothing, and the file stays what it was.
TEST_F(OwnFileTest, RefusedSettingsFileIsLeftAloneAndNotReplaced)
{
    ASSERT_EQ(mkfifo("data/kktsettings.xml", 0666), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(settings_load(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "cashdesk: ./data/kktsettings.xml not read: not a regular file\n");
    EXPECT_EQ(settings_get("common", "a"), nullptr);
    settings_set("common", "a", "1");
    EXPECT_EQ(settings_save(), 1);
    struct stat st;
    ASSERT_EQ(lstat("data/kktsettings.xml", &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A NUL byte: not a settings file, though its beginning is one.
    ASSERT_EQ(unlink("data/kktsettings.xml"), 0);
    const std::string nul("<settings a=\"1\"/>\0", 18);
    write("data/kktsettings.xml", nul);
    testing::internal::CaptureStderr();
    EXPECT_EQ(settings_load(), nullptr);
    EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 1u);
    EXPECT_EQ(read("data/kktsettings.xml"), nul);
}

// Whatever sits at the temporary name is removed, never written through: a
// link's target stays as it was, a leftover file goes.
TEST_F(OwnFileTest, SaveNeverWritesThroughTheTemporaryName)
{
    write("data/kktsettings.xml", "<?xml version=\"1.0\"?><settings><common a=\"1\"/></settings>");
    write("target", "precious");
    ASSERT_NE(settings_load(), nullptr);
    settings_set("common", "a", "2");

    ASSERT_EQ(symlink((dir_ + "/target").c_str(), "data/kktsettings.xml.new"), 0);
    ASSERT_EQ(settings_save(), 0);
    EXPECT_EQ(read("target"), "precious");
    struct stat st;
    ASSERT_EQ(lstat("data/kktsettings.xml", &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << "the link is not renamed into place";
    EXPECT_NE(read("data/kktsettings.xml").find("a=\"2\""), std::string::npos);

    write("data/kktsettings.xml.new", "stale, from a save cut short");
    settings_set("common", "a", "3");
    ASSERT_EQ(settings_save(), 0);
    EXPECT_NE(read("data/kktsettings.xml").find("a=\"3\""), std::string::npos);
    EXPECT_NE(access("data/kktsettings.xml.new", F_OK), 0);

    // What cannot be removed fails the save, in one line, the old file whole.
    ASSERT_EQ(mkdir("data/kktsettings.xml.new", 0777), 0);
    settings_set("common", "a", "4");
    testing::internal::CaptureStderr();
    EXPECT_EQ(settings_save(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "settings: ./data/kktsettings.xml not saved: ./data/kktsettings.xml.new cannot be removed (Is a "
              "directory)\n");
    EXPECT_NE(read("data/kktsettings.xml").find("a=\"3\""), std::string::npos);
}

} // namespace
