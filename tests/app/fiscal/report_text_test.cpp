// The information and report screens' texts from tables of controller
// replies: every named state and bit line, absent and empty fields, and the
// cut at the end of the buffer.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>

#include "ReplyFrames.h"
#include "ServiceQueue.h"
#include "report_text.h"

namespace fiscaltest {
namespace {

typedef std::function<void(char *, size_t)> Maker;

std::string Make(const Maker &make, size_t size = REPORT_DOC_FIELDS_SIZE)
{
    std::vector<char> out(size, 'X');
    make(out.data(), size);
    return Utf8(out.data());
}

std::string Hex8(uint32_t v) // a double word as the controller sends it
{
    char b[16];
    snprintf(b, sizeof b, "%02X%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24);
    return b;
}

std::string Hex4(unsigned v)
{
    char b[8];
    snprintf(b, sizeof b, "%02X%02X", v & 0xFF, (v >> 8) & 0xFF);
    return b;
}

TEST(JournalTexts, ParametersAndFreePages)
{
    ReplyOf full(0x49, {"100", "0300", "40"});
    EXPECT_EQ(Make([&](char *o, size_t n) { journal_params_text(full.cmd, o, n); }),
              u8"ПАРАМЕТРЫ ЖУРНАЛА:\n\nКОЛ-ВО СТРАНИЦ: 100\nОТКАЗАВШИХ БЛОКОВ: 3\nТЕКУЩАЯ СТРАНИЦА: 40\n"
              u8"СВОБОДНЫХ СТРАНИЦ: 60");
    ReplyOf none(0x49, {});
    EXPECT_EQ(Make([&](char *o, size_t n) { journal_params_text(none.cmd, o, n); }),
              u8"ПАРАМЕТРЫ ЖУРНАЛА:\n\nКОЛ-ВО СТРАНИЦ: \nОТКАЗАВШИХ БЛОКОВ: 0\nТЕКУЩАЯ СТРАНИЦА: \n"
              u8"СВОБОДНЫХ СТРАНИЦ: 0");
    // Texts longer than the drive ever sends are read to their limits.
    ReplyOf longer(0x49, {"12345678901234567890", "00", "123456789012345"});
    EXPECT_EQ(Make([&](char *o, size_t n) { journal_params_text(longer.cmd, o, n); }),
              u8"ПАРАМЕТРЫ ЖУРНАЛА:\n\nКОЛ-ВО СТРАНИЦ: 123456789012345\nОТКАЗАВШИХ БЛОКОВ: 0\n"
              u8"ТЕКУЩАЯ СТРАНИЦА: 1234567890\nСВОБОДНЫХ СТРАНИЦ: 123455554444455");
}

TEST(ShiftStateTexts, ClosedShiftAndAbsentFields)
{
    struct Case {
        std::vector<std::string> fields;
        const char *text;
    } cases[] = {
        {{"0B", "00", "0700", "000000", "0000"},
         u8"ОСТ.ПЕРЕРЕГИСТРАЦИЙ: 11\nПОСЛЕДНЯЯ СМЕНА: 7\nДАТА СМЕНЫ: 'ЗАКРЫТА'\nВРЕМЯ СМЕНЫ: 'ЗАКРЫТА'\n"},
        {{"01", "01", "0C00", "150326", "0930"},
         u8"ОСТ.ПЕРЕРЕГИСТРАЦИЙ: 1\nПОСЛЕДНЯЯ СМЕНА: 12\nДАТА СМЕНЫ: '150326'\nВРЕМЯ СМЕНЫ: '0930'\n"},
        {{"01", "01", "0C00"}, u8"ОСТ.ПЕРЕРЕГИСТРАЦИЙ: 1\nПОСЛЕДНЯЯ СМЕНА: 12\n"},
        {{"01", "01", "0C00", ""}, u8"ОСТ.ПЕРЕРЕГИСТРАЦИЙ: 1\nПОСЛЕДНЯЯ СМЕНА: 12\nДАТА СМЕНЫ: ''\n"},
    };
    for (const Case &c : cases) {
        ReplyOf r(0x03, c.fields);
        EXPECT_EQ(Make([&](char *o, size_t n) { tech_info_text(r.cmd, o, n); }), c.text);
    }
}

TEST(DocumentTexts, TypesAcknowledgementAndModes)
{
    struct Case {
        unsigned type;
        const char *name;
    } names[] = {{1, u8"ОТЧЕТ О РЕГИСТР."}, {11, u8"ИЗМ.ПАР.РЕГИСТР."},  {2, u8"ОТКРЫТИЕ СМЕНЫ"},
                 {21, u8"ТЕКУЩЕЕ СОСТ.РАСЧ."}, {3, u8"КАССОВЫЙ ЧЕК"},  {31, u8"ЧЕК КОРРЕКЦИИ"},
                 {4, u8"БСО"},              {41, u8"БСО КОРРЕКЦИИ"},     {5, u8"ЗАКРЫТИЕ СМЕНЫ"},
                 {6, u8"ЗАКРЫТИЕ ФН"},      {7, u8"ПОДТВЕРЖДЕНИЕ ОФД"}, {8, u8"НЕ ИЗВЕСТНО"},
                 {0, u8"НЕ ИЗВЕСТНО"}};
    for (const Case &c : names)
        EXPECT_EQ(Utf8(fn_doc_type_name(c.type)), c.name) << c.type;

    ReplyOf receipt(0x8B, {"03", "00", "1503261012", Hex8(42), Hex8(0x10000000u + 42), "01"});
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_doc_text(receipt.cmd, 0, o, n); }),
              u8"ТИП: [3] КАССОВЫЙ ЧЕК\nПОДТВЕРЖДЕНИЕ ОФД: НЕ ПОЛУЧЕНО\nДТ (ДДММГГЧЧММ): 1503261012\nФД: 42\n"
              u8"ФП: 268435498\n");
    ReplyOf ack(0x8B, {"07", "01", "1503261012", Hex8(43), "OFD-SIGN"});
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_doc_text(ack.cmd, 1, o, n); }),
              u8"ТИП: [7] ПОДТВЕРЖДЕНИЕ ОФД\nПОДТВЕРЖДЕНИЕ ОФД: ПОЛУЧЕНО\nДТ (ДДММГГЧЧММ): 1503261012\nФД: 43\n"
              u8"ФП: 'OFD-SIGN'\n");
    // A printed document (mode 2) shows only its type and acknowledgement.
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_doc_text(ack.cmd, 2, o, n); }),
              u8"ТИП: [7] ПОДТВЕРЖДЕНИЕ ОФД\nПОДТВЕРЖДЕНИЕ ОФД: ПОЛУЧЕНО\n");
    ReplyOf empty(0x8B, {});
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_doc_text(empty.cmd, 0, o, n); }),
              u8"ТИП: [0] НЕ ИЗВЕСТНО\nПОДТВЕРЖДЕНИЕ ОФД: НЕ ПОЛУЧЕНО\nДТ (ДДММГГЧЧММ): \nФД: 0\nФП: 0\n");
}

// The field reading stops on a reply that adds nothing, and on a full text:
// a drive that keeps answering cannot hold the screen.
TEST(DocumentTexts, FieldListingEndsWhenNothingIsAdded)
{
    ReplyOf first(0x8B, {u8"1000: КАССОВЫЙ ЧЕК"});
    ReplyOf second(0x8B, {"1040: 42", "1077: 9"});
    ReplyOf noField(0x8B, {});
    char text[64] = "";
    EXPECT_EQ(fn_doc_fields_append(first.cmd, text, sizeof text), 1);
    EXPECT_EQ(fn_doc_fields_append(second.cmd, text, sizeof text), 2);
    EXPECT_EQ(Utf8(text), u8"1000: КАССОВЫЙ ЧЕК\n1040: 42\n1077: 9");
    EXPECT_EQ(fn_doc_fields_append(noField.cmd, text, sizeof text), 0);

    // A drive answering the same field for ever fills the text and then adds
    // nothing more.
    char small[40] = "";
    int replies = 0;
    while (fn_doc_fields_append(second.cmd, small, sizeof small) > 0)
        ASSERT_LT(++replies, 100);
    EXPECT_EQ(strlen(small), sizeof small - 1);
    EXPECT_EQ(std::string(small), std::string("1040: 42\n1077: 9\n1040: 42\n1077: 9\n1040: 42").substr(0, 39));
}

TEST(DriveStatusTexts, EveryNamedState)
{
    ReplyOf r(0x29, {"03", "04", "01", "01", "0F", "1503261012", "9999078900012345", Hex8(77), "311228",
                     "fn v 2", "01", Hex4(12), Hex4(3)});
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_stat_text(r.cmd, o, n); }),
              u8"СТАТУС ФН:\n\nФАЗА ЖИЗНИ: '03' ФИСКАЛЬНЫЙ РЕЖИМ\nТЕК.ДОК.: '04' кассовый чек\n"
              u8"ДАННЫЕ ДОК.: '01' данные получены\nСОСТ.СМЕНЫ: '01' открыта\nФЛАГИ ПРЕДУПРЕЖДЕНИЯ: '0F'\n"
              u8"- до окончания срока действия 3 дня\n- до окончания срока действия 30 дней\n"
              u8"- архив ФН заполнен на 90%\n- превышено время ожидания ответа ОФД\n"
              u8"ДАТА И ВРЕМЯ: '1503261012'\nНОМЕР ФН: '9999078900012345'\nНОМЕР ПОСЛ.ФД: '4D000000' 77\n"
              u8"СРОК ДЕЙСТВИЯ ФН: '311228'\nВЕРСИЯ ФН: 'fn v 2'\nТИП ФН: '01' серийный\n"
              u8"НОМЕР СМЕНЫ: '000C' 12\nНОМЕР ЧЕКА: '0003' 3\n");

    struct Line {
        int field;
        unsigned value;
        const char *expected;
    } lines[] = {
        {5, 0, u8"ФАЗА ЖИЗНИ: '00' НАСТРОЙКА\n"},     {5, 1, u8"ФАЗА ЖИЗНИ: '01' ГОТОВ К РЕГИСТРАЦИИ\n"},
        {5, 7, u8"ФАЗА ЖИЗНИ: '07' АРХИВ ЗАКРЫТ\n"},  {5, 15, u8"ФАЗА ЖИЗНИ: '0F' ЧТЕНИЕ АРХИВА\n"},
        {5, 2, u8"ФАЗА ЖИЗНИ: '02' \n"},              {6, 0, u8"ТЕК.ДОК.: '00' нет открытого документа\n"},
        {6, 1, u8"ТЕК.ДОК.: '01' отчет о регистрации ККТ\n"}, {6, 2, u8"ТЕК.ДОК.: '02' отчет об открытии смены\n"},
        {6, 8, u8"ТЕК.ДОК.: '08' отчет о закрытии смены\n"}, {6, 16, u8"ТЕК.ДОК.: '10' отчет о закрытии ФН\n"},
        {6, 17, u8"ТЕК.ДОК.: '11' бланк строгой отчетности(БСО)\n"},
        {6, 18, u8"ТЕК.ДОК.: '12' отчет об изм. пар-ов регистрации\n"},
        {6, 19, u8"ТЕК.ДОК.: '13' отчет об изм. пар-ов регистрации\n"},
        {6, 20, u8"ТЕК.ДОК.: '14' кассовый чек коррекции\n"}, {6, 21, u8"ТЕК.ДОК.: '15' БСО коррекции\n"},
        {6, 23, u8"ТЕК.ДОК.: '17' отчет о тек. состоянии расчетов\n"}, {6, 22, u8"ТЕК.ДОК.: '16' \n"},
        {7, 0, u8"ДАННЫЕ ДОК.: '00' нет данных\n"},   {7, 2, u8"ДАННЫЕ ДОК.: '02' \n"},
        {8, 0, u8"СОСТ.СМЕНЫ: '00' закрыта\n"},       {8, 5, u8"СОСТ.СМЕНЫ: '05' \n"},
        {9, 0, u8"ФЛАГИ ПРЕДУПРЕЖДЕНИЯ: '00'\nДАТА"}, {15, 0, u8"ТИП ФН: '00' отладочный\n"},
        {15, 2, u8"ТИП ФН: '02' \n"},
    };
    for (const Line &l : lines) {
        std::vector<std::string> f(11, "");
        char b[4];
        snprintf(b, sizeof b, "%02X", l.value);
        f[static_cast<size_t>(l.field - 5)] = b;
        ReplyOf one(0x29, f);
        std::string text = Make([&](char *o, size_t n) { fn_stat_text(one.cmd, o, n); });
        EXPECT_NE(text.find(l.expected), std::string::npos) << l.expected << "\n" << text;
    }
}

TEST(DriveStatusTexts, KeyUpdateStates)
{
    const char *sentences[4] = {
        u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ ВЫПОЛНЕНО.   ", u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.",
        u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОБРАТИТЕСЬ В СЛУЖБУ ТЕХНИЧЕСКОЙ ПОДДЕРЖКИ.",
        u8"ОБНОВЛЕНИЯ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОШИБКА СЕРВИСА ОБНОВЛЕНИЯ КЛЮЧЕЙ КМ."};
    for (int state = 0; state < 4; ++state)
        EXPECT_EQ(Make([&](char *o, size_t n) {
                      o[0] = 0;
                      fn_stat_keys_append(state, 1, packed_date(2026, 1, 1), packed_date(2026, 3, 1), o, n);
                  }),
                  sentences[state]);
    EXPECT_EQ(Make([&](char *o, size_t n) {
                  o[0] = 0;
                  fn_stat_keys_append(255, 1, 0, packed_date(2026, 3, 1), o, n);
              }),
              u8"КЛЮЧИ АС ОКП НЕ ЗАГРУЖЕНЫ\n");
    EXPECT_EQ(Make([&](char *o, size_t n) {
                  o[0] = 0;
                  fn_stat_keys_append(255, 0, 0, 0, o, n);
              }),
              "");
}

// The keys' age is counted in calendar days: across a month's and a year's
// end the packed numbers differ by far more.
TEST(DriveStatusTexts, KeyAgeInCalendarDays)
{
    struct Case {
        uint16_t today, keys;
        int days;
    } cases[] = {
        {packed_date(2026, 3, 15), packed_date(2026, 3, 5), 10},
        {packed_date(2024, 3, 1), packed_date(2024, 2, 28), 2},     // a leap February
        {packed_date(2026, 3, 1), packed_date(2026, 2, 28), 1},
        {packed_date(2025, 1, 1), packed_date(2024, 12, 31), 1},    // the packed difference is 130
        {packed_date(2026, 3, 1), packed_date(2025, 3, 1), 365},
        {packed_date(2026, 3, 1), static_cast<uint16_t>(packed_date(2026, 1, 1) - 32), 96}, // month 0: packed
        {packed_date(2026, 3, 1), packed_date(2026, 2, 31), 2},     // 31 February: packed
    };
    for (const Case &c : cases) {
        EXPECT_EQ(packed_date_days(c.today, c.keys), c.days) << c.today << " " << c.keys;
        std::string text = Make([&](char *o, size_t n) {
            o[0] = 0;
            fn_stat_keys_append(255, 1, c.keys, c.today, o, n);
        });
        EXPECT_EQ(text, u8"КЛЮЧИ АС ОКП ОБНОВЛЕНЫ " + std::to_string(c.days) + u8" ДНЕЙ НАЗАД\n");
    }
}

TEST(RegistrationTexts, ModesBeforeAndFromFfd12)
{
    std::vector<std::string> totals = {"0101260900", "007710000001", "0000000001012345", "3F", "13", Hex8(1),
                                       Hex8(0x20000001u)};
    ReplyOf r(0x8F, totals);
    ReplyOf tagOn(0x88, {"01"}), tagOff(0x88, {"00"}), tagRefused(0x88, {"01"}, 0x78);
    TMCommand *tags[4] = {&tagOn.cmd, &tagOff.cmd, &tagRefused.cmd, &tagOn.cmd};
    const char *head = u8"ДАТА И ВРЕМЯ: '0101260900'\nИНН: '007710000001'\nРЕГ.НОМЕР: '0000000001012345'\n"
                       u8"КОД НАЛОГ.: '3F'\n  01: общая\n  02: упрощенная доход\n  04: упрощенная доход минус расход\n"
                       u8"  10: единый сельскохозяйственный налог\n  20: патентная система налогообложения\n";
    const char *tail = u8"НОМЕР ФД: 1\nФИСК.ПРИЗНАК: '01000020' 536870913\n\nРЕГИСТРАЦИЯ: ФФД ";
    // Tags 1207 (bit 8) and 1221 (bit 11) on; 1126 refused does not count.
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_fisc_text(r.cmd, 2, nullptr, tags, o, n); }),
              std::string(head) + u8"РЕЖИМ: '0913'\n  0001: режим шифрования данных\n  0002: автономный режим\n"
                                  u8"  0010: режим БСО\n  0100: подакцизные товары\n  0800: установка в автомате\n" +
                  tail + "1.05\n");
    ReplyOf f1290(0x88, {Hex8(0x2 | 0x40 | 0x100 | 0x400 | 0x800 | 0x1000 | 0x2000)});
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_fisc_text(r.cmd, 4, &f1290.cmd, nullptr, o, n); }),
              std::string(head) +
                  u8"РЕЖИМ: '00007F13'\n00000001: режим шифрования данных\n00000002: автономный режим\n"
                  u8"00000010: режим БСО\n00000100: подакцизные товары\n00000200: азартные игры\n"
                  u8"00000400: лотереи\n00000800: установка в автомате\n00001000: маркированный товар\n"
                  u8"00002000: ломбард\n00004000: страхование\n" +
                  tail + "1.2\n");
    EXPECT_EQ(fisc_modes_with_1290(0, 0x8 | 0x10 | 0x20 | 0x80 | 0x200), 0u) << "bits with no mode";

    // Tax bit 0x08 has a code line but no named line; unknown FFD versions.
    std::vector<std::string> t2 = totals;
    t2[3] = "08";
    t2[4] = "00";
    ReplyOf r2(0x8F, t2);
    TMCommand *none[4] = {nullptr, nullptr, nullptr, nullptr};
    std::string text = Make([&](char *o, size_t n) { fn_fisc_text(r2.cmd, 3, nullptr, none, o, n); });
    EXPECT_NE(text.find(u8"КОД НАЛОГ.: '08'\nРЕЖИМ: '0000'\nНОМЕР ФД"), std::string::npos) << text;
    EXPECT_NE(text.find(u8"ФФД 1.1\n"), std::string::npos);
    text = Make([&](char *o, size_t n) { fn_fisc_text(r2.cmd, -1, nullptr, none, o, n); });
    EXPECT_NE(text.find(u8"ФФД НЕИЗВЕСТЕН\n"), std::string::npos);
}

TEST(ExchangeTexts, OfdAndOismStates)
{
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_comm_text(nullptr, nullptr, o, n); }), "");
    ReplyOf comm(0x2B, {"3F", "01", Hex4(5), Hex8(38), "0103261200"});
    ReplyOf oism(0x27, {"02", Hex4(4), Hex8(17), u8"0103261200XYZ", "32"});
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_comm_text(&comm.cmd, &oism.cmd, o, n); }),
              u8"СТАТУС ОБМЕНА С ОФД: '3F'\n  01: транспортное соединение установлено\n"
              u8"  02: есть сообщение для передачи в ОФД\n  04: ожидание квитанции от ОФД\n"
              u8"  08: есть команда от ОФД\n  10: изменились настройки соединения с ОФД\n"
              u8"  20: ожидание ответа на команду от ОФД\nЧТЕНИЕ СООБЩ.: '01' да\nКОЛ-ВО СООБЩ.ДЛЯ ОФД: 5\n"
              u8"НОМЕР ПЕРВ.ДОК.ДЛЯ ОФД: 38\nДАТА ПЕРВ.ДОК.ДЛЯ ОФД: '0103261200'\n\n"
              u8"СТАТУС ОБМЕНА С ОИСМ: '02'\n  02: ожидание квитанции на уведомление\n"
              u8"КОЛ-ВО УВЕДОМЛЕНИЙ В ОЧЕРЕДИ: 4\nНОМЕР ТЕКУЩЕГО УВЕДОМЛЕНИЯ: 17\n"
              u8"ДАТА/ВРЕМЯ ТЕКУЩЕГО УВЕДОМЛЕНИЯ: 010326120\nПРОЦЕНТ ЗАПОЛН.ОБЛ.УВЕДОМЛЕНИЙ: 50\n");
    ReplyOf quiet(0x2B, {"00", "00", "0000", Hex8(0), ""});
    ReplyOf oism0(0x27, {"00"}), oism1(0x27, {"01"}), oismFailed(0x27, {"01"}, 0x01);
    std::string text = Make([&](char *o, size_t n) { fn_comm_text(&quiet.cmd, &oism0.cmd, o, n); });
    EXPECT_NE(text.find(u8"СТАТУС ОБМЕНА С ОФД: '00'\nЧТЕНИЕ СООБЩ.: '00' нет\n"), std::string::npos) << text;
    EXPECT_NE(text.find(u8"'00'\n  00: нет активного обмена\n"), std::string::npos) << text;
    text = Make([&](char *o, size_t n) { fn_comm_text(nullptr, &oism1.cmd, o, n); });
    EXPECT_EQ(text.rfind(u8"СТАТУС ОБМЕНА С ОИСМ: '01'\n  01: начато чтение уведомления\n", 0), 0u) << text;
    EXPECT_EQ(Make([&](char *o, size_t n) { fn_comm_text(nullptr, &oismFailed.cmd, o, n); }), "");
}

TEST(ReportTexts, PrinterStates)
{
    const char *names[] = {u8"НОРМАЛЬНЫЙ",       u8"ПРИНТЕР ЗАНЯТ",    u8"НЕТ БУМАГИ",     u8"ПЕРЕГРЕВ ПРИНТЕРА",
                           u8"Ошибка отрезчика", u8"Открыта крышка", u8"НЕ ИЗВЕСТНЫЙ", u8"НЕ ИЗВЕСТНЫЙ"};
    int32_t states[] = {0, 1, 2, 3, 4, 5, 6, -1};
    for (int i = 0; i < 8; ++i) {
        ServiceStatusBlock s = {};
        s.printerState = states[i];
        s.printError = -7;
        s.extError = 12;
        s.dataState = 2;
        s.ready = i % 2;
        std::string text = Make([&](char *o, size_t n) { prn_stat_text(s, o, n); }, REPORT_PRINTER_SIZE);
        EXPECT_EQ(text, std::string(i % 2 ? u8"КФН ИНИЦИАЛИЗИРОВАН" : u8"КФН НЕ ИНИЦИАЛИЗИРОВАН") + u8"\n\nСТАТУС: " +
                            std::to_string(states[i]) + "\n(" + names[i] +
                            u8")\n\nОШИБКА ПЕЧАТИ: -7\nДОП.КОД ОШИБКИ: 12\n\nСОСТOЯН.ДАННЫХ: 2\n");
    }
    // The O of the data-state label is Latin.
    ServiceStatusBlock s = {};
    char out[REPORT_PRINTER_SIZE];
    prn_stat_text(s, out, sizeof out);
    EXPECT_NE(strstr(out, "\xD1\xCE\xD1\xD2O\xDF\xCD"), nullptr);
}

TEST(ReportTexts, DocumentCountersLineUp)
{
    std::vector<std::string> f;
    for (unsigned i = 0; i < 16; ++i)
        f.push_back(Hex4(i * 100));
    ReplyOf r(0x3D, f);
    std::string open = Make([&](char *o, size_t n) { doc_counters_text(r.cmd, 0x0800, o, n); });
    EXPECT_EQ(open.rfind(u8"Счетчики документов:\n\nКол-во док-ов:                 0\n"
                         u8"Кол-во чеков:                  100\n",
                         0),
              0u)
        << open;
    EXPECT_NE(open.find(u8"Кол.отчёт.док.на чек.ленте:    500\n"), std::string::npos);
    EXPECT_NE(open.find(u8"Кол-во инкассаций:             1500\n\nСМЕНА ОТКРЫТА\n"), std::string::npos);
    // The shift state is the cached flags', whatever the reply says.
    std::string closed = Make([&](char *o, size_t n) { doc_counters_text(r.cmd, 0x07FF, o, n); });
    EXPECT_NE(closed.find(u8"\nСМЕНА ЗАКРЫТА\n"), std::string::npos);
    ReplyOf none(0x3D, {});
    EXPECT_NE(Make([&](char *o, size_t n) { doc_counters_text(none.cmd, 0, o, n); }).find(u8"Кол-во подкреплений:           0\n"),
              std::string::npos);
}

TEST(ReportTexts, OnlyFilledTotalsAreShown)
{
    ReplyOf empty(0x34, std::vector<std::string>(27, ""));
    EXPECT_EQ(Make([&](char *o, size_t n) { money_info_text(empty.cmd, o, n); }), "");
    std::vector<std::string> cash(27, "");
    cash[0] = "10.00";
    cash[1] = "1.00";
    cash[2] = "0.00";
    cash[3] = "2.50";
    ReplyOf r(0x34, cash);
    EXPECT_EQ(Make([&](char *o, size_t n) { money_info_text(r.cmd, o, n); }),
              u8"Налич. приход: 10.00\nНалич. возврат прихода: 1.00\nНалич. расход: 0.00\n"
              u8"Налич. возврат расхода: 2.50\n");
    std::vector<std::string> all;
    for (int i = 0; i < 27; ++i)
        all.push_back(std::to_string(i));
    ReplyOf every(0x34, all);
    std::string text = Make([&](char *o, size_t n) { money_info_text(every.cmd, o, n); });
    EXPECT_NE(text.find(u8"Кредит возврат расхода: 15\n\nИное приход: 16\n"), std::string::npos) << text;
    EXPECT_NE(text.find(u8"\nВнесение: 24\nИнкассация: 25\nСумма в кассе: 26\n"), std::string::npos) << text;

    ReplyOf ext0(0x37, {});
    EXPECT_EQ(Make([&](char *o, size_t n) { report_ext_text(ext0.cmd, o, n); }), u8"ИТОГ:\n");
    std::vector<std::string> e(15, "");
    e[0] = "5.00";
    e[6] = "1.00";
    e[9] = "7.00";
    ReplyOf ext(0x37, e);
    EXPECT_EQ(Make([&](char *o, size_t n) { report_ext_text(ext.cmd, o, n); }),
              u8"ИТОГ:\nПриход: 5.00\n\nДЕНЕЖНЫЙ ЯЩИК:\nПодкрепление: 1.00\n\nНАРАСТАЮЩИЙ ИТОГ:\nПриход: 7.00\n");
}

TEST(ReportTexts, PaymentAndDepartmentTotals)
{
    ReplyOf type(0x4B, {"0F", u8"ВИД ОПЛАТЫ 15"});
    ReplyOf totals(0x36, {"1.00", "", "3.00"});
    EXPECT_EQ(Make([&](char *o, size_t n) { report_payment_text(15, type.cmd, totals.cmd, o, n); }),
              u8"ОТЧЕТ ПО (15)\nВИД ОПЛАТЫ 15\n\nПриход: 1.00\nВозврат прихода: \nРасход: 3.00\nВозврат расхода: \n");

    ReplyOf deps(0x61, {"1", u8"ОВОЩИ", "2", "", "03", u8"МЯСО"});
    ReplyOf cash(0x4B, {"00", u8"НАЛИЧНЫМИ"});
    ReplyOf dep(0x38, {"10.00", "2", "0.00", "0", "", "", "", ""});
    const char *sums = u8"Сумма прихода: 10.00\nКол-во по приходу: 2\nСумма возврата прихода: 0.00\n"
                       u8"Кол-во по возв.прихода: 0\nСумма расхода: \nКол-во по расходу: \n"
                       u8"Сумма возврата расхода: \nКол-во по возв.расхода: \n";
    EXPECT_EQ(Make([&](char *o, size_t n) { report_dep_text(3, 0, deps.cmd, cash.cmd, dep.cmd, o, n); }),
              std::string(u8"ОТДЕЛ 3\nМЯСО\n\nОТЧЕТ ПО (0)\nНАЛИЧНЫМИ\n\n") + sums);
    // An unnamed department and one missing from the table have no name line.
    for (unsigned d : {2u, 40u})
        EXPECT_EQ(Make([&](char *o, size_t n) { report_dep_text(d, 0, deps.cmd, cash.cmd, dep.cmd, o, n); }),
                  u8"ОТДЕЛ " + std::to_string(d) + u8"\n\nОТЧЕТ ПО (0)\nНАЛИЧНЫМИ\n\n" + sums);
    // Numbers come as bytes: "0A" is department 10, "10" department 16.
    ReplyOf bytes(0x61, {"0A", u8"ХЛЕБ", "10", u8"РЫБА"});
    for (const auto &c : {std::make_pair(10u, u8"ХЛЕБ\n"), std::make_pair(16u, u8"РЫБА\n")})
        EXPECT_EQ(Make([&](char *o, size_t n) { report_dep_text(c.first, 0, bytes.cmd, cash.cmd, dep.cmd, o, n); }),
                  u8"ОТДЕЛ " + std::to_string(c.first) + "\n" + c.second + u8"\nОТЧЕТ ПО (0)\nНАЛИЧНЫМИ\n\n" + sums);
}

TEST(OfdTexts, TicketWaitingAndUnsent)
{
    ReplyOf ticket(0x3A, {"1503261012", Hex8(42), "4F46440310000042"});
    EXPECT_EQ(Make([&](char *o, size_t n) { ofd_ticket_text(ticket.cmd, o, n); }),
              u8"ДАТА: '1503261012'\nНОМЕР ДОК: 42\n\nФИСКАЛЬНЫЙ ПРИЗНАК:\n4F46440310000042");
    EXPECT_EQ(Make([&](char *o, size_t n) { ofd_doc_wait_text(1, 1, 7, 9, o, n); }),
              u8"УВЕДОМЛЕНИЙ ДЛЯ ВЫГРУЗКИ:\n\n 7");
    EXPECT_EQ(Make([&](char *o, size_t n) { ofd_doc_wait_text(0, 1, 7, 9, o, n); }),
              u8"ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ:\n\n 7 ДЛЯ ОФД\n\n9 ДЛЯ ОИСМ");
    EXPECT_EQ(Make([&](char *o, size_t n) { ofd_doc_wait_text(0, 0, 0, 9, o, n); }),
              u8"ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ:\n\n 0 ДЛЯ ОФД\n\n");
    ReplyOf unsent(0x3B, {Hex8(44), Hex8(0x2000002Cu), Hex8(3), "150326101299"});
    EXPECT_EQ(Make([&](char *o, size_t n) { ofd_pay_state_text(unsent.cmd, o, n); }),
              u8"ФД: 44 ФП: 536870956\n\nКОЛ. НЕПЕРЕДАННЫХ ФД: 3\nДАТА 1го НЕПЕРЕДАННОГО ФД: 15032610129");
}

TEST(BrowserTexts, ListedKindsAndItems)
{
    struct Case {
        std::vector<std::string> fields;
        bool listed;
        const char *text;
    } cases[] = {
        {{"03", "00", "1503261012", "", "", "01"}, true, u8"Приход\n15.03.26 10:12 ФД№42"},
        {{"1F", "00", "1503261012", "", "", "02"}, true, u8"Возврат прихода\n15.03.26 10:12 ФД№42"},
        {{"03", "00", "1503261012", "", "", "03"}, false, ""},
        {{"01", "00", "0101260900"}, true, u8"Регистрация\n01.01.26 09:00 ФД№42"},
        {{"0B", "00", "0101260900"}, true, u8"Регистрация\n01.01.26 09:00 ФД№42"},
        {{"02", "00", "0101260900"}, true, u8"Открытие смены\n01.01.26 09:00 ФД№42"},
        {{"05", "00", "0101261900"}, true, u8"Закрытие смены\n01.01.26 19:00 ФД№42"},
        {{"05", "00", "01012"}, true, u8"Закрытие смены\n01.01. 2   :   ФД№42"},
        {{"06", "00", "0101261900"}, false, ""},
        {{}, false, ""},
    };
    for (const Case &c : cases) {
        ReplyOf r(0x8B, c.fields);
        char out[128];
        EXPECT_EQ(browse_item_text(r.cmd, 42, out, sizeof out), c.listed);
        EXPECT_EQ(Utf8(out), c.text);
    }
}

// Every text, at every buffer size, is the full text cut to fit and always
// terminated.
TEST(ReportTexts, CutAtTheBufferEnd)
{
    ReplyOf stat(0x29, {"03", "04", "01", "01", "0F", "1503261012", "9999078900012345", Hex8(77), "311228",
                        "fn v 2", "01", Hex4(12), Hex4(3)});
    ReplyOf fisc(0x8F, {"0101260900", "007710000001", "0000000001012345", "3F", "3F", Hex8(1), Hex8(1)});
    ReplyOf counters(0x3D, std::vector<std::string>(16, "FFFF"));
    ReplyOf money(0x34, std::vector<std::string>(27, "123456789.00"));
    ReplyOf comm(0x2B, {"3F", "01", Hex4(5), Hex8(38), "0103261200"});
    ReplyOf doc(0x8B, {"03", "00", "1503261012", Hex8(42), Hex8(1), "01"});
    ReplyOf type(0x4B, {"00", u8"НАЛИЧНЫМИ"});
    ReplyOf totals(0x36, {"1.00", "2.00", "3.00", "4.00"});
    ReplyOf ticket(0x3A, {"1503261012", Hex8(42), "4F46440310000042"});
    TMCommand *none[4] = {nullptr, nullptr, nullptr, nullptr};
    ServiceStatusBlock printer = {};
    std::vector<std::pair<const char *, Maker>> makers = {
        {"fn_stat", [&](char *o, size_t n) { fn_stat_text(stat.cmd, o, n); }},
        {"fn_fisc", [&](char *o, size_t n) { fn_fisc_text(fisc.cmd, 2, nullptr, none, o, n); }},
        {"counters", [&](char *o, size_t n) { doc_counters_text(counters.cmd, 0x800, o, n); }},
        {"money", [&](char *o, size_t n) { money_info_text(money.cmd, o, n); }},
        {"comm", [&](char *o, size_t n) { fn_comm_text(&comm.cmd, nullptr, o, n); }},
        {"doc", [&](char *o, size_t n) { fn_doc_text(doc.cmd, 0, o, n); }},
        {"payment", [&](char *o, size_t n) { report_payment_text(0, type.cmd, totals.cmd, o, n); }},
        {"ticket", [&](char *o, size_t n) { ofd_ticket_text(ticket.cmd, o, n); }},
        {"printer", [&](char *o, size_t n) { prn_stat_text(printer, o, n); }},
        {"journal", [&](char *o, size_t n) { journal_params_text(doc.cmd, o, n); }},
        {"fields", [&](char *o, size_t n) { o[0] = 0; fn_doc_fields_append(doc.cmd, o, n); }},
    };
    for (const auto &m : makers) {
        std::vector<char> whole(8192);
        m.second(whole.data(), whole.size());
        std::string full = whole.data();
        for (size_t size = 1; size <= full.size() + 1; ++size) {
            std::vector<char> out(size + 16, 'X');
            m.second(out.data(), size);
            ASSERT_EQ(std::string(out.data()), full.substr(0, size - 1)) << m.first << " size " << size;
            for (size_t i = size; i < out.size(); ++i)
                ASSERT_EQ(out[i], 'X') << m.first << " wrote past " << size;
        }
    }
    // The 1024-byte report keeps its first kilobyte of a long money list.
    std::string text = Make([&](char *o, size_t n) { money_info_text(money.cmd, o, n); }, REPORT_TEXT_SIZE);
    EXPECT_LE(text.size(), 2 * REPORT_TEXT_SIZE);
}

} // namespace
} // namespace fiscaltest
