// The printer's settings block and the terminal's properties taken from the
// settings file: the block goes through the real queue to the controller
// stand-in, whose journal shows what arrived; the properties land in the
// platform stand-in's property file.
#include "ServiceFixture.h"

#include "osal.h"
#include "settings.h"
#include "settings_apply.h"

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsApply : public servicetest::ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        ASSERT_EQ(chdir(root_.c_str()), 0);
    }
    void TearDown() override
    {
        settings_free();
        (void)chdir("/");
        ServiceTest::TearDown();
    }
    void Load(const std::string &body)
    {
        settings_free();
        mkdir("data", 0777);
        std::ofstream("data/kktsettings.xml") << "<?xml version=\"1.0\"?><settings>" << body << "</settings>";
        ASSERT_NE(settings_load(), nullptr);
    }
    // The settings blocks the stand-in took, as hexadecimal texts.
    std::vector<std::string> Blocks()
    {
        std::vector<std::string> out;
        for (auto &e : Journal(5))
            if (e.Num("kind") == 3)
                out.push_back(e.Get("settings"));
        return out;
    }
    static std::string Property(const char *key)
    {
        char value[OS_REG_VALUE_MAX] = "";
        return OsRegGetValue(key, value) > 0 ? value : "";
    }
};

TEST_F(SettingsApply, PrinterBlockFromTheSection)
{
    struct Case {
        const char *section;
        int result;
        const char *block; // null: nothing sent
    } cases[] = {
        {"<printer linefeed=\"4\" qrpixelwidth=\"x0A\" notusefiscalmark=\"1\"/>", 0, "04000A0100"},
        {"<printer qrpixelwidth=\"300\"/>", 0, "00002C0000"}, // the low byte of 300
        {"<printer linefeed=\"\"/>", 0, "0000000000"},        // present, though empty
        {"<printer other=\"1\"/>", 1, nullptr},
        {"<printers linefeed=\"1\"/>", 1, nullptr},
    };
    size_t sent = 0;
    for (const Case &c : cases) {
        Load(c.section);
        EXPECT_EQ(apply_printer_settings(), c.result) << c.section;
        std::vector<std::string> blocks = Blocks();
        if (c.block) {
            ASSERT_EQ(blocks.size(), sent + 1) << c.section;
            EXPECT_EQ(blocks.back(), c.block) << c.section;
            ++sent;
        } else {
            EXPECT_EQ(blocks.size(), sent) << c.section << ": nothing is sent";
        }
    }
}

TEST_F(SettingsApply, TerminalPropertiesAndThePowerPair)
{
    ASSERT_EQ(OsRegSetValue("persist.sys.lcd.brightness", "5"), 0);
    Load("<terminal>"
         "<item var=\"persist.sys.first\" value=\"one\"/>"
         "<item var=\"persist.sys.novalue\"/>"
         "<item value=\"orphan\"/>"
         "<other var=\"persist.sys.second\" value=\"\"/>"
         "<item var=\"bad=key\" value=\"x\"/>"
         "<item var=\"persist.sys.delayshutdown\" value=\"9\"/>"
         "</terminal>");
    EXPECT_EQ(apply_terminal_registry(), 1) << "the one key the platform refuses";
    EXPECT_EQ(Property("persist.sys.first"), "one");
    EXPECT_EQ(Property("persist.sys.novalue"), "");
    EXPECT_EQ(Property("persist.sys.second"), "") << "set, though empty";
    EXPECT_EQ(Property("persist.sys.delayshutdown"), "3") << "the power pair comes last";
    EXPECT_EQ(Property("persist.sys.sleepwaittime"), "3");
    EXPECT_EQ(Property("osal.screen.brightness"), "5");
}

TEST_F(SettingsApply, TerminalPowerPairWithoutTheSection)
{
    Load("");
    EXPECT_EQ(apply_terminal_registry(), 0);
    EXPECT_EQ(Property("persist.sys.delayshutdown"), "3");
    EXPECT_EQ(Property("persist.sys.sleepwaittime"), "3");
}

} // namespace
