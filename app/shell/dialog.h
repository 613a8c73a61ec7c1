// Forms of the program's screens from their UI descriptions under "./res/".
#ifndef APP_SHELL_DIALOG_H
#define APP_SHELL_DIALOG_H

class vuForm;
class vuUI;

// The form of a dialog description (the screen-size-prefixed file first,
// then the plain name), or null after the failure box. The caller adds,
// shows and removes the form.
vuForm *dialog_create(vuUI *ui, const char *file);

#endif
