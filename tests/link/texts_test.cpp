// Service-result texts, the registrar's error texts and their formatting.
#include "ServiceResult.h"

#include <gtest/gtest.h>

#include "HexText.h"

#include <set>
#include <string.h>
#include <string>

namespace {

TEST(ServiceResultText, KnownAndUnknownCodes)
{
    struct Case {
        int code;
        const char *text;
    } cases[] = {
        {0, "УСПЕШНО"},
        {-1, "НЕПРАВИЛЬНЫЕ ПАРАМЕТРЫ"},
        {-2, "СЕРВИС НЕ ДОСТУПЕН"},
        {-3, "СБОЙ ОТПРАВКИ КОМАНДЫ"},
        {-4, "ОТВЕТ НЕ ПОЛУЧЕН"},
        {-5, "ОТВЕТ НЕКОРРЕКТНЫЙ"},
        {-6, "СБОЙ ПРИ ПЕЧАТИ"},
        {-7, "ЗАПРОС НЕ ПОДДЕРЖИВАЕТСЯ"},
        {-8, "КОНТРОЛЛЕР ФН В СЕРВИСНОМ РЕЖИМЕ"},
        {-9, "КОНТРОЛЛЕР ФН В РЕЖИМЕ ОБНОВЛЕНИЯ"},
        {-10, "НЕИЗВЕСТНАЯ ОШИБКА"},
        {-12, "НЕИЗВЕСТНАЯ ОШИБКА"},
        {-13, "НЕИЗВЕСТНАЯ ОШИБКА"},
        {1, "НЕИЗВЕСТНАЯ ОШИБКА"},
        {256, "НЕИЗВЕСТНАЯ ОШИБКА"},
    };
    for (const Case &tc : cases)
        EXPECT_STREQ(ServiceResultText(tc.code), tc.text) << tc.code;
    // CP1251 in memory.
    EXPECT_EQ(HexText(ServiceResultText(0)), "D3 D1 CF C5 D8 CD CE");
}

// The codes the registrar has texts for; every other byte is unknown.
const std::set<int> kKnown = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
    0x11, 0x12, 0x13, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24,
    0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F, 0x31, 0x32, 0x33, 0x45, 0x50, 0x51,
    0x52, 0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6F, 0x70, 0x71, 0x72, 0x73,
    0x74, 0x75, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x80, 0x81, 0x82, 0x84, 0x85, 0x86, 0x87,
    0x88, 0x89, 0x90, 0x93, 0x94, 0xA0, 0xA2, 0xA3, 0xA4, 0xA5, 0xAC, 0xAE,
};

TEST(FiscalErrorText, EveryByte)
{
    ASSERT_EQ(kKnown.size(), 97u);
    const char *unknown = FiscalErrorText(0x30);
    EXPECT_STREQ(unknown, "Неизвестная ошибка");
    std::set<std::string> distinct;
    for (int code = 0; code < 256; ++code) {
        const char *text = FiscalErrorText(static_cast<uint32_t>(code));
        ASSERT_NE(text, nullptr);
        if (kKnown.count(code)) {
            EXPECT_STRNE(text, unknown) << std::hex << code;
            distinct.insert(text);
        } else {
            EXPECT_STREQ(text, unknown) << std::hex << code;
        }
    }
    EXPECT_EQ(distinct.size(), 97u); // no text appears twice
}

TEST(FiscalErrorText, SelectedTexts)
{
    struct Case {
        uint32_t code;
        const char *text;
    } cases[] = {
        {0x00, "Ошибок нет"},
        {0x13, "Отрицательный итог дня"},
        {0x14, "Неизвестная ошибка"}, // the gap
        {0x15, "Необходимо закрыть смену"},
        {0x2F, "Индекс отдела/составляющей не обнаружен"},
        {0xFF, "Неизвестная ошибка"},
        {0x107, "Необходима команда \"Начало сеанса\""}, // low byte only
        {0xFFFFFF2F, "Индекс отдела/составляющей не обнаружен"},
        {0x100, "Ошибок нет"},
        {0xAE, "Реквизит 2007 содержит КМ,который ранее не проверялся в ФН"},
    };
    for (const Case &tc : cases)
        EXPECT_STREQ(FiscalErrorText(tc.code), tc.text) << std::hex << tc.code;
}

// Texts pinned byte for byte: ASCII quotes in 0x07, the CP1251 en dash 0x96 in
// 0x84 and 0x85.
TEST(FiscalErrorText, ExactBytes)
{
    const std::string t07 = HexText(FiscalErrorText(0x07));
    EXPECT_EQ(t07.substr(t07.size() - 3 * 15 + 1), "22 CD E0 F7 E0 EB EE 20 F1 E5 E0 ED F1 E0 22");
    const std::string t84 = HexText(FiscalErrorText(0x84));
    EXPECT_EQ(t84.substr(0, 3 * 18 - 1), "CE E3 F0 E0 ED 2E F0 E5 F1 F3 F0 F1 E0 20 D4 CD 96 E8");
    const char *t85 = FiscalErrorText(0x85);
    ASSERT_NE(strchr(t85, '\x96'), nullptr);
    EXPECT_EQ(strchr(t85, '\x96') - t85, 16);
}

TEST(FormatFiscalError, FormatsCodeDetailAndText)
{
    char out[128];
    EXPECT_EQ(FormatFiscalError(out, sizeof out, "%02X:%02X %s", 0x7E, 0x01), out);
    EXPECT_EQ(std::string(out), std::string("7E:01 ") + FiscalErrorText(0x7E));
    // Only the low bytes of code and detail are printed.
    FormatFiscalError(out, sizeof out, "ОШИБКА: GetWaitDocs\n%02X:%02X %s", 0x114, 0xA05);
    EXPECT_EQ(std::string(out), std::string("ОШИБКА: GetWaitDocs\n14:05 Неизвестная ошибка"));
}

// The buffer's size bounds every write; the result is always terminated.
TEST(FormatFiscalError, StaysInsideTheBuffer)
{
    char out[12];
    memset(out, '#', sizeof out);
    FormatFiscalError(out, 6, "%02X:%02X %s", 0x7E, 0x01);
    EXPECT_STREQ(out, "7E:01");
    EXPECT_EQ(out[6], '#');
    FormatFiscalError(out, 1, "%02X:%02X %s", 0x7E, 0x01);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(out[1], 'E'); // untouched beyond the one byte
    memset(out, '#', sizeof out);
    EXPECT_EQ(FormatFiscalError(out, 0, "%s", 0, 0), out);
    EXPECT_EQ(out[0], '#');
    EXPECT_EQ(FormatFiscalError(out, sizeof out, nullptr, 0, 0), out);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(FormatFiscalError(nullptr, 10, "%s", 0, 0), nullptr);
}

} // namespace
