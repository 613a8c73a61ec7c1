#include "vuMemIcon.h"

#include <new>
#include <stdlib.h>
#include <string.h>

#include "vuImageIO.h"

// The built-in icons as inline icon records (width, height, rows). A '#'
// in the pictures is a set bit.

// 0: frame with a diagonal cross, 18 x 18
//   ##################
//   #................#
//   #................#
//   #................#
//   #...##......##...#
//   #...###....###...#
//   #....###..###....#
//   #.....######.....#
//   #......####......#
//   #......####......#
//   #.....######.....#
//   #....###..###....#
//   #...###....###...#
//   #...##......##...#
//   #................#
//   #................#
//   #................#
//   ##################
static const unsigned char kIcon0[] = {
    18, 18,
    0xFF, 0xFF, 0xC0,
    0x80, 0x00, 0x40,
    0x80, 0x00, 0x40,
    0x80, 0x00, 0x40,
    0x8C, 0x0C, 0x40,
    0x8E, 0x1C, 0x40,
    0x87, 0x38, 0x40,
    0x83, 0xF0, 0x40,
    0x81, 0xE0, 0x40,
    0x81, 0xE0, 0x40,
    0x83, 0xF0, 0x40,
    0x87, 0x38, 0x40,
    0x8E, 0x1C, 0x40,
    0x8C, 0x0C, 0x40,
    0x80, 0x00, 0x40,
    0x80, 0x00, 0x40,
    0x80, 0x00, 0x40,
    0xFF, 0xFF, 0xC0,
};

// 1: frame with a ring, 18 x 18
//   ##################
//   #................#
//   #................#
//   #................#
//   #.....######.....#
//   #....###..###....#
//   #...##......##...#
//   #...##......##...#
//   #...#........#...#
//   #...#........#...#
//   #...##......##...#
//   #...##......##...#
//   #....###..###....#
//   #.....######.....#
//   #................#
//   #................#
//   #................#
//   ##################
static const unsigned char kIcon1[] = {
    18, 18,
    0xFF, 0xFF, 0xC0,
    0x80, 0x00, 0x40,
    0x80, 0x00, 0x40,
    0x80, 0x00, 0x40,
    0x83, 0xF0, 0x40,
    0x87, 0x38, 0x40,
    0x8C, 0x0C, 0x40,
    0x8C, 0x0C, 0x40,
    0x88, 0x04, 0x40,
    0x88, 0x04, 0x40,
    0x8C, 0x0C, 0x40,
    0x8C, 0x0C, 0x40,
    0x87, 0x38, 0x40,
    0x83, 0xF0, 0x40,
    0x80, 0x00, 0x40,
    0x80, 0x00, 0x40,
    0x80, 0x00, 0x40,
    0xFF, 0xFF, 0xC0,
};

// 2: battery outline, 18 x 12
//   ################..
//   #..............#..
//   #..............###
//   #..............#.#
//   #..............#.#
//   #..............#.#
//   #..............#.#
//   #..............#.#
//   #..............#.#
//   #..............###
//   #..............#..
//   ################..
static const unsigned char kIcon2[] = {
    18, 12,
    0xFF, 0xFF, 0x00,
    0x80, 0x01, 0x00,
    0x80, 0x01, 0xC0,
    0x80, 0x01, 0x40,
    0x80, 0x01, 0x40,
    0x80, 0x01, 0x40,
    0x80, 0x01, 0x40,
    0x80, 0x01, 0x40,
    0x80, 0x01, 0x40,
    0x80, 0x01, 0xC0,
    0x80, 0x01, 0x00,
    0xFF, 0xFF, 0x00,
};

// 3: solid block, 16 x 12
//   ################
//   ################
//   ################
//   ################
//   ################
//   ################
//   ################
//   ################
//   ################
//   ################
//   ################
//   ################
static const unsigned char kIcon3[] = {
    16, 12,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
    0xFF, 0xFF,
};

// 4: plug, 9 x 6
//   ..#...#..
//   ..#...#..
//   #########
//   .#######.
//   ..#####..
//   ....#....
static const unsigned char kIcon4[] = {
    9, 6,
    0x22, 0x00,
    0x22, 0x00,
    0xFF, 0x80,
    0x7F, 0x00,
    0x3E, 0x00,
    0x08, 0x00,
};

// 5: five rising bars, 16 x 12
//   .............##.
//   .............##.
//   .............##.
//   ..........##.##.
//   ..........##.##.
//   .......##.##.##.
//   .......##.##.##.
//   ....##.##.##.##.
//   ....##.##.##.##.
//   .##.##.##.##.##.
//   .##.##.##.##.##.
//   .##.##.##.##.##.
static const unsigned char kIcon5[] = {
    16, 12,
    0x00, 0x06,
    0x00, 0x06,
    0x00, 0x06,
    0x00, 0x36,
    0x00, 0x36,
    0x01, 0xB6,
    0x01, 0xB6,
    0x0D, 0xB6,
    0x0D, 0xB6,
    0x6D, 0xB6,
    0x6D, 0xB6,
    0x6D, 0xB6,
};

// 6: diagonal cross, 18 x 12
//   ...##.........##..
//   ....##.......##...
//   .....##.....##....
//   ......##...##.....
//   .......##.##......
//   ........###.......
//   ........###.......
//   .......##.##......
//   ......##...##.....
//   .....##.....##....
//   ....##.......##...
//   ...##.........##..
static const unsigned char kIcon6[] = {
    18, 12,
    0x18, 0x03, 0x00,
    0x0C, 0x06, 0x00,
    0x06, 0x0C, 0x00,
    0x03, 0x18, 0x00,
    0x01, 0xB0, 0x00,
    0x00, 0xE0, 0x00,
    0x00, 0xE0, 0x00,
    0x01, 0xB0, 0x00,
    0x03, 0x18, 0x00,
    0x06, 0x0C, 0x00,
    0x0C, 0x06, 0x00,
    0x18, 0x03, 0x00,
};

// 7: empty square frame, 20 x 20
//   ####################
//   ####################
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ##................##
//   ####################
//   ####################
static const unsigned char kIcon7[] = {
    20, 20,
    0xFF, 0xFF, 0xF0,
    0xFF, 0xFF, 0xF0,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xFF, 0xFF, 0xF0,
    0xFF, 0xFF, 0xF0,
};

// 8: square frame with a tick, 20 x 20
//   ####################
//   ####################
//   ##................##
//   ##................##
//   ##.............#..##
//   ##............##..##
//   ##...........###..##
//   ##...........##...##
//   ##..........##....##
//   ##.........###....##
//   ##..#.....###.....##
//   ##..##....##......##
//   ##...##..##.......##
//   ##....#####.......##
//   ##.....###........##
//   ##......#.........##
//   ##................##
//   ##................##
//   ####################
//   ####################
static const unsigned char kIcon8[] = {
    20, 20,
    0xFF, 0xFF, 0xF0,
    0xFF, 0xFF, 0xF0,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x01, 0x30,
    0xC0, 0x03, 0x30,
    0xC0, 0x07, 0x30,
    0xC0, 0x06, 0x30,
    0xC0, 0x0C, 0x30,
    0xC0, 0x1C, 0x30,
    0xC8, 0x38, 0x30,
    0xCC, 0x30, 0x30,
    0xC6, 0x60, 0x30,
    0xC3, 0xE0, 0x30,
    0xC1, 0xC0, 0x30,
    0xC0, 0x80, 0x30,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0xFF, 0xFF, 0xF0,
    0xFF, 0xFF, 0xF0,
};

// 9: empty circle, 20 x 20
//   .........##.........
//   ......########......
//   ....###......###....
//   ...##..........##...
//   ..##............##..
//   ..#..............#..
//   .##..............##.
//   .#................#.
//   .#................#.
//   ##................##
//   ##................##
//   .#................#.
//   .#................#.
//   .##..............##.
//   ..#..............#..
//   ..##............##..
//   ...##..........##...
//   ....###......###....
//   ......########......
//   .........##.........
static const unsigned char kIcon9[] = {
    20, 20,
    0x00, 0x60, 0x00,
    0x03, 0xFC, 0x00,
    0x0E, 0x07, 0x00,
    0x18, 0x01, 0x80,
    0x30, 0x00, 0xC0,
    0x20, 0x00, 0x40,
    0x60, 0x00, 0x60,
    0x40, 0x00, 0x20,
    0x40, 0x00, 0x20,
    0xC0, 0x00, 0x30,
    0xC0, 0x00, 0x30,
    0x40, 0x00, 0x20,
    0x40, 0x00, 0x20,
    0x60, 0x00, 0x60,
    0x20, 0x00, 0x40,
    0x30, 0x00, 0xC0,
    0x18, 0x01, 0x80,
    0x0E, 0x07, 0x00,
    0x03, 0xFC, 0x00,
    0x00, 0x60, 0x00,
};

// 10: circle with a filled centre, 20 x 20
//   .........##.........
//   ......########......
//   ....###......###....
//   ...##..........##...
//   ..##............##..
//   ..#......##......#..
//   .##....######....##.
//   .#....########....#.
//   .#....########....#.
//   ##...##########...##
//   ##...##########...##
//   .#....########....#.
//   .#....########....#.
//   .##....######....##.
//   ..#......##......#..
//   ..##............##..
//   ...##..........##...
//   ....###......###....
//   ......########......
//   .........##.........
static const unsigned char kIcon10[] = {
    20, 20,
    0x00, 0x60, 0x00,
    0x03, 0xFC, 0x00,
    0x0E, 0x07, 0x00,
    0x18, 0x01, 0x80,
    0x30, 0x00, 0xC0,
    0x20, 0x60, 0x40,
    0x61, 0xF8, 0x60,
    0x43, 0xFC, 0x20,
    0x43, 0xFC, 0x20,
    0xC7, 0xFE, 0x30,
    0xC7, 0xFE, 0x30,
    0x43, 0xFC, 0x20,
    0x43, 0xFC, 0x20,
    0x61, 0xF8, 0x60,
    0x20, 0x60, 0x40,
    0x30, 0x00, 0xC0,
    0x18, 0x01, 0x80,
    0x0E, 0x07, 0x00,
    0x03, 0xFC, 0x00,
    0x00, 0x60, 0x00,
};

// 11: solid dot, 2 x 2
//   ##
//   ##
static const unsigned char kIcon11[] = {
    2, 2,
    0xC0,
    0xC0,
};

// 12: the letters Sh, 11 x 10
//   .###..#....
//   #...#.#....
//   #.....#....
//   #.....####.
//   .###..#...#
//   ....#.#...#
//   ....#.#...#
//   #...#.#...#
//   .###..#...#
//   ...........
static const unsigned char kIcon12[] = {
    11, 10,
    0x72, 0x00,
    0x8A, 0x00,
    0x82, 0x00,
    0x83, 0xC0,
    0x72, 0x20,
    0x0A, 0x20,
    0x0A, 0x20,
    0x8A, 0x20,
    0x72, 0x20,
    0x00, 0x00,
};

// 13: upward arrow over a base line, 9 x 11
//   ....#....
//   ...###...
//   ..#####..
//   .#######.
//   #########
//   ...###...
//   ...###...
//   ...###...
//   ...###...
//   .........
//   #########
static const unsigned char kIcon13[] = {
    9, 11,
    0x08, 0x00,
    0x1C, 0x00,
    0x3E, 0x00,
    0x7F, 0x00,
    0xFF, 0x80,
    0x1C, 0x00,
    0x1C, 0x00,
    0x1C, 0x00,
    0x1C, 0x00,
    0x00, 0x00,
    0xFF, 0x80,
};

// 14: leftward arrow from a bar, 12 x 9
//   ....#......#
//   ...##......#
//   ..###......#
//   .###########
//   ############
//   .###########
//   ..###......#
//   ...##......#
//   ....#......#
static const unsigned char kIcon14[] = {
    12, 9,
    0x08, 0x10,
    0x18, 0x10,
    0x38, 0x10,
    0x7F, 0xF0,
    0xFF, 0xF0,
    0x7F, 0xF0,
    0x38, 0x10,
    0x18, 0x10,
    0x08, 0x10,
};

// 15: return arrow, 10 x 8
//   .........#
//   .........#
//   ...#.....#
//   ..##.....#
//   .#########
//   ##########
//   .##.......
//   ..#.......
static const unsigned char kIcon15[] = {
    10, 8,
    0x00, 0x40,
    0x00, 0x40,
    0x10, 0x40,
    0x30, 0x40,
    0x7F, 0xC0,
    0xFF, 0xC0,
    0x60, 0x00,
    0x20, 0x00,
};

// 16: hourglass in a square, 11 x 11
//   ###########
//   #.........#
//   #.#######.#
//   #..#####..#
//   #...###...#
//   #....#....#
//   #...#.#...#
//   #..#...#..#
//   #.#######.#
//   #.........#
//   ###########
static const unsigned char kIcon16[] = {
    11, 11,
    0xFF, 0xE0,
    0x80, 0x20,
    0xBF, 0xA0,
    0x9F, 0x20,
    0x8E, 0x20,
    0x84, 0x20,
    0x8A, 0x20,
    0x91, 0x20,
    0xBF, 0xA0,
    0x80, 0x20,
    0xFF, 0xE0,
};

static const unsigned char* const kIcons[VU_MEMICON_COUNT] = {
    kIcon0, kIcon1, kIcon2, kIcon3, kIcon4, kIcon5, kIcon6, kIcon7, kIcon8,
    kIcon9, kIcon10, kIcon11, kIcon12, kIcon13, kIcon14, kIcon15, kIcon16,
};

vuMemIcon::vuMemIcon(unsigned short w, unsigned short h, const unsigned char* b, bool copy)
    : ownsBits(0), bits(nullptr)
{
    if (w == 0 || h == 0 || !b)
        return;
    if (copy) {
        size_t n = (size_t)h * ((w + 7u) / 8u);
        unsigned char* own = (unsigned char*)malloc(n);
        if (!own)
            return;
        memcpy(own, b, n);
        bits = own;
        ownsBits = 1;
    } else {
        bits = b;
    }
    width = w;
    height = h;
}

vuMemIcon::~vuMemIcon()
{
    if (ownsBits)
        free((void*)bits);
}

int vuMemIcon::GetSize() const
{
    int n = BaseSize((int)sizeof(vuMemIcon));
    if (bits)
        n += (int)height * ((width + 7) / 8);
    return n;
}

int vuMemIcon::Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                    short x, short y, unsigned short w, unsigned short h)
{
    return DrawBits(fb, port, srcX, srcY, x, y, w, h, width, height, bits, colour);
}

vuMemIcon* vuMemIcon::GetMemIcon(_VU_TypeMemIcon id)
{
    const unsigned char* rec = GetData(id);
    if (!rec)
        return nullptr;
    vuMemIcon* icon = new (std::nothrow) vuMemIcon(rec[0], rec[1], rec + 2, false);
    return icon;
}

unsigned short vuMemIcon::GetWidth(_VU_TypeMemIcon id)
{
    const unsigned char* rec = GetData(id);
    return rec ? rec[0] : 0;
}

unsigned short vuMemIcon::GetHeight(_VU_TypeMemIcon id)
{
    const unsigned char* rec = GetData(id);
    return rec ? rec[1] : 0;
}

const unsigned char* vuMemIcon::GetData(_VU_TypeMemIcon id)
{
    if ((unsigned)id >= VU_MEMICON_COUNT)
        return nullptr;
    return kIcons[id];
}

int vuMemIcon::DrawIcon(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                        short x, short y, unsigned short w, unsigned short h,
                        unsigned char* record, unsigned short c)
{
    if (!record)
        return -1;
    return DrawBits(fb, port, srcX, srcY, x, y, w, h, record[0], record[1], record + 2, c);
}

int vuMemIcon::DrawIcon(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                        short x, short y, unsigned short w, unsigned short h,
                        _VU_TypeMemIcon id, unsigned short c)
{
    const unsigned char* rec = GetData(id);
    if (!rec)
        return -1;
    return DrawBits(fb, port, srcX, srcY, x, y, w, h, rec[0], rec[1], rec + 2, c);
}

int vuMemIcon::DrawBits(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                        short x, short y, unsigned short w, unsigned short h,
                        unsigned imageW, unsigned imageH, const unsigned char* b, unsigned short c)
{
    if (!b)
        return -1;
    vuimg::Target t;
    if (!fb || !vuimg::GetTarget(fb, t))
        return -4;
    vuimg::Blit bl;
    if (!vuimg::ClipToPort(port, srcX, srcY, x, y, w, h, imageW, imageH, bl) || !vuimg::ClipToTarget(t, bl))
        return 0;
    const unsigned rowBytes = (imageW + 7) / 8;
    for (int r = 0; r < bl.h; ++r) {
        const unsigned char* row = b + (size_t)(bl.srcY + r) * rowBytes;
        unsigned short* out = t.At(bl.x, bl.y + r);
        for (int k = 0; k < bl.w; ++k) {
            unsigned col = (unsigned)(bl.srcX + k);
            if (row[col >> 3] & (0x80 >> (col & 7)))
                out[k] = c;
        }
    }
    return 0;
}
