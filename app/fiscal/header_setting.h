// The lines the controller prints at the head (four), at the end (four) and
// in the extended head (six) of every document: one editor with a live
// preview of the printed lines, the current lines fetched from the
// controller on request, the result written back with one command. The
// last text entered is kept in the settings.
#ifndef APP_FISCAL_HEADER_SETTING_H
#define APP_FISCAL_HEADER_SETTING_H

#include <stddef.h>
#include <stdint.h>

class vuUI;
struct vuEvent;

enum { HEADER_MAX_LINES = 6, HEADER_LINE_SIZE = 42 };

// The printed lines of an editor text: line i is the text's line i (lines
// end at a line feed) cut to width characters with every byte below 0x20
// removed; a line the text does not reach is empty. count at most
// HEADER_MAX_LINES, width at most HEADER_LINE_SIZE - 1.
void header_preview(const char *text, size_t count, size_t width, char lines[][HEADER_LINE_SIZE]);

void CmdSetHeader(vuUI *ui, const char *title);
void CmdSetTail(vuUI *ui, const char *title);
void CmdSetHeaderExt(vuUI *ui, const char *title);

// The vuUI::Show callbacks of the three editors: they refresh the preview
// and always answer 0.
int HeaderEditKeys(vuEvent *event, intptr_t form);
int TailEditKeys(vuEvent *event, intptr_t form);
int HeaderExtEditKeys(vuEvent *event, intptr_t form);

#endif
