// The warning box with an override key: a text under a title, OK, cancel,
// and the key 139 that ends it with WARN_OVERRIDE (the user's order to go
// on despite the warning).
#ifndef APP_FISCAL_WARN_MESSAGE_H
#define APP_FISCAL_WARN_MESSAGE_H

#include <stdint.h>

class vuUI;
struct vuEvent;

enum { WARN_OVERRIDE_KEY = 139, WARN_OVERRIDE = 101 };

// The form's state: 1 OK, -1 cancel (or the dialog could not be made),
// 10 time-out, WARN_OVERRIDE the override key.
int WarnMessageDialog(vuUI *ui, const char *title, const char *text);
// The vuUI::Show callback of the box: WARN_OVERRIDE for the key 139, else 0.
int WarnMessageKeys(vuEvent *event, intptr_t form);

#endif
