// The terminals' scrollback: escape sequences, backspace, the limit of
// 8190 characters; the monitor terminal's key table.
#include "monitor_terminal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string feed(const std::string &start, const std::string &bytes)
{
    terminal_clear();
    terminal_append(start.data(), start.size());
    terminal_append(bytes.data(), bytes.size());
    return terminal_scrollback;
}

TEST(TerminalAppend, EscapesAndBackspace)
{
    struct Case {
        const char *name;
        std::string start, bytes, expected;
    } cases[] = {
        {"plain", "", "abc", "abc"},
        {"cursor left removes a character", "ab", "\x1b[1D", "a"},
        {"cursor left keeps a line feed", "a\n", "\x1b[1D", "a\n"},
        {"cursor left keeps a carriage return", "a\r", "\x1b[1D", "a\r"},
        {"cursor left on nothing", "", "\x1b[1Dx", "x"},
        {"backspace removes a line feed", "a\n", "\b", "a"},
        {"backspace on nothing", "", "\b\bx", "x"},
        {"other sequence swallowed with two bytes", "a", "\x1bXYZb", "aZb"},
        {"ESC [ 2 swallowed with two bytes only", "a", "\x1b[2Jb", "aJb"},
        {"ESC [ 1 and another letter swallowed", "ab", "\x1b[1Cc", "abc"},
        {"a sequence split over two feeds", "ab\x1b[", "1D", "a"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(feed(c.start, c.bytes), c.expected) << c.name;
}

TEST(TerminalAppend, KeepsTheLast8190Characters)
{
    terminal_clear();
    std::string text(8190, 'x');
    text[0] = 'A';
    text[1] = 'B';
    terminal_append(text.data(), text.size());
    EXPECT_EQ(std::string(terminal_scrollback), text);
    terminal_append("C", 1); // the 8191st pushes the first out
    std::string now = terminal_scrollback;
    EXPECT_EQ(now.size(), 8190u);
    EXPECT_EQ(now.substr(0, 2), "Bx");
    EXPECT_EQ(now.back(), 'C');
    terminal_append("\b", 1);
    EXPECT_EQ(std::string(terminal_scrollback).size(), 8189u);
}

TEST(MonitorKeys, FixedCommands)
{
    struct Case {
        int key;
        const char *text;
    } cases[] = {{240, "\r\n"}, {241, "HC"}, {242, "q"}, {243, "?"}, {245, "BE"},
                 {246, "BF"},   {247, "BI"}, {248, "SV"}, {249, "SC"}};
    for (const Case &c : cases) {
        ASSERT_NE(monitor_key_text(c.key), nullptr) << c.key;
        EXPECT_STREQ(monitor_key_text(c.key), c.text) << c.key;
    }
    for (int key : {0, 13, 27, 244, 250, int('1')})
        EXPECT_EQ(monitor_key_text(key), nullptr) << key;
}

} // namespace
