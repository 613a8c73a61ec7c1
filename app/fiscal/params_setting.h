// The controller's four work words: a wizard of six pages (the low and
// high bytes of the first two words and the low byte of the fourth as
// lists of check boxes, then the words themselves as numbers) that writes
// them back, and the same write from a settings element.
#ifndef APP_FISCAL_PARAMS_SETTING_H
#define APP_FISCAL_PARAMS_SETTING_H

#include <mxml.h>
#include <stdint.h>

class vuUI;

enum { PARAM_PAGES = 6 };

// A word typed as hexadecimal: one to four hex digits ("12" is 0x0012);
// false for anything else (empty, another character, more digits), the
// value left alone.
bool hex_word(const char *text, uint16_t *out);

// The menu item "sets_params".
void CmdSetParams(vuUI *ui, const char *title);
// Writes the words named by the element's attributes "param1", "param2",
// "linefeed" and "param4" over the controller's, then reads them back;
// nothing when none of them holds a text.
void params_from_settings(vuUI *ui, mxml_node_t *element);

#endif
