#include "kkt_info.h"
#include "settings.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "ServiceQueue.h"
#include "TMCommand.h"
#include "kfn_state.h"
#include "message_box.h"
#include "osal.h"
#include "print_runner.h"
#include "scoped_dialog.h"
#include "str_helpers.h"
#include "terminal_helpers.h"
#include "vuForm.h"
#include "vuMultiLine.h"
#include "vuUI.h"

namespace {

// The version and date the report gives for the program.
const unsigned kVersion[3] = {3, 1, 0};
const char kBuildDate[] = "Feb 10 2025";
const int kTimeout = 5000;
const int kPrintState = 100;

// Appends a formatted text, bounded; the buffer stays terminated.
void appendf(char *dst, size_t size, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
void appendf(char *dst, size_t size, const char *fmt, ...)
{
    char line[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    str_append(dst, line, size);
}

struct Report {
    char *text;
    char *qr; // null: no QR text
    void line(const char *fmt, ...) __attribute__((format(printf, 2, 3)))
    {
        char buf[512];
        va_list ap;
        va_start(ap, fmt);
        vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        str_append(text, buf, KKT_INFO_REPORT_SIZE);
    }
    void qrValue(const char *value)
    {
        if (!qr)
            return;
        str_append(qr, value, KKT_INFO_QR_SIZE);
        str_append(qr, " ", KKT_INFO_QR_SIZE);
    }
};

bool exec(TMCommand &cmd) { return kfn_exec(nullptr, &cmd, kTimeout) == 0; }

void field(TMCommand &cmd, uint32_t k, char *out, uint32_t size, bool cp866 = false)
{
    out[0] = '\0';
    if ((cp866 ? cmd.FieldText1251(k, out, size) : cmd.FieldText(k, out, size)) < 0)
        out[0] = '\0';
}

// The registration flag word: the flags of 0x8F, the four flag parameters
// and, on FFD 1.2, the bits of parameter 1290.
bool flagWord(uint32_t *word)
{
    TMCommand totals;
    if (totals.GetRegTotals() <= 0 || !exec(totals))
        return false;
    char flags[256];
    field(totals, 9, flags, sizeof flags, true);
    uint32_t w = 0;
    if (strlen(flags) > 1) {
        char two[3] = {flags[0], flags[1], '\0'};
        w = static_cast<uint32_t>(strtoul(two, nullptr, 16));
    }
    const struct {
        uint16_t tag;
        uint32_t bit;
    } params[] = {{1207, 0x100}, {1193, 0x200}, {1126, 0x400}, {1221, 0x800}};
    for (const auto &p : params) {
        TMCommand cmd;
        if (cmd.GetRegParam(p.tag) > 0 && exec(cmd) && (cmd.FieldByte(5) & 1))
            w |= p.bit;
    }
    if (kfn_ffd_version() > 3) {
        TMCommand cmd;
        if (cmd.GetRegParam(1290) > 0 && exec(cmd)) {
            const uint32_t v = cmd.FieldDword(5);
            const uint32_t map[][2] = {{0x0002, 0x0004}, {0x0004, 0x0010}, {0x0020, 0x0020}, {0x0040, 0x0100},
                                       {0x0100, 0x1000}, {0x0200, 0x0008}, {0x0400, 0x0200}, {0x0800, 0x0400},
                                       {0x1000, 0x2000}, {0x2000, 0x4000}};
            for (const auto &m : map)
                if (v & m[0])
                    w |= m[1];
        }
    }
    *word = w;
    return true;
}

void kktData(Report &r)
{
    TMCommand cmd;
    if (cmd.GetKktInfo() <= 0 || !exec(cmd))
        return;
    char f[256];
    field(cmd, 5, f, sizeof f, true);
    r.line("ТИП: %s\n", f);
    field(cmd, 6, f, sizeof f, true);
    r.line("КФН: %s\n", f);
    field(cmd, 8, f, sizeof f);
    r.line("РЕГ: %s\n", f);
    field(cmd, 9, f, sizeof f);
    r.line("ИНН: %s\n", f);
    field(cmd, 10, f, sizeof f, true);
    r.line("КФН FW: %s\n", f);
    r.qrValue(f);
    const int ffd = kfn_ffd_version();
    r.line("РЕГИСТРАЦИЯ: ФФД %s", ffd == 3 ? "1.1" : ffd == 4 ? "1.2" : ffd == 2 ? "1.05" : "НЕИЗВЕСТЕН\n");
    uint32_t word = 0;
    if (ffd != 0 && flagWord(&word))
        r.line(" (%08X)\n", static_cast<unsigned>(word));
}

// A server's lines: the address the exchange reaches (the settings' own
// host or port over the controller's record).
void serverLines(Report &r, TMCommand &cmd, const char *name, mxml_node_t *section)
{
    char host[256];
    field(cmd, 9, host, sizeof host, true);
    uint16_t port = static_cast<uint16_t>(cmd.FieldWord(5));
    settings_exchange_address(section, host, sizeof host, &port);
    if (!host[0]) {
        r.line("%s: не настроен\n", name);
    } else {
        r.line("%s: %s:%u\n", name, host, static_cast<unsigned>(port));
        r.line("TIMEOUTS: %d/%d/%d\n", cmd.FieldWord(6), cmd.FieldWord(7), cmd.FieldWord(8));
    }
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// Days since 1 January 1970 of a calendar day.
long dayNumber(int y, int m, int d)
{
    struct tm t = {};
    t.tm_year = y - 1900;
    t.tm_mon = m - 1;
    t.tm_mday = d;
    t.tm_hour = 12;
    return static_cast<long>(timegm(&t) / 86400);
}

KktInfoKeyService keyServiceSource = nullptr;

void keyService(Report &r)
{
    bool named = false;
    if (keyServiceSource) {
        const char *host = "";
        uint16_t port = 0;
        keyServiceSource(&host, &port);
        if (host && host[0] && port != 0) {
            r.line("АС ОКП: %s:%u\n", host, static_cast<unsigned>(port));
            named = true;
        }
    }
    TMCommand cmd;
    if (cmd.GetServer(2) > 0 && exec(cmd)) {
        char host[256];
        field(cmd, 9, host, sizeof host, true);
        if (!named && !host[0])
            r.line("АС ОКП: не настроен\n");
        else if (!named)
            r.line("АС ОКП: %s:%u\n", host, static_cast<unsigned>(cmd.FieldWord(5)));
        r.line("TIMEOUTS: %d/%d/%d\n", cmd.FieldWord(6), cmd.FieldWord(7), cmd.FieldWord(8));
    }
    int state = 255;
    TMCommand need;
    if (need.Command9E(0) > 0 && exec(need))
        state = need.FieldByte(5);
    static const char *const kStates[] = {
        "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ ВЫПОЛНЕНО.   ",
        "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.",
        "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОБРАТИТЕСЬ В СЛУЖБУ ТЕХНИЧЕСКОЙ ПОДДЕРЖКИ.",
        "ОБНОВЛЕНИЯ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОШИБКА СЕРВИСА ОБНОВЛЕНИЯ КЛЮЧЕЙ КМ.",
    };
    if (state >= 0 && state <= 3)
        r.line("%s", kStates[state]);
    if (state != 255)
        return;
    TMCommand date;
    if (date.Command9E(5) <= 0 || !exec(date))
        return;
    const unsigned d = date.FieldWord(5);
    if (d == 0) {
        r.line("КЛЮЧИ АС ОКП НЕ ЗАГРУЖЕНЫ\n");
        return;
    }
    OsTime now;
    if (OsGetTime(&now) != 0)
        return;
    const int age = key_age_days(d, now.Year, now.Month, now.Day);
    if (age >= 0)
        r.line("КЛЮЧИ АС ОКП ОБНОВЛЕНЫ %d ДНЕЙ НАЗАД\n", age);
}

void waitingDocuments(Report &r)
{
    if (kfn_autonomous()) {
        TMCommand cmd;
        if (cmd.NotifCounts(0) > 0 && exec(cmd))
            r.line("\nУВЕДОМЛЕНИЙ ДЛЯ ВЫГРУЗКИ: %u\n", static_cast<unsigned>(cmd.FieldWord(5)));
        return;
    }
    TMCommand cmd;
    if (cmd.GetWaitDocs() > 0 && exec(cmd))
        r.line("\nНЕОТПРАВЛЕННЫХ ДОКУМЕНТОВ:\nДЛЯ ОФД: %u\n", static_cast<unsigned>(cmd.FieldWord(5)));
    if (kfn_marking_mode()) {
        TMCommand oism;
        if (oism.Cmd_GetStatusSendNotif() > 0 && exec(oism))
            r.line("ДЛЯ ОИСМ: %u\n", static_cast<unsigned>(oism.FieldWord(6)));
    }
}

void statuses(Report &r)
{
    const uint8_t fatal = kfn_state_byte();
    r.line("\nПОСТОЯННЫЙ СТАТУС: %02X\n", fatal);
    const struct {
        uint8_t bit;
        const char *text;
    } fatalBits[] = {{0x01, "КОНТРОЛЛЕР ФН НЕИСПРАВЕН\n"}, {0x02, "СБОЙ ПАМЯТИ КОНТРОЛЛЕРА ФН\n"},
                     {0x04, "СБОЙ ФН\n"},                  {0x10, "ФН БЛИЗОК К ЗАПОЛНЕНИЮ\n"},
                     {0x20, "ФН ПОЛНОСТЬЮ ЗАПОЛНЕН\n"},    {0x40, "КОЛ-ВО ПЕРЕРЕГИСТР. ФН ИСЧЕРПАНО\n"}};
    for (const auto &b : fatalBits)
        if (fatal & b.bit)
            r.line("%s", b.text);
    r.line("%s", (fatal & 0x08) ? "ФН ЗАРЕГИСТРИРОВАН\n" : "ФН НЕ ЗАРЕГИСТРИРОВАН");
    const uint16_t flags = kfn_flags();
    r.line("\nТЕКУЩИЙ СТАТУС: %04X\n", flags);
    if (flags & 0x0007)
        r.line("ОТКРЫТЫЙ ЧЕК\n");
    if (flags & 0x0800)
        r.line("СМЕНА ОТКРЫТА\n");
    if (flags & 0x8000)
        r.line("ФН ПОЛНОСТЬЮ ЗАПОЛНЕН\n");
}

void properties(Report &r)
{
    const struct {
        const char *key;
        const char *format;
    } props[] = {{"ro.fac.pn", "\nPOS PN: %s\n"}, {"ro.fac.sn", "POS SN: %s\n"}, {"persist.sys.prolin", "POS OS: %s\n"}};
    for (const auto &p : props) {
        char value[OS_REG_VALUE_MAX] = "";
        if (OsRegGetValue(p.key, value) < 0)
            continue;
        r.line(p.format, value);
        r.qrValue(value);
    }
}

} // namespace

const char *build_date() { return kBuildDate; }

int key_age_days(unsigned packed, int year, int month, int day)
{
    const int d = static_cast<int>(packed & 31), m = static_cast<int>((packed >> 5) & 15);
    const int y = 1996 + static_cast<int>(packed >> 9);
    if (m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m))
        return -1;
    const long age = dayNumber(year, month, day) - dayNumber(y, m, d);
    return age < 0 ? 100 : static_cast<int>(age);
}

void kkt_info_report(char *report, char *qr_text, int qr)
{
    Report r{report, qr ? qr_text : nullptr};
    if (r.qr)
        str_copy(r.qr, "\n<QR>", KKT_INFO_QR_SIZE);
    char f[256], g[256];

    TMCommand serial;
    if (serial.GetSerialNumber() > 0 && exec(serial)) {
        field(serial, 5, f, sizeof f);
        r.line("SN: %s\n", f);
        r.qrValue(f);
    }
    kktData(r);

    TMCommand dt;
    if (dt.GetDateTime() > 0 && exec(dt)) {
        field(dt, 5, f, sizeof f);
        field(dt, 6, g, sizeof g);
        r.line("КФН DT: %.6s%.4s\n", f, g);
    }
    OsTime now;
    if (OsGetTime(&now) == 0)
        r.line("POS DT: %02d%02d%02d%02d%02d\n", now.Day, now.Month, now.Year - 2000, now.Hour, now.Minute);

    TMCommand fn;
    if (fn.GetFNStatus() > 0 && exec(fn)) {
        field(fn, 10, f, sizeof f);
        r.line("ФН DT: %s\n", f);
        field(fn, 11, f, sizeof f);
        r.line("ФН: %s\n", f);
        r.qrValue(f);
        field(fn, 13, f, sizeof f);
        r.line("СРОК ДЕЙСТВ.ФН: %s\n", f);
        field(fn, 14, f, sizeof f, true);
        r.line("ФН вер: %s\n", f);
        const int v = fn.FieldByte(15) >> 1;
        if (v > 0)
            r.line("%s", v == 3 ? "ВЕРСИЯ ФФД ФН: 1.1\n" : v == 4 ? "ВЕРСИЯ ФФД ФН: 1.2\n" : v == 2 ? "ВЕРСИЯ ФФД ФН: 1.05\n" : "ВЕРСИЯ ФФД ФН: ");
        field(fn, 5, f, sizeof f);
        r.line("ФН состояние: %s\n", f);
        field(fn, 9, f, sizeof f);
        if (f[0]) {
            const uint8_t w = fn.FieldByte(9);
            r.line("ФН предупреждения: '%02X'\n", w);
            if (w & 0x01)
                r.line("- до окончания срока действия 3 дня\n");
            if (w & 0x02)
                r.line("- до окончания срока действия 30 дней\n");
            if (w & 0x04)
                r.line("- архив ФН заполнен на 90%%\n");
            if (w & 0x08)
                r.line("- превышено время ожидания ответа ОФД\n");
        }
    }

    TMCommand ofd;
    if (ofd.OFDGetParam() > 0 && exec(ofd))
        serverLines(r, ofd, "ОФД", settings_ofd_node());
    if (kfn_marking_mode()) {
        TMCommand oism;
        if (oism.GetServer(1) > 0 && exec(oism))
            serverLines(r, oism, "ОИСМ", settings_oism_node());
        keyService(r);
    }
    waitingDocuments(r);
    statuses(r);
    properties(r);
}

void kkt_info_set_key_service(KktInfoKeyService source) { keyServiceSource = source; }

void build_kkt_info(vuUI *ui, const char *header, const char *, const char *dialog, int qr)
{
    static char report[KKT_INFO_REPORT_SIZE];
    static char qrText[KKT_INFO_QR_SIZE];
    str_copy(report, header ? header : "", sizeof report);
    qrText[0] = '\0';
    kkt_info_report(report, qrText, qr);
    if (!ui)
        return;
    ScopedDialog screen(ui, dialog);
    if (!screen)
        return;
    vuMultiLine *info = screen.widget<vuMultiLine>("info");
    screen.reset();
    if (info)
        info->SetValue(report);
    if (screen.show(info_screen_keys) == kPrintState) {
        message_box(ui, "ПОДОЖДИТЕ", "ИДЕТ ПEЧАТЬ ИНФОРМАЦИИ", MB_NOWAIT);
        print_begin();
        print_text("         ИНФОРМАЦИЯ О КАССЕ\n========================================\n", nullptr);
        print_text(report, nullptr);
        if (qr) {
            str_append(qrText, "</QR>\n", sizeof qrText);
            print_text(qrText, nullptr);
        }
        print_text("\n\n\n\n", nullptr);
        print_end();
    }
}

// menu: info
void show_kkt_info(vuUI *ui, const char *)
{
    message_box(ui, "ПОДОЖДИТЕ", "ИДЕТ СБОР ИНФОРМАЦИИ О КАССЕ", MB_NOWAIT);
    char header[KKT_INFO_REPORT_SIZE];
    str_format(header, sizeof header, "ПРОГ: %u.%u.%u (%s)\n", kVersion[0], kVersion[1], kVersion[2], kBuildDate);
    uint8_t kind = 0;
    if (ServiceQueryVersionText() == 0) {
        char text[16];
        for (;;) {
            int n = ServiceReceive(&kind, text, 15, 500);
            if (n < 0)
                break;
            if (kind == 2) {
                text[n] = '\0';
                if (strlen(text) <= 15)
                    appendf(header, sizeof header, "СЕРВ: %s\n", text);
                break;
            }
        }
    }
    if (ServiceQueryVersion() == 0) {
        uint32_t words[64];
        for (;;) {
            int n = ServiceReceive(&kind, words, sizeof words, 500);
            if (n < 0)
                break;
            if (kind == 4) {
                if (n >= 16)
                    appendf(header, sizeof header, "СЕРВ: %u.%u.%u.%u\n", static_cast<unsigned>(words[0]),
                            static_cast<unsigned>(words[1]), static_cast<unsigned>(words[2]),
                            static_cast<unsigned>(words[3]));
                break;
            }
        }
    }
    str_append(header, "\n", sizeof header);
    build_kkt_info(ui, header, "", "common_dlg_info.xml", 1);
}
