// The link's level on the status line's "netlevel" indicator: one level
// function for a link of the program's own and one for the external-host
// mode's link. Both run in the UI thread whenever the status line draws
// the indicator; they read the active link's kind through its published
// copy and ask the platform at most once a second (the external-host one
// every half second), answering from their cache in between.
#ifndef APP_COMMS_CONN_LEVEL_H
#define APP_COMMS_CONN_LEVEL_H

#include <stdint.h>

// A level word: the level 0..100 in the low byte, 0x1000 = no or a poor
// link. The object is the indicator (a vuProgressObject), or 0.
unsigned short conn_netlevel_draw(intptr_t object);
unsigned short ext_netlevel_draw(intptr_t object);

// The level conn_netlevel_draw returned last.
unsigned short conn_level_last();
// Forgets the cached answers, so the next drawing asks the platform again.
void conn_level_reset();

#endif
