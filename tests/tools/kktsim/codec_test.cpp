// The model's readers of outside text: amounts and quantities as the drive
// takes them, the JSON state file, and the scenario's drive statements.

#include "KktAmount.h"
#include "KktDrive.h"
#include "KktJson.h"
#include "KktScenario.h"
#include "KktText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KktAmount, ReadsAndWritesTwoDecimals)
{
    struct Case {
        const char *text;
        bool ok;
        int64_t kopecks;
        const char *back;
    } cases[] = {
        {"5", true, 500, "5.00"},           {"5.", true, 500, "5.00"},
        {"5.5", true, 550, "5.50"},         {"0.05", true, 5, "0.05"},
        {".5", true, 50, "0.50"},           {"-1.20", true, -120, "-1.20"},
        {"000012.30", true, 1230, "12.30"}, {"1000000000000", true, INT64_C(100000000000000), "1000000000000.00"},
        {"1000000000000.01", false, 0, ""}, {"99999999999999999999", false, 0, ""},
        {"1.005", false, 0, ""},            {"5,00", false, 0, ""},
        {"", false, 0, ""},                 {".", false, 0, ""},
        {"-", false, 0, ""},                {" 5", false, 0, ""},
        {"5 ", false, 0, ""},               {"+5", false, 0, ""},
        {"1e3", false, 0, ""},              {"--1", false, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        int64_t v = 777;
        EXPECT_EQ(kktsim::ParseAmount(c.text, v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.kopecks);
            EXPECT_EQ(kktsim::AmountText(v), c.back);
        } else {
            EXPECT_EQ(v, 777) << "a failed read leaves the value";
        }
    }
    EXPECT_EQ(kktsim::AmountText(-5), "-0.05");
    EXPECT_EQ(kktsim::AmountText(0), "0.00");
}

TEST(KktAmount, QuantitiesAndLineSumsRoundHalfUp)
{
    struct Case {
        const char *qty;
        bool ok;
        int64_t thousandths;
        int64_t price;
        int64_t sum;
    } cases[] = {
        {"1", true, 1000, 1050, 1050},     {"2.5", true, 2500, 333, 833},   // 8.325 -> 8.33
        {"0.001", true, 1, 499, 0},        {"0.001", true, 1, 500, 1},      // half a kopeck goes up
        {"1/3", true, 333, 333, 111},      {"2/3", true, 667, 300, 200},    // 0.6667 -> 0.667
        {"1.5/2", true, 750, 100, 75},     {"1/0", false, 0, 0, 0},
        {"1.0001", false, 0, 0, 0},        {"a", false, 0, 0, 0},
        {"1/", false, 0, 0, 0},            {"-1", false, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.qty);
        int64_t q = -1;
        EXPECT_EQ(kktsim::ParseQuantity(c.qty, q), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(q, c.thousandths);
        int64_t sum = -1;
        ASSERT_TRUE(kktsim::LineSum(c.price, q, sum));
        EXPECT_EQ(sum, c.sum);
    }
    int64_t sum;
    EXPECT_FALSE(kktsim::LineSum(kktsim::kMaxAmount, 2000, sum)) << "above the largest amount";
    EXPECT_FALSE(kktsim::LineSum(INT64_C(1) << 40, INT64_C(1) << 40, sum)) << "the product would overflow";
    EXPECT_EQ(kktsim::QuantityText(1500), "1.500");
}

TEST(KktJson, ReadsDocumentsAndRefusesDamage)
{
    kktsim::JsonValue v;
    std::string error;
    ASSERT_TRUE(kktsim::ParseJson(" {\"a\": [1, -2, true, null], \"b\": {\"c\": \"x\\u0416\\n\\ud83d\\ude00\"}} ",
                                  v, &error))
        << error;
    ASSERT_NE(v.Find("a"), nullptr);
    EXPECT_EQ(v.Find("a")->items.size(), 4u);
    EXPECT_EQ(v.Find("a")->items[1].number, -2);
    EXPECT_EQ(v.Find("b")->Find("c")->text, std::string("x\xD0\x96\n\xF0\x9F\x98\x80"));
    EXPECT_EQ(v.Find("z"), nullptr);

    struct Case {
        const char *text;
        const char *error;
    } cases[] = {
        {"", "offset 0 (line 1, column 1): syntax error while parsing value - unexpected end of input"},
        {"{\"a\": 1,}", "offset 8 (line 1, column 9): syntax error while parsing object key"},
        {"{\"a\" 1}", "expected ':'"},
        {"[1 2]", "expected ']'"},
        {"{\"a\": 1} x", "expected end of input"},
        {"\"abc", "missing closing quote"},
        {"\"a\x01\"", "control character"},
        {"\"\\x\"", "forbidden character after backslash"},
        {"\"\\u12\"", "must be followed by 4 hex digits"},
        {"\"\\u12G4\"", "must be followed by 4 hex digits"},
        {"\"\\ud800\"", "must be followed by U+DC00..U+DFFF"},
        {"\"\\udc00\"", "must follow U+D800..U+DBFF"},
        {"1.5", "only whole numbers"},
        {"99999999999999999999", "number too large"},
        {"[[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]", "nested too deep"},
        {"nul", "invalid literal"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        error.clear();
        EXPECT_FALSE(kktsim::ParseJson(c.text, v, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

// Journal strings are valid JSON whatever bytes a peer sent: escapes read
// back, bytes that are not UTF-8 become U+FFFD.
TEST(KktJson, JournalStringsAlwaysReadBack)
{
    struct Case {
        std::string text;
        std::string back;
    } cases[] = {
        {"plain", "plain"},
        {"\"q\" \\ \n\t\x01\x7F", "\"q\" \\ \n\t\x01\x7F"},
        {"\xD0\x96", "\xD0\x96"},
        {"a\xC6\x80" "b\xFF\xE0", "a\xC6\x80" "b\xEF\xBF\xBD\xEF\xBF\xBD"}, // a stray byte, a cut one
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        kktsim::JsonValue v;
        std::string error;
        ASSERT_TRUE(kktsim::ParseJson(kktsim::JsonString(c.text), v, &error)) << error;
        EXPECT_EQ(v.text, c.back);
    }
}

TEST(KktDriveState, JsonRoundTripKeepsEverything)
{
    kktsim::DriveState s;
    s.phase = kktsim::kPhaseReady;
    s.user = u8"ИП \"Ёлка\"\\";
    s.shiftOpen = true;
    s.shiftNumber = 65535;
    s.drawer = -1; // not a state the model makes, but the file keeps it
    s.shift.sums[3][15] = 123456789;
    s.shift.documents[15] = 7;
    s.running[2] = kktsim::kMaxAmount;
    s.docType = 4;
    s.items.push_back({u8"ТОВАР", 1999, 1500, 2999, {}});
    // The longest name one frame field can carry: every CP866 box-drawing
    // byte becomes three UTF-8 bytes.
    std::string longName;
    for (int i = 0; i < 4000; ++i)
        longName += u8"┌";
    s.items.push_back({longName, 1, 1000, 1, {}});
    s.docLines = {"a", ""};
    s.payments[2] = 42;
    s.resumeNeeded = true;
    s.markingFlags = 0xFFFFFFFFu;

    kktsim::DriveState back;
    std::string error;
    ASSERT_TRUE(back.FromJson(s.ToJson(), &error)) << error;
    EXPECT_EQ(back.ToJson(), s.ToJson());
    EXPECT_FALSE(back.Registered());
    EXPECT_EQ(back.items[0].quantity, 1500);

    // a damaged member leaves the whole state as it was
    kktsim::DriveState keep = back;
    EXPECT_FALSE(back.FromJson("{\"shift_open\": false, \"counters\": {\"documents\": [1]}}", &error));
    EXPECT_NE(error.find("documents"), std::string::npos) << error;
    EXPECT_EQ(back.ToJson(), keep.ToJson());
}

TEST(KktScenario, DriveStatementsSetANewDrive)
{
    kktsim::Scenario s;
    std::string error;
    EXPECT_FALSE(s.drive);
    ASSERT_TRUE(kktsim::ParseScenario(u8"drive registered no\n"
                                      "drive ffd 1.2\n"
                                      "drive serial 0000000000999999\n"
                                      "drive user ООО \"ТЕСТ\"\n"
                                      "drive shift open 12\n"
                                      "drive drawer 10.50\n"
                                      "drive work-modes 0010\n"
                                      "drive marking 00000100\n"
                                      "drive waiting 3\n"
                                      "drive fatal 10\n",
                                      s, &error))
        << error;
    EXPECT_TRUE(s.drive);
    const kktsim::DriveState &d = s.driveState;
    EXPECT_FALSE(d.Registered());
    EXPECT_EQ(d.ffd, 4);
    EXPECT_EQ(d.serial, "0000000000999999");
    EXPECT_EQ(d.user, u8"ООО \"ТЕСТ\"");
    EXPECT_TRUE(d.shiftOpen);
    EXPECT_EQ(d.shiftNumber, 12);
    EXPECT_EQ(d.drawer, 1050);
    EXPECT_EQ(d.workModes, 0x10);
    EXPECT_EQ(d.markingFlags, 0x100u);
    EXPECT_EQ(d.ofdWaiting, 3);
    EXPECT_EQ(d.FatalStatus(), 0x10) << "extra fatal bits; 08 follows the registration";

    struct Case {
        const char *text;
        const char *error;
    } cases[] = {
        {"drive registered maybe\n", "line 1: drive registered is yes or no"},
        {"drive ffd 2\n", "line 1: drive ffd is"},
        {"drive shift half\n", "line 1: expected \"drive shift open|closed [NUMBER]\""},
        {"drive shift open 70000\n", "line 1: expected \"drive shift"},
        {"drive drawer -1.00\n", "line 1: drive drawer needs an amount"},
        {"drive work-modes 10000\n", "line 1: drive work-modes needs a hex number"},
        {"drive serial\n", "line 1: drive serial needs a text"},
        {"drive colour red\n", "line 1: unknown drive setting \"colour\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        kktsim::Scenario t;
        EXPECT_FALSE(kktsim::ParseScenario(c.text, t, &error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

} // namespace
