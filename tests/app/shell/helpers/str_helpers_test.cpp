// Bounded buffers and the small text helpers: nothing is written past a
// buffer and every result stays terminated.
#include "str_helpers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <semaphore.h>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

TEST(StrHelpers, CopyFillsAndTerminates)
{
    char buf[6];
    std::memset(buf, 'x', sizeof buf);
    str_copy(buf, "abcdefgh", sizeof buf);
    EXPECT_EQ(std::string(buf, sizeof buf), std::string("abcde\0", 6));
    str_copy(buf, "ab", sizeof buf);
    EXPECT_EQ(std::string(buf, sizeof buf), std::string("ab\0\0\0\0", 6)) << "the rest is zeroed";
    char one[1] = {'x'};
    str_copy(one, "abc", 1);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(str_copy(buf, nullptr, 6), buf);
}

TEST(StrHelpers, AppendStopsAtTheBuffer)
{
    char buf[6] = "abcde";
    str_append(buf, "xyz", sizeof buf);
    EXPECT_STREQ(buf, "abcde") << "full text unchanged";
    char buf2[6] = "abc";
    str_append(buf2, "xyz", sizeof buf2);
    EXPECT_STREQ(buf2, "abcxy");
}

TEST(StrHelpers, FormatReturnsTheFullCount)
{
    char buf[5];
    EXPECT_EQ(str_format(buf, sizeof buf, "%d-%s", 12, "abcdef"), 9);
    EXPECT_STREQ(buf, "12-a");
    EXPECT_EQ(str_format(nullptr, 5, "x"), 0);
    char acc[8] = "ab";
    str_format_append(acc, sizeof acc, "%s", "cdefghij");
    EXPECT_STREQ(acc, "abcdefg");
}

TEST(StrHelpers, TestsAndTrims)
{
    EXPECT_EQ(safe_strlen(nullptr), 0u);
    EXPECT_EQ(str_equal_nocase("Abc", "aBC"), 0);
    EXPECT_EQ(str_equal_nocase("", "a"), -1);
    EXPECT_EQ(str_equal("a", nullptr), -1);
    char blanks[] = "   ";
    EXPECT_STREQ(trim_right(blanks), "");
    char tabs[] = "a \t ";
    EXPECT_STREQ(trim_right(tabs), "a \t");
    char both[] = "\t a b \n";
    EXPECT_STREQ(trim_blanks(both), "a b");
    char ctl[] = "a\x01\x1f" "b\xC0";
    EXPECT_STREQ(strip_control_chars(ctl), "ab\xC0");
    char zeros[] = "000";
    EXPECT_STREQ(strip_leading_zeros(zeros), "0");
    EXPECT_EQ(str_is_digits("0123"), 1);
    EXPECT_EQ(str_is_digits(""), 0);
    EXPECT_EQ(str_is_number("1.5"), 1);
    EXPECT_EQ(str_is_number("-1"), 0);
}

TEST(StrHelpers, NotEmptyAndNewlinesToSpaces)
{
    EXPECT_EQ(str_not_empty(nullptr), 0);
    EXPECT_EQ(str_not_empty(""), 0);
    EXPECT_EQ(str_not_empty(" "), 1);
    EXPECT_EQ(str_not_empty("\xC0"), 1) << "a byte above 0x7F is a character";
    struct Case {
        const char *in, *out;
    } cases[] = {
        {"", ""}, {"\n", " "}, {"a\nb\n\nc", "a b  c"}, {"a\r\nb", "a\r b"}, {"\xC0\n\xFF", "\xC0 \xFF"},
    };
    for (const Case &c : cases) {
        std::string buf(c.in);
        EXPECT_EQ(newlines_to_spaces(&buf[0]), &buf[0]);
        EXPECT_EQ(buf, c.out) << c.in;
    }
    EXPECT_EQ(newlines_to_spaces(nullptr), nullptr);
}

TEST(StrHelpers, WordsAndTags)
{
    EXPECT_EQ(word_in_list("ab", "x;ab;c", ';'), 1);
    EXPECT_EQ(word_in_list("ab", "abc;ab", ';'), 0) << "only the first occurrence counts";
    EXPECT_EQ(word_in_list(nullptr, "ab", ';'), 0);
    EXPECT_STREQ(digit_suffix("abc123"), "123");
    EXPECT_STREQ(digit_suffix("abc"), "");
    EXPECT_EQ(compare_triples(2026, 1, 2, 2026, 1, 3), -1);
    EXPECT_EQ(compare_triples(2027, 1, 1, 2026, 12, 31), 1);
    char tags[32] = "";
    tag_text_append(tags, 1008, "a@b", sizeof tags);
    tag_text_append(tags, 7, "x", sizeof tags);
    EXPECT_STREQ(tags, "<1008>a@b|<0007>x");
}

class ReadLineTest : public ::testing::Test {
protected:
    int feed(const std::string &bytes)
    {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fds[1]);
        return fds[0];
    }
};

TEST_F(ReadLineTest, LinesCarriageReturnsAndEndOfFile)
{
    int fd = feed("a\r\nsecond\nlast");
    char buf[16];
    ASSERT_EQ(read_line(fd, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "a");
    ASSERT_EQ(read_line(fd, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "second");
    ASSERT_EQ(read_line(fd, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "last");
    EXPECT_EQ(read_line(fd, buf, sizeof buf), 0);
    close(fd);
}

TEST_F(ReadLineTest, LongLinesAreCutAndContinued)
{
    int fd = feed("abcdefg\n");
    char buf[4];
    ASSERT_EQ(read_line(fd, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "abc");
    ASSERT_EQ(read_line(fd, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "def");
    EXPECT_EQ(read_line(fd, buf, 1), 0);
    close(fd);
}

TEST(StrHelpers, SemTryWait)
{
    sem_t sem;
    sem_init(&sem, 0, 0);
    EXPECT_EQ(sem_try_wait(&sem), 1);
    sem_post(&sem);
    EXPECT_EQ(sem_try_wait(&sem), 0);
    EXPECT_EQ(sem_try_wait(&sem), 1);
    sem_destroy(&sem);
}

} // namespace
