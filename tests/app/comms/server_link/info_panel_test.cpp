// Progress lines in a multi-line field: the oldest lines go once the field
// is full; a field too low for any line still takes the line and ends.
#include <gtest/gtest.h>

#include "info_panel.h"
#include "vuMultiLine.h"
#include "widget_text.h"

#include <string>

namespace {

struct Case {
    int height;
    const char *before;
    const char *line;
    const char *after;
};

TEST(InfoPanel, KeepsAsManyLinesAsTheFieldHolds)
{
    EXPECT_EQ(info_panel_capacity(36), 3);
    EXPECT_EQ(info_panel_capacity(12), 0);
    const Case cases[] = {
        {36, "", "a", "a"},
        {36, "a", "b", "a\nb"},
        {36, "a\nb", "c", "a\nb\nc"},
        {36, "a\nb\nc", "d", "a\nb\nc\nd"},
        {36, "a\nb\nc\nd", "e", "b\nc\nd\ne"},   // three line ends: the first line goes
        {36, "a\nb\nc\n", "d", "b\nc\nd"},      // a line end closing the text
        {36, "a\nb\n\n\nc", "d", "\n\nc\nd"},  // four: two lines go
        {20, "a\nb", "c", "b\nc"},              // one line
        {12, "a\nb\nc", "d", "c\nd"},          // no line fits: drops all it can, then stops
        {4, "", "x", "x"},
        {4, "keep", "x", "keep\nx"},
    };
    for (const Case &c : cases) {
        vuMultiLine field(0, 0, 100, static_cast<unsigned short>(c.height), 1, c.before);
        info_panel_append(&field, c.line);
        EXPECT_EQ(std::string(widget_text(&field)), c.after) << c.height << " [" << c.before << "] + " << c.line;
    }
}

TEST(InfoPanel, TheTextStaysWithinItsBuffer)
{
    vuMultiLine field(0, 0, 100, 400, 1, "");
    std::string longLine(5000, 'x');
    info_panel_append(&field, longLine.c_str());
    EXPECT_EQ(std::string(widget_text(&field)).size(), 4095u);
    info_panel_append(&field, "y");
    EXPECT_EQ(std::string(widget_text(&field)), std::string(4095, 'x')) << "no room left for more";
    info_panel_append(nullptr, "y");
}

} // namespace
