// The controller monitor terminal as the shell opens it: from the start-up
// mode that asks for it, from the controller wait and from the service
// menu. It is built with the communications screens
// (app/comms/monitor_terminal.*).
#ifndef APP_SHELL_MONITOR_ENTRY_H
#define APP_SHELL_MONITOR_ENTRY_H

class vuUI;

// The controller monitor terminal behind the operator password: 0 when the
// password was refused (or its dialog is missing), else 1.
int on_monitor_terminal(vuUI *ui, const char *title);

#endif
