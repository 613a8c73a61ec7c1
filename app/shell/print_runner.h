// Commands that make the controller print, and free text through the
// service's print channel.
//
// kfn_exec_print sends a built request while a wait form is up and polls the
// queue until the reply comes or the user cancels; a reply "no paper" asks
// for a new roll and sends the request again; after a successful reply
// print_wait offers to repeat a print the printer did not finish. It needs
// the toolkit's own UI thread: the wait form is modal there while this
// thread polls.
#ifndef APP_SHELL_PRINT_RUNNER_H
#define APP_SHELL_PRINT_RUNNER_H

#include <stdint.h>

class TMCommand;
class vuUI;

// The registrar error "no paper".
enum { KFN_ERROR_NO_PAPER = 0x19 };

// 0 success; above 0 the drive's error code (25 when the user gave up on
// the paper); -1 low battery refused, cancelled by the user or the reply
// lost; -5 a reply that failed the frame check; other negative values the
// service result of the send. cancellable != 0 gives the wait form a cancel
// button (which sends DLE '6') and makes the paper question cancellable.
int kfn_exec_print(vuUI *ui, TMCommand *cmd, uint16_t cancellable);

// After a print: while the printer reports an unfinished print and the user
// agrees, asks it to print again (DLE '8', or DLE 'C' for a copy).
void print_wait(vuUI *ui, int nocancel, int copy, int query);
void print_wait_simple(vuUI *ui, int nocancel, int copy);

// Command 0x1D around a free-text print: print_begin sends it only when
// work-mode bit 0x10 is set (and returns the exchange's result, 0 when
// nothing was sent), print_end only when the bit is clear (and returns 0).
int print_begin();
int print_end();

// Prints length bytes of CP1251 text (converted to CP866 in a copy) as raw
// print data with a 15 s wait for the status; stores the printer state
// into state_out when given. -1 for a null text or a zero length.
int print_text_n(const char *text, int length, int *state_out);
int print_text(const char *text, int *state_out);

// Raw print data or a text job under kfn_mutex (timeout 0 means 10000 ms);
// the 16-byte status block is copied into status when given.
int kfn_send_raw(const void *data, int length, int timeout_ms, void *status);
int kfn_send_text(const char *text, int timeout_ms, void *status);

#endif
