// The barcode scanner: one code at a time from a USB scanner that presents
// itself as a keyboard (raw HID reports from "/dev/hidraw0") or from the
// terminal's built-in scanner (OsScanOpen/OsScanRead/OsScanClose).
//
// How a caller gets a code: after scanner_probe gave 1, scanner_start; for
// each attempt scanner_clear and scanner_enable_read, then poll
// scanner_status (any thread) until it is 1 and copy scanner_buffer; then
// scanner_disable_read; scanner_stop when done. The reader thread fills the
// buffer only while reading is enabled and hands it over by setting the
// status to 1 (release) after the code is complete; a code read while no
// one wants it (reading disabled before it was complete) is dropped.
// Start, stop, clear, enable and disable belong to one thread (the main
// thread); status and buffer may be read from any.
#ifndef APP_SHELL_SCANNER_H
#define APP_SHELL_SCANNER_H

class vuUI;

constexpr int SCANNER_BUFFER_SIZE = 4096;
constexpr int SCANNER_NAME_SIZE = 64;
// The last length when no device could be opened.
constexpr int SCANNER_NO_DEVICE = -1004;
// The kinds: no scanner, the built-in one; 1 to 11 are the HID models.
constexpr int SCANNER_KIND_NONE = -1;
constexpr int SCANNER_KIND_BUILTIN = 0;

// 1 when a scanner is present, else 0; sets the kind and the device name.
int scanner_probe();
// Starts the reader thread (a running one is stopped first): 0, or the
// error of the thread's creation (then the status is -1).
int scanner_start();
// Stops and joins the reader thread; the status becomes -1. Nothing
// happens when no thread runs.
void scanner_stop();
// A ready code (status 1) is taken: the status becomes 0 and the buffer is
// zeroed.
void scanner_clear();
void scanner_enable_read();
void scanner_disable_read();
// The code read last: NUL-terminated CP1251 text, valid once the status is 1.
const char *scanner_buffer();
// -1 no device or stopped, 0 idle or reading, 1 a code is ready.
int scanner_status();

// The length of the last code, or -1004 without a device, or the code
// OsScanOpen or OsScanRead returned.
int scanner_last_length();
int scanner_kind();
const char *scanner_device_name();
// 1 while reading is enabled.
int scanner_reading();
// 1 while the reader thread exists (from scanner_start to scanner_stop).
int scanner_running();
// 600 when the thread exists and a code is ready, else 0.
int scanner_poll_code();

// Prints the scanner's set-up codes, then probes; without a HID scanner
// says so in a box.
void scanner_setup_print(vuUI *ui);

#endif
