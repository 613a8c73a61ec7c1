// The program's texts on the toolkit's status line: "appname" ("KKT"),
// "status" (the shift), "wait" (documents and notifications waiting for the
// servers), and the battery indicator "batlevel". Missing objects, or a
// missing status line, are skipped. Texts change only while the line is
// disabled, so the UI thread never draws a half-changed line.
#ifndef APP_SHELL_STATUS_LINE_H
#define APP_SHELL_STATUS_LINE_H

class vuUI;

// Once at start-up: "KKT" into "appname"; starts the battery service when
// the line has "batlevel".
void status_line_init(vuUI *ui);
// The waiting counts, asked from the drive.
void refresh_status_line(vuUI *ui);
// "СМЕНА ОТКРЫТА" or "СМЕНА ЗАКРЫТА" from the cached current status.
void update_shift_status(vuUI *ui);
// "wait" = documents for the OFD plus notifications for the OISM, empty
// when there are none. The caller disables the line around it.
void status_line_waiting(vuUI *ui);

#endif
