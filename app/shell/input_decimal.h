// Decimal texts ("12.50") in numeric entry fields, which keep their digits
// without the point and show the last radix of them as the fraction.
#ifndef APP_SHELL_INPUT_DECIMAL_H
#define APP_SHELL_INPUT_DECIMAL_H

class vuInput;

// Brings the text to the field's number of fraction digits (rounding half
// up, or padding with zeros) and stores its digits.
void input_set_decimal(vuInput *field, const char *text);
// The field's digits with the point put back at its radix, in one static
// buffer overwritten by the next call; null for a null field.
const char *input_get_decimal(vuInput *field);

#endif
