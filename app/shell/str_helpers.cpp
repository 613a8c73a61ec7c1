#include "str_helpers.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <unistd.h>

char *str_copy(char *dst, const char *src, size_t size)
{
    if (!dst || !src || size == 0)
        return dst;
    size_t n = strnlen(src, size - 1);
    std::memcpy(dst, src, n);
    std::memset(dst + n, 0, size - n);
    return dst;
}

char *str_append(char *dst, const char *src, size_t size)
{
    if (!dst || !src || size == 0)
        return dst;
    size_t len = strnlen(dst, size);
    if (len >= size - 1)
        return dst;
    size_t n = strnlen(src, size - 1 - len);
    std::memcpy(dst + len, src, n);
    dst[len + n] = '\0';
    return dst;
}

int str_format(char *dst, size_t size, const char *fmt, ...)
{
    if (!dst || !fmt)
        return 0;
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(dst, size, fmt, ap);
    va_end(ap);
    if (size > 0)
        dst[size - 1] = '\0';
    return n;
}

int str_format_append(char *dst, size_t size, const char *fmt, ...)
{
    if (!dst || !fmt || size == 0)
        return 0;
    size_t len = strnlen(dst, size);
    if (len >= size - 1)
        return 0;
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(dst + len, size - len, fmt, ap);
    va_end(ap);
    dst[size - 1] = '\0';
    return n;
}

size_t safe_strlen(const char *text)
{
    return text ? std::strlen(text) : 0;
}

int str_equal_nocase(const char *a, const char *b)
{
    if (!a || !b || !*a || !*b)
        return -1;
    return strcasecmp(a, b);
}

int str_equal(const char *a, const char *b)
{
    if (!a || !b || !*a || !*b)
        return -1;
    return std::strcmp(a, b);
}

int str_not_empty(const char *text)
{
    return text && *text ? 1 : 0;
}

int str_is_digits(const char *text)
{
    if (!text || !*text)
        return 0;
    for (; *text; ++text)
        if (*text < '0' || *text > '9')
            return 0;
    return 1;
}

int str_is_number(const char *text)
{
    if (!text || !*text)
        return 0;
    for (; *text; ++text)
        if ((*text < '0' || *text > '9') && *text != '.')
            return 0;
    return 1;
}

char *trim_right(char *text)
{
    if (!text)
        return text;
    size_t len = std::strlen(text);
    while (len > 0 && text[len - 1] == ' ')
        text[--len] = '\0';
    return text;
}

char *trim_blanks(char *text)
{
    if (!text)
        return text;
    auto blank = [](unsigned char c) { return c >= 0x01 && c <= 0x20; };
    size_t start = 0;
    while (blank(text[start]))
        ++start;
    size_t len = std::strlen(text + start);
    std::memmove(text, text + start, len + 1);
    while (len > 0 && blank(text[len - 1]))
        text[--len] = '\0';
    return text;
}

char *strip_control_chars(char *text)
{
    if (!text)
        return text;
    char *w = text;
    for (const char *r = text; *r; ++r)
        if (static_cast<unsigned char>(*r) >= 0x20)
            *w++ = *r;
    *w = '\0';
    return text;
}

char *strip_leading_zeros(char *text)
{
    if (!text)
        return text;
    size_t skip = 0;
    size_t len = std::strlen(text);
    while (skip + 1 < len && text[skip] == '0')
        ++skip;
    std::memmove(text, text + skip, len - skip + 1);
    return text;
}

char *newlines_to_spaces(char *text)
{
    for (char *p = text; p && *p; ++p)
        if (*p == '\n')
            *p = ' ';
    return text;
}

int word_in_list(const char *word, const char *list, char separator)
{
    if (!word || !list || !*word)
        return 0;
    const char *at = std::strstr(list, word);
    if (!at)
        return 0;
    size_t n = std::strlen(word);
    bool startOk = at == list || at[-1] == separator;
    bool endOk = at[n] == '\0' || at[n] == separator;
    return startOk && endOk ? 1 : 0;
}

const char *digit_suffix(const char *text)
{
    if (!text)
        return "";
    const char *end = text + std::strlen(text);
    const char *p = end;
    while (p > text && p[-1] >= '0' && p[-1] <= '9')
        --p;
    return p;
}

int compare_triples(unsigned a1, unsigned a2, unsigned a3, unsigned b1, unsigned b2, unsigned b3)
{
    if (a1 != b1)
        return a1 > b1 ? 1 : -1;
    if (a2 != b2)
        return a2 > b2 ? 1 : -1;
    if (a3 != b3)
        return a3 > b3 ? 1 : -1;
    return 0;
}

char *tag_text_append(char *text, unsigned tag, const char *value, size_t size)
{
    if (!text)
        return text;
    char number[16];
    std::snprintf(number, sizeof number, "<%4.4u>", tag);
    if (*text)
        str_append(text, "|", size);
    str_append(text, number, size);
    str_append(text, value ? value : "", size);
    return text;
}

int read_line(int fd, char *buffer, size_t size)
{
    if (!buffer || size < 2)
        return 0;
    buffer[0] = '\0';
    size_t i = 0;
    for (;;) {
        char c;
        ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != 1) {
            buffer[i] = '\0';
            return i > 0 ? 1 : 0;
        }
        if (c == '\n') {
            buffer[i] = '\0';
            return 1;
        }
        if (c == '\r')
            continue;
        buffer[i++] = c;
        if (i + 1 >= size) {
            buffer[i] = '\0';
            return 1;
        }
    }
}

int sem_try_wait(sem_t *sem)
{
    if (!sem)
        return 0;
    if (sem_trywait(sem) == 0)
        return 0;
    return errno == EAGAIN ? 1 : 0;
}
