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
#include "message_box.h"
#include "terminal_helpers.h"
#include "vuNetLevel.h"
#include "vuStatusLine.h"
#include "vuTextObject.h"

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

TEST_F(HelperDialogs, NetLevelIsFoundOnlyAsTheStatusLinesObjectOfThatName)
{
    EXPECT_EQ(status_netlevel_item(ui), nullptr);
    vuStatusLine *line = new vuStatusLine(20, 0);
    vuTextObject *text = new vuTextObject(0, 0, 60, 20, nullptr);
    text->SetName("status");
    line->Add(text);
    ASSERT_EQ(ui->SetStatusLine(line), 0);
    EXPECT_EQ(status_netlevel_item(ui), nullptr);
    vuNetLevel *level = new vuNetLevel(200, 0, 40, 20, nullptr);
    level->SetName("netlevel");
    line->Add(level);
    EXPECT_EQ(status_netlevel_item(ui), level);
}

// The factory test gets the terminal's devices for its run; afterwards the
// brightness is set again and the keypad and screen serve the program again.
TEST_F(HelperDialogs, FactoryTestRunsBetweenReleasingAndRetakingTheDevices)
{
    ASSERT_EQ(system(("mkdir -p " + root + "/data/osal").c_str()), 0);
    std::string script = root + "/ftest.sh";
    std::ofstream(script) << "#!/bin/sh\necho ran > \"$TERMINAL_ROOT/ftest.out\"\n";
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    std::ofstream(root + "/data/osal/apps") << "FTEST|factory test|" << script << "|1.0|0\n";
    ASSERT_EQ(OsRegSetValue("persist.sys.lcd.brightness", "6"), 0);

    run_factory_test(ui);
    EXPECT_TRUE(std::ifstream(root + "/ftest.out").good());
    EXPECT_EQ(Events(), (std::vector<std::string>{"run FTEST (" + script + ")", "brightness 6"}));
    ASSERT_NE(vuUI::getFB(), nullptr);
    Key(KEY_ENTER);
    EXPECT_EQ(message_box(ui, "ВНИМАНИЕ", "ТЕСТ ЗАВЕРШЁН", MB_OK), MB_RESULT_OK);
}

TEST_F(HelperDialogs, NetworkErrorShowsTheCallersTextUntilOk)
{
    Key(KEY_ENTER);
    network_error_dialog(ui, "НЕТ ОТВЕТА ОФД");
    std::vector<Entry> forms = Trace("form");
    ASSERT_FALSE(forms.empty());
    EXPECT_EQ(forms.back().Get("header"), u8"ОШИБКА СЕТИ");
}

} // namespace
} // namespace shelltest
