#include "marking_hook.h"

char ScannedMarkCode[200];

int MarkCheckPosition(vuUI *, const char *, uint8_t, uint8_t, const char *, const char *, const char *, uint8_t, int)
{
    return 0;
}

int ScanMarkDialog(vuUI *, int)
{
    ScannedMarkCode[0] = 0;
    return -1;
}
