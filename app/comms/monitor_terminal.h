// The controller monitor terminal: the controller's text service monitor on
// the monitor channel (message types 3 and 4, CP866) in a scrolling text
// area, with a line to type and fixed commands on the keys 240 to 249. The
// scrollback and its escape handling are shared with the modem terminal.
#ifndef APP_COMMS_MONITOR_TERMINAL_H
#define APP_COMMS_MONITOR_TERMINAL_H

#include <atomic>
#include <stddef.h>
#include <stdint.h>

struct vuEvent;
class vuUI;

// The controller monitor terminal behind the operator password: 0 when the
// password was refused (or its dialog is missing), else 1. The main menu,
// the start-up mode that asks for it and the controller wait open it.
int on_monitor_terminal(vuUI *ui, const char *title);

enum {
    TERMINAL_SCROLLBACK_MAX = 8190, // characters kept
    TERMINAL_ESC_MAX = 4,
};

// CP1251 text of the terminal, terminated; the oldest characters go first.
extern char terminal_scrollback[TERMINAL_SCROLLBACK_MAX + 2];
// A pending escape sequence (empty when none), terminated.
extern char terminal_esc[TERMINAL_ESC_MAX + 1];
// 1 while the monitor runs; the quit key (242) sets it to 0 in the UI thread.
extern std::atomic<int> monitor_running;

// Empties the scrollback and the escape state.
void terminal_clear();
// Forgets a pending escape sequence.
void terminal_esc_clear();
// Feeds received or echoed bytes into the scrollback: backspace removes the
// last character, ESC [ 1 D removes it unless it is a CR or LF, any other
// escape sequence is swallowed with its next bytes (up to four in all).
void terminal_append(const char *text, size_t len);
// The fixed text of a key of the monitor terminal (null for none; Enter and
// 244 take the input line and give null here).
const char *monitor_key_text(int key);
// The dialog's event callback: 2 when the screen changed, else 0.
int monitor_terminal_keys(vuEvent *event, intptr_t form);

#endif
