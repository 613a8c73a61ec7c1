// The screen kit's one error box: title "ОШИБКА", an OK button, the alert
// background. Nothing is shown without a UI.
#ifndef APP_SHELL_ERROR_BOX_H
#define APP_SHELL_ERROR_BOX_H

class vuUI;

void error_box(vuUI *ui, const char *text);
// The text formatted first (cut to 511 bytes).
void error_box_f(vuUI *ui, const char *format, ...) __attribute__((format(printf, 2, 3)));
// "Ошибка создания команды.": a controller command could not be built.
void build_failed_box(vuUI *ui);

#endif
