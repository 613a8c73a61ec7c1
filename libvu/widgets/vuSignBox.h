// vuSignBox: a signature pad. While its form is shown the touch panel runs in
// signature mode and hands over every raw point of each poll; the pad joins
// them into strokes in a 1-bit bitmap of its own size, draws the ink over its
// back, and saves the bitmap as a monochrome BMP file (white paper, black
// ink). The clear key wipes it.
#ifndef VU_SIGN_BOX_H
#define VU_SIGN_BOX_H

#include <stdint.h>

#include "vuExport.h"
#include "vuWidget.h"

class VU_API vuSignBox : public vuWidget {
public:
    // A zeroed bitmap of the widget's size, unsigned, line width 3,
    // selectable, the sign-box colours of the form table.
    vuSignBox(short x, short y, unsigned short w, unsigned short h);
    ~vuSignBox() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    // Clears the bitmap; unsigned; no stroke in progress.
    void Reset() override;
    // The ink pixels in the active front colour while selected, else the
    // passive front colour. 0 (also when unsigned); -1 without a frame
    // buffer; -2 without a bitmap; -4 without pixel memory.
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;
    // Touch: selected while a finger is on the pad, every signature point
    // of the poll inked; the clear key (8) resets. 2 for a redraw, else 0.
    int HandleEvent(vuEvent* e) override;

    // Brush size 1 to 3; other values keep the present one. Returns the pad.
    virtual vuSignBox* SetLineWidth(unsigned short w);
    // 1 once ink has been put since the last reset.
    virtual unsigned char IsSigned();
    // Writes the bitmap as a 1-bit BMP file. The signed byte (0 or 1) on
    // success; -2 without a bitmap; -7 when the file cannot be opened; -9 on
    // a short write (the partial file stays).
    virtual int SaveData(const char* path);

    // Inks the brush at a bitmap point (inside the bitmap).
    void makePoint(short px, short py);
    // Inks a Bresenham line between two bitmap points, both ends included.
    void makeLine(short x0, short y0, short x1, short y1);

    // Read access for tests and tools.
    const uint8_t* GetBitmap() const { return bitmap; }
    unsigned short GetBytesPerRow() const { return bytesPerRow; }
    unsigned short GetLineWidth() const { return lineWidth; }
    // True when the bitmap pixel (px, py) holds ink.
    bool IsInked(int px, int py) const;

private:
    void setPixel(int px, int py);

    uint8_t* bitmap;         // height rows of bytesPerRow bytes, MSB leftmost
    unsigned char isSigned;
    unsigned short lineWidth;
    unsigned short bytesPerRow;
    short lastX, lastY;      // last inked point of the stroke, parent's client coordinates
    bool inStroke;           // a stroke is in progress (lastX, lastY valid)
};

#endif
