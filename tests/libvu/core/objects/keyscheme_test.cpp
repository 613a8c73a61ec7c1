#include <gtest/gtest.h>

#include "vuKeyScheme.h"

namespace {

class KeyScheme : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(vuKeyScheme::Init(), nullptr); }
    void TearDown() override { vuKeyScheme::Done(); }
};

TEST_F(KeyScheme, DefaultSchemeLookups) {
    const struct {
        unsigned short slot;
        unsigned char key, n;
        int expected;
    } cases[] = {
        {0, '2', 0, '2'},  {0, '2', 3, 'C'},  {0, '2', 4, 'a'}, {0, '2', 7, '2'},  // wraps at the length
        {0, '0', 7, '\r'}, {0, '1', 9, '"'},  {0, '9', 255, 'Y'},                  // 255 mod 7 = 3
        {0, '*', 0, 0},    {0, '#', 0, 0},    {0, 'A', 0, 0},   {0, '/', 0, 0},   {0, ':', 0, 0},
        {16, '1', 0, 0},   {1, '1', 0, 0},                                        // bad and empty slots
    };
    for (const auto& c : cases)
        EXPECT_EQ(vuKeyScheme::getKeySymbol(c.slot, c.key, c.n), c.expected)
            << "slot " << c.slot << " key " << c.key << " n " << int(c.n);
    EXPECT_STREQ(vuKeyScheme::getKeyScheme(0, '5'), "5JKLjkl");
    EXPECT_EQ(vuKeyScheme::getKeyScheme(0, '*'), nullptr);
    EXPECT_EQ(vuKeyScheme::getKeyScheme(16, '5'), nullptr);
}

TEST_F(KeyScheme, InstalledSchemeIsCopiedAndReadUnsigned) {
    char five[] = "";
    char two[] = "2\xC0\xC1\xC2";  // 2 and three Cyrillic capitals in CP1251
    const char* texts[12] = {nullptr, "1", two, nullptr, nullptr, five, nullptr, nullptr, nullptr, nullptr, "*", "#"};
    vuKeyScheme::setScheme(3, texts);
    two[1] = 'X';  // the scheme holds its own copy
    EXPECT_EQ(vuKeyScheme::getKeySymbol(3, '2', 1), 0xC0);
    EXPECT_EQ(vuKeyScheme::getKeySymbol(3, '2', 3), 0xC2);
    for (unsigned char n : {0, 1, 5})
        EXPECT_EQ(vuKeyScheme::getKeySymbol(3, '5', n), 0);  // empty text
    EXPECT_EQ(vuKeyScheme::getKeyScheme(3, '5'), nullptr);
    EXPECT_EQ(vuKeyScheme::getKeySymbol(3, '0', 0), 0);  // null text
    EXPECT_EQ(vuKeyScheme::getKeySymbol(3, '1', 200), '1');
    // Slot 0 keeps the default.
    EXPECT_EQ(vuKeyScheme::getKeySymbol(0, '2', 1), 'A');

    vuKeyScheme::setScheme(3, nullptr);
    EXPECT_EQ(vuKeyScheme::getKeySymbol(3, '2', 0), 0);
    EXPECT_EQ(vuKeyScheme::getKeyScheme(3, '1'), nullptr);
    vuKeyScheme::setScheme(16, texts);  // ignored
    EXPECT_EQ(vuKeyScheme::getKeySymbol(16, '1', 0), 0);

    vuKeyScheme::setDefaultScheme(3);
    EXPECT_EQ(vuKeyScheme::getKeySymbol(3, '8', 1), 'T');
    vuKeyScheme::setScheme(0, texts);
    vuKeyScheme::setDefaultScheme(0);
    EXPECT_EQ(vuKeyScheme::getKeySymbol(0, '2', 1), 'A');
}

TEST(KeySchemeLifetime, NothingBeforeInitOrAfterDone) {
    ASSERT_EQ(vuKeyScheme::handle, nullptr);
    const char* texts[12] = {"0"};
    vuKeyScheme::setScheme(0, texts);  // nothing to install into
    EXPECT_EQ(vuKeyScheme::getKeySymbol(0, '2', 0), 0);
    EXPECT_EQ(vuKeyScheme::getKeyScheme(0, '2'), nullptr);

    vuKeyScheme* first = vuKeyScheme::Init();
    EXPECT_EQ(vuKeyScheme::handle, first);
    vuKeyScheme::setScheme(2, texts);
    vuKeyScheme* second = vuKeyScheme::Init();  // replaces the first, which must not leak
    EXPECT_EQ(vuKeyScheme::handle, second);
    EXPECT_EQ(vuKeyScheme::getKeySymbol(2, '0', 0), 0);
    EXPECT_EQ(vuKeyScheme::getKeySymbol(0, '3', 0), '3');
    vuKeyScheme::Done();
    EXPECT_EQ(vuKeyScheme::handle, nullptr);
    EXPECT_EQ(vuKeyScheme::getKeySymbol(0, '3', 0), 0);
    vuKeyScheme::Done();  // a second Done is harmless
}

TEST(KeySchemeItem, CopiesTwelveTextsNullAndEmptyGiveNull) {
    const char* texts[12] = {"a", "", nullptr, "d", "e", "f", "g", "h", "i", "j", "star", "hash"};
    vuKeySchemeItem item(texts);
    char** keys = item.get();
    EXPECT_STREQ(keys[0], "a");
    EXPECT_NE(keys[0], texts[0]);
    EXPECT_EQ(keys[1], nullptr);
    EXPECT_EQ(keys[2], nullptr);
    EXPECT_STREQ(keys[11], "hash");
    vuKeySchemeItem none(nullptr);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(none.get()[i], nullptr);
}

}  // namespace
