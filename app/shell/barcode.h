// Comparing barcodes of goods: EAN/UPC check digits and whether two codes
// denote the same goods.
#ifndef APP_SHELL_BARCODE_H
#define APP_SHELL_BARCODE_H

// The GS1 modulo-10 check digit ('0' to '9') of count digits: weights 3
// and 1 alternating from the rightmost digit, which weighs 3. A character
// that is not a digit counts as 0.
char ean_check_digit(const char *digits, int count);
// 1 when the codes are equal, or the longer one is the shorter followed by
// its check digit, '0' and the shorter, '0', the shorter and its check
// digit, or the shorter followed by GS; else 0 (also for null or empty).
int barcode_equal(const char *a, const char *b);

#endif
