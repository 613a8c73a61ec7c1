// Fixture of the entry-field, keyboard and list tests: the toolkit in the
// caller's thread over the stand-in devices (the widget tests' UI fixture),
// plus a "code font" in slot 7 whose glyphs spell their own character code
// down their first column, so a test reads the text a widget drew back off
// the screen.
#ifndef TESTS_VU_WIDGETS3_W3_FIXTURE_H
#define TESTS_VU_WIDGETS3_W3_FIXTURE_H

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>

#include "osal.h"
#include "test_events.h"
#include "ui_fixture.h"
#include "vuEvent.h"

namespace w3 {

using namespace w1;

// Cell of the code font.
constexpr int KW = 8, KH = 8;
constexpr unsigned short CODE_FONT = 7;

// Glyph c: column 0 holds the bits of c (row n = bit n), the rest is empty.
inline std::string writeCodeFont(const std::string& root)
{
    mkdir((root + "/data").c_str(), 0777);
    std::string path = root + "/data/code.vfn";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return "";
    fprintf(f, "00256\r\n%02d\r\n%02d\r\n\x1a", KH, KW);
    for (int c = 0; c < 256; ++c) {
        fputc(c, f);
        for (int i = 1; i < KW; ++i)
            fputc(0, f);
    }
    fclose(f);
    return "/data/code.vfn";
}

class W3Test : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (HasFatalFailure())
            return;
        std::string font = writeCodeFont(root.path);
        ASSERT_EQ(ui->SetFileFont(CODE_FONT, font.c_str()), 0);
    }

    // The keypad model the fields read when they are built.
    void setTerminal(const char* model) { ASSERT_EQ(OsRegSetValue("ro.fac.pn", model), 0); }

    // The character drawn in colour c by the code font with its cell at
    // (x, y); 0 when nothing is there.
    int charAt(int x, int y, uint16_t c)
    {
        int code = 0;
        for (int r = 0; r < KH; ++r)
            if (at(x, y + r) == c)
                code |= 1 << r;
        return code;
    }

    // n cells from (x, y), '.' for an empty cell.
    std::string textAt(int x, int y, int n, uint16_t c)
    {
        std::string s;
        for (int i = 0; i < n; ++i) {
            int ch = charAt(x + i * KW, y, c);
            s += ch ? static_cast<char>(ch) : '.';
        }
        return s;
    }
};

} // namespace w3

#endif
