// The operating-system error texts: both tables pinned byte for byte in
// CP1251 (a digest over every code that has a text), and the codes the
// screens rely on.
#include "os_errors.h"

#include <gtest/gtest.h>

#include <stdint.h>

#include <string>

#include "HexText.h"

namespace {

// FNV-1a over "code=text\n" for every code with a text, from 10 down to
// -5000; the count of such codes.
uint64_t digest(const char *(*lookup)(int), int *count)
{
    uint64_t h = 0xcbf29ce484222325ULL;
    *count = 0;
    for (int code = 10; code >= -5000; --code) {
        const char *text = lookup(code);
        EXPECT_NE(text, nullptr) << code;
        if (!text || !*text)
            continue;
        ++*count;
        std::string line = std::to_string(code) + "=" + text + "\n";
        for (unsigned char c : line) {
            h ^= c;
            h *= 0x100000001b3ULL;
        }
    }
    return h;
}

TEST(OsErrorText, BothTablesWholeInCp1251)
{
    int count = 0;
    EXPECT_EQ(digest(os_error_text, &count), 0xa2f753bb66c57856ULL);
    EXPECT_EQ(count, 89);
    EXPECT_EQ(digest(os_error_text2, &count), 0x23e33464408d1b57ULL);
    EXPECT_EQ(count, 88);
}

TEST(OsErrorText, CodesTheScreensShow)
{
    EXPECT_STREQ(os_error_text(-3414), "USB порт занят.");
    EXPECT_STREQ(os_error_text(-3405), "USB порт занят.");
    EXPECT_STREQ(os_error_text(-2201), "Файл не найден.");
    EXPECT_STREQ(os_error_text(-1019), "Файл не найден.");
    EXPECT_STREQ(os_error_text(1), "Соединение активно.");
    EXPECT_STREQ(os_error_text(-1001), "Превышен таймаут.");
    // Misspellings stay as they are.
    EXPECT_STREQ(os_error_text(-3503), "Ошибка ининциализации GPRS модуля.");
    EXPECT_STREQ(os_error_text(-3319), "Не могу соединиться с указаным сервером.");
    EXPECT_EQ(HexText(os_error_text(-1004)), "D3 F1 F2 F0 EE E9 F1 F2 E2 EE 20 ED E5 20 ED E0 E9 E4 E5 ED EE 2E");
    for (int code : {0, 3, -1, -999, -1025, 4000})
        EXPECT_STREQ(os_error_text(code), "") << code;

    EXPECT_STREQ(os_error_text(-3309), "Неправильный пароль.");
    EXPECT_STREQ(os_error_text2(-3309), "");
    EXPECT_STREQ(os_error_text2(-3310), "Соединение не активно.");
    EXPECT_STREQ(os_error_text(-3310), "Соединение неактивно.");
    EXPECT_STREQ(os_error_text2(-3417), "Не верное состояние USB устройства.");
    EXPECT_STREQ(os_error_text2(-2208), "Ключ PUK не установлен.");
    EXPECT_STREQ(os_error_text2(-2207), "Не достаточно прав (только из MAINAPP).");
    EXPECT_STREQ(os_error_text2(-1021), "Не верная кодировка шрифта.");
    EXPECT_STREQ(os_error_text2(-1018), "Не верное состояние приложения.");
    EXPECT_STREQ(os_error_text2(-1007), "Не достаточно прав.");
    EXPECT_STREQ(os_error_text2(-1004), os_error_text(-1004));
}

} // namespace
