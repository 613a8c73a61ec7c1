// Date records and texts, the brightness and SIM-socket properties, the
// settings attributes in the program's own text, decimal entry fields and
// the reboot's beeps, against the OS stand-in in a temporary terminal root.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "date_record.h"
#include "input_decimal.h"
#include "node_attr.h"
#include "osal.h"
#include "terminal_helpers.h"
#include "vuEvent.h"
#include "vuInput.h"

namespace {

class TerminalHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/terminal_helpers_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("TERMINAL_ROOT");
        OsTestClockDisable();
        std::string cmd = "rm -rf " + root;
        (void)system(cmd.c_str());
    }
    // The stand-in's event log without its time stamps.
    std::vector<std::string> Events()
    {
        std::vector<std::string> lines;
        std::ifstream in(root + "/data/osal/events.log");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }
    std::string root;
};

// ---- date records ----------------------------------------------------------

struct CarryCase {
    const char *what;
    date_record in, out;
};

const CarryCase kCarries[] = {
    {"in range", {2026, 3, 5, 10, 20, 30, 4}, {2026, 3, 5, 10, 20, 30, 4}},
    {"leap second", {2026, 3, 5, 10, 20, 60, 4}, {2026, 3, 5, 10, 21, 0, 4}},
    {"second ripples to the year", {2026, 12, 31, 23, 59, 60, 6}, {2027, 1, 1, 0, 0, 0, 0}},
    {"hours carry into day and weekday", {2026, 3, 5, 49, 0, 0, 5}, {2026, 3, 7, 1, 0, 0, 0}},
    // Days carry at 31 whatever the month: 31 April stays.
    {"31 April stays", {2026, 4, 31, 0, 0, 0, 4}, {2026, 4, 31, 0, 0, 0, 4}},
    {"day 32 of February", {2026, 2, 32, 0, 0, 0, 0}, {2026, 3, 1, 0, 0, 0, 0}},
    {"month 25", {2026, 25, 1, 0, 0, 0, 0}, {2028, 1, 1, 0, 0, 0, 0}},
    {"weekday 13", {2026, 1, 1, 0, 0, 0, 13}, {2026, 1, 1, 0, 0, 0, 6}},
};

TEST(DateRecord, CarriesOutOfRangeValuesUpwards)
{
    for (const CarryCase &c : kCarries) {
        SCOPED_TRACE(c.what);
        date_record r = c.in;
        date_record_normalise(&r);
        EXPECT_EQ(memcmp(&r, &c.out, sizeof r), 0)
            << r.year << "-" << r.month << "-" << r.day << " " << r.hour << ":" << r.minute << ":" << r.second
            << " wd " << r.weekday;
    }
    date_record_normalise(nullptr);
    now_date_record(nullptr);
}

TEST(DateRecord, TextsOfAGivenTimeUseTheirOwnBuffers)
{
    struct tm t {};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 9;
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 3;
    const char *date = date_text(&t);
    const char *time = time_text(&t);
    EXPECT_STREQ(date, "09.01.2026");
    EXPECT_STREQ(time, "07:05:03");
    EXPECT_NE(date, time);
}

// The record and the texts of "now" follow the OS clock, also after the
// clock was set.
TEST_F(TerminalHelpers, NowFollowsTheOsClock)
{
    OsTime set = {2031, 3, 5, 10, 20, 30, 0};
    ASSERT_EQ(OsSetTime(&set), 0);
    date_record r;
    now_date_record(&r);
    EXPECT_EQ(r.year, 2031);
    EXPECT_EQ(r.month, 3);
    EXPECT_EQ(r.day, 5);
    EXPECT_EQ(r.hour, 10);
    EXPECT_EQ(r.weekday, 3); // a Wednesday
    EXPECT_STREQ(date_text(nullptr), "05.03.2031");
    EXPECT_EQ(std::string(time_text(nullptr)).substr(0, 3), "10:");
}

// ---- terminal properties -----------------------------------------------------

TEST_F(TerminalHelpers, BrightnessComesFromThePropertyWithItsFallbacks)
{
    struct {
        const char *property; // null: absent
        const char *level;
    } cases[] = {
        {nullptr, "8"}, {"", "8"}, {"5", "5"}, {"0", "1"}, {"x10", "16"}, {"junk", "1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.property ? c.property : "(absent)");
        if (c.property) {
            ASSERT_EQ(OsRegSetValue("persist.sys.lcd.brightness", c.property), 0);
        }
        apply_brightness();
        char value[OS_REG_VALUE_MAX];
        ASSERT_GT(OsRegGetValue("osal.screen.brightness", value), 0);
        EXPECT_STREQ(value, c.level);
    }
    // Kept awake, the screen gets the level again.
    ASSERT_EQ(OsRegSetValue("persist.sys.lcd.brightness", "3"), 0);
    keep_awake();
    EXPECT_EQ(Events().back(), "brightness 3");
}

TEST_F(TerminalHelpers, SimSocketsAreAtLeastOne)
{
    EXPECT_EQ(sim_socket_count(), 1);
    struct {
        const char *property;
        int count;
    } cases[] = {{"2", 2}, {"0", 1}, {"-3", 1}, {"none", 1}, {"4 sockets", 4}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.property);
        ASSERT_EQ(OsRegSetValue("ro.fac.simsocket", c.property), 0);
        EXPECT_EQ(sim_socket_count(), c.count);
    }
}

// Without a controller service the line is lost, but the beeps come first,
// then the reboot; no question is asked.
TEST_F(TerminalHelpers, BeepsThenRebootsWithoutAQuestion)
{
    OsTestClockEnable(1000);
    EXPECT_EXIT(beep_and_reboot(2), ::testing::ExitedWithCode(OS_REBOOT_EXIT_STATUS), "");
    EXPECT_EQ(Events(), (std::vector<std::string>{"beep 4 200", "beep 4 200", "reboot"}));
}

TEST(InfoScreenKeys, OnlyTheDigitZeroEndsTheScreen)
{
    struct {
        uint8_t key;
        int result;
    } cases[] = {{'0', 100}, {'1', 0}, {0, 0}, {13, 0}, {27, 0}};
    for (const auto &c : cases) {
        vuEvent e{};
        e.key = c.key;
        EXPECT_EQ(info_screen_keys(&e, 0), c.result) << int(c.key);
    }
    EXPECT_EQ(info_screen_keys(nullptr, 0), 0);
}

// ---- settings attributes ---------------------------------------------------------

class NodeAttr : public ::testing::Test {
protected:
    void SetUp() override { node = mxmlNewElement(MXML_NO_PARENT, "shift"); }
    void TearDown() override { mxmlDelete(node); }
    mxml_node_t *node = nullptr;
};

TEST_F(NodeAttr, TextsRoundTripThroughUtf8)
{
    // "№" and "€" take three UTF-8 bytes each: a short buffer would cut them.
    const char *texts[] = {"КАССИР №1", "№№№", "€ 5", "ёЁ plain", ""};
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        node_set_attr_cp1251(node, "name", text);
        char back[64] = "x";
        node_get_attr_cp1251(node, "name", back, sizeof back);
        EXPECT_STREQ(back, text);
    }
    node_set_attr_cp1251(node, "name", "Ж");
    char raw[16] = "";
    node_get_attr(node, "name", raw, sizeof raw);
    EXPECT_STREQ(raw, u8"Ж");
}

TEST_F(NodeAttr, AbsentAttributesAndShortBuffers)
{
    char dst[8] = "keep";
    node_get_attr(node, "none", dst, sizeof dst);
    EXPECT_STREQ(dst, "keep");
    node_get_attr_cp1251(node, "none", dst, sizeof dst);
    EXPECT_STREQ(dst, "");

    mxmlElementSetAttr(node, "inn", "123456789012");
    node_get_attr(node, "inn", dst, sizeof dst);
    EXPECT_STREQ(dst, "1234567");
    node_set_attr_cp1251(node, "name", "ПЕТРОВ");
    node_get_attr_cp1251(node, "name", dst, sizeof dst);
    EXPECT_STREQ(dst, "ПЕТРОВ");
    char tiny[4];
    node_get_attr_cp1251(node, "name", tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "ПЕТ");
    node_set_attr_cp1251(nullptr, "name", "x");
    node_set_attr_cp1251(node, "name", nullptr);
    EXPECT_STREQ(mxmlElementGetAttr(node, "name"), u8"ПЕТРОВ");
}

// ---- decimal entry fields -----------------------------------------------------------

TEST(InputDecimal, ValuesRoundTripAtTheFieldsRadix)
{
    struct {
        unsigned short radix;
        const char *in, *digits, *out;
    } cases[] = {
        {2, "12.5", "1250", "12.50"},  {2, "12.345", "1235", "12.35"}, {2, "7", "700", "7.00"},
        {3, "1.2", "1200", "1.200"},   {0, "12.7", "13", "13"},        {0, "42", "42", "42"},
        {2, "0.05", "005", "0.05"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in);
        vuInput field(0, 0, 100, 20, 20, VU_IN_NUMERIC);
        field.SetRadix(c.radix);
        input_set_decimal(&field, c.in);
        EXPECT_STREQ(field.GetValue(), c.digits);
        EXPECT_STREQ(input_get_decimal(&field), c.out);
    }
}

// A copy that fills the work buffer still takes the point and the zeros the
// radix adds.
TEST(InputDecimal, LongTextsStayInsideTheirBuffers)
{
    vuInput field(0, 0, 100, 20, 60, VU_IN_NUMERIC);
    field.SetRadix(3);
    const std::string digits(40, '9');
    input_set_decimal(&field, digits.c_str());
    EXPECT_EQ(std::string(field.GetValue()), std::string(35, '9') + "000");
    const char *text = input_get_decimal(&field);
    ASSERT_NE(text, nullptr);
    EXPECT_LE(strlen(text), 37u);
    EXPECT_EQ(input_get_decimal(nullptr), nullptr);
}

} // namespace
