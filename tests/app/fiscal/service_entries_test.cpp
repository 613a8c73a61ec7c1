// The small entries of the settings and service menus: the log copy against
// the stand-in's USB folder, the update warning, the firmware entry, the
// displayed serial number and the payment types from the settings.
#include "FiscalFixture.h"
#include "ReplyFrames.h"

#include <sys/stat.h>

#include "ServiceLog.h"
#include "kfn_state.h"
#include "osal.h"
#include "service_entries.h"
#include "tax_pay_setting.h"
#include "ui_values.h"

namespace fiscaltest {
namespace {

TEST(SerialPattern, OneStringConversionAndNothingElse)
{
    struct Case {
        const char *format;
        bool ok;
    } cases[] = {
        {"%s", true},         {u8"ЗН ККТ %s", true}, {"%s 100%%", true},   {"%%%s", true},
        {"", false},          {"plain", false},      {"%s %s", false},     {"%d", false},
        {"%s%n", false},      {"%10s", false},       {"%-s", false},       {"%", false},
        {"%s %", false},      {"%%s", false},        {"%p %s", false},     {"%s %x", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(serial_pattern_ok(c.format), c.ok) << c.format;
    EXPECT_FALSE(serial_pattern_ok(nullptr));
}

TEST(SerialDisplay, TheFirstPatternThatAppliesOrThePlainNumber)
{
    struct Case {
        const char *name, *settings, *product, *want;
    } cases[] = {
        {"no settings", "<common/>", "T100", "123"},
        {"a prefix", u8"<common><frserialpattern>ЗН %s</frserialpattern></common>", "T100", u8"ЗН 123"},
        {"the product decides",
         u8"<common><frserialpattern pos_pn=\"k70\">A%s</frserialpattern>"
         u8"<frserialpattern pos_pn=\"T1\">B%s</frserialpattern></common>",
         "t140-0RU", "B123"},
        {"an empty pos_pn applies", "<common><frserialpattern pos_pn=\"\">C%s</frserialpattern></common>", "", "C123"},
        {"none applies", "<common><frserialpattern pos_pn=\"T200\">A%s</frserialpattern></common>", "T100", "123"},
        {"an unsound format", "<common><frserialpattern>%s%s%n</frserialpattern></common>", "T100", "123"},
        {"a number conversion", "<common><frserialpattern>%d</frserialpattern></common>", "T100", "123"},
        {"an empty one", "<common><frserialpattern/><frserialpattern>D%s</frserialpattern></common>", "S", "123"},
        {"cut to the buffer",
         "<common><frserialpattern>0123456789012345678901234567890123456789012345678901234567890%s</frserialpattern>"
         "</common>",
         "S", "012345678901234567890123456789012345678901234567890123456789012"},
    };
    for (const Case &c : cases) {
        mxml_node_t *doc = mxmlLoadString(nullptr, c.settings, MXML_OPAQUE_CALLBACK);
        ASSERT_NE(doc, nullptr) << c.name;
        mxml_node_t *common = doc; // the top element
        char out[SERIAL_DISPLAY_SIZE];
        serial_display_text(common, "0000000123", c.product, out, sizeof out);
        EXPECT_EQ(Utf8(out), c.want) << c.name;
        mxmlDelete(doc);
    }
    char out[SERIAL_DISPLAY_SIZE];
    serial_display_text(nullptr, "0000", "", out, sizeof out);
    EXPECT_STREQ(out, "0");
}

class ServiceEntriesTest : public FiscalTest {};

// Without the USB folder the box says so; with it and no log yet, the log
// is missing; with a log its bytes are copied and counted.
TEST_F(ServiceEntriesTest, CopyLogWithAndWithoutTheDrive)
{
    Drive();
    Script({{u8"ОШИБКА", {KEY_ENTER}}});
    CmdCopyLog(ui, "КОПИЯ ЛОГА");
    EndScript();
    std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], u8"ПОДОЖДИТЕ|ИДЕТ КОПИРОВАНИЕ\nzizirize.log\nНА USB FLASH");
    EXPECT_EQ(boxes[1], u8"ОШИБКА|USB FLASH НЕ НАЙДЕНА");

    ASSERT_EQ(mkdir(sim->UsbDir().c_str(), 0777), 0);
    Script({{u8"ОШИБКА", {KEY_ENTER}}});
    CmdCopyLog(ui, "КОПИЯ ЛОГА");
    EndScript();
    EXPECT_EQ(Boxes().back(), u8"ОШИБКА|ФАЙЛ zizirize.log НЕ НАЙДЕН!");

    ASSERT_EQ(ServiceLogText("строка журнала\n"), 0);
    sim->Sync();
    std::string log = ReadFile(sim->LogPath());
    ASSERT_FALSE(log.empty());
    Script({{u8"ЗАВЕРШЕНО", {KEY_ENTER}}});
    CmdCopyLog(ui, "КОПИЯ ЛОГА");
    EndScript();
    EXPECT_EQ(Boxes().back(), u8"ЗАВЕРШЕНО|КОПИРОВАНИЕ ЗАВЕРШЕНО.\nСКОПИРОВАНО:\n" + std::to_string(log.size()) +
                                  u8" БАЙТ");
    EXPECT_EQ(ReadFile(sim->UsbDir() + "/zizirize_copy.log"), log);
}

// A copy that cannot be written (the target's name taken by a folder) and
// a terminal without its SD card each get their box.
TEST_F(ServiceEntriesTest, CopyLogFailuresOfTheCopyAndTheCard)
{
    struct Case {
        const char *scenario, *box;
        bool blocked;
    } cases[] = {
        {"", u8"ОШИБКА|ФАЙЛ НЕ СКОПИРОВАН", true},
        {"sd-card out\n", u8"ОШИБКА|SD КАРТЫ НЕТ\nНЕЧЕГО КОПИРОВАТЬ!", false},
    };
    for (const Case &c : cases) {
        Drive(c.scenario);
        ASSERT_TRUE(mkdir(sim->UsbDir().c_str(), 0777) == 0 || errno == EEXIST);
        std::string target = sim->UsbDir() + "/zizirize_copy.log";
        if (c.blocked)
            ASSERT_EQ(mkdir(target.c_str(), 0777), 0);
        else
            (void)rmdir(target.c_str());
        ASSERT_EQ(ServiceLogText("строка журнала\n"), 0);
        sim->Sync();
        Script({{u8"ОШИБКА", {KEY_ENTER}}});
        CmdCopyLog(ui, "КОПИЯ ЛОГА");
        EndScript();
        EXPECT_EQ(Boxes().back(), c.box);
    }
}

// The update warning: OK 0, Cancel -1, its header the title. The firmware
// entry shows only its refusal at the plain user's level and keeps the
// settings as they were; "update_fw" does nothing.
TEST_F(ServiceEntriesTest, UpdateWarningFirmwareEntryAndUpdateFw)
{
    Drive();
    Script({{u8"ОБНОВЛЕНИЕ ПО", {KEY_ENTER}}});
    EXPECT_EQ(update_warning_dialog(ui, "ОБНОВЛЕНИЕ ПО"), 0);
    EndScript();
    Script({{u8"ОБНОВЛЕНИЕ ПО", {KEY_CANCEL}}});
    EXPECT_EQ(update_warning_dialog(ui, "ОБНОВЛЕНИЕ ПО"), -1);
    EndScript();

    size_t boxes = Boxes().size();
    Script({{u8"ОШИБКА", {KEY_ENTER}}});
    fw_update_entry(ui);
    EndScript();
    EXPECT_EQ(Boxes(boxes), (std::vector<std::string>{
                                u8"ОШИБКА|ФУНКЦИЯ ОБНОВЛЕНИЯ КФН НЕ ДОСТУПНА\n\nТРЕБУЕТСЯ УРОВЕНЬ ДОСТУПА АДМИНИСТРАТОР"}));
    EXPECT_EQ(settings_get("fwupdate", "url"), nullptr);

    size_t forms = Trace("form").size();
    CmdUpdateFw(ui, "ОБНОВЛЕНИЕ ПО КФН");
    EXPECT_EQ(Trace("form").size(), forms);
    EXPECT_TRUE(Taken().empty());
}

// The serial number as displayed follows the settings' pattern and is kept
// for the run.
TEST_F(ServiceEntriesTest, SerialDisplayIsWorkedOutOnce)
{
    Drive();
    kfn_start(ui, 2);
    std::string serial = kkt_serial_number();
    ASSERT_FALSE(serial.empty());
    mxml_node_t *common = settings_node("common");
    if (!common)
        common = mxmlNewElement(settings_root(), "common");
    mxml_node_t *p = mxmlNewElement(common, "frserialpattern");
    mxmlNewOpaque(p, u8"ККТ № %s");
    size_t z = serial.find_first_not_of('0');
    std::string want = u8"ККТ № " + serial.substr(z == std::string::npos ? serial.size() - 1 : z);
    EXPECT_EQ(Utf8(kkt_serial_display()), want);
    mxmlDelete(p);
    EXPECT_EQ(Utf8(kkt_serial_display()), want);
}

// Payment types from the settings: only the attributes present replace the
// controller's values; a missing or outside index, a number that does not
// fit a byte, or no attribute at all writes nothing.
TEST_F(ServiceEntriesTest, PaymentTypesFromTheSettings)
{
    Drive();
    const char *xml = u8"<payments>"
                      u8"<payment index=\"3\" name=\"КАРТА БАНКА ОЧЕНЬ ДЛИННОЕ ИМЯ\" maskofoper=\"x07\" "
                      u8"exchangecourse=\"2.50\"/>"
                      u8"<payment name=\"БЕЗ НОМЕРА\"/>"
                      u8"<payment index=\"16\" name=\"ЗА ТАБЛИЦЕЙ\"/>"
                      u8"<payment index=\"4\"/>"
                      u8"<payment index=\"5\" currencyindex=\"300\"/>"
                      u8"<other index=\"6\" name=\"НЕ ВИД ОПЛАТЫ\"/>"
                      u8"</payments>";
    mxml_node_t *doc = mxmlLoadString(nullptr, xml, MXML_OPAQUE_CALLBACK);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(payment_from_settings(ui, doc), -1);
    EXPECT_EQ(Taken(), (std::vector<std::string>{"4B", "4A", "4B", "4B"}));
    kktsim::PaymentKind p = sim->Drive().settings.payments.at(3);
    EXPECT_EQ(p.name, u8"КАРТА БАНКА ОЧЕНЬ Д"); // 19 characters
    EXPECT_EQ(p.mask, 0x07);
    EXPECT_EQ(p.rate, "2.50");
    EXPECT_EQ(p.tag, 1216);
    EXPECT_EQ(sim->Drive().settings.payments.at(5).currency, 0);

    mxml_node_t *one = mxmlFindElement(doc, doc, "payment", nullptr, nullptr, MXML_DESCEND);
    mxmlElementSetAttr(one, "secondline", "1");
    mxmlElementDeleteAttr(one, "name");
    EXPECT_EQ(payment_entry_from_settings(ui, one), 0);
    EXPECT_EQ(sim->Drive().settings.payments.at(3).secondLine, 1);
    EXPECT_EQ(sim->Drive().settings.payments.at(3).name, u8"КАРТА БАНКА ОЧЕНЬ Д");
    mxmlDelete(doc);
}

} // namespace
} // namespace fiscaltest
