// Ping of the configured link: an address and a duration are asked for,
// the link comes up, the address is pinged again and again until the
// duration has passed or the user cancels, each answer is shown in a
// scrolling text, and the link goes down again. The last address and
// duration are kept in the settings section "ConnPing".
#ifndef APP_COMMS_PING_H
#define APP_COMMS_PING_H

#include <stdint.h>

class vuObject;
class vuUI;
struct vuEvent;

// The connection editor's item: the address dialog, then ping_run.
void ping_dialog(vuUI *ui);
// Pings the address for that many seconds over the link brought up now.
void ping_run(vuUI *ui, const char *address, unsigned seconds);
// The event callback of the ping dialog (UI thread): one ping per call.
int ping_tick(vuEvent *event, intptr_t form);
// The text a ping answer appends to the dialog, null for none.
const char *ping_answer_text(int answer);
// Appends a line to a multi-line text, first dropping its oldest lines
// while it holds as many line ends as fit its height: (height - 4) / font
// height (8 when unknown) - 1. Stops when nothing is left to drop; the
// whole stays within 4095 characters.
void text_append_wrapped(vuObject *widget, const char *text);

#endif
