// The cellular module's own screens over its serial channel "/dev/mux1"
// (115200 baud, 8 bits, raw): an AT-command terminal and a USSD request
// whose answer comes back as UCS-2 hex and is shown in CP1251. The AT
// terminal shares the monitor terminal's scrollback.
#ifndef APP_COMMS_MODEM_TERMINAL_H
#define APP_COMMS_MODEM_TERMINAL_H

#include <stddef.h>
#include <stdint.h>

class vuUI;
struct vuEvent;

#define MODEM_DEVICE "/dev/mux1"

enum {
    MODEM_LINE_MAX = 2048,
    MODEM_CMGF_LIMIT_MS = 5000,  // the whole answer to AT+CMGF=0
    MODEM_USSD_LIMIT_MS = 30000, // the whole answer to the USSD request
    USSD_CODE_MAX = 11,
};

// Kinds of the answer lines the readers recognise.
enum { MODEM_LINE_NONE, MODEM_LINE_OK, MODEM_LINE_ERROR, MODEM_LINE_CMS, MODEM_LINE_CUSD };

// The answer's line reader: bytes in, a recognised line out. A line longer
// than MODEM_LINE_MAX bytes is dropped whole.
struct modem_line_reader {
    char line[MODEM_LINE_MAX + 1];
    size_t length;
    int dropping;
};
void modem_line_reset(modem_line_reader *reader);
// Takes one byte: the kind of the line it completed (MODEM_LINE_CUSD only
// when ussd), else MODEM_LINE_NONE; reader->line then holds the line.
int modem_line_feed(modem_line_reader *reader, uint8_t byte, int ussd);

// The text of a "+CUSD:" answer: after its first double quote, groups of up
// to four hex digits until a group gives 0 or the line ends; 32..127 stay,
// the Cyrillic letters А..я become CP1251, all else is dropped. Returns the
// length written to out (terminated within size).
size_t ucs2_decode(const char *line, size_t length, char *out, size_t size);

extern int wl_fd;
extern char ussd_code[USSD_CODE_MAX + 1];

void on_term_wl(vuUI *ui, const char *title);
int wireless_module_open(vuUI *ui);
void wireless_module_close();
int wireless_module_read(char *buf, int max);
int wireless_terminal_keys(vuEvent *event, intptr_t form);

void ussd_request(vuUI *ui);
int ussd_keys(vuEvent *event, intptr_t form);
// Adds a key to ussd_code: 1 when it was one of the code's keys.
int ussd_code_key(int key);

int modem_open(vuUI *ui, int *fd);
int modem_write(int fd, const char *text, int len);
int modem_read(int fd, char *buf, int count, int timeout_ms);

#endif
