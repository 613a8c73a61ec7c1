#include "vuFreeTypeFont.h"

vuFreeTypeFont::vuFreeTypeFont(const char* path, int a, int b, int c, int d)
    : bitmap(nullptr), bitmapSize(0), param3(c), param4(d), bitmapWidth(0), bitmapHeight(0) {
    (void)path;
    (void)a;
    (void)b;
}

vuFreeTypeFont::~vuFreeTypeFont() {}

int vuFreeTypeFont::DrawChar(vuFrameBuffer* fb, char, unsigned short, unsigned short, short, short, unsigned short,
                             unsigned short, unsigned short) {
    return fb ? -5 : -1;
}
