// The screen kit's entry dialog: a description with an entry field for a
// number and one for a text (either name may be null when the dialog has
// no such field). It is made, added and reset at once; the screen presets
// the fields, asks, and reads them back.
//
//     EntryDialog d(ui, "some_input.xml", "num", "value");
//     if (!d)
//         return;
//     d.set_number(7);
//     d.set_text("НАЗВАНИЕ");
//     if (d.ask())
//         use(d.number(), d.text());
#ifndef APP_SHELL_ENTRY_DIALOG_H
#define APP_SHELL_ENTRY_DIALOG_H

#include <stddef.h>

#include "scoped_dialog.h"

class EntryDialog {
public:
    EntryDialog(vuUI *ui, const char *file, const char *number_field, const char *text_field);

    explicit operator bool() const { return bool(dialog_); }
    ScopedDialog &dialog() { return dialog_; }
    vuObject *number_field() const { return number_; }
    vuObject *text_field() const { return text_; }

    // The number in decimal, the text as it stands (CP1251).
    void set_number(long value);
    void set_text(const char *text);

    // Shows the dialog once: true when it was accepted.
    bool ask(vuEventCallback callback = nullptr);
    // Shows it until accepted with the check passed (see
    // ScopedDialog::show_until_valid).
    template <class Check> bool ask_until_valid(Check check, vuEventCallback callback = nullptr)
    {
        return dialog_.show_until_valid(check, callback);
    }

    // The number field's text ("" without one) and its decimal value (the
    // leading digits; 0 for none).
    const char *number_text() const;
    unsigned long number() const;
    // The text field's text ("" without one), and a copy of it cut to
    // size - 1 bytes.
    const char *text() const;
    void copy_text(char *out, size_t size) const;

private:
    ScopedDialog dialog_;
    vuObject *number_;
    vuObject *text_;
};

#endif
