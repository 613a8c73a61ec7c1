// The barcode scanner. Until its driver is built no scanner is present:
// scanner_probe answers 0, the thread calls do nothing, the status stays
// -1 and the buffer empty.
#ifndef APP_SHELL_SCANNER_HOOK_H
#define APP_SHELL_SCANNER_HOOK_H

// 1 when a scanner is present, else 0.
int scanner_probe();
// 0, or the error of the thread's creation.
int scanner_start();
void scanner_stop();

// A ready code (status 1) is dropped: status 0, the buffer zeroed.
void scanner_clear();
// The reader collects a code only while reading is enabled.
void scanner_enable_read();
void scanner_disable_read();
// -1 no device or stopped, 0 idle or reading, 1 a code is ready.
int scanner_status();
// The code read last (CP1251, NUL-terminated).
const char *scanner_buffer();

#endif
