// The touch-panel values that the terminal's touch driver turns into a given
// logical point of a w x h screen: the inverse of the driver's conversion,
// for the PC tools that play the panel. Header only.
#ifndef TOOLS_COMMON_PANEL_VALUES_H
#define TOOLS_COMMON_PANEL_VALUES_H

#include <cstdint>

struct PanelKind {
    bool resistive; // calibrated resistive panel ("ro.fac.touchscreen" = "resistive" or 0)
    bool rotated;   // "ro.fac.lcd.rotate" = 90 (used by raw panels only)
};

// Values of the panel's x axis (code 0) and y axis (code 1) for point (x, y).
inline void panelValues(PanelKind kind, int x, int y, int w, int h, int32_t &ax, int32_t &ay)
{
    if (kind.resistive) {
        // Calibrated panel: its x axis runs up the screen's height, 140 at
        // the bottom row, its y axis along the width from 280. Rounded up,
        // so the driver's truncating division lands on the same pixel.
        ax = 140 + static_cast<int32_t>((static_cast<long>(h - 1 - y) * 3760 + h - 1) / h);
        ay = 280 + static_cast<int32_t>((static_cast<long>(x) * 3570 + w - 1) / w);
    } else if (kind.rotated) {
        // Raw pixels of the panel, which is mounted turned by 90 degrees.
        ax = h - 1 - y;
        ay = x;
    } else {
        ax = x;
        ay = y;
    }
}

#endif
