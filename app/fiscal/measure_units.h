// Units of measure: the FFD 1.2 measure codes and their abbreviations, and
// the unit field of a goods line as the controller would take it. Texts are
// CP1251; Cyrillic letters compare without regard to case.
#ifndef APP_FISCAL_MEASURE_UNITS_H
#define APP_FISCAL_MEASURE_UNITS_H

// Code of a unit text: a number (decimal, or "x" and two hexadecimal
// digits), or the unit's Russian abbreviation; 255 for anything else.
int measure_code_of(const char *text);
// Abbreviation of a code; the empty text for an unknown code.
const char *measure_name_of(int code);
// A unit text as shown: a number gives its abbreviation, any other text
// is cut to three characters. One static buffer.
const char *measure_text_of(const char *text);
// The unit field: the text up to FFD 1.1, the code as "%2.2X" from FFD 1.2
// on. One static buffer.
const char *measure_field(const char *text);

#endif
