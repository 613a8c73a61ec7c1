// The exchange dialog: the waiting documents go to the OFD one by one while
// the dialog shows a line for each, until all are sent or Esc ends it.
#ifndef APP_COMMS_OFD_DIALOG_H
#define APP_COMMS_OFD_DIALOG_H

#include <mxml.h>
#include <stdint.h>

#include "vuUI.h"

// The handler of the menu item "ofd_conn": brings the network link up,
// sends the documents waiting for the OFD, then the notifications waiting
// for the OISM, and takes the link down.
void send_waiting_documents(vuUI *ui, const char *title);
// The same without a menu item, on the link kept between exchanges: a link
// already up is used and stays up (only its route is set again), one
// brought up here is taken down at the end; the dialogs run only with a
// link. Autonomous mode has no unload here.
void send_waiting_documents_open(vuUI *ui);
// The dialog for count waiting documents: its end state (1 all sent, -1
// ended or failed), or -1 when it could not run.
int ofd_exchange_dialog(vuUI *ui, unsigned count, mxml_node_t *section);
// The dialog's event callback: runs in the UI thread on every event and
// tick, steps the exchange without a ui.
int ofd_dialog_event(vuEvent *event, intptr_t form);

#endif
