#include <gtest/gtest.h>

#include <vector>

#include "vuColor.h"

namespace {

_VU_TypeObject T(int t) { return static_cast<_VU_TypeObject>(t); }

struct TableCase {
    int type;
    std::vector<uint16_t> defaults;
};

// The default look of the toolkit, as the widgets expect to find it.
const TableCase kTables[] = {
    {0, {0xFFFF}},
    {1, {0x07FF, 0, 0x07FF, 0, 0x07FF, 0x001F, 0x07FF, 0, 0xF800, 0xFFFF, 0xFFE0, 0, 0x07FF}},
    {2, {0xFFFF, 0x0400, 0xFFFF, 0,                   // form
         0xFFFF, 0,                                   // static
         0, 0xFFFF, 0x001F, 0xFFFF,                   // button
         0xFFFF, 0, 0xFFE0, 0x001F,                   // input
         0xFFFF, 0x39E7, 0xFFE0, 0x39FF,              // pattern input
         0xFFFF, 0, 0xFFE0, 0x001F,                   // sign box
         0xFFFF, 0, 0xFFE0, 0x001F,                   // check box
         0xFFFF, 0, 0xFFE0, 0x001F,                   // radio
         0xFFFF, 0, 0xFFE0, 0x001F,                   // multi-line
         0xFFFF, 0x001F,                              // progress
         0xFFFF, 0, 0xFFE0, 0}},                      // menu box
    {3, {0xFFFF, 0x0400, 0xFFFF, 0, 0xFFFF, 0, 0xFFE0, 0x001F}},
    {7, {0xFFFF, 0, 0xFFE0, 0x001F}},
};

TEST(Color, DefaultsAndTableEnds) {
    for (const TableCase& t : kTables) {
        SCOPED_TRACE(testing::Message() << "type " << t.type);
        for (size_t i = 0; i < t.defaults.size(); ++i) {
            EXPECT_EQ(vuColor::GetColor(T(t.type), static_cast<uint16_t>(i)), t.defaults[i]) << "index " << i;
            EXPECT_EQ(vuColor_GetColor(t.type, static_cast<int>(i)), t.defaults[i]) << "index " << i;
        }
        uint16_t past = static_cast<uint16_t>(t.defaults.size());
        EXPECT_EQ(vuColor::GetColor(T(t.type), past), 0);
        EXPECT_EQ(vuColor::SetColor(T(t.type), past, 0x1234), -1);
        EXPECT_EQ(vuColor::GetColor(T(t.type), past), 0);
    }
}

TEST(Color, TypesWithoutTableAndBadFlatArguments) {
    const int noTable[] = {4, 5, 6, 8, 10, 12, 36};
    for (int type : noTable) {
        EXPECT_EQ(vuColor::GetColor(T(type), 0), 0) << type;
        EXPECT_EQ(vuColor::SetColor(T(type), 0, 0x1234), -1) << type;
    }
    // Flat callers pass ints: nothing outside the tables may wrap into them.
    const struct {
        int type, index;
    } bad[] = {{-1, 0}, {100, 0}, {2, -1}, {2, 65536 + 1}, {0, 65536}};
    for (const auto& b : bad) {
        EXPECT_EQ(vuColor_GetColor(b.type, b.index), 0) << b.type << "/" << b.index;
        EXPECT_EQ(vuColor_SetColor(b.type, b.index, 0x1234), -1) << b.type << "/" << b.index;
    }
    EXPECT_EQ(vuColor::GetColor(T(2), 1), 0x0400);
    EXPECT_EQ(vuColor::GetColor(T(0), 0), 0xFFFF);
}

TEST(Color, SetChangesOnlyThatEntry) {
    EXPECT_EQ(vuColor::SetColor(T(1), 12, 0xABCD), 0);
    EXPECT_EQ(vuColor::GetColor(T(1), 12), 0xABCD);
    EXPECT_EQ(vuColor::cStatusLine[12], 0xABCD);
    EXPECT_EQ(vuColor::GetColor(T(1), 11), 0);
    EXPECT_EQ(vuColor_SetColor(0, 0, 0), 0);
    EXPECT_EQ(vuColor::cUI[0], 0);
    // The flat setter keeps the low 16 bits of the colour.
    EXPECT_EQ(vuColor_SetColor(7, 3, 0x1F800), 0);
    EXPECT_EQ(vuColor_GetColor(7, 3), 0xF800);
    EXPECT_EQ(vuColor::GetColor(T(7), 2), 0xFFE0);
    vuColor::SetColor(T(1), 12, 0x07FF);
    vuColor::SetColor(T(0), 0, 0xFFFF);
    vuColor::SetColor(T(7), 3, 0x001F);
}

}  // namespace
