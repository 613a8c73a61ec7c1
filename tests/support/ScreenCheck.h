// The screen check: is a screen readable and whole? Given the picture on the
// screen (RGB565, as the stand-in screen file holds it) and the "screen"
// line the program's trace wrote when it drew that screen (the widgets,
// rows and texts with their rectangles and text colours), it reports:
//   - every text whose contrast against the pixels around its glyphs is
//     under 4.5:1 (relative luminance as in WCAG 2, from the RGB565 colours
//     widened to 8 bits, as the screen shows them);
//   - every widget, header, icon or status object outside the screen;
//   - every widget crossing its form's client area or another widget;
//   - every one-line label of a static or button wider or higher than its
//     widget, every status-line text wider than its object, and a header
//     text that runs past the header or into (or up to) the close icon;
//   - every menu or list row cut by the edge of its list, and every
//     one-line row text wider than its row;
//   - every text or check/radio mark that touches or crosses the frame of
//     its framed widget (a pixel of its colour just inside the frame: on
//     any side for an entry field, on the left and right for the rows of
//     a list or multi-line text, which scroll past the top and bottom);
//   - every check or radio mark cut by its box;
//   - a multi-tap letter strip that leaves the screen or its form, or
//     covers the field it types into.
// Each failure is one line naming the screen and the text or widget.
#ifndef TESTS_SUPPORT_SCREEN_CHECK_H
#define TESTS_SUPPORT_SCREEN_CHECK_H

#include <stdint.h>

#include <string>
#include <vector>

namespace screencheck {

// The contrast a text needs.
constexpr double kMinContrast = 4.5;

// A picture of the screen as the user sees it, row after row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;

    uint16_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Relative luminance (0..1) of an RGB565 colour.
double Luminance(uint16_t rgb565);
// The contrast ratio of two RGB565 colours (1..21).
double Contrast(uint16_t a, uint16_t b);

// Reads the stand-in screen file (unrotated: width x height pixels,
// little-endian RGB565). False when it is missing or of another size.
bool ReadScreenFile(const std::string &path, int width, int height, Picture &out);

struct Result {
    std::vector<std::string> failures; // one line each; none: the screen passed
    double minContrast = 21;           // the worst text contrast found
    int texts = 0;                     // texts whose contrast was measured

    bool Passed() const { return failures.empty(); }
    // The failures, one per line.
    std::string Text() const;
};

// Checks one screen; `name` says which screen in the messages (for example
// "main menu at 320x240"). A trace line that is not a "screen" line, or a
// picture of another size, is a failure too.
Result Check(const std::string &name, const Picture &picture, const std::string &screenLine);

} // namespace screencheck

#endif
