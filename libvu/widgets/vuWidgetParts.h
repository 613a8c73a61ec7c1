// vuWidgetParts: small pieces that widgets, forms, menu items and status
// objects share: sizes clamped to their fields, owned text copies, owned
// images, flag bits, the justify nibble, the centred back image, line
// breaking of item texts, and the keypad model.
#ifndef VU_WIDGET_PARTS_H
#define VU_WIDGET_PARTS_H

class vuFrameBuffer;
class vuImage;
struct vuViewPort;

// A size or offset computed in int, clamped to an unsigned short field.
inline unsigned short vuClampSize(int v)
{
    return static_cast<unsigned short>(v < 0 ? 0 : (v > 0xFFFF ? 0xFFFF : v));
}
// A scroll range computed in int, clamped to 0..0x7FFF.
inline short vuClampRange(int v)
{
    return static_cast<short>(v < 0 ? 0 : (v > 0x7FFF ? 0x7FFF : v));
}

// A copy of text; null for null.
char* vuCopyText(const char* text);
// Puts a copy of text (null for null) into slot, then frees what the slot
// held: text may be the slot's own.
void vuReplaceText(char*& slot, const char* text);
// Releases the image the slot holds and puts image there; handing over the
// image held already changes nothing (it is not released).
void vuReplaceImage(vuImage*& slot, vuImage* image);
// Sets or clears bit in flags.
void vuSetFlag(unsigned short& flags, unsigned short bit, bool on);
// Puts the justify bits (0x1 left, 0x2 right, 0x4 top, 0x8 bottom) into the
// top four bits of word; opposite sides together change nothing.
void vuSetJustifyBits(unsigned short& word, unsigned char bits);
// Draws image centred in the rectangle (x, y, w, h) through port: a larger
// image is cut evenly on both sides, a smaller one is inset. The image's
// drawing result.
int vuDrawCentred(vuFrameBuffer* fb, vuViewPort* port, vuImage* image, short x, short y, unsigned short w,
                  unsigned short h);
// Length of the line of text that begins at start (which must lie inside
// the text); next receives where the following line begins, 0 at the end
// of the text. A line ends at a line feed (a carriage return before it is
// not counted; a feed that would leave the line empty does not end it), at
// the end of the text, or, with wrap, once it reaches limit characters:
// after the last space or punctuation mark past its first character (the
// mark stays on the line, a space does not), else at limit. With wrap and
// limit 0 the result is 0.
unsigned short vuBreakLine(const char* text, unsigned short start, unsigned short& next, unsigned short limit,
                           bool wrap);
// The terminal's model ("ro.fac.pn") begins with "D200": its keypad has
// other codes for moving and lacks the point, sign and next keys.
bool vuIsD200Keypad();

#endif
