// The texts of a dialog's entry widgets, whatever their kind: one-line entry
// fields (with their pattern and address kinds) and multi-line texts, and
// the state of a check box. Widgets of other kinds, and null, have no text.
#ifndef APP_SHELL_WIDGET_TEXT_H
#define APP_SHELL_WIDGET_TEXT_H

class vuObject;

// The widget's text, never null ("" when it has none).
const char *widget_text(vuObject *widget);
// Puts text (CP1251) into the widget; other kinds are left alone.
void widget_set_text(vuObject *widget, const char *text);
// 1 when a check box has any item checked, else 0.
int widget_checked(vuObject *widget);

#endif
