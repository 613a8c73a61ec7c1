// The screen kit's wait form: a box built in code (create_message_box) that
// stays up while this thread polls the controller. With the toolkit's own
// UI thread the form is modal there, so that its cancel key can end it
// while the caller goes on; in caller-thread mode its modal loop would run
// here and never return to the poll, so it is only drawn and the poll ends
// by itself. Added when made, removed when the scope ends.
//
//     WaitForm wait(ui, create_message_box(ui, "ПОДОЖДИТЕ", text, MB_CANCEL));
//     wait.reset();
//     wait.show();
//     while (!answered && wait.up())
//         ...
//     wait.end();
#ifndef APP_SHELL_WAIT_FORM_H
#define APP_SHELL_WAIT_FORM_H

#include "scoped_dialog.h"

class WaitForm {
public:
    // Takes the form and adds it to the UI.
    WaitForm(vuUI *ui, vuForm *built);

    vuForm *form() const { return dialog_.form(); }
    void reset() { dialog_.reset(); }
    // Only draws the form.
    void view();
    // Modal in the UI thread; only drawn in caller-thread mode.
    void show();
    // Still up: not closed by the user (always in caller-thread mode).
    bool up() const;
    // Ends the modal showing and waits until the UI thread has left it
    // (nothing in caller-thread mode).
    void end();

private:
    ScopedDialog dialog_;
};

#endif
