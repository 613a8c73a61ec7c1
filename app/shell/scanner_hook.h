// The barcode scanner. Until its driver is built no scanner is present:
// scanner_probe answers 0 and the thread calls do nothing.
#ifndef APP_SHELL_SCANNER_HOOK_H
#define APP_SHELL_SCANNER_HOOK_H

// 1 when a scanner is present, else 0.
int scanner_probe();
// 0, or the error of the thread's creation.
int scanner_start();
void scanner_stop();

#endif
