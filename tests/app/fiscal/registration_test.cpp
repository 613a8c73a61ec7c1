// The registration wizards on the fiscal-drive stand-in, screen by screen:
// the real dialogs of res/, keys through the keypad FIFO, and out the
// commands the stand-in took, its drive and the saved settings.
#include "FiscalFixture.h"

#include <sys/stat.h>

#include "kfn_state.h"
#include "registration_wizard.h"

namespace fiscaltest {
namespace {

const char *kTotalsQuestion = u8"ИТОГИ РЕГИСТРАЦИИ";
const char *kSelect = "kkt_dlg_select_registration.xml";
const char *kPage1 = "kkt_dlg_registration_1.xml";
const char *kPage2 = "kkt_dlg_registration_2.xml";
const char *kPage3 = "kkt_dlg_registration_3.xml";
const char *kPage4 = "kkt_dlg_registration_4.xml";
const char *kUsage = "kkt_dlg_registration12_5.xml";
const char *kCashier = "kkt_dlg_registration_oper_inn.xml";
const char *kRegistrationAgent = "kkt_dlg_registration_5.xml";
const char *kReason = "kkt_dlg_registration_6.xml";
const char *kTags12 = "kkt_dlg_registration12_8.xml";
const char *kReason12 = "kkt_dlg_registration12_7.xml";
const char *kAttention = u8"ВНИМАНИЕ";

// The digit keys that move down a list (8) and check its current item (5).
const uint16_t kListDown = 9, kListCheck = 6;

// List item n (1-based) made current and checked, then OK.
std::vector<uint16_t> Choose(int n)
{
    std::vector<uint16_t> keys(static_cast<size_t>(n), kListDown);
    keys.push_back(kListCheck);
    keys.push_back(KEY_ENTER);
    return keys;
}

// The data fields (from field 1) of the last request with this code.
std::vector<std::string> lastFields(const std::string &journal, const std::string &code)
{
    std::vector<std::string> out;
    for (const Entry &e : ReadJournal(journal, "in", 1)) {
        if (e.Get("code") != code)
            continue;
        out.clear();
        size_t at = e.line.find("\"fields\":[");
        if (at == std::string::npos)
            continue;
        at += 10;
        while (at < e.line.size() && e.line[at] == '"') {
            std::string s;
            for (++at; at < e.line.size() && e.line[at] != '"'; ++at) {
                if (e.line[at] == '\\' && at + 1 < e.line.size())
                    ++at;
                s += e.line[at];
            }
            out.push_back(s);
            at += 1;
            if (at < e.line.size() && e.line[at] == ',')
                ++at;
        }
    }
    return out;
}

class RegistrationTest : public FiscalTest {
protected:
    // The controller's FFD level as the start-up read it.
    void Level(int level)
    {
        kfn_state.ffd_kind = static_cast<uint16_t>(level);
        kfn_state.ffd_version = -1;
    }
    // The values of an earlier attempt, in the settings.
    void Settings(const char *modes = "0")
    {
        const char *s = kRegistrationSection;
        settings_set(s, "FirmName", u8"ООО \"ТЕСТ\"");
        settings_set(s, "FirmINN", "7701234567");
        settings_set(s, "FirmAddr", u8"г. Москва");
        settings_set(s, "FirmPlace", u8"Магазин");
        settings_set(s, "SellerName", u8"Иванов");
        settings_set(s, "SellerINN", "");
        settings_set(s, "OFD_INN", "7704358518");
        settings_set(s, "OFD", u8"ОФД");
        settings_set(s, "Reg", "2054321");
        settings_set(s, "TaxMode", "5");
        settings_set(s, "KKTmode", modes);
        settings_set(s, "Agent", "3");
    }
    std::vector<std::string> Register04() { return lastFields(sim->JournalPath(), "04"); }
    // A dialog file as someone edited it: res/ becomes a copy of its own
    // with a file for this screen size that replaces `from` by `to`.
    void OwnRes()
    {
        struct stat st;
        if (lstat("res", &st) == 0 && S_ISLNK(st.st_mode)) {
            ASSERT_EQ(unlink("res"), 0);
            ASSERT_EQ(system(("cp -r '" + std::string(SOURCE_DIR) + "/res' res").c_str()), 0);
        }
    }
    void Edited(const std::string &file, const std::string &from, const std::string &to)
    {
        OwnRes();
        std::string text = ReadFile("res/" + file);
        size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        std::ofstream("res/" + std::to_string(SW) + "-" + std::to_string(SH) + file) << text;
    }
    bool Has(const std::vector<std::string> &codes, const std::string &code)
    {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    }
};

// Cancel on the first page: no 0x04, nothing saved, and the drive state is
// refreshed all the same.
TEST_F(RegistrationTest, CancelOnTheFirstPageSendsAndSavesNothing)
{
    Scenario("mode normal\npaper in\ndrive registered no\ndrive firmware K105320\n");
    Level(2);
    size_t from = TakenCount();
    Script({{kTotalsQuestion, {KEY_ENTER}}, {kPage1, {KEY_CANCEL}}});
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    std::vector<std::string> taken = Taken(from);
    EXPECT_FALSE(Has(taken, "04"));
    EXPECT_FALSE(Has(taken, "42"));
    ASSERT_FALSE(taken.empty());
    EXPECT_TRUE(Has(taken, "97")) << "no refresh";
    EXPECT_EQ(settings_get(kRegistrationSection, "FirmName"), nullptr);
    EXPECT_NE(access("data/kktsettings.xml", F_OK), 0);
}

// A first registration behind an FFD 1.05 controller: no choice, the pages
// pre-filled from the settings, 0x42 then 0x04 in the FFD 1.05 layout, the
// report, the settings saved.
TEST_F(RegistrationTest, Ffd105FirstRegistrationFromTheSettings)
{
    Scenario("mode normal\npaper in\ndrive registered no\ndrive firmware K105320\n");
    Level(2);
    Settings("1792"); // items 6, 7 and 8 of "kktmode"
    size_t from = TakenCount();
    Script({{kTotalsQuestion, {KEY_ENTER}},
            {kPage1, {KEY_ENTER}},
            {kPage2, {KEY_ENTER}},
            {kPage3, {KEY_ENTER}},
            {kPage4, {KEY_ENTER}},
            {kCashier, {KEY_ENTER}},
            {kRegistrationAgent, {KEY_ENTER}},
            {kReason, {KEY_ENTER}},
            {kAttention, {KEY_ENTER}},
            {kWait, {}},
            {kAttention, {KEY_ENTER}}});
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    std::vector<std::string> taken = Taken(from);
    auto at42 = std::find(taken.begin(), taken.end(), "42");
    auto at04 = std::find(taken.begin(), taken.end(), "04");
    ASSERT_NE(at04, taken.end());
    EXPECT_LT(at42, at04);
    std::vector<std::string> f = Register04();
    ASSERT_EQ(f.size(), 20u);
    EXPECT_EQ(f[2], u8"ООО \"ТЕСТ\"");
    EXPECT_EQ(f[3], "7701234567");
    EXPECT_EQ(f[4], "05");
    EXPECT_EQ(f[5], "0000000002054321");
    EXPECT_EQ(f[6], "0007"); // 0x700, low byte first
    EXPECT_EQ(f[9], u8"Иванов");
    EXPECT_EQ(f[12], "2");
    EXPECT_EQ(f[13], "00");
    EXPECT_EQ(f[15], "03");
    EXPECT_EQ(f[18], "www.nalog.gov.ru");
    EXPECT_EQ(sim->Drive().phase, 0x03);
    EXPECT_NE(Paper().find(u8"ОТЧЕТ О РЕГИСТРАЦИИ"), std::string::npos);
    EXPECT_STREQ(settings_get(kRegistrationSection, "KKTmode"), "1792");
    EXPECT_STREQ(settings_get(kRegistrationSection, "FNS"), "www.nalog.gov.ru");
    EXPECT_EQ(access("data/kktsettings.xml", F_OK), 0);
    EXPECT_EQ(Boxes().back(), std::string(kAttention) + u8"|РЕГИСТРАЦИЯ ФН ВЫПОЛНЕНА УСПЕШНО!");
}

// FFD 1.2 with both answers of the probe: a short answer adds three usage
// items, so a setting naming item 5 survives; a long one leaves the list
// as its file has it, four items, and item 5 is lost.
TEST_F(RegistrationTest, Ffd12ProbeDecidesTheUsageItems)
{
    const struct {
        const char *fields;
        const char *modes;   // 0x04 field 7
        const char *setting; // "KKTmode" saved
    } cases[] = {{"1", "40000004", "64"}, {"3", "00000004", "0"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fields);
        Scenario(std::string("mode normal\npaper in\ndrive registered no\ndrive firmware K120400\n"
                             "drive mark-fields ") +
                 c.fields + "\n");
        Level(4);
        Settings("64"); // "kktmode_ffd12" item 5
        Script({{kSelect, Choose(3)},
                {kTotalsQuestion, {KEY_CANCEL}},
                {kPage1, {KEY_ENTER}},
                {kPage2, {KEY_ENTER}},
                {kPage3, {KEY_ENTER}},
                {kPage4, {KEY_ENTER}},
                {kUsage, {KEY_ENTER}},
                {kCashier, {KEY_ENTER}},
                {kTags12, {KEY_ENTER}},
                {kReason12, {KEY_ENTER}},
                {kAttention, {KEY_ENTER}},
                {kWait, {}},
                {kAttention, {KEY_ENTER}}});
        CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
        EndScript();
        std::vector<std::string> f = Register04();
        ASSERT_EQ(f.size(), 23u);
        EXPECT_EQ(f[6], c.modes);
        EXPECT_EQ(f[15], "00"); // no agents in FFD 1.2
        EXPECT_STREQ(settings_get(kRegistrationSection, "KKTmode"), c.setting);
        EXPECT_TRUE(Has(Taken(), "20"));
        sim->ForgetDrive();
    }
}

// A re-registration whose reasons include a new cash-register version is
// refused before any command; Cancel back through the pages saves nothing.
TEST_F(RegistrationTest, ModelVersionReasonIsRefused)
{
    Scenario("mode normal\npaper in\ndrive registered yes\ndrive ffd 1.1\ndrive firmware K110340\n");
    Level(3);
    Settings();
    settings_set(kRegistrationSection, "Reg", "1"); // would be refused later
    size_t from = TakenCount();
    std::vector<Step> steps = {{kSelect, Choose(2)},
                               {kTotalsQuestion, {KEY_CANCEL}},
                               {kPage1, {KEY_ENTER}},
                               {kPage2, {KEY_ENTER}},
                               {kPage3, {KEY_ENTER}},
                               {kPage4, {KEY_ENTER}},
                               {kCashier, {KEY_ENTER}},
                               {kRegistrationAgent, {KEY_ENTER}},
                               {kReason, Choose(2)},
                               {"kkt_dlg_reason_1_1_1.xml", {KEY_ENTER}},
                               {"kkt_dlg_reason_1_1_2.xml", Choose(1)},
                               {"kkt_dlg_reason_1_1_3.xml", {KEY_ENTER}},
                               {"kkt_dlg_reason_1_1_4.xml", {KEY_ENTER}},
                               {"kkt_dlg_reason_1_1_5.xml", {KEY_ENTER}},
                               {u8"ОШИБКА", {KEY_ENTER}}};
    for (const char *page : {kReason, kRegistrationAgent, kCashier, kPage4, kPage3, kPage2, kPage1})
        steps.push_back({page, {KEY_CANCEL}});
    Script(steps);
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    std::vector<std::string> boxes = Boxes();
    EXPECT_NE(std::find(boxes.begin(), boxes.end(),
                        u8"ОШИБКА|Ошибка при исполнении команды 04: Для смены версии ККТ вы должны обратиться к "
                        u8"изготовителю ККТ!"),
              boxes.end());
    std::vector<std::string> taken = Taken(from);
    EXPECT_FALSE(Has(taken, "04"));
    EXPECT_FALSE(Has(taken, "42"));
    EXPECT_NE(access("data/kktsettings.xml", F_OK), 0);
}

// A drive registered for FFD 1.1 re-registered for FFD 1.2: the third
// reason page names the FFD 1.2 meanings of its bits, which are what the
// FFD 1.2 command carries. Its fourth item is bit 15.
TEST_F(RegistrationTest, ReasonsOfAnFfd12ReregistrationNameFfd12Changes)
{
    Scenario("mode normal\npaper in\ndrive registered yes\ndrive ffd 1.1\ndrive firmware K120400\n");
    Level(4);
    Settings();
    Script({{kSelect, Choose(3)},
            {kTotalsQuestion, {KEY_CANCEL}},
            {kPage1, {KEY_ENTER}},
            {kPage2, {KEY_ENTER}},
            {kPage3, {KEY_ENTER}},
            {kPage4, {KEY_ENTER}},
            {kUsage, {KEY_ENTER}},
            {kCashier, {KEY_ENTER}},
            {kTags12, {KEY_ENTER}},
            {kReason12, Choose(4)},
            {"kkt_dlg_reason_1_1_1.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_2.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_3_ffd_1_2.xml", Choose(4)},
            {"kkt_dlg_reason_1_1_4.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_5.xml", {KEY_ENTER}},
            {kAttention, {KEY_ENTER}},
            {kWait, {}},
            {kAttention, {KEY_ENTER}}});
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    std::vector<std::string> f = Register04();
    ASSERT_EQ(f.size(), 23u);
    EXPECT_EQ(f[13], "03");
    EXPECT_EQ(f[20], "00800000"); // bit 15, lowest byte first
}

// An FFD 1.2 re-registration pre-filled from the drive keeps autonomous
// mode, which tag 1290 cannot carry, and the marked goods of 1290.
TEST_F(RegistrationTest, Ffd12PrefilledReregistrationKeepsAutonomousMode)
{
    Scenario(u8"mode normal\npaper in\ndrive registered yes\ndrive ffd 1.2\ndrive firmware K120400\n"
             u8"drive reg-flags 02\ndrive marking 00000100\ndrive tag 1021 Петров\ndrive tag 1046 ОФД\n"
             u8"drive tag 1187 Касса 1\n");
    Level(4);
    Script({{kSelect, Choose(3)},
            {kTotalsQuestion, {KEY_ENTER}},
            {kPage1, {KEY_ENTER}},
            {kPage2, {KEY_ENTER}},
            {kPage3, {KEY_ENTER}},
            {kPage4, {KEY_ENTER}},
            {kUsage, {KEY_ENTER}},
            {kCashier, {KEY_ENTER}},
            {kTags12, {KEY_ENTER}},
            {kReason12, {KEY_ENTER}},
            {kAttention, {KEY_ENTER}},
            {kWait, {}},
            {kAttention, {KEY_ENTER}}});
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    std::vector<std::string> f = Register04();
    ASSERT_EQ(f.size(), 23u);
    EXPECT_EQ(f[6], "02100004"); // autonomous 0x02, marked goods 0x1000, 0x4000000
    EXPECT_EQ(f[9], u8"Петров");
    EXPECT_EQ(f[19], u8"Касса 1");
    EXPECT_EQ(f[20], "00000000");
    EXPECT_EQ(sim->Drive().regFlags, 0x02);
    EXPECT_EQ(sim->Drive().markingFlags, 0x100u);
    EXPECT_NE(Paper().find(u8"ОТЧЕТ ОБ ИЗМ. ПАРАМЕТРОВ РЕГИСТРАЦИИ"), std::string::npos);
}

// A registration number field that lets more than 16 digits through (an
// edited dialog file): the number is refused with the usual box and page 1
// comes back, nothing is cut or sent.
TEST_F(RegistrationTest, NumberLongerThanTheWidthIsRefused)
{
    Edited(kPage1, "name=\"reg\" frame=\"4,148,232,24\" length=\"16\"", "name=\"reg\" frame=\"4,148,232,24\" length=\"20\"");
    Scenario("mode normal\npaper in\ndrive registered no\ndrive firmware K105320\n");
    Level(2);
    Settings();
    settings_set(kRegistrationSection, "Reg", "12345678901234567");
    size_t from = TakenCount();
    Script({{kTotalsQuestion, {KEY_CANCEL}},
            {kPage1, {KEY_ENTER}},
            {kPage2, {KEY_ENTER}},
            {kPage3, {KEY_ENTER}},
            {kPage4, {KEY_ENTER}},
            {kCashier, {KEY_ENTER}},
            {kRegistrationAgent, {KEY_ENTER}},
            {kReason, {KEY_ENTER}},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kPage1, {KEY_CANCEL}}});
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    EXPECT_FALSE(Has(Taken(from), "04"));
    std::vector<std::string> boxes = Boxes();
    EXPECT_NE(std::find(boxes.begin(), boxes.end(),
                        u8"ОШИБКА|ВВЕДЕН НЕ КОРРЕКТНЫЙ РЕГИСТРАЦИОННЫЙ НОМЕР КАССЫ\n\nПОВТОРИТЕ ВВОД"),
              boxes.end());
}

// A reason page whose file has more items than its range (an edited dialog
// file): its extra items set no bits of the next page, so the seventh item
// of page 1 is not the refused bit 0x40.
TEST_F(RegistrationTest, ReasonPageSetsOnlyItsOwnBits)
{
    Edited("kkt_dlg_reason_1_1_1.xml", u8"<ITEM><TEXT>В АВТОНОМН.РЕЖ.</TEXT></ITEM>",
           u8"<ITEM><TEXT>В АВТОНОМН.РЕЖ.</TEXT></ITEM><ITEM><TEXT>ЛИШНИЙ</TEXT></ITEM>");
    Scenario("mode normal\npaper in\ndrive registered yes\ndrive ffd 1.1\ndrive firmware K110340\n");
    Level(3);
    Settings();
    Script({{kSelect, Choose(2)},
            {kTotalsQuestion, {KEY_CANCEL}},
            {kPage1, {KEY_ENTER}},
            {kPage2, {KEY_ENTER}},
            {kPage3, {KEY_ENTER}},
            {kPage4, {KEY_ENTER}},
            {kCashier, {KEY_ENTER}},
            {kRegistrationAgent, {KEY_ENTER}},
            {kReason, Choose(3)},
            {"kkt_dlg_reason_1_1_1.xml", Choose(7)},
            {"kkt_dlg_reason_1_1_2.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_3.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_4.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_5.xml", {KEY_ENTER}},
            {kAttention, {KEY_ENTER}},
            {kWait, {}},
            {kAttention, {KEY_ENTER}}});
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    std::vector<std::string> f = Register04();
    ASSERT_EQ(f.size(), 21u);
    EXPECT_EQ(f[13], "02");
    EXPECT_EQ(f[20], "00000000");
}

// A reason list with no item selected (an edited dialog file without
// items) counts as the first item: a registration, code 0, no reason pages.
TEST_F(RegistrationTest, ReasonListWithoutSelectionIsTheFirstItem)
{
    std::string items;
    for (const char *item : {u8"РЕГИСТРАЦИЯ", u8"ЗАМЕНА ФН", u8"СМЕНА ОФД", u8"ИЗМ. РЕКВИЗИТОВ", u8"ИЗМ. НАСТРОЕК"})
        items += std::string(items.empty() ? "" : "\n    ") + "<ITEM><TEXT>" + item + "</TEXT></ITEM>";
    Edited(kReason, items, "");
    Scenario("mode normal\npaper in\ndrive registered yes\ndrive ffd 1.1\ndrive firmware K110340\n");
    Level(3);
    Settings();
    Script({{kSelect, Choose(2)},
            {kTotalsQuestion, {KEY_CANCEL}},
            {kPage1, {KEY_ENTER}},
            {kPage2, {KEY_ENTER}},
            {kPage3, {KEY_ENTER}},
            {kPage4, {KEY_ENTER}},
            {kCashier, {KEY_ENTER}},
            {kRegistrationAgent, {KEY_ENTER}},
            {kReason, {KEY_ENTER}},
            {kAttention, {KEY_ENTER}},
            {kWait, {}},
            {kAttention, {KEY_ENTER}}});
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    std::vector<std::string> f = Register04();
    ASSERT_EQ(f.size(), 21u);
    EXPECT_EQ(f[13], "00");
    EXPECT_EQ(f[20], "00000000");
}

// Cancel on the first reason page leaves the reasons: the reason list of
// the wizard comes back and nothing is sent. Going back a reason page shows
// the choice made on it, and that choice is what the command carries.
TEST_F(RegistrationTest, ReasonPagesGoBackWithTheirChoices)
{
    Scenario("mode normal\npaper in\ndrive registered yes\ndrive ffd 1.1\ndrive firmware K110340\n");
    Level(3);
    Settings();
    Script({{kSelect, Choose(2)},
            {kTotalsQuestion, {KEY_CANCEL}},
            {kPage1, {KEY_ENTER}},
            {kPage2, {KEY_ENTER}},
            {kPage3, {KEY_ENTER}},
            {kPage4, {KEY_ENTER}},
            {kCashier, {KEY_ENTER}},
            {kRegistrationAgent, {KEY_ENTER}},
            {kReason, Choose(2)},
            {"kkt_dlg_reason_1_1_1.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_2.xml", {KEY_CANCEL}},
            {"kkt_dlg_reason_1_1_1.xml", {KEY_CANCEL}},
            {kReason, {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_1.xml", Choose(2)},
            {"kkt_dlg_reason_1_1_2.xml", {KEY_CANCEL}},
            {"kkt_dlg_reason_1_1_1.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_2.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_3.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_4.xml", {KEY_ENTER}},
            {"kkt_dlg_reason_1_1_5.xml", {KEY_ENTER}},
            {kAttention, {KEY_ENTER}},
            {kWait, {}},
            {kAttention, {KEY_ENTER}}});
    CmdRegisterKkt(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    std::vector<std::string> f = Register04();
    ASSERT_EQ(f.size(), 21u);
    EXPECT_EQ(f[13], "01");
    EXPECT_EQ(f[20], "02000000"); // bit 1, lowest byte first
}

// Without the dialog of the FFD choice the box of the missing file is
// shown, one line goes to the service log, and FFD 1.1 is taken.
TEST_F(RegistrationTest, MissingChoiceDialogTakesFfd11)
{
    OwnRes();
    ASSERT_EQ(unlink((std::string("res/") + kSelect).c_str()), 0);
    Scenario("mode normal\npaper in\ndrive registered yes\ndrive ffd 1.1\ndrive firmware K110340\n");
    Level(3);
    size_t from = TakenCount();
    Script({{u8"ОШИБКА", {KEY_ENTER}}, {kTotalsQuestion, {KEY_CANCEL}}, {kPage1, {KEY_CANCEL}}});
    EXPECT_EQ(SelectFfdVersion(ui, 3), 2);
    RegisterKktFfd11(ui, "РЕГИСТРАЦИЯ ККТ");
    EndScript();
    EXPECT_FALSE(Has(Taken(from), "04"));
    sim->Sync();
    EXPECT_NE(ReadFile(sim->LogPath()).find("registration: no FFD choice dialog, FFD 1.1 taken"), std::string::npos);
}

} // namespace
} // namespace fiscaltest
