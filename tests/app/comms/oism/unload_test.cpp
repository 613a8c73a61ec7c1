// The notification unload: the two checksums against their catalogue check
// values, the read-back walk over files built here (lengths, short reads,
// the confirmation cap), and whole unloads against kktsim's drive model and
// its USB folder, each failure leaving nothing acknowledged that the file
// lacks.
#include "FiscalFixture.h"

#include "checksums.h"
#include "kfn_state.h"
#include "notification_unload.h"

#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string.h>

namespace {

using fiscaltest::FiscalTest;
using fiscaltest::Step;
using shelltest::KEY_ENTER;

TEST(Checksums, CatalogueCheckValues)
{
    const char nine[] = "123456789";
    EXPECT_EQ(crc16_ccitt(nine, 9, 0xFFFF), 0x29B1) << "CRC-16/IBM-3740";
    EXPECT_EQ(crc32_update(nine, 9, 0xFFFFFFFF), 0x340BC6D9u) << "CRC-32/JAMCRC";
    // One continuation is the same as one pass.
    EXPECT_EQ(crc16_ccitt(nine + 4, 5, crc16_ccitt(nine, 4, 0xFFFF)), 0x29B1);
    EXPECT_EQ(crc32_update(nine + 4, 5, crc32_update(nine, 4, 0xFFFFFFFF)), 0x340BC6D9u);
}

TEST(Checksums, TheNotificationsCrcLeavesOutBytesTwoAndThree)
{
    uint8_t a[10] = {10, 0, 0x11, 0x22, 'N', 'T', 'F', 'Y', 1, 2};
    uint8_t b[10] = {10, 0, 0x99, 0x88, 'N', 'T', 'F', 'Y', 1, 2};
    EXPECT_EQ(unload_notification_crc(a, 10), unload_notification_crc(b, 10));
    uint8_t joined[8] = {10, 0, 'N', 'T', 'F', 'Y', 1, 2};
    EXPECT_EQ(unload_notification_crc(a, 10), crc16_ccitt(joined, 8, 0xFFFF));
}

TEST(UnloadName, HourMinuteDayMonthYear)
{
    char name[64];
    unload_file_name(name, sizeof name, 9, 5, 3, 12, 2026);
    EXPECT_STREQ(name, "unload_0905_031226.crpt");
}

// ---- the walk over a file built here -------------------------------------------------

struct FakeDrive {
    std::string file;
    std::vector<uint32_t> values;  // of the notifications to confirm, in order
    std::vector<uint16_t> crcs;
    size_t next = 0;
    int refuse = 0;                // confirmations refused from now on (-1 all)
    int readFailsAt = -1;          // the read at that offset gives 3 bytes less
    int confirmCalls = 0;

    static int read(void *c, uint8_t *buffer, uint32_t len, uint32_t offset)
    {
        FakeDrive *d = static_cast<FakeDrive *>(c);
        if (offset >= d->file.size())
            return 0;
        uint32_t n = std::min<uint32_t>(len, static_cast<uint32_t>(d->file.size() - offset));
        if (static_cast<int>(offset) == d->readFailsAt)
            n = n > 3 ? n - 3 : 0;
        memcpy(buffer, d->file.data() + offset, n);
        return static_cast<int>(n);
    }
    static int status(void *c, uint16_t *remaining, uint32_t *value)
    {
        FakeDrive *d = static_cast<FakeDrive *>(c);
        *remaining = static_cast<uint16_t>(d->values.size() - d->next);
        *value = d->next < d->values.size() ? d->values[d->next] : 0;
        return 0;
    }
    static int confirm(void *c, uint32_t value, uint16_t crc)
    {
        FakeDrive *d = static_cast<FakeDrive *>(c);
        ++d->confirmCalls;
        if (d->refuse != 0) {
            if (d->refuse > 0)
                --d->refuse;
            return -1;
        }
        if (d->next >= d->values.size() || value != d->values[d->next] || crc != d->crcs[d->next])
            return -1;
        ++d->next;
        return 0;
    }
    unload_walk_io io() { return unload_walk_io{this, read, status, confirm}; }
};

std::string notice(size_t size, char fill)
{
    std::string n(size, fill);
    n[0] = static_cast<char>(size & 0xFF);
    n[1] = static_cast<char>(size >> 8);
    return n;
}

// A header of spaces and the records of the notifications.
FakeDrive fileOf(const std::vector<std::string> &notices)
{
    FakeDrive d;
    d.file.assign(UNLOAD_HEADER_SIZE, ' ');
    uint32_t value = 100;
    for (const std::string &n : notices) {
        d.file += std::string("\xC9\x00", 2) + static_cast<char>(n.size() & 0xFF) + static_cast<char>(n.size() >> 8) + n;
        d.values.push_back(value++);
        d.crcs.push_back(unload_notification_crc(reinterpret_cast<const uint8_t *>(n.data()),
                                                 static_cast<uint32_t>(n.size())));
    }
    return d;
}

uint32_t expectedCrc(const std::string &file, const std::vector<std::string> &notices, size_t readBack)
{
    uint32_t crc = crc32_update(file.data(), 371, 0xFFFFFFFF);
    crc = crc32_update(file.data() + 375, 4, crc);
    size_t at = 379;
    for (size_t i = 0; i < readBack; ++i) {
        std::string chunk = file.substr(at, notices[i].size() + 4);
        chunk.resize(notices[i].size() + 4, '\0'); // four zero bytes after the last
        crc = crc32_update(chunk.data(), chunk.size(), crc);
        at += notices[i].size() + 4;
    }
    return crc;
}

TEST(UnloadWalk, EachNotificationIsReadBackOnceAndConfirmed)
{
    const std::vector<std::string> notices = {notice(10, 'a'), notice(300, 'b'), notice(40, 'c')};
    FakeDrive d = fileOf(notices);
    unload_walk_result r;
    unload_confirm_walk(d.io(), static_cast<uint32_t>(d.file.size()), &r);
    EXPECT_EQ(r.stop, UNLOAD_STOP_NONE);
    EXPECT_EQ(r.confirmed, 3u);
    EXPECT_EQ(r.last_value, 102u);
    EXPECT_EQ(r.crc32, expectedCrc(d.file, notices, 3));
}

// A refusal leaves the position: the same notification is read again (and
// counted again in the CRC-32); at most three refusals, then the walk stops.
TEST(UnloadWalk, RefusalsAreRetriedAtMostThreeTimes)
{
    const std::vector<std::string> notices = {notice(10, 'a'), notice(20, 'b')};
    FakeDrive once = fileOf(notices);
    once.refuse = 1;
    unload_walk_result r;
    unload_confirm_walk(once.io(), static_cast<uint32_t>(once.file.size()), &r);
    EXPECT_EQ(r.stop, UNLOAD_STOP_NONE);
    EXPECT_EQ(r.confirmed, 2u);
    EXPECT_NE(r.crc32, expectedCrc(once.file, notices, 2)) << "the first was read twice";

    FakeDrive always = fileOf(notices);
    always.refuse = -1;
    unload_confirm_walk(always.io(), static_cast<uint32_t>(always.file.size()), &r);
    EXPECT_EQ(r.stop, UNLOAD_STOP_REFUSED);
    EXPECT_EQ(always.confirmCalls, static_cast<int>(UNLOAD_CONFIRM_TRIES));
    EXPECT_FALSE(r.any_confirmed);
}

TEST(UnloadWalk, LengthsAndReadsFromTheFileAreChecked)
{
    const std::vector<std::string> notices = {notice(10, 'a'), notice(20, 'b')};
    struct Case {
        const char *name;
        std::function<void(FakeDrive &)> spoil;
        uint32_t trim; // bytes of the file the walk is told are not there
        int stop;
        unsigned confirmed;
    };
    const Case cases[] = {
        {"second length past the file", [](FakeDrive &d) { d.file[375 + 14 + 2] = 0x7F; }, 0, UNLOAD_STOP_LENGTH, 1},
        {"first length past the file", [](FakeDrive &d) { d.file[378] = 0x40; }, 0, UNLOAD_STOP_LENGTH, 0},
        {"file shorter than said", [](FakeDrive &) {}, 8, UNLOAD_STOP_LENGTH, 1},
        {"second read short", [](FakeDrive &d) { d.readFailsAt = 379 + 14; }, 0, UNLOAD_STOP_READ, 1},
        {"header read short", [](FakeDrive &d) { d.readFailsAt = 0; }, 0, UNLOAD_STOP_HEADER_READ, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeDrive d = fileOf(notices);
        c.spoil(d);
        const uint32_t size = static_cast<uint32_t>(d.file.size()) - c.trim;
        d.file.resize(size);
        unload_walk_result r;
        unload_confirm_walk(d.io(), size, &r);
        EXPECT_EQ(r.stop, c.stop);
        EXPECT_EQ(r.confirmed, c.confirmed);
    }
}

// ---- whole unloads against kktsim ------------------------------------------------------

class Unload : public FiscalTest {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        kfn_state.marking_mode = -1;
    }
    // An autonomous marking drive with the notifications.
    void Autonomous(const std::string &drive, bool usb = true)
    {
        Drive("drive ffd 1.2\ndrive marking 100\ndrive reg-flags 02\n" + drive);
        const std::string command = (usb ? "mkdir -p '" : "rm -rf '") + sim->UsbDir() + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }
    // The one unload file in the USB folder.
    std::string File(std::string *name = nullptr)
    {
        std::string found;
        if (DIR *dir = opendir(sim->UsbDir().c_str())) {
            while (dirent *e = readdir(dir)) {
                std::string n = e->d_name;
                if (n.rfind("unload_", 0) == 0) {
                    EXPECT_TRUE(found.empty()) << "a second file " << n;
                    found = n;
                }
            }
            closedir(dir);
        }
        if (name)
            *name = found;
        if (found.empty())
            return std::string();
        std::ifstream in(sim->UsbDir() + "/" + found, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<kktsim::NoticeStage> Stages()
    {
        std::vector<kktsim::NoticeStage> out;
        for (const kktsim::Notice &n : sim->Drive().notify.list)
            out.push_back(n.stage);
        return out;
    }
    // The records of the file: the notifications' bytes; the file's own
    // CRC-32 checked on the way (each read back once).
    std::vector<std::string> Records(const std::string &file)
    {
        std::vector<std::string> out;
        size_t at = UNLOAD_HEADER_SIZE;
        while (at + 4 <= file.size()) {
            EXPECT_EQ(static_cast<uint8_t>(file[at]), 0xC9);
            EXPECT_EQ(file[at + 1], 0);
            size_t n = static_cast<uint8_t>(file[at + 2]) | static_cast<uint8_t>(file[at + 3]) << 8;
            EXPECT_LE(at + 4 + n, file.size());
            out.push_back(file.substr(at + 4, n));
            at += 4 + n;
        }
        EXPECT_EQ(at, file.size()) << "the file ends with a whole record";
        return out;
    }
    uint32_t Dword(const std::string &file, size_t at)
    {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<uint8_t>(file[at + i]);
        return v;
    }
    // The CRC-32 over the header, the first prefix and the notifications read
    // back (readBack of them, each once).
    // The header is read back before the confirmed value is stored in it:
    // its bytes 363-366 count as the spaces they were then.
    uint32_t Crc(const std::string &file, size_t readBack)
    {
        std::string prefix = file.size() >= 379 ? file.substr(375, 4) : std::string(4, '\0');
        std::string header = file.substr(0, 371);
        header.replace(363, 4, "    ");
        uint32_t crc = crc32_update(header.data(), 371, 0xFFFFFFFF);
        crc = crc32_update(prefix.data(), 4, crc);
        size_t at = 379;
        for (size_t i = 0; i < readBack; ++i) {
            size_t n = static_cast<uint8_t>(file[at - 2]) | static_cast<uint8_t>(file[at - 1]) << 8;
            std::string chunk = file.substr(at, n + 4);
            chunk.resize(n + 4, '\0');
            crc = crc32_update(chunk.data(), chunk.size(), crc);
            at += n + 4;
        }
        return crc;
    }
};

TEST_F(Unload, EveryNotificationOnceInTheFileAndAllConfirmed)
{
    Autonomous("drive notify 10 256 600\n");
    const kktsim::DriveState before = sim->Drive();
    Script({});
    unload_notifications(ui);
    EndScript();
    std::string name;
    const std::string file = File(&name);
    ASSERT_GE(file.size(), UNLOAD_HEADER_SIZE);
    EXPECT_TRUE(name.size() == 23 && name.compare(name.size() - 5, 5, ".crpt") == 0) << name;
    const std::vector<std::string> records = Records(file);
    ASSERT_EQ(records.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(records[i], before.notify.list[i].body) << i;
    EXPECT_EQ(Dword(file, 371), Crc(file, 3));
    EXPECT_EQ(file.substr(322, 20), "0000000001012345    ") << "tag 1037";
    EXPECT_EQ(file.substr(342, 16), "9999078900012345") << "tag 1041";
    EXPECT_EQ(file[358], 4) << "tag 1209";
    EXPECT_EQ(Dword(file, 359), 1u) << "the first count's value";
    EXPECT_EQ(Dword(file, 363), 3u) << "the last confirmed value";
    EXPECT_EQ(file.compare(66, 20, "KKT Service v3.1.0  "), 0);
    EXPECT_EQ(static_cast<uint8_t>(file[0]), 0x8E) << "the title in CP866";
    EXPECT_EQ(Stages(), std::vector<kktsim::NoticeStage>(3, kktsim::NoticeStage::Confirmed));
    for (const std::string &b : Boxes())
        EXPECT_NE(b.rfind(u8"ОШИБКА", 0), 0u) << b;
    size_t pieces = 0;
    for (const std::string &c : Taken())
        pieces += c == "89";
    EXPECT_EQ(pieces, 1u + 1u + 3u) << "a 256-byte notification is one piece";
}

// A failure at a step of the collection stops it before the
// acknowledgement: what the file lacks stays waiting in the drive; the file
// is finished and consistent, and a box says the unload is not complete.
class UnloadFailure : public Unload {
protected:
    // boxes: the drive's refusal (when the drive refuses), then the
    // unload's own box.
    void Check(const std::string &fault, size_t records, size_t boxes = 2)
    {
        Autonomous("drive notify 10 600 10\n" + fault);
        Script(std::vector<Step>(boxes, Step(u8"ОШИБКА", {KEY_ENTER})));
        unload_notifications(ui);
        EndScript();
        const std::string file = File();
        EXPECT_EQ(Records(file).size(), records);
        EXPECT_EQ(Dword(file, 371), Crc(file, records));
        const std::vector<kktsim::NoticeStage> stages = Stages();
        ASSERT_EQ(stages.size(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(stages[i], i < records ? kktsim::NoticeStage::Confirmed : kktsim::NoticeStage::Waiting)
                << "notification " << i << ": what the file lacks is not acknowledged";
        bool told = false;
        for (const std::string &b : Boxes())
            told = told || b.find(u8"ВЫГРУЗКА УВЕДОМЛЕНИЙ НЕ ЗАВЕРШЕНА") != std::string::npos;
        EXPECT_TRUE(told);
    }
};

TEST_F(UnloadFailure, TheSizeRefused) { Check("fault 8A refuse 01 after 2 times 1\n", 1); }
TEST_F(UnloadFailure, APieceRefusedHalfWay) { Check("fault 89 refuse 01 after 2 times 1\n", 1); }
TEST_F(UnloadFailure, APieceUnanswered) { Check("fault 89 no-reply times 1\n", 0); }
// The second notification's second piece comes a byte short.
TEST_F(UnloadFailure, APieceShortHalfWay) { Check("fault 89 cut 2 after 2 times 1\n", 1, 1); }
// The header and the first record are written, the second record is not.
TEST_F(UnloadFailure, TheAppendFailsHalfWay) { Check("usb fail append after 2 times 1\n", 1, 1); }

TEST_F(UnloadFailure, NoHeaderNoCollection)
{
    Autonomous("drive notify 10 20\nusb fail append times 1\n");
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    unload_notifications(ui);
    EndScript();
    EXPECT_EQ(File(), "") << "nothing was written";
    EXPECT_EQ(Stages(), std::vector<kktsim::NoticeStage>(2, kktsim::NoticeStage::Waiting));
    size_t named = 0;
    for (const std::string &c : Taken())
        named += c == "8A";
    EXPECT_EQ(named, 0u) << "no notification is even named";
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back(), u8"ОШИБКА|ВЫГРУЗКА УВЕДОМЛЕНИЙ НЕ ЗАВЕРШЕНА:\nФАЙЛ ВЫГРУЗКИ НЕ СОЗДАН");
}

// Everything was written and confirmed, but the finished header (the last
// confirmed value and the CRC-32) did not reach the file: not a success.
TEST_F(UnloadFailure, TheFinishedHeaderNotWrittenIsSaid)
{
    Autonomous("drive notify 10 20\nusb fail write times 1\n");
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    unload_notifications(ui);
    EndScript();
    const std::string file = File();
    EXPECT_EQ(Records(file).size(), 2u);
    EXPECT_EQ(file.substr(363, 4), "    ") << "the header as first written";
    EXPECT_EQ(Stages(), std::vector<kktsim::NoticeStage>(2, kktsim::NoticeStage::Confirmed));
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back(), u8"ОШИБКА|ВЫГРУЗКА УВЕДОМЛЕНИЙ НЕ ЗАВЕРШЕНА:\nЗАГОЛОВОК ФАЙЛА ВЫГРУЗКИ НЕ ЗАПИСАН");
}

TEST_F(Unload, Error120EndsTheCollectionAndTheFileGetsItsChecksum)
{
    Autonomous("drive notify 10 20\nfault 8A refuse 78 after 1 times 1\n");
    Script({});
    unload_notifications(ui);
    EndScript();
    const std::string file = File();
    EXPECT_EQ(Records(file).size(), 1u) << "the record written before the refusal stays";
    EXPECT_EQ(Dword(file, 371), Crc(file, 0)) << "nothing acknowledged, nothing read back";
    EXPECT_EQ(file.substr(363, 4), "    ") << "nothing confirmed";
    EXPECT_EQ(Stages(), std::vector<kktsim::NoticeStage>(2, kktsim::NoticeStage::Waiting));
}

TEST_F(Unload, TheConfirmationGivesUpAfterThreeRefusals)
{
    Autonomous("drive notify 10 20\nfault 87 refuse 02 after 1\n");
    Script({Step(u8"ОШИБКА", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER}),
            Step(u8"ОШИБКА", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER})});
    unload_notifications(ui);
    size_t confirmations = 0;
    for (const std::string &c : Taken())
        confirmations += c == "87";
    EXPECT_EQ(confirmations, 1u + 2u * UNLOAD_CONFIRM_TRIES - 1u) << "a status, then three tries";
    const std::string file = File();
    EXPECT_EQ(Records(file).size(), 2u);
    EXPECT_EQ(file.substr(363, 4), "    ") << "nothing confirmed";
    EXPECT_EQ(Stages(), std::vector<kktsim::NoticeStage>(2, kktsim::NoticeStage::Acknowledged));
}

TEST_F(Unload, NoUsbSaysSo)
{
    Autonomous("drive notify 10\n", false);
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    unload_notifications(ui);
    EndScript();

    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back(), u8"ОШИБКА|ДЛЯ ВЫГРУЗКИ УВЕДОМЛЕНИЙ ПОДКЛЮЧИТЕ USB FLASH");
    EXPECT_EQ(Stages(), std::vector<kktsim::NoticeStage>{kktsim::NoticeStage::Waiting});
}

TEST_F(Unload, NoNotificationsSaysSo)
{
    Autonomous("");
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    unload_notifications(ui);
    EndScript();
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back(), u8"ОШИБКА|НЕТ УВЕДОМЛЕНИЙ ДЛЯ ВЫГРУЗКИ");
    std::string name;
    File(&name);
    EXPECT_EQ(name, "") << "no file";
}

} // namespace
