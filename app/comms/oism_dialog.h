// The exchange dialog of the marking notifications: the notifications
// waiting in the fiscal drive go to the marking system's server (OISM) one by
// one while the dialog shows a line for each, until all are sent or Esc ends
// it.
#ifndef APP_COMMS_OISM_DIALOG_H
#define APP_COMMS_OISM_DIALOG_H

#include <mxml.h>
#include <stdint.h>

#include "vuUI.h"

// The dialog for count waiting notifications, only in marked-goods mode and
// with a count above 0 (else 0 at once): the form's end state (1 all sent,
// -1 ended or failed, 10 timed out), or -1 when it could not run.
int oism_exchange_dialog(vuUI *ui, unsigned count, mxml_node_t *section);
// The dialog's event callback: runs in the UI thread on every event and
// tick, steps the exchange without a ui.
int oism_dialog_event(vuEvent *event, intptr_t form);

#endif
