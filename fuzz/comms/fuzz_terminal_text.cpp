// The terminals' text from outside: bytes the controller's monitor sends go
// through terminal_append, in pieces as they arrive; the modem's answer
// goes through the line reader and the UCS-2 decoder; a log file's first
// ten bytes are read as its date. The scrollback stays
// terminated within its 8190 characters and an escape sequence never holds
// more than four bytes. The service log's hex dump of the same bytes stays within its
// buffer and ends every line it writes.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "modem_terminal.h"
#include "monitor_terminal.h"
#include "service_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    terminal_clear();
    // The first byte chooses the piece size, as messages of the queue cut it.
    size_t piece = size ? (data[0] % 64) + 1 : 1;
    for (size_t at = 1; at < size; at += piece) {
        size_t n = size - at < piece ? size - at : piece;
        terminal_append(reinterpret_cast<const char *>(data + at), n);
        size_t len = strnlen(terminal_scrollback, sizeof terminal_scrollback);
        if (len > TERMINAL_SCROLLBACK_MAX || strnlen(terminal_esc, sizeof terminal_esc) > TERMINAL_ESC_MAX)
            abort();
    }
    // The modem's answer lines stay within their buffer; a recognised line
    // decodes within the output.
    static modem_line_reader reader;
    modem_line_reset(&reader);
    for (size_t i = 0; i < size; ++i) {
        int kind = modem_line_feed(&reader, data[i], 1);
        size_t len = strnlen(reader.line, sizeof reader.line);
        if (len > MODEM_LINE_MAX)
            abort();
        if (kind != MODEM_LINE_NONE) {
            char out[64];
            size_t n = ucs2_decode(reader.line, len, out, sizeof out);
            if (n >= sizeof out || out[n] != 0)
                abort();
        }
    }
    char decoded[32];
    size_t n = ucs2_decode(reinterpret_cast<const char *>(data), size, decoded, sizeof decoded);
    if (n >= sizeof decoded || strlen(decoded) != n)
        abort();
    // The log's first ten bytes as the date of its first entry.
    int fresh = log_head_is_fresh(reinterpret_cast<const char *>(data), size, 20, 6, 2026);
    if (fresh != 0 && fresh != 1)
        abort();

    char text[600] = "P ";
    hex_dump(data, text, sizeof text, size, 0);
    size_t len = strnlen(text, sizeof text);
    if (len >= sizeof text || (len > 2 && (text[len - 2] != '\r' || text[len - 1] != '\n')))
        abort();
    return 0;
}
