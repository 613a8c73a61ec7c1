// Progress lines in a dialog's multi-line field.
#ifndef APP_COMMS_INFO_PANEL_H
#define APP_COMMS_INFO_PANEL_H

class vuObject;

// Lines a field of that height holds: (height - 4) / 8 - 1.
int info_panel_capacity(int height);
// Appends line (CP1251) to the field's text on a line of its own, first
// dropping the oldest lines while the text holds as many line ends as the
// field has lines; stops when there is nothing left to drop. The text is
// kept within 4096 bytes.
void info_panel_append(vuObject *field, const char *line);
// The same with the number of lines the field holds given.
void info_panel_append_within(vuObject *field, const char *line, int capacity);

#endif
