// The shell's small dialogs and terminal services on the real toolkit,
// screen and keypad stand-ins, with the controller-service stand-in behind
// the queue: keys are queued before each call, the trace and the files left
// behind tell what happened.
#include "ShellFixture.h"

#include <dirent.h>
#include <stdint.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "helper_dialogs.h"
#include "terminal_helpers.h"

namespace shelltest {
namespace {

const uint16_t KEY_DOWN = 108;

class HelperDialogs : public ShellTest {
protected:
    std::vector<std::string> BoxTexts()
    {
        std::vector<std::string> out;
        for (const Entry &e : Trace("msgbox"))
            out.push_back(e.Get("text"));
        return out;
    }
    std::set<std::string> Listing(const std::string &dir)
    {
        std::set<std::string> out;
        if (DIR *d = opendir(dir.c_str())) {
            while (dirent *e = readdir(d))
                if (e->d_name[0] != '.')
                    out.insert(e->d_name);
            closedir(d);
        }
        return out;
    }
    std::vector<std::string> Events()
    {
        std::vector<std::string> lines;
        std::ifstream in(root + "/data/osal/events.log");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }
    std::string ServiceLogBytes()
    {
        sim->Sync();
        std::ifstream in(sim->LogPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

// The folder holds two files, the settings file in another case and a
// sub-folder; only the two files are ever offered, sorted by name.
struct DeleteCase {
    const char *what;
    std::vector<uint16_t> keys;
    std::set<std::string> left;
    std::vector<std::string> boxes; // UTF-8
};

const std::string kAsk = u8"ВЫ УВЕРЕНЫ? ФАЙЛ ";
const std::string kGone = u8" БУДЕТ УДАЛЁН БЕЗВОЗВРАТНО!";

const DeleteCase kDeletes[] = {
    {"the second file, then cancel",
     {KEY_DOWN, KEY_ENTER, KEY_ENTER, KEY_CANCEL},
     {"a.txt", "SETTINGS.XML", "sub"},
     {kAsk + "b.txt" + kGone}},
    {"declined question keeps the file",
     {KEY_ENTER, KEY_CANCEL, KEY_CANCEL},
     {"a.txt", "b.txt", "SETTINGS.XML", "sub"},
     {kAsk + "a.txt" + kGone}},
    {"both files, then nothing is left to offer",
     {KEY_ENTER, KEY_ENTER, KEY_ENTER, KEY_ENTER, KEY_ENTER},
     {"SETTINGS.XML", "sub"},
     {kAsk + "a.txt" + kGone, kAsk + "b.txt" + kGone, u8"НЕТ ФАЙЛОВ ДЛЯ УДАЛЕНИЯ"}},
};

TEST_F(HelperDialogs, FileDeleteMenuDeletesOnlyTheConfirmedFile)
{
    for (const DeleteCase &c : kDeletes) {
        SCOPED_TRACE(c.what);
        std::string dir = root + "/data/files/";
        (void)system(("rm -rf " + dir + " && mkdir -p " + dir + "sub").c_str());
        for (const char *name : {"b.txt", "a.txt", "SETTINGS.XML", "sub/inner.txt"})
            std::ofstream(dir + name) << "x";
        size_t before = BoxTexts().size();
        for (uint16_t k : c.keys)
            Key(k);
        // A terminal path: it lies under the terminal root.
        file_delete_menu(ui, "/data/files/");
        EXPECT_EQ(Listing(dir), c.left);
        EXPECT_EQ(Listing(dir + "sub"), std::set<std::string>{"inner.txt"});
        std::vector<std::string> boxes = BoxTexts();
        EXPECT_EQ(std::vector<std::string>(boxes.begin() + static_cast<long>(before), boxes.end()), c.boxes);
    }
}

TEST_F(HelperDialogs, NoFnMenuReturnsTheChosenItemAndReopensOnCancel)
{
    ASSERT_EQ(chdir(CASHDESK_SOURCE_DIR), 0);
    struct {
        std::vector<uint16_t> keys;
        int result;
    } cases[] = {
        {{KEY_ENTER}, 0},
        {{KEY_CANCEL, KEY_DOWN, KEY_ENTER}, 1},
        {{KEY_DOWN, KEY_DOWN, KEY_ENTER}, 2},
    };
    for (const auto &c : cases) {
        for (uint16_t k : c.keys)
            Key(k);
        EXPECT_EQ(no_fn_menu(ui), c.result);
    }
}

TEST_F(HelperDialogs, BeepMessageBeepsAndClosesOnOkOrKey139)
{
    struct {
        uint16_t key;
        int state;
    } cases[] = {{KEY_ENTER, 1}, {139, 20}};
    for (const auto &c : cases) {
        Key(c.key);
        EXPECT_EQ(beep_message(ui, "ВНИМАНИЕ", "ПРОВЕРЬТЕ ПРИНТЕР"), c.state) << c.key;
    }
    EXPECT_EQ(Events(), (std::vector<std::string>{"beep 4 200", "beep 4 200"}));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{u8"ПРОВЕРЬТЕ ПРИНТЕР", u8"ПРОВЕРЬТЕ ПРИНТЕР"}));
}

// The service's log keeps the bytes as sent: CP866 Cyrillic, and the whole
// line however long its arguments are.
TEST_F(HelperDialogs, LogLinesReachTheServiceInCp866)
{
    log_format("ИТОГ %d", 5);
    EXPECT_EQ(ServiceLogBytes(), "\x88\x92\x8E\x83 5");
    std::string longText(300, 'z');
    log_format("%s!", longText.c_str());
    EXPECT_EQ(ServiceLogBytes(), "\x88\x92\x8E\x83 5" + longText + "!");
}

TEST_F(HelperDialogs, DeclinedRebootLogsNothing)
{
    Key(KEY_CANCEL);
    reboot_terminal(ui);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{u8"Вы уверены, что терминал нужно перезагрузить?"});
    EXPECT_EQ(ServiceLogBytes(), "");
    EXPECT_TRUE(Events().empty());
}

} // namespace
} // namespace shelltest
