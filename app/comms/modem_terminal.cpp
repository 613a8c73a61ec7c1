#include "modem_terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "error_box.h"
#include "message_box.h"
#include "monitor_terminal.h"
#include "os_errors.h"
#include "osal.h"
#include "scoped_dialog.h"
#include "str_helpers.h"
#include "terminal_helpers.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuInput.h"
#include "vuMultiLine.h"
#include "vuRadio.h"
#include "vuStatic.h"
#include "vuUI.h"
#include "vuWidget.h"
#include "widget_text.h"

int wl_fd = -1;
char ussd_code[USSD_CODE_MAX + 1];

namespace {

// The capital and small Cyrillic letters of U+0410..U+044F in CP1251.
const char kCyrillic[] = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя";

int openDevice()
{
    char path[512];
    if (!OsMapPath(MODEM_DEVICE, path, sizeof path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
}

// Raw 8 bits at 115200 baud, both queues flushed: 0, or -1 with errno.
int serialSetup(int fd)
{
    struct termios tio;
    memset(&tio, 0, sizeof tio);
    tio.c_cflag = CS8 | CREAD | CLOCAL;
    if (cfsetispeed(&tio, B115200) != 0 || cfsetospeed(&tio, B115200) != 0)
        return -1;
    tcflush(fd, TCIOFLUSH);
    return tcsetattr(fd, TCSANOW, &tio);
}

// Reads answer lines until one the caller waits for, a read failure or the
// overall limit: the line's kind, -1 after a read failure, -2 at the limit.
int readAnswer(int fd, modem_line_reader *reader, int ussd, unsigned int limitMs)
{
    modem_line_reset(reader);
    unsigned int start = OsGetTickCount();
    while (OsGetTickCount() - start < limitMs) {
        char c;
        int n = modem_read(fd, &c, 1, 200);
        if (n < 0)
            return -1;
        if (n == 0)
            continue;
        int kind = modem_line_feed(reader, static_cast<uint8_t>(c), ussd);
        if (kind == MODEM_LINE_OK && ussd)
            continue; // the request was taken; the answer follows
        if (kind != MODEM_LINE_NONE)
            return kind;
    }
    return -2;
}

void showTerm(vuForm *form)
{
    if (vuMultiLine *term = form ? dynamic_cast<vuMultiLine *>(form->GetByName("term")) : nullptr) {
        term->SetValue(terminal_scrollback);
        term->Reset();
        term->AdjustToLastLine();
    }
}

void showCode(vuObject *field)
{
    char text[USSD_CODE_MAX + 3];
    str_format(text, sizeof text, "*%s#", ussd_code);
    if (vuStatic *s = dynamic_cast<vuStatic *>(field))
        s->SetText(text);
    else if (vuInput *i = dynamic_cast<vuInput *>(field))
        i->SetValue(text);
}

} // namespace

// ---- lines and text ------------------------------------------------------------

void modem_line_reset(modem_line_reader *reader)
{
    reader->length = 0;
    reader->dropping = 0;
    reader->line[0] = 0;
}

int modem_line_feed(modem_line_reader *reader, uint8_t byte, int ussd)
{
    if (reader->dropping) {
        if (byte == '\n')
            modem_line_reset(reader);
        return MODEM_LINE_NONE;
    }
    if (reader->length == MODEM_LINE_MAX) {
        // Too long for the buffer: dropped whole, up to its line feed.
        modem_line_reset(reader);
        if (byte != '\n')
            reader->dropping = 1;
        return MODEM_LINE_NONE;
    }
    reader->line[reader->length++] = static_cast<char>(byte);
    reader->line[reader->length] = 0;
    if (byte != '\n')
        return MODEM_LINE_NONE;
    const char *l = reader->line;
    size_t n = reader->length;
    int kind = MODEM_LINE_NONE;
    if (n == 4 && memcmp(l, "OK\r\n", 4) == 0)
        kind = MODEM_LINE_OK;
    else if (n == 7 && memcmp(l, "ERROR\r\n", 7) == 0)
        kind = MODEM_LINE_ERROR;
    else if (n >= 10 && memcmp(l, "+CMS ERROR", 10) == 0)
        kind = MODEM_LINE_CMS;
    else if (ussd && n >= 6 && memcmp(l, "+CUSD:", 6) == 0)
        kind = MODEM_LINE_CUSD;
    if (kind == MODEM_LINE_NONE)
        modem_line_reset(reader); // another line: skipped
    else
        reader->length = 0;       // the caller reads reader->line now
    return kind;
}

size_t ucs2_decode(const char *line, size_t length, char *out, size_t size)
{
    if (!out || size == 0)
        return 0;
    size_t written = 0;
    out[0] = 0;
    if (!line)
        return 0;
    const char *quote = static_cast<const char *>(memchr(line, '"', length));
    if (!quote)
        return 0;
    size_t at = static_cast<size_t>(quote - line) + 1;
    while (at < length) {
        unsigned value = 0;
        int digits = 0;
        while (digits < 4 && at < length) {
            char c = line[at++];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0)
                break; // ends the group early
            value = value * 16 + static_cast<unsigned>(d);
            ++digits;
        }
        if (value == 0)
            break;
        char ch = 0;
        if (value >= 32 && value <= 127)
            ch = static_cast<char>(value);
        else if (value >= 0x410 && value <= 0x44F)
            ch = kCyrillic[value - 0x410];
        if (ch && written + 1 < size)
            out[written++] = ch;
    }
    out[written] = 0;
    return written;
}

// ---- the device ---------------------------------------------------------------------

int modem_write(int fd, const char *text, int len)
{
    if (!text)
        return -1;
    size_t left = len > 0 ? static_cast<size_t>(len) : strlen(text);
    while (left > 0) {
        ssize_t n = write(fd, text, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        text += n;
        left -= static_cast<size_t>(n);
        OsSleep(10);
    }
    return 0;
}

int modem_read(int fd, char *buf, int count, int timeout_ms)
{
    int got = 0;
    unsigned int start = OsGetTickCount();
    while (got < count) {
        int waiting = 0;
        if (ioctl(fd, FIONREAD, &waiting) != 0)
            return -1;
        if (waiting > 0) {
            int want = count - got < waiting ? count - got : waiting;
            ssize_t n = read(fd, buf + got, static_cast<size_t>(want));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return static_cast<int>(n);
            got += static_cast<int>(n);
            continue;
        }
        if (timeout_ms <= 0 || OsGetTickCount() - start >= static_cast<unsigned>(timeout_ms))
            break;
        OsSleep(50);
    }
    return got;
}

int wireless_module_open(vuUI *ui)
{
    message_box(ui, "ВНИМАНИЕ", "ИНИЦИАЛИЗАЦИЯ СОЕДИНЕНИЯ С БЕСПРОВОДНЫМ МОДУЛЕМ СВЯЗИ", MB_NOWAIT);
    wireless_module_close();
    int fd = openDevice();
    if (fd < 0) {
        error_box(ui, "СБОЙ ОТКРЫТИЯ БЕСПРОВОДНОГО МОДУЛЯ");
        return -1;
    }
    if (serialSetup(fd) != 0) {
        int e = errno;
        close(fd);
        char text[256];
        str_format(text, sizeof text, "СБОЙ УСТАНОВКИ ПАРАМЕТРОВ БЕСПРОВОДНОГО МОДУЛЯ\n(err = %i)\n%s", e,
                   os_error_text2(-e));
        error_box(ui, text);
        return -1;
    }
    wl_fd = fd;
    return 0;
}

void wireless_module_close()
{
    if (wl_fd >= 0)
        close(wl_fd);
    wl_fd = -1;
}

int wireless_module_read(char *buf, int max)
{
    int waiting = 0;
    // A look without waiting first: it hands the reader what the line has
    // already received but not yet passed on, which the count alone misses.
    if (wl_fd >= 0) {
        pollfd p = {wl_fd, POLLIN, 0};
        (void)poll(&p, 1, 0);
    }
    if (wl_fd < 0 || max <= 0 || ioctl(wl_fd, FIONREAD, &waiting) != 0 || waiting <= 0)
        return 0;
    ssize_t n = read(wl_fd, buf, static_cast<size_t>(waiting < max ? waiting : max));
    return n > 0 ? static_cast<int>(n) : 0;
}

// ---- the AT terminal -------------------------------------------------------------

int wireless_terminal_keys(vuEvent *event, intptr_t formAddress)
{
    vuForm *form = reinterpret_cast<vuForm *>(formAddress);
    int result = 0;
    char buf[256];
    int n;
    while ((n = wireless_module_read(buf, sizeof buf)) >= 1) {
        terminal_append(buf, static_cast<size_t>(n));
        result = 2;
    }
    vuInput *input = form ? dynamic_cast<vuInput *>(form->GetByName("input")) : nullptr;
    int key = event ? event->key : 0;
    char text[260] = "";
    if (key == 13 || key == 240) {
        const char *typed = input ? input->GetValue() : nullptr;
        str_copy(text, typed ? typed : "", 256);
        if (text[0])
            str_append(text, "\r\n", sizeof text);
    } else if (key == 243 && input) {
        input->SetValue("AT");
        result = 2;
    }
    size_t len = strlen(text);
    if (len > 0) {
        terminal_esc_clear();
        terminal_append(text, len);
        if (wl_fd >= 0 && write(wl_fd, text, len) < 0) {
            // A failed write leaves the echo; the module may come back.
        }
        result = 2;
    }
    if (result == 2)
        showTerm(form);
    return result;
}

// menu: term_wl
void on_term_wl(vuUI *ui, const char *title)
{
    if (wireless_module_open(ui) != 0)
        return;
    {
        ScopedDialog dialog(ui, "kkt_dlg_wl_terminal.xml");
        if (dialog) {
            terminal_clear();
            ui->Flush();
            dialog.form()->SetHeaderText(title);
            // Enter ends a form's showing: shown again until it is closed.
            do {
                dialog.reset();
                showTerm(dialog.form());
            } while (dialog.show(wireless_terminal_keys) != -1);
        }
    }
    wireless_module_close();
}

// ---- USSD ----------------------------------------------------------------------------

int ussd_code_key(int key)
{
    size_t len = strlen(ussd_code);
    char add = key == 'E' ? '#' : key == 'f' ? '*' : key >= '0' && key <= '9' ? static_cast<char>(key) : 0;
    if (add) {
        if (len < USSD_CODE_MAX) {
            ussd_code[len] = add;
            ussd_code[len + 1] = 0;
        }
        return 1;
    }
    if (key == 8) {
        if (len > 0)
            ussd_code[len - 1] = 0;
        return 1;
    }
    return 0;
}

int ussd_keys(vuEvent *event, intptr_t formAddress)
{
    vuForm *form = reinterpret_cast<vuForm *>(formAddress);
    if (!event || !ussd_code_key(event->key))
        return 0;
    showCode(form ? form->GetByName("ussd") : nullptr);
    return 2;
}

int modem_open(vuUI *ui, int *fd)
{
    char text[2300];
    message_box(ui, "СОЕДИНЕНИЕ", "УСТАНАВЛИВАЕТСЯ СОЕДИНЕНИЕ", MB_NOWAIT);
    int d = openDevice();
    if (d < 0) {
        str_format(text, sizeof text, "Беспроводной модуль не открыт\n(err = %i)", errno);
        error_box(ui, text);
        return -40;
    }
    if (serialSetup(d) != 0) {
        str_format(text, sizeof text, "Ошибка установка параметров беспроводного модуля\n(err = %i)", errno);
        close(d);
        error_box(ui, text);
        return -41;
    }
    // Sent as written, which sets the PDU mode.
    if (modem_write(d, "AT+CMGF=0\r\n", 0) != 0) {
        str_format(text, sizeof text, "Ошибка отправки команды беспроводному модулю\n(err = %i)", errno);
        close(d);
        error_box(ui, text);
        return -42;
    }
    static modem_line_reader reader;
    int kind = readAnswer(d, &reader, 0, MODEM_CMGF_LIMIT_MS);
    if (kind == MODEM_LINE_OK) {
        *fd = d;
        return 0;
    }
    close(d);
    if (kind == MODEM_LINE_ERROR || kind == MODEM_LINE_CMS) {
        str_format(text, sizeof text, "Ошибка %i выполнения команды\nAT+CMGF=0\n%s", kind == MODEM_LINE_ERROR ? 1 : 2,
                   kind == MODEM_LINE_CMS ? reader.line : "");
        error_box(ui, text);
    } else {
        // No answer within the limit, or the device failed.
        error_box(ui, "Ошибка получения ответа беспроводного модуля");
    }
    return -43;
}

// menu: get_ussd
void ussd_request(vuUI *ui)
{
    ScopedDialog dialog(ui, "common_dlg_ussd_request.xml");
    if (!dialog)
        return;
    vuObject *field = dialog.field("ussd");
    if (!field)
        return;
    vuRadio *slot = dialog.widget<vuRadio>("slot");
    vuObject *slotLabel = dialog.field("slotn");
    bool oneSocket = sim_socket_count() == 1;
    if (oneSocket) {
        if (vuWidget *w = dynamic_cast<vuWidget *>(slot))
            w->SetVisible(0);
        if (vuWidget *w = dynamic_cast<vuWidget *>(slotLabel))
            w->SetVisible(0);
    }
    dialog.reset();
    ussd_code[0] = 0;
    showCode(field);
    int state = dialog.show(ussd_keys);
    unsigned simSlot = 1;
    if (!oneSocket && slot)
        simSlot = slot->GetSelected() ? slot->GetSelected() : 1;
    dialog.close();
    if (state != 1)
        return;

    char text[2300];
    message_box(ui, "СОЕДИНЕНИЕ", "ИНИЦИАЛИЗАЦИЯ", MB_NOWAIT);
    if (OsWlCheck() != 0) {
        OsWlUnLock();
        OsSleep(200);
        int r = OsWlLock();
        if (r != 0) {
            str_format(text, sizeof text, "GPRS модуль не открыт (%i)\n\n%s", r, os_error_text(r));
            error_box(ui, text);
            return;
        }
        r = OsWlSelSim(static_cast<unsigned char>(simSlot - 1));
        if (r != 0) {
            str_format(text, sizeof text, "Ошибка выбора слота SIM%u (%i)\n\n%s", simSlot, r, os_error_text(r));
            error_box(ui, text);
            return;
        }
        r = OsWlInit(nullptr);
        if (r != 0) {
            str_format(text, sizeof text, "Не удалось инициализировать SIM карту (%i)\n\n%s", r, os_error_text(r));
            error_box(ui, text);
            return;
        }
    }
    int fd = -1;
    if (modem_open(ui, &fd) != 0)
        return;
    if (modem_write(fd, "AT+CUSD=1,\"*", 0) != 0 || modem_write(fd, ussd_code, 0) != 0 ||
        modem_write(fd, "#\",15\r\n", 0) != 0) {
        close(fd);
        error_box(ui, "Ошибка отправки команды беспроводному модулю");
        return;
    }
    static modem_line_reader reader;
    int kind = readAnswer(fd, &reader, 1, MODEM_USSD_LIMIT_MS);
    close(fd);
    if (kind == MODEM_LINE_CUSD) {
        ucs2_decode(reader.line, strlen(reader.line), text, sizeof text);
        message_box(ui, "ОТВЕТ", text, MB_OK);
    } else {
        error_box(ui, "Ошибка получения ответа беспроводного модуля");
    }
}
