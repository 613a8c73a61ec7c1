// The service log: choice of storage, weekly renewal, entry kinds, hex dump,
// the copy to a USB flash drive and the drive's file operations, writers on
// several threads. The terminal root is a temporary folder: the SD card and
// the USB flash drive are folders standing for their media.
#include "service_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "osal.h"

namespace {

const char *const kStamp = "20.06.2026 12:00:";

class ServiceLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/service_log_test_XXXXXX";
        root_ = mkdtemp(tmpl);
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        mkdir((root_ + "/tmp").c_str(), 0777);
        mkdir((root_ + "/mnt").c_str(), 0777);
        mkdir((root_ + "/dev").c_str(), 0777);
        mkdir((root_ + "/dev/block").c_str(), 0777);
        setNow(2026, 6, 20);
    }
    void TearDown() override
    {
        log_close(0);
        OsTestClockDisable();
        unsetenv("TERMINAL_ROOT");
        (void)system(("rm -rf " + root_).c_str());
    }
    void setNow(int year, int month, int day)
    {
        OsTime t{};
        t.Year = year;
        t.Month = month;
        t.Day = day;
        t.Hour = 12;
        ASSERT_EQ(OsSetTime(&t), 0);
    }
    void insertSd() { mkdir((root_ + "/dev/block/mmcblk0p1").c_str(), 0777); }
    void insertUsb() { mkdir((root_ + "/dev/block/sda1").c_str(), 0777); }
    std::string read(const std::string &path) const
    {
        std::ifstream in(root_ + path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool exists(const std::string &path) const { return access((root_ + path).c_str(), F_OK) == 0; }
    void write(const std::string &path, const std::string &data) const
    {
        std::ofstream(root_ + path, std::ios::binary) << data;
    }
    // The log's text with every entry's time stamp checked and removed.
    std::string entries() const
    {
        char path[100];
        log_path(path, sizeof path);
        std::string text = read(path), out;
        size_t pos = 0;
        while (pos < text.size()) {
            EXPECT_EQ(text.compare(pos, 17, kStamp), 0) << text.substr(pos);
            size_t next = text.find(kStamp, pos + 20);
            out += text.substr(pos + 20, next == std::string::npos ? std::string::npos : next - pos - 20);
            pos = next;
        }
        return out;
    }
    std::string root_;
};

TEST_F(ServiceLogTest, ChoosesTheSdCardThenTheUsbDriveThenTmp)
{
    log_init();
    EXPECT_EQ(log_storage_kind(), 0);
    EXPECT_STREQ(log_dir(), "/tmp/");
    EXPECT_TRUE(log_ready());
    EXPECT_TRUE(exists("/tmp/zizirize.log"));

    insertUsb();
    log_init();
    EXPECT_EQ(log_storage_kind(), 2);
    EXPECT_STREQ(log_dir(), "/mnt/sda1/");
    log_write("usb", 3, LOG_KIND_TEXT);
    EXPECT_NE(read("/dev/block/sda1/zizirize.log").find("usb"), std::string::npos);

    insertSd();
    log_init();
    EXPECT_EQ(log_storage_kind(), 1);
    EXPECT_STREQ(log_dir(), "/mnt/mmcblk0p1/");
    log_write("sd", 2, LOG_KIND_TEXT);
    EXPECT_NE(read("/dev/block/mmcblk0p1/zizirize.log").find("sd"), std::string::npos);

    EXPECT_EQ(log_close(5), 0);
    EXPECT_FALSE(log_ready());
    EXPECT_FALSE(exists("/mnt/mmcblk0p1"));
    // Closed, nothing more is written.
    log_write("late", 4, LOG_KIND_TEXT);
    EXPECT_EQ(read("/dev/block/mmcblk0p1/zizirize.log").find("late"), std::string::npos);
}

TEST_F(ServiceLogTest, RenewsALogWhoseFirstEntryIsMoreThanAWeekOld)
{
    struct Case {
        int month, day;     // today (2026)
        const char *head;   // the file's first bytes
        bool renewed;
    } cases[] = {
        {6, 20, "13.06.2026 10:00:00 x", false}, // seven days
        {6, 20, "12.06.2026 10:00:00 x", true},  // eight days
        {6, 20, "20.06.2025 10:00:00 x", true},  // another year
        {6, 1, "24.05.2026 10:00:00 x", false},  // a month counts 30 days: 7
        {6, 1, "23.05.2026 10:00:00 x", true},   // 8
        {6, 20, "garbage!!!x", true},
        {6, 20, "01.01.20", false},              // fewer than ten bytes
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.head);
        (void)system(("rm -f " + root_ + "/tmp/*").c_str());
        setNow(2026, c.month, c.day);
        write("/tmp/zizirize.log", c.head);
        log_init();
        char renamed[40];
        snprintf(renamed, sizeof renamed, "/tmp/tm%02d%02d2026.log", c.day, c.month);
        if (c.renewed) {
            EXPECT_EQ(read("/tmp/zizirize.log"), "");
            EXPECT_EQ(read(renamed), c.head);
        } else {
            EXPECT_EQ(read("/tmp/zizirize.log"), c.head);
            EXPECT_FALSE(exists(renamed));
        }
    }
}

TEST_F(ServiceLogTest, WritesEachKindOfEntry)
{
    write("/tmp/data.txt", "file body");
    struct Case {
        std::string data;
        int kind;
        std::string expected;
    } cases[] = {
        {std::string("\x02" "AB\x1C" "1\x03", 6), LOG_KIND_FRAME, "<AB#1>\r\n"},
        {"\x10" "5", LOG_KIND_CONTROL, "DLE 5\r\n"},
        {"\x15", LOG_KIND_CONTROL, "NAK\r\n"},
        {"A", LOG_KIND_CONTROL, "Неизвестный код: A\r\n"},
        {"hello", LOG_KIND_TEXT, "\r\nhello\r\n"},
        {"/tmp/data.txt", LOG_KIND_FILE, "Data from file \"/tmp/data.txt\":\n\r\nfile body\r\n"},
        {"/tmp/none.txt", LOG_KIND_FILE, "File \"/tmp/none.txt\" not found\n"},
        {std::string("r\0w", 3), LOG_KIND_RAW, std::string("r\0w\r\n", 5)},
        {"x", 99, "Тип данных не определен\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        log_init();
        log_delete();
        log_write(c.data.c_str(), c.data.size(), c.kind);
        EXPECT_EQ(entries(), c.expected);
    }
}

TEST_F(ServiceLogTest, HexDumpHasAShortLastLineAndStaysInItsBuffer)
{
    unsigned char data[20];
    for (int i = 0; i < 20; ++i)
        data[i] = static_cast<unsigned char>(0x30 + i);
    data[1] = 0x07;
    char text[512] = "P ";
    hex_dump(data, text, sizeof text, sizeof data, 0x100);
    EXPECT_STREQ(text, "P 00000100: 30 07 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F :0.23456789:;<=>?\r\n"
                       "P 00000110: 40 41 42 43                                     :@ABC\r\n");
    // Only whole lines that fit.
    char small[100] = "P ";
    hex_dump(data, small, sizeof small, sizeof data, 0);
    EXPECT_EQ(std::string(small).find("00000010"), std::string::npos);
    EXPECT_EQ(std::string(small).size(), 2u + 77u);
}

TEST_F(ServiceLogTest, HexEntryStampsEveryLineAndEveryBlock)
{
    log_init();
    std::vector<unsigned char> data(600, 0x41);
    log_write(data.data(), data.size(), LOG_KIND_HEX);
    char path[100];
    log_path(path, sizeof path);
    std::istringstream in(read(path));
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        EXPECT_EQ(line.compare(0, 17, kStamp), 0) << line;
        char offset[16];
        snprintf(offset, sizeof offset, "%08X:", lines * 16);
        EXPECT_EQ(line.compare(20, 9, offset), 0) << line;
        ++lines;
    }
    EXPECT_EQ(lines, 38); // 32 lines of the first block, 6 of the second
}

TEST_F(ServiceLogTest, CopiesTheLogToAUsbDrive)
{
    log_init();
    EXPECT_EQ(log_copy_to_usb(), LOG_ERR_NO_LOG); // empty
    log_write("entry", 5, LOG_KIND_TEXT);
    std::string log = read("/tmp/zizirize.log");
    EXPECT_EQ(log_copy_to_usb(), LOG_ERR_NO_USB);
    EXPECT_EQ(read("/tmp/zizirize.log"), log);
    EXPECT_FALSE(exists("/mnt/sda1"));

    insertUsb();
    EXPECT_EQ(log_copy_to_usb(), static_cast<int>(log.size()));
    EXPECT_EQ(read("/dev/block/sda1/zizirize_copy.log"), log);
    EXPECT_FALSE(exists("/mnt/sda1"));

    log_close(0);
    EXPECT_EQ(log_copy_to_usb(), LOG_ERR_NOT_READY);
}

// A failed read or write gives -13 and leaves no partial copy (the size of
// the source would claim a whole copy).
TEST_F(ServiceLogTest, FailedCopyGivesAnErrorAndRemovesThePart)
{
    log_init();
    std::string big(100000, 'z');
    write("/tmp/big", big);
    EXPECT_EQ(copy_file("/tmp/big", "/tmp/copy"), static_cast<long>(big.size()));
    EXPECT_EQ(read("/tmp/copy"), big);
    EXPECT_EQ(copy_file("/tmp/missing", "/tmp/copy2"), LOG_ERR_COPY);
    write("/tmp/empty", "");
    EXPECT_EQ(copy_file("/tmp/empty", "/tmp/copy2"), LOG_ERR_COPY);

    // A write that fails part way: the file size limit of the process.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit limit = old;
    limit.rlim_cur = 40000;
    auto handler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    long result = copy_file("/tmp/big", "/tmp/cut");
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(result, LOG_ERR_COPY);
    EXPECT_FALSE(exists("/tmp/cut"));

    // A read that fails: a folder has a size but no bytes to read.
    mkdir((root_ + "/tmp/folder").c_str(), 0777);
    EXPECT_EQ(copy_file("/tmp/folder", "/tmp/cut"), LOG_ERR_COPY);
    EXPECT_FALSE(exists("/tmp/cut"));
}

TEST_F(ServiceLogTest, UsbFileOperations)
{
    char buf[32] = {0};
    EXPECT_EQ(usb_check(), LOG_ERR_NO_USB);
    EXPECT_EQ(usb_file_append("a.txt", "x", 1), LOG_ERR_NO_USB);
    EXPECT_EQ(usb_file_write_at("a.txt", "x", 1, 0), LOG_ERR_NO_USB);
    EXPECT_EQ(usb_file_read_at("a.txt", buf, sizeof buf, 0), LOG_ERR_NO_USB);

    insertUsb();
    EXPECT_EQ(usb_check(), 0);
    EXPECT_EQ(usb_file_write_at("a.txt", "x", 1, 0), LOG_ERR_COPY); // must exist
    EXPECT_EQ(usb_file_append("a.txt", "hello", 5), 0);
    EXPECT_EQ(usb_file_append("a.txt", " world", 6), 0);
    EXPECT_EQ(usb_file_write_at("a.txt", "W", 1, 6), 0);
    EXPECT_EQ(usb_file_read_at("a.txt", buf, 5, 6), 5);
    EXPECT_STREQ(buf, "World");
    EXPECT_EQ(usb_file_read_at("none.txt", buf, sizeof buf, 0), 0);
    EXPECT_EQ(read("/dev/block/sda1/a.txt"), "hello World");
    EXPECT_FALSE(exists("/mnt/sda1"));
}

// The log lives in a folder others may write to ("/tmp/"): a link planted
// at its name, to a file or to nowhere, is never written through, and a
// FIFO there does not hold the writer. A log it makes is not executable.
TEST_F(ServiceLogTest, NeverWritesThroughWhatIsPlantedAtTheLogsName)
{
    log_init();
    log_write("entry", 5, LOG_KIND_TEXT);
    struct stat st;
    ASSERT_EQ(stat((root_ + "/tmp/zizirize.log").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0111, 0u);
    log_close(0);

    const std::string victim = root_ + "/victim", nowhere = root_ + "/nowhere";
    const std::string log = root_ + "/tmp/zizirize.log";
    const struct {
        const char *name;
        int (*plant)(const std::string &, const std::string &, const std::string &);
    } plants[] = {
        {"link to a file", [](const std::string &log, const std::string &victim, const std::string &) {
             return symlink(victim.c_str(), log.c_str());
         }},
        {"link to nowhere", [](const std::string &log, const std::string &, const std::string &nowhere) {
             return symlink(nowhere.c_str(), log.c_str());
         }},
        {"FIFO", [](const std::string &log, const std::string &, const std::string &) {
             return mkfifo(log.c_str(), 0666);
         }},
    };
    for (const auto &p : plants) {
        SCOPED_TRACE(p.name);
        unlink(log.c_str());
        write("/victim", "VICTIM");
        ASSERT_EQ(p.plant(log, victim, nowhere), 0);
        log_init();
        log_write("entry", 5, LOG_KIND_TEXT);
        log_write("entry", 5, LOG_KIND_TEXT);
        EXPECT_EQ(read("/victim"), "VICTIM");
        EXPECT_FALSE(exists("/nowhere"));
        EXPECT_EQ(log_ready(), 0) << "a log it cannot write closes the module";
        log_close(0);
    }

    // The copy and the files on the USB flash drive alike.
    unlink(log.c_str());
    log_init();
    log_write("entry", 5, LOG_KIND_TEXT);
    insertUsb();
    write("/victim", "VICTIM");
    ASSERT_EQ(symlink(victim.c_str(), (root_ + "/dev/block/sda1/zizirize_copy.log").c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), (root_ + "/dev/block/sda1/a.txt").c_str()), 0);
    EXPECT_GT(log_copy_to_usb(), 0);
    EXPECT_EQ(usb_file_append("a.txt", "x", 1), LOG_ERR_COPY);
    EXPECT_EQ(usb_file_write_at("a.txt", "x", 1, 0), LOG_ERR_COPY);
    EXPECT_EQ(read("/victim"), "VICTIM");
    EXPECT_EQ(read("/dev/block/sda1/zizirize_copy.log"), read("/tmp/zizirize.log"));
}

TEST_F(ServiceLogTest, MountResults)
{
    EXPECT_EQ(storage_mount("/dev/block/sda2", 1), 1); // no digit 1
    OsTestClockEnable(1000);
    EXPECT_EQ(storage_mount("/dev/block/sda1", 1), 2); // never appears
    EXPECT_FALSE(exists("/mnt/sda1"));
    EXPECT_EQ(storage_unmount("/dev/block/sda1"), -1);
    // A mount point that is not ours and cannot be removed.
    mkdir((root_ + "/mnt/sda1").c_str(), 0777);
    write("/mnt/sda1/keep", "x");
    insertUsb();
    EXPECT_EQ(storage_mount("/dev/block/sda1", 1), -1);
    EXPECT_EQ(read("/mnt/sda1/keep"), "x");
}

// Entries from two threads stay whole while a third opens the log again and
// again (setting the ready flag every writer reads).
TEST_F(ServiceLogTest, TwoWritingThreads)
{
    log_init();
    std::atomic<bool> stop{false};
    std::thread toggler([&] {
        while (!stop)
            log_file_open();
    });
    auto writer = [](char letter) {
        std::string text(100, letter);
        for (int i = 0; i < 200; ++i)
            log_write(text.c_str(), text.size(), LOG_KIND_TEXT);
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    stop = true;
    toggler.join();
    log_file_open();
    std::string text = entries();
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); pos += 104) {
        ASSERT_EQ(text.compare(pos, 2, "\r\n"), 0);
        char c = text[pos + 2];
        EXPECT_TRUE(c == 'a' || c == 'b');
        EXPECT_EQ(text.substr(pos + 2, 100), std::string(100, c));
        EXPECT_EQ(text.compare(pos + 102, 2, "\r\n"), 0);
        ++count;
    }
    EXPECT_EQ(count, 400u);
}

} // namespace
