// The root container of everything on screen: its size is the screen's, it
// holds the RGB565 pixel memory all drawing writes into, the twelve font
// slots widgets draw their text with, and the drawing primitives.
//
// The class is abstract: the pixel memory, the copies to the screen and the
// primitives come from the platform subclass that Init creates. The base
// offers the primitives' drawing into pixel memory (MemLine, MemFill,
// MemShadow, MemBorder) for subclasses whose back buffer is plain memory.
#ifndef VU_FRAMEBUFFER_H
#define VU_FRAMEBUFFER_H

#include <stdint.h>

#include "vuExport.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"

class vuFont;

class VU_API vuFrameBuffer : public vuViewContainerObject {
public:
    enum { FONT_SLOTS = 12, BUILTIN_FONTS = 6 };

    // Container at (0, 0) of w x h; no pixel memory; slots 0 to 5 hold the
    // built-in fonts of kind 0 to 5, slots 6 to 11 are empty.
    vuFrameBuffer(unsigned short w, unsigned short h);
    // Deletes every font, then the container with its children.
    ~vuFrameBuffer() override;

    // Creates the platform frame buffer of the given logical size.
    static vuFrameBuffer* Init(unsigned short w, unsigned short h);

    _VU_TypeObject GetType() const override;  // VU_TYPE_UI

    // Recomputes the client area around the status line (top or bottom,
    // unless hidden); the client width is left alone.
    virtual void UpdateClient();
    // The font of a slot; null for an empty slot or a slot above 11.
    virtual vuFont* GetFont(unsigned short slot);
    // SetFontEx(slot, path, 0, 0, 0, 0).
    virtual int SetFont(unsigned short slot, const char* path);
    // Loads a font file into a slot by its extension ("vfn"; "ttf" and "otf"
    // are refused as they never load). 0; -1 null path or slot above 11;
    // -5 another extension or a font that did not load. The slot keeps its
    // font unless the new one loaded.
    virtual int SetFontEx(unsigned short slot, const char* path, int a, int b, int c, int d);
    // Deletes the slot's font; slots 0 to 5 get their built-in font back.
    virtual void DelFont(unsigned short slot);

    // Copies the whole pixel memory, rows y .. y + rows - 1, or a rectangle
    // to the screen.
    virtual int ToScreen() = 0;
    virtual int ToScreen(unsigned short y, unsigned short rows) = 0;
    virtual int ToScreen(unsigned short x, unsigned short y, unsigned short w, unsigned short h) = 0;
    // Drawing into pixel memory, clipped to the view port (null: the screen).
    virtual int Line(vuViewPort* port, short x1, short y1, short x2, short y2, unsigned short colour,
                     unsigned short style) = 0;
    virtual int Fill(vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
                     unsigned short colour, unsigned short unused) = 0;
    virtual int Shadow(vuViewPort* port, short x, short y, unsigned short w, unsigned short h) = 0;
    virtual int Border(vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
                       unsigned short colour) = 0;

    // Pixel memory (row-major RGB565) and its stride in bytes.
    uint16_t* GetFrameBuffer() { return frameBuffer; }
    uint32_t GetWidthInBytes() { return widthInBytes; }

    // Line style bits.
    enum { LINE_DOUBLE = 0x1, LINE_DOTTED = 0x2 };

protected:
    // The primitives drawn into pixel memory. Each returns -4 without pixel
    // memory, else 0. Besides the view port, every pixel is kept inside the
    // frame buffer's own width x height.
    //   MemLine: horizontal and vertical lines leave out their larger end;
    //     LINE_DOUBLE repeats them on the next row or column while that is
    //     inside the clip area; LINE_DOTTED sets only pixels where x + y is
    //     odd; any other line is drawn (both ends included) only when both
    //     ends lie inside the clip area. Coinciding ends draw nothing.
    //   MemFill: every pixel of the clipped rectangle takes the colour.
    //   MemShadow: every RGB565 channel of the clipped rectangle is halved.
    //   MemBorder: the edges clipping left in place, each as long as the
    //     clipped side.
    int MemLine(vuViewPort* port, short x1, short y1, short x2, short y2, unsigned short colour,
                unsigned short style);
    int MemFill(vuViewPort* port, short x, short y, unsigned short w, unsigned short h, unsigned short colour);
    int MemShadow(vuViewPort* port, short x, short y, unsigned short w, unsigned short h);
    int MemBorder(vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
                  unsigned short colour);

    uint16_t* frameBuffer;   // pixel memory, null until the subclass supplies it
    uint32_t widthInBytes;   // stride
    void* lineBuffer;        // one-row scratch buffer of the subclass
    vuFont* fonts[FONT_SLOTS];
};

#endif
