// Fonts: VFN files, the built-in fonts, and drawing strings as strips of
// cells, on a frame buffer over plain memory.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "MemScreen.h"
#include "vuFreeTypeFont.h"
#include "vuMemFont.h"
#include "vuVFN.h"

namespace {

const uint16_t kSentinel = 0x1234;
const uint16_t kInk = 0xF800;

// A VFN file: header fields as given, then the glyph bytes.
std::string Vfn(const std::string& count, const std::string& height, const std::string& width,
                const std::string& glyphs) {
    return count + "\r\n" + height + "\r\n" + width + "\r\n\x1a" + glyphs;
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vu_font_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf " + dir_;
        (void)system(cmd.c_str());
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Pixels of the screen that carry ink, as (x, y) pairs.
    static std::vector<std::pair<int, int>> Inked(const MemScreen& fb) {
        std::vector<std::pair<int, int>> out;
        for (int y = 0; y < fb.GetHeight(); ++y)
            for (int x = 0; x < fb.GetWidth(); ++x)
                if (fb.At(x, y) != kSentinel) out.emplace_back(x, y);
        return out;
    }
    std::string dir_;
};

// ---- VFN files ------------------------------------------------------------

struct VfnCase {
    const char* name;
    std::string bytes;
    int setFont;    // SetFont result
    int width;      // cell after a successful load
    int height;
    int drawChar;   // DrawChar of code 1 after a successful load
};

TEST_F(FontTest, LoadsOrRefusesVfnFiles) {
    const std::string ink6x128(6 * 128, '\xff');
    const std::vector<VfnCase> cases = {
        {"EF002 means 128 glyphs", Vfn("EF002", "08", "06", ink6x128), 0, 6, 8, 0},
        {"count in digits", Vfn("00300", "08", "06", std::string(6 * 300, '\x01')), 0, 6, 8, 0},
        {"letter in the count", Vfn("00a00", "08", "06", ink6x128), -5, 0, 0, 0},
        {"zero count", Vfn("00000", "08", "06", ink6x128), -5, 0, 0, 0},
        {"zero width", Vfn("EF002", "08", "00", ink6x128), -5, 0, 0, 0},
        {"zero height", Vfn("EF002", "00", "06", ink6x128), -5, 0, 0, 0},
        {"sign in the width", Vfn("EF002", "08", "-6", ink6x128), -5, 0, 0, 0},
        {"LF CR instead of CR LF", "EF002\n\r08\r\n06\r\n\x1a" + ink6x128, -5, 0, 0, 0},
        {"no 0x1A", "EF002\r\n08\r\n06\r\n " + ink6x128, -5, 0, 0, 0},
        {"header of 15 bytes", Vfn("EF002", "08", "06", "").substr(0, 15), -5, 0, 0, 0},
        {"empty file", "", -5, 0, 0, 0},
        // A short glyph table loads the cell but no glyphs: every draw fails.
        {"short glyph data", Vfn("EF002", "08", "06", std::string(6 * 128 - 1, '\xff')), 0, 6, 8, -1},
        {"header only", Vfn("EF002", "08", "06", ""), 0, 6, 8, -1},
        {"count far beyond the data", Vfn("65535", "99", "99", ink6x128), 0, 99, 99, -1},
    };
    for (const VfnCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemScreen fb(32, 32, kSentinel);
        const std::string path = Write("f.vfn", c.bytes);
        vuFont* before = fb.GetFont(6);
        EXPECT_EQ(fb.SetFont(6, path.c_str()), c.setFont);
        vuFont* font = fb.GetFont(6);
        if (c.setFont != 0) {
            EXPECT_EQ(font, before);
            continue;
        }
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->GetWidth(), c.width);
        EXPECT_EQ(font->GetHeight(), c.height);
        EXPECT_EQ(font->DrawChar(&fb, 1, 0, 0, 0, 0, 8, 8, kInk), c.drawChar);
        vuViewPort all = {0, 0, 32, 32, 0, 0};
        EXPECT_EQ(font->DrawString(&fb, &all, "\x01", 0, 0, 0, 0, 0, 8, 8, kInk), c.drawChar);
    }
}

TEST_F(FontTest, GlyphCountLimitsTheCodesDrawn) {
    // 256 inked glyphs in the file, but EF002 announces 128: codes from 128
    // on draw nothing. "00300" announces 300: every byte code draws.
    struct {
        const char* count;
        unsigned glyphsInFile;
        bool code200Drawn;
    } cases[] = {{"EF002", 256, false}, {"00300", 300, true}, {"00201", 201, true}, {"00200", 200, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        vuVFN font(Write("c.vfn", Vfn(c.count, "08", "01", std::string(c.glyphsInFile, '\xff'))).c_str());
        MemScreen fb(4, 8, kSentinel);
        EXPECT_EQ(font.DrawChar(&fb, 127, 0, 0, 0, 0, 1, 8, kInk), 0);
        EXPECT_EQ(fb.At(0, 0), kInk);
        fb.Paint(kSentinel);
        EXPECT_EQ(font.DrawChar(&fb, static_cast<char>(200), 0, 0, 0, 0, 1, 8, kInk), 0);
        EXPECT_EQ(fb.At(0, 0) == kInk, c.code200Drawn);
    }
}

TEST_F(FontTest, GlyphBitsAreBandsOfEightRowsOneBytePerColumn) {
    // Width 3. A 7-row font has one band (3 bytes a glyph), a 9-row font two
    // (6 bytes). The files hold exactly count x glyph size bytes, so a wrong
    // glyph size would either not load the table or pick the wrong bytes.
    {
        // Glyph 1, 7 rows: column 0 rows 0 and 6, column 2 row 3.
        std::string glyphs = std::string("\0\0\0", 3) + std::string("\x41\x00\x08", 3);
        vuVFN font(Write("seven.vfn", Vfn("00002", "07", "03", glyphs)).c_str());
        MemScreen fb(8, 10, kSentinel);
        ASSERT_EQ(font.DrawChar(&fb, 1, 0, 0, 2, 1, 3, 7, kInk), 0);
        EXPECT_EQ(Inked(fb), (std::vector<std::pair<int, int>>{{2, 1}, {4, 4}, {2, 7}}));
    }
    {
        // Glyph 1, 9 rows: column 1 row 8 (second band), column 0 row 0.
        std::string glyphs = std::string(6, '\0') + std::string("\x01\x00\x00\x00\x01\x00", 6);
        vuVFN font(Write("nine.vfn", Vfn("00002", "09", "03", glyphs)).c_str());
        MemScreen fb(8, 12, kSentinel);
        ASSERT_EQ(font.DrawChar(&fb, 1, 0, 0, 2, 1, 3, 9, kInk), 0);
        EXPECT_EQ(Inked(fb), (std::vector<std::pair<int, int>>{{2, 1}, {3, 9}}));
        // Only the part from glyph column 1, row 8 on.
        fb.Paint(kSentinel);
        ASSERT_EQ(font.DrawChar(&fb, 1, 1, 8, 0, 0, 5, 5, kInk), 0);
        EXPECT_EQ(Inked(fb), (std::vector<std::pair<int, int>>{{0, 0}}));
    }
}

TEST_F(FontTest, ExtensionChoosesTheFontClass) {
    const std::string vfn = Vfn("EF002", "08", "06", std::string(6 * 128, '\xff'));
    struct {
        const char* name;
        int result;
    } cases[] = {{"upper.VFN", 0}, {"mixed.vFn", 0}, {"scalable.ttf", -5}, {"scalable.OTF", -5},
                 {"other.bin", -5}, {"novf", -5}, {"dotlessvfn", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemScreen fb(8, 8);
        vuFont* before = fb.GetFont(3);
        // Every file holds a good VFN: only the last three characters of the
        // name decide.
        EXPECT_EQ(fb.SetFont(3, Write(c.name, vfn).c_str()), c.result);
        if (c.result == 0)
            EXPECT_NE(fb.GetFont(3), before);
        else
            EXPECT_EQ(fb.GetFont(3), before);
    }
    MemScreen fb(8, 8);
    chdir(dir_.c_str());
    Write("fn", vfn);
    EXPECT_EQ(fb.SetFont(6, "fn"), -5);  // shorter than an extension
    EXPECT_EQ(fb.SetFont(6, ""), -5);
    EXPECT_EQ(fb.GetFont(6), nullptr);
}

TEST_F(FontTest, TerminalPathsAreMappedUnderTheRoot) {
    mkdir((dir_ + "/data").c_str(), 0755);
    Write("data/term.vfn", Vfn("EF002", "08", "06", std::string(6 * 128, '\xff')));
    setenv("TERMINAL_ROOT", dir_.c_str(), 1);
    MemScreen fb(8, 8);
    EXPECT_EQ(fb.SetFont(7, "/data/term.vfn"), 0);
    EXPECT_NE(fb.GetFont(7), nullptr);
}

TEST_F(FontTest, AFifoNamedAsAFontIsRefusedWithoutWaiting) {
    const std::string path = dir_ + "/pipe.vfn";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    MemScreen fb(8, 8);
    EXPECT_EQ(fb.SetFont(6, path.c_str()), -5);  // would block in open or read
    EXPECT_EQ(fb.SetFont(6, (dir_ + "/missing.vfn").c_str()), -5);
    EXPECT_EQ(fb.SetFont(6, dir_.c_str()), -5);  // a folder
}

// ---- font slots ---------------------------------------------------------------

TEST_F(FontTest, SlotsKeepTheBuiltInFontsFilled) {
    const std::string path = Write("s.vfn", Vfn("EF002", "10", "05", std::string(10 * 128, '\xff')));
    MemScreen fb(8, 8);
    EXPECT_EQ(fb.GetFont(12), nullptr);
    EXPECT_EQ(fb.SetFontEx(12, path.c_str(), 0, 0, 0, 0), -1);
    EXPECT_EQ(fb.SetFontEx(6, nullptr, 0, 0, 0, 0), -1);
    fb.DelFont(12);  // nothing to do, nothing breaks

    ASSERT_EQ(fb.SetFont(3, path.c_str()), 0);
    EXPECT_EQ(fb.GetFont(3)->GetWidth(), 5);
    fb.DelFont(3);
    ASSERT_NE(fb.GetFont(3), nullptr);
    EXPECT_EQ(fb.GetFont(3)->GetWidth(), 6);
    EXPECT_EQ(fb.GetFont(3)->GetHeight(), 8);

    ASSERT_EQ(fb.SetFont(7, path.c_str()), 0);
    vuFont* loaded = fb.GetFont(7);
    ASSERT_EQ(fb.SetFont(7, path.c_str()), 0);  // replaces the font before
    EXPECT_NE(fb.GetFont(7), loaded);
    fb.DelFont(7);
    EXPECT_EQ(fb.GetFont(7), nullptr);
}

// ---- font classes without glyphs ---------------------------------------------

TEST_F(FontTest, FontsWithoutGlyphsReportWhy) {
    MemScreen fb(8, 8, kSentinel);
    vuFreeTypeFont tt("x.ttf", 10, 12, 14, 16);
    EXPECT_EQ(tt.GetWidth(), 0);
    EXPECT_EQ(tt.GetHeight(), 0);
    EXPECT_EQ(tt.DrawChar(&fb, 'A', 0, 0, 0, 0, 8, 8, kInk), -5);
    EXPECT_EQ(tt.DrawChar(nullptr, 'A', 0, 0, 0, 0, 8, 8, kInk), -1);
    EXPECT_EQ(tt.DrawString(&fb, nullptr, "A", 0, 0, 0, 0, 0, 8, 8, kInk), -5);

    vuMemFont none(6);
    EXPECT_EQ(none.GetWidth(), 0);
    EXPECT_EQ(none.DrawChar(&fb, 'A', 0, 0, 0, 0, 8, 8, kInk), -5);
    EXPECT_EQ(none.DrawChar(nullptr, 'A', 0, 0, 0, 0, 8, 8, kInk), -1);
    EXPECT_EQ(none.DrawString(&fb, nullptr, "A", 0, 0, 0, 0, 0, 8, 8, kInk), -5);

    vuMemFont font(0);
    EXPECT_EQ(font.DrawString(nullptr, nullptr, "A", 0, 0, 0, 0, 0, 8, 8, kInk), -1);
    EXPECT_EQ(font.DrawString(&fb, nullptr, nullptr, 0, 0, 0, 0, 0, 8, 8, kInk), -1);
    fb.DropPixels(true);
    EXPECT_EQ(font.DrawChar(&fb, 'A', 0, 0, 0, 0, 6, 8, kInk), -4);
    vuViewPort port = {0, 0, 8, 8, 0, 0};
    EXPECT_EQ(font.DrawString(&fb, &port, "A", 0, 0, 0, 0, 0, 6, 8, kInk), -4);
    fb.DropPixels(false);
    EXPECT_EQ(Inked(fb).size(), 0u);
}

// ---- built-in fonts -------------------------------------------------------------

std::vector<uint16_t> Glyph(vuFont& font, unsigned code) {
    MemScreen fb(font.GetWidth(), font.GetHeight(), kSentinel);
    EXPECT_EQ(font.DrawChar(&fb, static_cast<char>(code), 0, 0, 0, 0, font.GetWidth(), font.GetHeight(), kInk), 0);
    return fb.Pixels();
}

bool Blank(const std::vector<uint16_t>& g) {
    for (uint16_t p : g)
        if (p != kSentinel) return false;
    return true;
}

TEST(MemFontTest, CellsOfTheSixKinds) {
    const int cells[7][2] = {{6, 8}, {12, 16}, {16, 24}, {6, 8}, {12, 16}, {16, 24}, {0, 0}};
    for (int k = 0; k < 7; ++k) {
        vuMemFont font(static_cast<unsigned char>(k));
        EXPECT_EQ(font.GetWidth(), cells[k][0]) << "kind " << k;
        EXPECT_EQ(font.GetHeight(), cells[k][1]) << "kind " << k;
    }
}

TEST(MemFontTest, FullFontsDrawEveryLetterDistinctly) {
    std::vector<unsigned> letters = {0xA8, 0xB8, 0xB9};  // Ё ё №
    for (unsigned c = 0xC0; c <= 0xFF; ++c) letters.push_back(c);
    for (unsigned c = 'A'; c <= 'Z'; ++c) letters.push_back(c);
    for (unsigned c = 'a'; c <= 'z'; ++c) letters.push_back(c);
    for (unsigned c = '0'; c <= '9'; ++c) letters.push_back(c);
    for (unsigned char k = 0; k < 3; ++k) {
        vuMemFont font(k);
        std::vector<std::vector<uint16_t>> seen;
        for (unsigned c : letters) {
            std::vector<uint16_t> g = Glyph(font, c);
            EXPECT_FALSE(Blank(g)) << "kind " << int(k) << " code " << std::hex << c;
            seen.push_back(g);
        }
        // Latin and Cyrillic look-alikes (A and А) may share a glyph; within
        // the Cyrillic block every letter differs.
        for (size_t i = 3; i < 3 + 64; ++i)
            for (size_t j = i + 1; j < 3 + 64; ++j)
                EXPECT_NE(seen[i], seen[j]) << "kind " << int(k) << " codes " << std::hex << letters[i] << " "
                                            << letters[j];
        EXPECT_NE(Glyph(font, 0xC5), Glyph(font, 0xA8));  // Е and Ё
        EXPECT_NE(Glyph(font, 'a'), Glyph(font, 'A'));
        EXPECT_TRUE(Blank(Glyph(font, ' ')));
    }
}

TEST(MemFontTest, PlainFontsShowCapitalsAndOnePlaceholder) {
    for (unsigned char k = 3; k < 6; ++k) {
        vuMemFont font(k);
        const std::vector<uint16_t> placeholder = Glyph(font, 0xC0);
        EXPECT_FALSE(Blank(placeholder));
        for (unsigned c = 0xC0; c <= 0xFF; ++c) EXPECT_EQ(Glyph(font, c), placeholder) << std::hex << c;
        EXPECT_EQ(Glyph(font, 0xA8), placeholder);
        EXPECT_EQ(Glyph(font, 0x80), placeholder);
        for (unsigned c = 'a'; c <= 'z'; ++c) EXPECT_EQ(Glyph(font, c), Glyph(font, c - 'a' + 'A'));
        EXPECT_NE(Glyph(font, 'A'), placeholder);
        EXPECT_NE(Glyph(font, 'A'), Glyph(font, 'B'));
        EXPECT_TRUE(Blank(Glyph(font, ' ')));
    }
}

// ---- strings ----------------------------------------------------------------------

const char kText[] = "Ab\xC6\xFF" "x1";  // A b Ж я x 1

// The whole string drawn at (0, 0) with nothing cut, cell by cell.
std::unique_ptr<MemScreen> Reference(vuFont& font, const char* text) {
    const unsigned n = strlen(text);
    auto out = std::make_unique<MemScreen>(static_cast<unsigned short>(font.GetWidth() * n), font.GetHeight(),
                                           kSentinel);
    MemScreen& ref = *out;
    for (unsigned i = 0; i < n; ++i)
        font.DrawChar(&ref, text[i], 0, 0, static_cast<short>(i * font.GetWidth()), 0, font.GetWidth(),
                      font.GetHeight(), kInk);
    return out;
}

TEST(DrawStringTest, AWholeStringIsItsCellsSideBySide) {
    vuMemFont font(1);
    auto refScreen = Reference(font, kText);
    const MemScreen& ref = *refScreen;
    MemScreen fb(ref.GetWidth(), ref.GetHeight(), kSentinel);
    vuViewPort all = {0, 0, fb.GetWidth(), fb.GetHeight(), 0, 0};
    EXPECT_EQ(font.DrawString(&fb, &all, kText, 0, 0, 0, 0, 0, fb.GetWidth(), fb.GetHeight(), kInk), 0);
    EXPECT_EQ(fb.Pixels(), ref.Pixels());
    EXPECT_GT(std::count(fb.Pixels().begin(), fb.Pixels().end(), kInk), 100);
}

TEST(DrawStringTest, WindowsIntoTheStripShowExactlyThatPart) {
    vuMemFont font(0);  // 6 x 8
    auto refScreen = Reference(font, kText);
    const MemScreen& ref = *refScreen;
    struct {
        const char* name;
        unsigned short srcX, srcY;
        short x, y;
        unsigned short w, h;
        unsigned short length;
    } cases[] = {
        {"whole strip", 0, 0, 3, 2, 36, 8, 0},
        {"from 1.5 cells: second character's right half first", 9, 0, 3, 2, 20, 8, 0},
        {"window ends inside a cell", 0, 0, 3, 2, 14, 8, 0},
        {"window inside one cell", 3, 0, 3, 2, 2, 8, 0},
        {"two columns inside the first cell", 1, 0, 3, 2, 2, 8, 0},
        {"two columns inside the third cell", 13, 0, 3, 2, 2, 8, 0},
        {"window across two cell parts", 4, 0, 3, 2, 4, 8, 0},
        {"rows from 3 on", 0, 3, 3, 2, 36, 8, 0},
        {"rows 2 to 5", 0, 2, 3, 2, 36, 4, 0},
        {"taller window than the cell", 7, 1, 3, 2, 30, 40, 0},
        {"length 3 stops after three cells", 0, 0, 3, 2, 36, 8, 3},
        {"left of the screen", 0, 0, -4, 2, 36, 8, 0},
        {"right of the screen", 0, 0, 30, 2, 36, 8, 0},
        {"below the screen", 0, 0, 3, 10, 36, 8, 0},
        {"above the screen", 0, 0, 3, -5, 36, 8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemScreen fb(48, 14, kSentinel);
        vuViewPort all = {0, 0, fb.GetWidth(), fb.GetHeight(), 0, 0};
        ASSERT_EQ(font.DrawString(&fb, &all, kText, c.length, c.srcX, c.srcY, c.x, c.y, c.w, c.h, kInk), 0);
        const unsigned visibleCells = c.length ? c.length : strlen(kText);
        for (int py = 0; py < fb.GetHeight(); ++py)
            for (int px = 0; px < fb.GetWidth(); ++px) {
                const int sx = px - c.x + c.srcX, sy = py - c.y + c.srcY;
                const bool inWindow = px >= c.x && px < c.x + c.w && py >= c.y && py < c.y + c.h;
                uint16_t want = kSentinel;
                if (inWindow && sx >= 0 && sx < ref.GetWidth() && sy >= 0 && sy < ref.GetHeight() &&
                    static_cast<unsigned>(sx) < visibleCells * font.GetWidth())
                    want = ref.At(sx, sy);
                ASSERT_EQ(fb.At(px, py), want) << "pixel " << px << "," << py;
            }
    }
}

TEST(DrawStringTest, PortClipsAndShiftsTheWindow) {
    vuMemFont font(0);
    auto refScreen = Reference(font, kText);
    const MemScreen& ref = *refScreen;
    MemScreen fb(48, 16, kSentinel);
    // Visible area x 10..29, y 4..9; everything drawn lands 5 right, 2 down.
    vuViewPort port = {10, 4, 20, 6, 5, 2};
    ASSERT_EQ(font.DrawString(&fb, &port, kText, 0, 0, 0, 0, 0, 36, 8, kInk), 0);
    for (int py = 0; py < fb.GetHeight(); ++py)
        for (int px = 0; px < fb.GetWidth(); ++px) {
            const bool visible = px >= 10 && px < 30 && py >= 4 && py < 10;
            const uint16_t want = visible ? ref.At(px - 5, py - 2) : kSentinel;
            ASSERT_EQ(fb.At(px, py), want) << "pixel " << px << "," << py;
        }
}

TEST(DrawStringTest, NothingToDraw) {
    vuMemFont font(0);
    MemScreen fb(48, 16, kSentinel);
    vuViewPort all = {0, 0, 48, 16, 0, 0};
    vuViewPort empty = {0, 0, 0, 16, 0, 0};
    EXPECT_EQ(font.DrawString(&fb, &all, kText, 0, 0, 8, 0, 0, 36, 8, kInk), 0);  // srcY = cell height
    EXPECT_EQ(font.DrawString(&fb, &all, kText, 0, 0, 0, 0, 0, 0, 8, kInk), 0);
    EXPECT_EQ(font.DrawString(&fb, &all, kText, 0, 0, 0, 0, 0, 36, 0, kInk), 0);
    EXPECT_EQ(font.DrawString(&fb, &empty, kText, 0, 0, 0, 0, 0, 36, 8, kInk), 0);
    EXPECT_EQ(font.DrawString(&fb, &all, "", 0, 0, 0, 0, 0, 36, 8, kInk), 0);
    EXPECT_EQ(font.DrawString(&fb, &all, kText, 0, 40, 0, 0, 0, 36, 8, kInk), 0);  // beyond the text
    // Without a UI the screen has no size: a null port shows nothing.
    EXPECT_EQ(font.DrawString(&fb, nullptr, kText, 0, 0, 0, 0, 0, 36, 8, kInk), 0);
    EXPECT_EQ(std::count(fb.Pixels().begin(), fb.Pixels().end(), kInk), 0);
}

TEST_F(FontTest, AFailingCharacterEndsTheStringWithItsResult) {
    // Glyph table short: the cell is known, every character fails.
    vuVFN font(Write("short.vfn", Vfn("EF002", "08", "06", "\xff")).c_str());
    MemScreen fb(48, 16, kSentinel);
    vuViewPort all = {0, 0, 48, 16, 0, 0};
    EXPECT_EQ(font.DrawString(&fb, &all, "AB", 0, 0, 0, 0, 0, 36, 8, kInk), -1);
    EXPECT_EQ(Inked(fb).size(), 0u);
}

}  // namespace
