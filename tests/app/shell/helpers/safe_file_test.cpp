// The program's file writers on real files, with things planted where they
// write: a link to a file that is not theirs, a link to nowhere and a file
// left over at the temporary name, a link at the file's own name. None of
// them may write through a link, and each must leave its file whole, with
// its mode.
#include "safe_file.h"

#include "battery.h"
#include "raster_bmp.h"
#include "service_log.h"
#include "settings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class SafeFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/safe_file_test_XXXXXX";
        dir_ = mkdtemp(tmpl);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        setenv("TERMINAL_ROOT", dir_.c_str(), 1);
        oldMask_ = umask(022);
        for (const char *d : {"data", "tmp", "outside"})
            ASSERT_EQ(mkdir(d, 0755), 0);
        victim_ = dir_ + "/outside/victim";
        nowhere_ = dir_ + "/outside/nowhere";
    }
    void TearDown() override
    {
        settings_free();
        umask(oldMask_);
        unsetenv("TERMINAL_ROOT");
        (void)chdir("/");
        (void)system(("rm -rf " + dir_).c_str());
    }

    // A file that is not the program's: its text and mode must survive.
    void plantVictim()
    {
        unlink(victim_.c_str());
        writeFile(victim_, "VICTIM");
        ASSERT_EQ(chmod(victim_.c_str(), 0600), 0);
    }
    void expectVictimUntouched()
    {
        EXPECT_EQ(readFile(victim_), "VICTIM");
        struct stat st;
        ASSERT_EQ(stat(victim_.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_NE(access(nowhere_.c_str(), F_OK), 0) << "a link to nowhere made its target";
    }

    std::string dir_, victim_, nowhere_;
    mode_t oldMask_ = 022;
};

// What is planted at a writer's temporary name before it saves.
enum Plant { LINK_TO_FILE, LINK_TO_NOWHERE, LEFTOVER_FILE, LINK_AT_FILE };

// Every writer of whole files, each with every plant: the new contents end
// up in a regular file of the writer's mode, the temporary name is free
// again, and nothing outside was written or created.
TEST_F(SafeFileTest, EveryWriterIgnoresWhatIsPlantedAtItsNames)
{
    struct Writer {
        const char *name;
        std::string file;   // where it writes (relative to the root)
        std::string result; // where the new contents end up
        mode_t mode;
        std::function<void()> prepare; // before anything is planted
        std::function<bool()> save;
        std::string expect; // a part of the new contents
    };
    std::string bmpRaster(2 * 8, '\xAA'); // 2 bytes wide, 8 dots high
    std::string logText(5000, 'L');
    const std::vector<Writer> writers = {
        {"settings", "data/kktsettings.xml", "data/kktsettings.xml", 0600,
         [] {
             settings_free();
             settings_load();
             settings_set("common", "a", "2");
         },
         [] { return settings_save() == 0; }, "a=\"2\""},
        {"battery type", "battery.xml", "battery.xml", 0644, [] {},
         [] {
             battery_set_force_type(2);
             return battery_save_settings();
         },
         "force_type=\"2\""},
        {"log copy", "tmp/copy.log", "tmp/copy.log", 0644, [] {},
         [&] {
             writeFile(dir_ + "/tmp/source.log", logText);
             return copy_file("/tmp/source.log", "/tmp/copy.log") == static_cast<long>(logText.size());
         },
         logText},
        // The receipt-header picture: rewritten as a picture in place, then
        // installed where the controller service reads it, in the mode it
        // expects.
        {"receipt-header picture", "data/graph", "data/tmp/fiscal_header", 0666, [] {},
         [&] {
             writeFile(dir_ + "/data/graph", bmpRaster);
             raster_to_bmp("data/graph", 2, 1);
             return access((dir_ + "/data/graph").c_str(), F_OK) != 0;
         },
         "BM"},
    };
    const struct {
        const char *name;
        Plant plant;
    } plants[] = {
        {"link to a file at the temporary name", LINK_TO_FILE},
        {"link to nowhere at the temporary name", LINK_TO_NOWHERE},
        {"file left over at the temporary name", LEFTOVER_FILE},
        {"link at the file's own name", LINK_AT_FILE},
    };
    for (const Writer &w : writers) {
        for (const auto &p : plants) {
            SCOPED_TRACE(std::string(w.name) + ", " + p.name);
            const std::string file = dir_ + "/" + w.file, temp = file + ".new";
            w.prepare();
            unlink(file.c_str());
            unlink(temp.c_str());
            plantVictim();
            switch (p.plant) {
            case LINK_TO_FILE: ASSERT_EQ(symlink(victim_.c_str(), temp.c_str()), 0); break;
            case LINK_TO_NOWHERE: ASSERT_EQ(symlink(nowhere_.c_str(), temp.c_str()), 0); break;
            case LEFTOVER_FILE:
                writeFile(temp, "LEFTOVER OF A SAVE CUT SHORT");
                ASSERT_EQ(chmod(temp.c_str(), 0666), 0);
                break;
            case LINK_AT_FILE:
                if (w.file != w.result)
                    continue; // its file is rewritten by the test itself
                ASSERT_EQ(symlink(victim_.c_str(), file.c_str()), 0);
                break;
            }
            EXPECT_TRUE(w.save());
            expectVictimUntouched();
            struct stat st;
            ASSERT_EQ(lstat((dir_ + "/" + w.result).c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode)) << "a regular file, not a link";
            EXPECT_EQ(st.st_mode & 07777, w.mode);
            EXPECT_NE(readFile(dir_ + "/" + w.result).find(w.expect), std::string::npos);
            EXPECT_NE(lstat(temp.c_str(), &st), 0) << "the temporary name is free again";
        }
    }
}

// A save that cannot be finished leaves the file as it was and says why
// once, naming the step.
TEST_F(SafeFileTest, AFailedSaveKeepsTheOldFile)
{
    writeFile("data/file", "OLD");
    // A folder with something in it cannot be removed to free the name.
    ASSERT_EQ(mkdir("data/file.new", 0755), 0);
    writeFile("data/file.new/inside", "x");
    SafeFile blocked("data/file", SAFE_MODE_FILE);
    EXPECT_TRUE(blocked.Failed());
    EXPECT_FALSE(blocked.Write("NEW", 3));
    EXPECT_FALSE(blocked.Commit());
    EXPECT_NE(std::string(blocked.Failure()).find("data/file.new"), std::string::npos) << blocked.Failure();
    EXPECT_EQ(readFile("data/file"), "OLD");
    EXPECT_EQ(readFile("data/file.new/inside"), "x") << "what was not ours stays";

    // Given up after a part was written: the part goes, the file stays.
    ASSERT_EQ(system("rm -rf data/file.new"), 0);
    {
        SafeFile abandoned("data/file", SAFE_MODE_FILE);
        EXPECT_TRUE(abandoned.Write("NEW", 3));
    }
    EXPECT_EQ(readFile("data/file"), "OLD");
    EXPECT_NE(access("data/file.new", F_OK), 0);

    // The rename fails: a folder stands at the file's name.
    ASSERT_EQ(mkdir("data/folder", 0755), 0);
    writeFile("data/folder/inside", "x");
    SafeFile over("data/folder", SAFE_MODE_FILE);
    EXPECT_TRUE(over.Write("NEW", 3));
    EXPECT_FALSE(over.Commit());
    EXPECT_EQ(std::string(over.Failure()).rfind("rename", 0), 0u) << over.Failure();
    EXPECT_NE(access("data/folder.new", F_OK), 0);
    EXPECT_FALSE(safe_save("data/folder", "NEW", 3, SAFE_MODE_FILE, "test"));
    EXPECT_EQ(readFile("data/folder/inside"), "x");
}

// Files that grow: created in their mode, appended to, and never opened
// through a link, on a FIFO (which would hold the writer until someone
// reads) or on a folder.
TEST_F(SafeFileTest, AppendingRefusesWhatIsNotARegularFile)
{
    int fd = safe_open_append("tmp/new.log", SAFE_MODE_FILE);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "one ", 4), 4);
    close(fd);
    fd = safe_open_append("tmp/new.log", SAFE_MODE_FILE);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "two", 3), 3);
    close(fd);
    EXPECT_EQ(readFile("tmp/new.log"), "one two");
    struct stat st;
    ASSERT_EQ(stat("tmp/new.log", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    plantVictim();
    ASSERT_EQ(symlink(victim_.c_str(), "tmp/link.log"), 0);
    ASSERT_EQ(symlink(nowhere_.c_str(), "tmp/dangling.log"), 0);
    ASSERT_EQ(mkfifo("tmp/fifo.log", 0600), 0);
    ASSERT_EQ(mkdir("tmp/folder.log", 0755), 0);
    const struct {
        const char *path;
        int error;
    } refused[] = {
        {"tmp/link.log", ELOOP},
        {"tmp/dangling.log", ELOOP},
        {"tmp/fifo.log", ENXIO}, // no reader: refused at once
        {"tmp/folder.log", EISDIR},
    };
    for (const auto &r : refused) {
        SCOPED_TRACE(r.path);
        errno = 0;
        EXPECT_EQ(safe_open_append(r.path, SAFE_MODE_FILE), -1);
        EXPECT_EQ(errno, r.error);
        EXPECT_EQ(safe_open_existing(r.path), -1);
    }
    // A FIFO with a reader opens, and is refused all the same.
    int reader = open("tmp/fifo.log", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    errno = 0;
    EXPECT_EQ(safe_open_append("tmp/fifo.log", SAFE_MODE_FILE), -1);
    EXPECT_EQ(errno, EINVAL);
    close(reader);
    expectVictimUntouched();
    EXPECT_EQ(safe_open_existing("tmp/missing.log"), -1);
    EXPECT_NE(access("tmp/missing.log", F_OK), 0);
}

} // namespace
