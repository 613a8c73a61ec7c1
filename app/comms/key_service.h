// The key-update service's address: the drive names it (controller command
// 0x9E, sub-command 1, as the hexadecimal text of "tcp://host:port"); when
// it names none, one of the two built-in endpoints is taken, chosen by the
// drive's endpoint flag.
#ifndef APP_COMMS_KEY_SERVICE_H
#define APP_COMMS_KEY_SERVICE_H

#include <stddef.h>
#include <stdint.h>

#include "server_link.h"

// The built-in endpoints belong to the deployment. Until it names them they
// are placeholders under the reserved domain ".invalid", which never
// resolves: an exchange with them fails as a lost server.
#define ASOKP_PRODUCTION_HOST "asokp-production.invalid"
#define ASOKP_PRODUCTION_PORT 26101
#define ASOKP_TEST_HOST "asokp-test.invalid"
#define ASOKP_TEST_PORT 31101

// The time-out of the key-update link.
const int ASOKP_TIMEOUT_MS = 30000;

// Fills the key-update link's host and port from the drive (or the built-in
// endpoint) and sets its time-out.
void asokp_load_server();
const char *asokp_host();
uint16_t asokp_port();
// The key-update link's time-out in milliseconds.
int asokp_timeout_ms();
// The process-wide key-update link.
server_link *asokp_link();

// Decodes the hexadecimal address field (len characters) and parses
// "tcp://HOST:PORT" from it: host (129 bytes) and port. An empty field, or
// one that decodes to an empty text, gives an empty host and port 0 and
// returns 0. An odd length, a character
// that is no hexadecimal digit, a text over 128 bytes, or a text that is not
// "tcp://" with a host of 1..128 characters, ':' and a decimal port 1..65535
// also leave host and port empty, and return -1.
int asokp_parse_address(const char *hex, size_t len, char *host, uint16_t *port);

#endif
