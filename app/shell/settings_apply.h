// Settings the terminal takes over as a whole: the printer's settings block
// from the section "printer" and the system properties of the section
// "terminal".
#ifndef APP_SHELL_SETTINGS_APPLY_H
#define APP_SHELL_SETTINGS_APPLY_H

// Sends the printer's 5-byte settings block (line feed, QR pixel width, the
// fiscal mark left out) built from the section "printer": each value a
// number (decimal, or hexadecimal after "x"), its low byte used, an absent
// one 0. Nothing is sent unless the section has at least one of the three.
// The printer service's result: 0 sent, 1 nothing to send, below 0 its
// failure (which is also written to stderr).
int apply_printer_settings();

// Sets the system property of every child of the section "terminal" that
// has both "var" and "value", then the two power properties the terminal
// always runs with, and applies the screen's brightness from the
// properties. The number of properties that could not be set (each named on
// stderr).
int apply_terminal_registry();

#endif
