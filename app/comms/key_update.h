// The update of the fiscal drive's verification keys for marked goods: the
// drive prepares each request (controller command 0x9E, sub-command 3), the
// program carries it in a key-update container to the key service over the
// process-wide key-update link and hands the answer back (sub-command 4),
// again while the drive answers 160 (more keys follow), all over one
// connection. It runs before a shift is opened and by hand from the menu.
#ifndef APP_COMMS_KEY_UPDATE_H
#define APP_COMMS_KEY_UPDATE_H

class vuForm;
class vuUI;

enum {
    // Outcomes of the program's own, told with the registrar's texts.
    ASOKP_BUILD_FAILED = 113,     // a 0x9E request could not be built
    ASOKP_NO_CONTAINER = 121,     // the drive's request made no container
    ASOKP_EXCHANGE_FAILED = 129,  // the exchange with the service failed
    // The drive's answer to an answer: more keys follow.
    ASOKP_MORE_KEYS = 160,
    // A drive that keeps answering 160 ends the update after this many
    // rounds, with that outcome.
    ASOKP_MAX_ROUNDS = 50,
};

// Before a shift is opened: null when nothing was done (the drive's warning
// flags have 0x2000, autonomous mode, or the keys need no update), else the
// text for the shift opening's comment: the success text, the failure text
// "...|Ошибка обновления: <reason>", or the registrar text of an error that
// stopped the drive from telling the need.
const char *asokp_auto_update(vuUI *ui);

// asokp_auto_update for a drive registered for marked goods only (its state
// byte has the registered bit 0x08 and marked-goods mode is on); null
// otherwise, without asking the drive anything.
const char *asokp_auto_update_marking(vuUI *ui);

// The manual update: refusal boxes for an open shift, autonomous mode or a
// registration without marked goods; else a screen of progress lines
// closed by "ok".
void asokp_update_dialog(vuUI *ui);
// The menu item "asokp_update_keys" (the title is not used).
void on_asokp_update_keys(vuUI *ui, const char *title);

// Appends line to the form's multi-line field "info", shows the form for a
// moment (every event ends the showing) and redraws the screen: the form's
// state. A null ui only appends.
int asokp_show_form(vuUI *ui, vuForm *form, const char *line);

#endif
