// The program's one message box: a form built in code with a title, a
// read-only text and up to two buttons chosen by flag bits, shown modally (or
// drawn once) and removed again. Every notice, question, wait text and error
// goes through it. Call it only from the program's main thread: the UI
// thread cannot serve a second modal form while it runs one.
#ifndef APP_SHELL_MESSAGE_BOX_H
#define APP_SHELL_MESSAGE_BOX_H

#include <stdint.h>

#include "vuUI.h"

class vuForm;

// Flag bits.
enum : uint16_t {
    MB_OK = 0x0001,         // OK button
    MB_CANCEL = 0x0002,     // cancel button
    MB_NOWAIT = 0x0004,     // no buttons: drawn once, removed at once, result 1
    MB_ALERT = 0x0008,      // filled with the alert background 0x8000
    MB_FONT0 = 0x0010,      // the text in font 0
    MB_YESNO = 0x0040,      // labels "ДА" / "НЕТ"
    MB_HALF = 0x0080,       // a centred child form of half the client size
    MB_JUSTIFY1 = 0x0100,   // text justification 1
    MB_JUSTIFY2 = 0x0200,   // text justification 2 (unless 0x0100)
    MB_RAW_STATE = 0x1000,  // no buttons; the result is the form's own state
};

// Results of a modal box (without MB_RAW_STATE).
enum { MB_RESULT_OK = 1, MB_RESULT_CANCEL = 2, MB_RESULT_TIMEOUT = 32 };

// The box as a new form, not yet added to the UI.
vuForm *build_message_box(vuUI *ui, const char *title, const char *text, uint16_t flags, uint32_t timeout_ms);
vuForm *create_message_box(vuUI *ui, const char *title, const char *text, uint16_t flags);

// Builds, shows and removes a box; the callback (may be null) runs in the
// UI thread on every event of the box.
int run_message_box_ex(vuUI *ui, const char *title, const char *text, uint16_t flags, uint32_t timeout_ms,
                       vuEventCallback callback);
int run_message_box_cb(vuUI *ui, const char *title, const char *text, uint16_t flags, vuEventCallback callback);
int message_box(vuUI *ui, const char *title, const char *text, uint16_t flags);

#endif
