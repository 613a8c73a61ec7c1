// The value of one hexadecimal digit as the stand-ins' scripts and
// requests write them (either case). Header only.
#ifndef TOOLS_COMMON_HEX_DIGIT_H
#define TOOLS_COMMON_HEX_DIGIT_H

// 0..15, or -1 when c is not a hexadecimal digit.
inline int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

#endif
