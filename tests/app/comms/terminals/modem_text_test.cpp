// The modem screens' text handling: the answer's line reader, the UCS-2
// decoder of USSD answers, the USSD code's keys; and the modem stand-in's
// script.
#include "ModemSim.h"
#include "modem_terminal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The kinds of the lines completed by feeding the bytes.
std::vector<int> kinds(const std::string &bytes, int ussd, std::string *last = nullptr)
{
    static modem_line_reader reader;
    modem_line_reset(&reader);
    std::vector<int> out;
    for (char c : bytes) {
        int k = modem_line_feed(&reader, static_cast<uint8_t>(c), ussd);
        if (k != MODEM_LINE_NONE) {
            out.push_back(k);
            if (last)
                *last = reader.line;
        }
    }
    return out;
}

TEST(ModemLines, RecognisedByTheirStart)
{
    struct Case {
        const char *name;
        std::string bytes;
        int ussd;
        std::vector<int> expected;
    } cases[] = {
        {"OK", "OK\r\n", 0, {MODEM_LINE_OK}},
        {"echo then OK", "AT+CMGF=0\r\r\nOK\r\n", 0, {MODEM_LINE_OK}},
        {"ERROR", "ERROR\r\n", 0, {MODEM_LINE_ERROR}},
        {"OK with more is another line", "OK then\r\n", 0, {}},
        {"+CMS ERROR", "+CMS ERROR: 500\r\n", 0, {MODEM_LINE_CMS}},
        {"+CMS ERROR needs its line feed", "+CMS ERROR: 500", 0, {}},
        {"+CUSD only for USSD", "+CUSD: 0,\"0041\",72\r\n", 0, {}},
        {"+CUSD", "OK\r\n+CUSD: 0,\"0041\",72\r\n", 1, {MODEM_LINE_OK, MODEM_LINE_CUSD}},
        {"blank lines skipped", "\r\n\r\nOK\r\n", 0, {MODEM_LINE_OK}},
        {"a line of 2048 bytes is whole", std::string(2046, 'x') + "\r\nOK\r\n", 0, {MODEM_LINE_OK}},
        {"a longer line is dropped whole", "+CUSD:" + std::string(3000, '1') + "\r\nOK\r\n", 1, {MODEM_LINE_OK}},
        {"a long line ending like OK", std::string(2050, 'x') + "OK\r\n", 0, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(kinds(c.bytes, c.ussd), c.expected) << c.name;
    std::string line;
    kinds("+CMS ERROR: 500\r\n", 0, &line);
    EXPECT_EQ(line, "+CMS ERROR: 500\r\n");
}

TEST(Ucs2, DecodesCyrillicAndAscii)
{
    struct Case {
        const char *name;
        std::string line;
        std::string expected; // CP1251
    } cases[] = {
        {"greeting", "+CUSD: 0,\"041F04400438043204350442002100200020\",72\r\n", "Привет!  "},
        {"Ё and line breaks dropped", "+CUSD: 0,\"0401000A04100451\",72", "А"},
        {"a zero group ends it", "+CUSD: 0,\"00410000004200\",72", "A"},
        {"the closing quote ends a group early", "+CUSD: 0,\"41\",72", "A"},
        {"no quote", "+CUSD: 0,0041", ""},
        {"lower case is no digit", "+CUSD: 0,\"04a0\"", ""},
    };
    for (const Case &c : cases) {
        char out[64];
        size_t n = ucs2_decode(c.line.data(), c.line.size(), out, sizeof out);
        EXPECT_EQ(std::string(out, n), c.expected) << c.name;
    }
    char tiny[3];
    std::string hello = "+CUSD: 0,\"0048004900210021\"";
    EXPECT_EQ(ucs2_decode(hello.data(), hello.size(), tiny, sizeof tiny), 2u);
    EXPECT_STREQ(tiny, "HI");
}

TEST(UssdCode, KeysBuildTheCode)
{
    ussd_code[0] = 0;
    for (int key : {int('f'), int('1'), int('0'), int('2'), int('E'), int('x'), 13})
        ussd_code_key(key);
    EXPECT_STREQ(ussd_code, "*102#");
    EXPECT_EQ(ussd_code_key(8), 1);
    EXPECT_STREQ(ussd_code, "*102");
    EXPECT_EQ(ussd_code_key(13), 0);
    for (int i = 0; i < 20; ++i)
        ussd_code_key('9');
    EXPECT_EQ(std::string(ussd_code).size(), 11u) << "cut at 11 characters";
    ussd_code[0] = 0;
    EXPECT_EQ(ussd_code_key(8), 1);
    EXPECT_STREQ(ussd_code, "");
}

TEST(ModemScript, StatementsAndFaults)
{
    std::vector<modemsim::Rule> rules;
    std::string error;
    ASSERT_TRUE(modemsim::ParseScript(u8"# a modem\non AT+CUSD\nreply OK\ndelay 100\nreply-cusd AБ\non AT+CMGF\nsilent\n"
                                      "on ATI\nlong 3000\n",
                                      "s", rules, &error))
        << error;
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].replies[1].delayMs, 100u);
    EXPECT_EQ(rules[0].replies[1].line, "+CUSD: 0,\"00410411\",72");
    EXPECT_TRUE(rules[1].replies.empty());
    EXPECT_EQ(rules[2].replies[0].line.size(), 3000u);
    struct Bad {
        const char *text, *message;
    } bad[] = {
        {"reply OK\n", "s line 1: \"reply\" before the first \"on\""},
        {"on AT\ndelay x\n", "s line 2: \"x\" is not a delay in ms (0-600000)"},
        {"on AT\n\nfrob\n", "s line 3: unknown statement \"frob\""},
        {"on\n", "s line 1: \"on\" needs the command's beginning"},
    };
    for (const Bad &b : bad) {
        EXPECT_FALSE(modemsim::ParseScript(b.text, "s", rules, &error)) << b.text;
        EXPECT_EQ(error, b.message);
    }
}

} // namespace
