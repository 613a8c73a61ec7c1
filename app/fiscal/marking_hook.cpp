#include "marking_hook.h"

#include <string.h>

char ScannedMarkCode[200];

uint16_t MarkCodeTypeOf(const char *, int) { return 0; }

uint8_t MarkGs1Kind(const char *) { return 0; }

int16_t MarkCodeTag(const char *) { return 1300; }

uint8_t MarkSignificantLength(const char *code) { return code ? static_cast<uint8_t>(strlen(code)) : 0; }

int MarkCheckPosition(vuUI *, const char *, uint8_t, uint8_t, const char *, const char *, const char *, uint8_t, int)
{
    return 0;
}

int ScanMarkDialog(vuUI *, int)
{
    ScannedMarkCode[0] = 0;
    return -1;
}
