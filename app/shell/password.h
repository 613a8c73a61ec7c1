// The operator password that locks a few service screens, and the inspector
// entry that starts the controller service application.
#ifndef APP_SHELL_PASSWORD_H
#define APP_SHELL_PASSWORD_H

class vuUI;

// Shows "kkt_dlg_pass_input.xml" (entry field "pass") under the title until
// the password is typed or the dialog is closed: 1 the password was given,
// 0 closed without it, -1 the dialog could not be built (after its failure
// box). Only 1 grants access.
int ask_password(vuUI *ui, const char *title);
// Asks the password and starts the controller service application with the
// argument; a failed start is reported.
void inspector_menu(vuUI *ui, int argument);

#endif
