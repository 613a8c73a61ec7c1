// Exchanges that follow the OFD's and are not built yet: the marking
// notifications' exchange with the OISM and their unload to a flash drive.
// Until then they do nothing and report nothing done.
#ifndef APP_COMMS_EXCHANGE_HOOKS_H
#define APP_COMMS_EXCHANGE_HOOKS_H

#include <mxml.h>

class vuUI;

// The OISM dialog for count notifications: its end state; -1 here.
int oism_exchange_dialog(vuUI *ui, unsigned count, mxml_node_t *section);
// Unloads the notifications in autonomous mode: nothing here.
void unload_notifications(vuUI *ui);

#endif
