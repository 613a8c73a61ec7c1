// The lists a cashier chooses from against the codes they send: every row
// of every payment-object list the position editor can show, on each FFD
// version and in both marking modes, and the reason page whose bits depend
// on the FFD version of the registration. The labels are read from the
// dialog files under res/ (both screen sizes where a file has two) and
// compared with the meaning of the code in a table of the test's own.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "receipt_data.h"
#include "registration_reasons.h"

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The item texts of the list named `name` in a dialog file, in order.
std::vector<std::string> listItems(const std::string &file, const std::string &name)
{
    std::string text = readFile(file);
    std::vector<std::string> items;
    size_t at = text.find("name=\"" + name + "\"");
    if (at == std::string::npos)
        return items;
    size_t open = text.rfind('<', at);
    size_t tagEnd = text.find_first_of(" >", open);
    std::string close = "</" + text.substr(open + 1, tagEnd - open - 1) + ">";
    size_t end = text.find(close, at);
    for (size_t i = text.find("<ITEM>", at); i != std::string::npos && i < end; i = text.find("<ITEM>", i + 1)) {
        size_t from = text.find("<TEXT>", i) + 6;
        items.push_back(text.substr(from, text.find("</TEXT>", from) - from));
    }
    return items;
}

// The file at both screen sizes: the 240 x 320 one and, where there is
// one, its 320 x 240 variant.
std::vector<std::string> layouts(const std::string &file)
{
    std::vector<std::string> out = {std::string(SOURCE_DIR) + "/res/" + file};
    std::string wide = std::string(SOURCE_DIR) + "/res/320-240" + file;
    if (std::ifstream(wide).good())
        out.push_back(wide);
    return out;
}

// What each payment-object code means, as the list rows name it.
const std::map<int, std::string> kObjectNames = {
    {1, u8"ТОВАР"},
    {2, u8"ПОДАКЦИЗНЫЙ ТОВАР"},
    {3, u8"РАБОТА"},
    {4, u8"УСЛУГА"},
    {5, u8"СТАВКА АЗАРТНОЙ ИГРЫ"},
    {6, u8"ВЫИГРЫШ АЗАРТНОЙ ИГРЫ"},
    {7, u8"ЛОТЕРЕЙНЫЙ БИЛЕТ"},
    {8, u8"ВЫИГРЫШ ЛОТЕРЕИ"},
    {9, u8"ПРЕДОСТАВЛЕНИЕ РИД"},
    {10, u8"ПЛАТЕЖ"},
    {11, u8"АГЕНТСКОЕ ВОЗНАГРАЖДЕНИЕ"},
    {12, u8"ВЫПЛАТА"},
    {13, u8"ИНОЙ ПРЕДМЕТ РАСЧЕТА"},
    {14, u8"ИМУЩЕСТВЕННОЕ ПРАВО"},
    {15, u8"ВНЕРЕАЛИЗАЦИОННЫЙ ДОХОД"},
    {16, u8"ИНЫЕ ПЛАТЕЖИ И ВЗНОСЫ"},
    {17, u8"ТОРГОВЫЙ СБОР"},
    {18, u8"КУРОРТНЫЙ СБОР"},
    {19, u8"ЗАЛОГ"},
    {20, u8"РАСХОД"},
    {21, u8"ВЗНОСЫ НА ОПС ИП"},
    {22, u8"ВЗНОСЫ НА ОПС"},
    {23, u8"ВЗНОСЫ НА ОМС ИП"},
    {24, u8"ВЗНОСЫ НА ОМС"},
    {25, u8"ВЗНОСЫ НА ОСС"},
    {26, u8"ПЛАТЕЖ КАЗИНО"},
    {27, u8"ВЫДАЧА ДЕНЕЖНЫХ СРЕДСТВ"},
    {30, u8"ПОДАКЦ. ТОВАР БЕЗ КМ (АТНМ)"},
    {31, u8"ПОДАКЦ. ТОВАР С КМ (АТМ)"},
    {32, u8"ТОВАР БЕЗ КМ (ТНМ)"},
    {33, u8"ТОВАР С КМ (ТМ)"},
};

TEST(ListLabels, EveryPaymentObjectRowSendsTheCodeItNames)
{
    for (int ffd : {2, 3, 4}) {
        for (bool marking : {false, true}) {
            const PaymentObjectList list = payment_object_list(ffd, marking);
            ASSERT_NE(list.file, nullptr);
            for (const std::string &file : layouts(list.file)) {
                SCOPED_TRACE(file + " on FFD " + std::to_string(ffd) + (marking ? ", marking" : ", no marking"));
                std::vector<std::string> rows = listItems(file, "object");
                // every row has its own entry: none falls back to item 1
                ASSERT_EQ(rows.size(), static_cast<size_t>(list.table.count));
                for (size_t i = 0; i < rows.size(); ++i) {
                    const uint8_t code = table_entry(list.table, static_cast<unsigned>(i + 1));
                    auto name = kObjectNames.find(code);
                    ASSERT_NE(name, kObjectNames.end()) << "row " << i + 1 << " sends unknown code " << int(code);
                    EXPECT_EQ(rows[i], name->second) << "row " << i + 1 << " sends " << int(code);
                    EXPECT_EQ(table_item(list.table, code), i + 1) << "a stored object shows its own row";
                }
            }
        }
    }
    // marked goods are offered only where the drive takes them
    EXPECT_EQ(table_item(payment_object_list(4, true).table, 33), 2u);
    EXPECT_EQ(table_item(payment_object_list(4, false).table, 33), 1u);
}

// The reasons' third page: bits 15 and 16 name other changes in FFD 1.1
// than in FFD 1.2. The page shown follows the registration being made.
TEST(ListLabels, ReasonPageThreeFollowsTheFfdOfTheRegistration)
{
    const struct {
        int ffd;
        std::vector<std::string> bits15and16;
    } cases[] = {
        {3, {u8"ИЗМ. АГЕНТА", u8"ИЗМ. АЗАРТН.ИГР"}},
        {4, {u8"ИЗМ. УСЛОВИЙ", u8"ИЗМ. МАРКИРОВКИ"}},
    };
    for (const auto &c : cases) {
        for (const std::string &file : layouts(reg_reason_page_file(3, c.ffd))) {
            SCOPED_TRACE(file);
            std::vector<std::string> rows = listItems(file, "param");
            ASSERT_EQ(rows.size(), 5u);
            EXPECT_EQ(std::vector<std::string>(rows.begin() + 3, rows.end()), c.bits15and16);
        }
    }
    for (int page : {1, 2, 4, 5})
        EXPECT_STREQ(reg_reason_page_file(page, 3), reg_reason_page_file(page, 4)) << page;
    EXPECT_EQ(reg_reason_page_file(0, 4), nullptr);
    EXPECT_EQ(reg_reason_page_file(6, 4), nullptr);
}

} // namespace
