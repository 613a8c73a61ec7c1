#include "report_text.h"

#include <ctype.h>

#include <stdlib.h>
#include <string.h>

#include "ServiceQueue.h"
#include "TMCommand.h"
#include "str_helpers.h"

namespace {

// A field as text, at most size - 1 characters; empty when absent.
const char *text(TMCommand &r, uint32_t k, char *buf, size_t size)
{
    buf[0] = 0;
    if (r.FieldText(k, buf, static_cast<uint32_t>(size)) < 0)
        buf[0] = 0;
    return buf;
}

const char *text1251(TMCommand &r, uint32_t k, char *buf, size_t size)
{
    buf[0] = 0;
    if (r.FieldText1251(k, buf, static_cast<uint32_t>(size)) < 0)
        buf[0] = 0;
    return buf;
}

bool present(TMCommand &r, uint32_t k) { return r.FrameData() && k < r.FieldCount(); }

bool succeeded(TMCommand *r) { return r && r->FrameData() && r->ErrorCode() == 0; }

// The decimal value of a text: leading digits after optional blanks and a
// sign, clamped far beyond any count a drive keeps.
long long decimal(const char *s)
{
    long long v = strtoll(s, nullptr, 10);
    const long long limit = 1000000000000000000LL;
    return v > limit ? limit : v < -limit ? -limit : v;
}

struct Name {
    unsigned value;
    const char *text;
};

const char *lookup(const Name *names, size_t n, unsigned value, const char *other)
{
    for (size_t i = 0; i < n; ++i)
        if (names[i].value == value)
            return names[i].text;
    return other;
}

template <size_t N> const char *lookup(const Name (&names)[N], unsigned value, const char *other)
{
    return lookup(names, N, value, other);
}

// One line per set bit, formatted with the bit's value.
template <size_t N> void bitLines(const Name (&bits)[N], uint32_t value, char *out, size_t size)
{
    for (const Name &b : bits)
        if (value & b.value)
            str_format_append(out, size, b.text, b.value);
}

// Labelled text fields from first on, shown only when not empty.
void nonEmptyFields(TMCommand &r, uint32_t first, const char *const *labels, size_t n, char *out, size_t size)
{
    char buf[256];
    for (size_t i = 0; i < n; ++i)
        if (*text(r, first + static_cast<uint32_t>(i), buf, sizeof buf))
            str_format_append(out, size, labels[i], buf);
}

// Labelled text fields from first on, always shown.
void allFields(TMCommand &r, uint32_t first, const char *const *labels, size_t n, char *out, size_t size)
{
    char buf[256];
    for (size_t i = 0; i < n; ++i)
        str_format_append(out, size, labels[i], text(r, first + static_cast<uint32_t>(i), buf, sizeof buf));
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int monthDays(int y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// Days since 1 March of year 0 of a real packed date; false for one that is
// no date.
bool dayNumber(uint16_t packed, long *out)
{
    int day = packed & 31, month = (packed >> 5) & 15, year = 1996 + (packed >> 9);
    if (month < 1 || month > 12 || day < 1 || day > monthDays(year, month))
        return false;
    int y = year - (month <= 2);
    int era = y / 400;
    int yoe = y - era * 400;
    int mp = (month + 9) % 12;
    int doy = (153 * mp + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    *out = era * 146097L + doe;
    return true;
}

} // namespace

// ---- electronic journal and shift state ---------------------------------------------------------

void journal_params_text(TMCommand &r, char *out, size_t size)
{
    char pages[16], current[11];
    text(r, 5, pages, sizeof pages);
    text(r, 7, current, sizeof current);
    long long free = decimal(pages) - decimal(current);
    out[0] = 0;
    str_format_append(out, size,
                      "ПАРАМЕТРЫ ЖУРНАЛА:\n\nКОЛ-ВО СТРАНИЦ: %s\nОТКАЗАВШИХ БЛОКОВ: %u\nТЕКУЩАЯ СТРАНИЦА: %s\n"
                      "СВОБОДНЫХ СТРАНИЦ: %lld",
                      pages, static_cast<unsigned>(r.FieldWord(6)), current, free);
}

void tech_info_text(TMCommand &r, char *out, size_t size)
{
    char buf[256];
    out[0] = 0;
    str_format_append(out, size, "ОСТ.ПЕРЕРЕГИСТРАЦИЙ: %u\n", static_cast<unsigned>(r.FieldByte(5)));
    str_format_append(out, size, "ПОСЛЕДНЯЯ СМЕНА: %u\n", static_cast<unsigned>(r.FieldWord(7)));
    if (present(r, 8)) {
        text(r, 8, buf, sizeof buf);
        str_format_append(out, size, "ДАТА СМЕНЫ: '%s'\n", strcmp(buf, "000000") == 0 ? "ЗАКРЫТА" : buf);
    }
    if (present(r, 9)) {
        text(r, 9, buf, sizeof buf);
        str_format_append(out, size, "ВРЕМЯ СМЕНЫ: '%s'\n", strcmp(buf, "0000") == 0 ? "ЗАКРЫТА" : buf);
    }
}

// ---- fiscal drive -------------------------------------------------------------------------------

const char *fn_doc_type_name(unsigned type)
{
    static const Name names[] = {
        {1, "ОТЧЕТ О РЕГИСТР."}, {11, "ИЗМ.ПАР.РЕГИСТР."}, {2, "ОТКРЫТИЕ СМЕНЫ"}, {21, "ТЕКУЩЕЕ СОСТ.РАСЧ."},
        {3, "КАССОВЫЙ ЧЕК"},     {31, "ЧЕК КОРРЕКЦИИ"},    {4, "БСО"},            {41, "БСО КОРРЕКЦИИ"},
        {5, "ЗАКРЫТИЕ СМЕНЫ"},   {6, "ЗАКРЫТИЕ ФН"},       {7, "ПОДТВЕРЖДЕНИЕ ОФД"},
    };
    return lookup(names, type, "НЕ ИЗВЕСТНО");
}

void fn_doc_text(TMCommand &r, uint8_t mode, char *out, size_t size)
{
    char buf[256];
    unsigned type = r.FieldByte(5);
    out[0] = 0;
    str_format_append(out, size, "ТИП: [%d] %s\n", static_cast<int>(type), fn_doc_type_name(type));
    str_format_append(out, size, "ПОДТВЕРЖДЕНИЕ ОФД: %sПОЛУЧЕНО\n", r.FieldByte(6) == 0 ? "НЕ " : "");
    if (mode == 2)
        return;
    str_format_append(out, size, "ДТ (ДДММГГЧЧММ): %s\n", text(r, 7, buf, sizeof buf));
    str_format_append(out, size, "ФД: %u\n", static_cast<unsigned>(r.FieldDword(8)));
    if (type == 7)
        str_format_append(out, size, "ФП: '%s'\n", text(r, 9, buf, sizeof buf));
    else
        str_format_append(out, size, "ФП: %u\n", static_cast<unsigned>(r.FieldDword(9)));
}

int fn_doc_fields_append(TMCommand &r, char *out, size_t size)
{
    if (!present(r, 5))
        return 0;
    int added = 0;
    char buf[REPORT_DOC_FIELDS_SIZE];
    for (uint32_t k = 5; k < r.FieldCount(); ++k) {
        size_t len = strnlen(out, size);
        if (len + 1 >= size)
            break;
        if (len)
            str_append(out, "\n", size);
        str_append(out, text1251(r, k, buf, sizeof buf), size);
        ++added;
    }
    return added;
}

void fn_stat_text(TMCommand &r, char *out, size_t size)
{
    static const Name phases[] = {{0, "НАСТРОЙКА\n"},
                                  {1, "ГОТОВ К РЕГИСТРАЦИИ\n"},
                                  {3, "ФИСКАЛЬНЫЙ РЕЖИМ\n"},
                                  {7, "АРХИВ ЗАКРЫТ\n"},
                                  {15, "ЧТЕНИЕ АРХИВА\n"}};
    static const Name documents[] = {{0, "нет открытого документа\n"},
                                     {1, "отчет о регистрации ККТ\n"},
                                     {2, "отчет об открытии смены\n"},
                                     {4, "кассовый чек\n"},
                                     {8, "отчет о закрытии смены\n"},
                                     {16, "отчет о закрытии ФН\n"},
                                     {17, "бланк строгой отчетности(БСО)\n"},
                                     {18, "отчет об изм. пар-ов регистрации\n"},
                                     {19, "отчет об изм. пар-ов регистрации\n"},
                                     {20, "кассовый чек коррекции\n"},
                                     {21, "БСО коррекции\n"},
                                     {23, "отчет о тек. состоянии расчетов\n"}};
    static const Name data[] = {{0, "нет данных\n"}, {1, "данные получены\n"}};
    static const Name shift[] = {{0, "закрыта\n"}, {1, "открыта\n"}};
    static const Name warnings[] = {{0x01, "- до окончания срока действия 3 дня\n"},
                                    {0x02, "- до окончания срока действия 30 дней\n"},
                                    {0x04, "- архив ФН заполнен на 90%\n"},
                                    {0x08, "- превышено время ожидания ответа ОФД\n"}};
    static const Name kinds[] = {{0, "отладочный\n"}, {1, "серийный\n"}};
    char buf[256];
    out[0] = 0;
    unsigned b = r.FieldByte(5);
    str_format_append(out, size, "СТАТУС ФН:\n\nФАЗА ЖИЗНИ: '%02X' %s", b, lookup(phases, b, "\n"));
    b = r.FieldByte(6);
    str_format_append(out, size, "ТЕК.ДОК.: '%02X' %s", b, lookup(documents, b, "\n"));
    b = r.FieldByte(7);
    str_format_append(out, size, "ДАННЫЕ ДОК.: '%02X' %s", b, lookup(data, b, "\n"));
    b = r.FieldByte(8);
    str_format_append(out, size, "СОСТ.СМЕНЫ: '%02X' %s", b, lookup(shift, b, "\n"));
    b = r.FieldByte(9);
    str_format_append(out, size, "ФЛАГИ ПРЕДУПРЕЖДЕНИЯ: '%02X'\n", b);
    for (const Name &w : warnings) // appended as they are: one holds a '%'
        if (b & w.value)
            str_append(out, w.text, size);
    str_format_append(out, size, "ДАТА И ВРЕМЯ: '%s'\n", text(r, 10, buf, sizeof buf));
    str_format_append(out, size, "НОМЕР ФН: '%s'\n", text(r, 11, buf, sizeof buf));
    str_format_append(out, size, "НОМЕР ПОСЛ.ФД: '%s' %u\n", text(r, 12, buf, sizeof buf),
                      static_cast<unsigned>(r.FieldDword(12)));
    str_format_append(out, size, "СРОК ДЕЙСТВИЯ ФН: '%s'\n", text(r, 13, buf, sizeof buf));
    str_format_append(out, size, "ВЕРСИЯ ФН: '%s'\n", text1251(r, 14, buf, sizeof buf));
    b = r.FieldByte(15);
    str_format_append(out, size, "ТИП ФН: '%02X' %s", b, lookup(kinds, b, "\n"));
    unsigned w = r.FieldWord(16);
    str_format_append(out, size, "НОМЕР СМЕНЫ: '%04X' %u\n", w, w);
    w = r.FieldWord(17);
    str_format_append(out, size, "НОМЕР ЧЕКА: '%04X' %u\n", w, w);
}

uint16_t packed_date(int year, int month, int day)
{
    return static_cast<uint16_t>(day + 32 * month + 512 * (year - 1996));
}

int packed_date_days(uint16_t today, uint16_t then)
{
    long a, b;
    if (dayNumber(today, &a) && dayNumber(then, &b))
        return static_cast<int>(a - b);
    return static_cast<int>(today) - static_cast<int>(then);
}

void fn_stat_keys_append(int state, int keyDateKnown, uint16_t keyDate, uint16_t today, char *out, size_t size)
{
    static const Name states[] = {
        {0, "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ ВЫПОЛНЕНО.   "},
        {1, "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО."},
        {2, "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОБРАТИТЕСЬ В СЛУЖБУ ТЕХНИЧЕСКОЙ ПОДДЕРЖКИ."},
        {3, "ОБНОВЛЕНИЯ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОШИБКА СЕРВИСА ОБНОВЛЕНИЯ КЛЮЧЕЙ КМ."},
    };
    if (state >= 0 && state <= 3) {
        str_append(out, lookup(states, static_cast<unsigned>(state), ""), size);
        return;
    }
    if (state != 255 || !keyDateKnown)
        return;
    if (keyDate == 0)
        str_append(out, "КЛЮЧИ АС ОКП НЕ ЗАГРУЖЕНЫ\n", size);
    else
        str_format_append(out, size, "КЛЮЧИ АС ОКП ОБНОВЛЕНЫ %d ДНЕЙ НАЗАД\n", packed_date_days(today, keyDate));
}

uint32_t fisc_modes_with_1290(uint32_t m, uint32_t f)
{
    static const struct {
        uint32_t tag, mode;
    } map[] = {{0x2, 0x800},   {0x40, 0x100},   {0x100, 0x1000}, {0x400, 0x200},
               {0x800, 0x400}, {0x1000, 0x2000}, {0x2000, 0x4000}};
    for (const auto &b : map)
        if (f & b.tag)
            m |= b.mode;
    return m;
}

void fn_fisc_text(TMCommand &r, int ffd, TMCommand *tag1290, TMCommand *const tags[4], char *out, size_t size)
{
    static const Name taxes[] = {{0x01, "  %02X: общая\n"},
                                 {0x02, "  %02X: упрощенная доход\n"},
                                 {0x04, "  %02X: упрощенная доход минус расход\n"},
                                 {0x10, "  %02X: единый сельскохозяйственный налог\n"},
                                 {0x20, "  %02X: патентная система налогообложения\n"}};
    static const Name modes12[] = {{0x1, "%08X: режим шифрования данных\n"},
                                   {0x2, "%08X: автономный режим\n"},
                                   {0x4, "%08X: автоматический режим\n"},
                                   {0x8, "%08X: применение в сфере услуг\n"},
                                   {0x10, "%08X: режим БСО\n"},
                                   {0x20, "%08X: признак расчётов в сети Интернет\n"},
                                   {0x100, "%08X: подакцизные товары\n"},
                                   {0x200, "%08X: азартные игры\n"},
                                   {0x400, "%08X: лотереи\n"},
                                   {0x800, "%08X: установка в автомате\n"},
                                   {0x1000, "%08X: маркированный товар\n"},
                                   {0x2000, "%08X: ломбард\n"},
                                   {0x4000, "%08X: страхование\n"}};
    static const Name modes[] = {{0x1, "  %04X: режим шифрования данных\n"},
                                 {0x2, "  %04X: автономный режим\n"},
                                 {0x4, "  %04X: автоматический режим\n"},
                                 {0x8, "  %04X: применение в сфере услуг\n"},
                                 {0x10, "  %04X: режим БСО\n"},
                                 {0x20, "  %04X: признак расчётов в сети Интернет\n"},
                                 {0x100, "  %04X: подакцизные товары\n"},
                                 {0x200, "  %04X: азартные игры\n"},
                                 {0x400, "  %04X: лотереи\n"},
                                 {0x800, "  %04X: установка в автомате\n"}};
    char buf[256];
    out[0] = 0;
    str_format_append(out, size, "ДАТА И ВРЕМЯ: '%s'\n", text(r, 5, buf, sizeof buf));
    str_format_append(out, size, "ИНН: '%s'\n", text(r, 6, buf, sizeof buf));
    str_format_append(out, size, "РЕГ.НОМЕР: '%s'\n", text(r, 7, buf, sizeof buf));
    unsigned tax = r.FieldByte(8);
    str_format_append(out, size, "КОД НАЛОГ.: '%02X'\n", tax);
    bitLines(taxes, tax, out, size);

    uint32_t m = r.FieldByte(9);
    if (ffd > 3) {
        if (succeeded(tag1290))
            m = fisc_modes_with_1290(m, tag1290->FieldDword(5));
        str_format_append(out, size, "РЕЖИМ: '%08X'\n", static_cast<unsigned>(m));
        bitLines(modes12, m, out, size);
    } else {
        for (int i = 0; i < 4; ++i)
            if (tags && succeeded(tags[i]) && (tags[i]->FieldByte(5) & 1))
                m |= 1u << (8 + i);
        str_format_append(out, size, "РЕЖИМ: '%04X'\n", static_cast<unsigned>(m));
        bitLines(modes, m, out, size);
    }
    str_format_append(out, size, "НОМЕР ФД: %u\n", static_cast<unsigned>(r.FieldDword(10)));
    str_format_append(out, size, "ФИСК.ПРИЗНАК: '%s' %u\n", text(r, 11, buf, sizeof buf),
                      static_cast<unsigned>(r.FieldDword(11)));
    str_format_append(out, size, "\nРЕГИСТРАЦИЯ: ФФД %s\n",
                      ffd == 3 ? "1.1" : ffd == 4 ? "1.2" : ffd == 2 ? "1.05" : "НЕИЗВЕСТЕН");
}

void fn_comm_text(TMCommand *comm, TMCommand *oism, char *out, size_t size)
{
    static const Name exchange[] = {{0x01, "  %02X: транспортное соединение установлено\n"},
                                    {0x02, "  %02X: есть сообщение для передачи в ОФД\n"},
                                    {0x04, "  %02X: ожидание квитанции от ОФД\n"},
                                    {0x08, "  %02X: есть команда от ОФД\n"},
                                    {0x10, "  %02X: изменились настройки соединения с ОФД\n"},
                                    {0x20, "  %02X: ожидание ответа на команду от ОФД\n"}};
    static const Name reading[] = {{0, "нет\n"}, {1, "да\n"}};
    static const Name notices[] = {{0, "  %02X: нет активного обмена\n"},
                                   {1, "  %02X: начато чтение уведомления\n"},
                                   {2, "  %02X: ожидание квитанции на уведомление\n"}};
    char buf[256];
    out[0] = 0;
    if (comm && comm->FrameData()) {
        TMCommand &r = *comm;
        unsigned b = r.FieldByte(5);
        str_format_append(out, size, "СТАТУС ОБМЕНА С ОФД: '%02X'\n", b);
        bitLines(exchange, b, out, size);
        b = r.FieldByte(6);
        str_format_append(out, size, "ЧТЕНИЕ СООБЩ.: '%02X' %s", b, lookup(reading, b, "\n"));
        str_format_append(out, size, "КОЛ-ВО СООБЩ.ДЛЯ ОФД: %u\n", static_cast<unsigned>(r.FieldWord(7)));
        str_format_append(out, size, "НОМЕР ПЕРВ.ДОК.ДЛЯ ОФД: %u\n", static_cast<unsigned>(r.FieldDword(8)));
        str_format_append(out, size, "ДАТА ПЕРВ.ДОК.ДЛЯ ОФД: '%s'\n\n", text(r, 9, buf, sizeof buf));
    }
    if (succeeded(oism)) {
        TMCommand &r = *oism;
        unsigned b = r.FieldByte(5);
        str_format_append(out, size, "СТАТУС ОБМЕНА С ОИСМ: '%02X'\n", b);
        for (const Name &n : notices)
            if (n.value == b)
                str_format_append(out, size, n.text, b);
        str_format_append(out, size, "КОЛ-ВО УВЕДОМЛЕНИЙ В ОЧЕРЕДИ: %u\n", static_cast<unsigned>(r.FieldWord(6)));
        str_format_append(out, size, "НОМЕР ТЕКУЩЕГО УВЕДОМЛЕНИЯ: %u\n", static_cast<unsigned>(r.FieldDword(7)));
        char when[10];
        str_format_append(out, size, "ДАТА/ВРЕМЯ ТЕКУЩЕГО УВЕДОМЛЕНИЯ: %s\n", text1251(r, 8, when, sizeof when));
        str_format_append(out, size, "ПРОЦЕНТ ЗАПОЛН.ОБЛ.УВЕДОМЛЕНИЙ: %u\n", static_cast<unsigned>(r.FieldByte(9)));
    }
}

// ---- reports on screen --------------------------------------------------------------------------

void prn_stat_text(const ServiceStatusBlock &s, char *out, size_t size)
{
    static const Name states[] = {{0, "НОРМАЛЬНЫЙ"},     {1, "ПРИНТЕР ЗАНЯТ"},    {2, "НЕТ БУМАГИ"},
                                  {3, "ПЕРЕГРЕВ ПРИНТЕРА"}, {4, "Ошибка отрезчика"}, {5, "Открыта крышка"}};
    out[0] = 0;
    str_format_append(out, size, "КФН %s\n\n", s.ready ? "ИНИЦИАЛИЗИРОВАН" : "НЕ ИНИЦИАЛИЗИРОВАН");
    str_format_append(out, size, "СТАТУС: %i\n", static_cast<int>(s.printerState));
    const char *name = s.printerState < 0 ? "НЕ ИЗВЕСТНЫЙ"
                                          : lookup(states, static_cast<unsigned>(s.printerState), "НЕ ИЗВЕСТНЫЙ");
    str_format_append(out, size, "(%s)\n\n", name);
    str_format_append(out, size, "ОШИБКА ПЕЧАТИ: %i\n", static_cast<int>(s.printError));
    str_format_append(out, size, "ДОП.КОД ОШИБКИ: %i\n\n", static_cast<int>(s.extError));
    // The O of the label is Latin, as the screen has always shown it.
    str_format_append(out, size, "СОСТ" "O" "ЯН.ДАННЫХ: %u\n", static_cast<unsigned>(s.dataState));
}

void doc_counters_text(TMCommand &r, uint16_t flags, char *out, size_t size)
{
    static const char *const labels[16] = {
        "Кол-во док-ов:                 %d\n", "Кол-во чеков:                  %d\n",
        "Кол-во аннул.чеков:            %d\n", "Кол-во п/док.:                 %d\n",
        "Кол-во аннул.п/док.:           %d\n", "Кол.отчёт.док.на чек.ленте:    %d\n",
        "Кол-во унив.п/док.:            %d\n", "Кол-во чеков корр.:            %d\n",
        "Кол-во приходов:               %d\n", "Кол-во возв.приходов:          %d\n",
        "Кол-во расходов:               %d\n", "Кол-во возв.расходов:          %d\n",
        "Кол-во корр.прихода:           %d\n", "Кол-во корр.расхода:           %d\n",
        "Кол-во подкреплений:           %d\n", "Кол-во инкассаций:             %d\n",
    };
    out[0] = 0;
    str_append(out, "Счетчики документов:\n\n", size);
    for (uint32_t i = 0; i < 16; ++i)
        str_format_append(out, size, labels[i], static_cast<int>(r.FieldWord(5 + i)));
    str_format_append(out, size, "\nСМЕНА %s\n", (flags & 0x800) ? "ОТКРЫТА" : "ЗАКРЫТА");
}

void money_info_text(TMCommand &r, char *out, size_t size)
{
    static const char *const labels[27] = {
        "Налич. приход: %s\n",          "Налич. возврат прихода: %s\n",  "Налич. расход: %s\n",
        "Налич. возврат расхода: %s\n", "\nБезнал. приход: %s\n",        "Безнал. возврат прихода: %s\n",
        "Безнал. расход: %s\n",         "Безнал. возврат расхода: %s\n", "\nАванс приход: %s\n",
        "Аванс возврат прихода: %s\n",  "Аванс расход: %s\n",            "Аванс возврат расхода: %s\n",
        "\nКредит приход: %s\n",        "Кредит возврат прихода: %s\n",  "Кредит расход: %s\n",
        "Кредит возврат расхода: %s\n", "\nИное приход: %s\n",           "Иное возврат прихода: %s\n",
        "Иное расход: %s\n",            "Иное возврат расхода: %s\n",    "\nИтого приход: %s\n",
        "Итого возврат прихода: %s\n",  "Итого расход: %s\n",            "Итого возврат расхода: %s\n",
        "\nВнесение: %s\n",             "Инкассация: %s\n",              "Сумма в кассе: %s\n",
    };
    out[0] = 0;
    nonEmptyFields(r, 5, labels, 27, out, size);
}

void report_ext_text(TMCommand &r, char *out, size_t size)
{
    static const char *const labels[15] = {
        "Приход: %s\n",
        "Возврат прихода: %s\n",
        "Расход: %s\n",
        "Возврат расхода: %s\n",
        "Коррекция прихода: %s\n",
        "Коррекция расхода: %s\n",
        "\nДЕНЕЖНЫЙ ЯЩИК:\nПодкрепление: %s\n",
        "Инкассация: %s\n",
        "Сумма в кассе: %s\n",
        "\nНАРАСТАЮЩИЙ ИТОГ:\nПриход: %s\n",
        "Возврат прихода: %s\n",
        "Расход: %s\n",
        "Возврат расхода: %s\n",
        "Коррекция прихода: %s\n",
        "Коррекция расхода: %s\n",
    };
    out[0] = 0;
    str_append(out, "ИТОГ:\n", size);
    nonEmptyFields(r, 5, labels, 15, out, size);
}

void report_payment_text(unsigned index, TMCommand &type, TMCommand &totals, char *out, size_t size)
{
    static const char *const labels[4] = {"Приход: %s\n", "Возврат прихода: %s\n", "Расход: %s\n",
                                          "Возврат расхода: %s\n"};
    char name[256];
    out[0] = 0;
    str_format_append(out, size, "ОТЧЕТ ПО (%u)\n%s\n\n", index, text1251(type, 6, name, sizeof name));
    allFields(totals, 5, labels, 4, out, size);
}

void report_dep_text(unsigned department, unsigned index, TMCommand &departments, TMCommand &type,
                     TMCommand &totals, char *out, size_t size)
{
    static const char *const labels[8] = {
        "Сумма прихода: %s\n",          "Кол-во по приходу: %s\n", "Сумма возврата прихода: %s\n",
        "Кол-во по возв.прихода: %s\n", "Сумма расхода: %s\n",     "Кол-во по расходу: %s\n",
        "Сумма возврата расхода: %s\n", "Кол-во по возв.расхода: %s\n",
    };
    char buf[256];
    out[0] = 0;
    str_format_append(out, size, "ОТДЕЛ %u\n", department);
    for (uint32_t i = 0; i < 40; ++i) {
        if (!present(departments, 5 + 2 * i))
            break;
        // The controller gives a department's number as a byte (two hex
        // digits, "0A" for 10, as 0x60 takes it); read decimally, "10"
        // would name department 16 for department 10.
        const char *field = text(departments, 5 + 2 * i, buf, sizeof buf);
        const bool byte = strlen(field) == 2 && isxdigit(static_cast<unsigned char>(field[0])) &&
                          isxdigit(static_cast<unsigned char>(field[1]));
        const long long number = byte ? strtoll(field, nullptr, 16) : decimal(field);
        if (number != static_cast<long long>(department))
            continue;
        if (*text1251(departments, 6 + 2 * i, buf, sizeof buf))
            str_format_append(out, size, "%s\n", buf);
        break;
    }
    str_format_append(out, size, "\nОТЧЕТ ПО (%u)\n%s\n\n", index, text1251(type, 6, buf, sizeof buf));
    allFields(totals, 5, labels, 8, out, size);
}

// ---- OFD ------------------------------------------------------------------------------------------

void ofd_ticket_text(TMCommand &r, char *out, size_t size)
{
    char buf[256];
    out[0] = 0;
    str_format_append(out, size, "ДАТА: '%s'\n", text(r, 5, buf, sizeof buf));
    str_format_append(out, size, "НОМЕР ДОК: %u\n\n", static_cast<unsigned>(r.FieldDword(6)));
    str_append(out, "ФИСКАЛЬНЫЙ ПРИЗНАК:\n", size);
    str_append(out, text(r, 7, buf, sizeof buf), size);
}

void ofd_doc_wait_text(int autonomous, int marking, unsigned count, unsigned oism, char *out, size_t size)
{
    out[0] = 0;
    if (autonomous)
        str_format_append(out, size, "УВЕДОМЛЕНИЙ ДЛЯ ВЫГРУЗКИ:\n\n %u", count);
    else if (marking)
        str_format_append(out, size, "ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ:\n\n %u ДЛЯ ОФД\n\n%u ДЛЯ ОИСМ", count, oism);
    else
        str_format_append(out, size, "ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ:\n\n %u ДЛЯ ОФД\n\n", count);
}

void ofd_pay_state_text(TMCommand &r, char *out, size_t size)
{
    char date[12];
    out[0] = 0;
    str_format_append(out, size, "ФД: %u ФП: %u\n\nКОЛ. НЕПЕРЕДАННЫХ ФД: %u\nДАТА 1го НЕПЕРЕДАННОГО ФД: %s",
                      static_cast<unsigned>(r.FieldDword(5)), static_cast<unsigned>(r.FieldDword(6)),
                      static_cast<unsigned>(r.FieldDword(7)), text(r, 8, date, sizeof date));
}

// ---- the document browser -------------------------------------------------------------------------

BrowseKind browse_kind(TMCommand &r)
{
    switch (r.FieldByte(5)) {
    case 3:
    case 31: {
        uint8_t op = r.FieldByte(10);
        return op == 1 || op == 2 ? BROWSE_RECEIPT : BROWSE_NONE;
    }
    case 1:
    case 11: return BROWSE_REGISTRATION;
    case 2: return BROWSE_SHIFT_OPEN;
    case 5: return BROWSE_SHIFT_CLOSE;
    default: return BROWSE_NONE;
    }
}

bool browse_item_text(TMCommand &r, uint32_t number, char *out, size_t size)
{
    out[0] = 0;
    const char *name;
    switch (browse_kind(r)) {
    case BROWSE_RECEIPT: name = r.FieldByte(10) == 1 ? "Приход" : "Возврат прихода"; break;
    case BROWSE_REGISTRATION: name = "Регистрация"; break;
    case BROWSE_SHIFT_OPEN: name = "Открытие смены"; break;
    case BROWSE_SHIFT_CLOSE: name = "Закрытие смены"; break;
    default: return false;
    }
    char when[256];
    text(r, 7, when, sizeof when);
    // The five two-character parts of DDMMYYHHMM; a shorter text gives
    // shorter parts.
    char part[5][3] = {};
    size_t len = strlen(when);
    for (size_t i = 0; i < 5; ++i)
        for (size_t j = 0; j < 2 && 2 * i + j < len; ++j)
            part[i][j] = when[2 * i + j];
    str_format_append(out, size, "%s\n%2.2s.%2.2s.%2.2s %2.2s:%2.2s ФД№%u", name, part[0], part[1], part[2], part[3],
                      part[4], static_cast<unsigned>(number));
    return true;
}
