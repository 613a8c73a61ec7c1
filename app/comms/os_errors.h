// Russian texts of the terminal's operating-system error codes (devices,
// files, applications, the IP stack, WiFi, the cellular modem, the USB
// port), shown beside the code in the communication screens' boxes.
#ifndef APP_COMMS_OS_ERRORS_H
#define APP_COMMS_OS_ERRORS_H

// The text of a code as the link bring-up and USSD requests show it; the
// empty text for a code it does not know. Never null.
const char *os_error_text(int code);
// The same for the external-host mode and the controller monitor terminal,
// whose table differs in a few texts. Never null.
const char *os_error_text2(int code);

#endif
