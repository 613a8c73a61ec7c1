// The fiscal drive's information screens on the stand-in: the document by
// number in each mode (the field listing ends whatever the drive does), the
// drive status with the keys' age, the registration before and after
// firmware 231, a registration parameter by decimal or hexadecimal tag, the
// OFD exchange and the drive's error text.
#include "FiscalFixture.h"

#include <time.h>

#include "fn_info.h"
#include "report_text.h"
#include "kfn_state.h"

namespace fiscaltest {
namespace {

const char *kFnDocDialog = "kkt_dlg_fn_get_doc.xml";

class FnInfoTest : public FiscalTest {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        // The cached drive facts are asked afresh in every test.
        kfn_state.ffd_version = -1;
        kfn_state.marking_mode = -1;
        kfn_state.firmware_version = 300;
        kfn_state.reg_flags = 0;
    }
    std::vector<std::string> Shown(size_t from = 0)
    {
        std::vector<std::string> out;
        for (const std::string &b : Boxes(from))
            if (b.rfind(kWait, 0) != 0)
                out.push_back(b);
        return out;
    }
    // The keys to check item n of the document dialog's mode list, after
    // typing the number, and to accept the dialog.
    static std::vector<uint16_t> DocKeys(const std::string &number, int item)
    {
        std::vector<uint16_t> keys = Digits(number, KEY_DOWN);
        keys.push_back(DigitKey('5')); // the first item current
        for (int i = 1; i < item; ++i)
            keys.push_back(DigitKey('8'));
        keys.push_back(DigitKey('5'));
        keys.push_back(KEY_DOWN);
        keys.push_back(KEY_ENTER);
        return keys;
    }
};

std::string DaysAgo(int days)
{
    time_t t = time(nullptr) - static_cast<time_t>(days) * 86400;
    struct tm tmv;
    localtime_r(&t, &tmv);
    char b[16];
    strftime(b, sizeof b, "%d%m%y", &tmv);
    return b;
}

} // namespace

TEST_F(FnInfoTest, DocumentByNumberInEachMode)
{
    Drive("drive shift closed 0\ndrive document shift-open 0103260900\ndrive document receipt 0103261000\n"
          "drive waiting 1\n");
    // Item 1 (mode 0): document 2, acknowledged by the OFD.
    Script({{kFnDocDialog, DocKeys("2", 1)}, {kWait, {}}, {u8"ДОКУМЕНТ", {KEY_ENTER}}});
    CmdFnDoc(ui, "ДОКУМЕНТ");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "8B"), (std::vector<std::string>{"02000000", "00"}));
    EXPECT_EQ(Shown().back(), u8"ДОКУМЕНТ|ТИП: [2] ОТКРЫТИЕ СМЕНЫ\nПОДТВЕРЖДЕНИЕ ОФД: ПОЛУЧЕНО\n"
                              u8"ДТ (ДДММГГЧЧММ): 0103260900\nФД: 2\nФП: 536870914\n");

    // Item 3 (mode 2): printed; the box shows type and acknowledgement.
    size_t boxes = Trace("msgbox").size();
    Script({{kFnDocDialog, DocKeys("3", 3)}, {kWait, {}}, {u8"ДОКУМЕНТ", {KEY_ENTER}}});
    CmdFnDoc(ui, "ДОКУМЕНТ");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "8B"), (std::vector<std::string>{"03000000", "02"}));
    EXPECT_EQ(Shown(boxes), std::vector<std::string>{
                                u8"ДОКУМЕНТ|ТИП: [3] КАССОВЫЙ ЧЕК\nПОДТВЕРЖДЕНИЕ ОФД: НЕ ПОЛУЧЕНО\n"});
    EXPECT_NE(Paper().find(u8"КОПИЯ"), std::string::npos);

    // Item 5 (mode 3): the document's fields, one a line, until the drive
    // has no more.
    boxes = Trace("msgbox").size();
    Script({{kFnDocDialog, DocKeys("3", 5)}, {kWait, {}}, {u8"ДОКУМЕНТ", {KEY_ENTER}}});
    CmdFnDoc(ui, "ДОКУМЕНТ");
    EndScript();
    std::vector<std::string> shown = Shown(boxes);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind(u8"ДОКУМЕНТ|1000: КАССОВЫЙ ЧЕК\n1012: 0103261000\n1040: 3\n1077: 268435459\n", 0), 0u)
        << shown[0];
    EXPECT_EQ(shown[0].back(), '1') << "the operation's field ends it: " << shown[0];

    // A number the drive has not: its refusal, no report.
    boxes = Trace("msgbox").size();
    Script({{kFnDocDialog, DocKeys("x", 1)}, {kWait, {}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdFnDoc(ui, "ДОКУМЕНТ");
    EndScript();
    EXPECT_EQ(Shown(boxes).size(), 1u);
}

// The number in its hexadecimal form, as the tag of a registration
// parameter takes it: X (key 9, then the next-letter key twice), 1, A (key
// 2, then the next-letter key) is document 26; a digit typed twice stays
// two digits.
TEST_F(FnInfoTest, DocumentNumberTakesTheHexadecimalForm)
{
    Drive("drive shift closed 0\ndrive document shift-open 0103260900\n");
    const uint16_t kNextLetter = 69;
    std::vector<uint16_t> keys = {DigitKey('9'), kNextLetter, kNextLetter, DigitKey('1'), DigitKey('2'),
                                  kNextLetter,   KEY_DOWN,    DigitKey('5'), KEY_DOWN,    KEY_ENTER};
    Script({{kFnDocDialog, keys}, {kWait, {}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdFnDoc(ui, "ДОКУМЕНТ");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "8B"), (std::vector<std::string>{"1A000000", "00"}));

    Script({{kFnDocDialog, DocKeys("11", 1)}, {kWait, {}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdFnDoc(ui, "ДОКУМЕНТ");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "8B"), (std::vector<std::string>{"0B000000", "00"}));
}

// A drive that answers every field read without an error cannot hold the
// listing: it ends once the text is full.
TEST_F(FnInfoTest, FieldListingEndsOnADriveThatKeepsAnswering)
{
    Drive("answer 8B\ndata 8B 03\ndata 8B 1040: 3\n");
    Script({{kFnDocDialog, DocKeys("3", 5)}, {kWait, {}}, {u8"ДОКУМЕНТ", {KEY_ENTER}}});
    CmdFnDoc(ui, "ДОКУМЕНТ");
    EndScript();
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 1u);
    std::string text = shown[0].substr(strlen(u8"ДОКУМЕНТ|"));
    EXPECT_EQ(text.size(), REPORT_DOC_FIELDS_SIZE - 1);
    EXPECT_EQ(text.rfind("03\n1040: 3\n03\n1040: 3\n", 0), 0u);
}

TEST_F(FnInfoTest, DriveStatusWithTheKeysAge)
{
    Drive("drive shift open 12\ndrive warnings 04\ndrive ffd 1.2\ndrive marking 100\ndrive key-date " +
          DaysAgo(40) + "\n");
    Script({{u8"СТАТУС", {KEY_ENTER}}});
    CmdFnStat(ui, "СТАТУС");
    EndScript();
    // 0x29, the FFD and marking facts, then the key state (refused by this
    // drive) and the keys' date.
    EXPECT_EQ(Taken(), (std::vector<std::string>{"29", "88", "88", "9E", "9E"}));
    std::string text = Shown().back();
    EXPECT_EQ(text.rfind(u8"СТАТУС|СТАТУС ФН:\n\nФАЗА ЖИЗНИ: '03' ФИСКАЛЬНЫЙ РЕЖИМ\n", 0), 0u) << text;
    EXPECT_NE(text.find(u8"СОСТ.СМЕНЫ: '01' открыта\nФЛАГИ ПРЕДУПРЕЖДЕНИЯ: '04'\n- архив ФН заполнен на 90%\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(u8"НОМЕР СМЕНЫ: '000C' 12\n"), std::string::npos) << text;
    EXPECT_NE(text.find(u8"\nКЛЮЧИ АС ОКП ОБНОВЛЕНЫ 40 ДНЕЙ НАЗАД\n"), std::string::npos) << text;

    // A drive that knows its key-update state shows its sentence, no age.
    sim->ForgetDrive();
    Drive("drive ffd 1.2\ndrive marking 100\ndrive key-state 1\n");
    size_t boxes = Trace("msgbox").size(), taken = TakenCount();
    Script({{u8"СТАТУС", {KEY_ENTER}}});
    CmdFnStat(ui, "СТАТУС");
    EndScript();
    EXPECT_EQ(Taken(taken), (std::vector<std::string>{"29", "9E"}));
    text = Shown(boxes).back();
    EXPECT_EQ(text.substr(text.size() - strlen(u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.")),
              u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.");
}

// Firmware 230 asks no registration number; 231 shows the dialog and
// sends the number and the print flag.
TEST_F(FnInfoTest, RegistrationByFirmware)
{
    Drive("drive tax-systems 09\ndrive reg-flags 02\ndrive marking 42\n");
    kfn_state.firmware_version = 230;
    Script({{u8"РЕГИСТРАЦИЯ", {KEY_ENTER}}});
    CmdFnFisc(ui, "РЕГИСТРАЦИЯ");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "8F"), std::vector<std::string>{});
    // FFD 1.05: four tags; 1207 (0x40 of 1290's bits) and 1221 (0x2) are on.
    EXPECT_EQ(Taken(), (std::vector<std::string>{"8F", "88", "88", "88", "88", "88"}));
    std::string text = Shown().back();
    EXPECT_NE(text.find(u8"КОД НАЛОГ.: '09'\n  01: общая\nРЕЖИМ: '0902'\n  0002: автономный режим\n"
                        u8"  0100: подакцизные товары\n  0800: установка в автомате\nНОМЕР ФД: 1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(u8"\nРЕГИСТРАЦИЯ: ФФД 1.05\n"), std::string::npos) << text;

    kfn_state.firmware_version = 231;
    size_t taken = TakenCount(), boxes = Trace("msgbox").size();
    Script({{"kkt_dlg_fn_get_total.xml", {DigitKey('1'), KEY_DOWN, DigitKey('5'), DigitKey('5'), KEY_DOWN, KEY_ENTER}},
            {u8"РЕГИСТРАЦИЯ", {KEY_ENTER}}});
    CmdFnFisc(ui, "РЕГИСТРАЦИЯ");
    EndScript();
    EXPECT_EQ(Taken(taken).at(0), "8F");
    EXPECT_EQ(LastFields(sim->JournalPath(), "8F"), (std::vector<std::string>{"0100", "0100"}));
    EXPECT_NE(Paper().find(u8"ОТЧЕТ О РЕГИСТРАЦИИ"), std::string::npos);
    EXPECT_EQ(Shown(boxes).size(), 1u);

    // Cancel ends the screen with nothing sent.
    taken = TakenCount();
    Script({{"kkt_dlg_fn_get_total.xml", {KEY_CANCEL}}});
    CmdFnFisc(ui, "РЕГИСТРАЦИЯ");
    EndScript();
    EXPECT_EQ(Taken(taken), std::vector<std::string>{});
}

TEST_F(FnInfoTest, RegistrationParameterByTag)
{
    Drive(u8"drive user ООО ЛАНДЫШ\n");
    const char *dialog = "kkt_dlg_get_reg_param.xml";
    // Empty: the box and the dialog again; then tag 1048.
    Script({{dialog, {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}, {dialog, Digits("1048")},
            {u8"ПАРАМЕТР 1048", {KEY_ENTER}}});
    CmdFnPar(ui, "ПАРАМЕТР");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "88"), std::vector<std::string>{"1804"});
    EXPECT_EQ(Shown(), (std::vector<std::string>{u8"ОШИБКА|НЕ ВВЕДЕН ИДЕНТИФИКАТОР TLV ПАРАМЕТРА!",
                                                 u8"ПАРАМЕТР 1048|ООО ЛАНДЫШ"}));
    // A tag the drive does not know: its refusal, then the dialog again.
    size_t boxes = Trace("msgbox").size();
    Script({{dialog, Digits("9999")}, {u8"ОШИБКА", {KEY_ENTER}}, {dialog, {KEY_CANCEL}}});
    CmdFnPar(ui, "ПАРАМЕТР");
    EndScript();
    EXPECT_EQ(Shown(boxes).size(), 1u);
    // Tags are 16-bit: a larger number is refused, not cut to another tag.
    size_t taken = TakenCount();
    Script({{dialog, Digits("66584")}, {u8"ОШИБКА", {KEY_ENTER}}, {dialog, {KEY_CANCEL}}});
    CmdFnPar(ui, "ПАРАМЕТР");
    EndScript();
    EXPECT_EQ(Taken(taken), std::vector<std::string>{});
}

TEST_F(FnInfoTest, ExchangeAndErrors)
{
    Drive("drive shift closed 0\ndrive waiting 0\ndrive document shift-open 0103260900\n");
    Script({{u8"ОБМЕН", {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdFnComm(ui, "ОБМЕН");
    CmdFnErr(ui, "ОШИБКИ ФН");
    EndScript();
    // Outside marking mode 0x27 is never sent.
    EXPECT_EQ(Taken(), (std::vector<std::string>{"2B", "88", "2A"}));
    EXPECT_EQ(Shown(), (std::vector<std::string>{
                           u8"ОБМЕН|СТАТУС ОБМЕНА С ОФД: '02'\n  02: есть сообщение для передачи в ОФД\n"
                           u8"ЧТЕНИЕ СООБЩ.: '00' нет\nКОЛ-ВО СООБЩ.ДЛЯ ОФД: 1\nНОМЕР ПЕРВ.ДОК.ДЛЯ ОФД: 2\n"
                           u8"ДАТА ПЕРВ.ДОК.ДЛЯ ОФД: '0103260900'\n\n",
                           u8"ВНИМАНИЕ|НЕТ ДАННЫХ ДЛЯ ОТОБРАЖЕНИЯ!"}));

    // Marking mode adds the OISM exchange; a failed 0x2B still shows the box.
    sim->ForgetDrive();
    Drive(u8"drive ffd 1.2\ndrive marking 100\ndrive notifications 4\ndrive fn-errors ОШИБКА ФН 12\n"
          "answer 2B error=01\n");
    kfn_state.marking_mode = -1;
    kfn_state.ffd_version = -1;
    size_t boxes = Trace("msgbox").size(), taken = TakenCount();
    Script({{u8"ОШИБКА", {KEY_ENTER}}, {u8"ОБМЕН", {KEY_ENTER}}, {u8"ОШИБКИ ФН", {KEY_ENTER}}});
    CmdFnComm(ui, "ОБМЕН");
    CmdFnErr(ui, "ОШИБКИ ФН");
    EndScript();
    EXPECT_EQ(Taken(taken), (std::vector<std::string>{"2B", "88", "88", "27", "2A"}));
    std::vector<std::string> shown = Shown(boxes);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1], u8"ОБМЕН|СТАТУС ОБМЕНА С ОИСМ: '00'\n  00: нет активного обмена\n"
                        u8"КОЛ-ВО УВЕДОМЛЕНИЙ В ОЧЕРЕДИ: 4\nНОМЕР ТЕКУЩЕГО УВЕДОМЛЕНИЯ: 1\n"
                        u8"ДАТА/ВРЕМЯ ТЕКУЩЕГО УВЕДОМЛЕНИЯ: 010126090\nПРОЦЕНТ ЗАПОЛН.ОБЛ.УВЕДОМЛЕНИЙ: 0\n");
    EXPECT_EQ(shown[2], u8"ОШИБКИ ФН|ОШИБКА ФН 12");
}

} // namespace fiscaltest
