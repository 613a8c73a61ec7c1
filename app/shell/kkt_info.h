// The information screen: a report about the program, the controller
// service, the cash register, the fiscal drive, its servers and the waiting
// documents, collected live from the controller, shown in a scrollable
// dialog and printed with the key '0' (with a block of key values framed
// for a QR code).
#ifndef APP_SHELL_KKT_INFO_H
#define APP_SHELL_KKT_INFO_H

#include <stddef.h>
#include <stdint.h>

class vuUI;

// Sizes of the report and of the QR text, terminators included.
const size_t KKT_INFO_REPORT_SIZE = 2048;
const size_t KKT_INFO_QR_SIZE = 1024;

// The program's build date as the report shows it.
const char *build_date();

// The main menu's "info" (the title is not used).
void show_kkt_info(vuUI *ui, const char *title);

// Appends the report to header, shows it in the dialog and prints it on the
// key '0'; the spare text is not used.
void build_kkt_info(vuUI *ui, const char *header, const char *spare, const char *dialog, int qr);

// Where the report takes the key-update service's address from: loads it
// (from the drive, or the built-in endpoint) and gives its host and port.
// The service belongs to the communications screens, so the program sets
// it at start; while none is set the report names the address the drive
// gives in its server parameters only.
typedef void (*KktInfoKeyService)(const char **host, uint16_t *port);
void kkt_info_set_key_service(KktInfoKeyService source);

// The report's lines after the header, appended to report (bounded by
// KKT_INFO_REPORT_SIZE); with qr, the QR text ("\n<QR>" and the values,
// without its end) goes to qr_text (KKT_INFO_QR_SIZE bytes).
void kkt_info_report(char *report, char *qr_text, int qr);

// The age in calendar days of the keys' packed date (day + 32 x month +
// 512 x (year - 1996)) on the given day; 100 for a date after it, -1 for a
// date that is no calendar day.
int key_age_days(unsigned packed, int year, int month, int day);

#endif
