// Setting up the controller: the work-word pages and the department table.
// The pure pieces are tables; the screens run against the stand-in with
// real dialogs and keys through the keypad.
#include "FiscalFixture.h"
#include "ReplyFrames.h"

#include <string.h>

#include "TMCommand.h"
#include "departments.h"
#include "kfn_state.h"
#include "params_setting.h"
#include "ui_xml.h"

namespace fiscaltest {
namespace {



// Toggles item n (from 1) of the check list in focus, then leaves it.
std::vector<uint16_t> Toggle(int n)
{
    std::vector<uint16_t> keys = {DigitKey('5')};
    for (int i = 1; i < n; ++i)
        keys.push_back(DigitKey('8'));
    keys.push_back(DigitKey('5'));
    keys.push_back(KEY_DOWN);
    return keys;
}

// Clears the field in focus (at most `width` characters) and types text,
// then moves on.
std::vector<uint16_t> Retype(const std::string &text, size_t width = 5)
{
    std::vector<uint16_t> keys(width, KEY_BACKSPACE);
    for (char c : text)
        keys.push_back(DigitKey(c));
    keys.push_back(KEY_DOWN);
    return keys;
}

TEST(HexWord, OneToFourHexDigits)
{
    struct Case {
        const char *text;
        bool ok;
        uint16_t value;
    } cases[] = {
        {"12", true, 0x0012},  {"0012", true, 0x0012}, {"FFFF", true, 0xFFFF}, {"abcd", true, 0xABCD},
        {"0", true, 0},        {"", false, 0x7777},    {"12345", false, 0x7777}, {"G1", false, 0x7777},
        {" 12", false, 0x7777}, {"12 ", false, 0x7777}, {"-1", false, 0x7777},  {"0x12", false, 0x7777},
    };
    for (const Case &c : cases) {
        uint16_t v = 0x7777;
        EXPECT_EQ(hex_word(c.text, &v), c.ok) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    uint16_t v = 0;
    EXPECT_FALSE(hex_word(nullptr, &v));
}

TEST(DepartmentTable, FromTheReply)
{
    struct Case {
        const char *name;
        std::vector<std::string> fields;
        std::vector<std::pair<int, std::string>> want;
    } cases[] = {
        {"empty", {}, {}},
        {"two", {"01", u8"ОТДЕЛ 1", "0A", "DRINKS"}, {{1, u8"ОТДЕЛ 1"}, {10, "DRINKS"}}},
        {"a zero number ends it", {"01", "A", "00", "B", "03", "C"}, {{1, "A"}}},
        {"a number without its name", {"02"}, {{2, ""}}},
        {"a number not a byte ends it", {"01", "A", "1", "B"}, {{1, "A"}}},
        {"a name cut to 30", {"05", std::string(40, 'N')}, {{5, std::string(30, 'N')}}},
        {"a deleted department", {"01", "A", "02", "", "03", "C"}, {{1, "A"}, {2, ""}, {3, "C"}}},
    };
    for (const Case &c : cases) {
        ReplyOf reply(0x61, c.fields);
        ASSERT_TRUE(reply.ok) << c.name;
        Department table[DEPARTMENTS_MAX];
        memset(table, 0x55, sizeof table);
        ASSERT_EQ(departments_from_reply(reply.cmd, table), static_cast<int>(c.want.size())) << c.name;
        for (size_t i = 0; i < DEPARTMENTS_MAX; ++i) {
            int number = i < c.want.size() ? c.want[i].first : 0;
            std::string name = i < c.want.size() ? c.want[i].second : "";
            EXPECT_EQ(table[i].number, number) << c.name << " " << i;
            EXPECT_EQ(Utf8(table[i].name), name) << c.name << " " << i;
        }
    }
    // More than 16 departments: the first 16 are taken.
    std::vector<std::string> many;
    for (int d = 1; d <= 20; ++d) {
        char n[4];
        snprintf(n, sizeof n, "%02X", d);
        many.push_back(n);
        many.push_back("D" + std::to_string(d));
    }
    ReplyOf reply(0x61, many);
    Department table[DEPARTMENTS_MAX];
    EXPECT_EQ(departments_from_reply(reply.cmd, table), 16);
    EXPECT_EQ(table[15].number, 16);
    EXPECT_STREQ(table[15].name, "D16");
}

TEST(DepartmentTable, ListedPositionsAndTheNumberCheck)
{
    Department t[DEPARTMENTS_MAX];
    memset(t, 0, sizeof t);
    t[0] = {1, "A"};
    t[1] = {2, ""}; // deleted: kept, not listed
    t[2] = {3, "C"};
    t[4] = {7, "E"};
    struct {
        unsigned selected;
        int entry;
    } positions[] = {{0, -1}, {1, 0}, {2, 2}, {3, 4}, {4, -1}};
    for (const auto &p : positions)
        EXPECT_EQ(department_listed(t, p.selected), p.entry) << p.selected;

    struct Case {
        const char *text;
        int self;
        DepartmentNumberCheck want;
        int number;
    } cases[] = {
        {"4", 3, DEPARTMENT_NUMBER_OK, 4},        {"255", 3, DEPARTMENT_NUMBER_OK, 255},
        {"256", 3, DEPARTMENT_NUMBER_BAD, -1},    {"300", 3, DEPARTMENT_NUMBER_BAD, -1}, // not cut to 44
        {"1a", 3, DEPARTMENT_NUMBER_BAD, -1},     {"", 3, DEPARTMENT_NUMBER_OK, 0},
        {"0", 3, DEPARTMENT_NUMBER_OK, 0},        {"3", 3, DEPARTMENT_NUMBER_TAKEN, -1},
        {"2", 3, DEPARTMENT_NUMBER_TAKEN, -1}, // a deleted department keeps its number
        {"3", 2, DEPARTMENT_NUMBER_OK, 3},        {"7", 4, DEPARTMENT_NUMBER_OK, 7},
    };
    for (const Case &c : cases) {
        uint8_t n = 99;
        EXPECT_EQ(department_number_check(c.text, t, &t[c.self], &n), c.want) << c.text;
        EXPECT_EQ(n, c.number < 0 ? 99 : c.number) << c.text;
    }
}

class ParamsTest : public FiscalTest {
protected:
    void Words(uint16_t w1, uint16_t w2, uint16_t w3, uint16_t w4)
    {
        sim->UpdateDrive([=](kktsim::DriveState &d) {
            d.workModes = w1;
            d.workParam2 = w2;
            d.lineFeeds = w3;
            d.workParam3 = w4;
        });
    }
    std::vector<uint16_t> DriveWords()
    {
        kktsim::DriveState d = sim->Drive();
        return {d.workModes, d.workParam2, d.lineFeeds, d.workParam3};
    }
    static std::string Page(int n) { return "kkt_dlg_param_" + std::to_string(n) + ".xml"; }
};

// Bit 0 set on page 1 and bit 7 on page 2; back from page 3 to page 2
// shows page 2's change; a change on page 3 then cancelled is dropped;
// without "is_ext" three words go out, "p1" typed as 12 is 0x0012.
TEST_F(ParamsTest, PagesWithGoingBackWriteThreeWords)
{
    Drive();
    Words(0x0100, 0x0200, 4, 0x0055);
    std::vector<uint16_t> lastPage = Then(Retype("12"), {KEY_ENTER});
    Script({{Page(1), Then(Toggle(1), {KEY_ENTER})},
            {Page(2), Then(Toggle(8), {KEY_ENTER})},
            {Page(3), Then(Toggle(1), {KEY_CANCEL})}, // dropped
            {Page(2), {KEY_ENTER}},                   // still bit 7 and bit 0 (0x81)
            {Page(3), {KEY_ENTER}},
            {Page(4), {KEY_ENTER}},
            {Page(5), {KEY_ENTER}},
            {Page(6), {KEY_CANCEL}},
            {Page(5), {KEY_ENTER}},
            {Page(6), lastPage}});
    CmdSetParams(ui, "ПАРАМЕТРЫ");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"4D", "4C"}));
    EXPECT_EQ(LastFields(sim->JournalPath(), "4C"), (std::vector<std::string>{"1200", "0002", "0400"}));
    // The fourth word was not sent: it stays.
    EXPECT_EQ(DriveWords(), (std::vector<uint16_t>{0x0012, 0x0200, 4, 0x0055}));
}

// Page 2's change is seen on page 6 (W1 0x8101), the fourth word goes out
// with "is_ext" checked; a refusal by the controller shows page 6 again
// with the values as typed.
TEST_F(ParamsTest, ExtendedFormAndARefusedWrite)
{
    Drive("fault 4C refuse 0C times 1\n");
    Words(0x0100, 0, 4, 0x0000);
    std::vector<uint16_t> p5 = Then(Toggle(2), {DigitKey('5'), DigitKey('5'), KEY_DOWN, KEY_ENTER}); // bit 1, is_ext
    Script({{Page(1), Then(Toggle(1), {KEY_ENTER})},
            {Page(2), Then(Toggle(8), {KEY_ENTER})},
            {Page(3), {KEY_ENTER}},
            {Page(4), {KEY_ENTER}},
            {Page(5), p5},
            {Page(6), {KEY_ENTER}},
            {u8"ОШИБКА", {KEY_ENTER}},
            {Page(6), {KEY_ENTER}}});
    CmdSetParams(ui, "ПАРАМЕТРЫ");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"4D", "4C", "4C"}));
    EXPECT_EQ(LastFields(sim->JournalPath(), "4C"), (std::vector<std::string>{"0181", "0000", "0400", "0200"}));
    EXPECT_EQ(DriveWords(), (std::vector<uint16_t>{0x8101, 0, 4, 0x0002}));
}

// A word that is no hex number (here "p1" emptied), or a line-feed count
// above a word, is refused with a box and page 6 stays as typed; nothing is written until it
// is mended. Cancel on page 1 leaves without writing.
TEST_F(ParamsTest, RefusalsAndCancel)
{
    Drive();
    Words(0x0010, 0x0020, 4, 0);
    Script({{Page(1), {KEY_CANCEL}}});
    CmdSetParams(ui, "ПАРАМЕТРЫ");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"4D"}));

    size_t from = TakenCount();
    size_t boxes = Boxes().size();
    std::vector<uint16_t> toPage6;
    Script({{Page(1), {KEY_ENTER}},
            {Page(2), {KEY_ENTER}},
            {Page(3), {KEY_ENTER}},
            {Page(4), {KEY_ENTER}},
            {Page(5), {KEY_ENTER}},
            // "p1" emptied: no hex word, refused (the old word is not kept)
            {Page(6), {KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE, KEY_ENTER}},
            {u8"ОШИБКА", {KEY_ENTER}},
            {Page(6), {DigitKey('1'), DigitKey('0'), KEY_DOWN, KEY_DOWN, KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE,
                       KEY_BACKSPACE, KEY_BACKSPACE, DigitKey('7'), DigitKey('0'), DigitKey('0'), DigitKey('0'),
                       DigitKey('0'), KEY_ENTER}},
            {u8"ОШИБКА", {KEY_ENTER}},
            // as typed, the count in focus to be mended
            {Page(6), Then(Retype("8"), {KEY_ENTER})}});
    CmdSetParams(ui, "ПАРАМЕТРЫ");
    EndScript();
    std::vector<std::string> shown = Boxes(boxes);
    std::vector<std::string> refusals;
    for (const std::string &b : shown)
        if (b.rfind(u8"ОШИБКА|", 0) == 0)
            refusals.push_back(b);
    EXPECT_EQ(refusals, (std::vector<std::string>{
                            u8"ОШИБКА|P1: НЕДОПУСТИМОЕ ЗНАЧЕНИЕ \"\"\n\nШЕСТНАДЦАТЕРИЧНОЕ ЧИСЛО ОТ 0 ДО FFFF",
                            u8"ОШИБКА|LF: НЕДОПУСТИМОЕ ЗНАЧЕНИЕ \"70000\"\n\nДОПУСТИМО ОТ 0 ДО 65535"}));
    EXPECT_EQ(Taken(from), (std::vector<std::string>{"4D", "4C"}));
    EXPECT_EQ(LastFields(sim->JournalPath(), "4C"), (std::vector<std::string>{"1000", "2000", "0800"}));
    EXPECT_EQ(DriveWords(), (std::vector<uint16_t>{0x0010, 0x0020, 8, 0}));
}

// The settings transfer: only the attributes present replace a word; the
// fourth word goes only with "param4" on a firmware above 238; the words
// are read back afterwards.
TEST_F(ParamsTest, FromSettings)
{
    Drive();
    Words(0x1111, 0x2222, 4, 0x4444);
    mxml_node_t *root = mxmlNewElement(MXML_NO_PARENT, "params");
    params_from_settings(ui, root);
    EXPECT_TRUE(Taken().empty());
    mxmlElementSetAttr(root, "param2", "x0102");
    mxmlElementSetAttr(root, "linefeed", "6");
    params_from_settings(ui, root);
    EXPECT_EQ(Taken(), (std::vector<std::string>{"4D", "4C", "4D"}));
    EXPECT_EQ(LastFields(sim->JournalPath(), "4C"), (std::vector<std::string>{"1111", "0201", "0600"}));
    EXPECT_EQ(DriveWords(), (std::vector<uint16_t>{0x1111, 0x0102, 6, 0x4444}));

    // "param4" goes out only when the controller's firmware is above 238:
    // unknown yet (0), then read at the start (K105320: 320).
    mxml_node_t *four = mxmlNewElement(MXML_NO_PARENT, "params");
    mxmlElementSetAttr(four, "param4", "x0A0B");
    params_from_settings(ui, four);
    EXPECT_EQ(LastFields(sim->JournalPath(), "4C"), (std::vector<std::string>{"1111", "0201", "0600"}));
    kfn_start(ui, 2);
    ASSERT_EQ(kfn_firmware_version(), 320);
    params_from_settings(ui, four);
    EXPECT_EQ(LastFields(sim->JournalPath(), "4C"), (std::vector<std::string>{"1111", "0201", "0600", "0B0A"}));
    EXPECT_EQ(DriveWords(), (std::vector<uint16_t>{0x1111, 0x0102, 6, 0x0A0B}));
    mxmlDelete(four);
    mxmlDelete(root);
}

class DepartmentsTest : public FiscalTest {
protected:
    std::vector<std::pair<int, std::string>> Table()
    {
        std::vector<std::pair<int, std::string>> out;
        for (const kktsim::DepartmentName &d : sim->Drive().settings.departments)
            out.push_back({d.number, d.name});
        return out;
    }
    static std::vector<uint16_t> Typed(const std::string &number, const std::string &name)
    {
        std::vector<uint16_t> keys = Retype(number, 3);
        for (char c : name)
            keys.push_back(DigitKey(c));
        keys.push_back(KEY_ENTER);
        return keys;
    }
    const char *kList = "kkt_dlg_editor_departs.xml";
    const char *kOne = "kkt_dlg_input_depart.xml";
};

// Department 2 deleted (its number still sent, with no name); then the
// second listed item (formerly the third) edited; a department added
// reuses the deleted entry with its number shown; OK writes the table.
TEST_F(DepartmentsTest, DeleteEditAddAndWrite)
{
    Drive();
    Script({{kList, {DigitKey('8'), 242}},
            {u8"УДАЛЕНИЕ ОТДЕЛА", {KEY_ENTER}},
            {kList, {243}}, // position 2 remembered: now department 3
            {kOne, Typed("9", "")},
            {kList, {241}},
            {kOne, {KEY_DOWN, DigitKey('2'), KEY_ENTER}}, // number 2 kept, a name typed
            {kList, {KEY_ENTER}}});
    EXPECT_EQ(CmdEditDepartments(ui, "ОТДЕЛЫ"), 4);
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"61", "60"}));
    std::vector<std::pair<int, std::string>> t = Table();
    ASSERT_EQ(t.size(), 4u) << ::testing::PrintToString(Boxes());
    EXPECT_EQ(t[0], std::make_pair(1, std::string(u8"ОТДЕЛ 1")));
    EXPECT_EQ(t[1].first, 2);
    EXPECT_FALSE(t[1].second.empty()) << "the name typed into the reused entry";
    EXPECT_EQ(t[2], std::make_pair(9, std::string(u8"ОТДЕЛ 3")));
    EXPECT_EQ(t[3], std::make_pair(4, std::string(u8"ОТДЕЛ 4")));
}

// Deleting department 2 and confirming sends its number with an empty
// name; department 1 cannot be deleted; Cancel in the list writes nothing.
TEST_F(DepartmentsTest, DeletedSentEmptyOneKeptCancelWritesNothing)
{
    Drive();
    Script({{kList, {242}},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kList, {DigitKey('8'), 242}},
            {u8"УДАЛЕНИЕ ОТДЕЛА", {KEY_ENTER}},
            {kList, {KEY_CANCEL}}});
    EXPECT_EQ(CmdEditDepartments(ui, "ОТДЕЛЫ"), -1);
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"61"}));
    std::vector<std::string> boxes = Boxes();
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), u8"ОШИБКА|ОТДЕЛ 1 НЕЛЬЗЯ УДАЛИТЬ"), boxes.end());
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), u8"УДАЛЕНИЕ ОТДЕЛА|УВЕРЕНЫ ЧТО ХОТИТЕ УДАЛИТЬ ОТДЕЛ 2?"),
              boxes.end());
    EXPECT_EQ(Table().size(), 4u);

    Script({{kList, {DigitKey('8'), 242}}, {u8"УДАЛЕНИЕ ОТДЕЛА", {KEY_ENTER}}, {kList, {KEY_ENTER}}});
    EXPECT_EQ(CmdEditDepartments(ui, "ОТДЕЛЫ"), 4);
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "60"),
              (std::vector<std::string>{"01", u8"ОТДЕЛ 1", "02", "", "03", u8"ОТДЕЛ 3", "04", u8"ОТДЕЛ 4"}));
    EXPECT_EQ(Table()[1], std::make_pair(2, std::string()));
}

// A number above 255, or one another department holds, is refused with a
// box and the department stays as it was; 16 named departments refuse an
// addition; OK with no numbered department shows the list again.
TEST_F(DepartmentsTest, RefusedNumbersTheLimitAndAnEmptyTable)
{
    Drive("drive departments none\ndrive department 1 ОДИН\n");
    Script({{kList, {243}},
            {kOne, Typed("300", "")},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kOne, {KEY_CANCEL}},
            {kList, {241}},
            {kOne, Typed("1", "")},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kOne, {KEY_CANCEL}},
            {kList, {KEY_CANCEL}}});
    EXPECT_EQ(CmdEditDepartments(ui, "ОТДЕЛЫ"), -1);
    EndScript();
    std::vector<std::string> boxes = Boxes();
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), u8"ОШИБКА|НЕДОПУСТИМЫЙ НОМЕР ОТДЕЛА \"300\"\n\nДОПУСТИМО ОТ 0 ДО 255"),
              boxes.end())
        << ::testing::PrintToString(boxes);
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), u8"ОШИБКА|ОТДЕЛ 1 УЖЕ ЕСТЬ!\n\nВВЕДИТЕ ДРУГОЙ НОМЕР"), boxes.end());
    EXPECT_EQ(Taken(), (std::vector<std::string>{"61"}));

    sim->UpdateDrive([](kktsim::DriveState &d) {
        d.settings.departments.clear();
        for (int n = 1; n <= 16; ++n)
            d.settings.departments.push_back({static_cast<uint8_t>(n), "D" + std::to_string(n)});
    });
    Script({{kList, {241}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kList, {KEY_CANCEL}}});
    CmdEditDepartments(ui, "ОТДЕЛЫ");
    EndScript();
    boxes = Boxes();
    EXPECT_EQ(boxes.back(), u8"ВНИМАНИЕ|ПРЕВЫШЕНО КОЛИЧЕСТВО ОТДЕЛОВ!\nМАКСИМУМ 16");

    // A controller without departments: OK brings the list back.
    sim->UpdateDrive([](kktsim::DriveState &d) { d.settings.departments.clear(); });
    Script({{kList, {KEY_ENTER}}, {kList, {KEY_CANCEL}}});
    EXPECT_EQ(CmdEditDepartments(ui, "ОТДЕЛЫ"), -1);
    EndScript();
}

} // namespace
} // namespace fiscaltest
