// Small helpers of the receipt screens: the radio and check lists, and the
// widget presets kept in the settings.
#ifndef APP_FISCAL_RECEIPT_FORM_H
#define APP_FISCAL_RECEIPT_FORM_H

class vuObject;

// The checked item of a radio or check list, counted from 1 (0 none).
unsigned list_item(vuObject *widget);
// Checks item n of a radio list.
void list_set_item(vuObject *widget, unsigned n);
// A UTF-8 settings value put into the widget as CP1251; a value that does
// not fit into size - 1 bytes, or an absent key, leaves the widget as it is.
void preset_converted(vuObject *widget, const char *section, const char *key, unsigned size);
// A settings value put into the widget as it stands (digits, phones).
void preset_raw(vuObject *widget, const char *section, const char *key, unsigned size);
// The widget's text saved as UTF-8, or as it stands.
void save_converted(vuObject *widget, const char *section, const char *key);
void save_raw(vuObject *widget, const char *section, const char *key);
// Copies the widget's text into out, at most max characters.
void take_text(vuObject *widget, char *out, unsigned max);
// The widget's text as a decimal number (0 for none).
unsigned long widget_number(vuObject *widget);

#endif
