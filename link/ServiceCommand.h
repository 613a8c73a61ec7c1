// Command exchanges with the controller through its service: one registrar
// command, the wait until the controller is ready, and the status block.
#ifndef LINK_SERVICECOMMAND_H
#define LINK_SERVICECOMMAND_H

#include <stdint.h>

class TMCommand;

// Short commands: DLE and one character, sent as kind-1 frames and answered
// by one status byte.
static const uint8_t SERVICE_DLE = 0x10;

// Runs the request held by command: flushes the queue, sends the frame and
// polls for the reply with the same command code and packet identifier
// (replies to earlier requests, other kinds and late one-byte statuses are
// passed over). 0 with the reply held by command; -1 nothing to send, -2 no
// queue, -3 send failed, -4 no matching reply within timeout ms (0: one
// try), -5 a frame that failed its checks.
int ServiceExecute(TMCommand &command, uint32_t timeout);

// Waits until the controller reports ready, at most tries passes (at least
// one) of timeout ms each. The ready value (0 not ready), -8 service mode,
// -9 update mode, or a failed send's result.
int ServiceWaitReady(uint32_t tries, uint32_t timeout);

// Asks for the status block and keeps it (ServiceLastStatus): 0, -2, -3,
// or -4 when no answer came within timeout ms (0 means 1000).
int GetPrnStatus(uint32_t timeout);

#endif
