// The values of the registration wizards, table by table: work modes in
// the three layouts and back through the setting, the reason-codes mask of
// the reason pages, the registration number's two forms, the page moves,
// and the readers of the registration totals.
#include <gtest/gtest.h>

#include <string>

#include "registration_fields.h"

namespace {

TEST(RegistrationFields, WorkModesBetweenTheWizardAndTheCommand)
{
    const struct {
        uint16_t wizard;
        uint16_t command;
    } cases[] = {
        {0x000, 0x000}, {0x03F, 0x03F}, {0x040, 0x100}, {0x080, 0x200},
        {0x100, 0x400}, {0x1C0, 0x700}, {0x1FF, 0x73F}, {0x004, 0x004},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.wizard);
        EXPECT_EQ(reg_modes_to_command(c.wizard), c.command);
        EXPECT_EQ(reg_modes_from_command(c.command), c.wizard);
    }
    // "KKTmode" 1792 checks items 6, 7 and 8 and is stored again as 1792.
    EXPECT_EQ(reg_modes_from_command(1792), 0x1C0);
    EXPECT_EQ(reg_modes_to_command(reg_modes_from_command(1792)), 1792);
    // Bits 6 and 7 of the setting (FFD 1.2 usage items) and the version
    // bits are dropped by the FFD 1.05 and 1.1 wizards.
    EXPECT_EQ(reg_modes_from_command(0xC0 | 0x4000 | 0x4000000), 0);
}

TEST(RegistrationFields, Ffd12WorkModesOverTwoLists)
{
    const struct {
        uint16_t modes, usage;
        uint32_t command;
    } cases[] = {
        {0x000, 0x01, 0x0800},  // "KKTmode" 2048: item 0 of "kktmode_ffd12" only
        {0x000, 0x1F, 0xF800},  {0x000, 0x20, 0x0040}, {0x000, 0x40, 0x0080},
        {0x1C0, 0x00, 0x0700},  {0x03F, 0x00, 0x003F}, {0x1FF, 0x7F, 0xFFFF},
        {0x006, 0x02, 0x1006},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(reg_modes12_to_command(c.modes, c.usage), c.command);
        uint16_t m = 0xFFFF, u = 0xFFFF;
        reg_modes12_from_command(c.command, &m, &u);
        EXPECT_EQ(m, c.modes);
        EXPECT_EQ(u, c.usage);
    }
    // Command 0x04 carries the value with 0x4000000; the setting never does.
    EXPECT_EQ(reg_modes12_to_command(0, 1) | REG_MODES_FFD12, 0x4000800u);
    uint16_t m, u;
    reg_modes12_from_command(0x4000800, &m, &u);
    EXPECT_EQ(reg_modes12_to_command(m, u), 0x800u);
}

TEST(RegistrationFields, NumberPaddedAndItsSequencePart)
{
    const struct {
        const char *number;
        int result;
        const char *padded, *sequence;
    } cases[] = {
        {"1012345", 0, "0000000001012345", "1"},
        {"0000000001012345", 0, "0000000001012345", "0000000001"},
        {"123456789012345", 0, "0123456789012345", "123456789"},
        {"123456", -1, "", ""},
        {"", -1, "", ""},
        // Only an edited dialog file lets more than 16 through: refused,
        // never cut.
        {"12345678901234567", -1, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.number);
        char padded[REG_NUMBER_WIDTH + 1] = "x", sequence[REG_NUMBER_WIDTH + 1] = "x";
        EXPECT_EQ(reg_number_forms(c.number, padded, sequence), c.result);
        EXPECT_STREQ(padded, c.padded);
        EXPECT_STREQ(sequence, c.sequence);
    }
}

TEST(RegistrationFields, ReasonMaskPageByPage)
{
    EXPECT_EQ(reg_reason_items(1) + reg_reason_items(2) + reg_reason_items(3) + reg_reason_items(4) +
                  reg_reason_items(5),
              23u);
    // Every item of every page: its bit, and back to the item.
    const uint32_t firstBit[] = {0, 6, 12, 17};
    for (int page = 1; page <= 5; ++page) {
        for (unsigned item = 0; item < reg_reason_items(page); ++item) {
            uint32_t bit = page == 5 ? (item ? 0x80000000u : 0x200000u) : 1u << (firstBit[page - 1] + item);
            SCOPED_TRACE(std::to_string(page) + "/" + std::to_string(item));
            EXPECT_EQ(reg_reason_page_store(page, 0, 1u << item), bit);
            EXPECT_EQ(reg_reason_page_value(page, bit), 1u << item);
            for (int other = 1; other <= 5; ++other) {
                if (other != page) {
                    EXPECT_EQ(reg_reason_page_value(other, bit), 0u);
                }
            }
        }
    }
    // A page's list with more items than its range (an edited dialog file)
    // sets none of another page's bits.
    for (int page = 1; page <= 5; ++page) {
        SCOPED_TRACE(page);
        uint32_t mask = reg_reason_page_store(page, 0, 0xFFFFFFFF);
        for (int other = 1; other <= 5; ++other) {
            if (other != page) {
                EXPECT_EQ(reg_reason_page_value(other, mask), 0u);
            }
        }
        EXPECT_EQ(mask & ~REG_REASON_BITS, 0u);
    }
    // Going back and changing a page replaces its range only.
    uint32_t mask = reg_reason_page_store(1, 0, 0x3);
    mask = reg_reason_page_store(2, mask, 0x2);
    mask = reg_reason_page_store(5, mask, 0x2);
    EXPECT_EQ(mask, 0x80000083u);
    mask = reg_reason_page_store(2, mask, 0x0);
    EXPECT_EQ(mask, 0x80000003u);
    mask = reg_reason_page_store(5, mask, 0x1);
    EXPECT_EQ(mask, 0x00200003u);
}

TEST(RegistrationFields, ReasonCodeOfTheList)
{
    EXPECT_EQ(reg_reason_code(1), 0);
    EXPECT_EQ(reg_reason_code(2), 1);
    EXPECT_EQ(reg_reason_code(5), 4);
    // No item selected counts as the first: no reason pages, never 0xFF.
    EXPECT_EQ(reg_reason_code(0), 0);
}

TEST(RegistrationFields, PageMovesOfTheWizards)
{
    const struct {
        int ffd12, page, ok, automat, next;
    } cases[] = {
        // FFD 1.05 and 1.1: 5 cashier, 6 automat number, 7 agents, 8 reason
        {0, 1, 1, 0, 2}, {0, 4, 1, 0, 5}, {0, 5, 1, 0, 7}, {0, 5, 1, 1, 6}, {0, 6, 1, 1, 7},
        {0, 7, 1, 0, 8}, {0, 8, 1, 0, 9}, {0, 1, 0, 0, 0}, {0, 6, 0, 1, 4}, {0, 7, 0, 1, 6},
        {0, 7, 0, 0, 5}, {0, 5, 0, 1, 4}, {0, 8, 0, 0, 7},
        // FFD 1.2: 5 usage, 6 cashier, 7 automat number, 8 tags, 9 reason
        {1, 4, 1, 0, 5}, {1, 5, 1, 0, 6}, {1, 5, 1, 1, 7}, {1, 6, 1, 0, 8}, {1, 7, 1, 1, 8},
        {1, 8, 1, 0, 9}, {1, 9, 1, 0, 10}, {1, 1, 0, 0, 0}, {1, 7, 0, 1, 5}, {1, 8, 0, 1, 7},
        {1, 8, 0, 0, 6}, {1, 6, 0, 0, 5}, {1, 9, 0, 0, 8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.ffd12) + ":" + std::to_string(c.page) + (c.ok ? " ok" : " back") +
                     (c.automat ? " automat" : ""));
        EXPECT_EQ(reg_page_move(c.ffd12, c.page, c.ok, c.automat), c.next);
    }
    EXPECT_EQ(reg_page_count(0), 8);
    EXPECT_EQ(reg_page_count(1), 9);
}

TEST(RegistrationFields, ReadersOfTheTotals)
{
    char out[15];
    reg_date_time_text("0102261530", out, sizeof out);
    EXPECT_STREQ(out, "01.02.26 15:30");
    reg_date_time_text("01022615301", out, sizeof out);
    EXPECT_STREQ(out, "01.02.26 15:30");
    reg_date_time_text("010226153", out, sizeof out);
    EXPECT_STREQ(out, "");
    reg_date_time_text(nullptr, out, sizeof out);
    EXPECT_STREQ(out, "");

    EXPECT_EQ(reg_hex_byte("1F"), 0x1F);
    EXPECT_EQ(reg_hex_byte("1F22"), 0x1F);
    EXPECT_EQ(reg_hex_byte("1"), 0);
    EXPECT_EQ(reg_hex_byte(""), 0);
    EXPECT_EQ(reg_hex_dword("02000080"), 0x80000002u);
    EXPECT_EQ(reg_hex_dword("0200"), 0x2u);
    EXPECT_EQ(reg_hex_dword("020000801234"), 0x80000002u);
    EXPECT_EQ(reg_hex_dword("2"), 0u);
}

} // namespace
