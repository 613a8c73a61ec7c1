// The screen kit: a dialog owned by a scope.
//
// A screen makes its form from a UI description under "./res/" (through
// dialog_create, which shows the failure box itself) or hands over a form
// built in code. The form is added to the UI when the object is made and
// removed (and freed) when the object goes, whichever way the screen leaves.
// In between the screen looks up and presets its widgets, resets the form
// and shows it modally as often as it needs:
//
//     ScopedDialog d(ui, "some_dialog.xml");
//     if (!d)
//         return;                   // the failure box has been shown
//     vuObject *num = d.field("num");
//     d.reset();
//     widget_set_text(num, "1");
//     if (d.show() == 1)
//         ...                       // accepted
//
// The rest of the kit: error_box.h (the one error box), kfn_run.h (the
// controller lock and the named command runners), list_page.h (a choice
// list built in code), entry_dialog.h (a number and a text entered) and
// wait_form.h (a box that stays up while the caller polls).
#ifndef APP_SHELL_SCOPED_DIALOG_H
#define APP_SHELL_SCOPED_DIALOG_H

#include "error_box.h"
#include "vuForm.h"
#include "vuUI.h"

class vuObject;

class ScopedDialog {
public:
    // The form of a description, added to the UI; none (false) when the
    // description could not be made into a form, or without a UI.
    ScopedDialog(vuUI *ui, const char *file);
    // A form built in code, added to the UI; the object owns it from here
    // (a form without a UI is freed at once).
    ScopedDialog(vuUI *ui, vuForm *built);
    ~ScopedDialog();
    ScopedDialog(ScopedDialog &&other) noexcept;
    ScopedDialog(const ScopedDialog &) = delete;
    ScopedDialog &operator=(const ScopedDialog &) = delete;
    ScopedDialog &operator=(ScopedDialog &&) = delete;

    explicit operator bool() const { return form_ != nullptr; }
    vuForm *form() const { return form_; }
    vuUI *ui() const { return ui_; }
    // A widget of the form by name, or null.
    vuObject *field(const char *name) const;
    template <class T> T *widget(const char *name) const { return dynamic_cast<T *>(field(name)); }

    void reset();
    // Shows the form modally (the callback runs on its events) and waits
    // for its end: the state it ended with (1 accepted, -1 left).
    int show(vuEventCallback callback = nullptr);
    // show() in two steps, for a screen that announces the form between
    // them: start() shows it (in the UI thread it is modal once start
    // returns), wait() waits for its end and returns its state.
    void start(vuEventCallback callback = nullptr);
    int wait();
    // reset() and show().
    int run(vuEventCallback callback = nullptr);
    int state() const;

    // Shows the form until it is accepted with the check passed: true; false
    // when it ended any other way. check() returns null when the entries
    // are good, else the text of the error box shown before the form comes
    // back.
    template <class Check> bool show_until_valid(Check check, vuEventCallback callback = nullptr)
    {
        for (;;) {
            if (show(callback) != 1)
                return false;
            const char *problem = check();
            if (!problem)
                return true;
            error_box(ui_, problem);
        }
    }

    // Removes the form now rather than at the scope's end.
    void close();

private:
    vuUI *ui_;
    vuForm *form_;
};

#endif
