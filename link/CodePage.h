// In-place conversions between the screen's text (CP1251) and the text inside
// registrar frames (CP866): the Cyrillic letters, Ё, ё and № both ways; the
// guillemets « and » become a plain double quote on the way to CP866 and stay
// one on the way back. Other bytes are left as they are.
#ifndef LINK_CODEPAGE_H
#define LINK_CODEPAGE_H

// Convert n bytes of text in place and return n; a null text or n <= 0
// converts nothing and returns 0.
int Cp1251ToCp866(char *text, int n);
int Cp866ToCp1251(char *text, int n);

#endif
