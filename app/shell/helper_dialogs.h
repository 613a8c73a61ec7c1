// Small screens of the shell built in code or from a fixed description: the
// beeping notice, the menu shown when no fiscal drive answers, the network
// error and the file deletion menu. Main thread only.
#ifndef APP_SHELL_HELPER_DIALOGS_H
#define APP_SHELL_HELPER_DIALOGS_H

class vuUI;

// A red notice with the OK button that also closes on key 139 (state 20);
// beeps as it opens. The form's end state.
int beep_message(vuUI *ui, const char *title, const char *text);
// The menu "common_menu_no_fn.xml", shown again until one of its items is
// chosen: 0 "reboot", 1 "fn_terminal", 2 "card_module"; -1 when it cannot be
// created.
int no_fn_menu(vuUI *ui);
// The network error screen with the caller's text and an OK button.
void network_error_dialog(vuUI *ui, const char *text);
// Lists the files of the folder (a path ending in a slash) other than the
// settings file and deletes the chosen one after a question, until the
// list is cancelled or empty.
void file_delete_menu(vuUI *ui, const char *folder);

#endif
