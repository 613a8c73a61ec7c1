// Signature pad: brush and strokes in the bitmap, touch points from the real
// touch-panel driver in signature mode, drawing the ink, and the 1-bit BMP
// file it saves.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "MemScreen.h"
#include "ui_fixture.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuSignBox.h"
#include "vuTouchPad.h"
#include "vuUI.h"
#include "widget_fixture.h"

using namespace w1;

namespace {

// The pad's bitmap as text: '#' ink, '.' paper.
std::string art(const vuSignBox& pad)
{
    std::string s;
    for (int y = 0; y < pad.GetHeight(); ++y) {
        if (y)
            s += '/';
        for (int x = 0; x < pad.GetWidth(); ++x)
            s += pad.IsInked(x, y) ? '#' : '.';
    }
    return s;
}

std::vector<unsigned char> readFile(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back(static_cast<unsigned char>(c));
    fclose(f);
    return bytes;
}

uint32_t le32(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The 62 bytes that begin the file of a pad of 10 x 3 pixels (2 bytes per
// row, padded to 4): 62 + 3 x 4 = 74 bytes in all.
const unsigned char kHeader10x3[62] = {
    'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,  // file size, reserved, offset of the rows
    40, 0, 0, 0, 10, 0, 0, 0, 3, 0, 0, 0,            // header size, width, height
    1, 0, 1, 0, 0, 0, 0, 0, 12, 0, 0, 0,             // planes, bits, no compression, image size
    0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0,              // 3780 pixels per metre both ways
    0, 0, 0, 0, 0, 0, 0, 0,                          // colours used, important
    0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0,                 // white paper, black ink
};

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/vu_widgets4_XXXXXX";
        if (mkdtemp(tmpl))
            path = tmpl;
    }
    ~TempDir()
    {
        std::string cmd = "rm -rf '" + path + "'";
        if (!path.empty() && system(cmd.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", path.c_str());
    }
    std::string path;
};

} // namespace

TEST(SignBoxInk, BrushOfEachWidth)
{
    // A 6 x 5 pad; the brush cut at the bitmap's edges.
    struct Case {
        unsigned short width;
        short x, y;
        const char* ink;
    } cases[] = {
        {1, 2, 2, "....../....../..#.../....../......"},
        {2, 2, 2, "....../.##.../.##.../....../......"},
        {3, 2, 2, "....../.###../.###../.###../......"},
        {2, 0, 0, "#...../....../....../....../......"},
        {3, 0, 2, "....../##..../##..../##..../......"},
        {3, 5, 4, "....../....../....../....##/....##"},
        {3, 5, 0, "....##/....##/....../....../......"},
        {3, 0, 4, "....../....../....../##..../##...."},
    };
    for (const Case& c : cases) {
        vuSignBox pad(0, 0, 6, 5);
        pad.SetLineWidth(c.width);
        pad.makePoint(c.x, c.y);
        EXPECT_EQ(art(pad), c.ink) << "width " << c.width << " at " << c.x << "," << c.y;
    }
}

TEST(SignBoxInk, StrokesFollowBresenham)
{
    struct Case {
        short x0, y0, x1, y1;
        unsigned short width;
        const char* ink;
    } cases[] = {
        {0, 0, 5, 2, 1, "##..../..##../....##/....../......"},
        {5, 2, 0, 0, 1, "##..../..##../....##/....../......"},
        {1, 0, 1, 4, 1, ".#..../.#..../.#..../.#..../.#...."},
        {0, 4, 4, 0, 1, "....#./...#../..#.../.#..../#....."},
        {3, 3, 3, 3, 1, "....../....../....../...#../......"},
        {1, 1, 4, 1, 2, "#####./#####./....../....../......"},
    };
    for (const Case& c : cases) {
        vuSignBox pad(0, 0, 6, 5);
        pad.SetLineWidth(c.width);
        pad.makeLine(c.x0, c.y0, c.x1, c.y1);
        EXPECT_EQ(art(pad), c.ink) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
    }
}

TEST(SignBoxInk, LineWidthOnlyOneToThree)
{
    vuSignBox pad(0, 0, 8, 8);
    EXPECT_EQ(pad.GetLineWidth(), 3);
    for (unsigned short bad : {0, 4, 100}) {
        EXPECT_EQ(pad.SetLineWidth(bad), &pad);
        EXPECT_EQ(pad.GetLineWidth(), 3) << bad;
    }
    pad.SetLineWidth(1);
    pad.SetLineWidth(0);
    EXPECT_EQ(pad.GetLineWidth(), 1);
}

TEST(SignBoxFile, EmptyPadIsWhitePaper)
{
    TempDir dir;
    vuSignBox pad(0, 0, 10, 3);
    std::string path = dir.path + "/sign.bmp";
    // Saved before any reset: the bitmap is blank from the start.
    EXPECT_EQ(pad.SaveData(path.c_str()), 0);
    std::vector<unsigned char> expected(kHeader10x3, kHeader10x3 + 62);
    expected.resize(74, 0);
    EXPECT_EQ(readFile(path), expected);
}

TEST(SignBoxFile, InkedPadRowsBottomUp)
{
    TempDir dir;
    vuSignBox pad(0, 0, 10, 3);
    pad.SetLineWidth(1);
    pad.makePoint(0, 0);
    pad.makePoint(9, 2);
    pad.makePoint(8, 1);
    std::string path = dir.path + "/sign.bmp";
    EXPECT_EQ(pad.SaveData(path.c_str()), 0) << "ink put outside a touch does not sign the pad";
    std::vector<unsigned char> expected(kHeader10x3, kHeader10x3 + 62);
    const unsigned char rows[12] = {
        0x00, 0x40, 0, 0, // row 2: pixel 9
        0x00, 0x80, 0, 0, // row 1: pixel 8
        0x80, 0x00, 0, 0, // row 0: pixel 0
    };
    expected.insert(expected.end(), rows, rows + 12);
    EXPECT_EQ(readFile(path), expected);
}

TEST(SignBoxFile, RowSizesAndPadding)
{
    struct Case {
        unsigned short w, h;
        uint32_t rowBytes, padding;
    } cases[] = {
        {100, 2, 13, 3}, {32, 1, 4, 0}, {1, 1, 1, 3}, {8, 2, 1, 3}, {9, 1, 2, 2}, {33, 2, 5, 3}, {24, 1, 3, 1},
    };
    TempDir dir;
    for (const Case& c : cases) {
        vuSignBox pad(0, 0, c.w, c.h);
        EXPECT_EQ(pad.GetBytesPerRow(), c.rowBytes) << c.w;
        std::string path = dir.path + "/pad" + std::to_string(c.w) + ".bmp";
        ASSERT_EQ(pad.SaveData(path.c_str()), 0);
        std::vector<unsigned char> b = readFile(path);
        uint32_t image = c.h * (c.rowBytes + c.padding);
        ASSERT_EQ(b.size(), 62 + image) << c.w;
        EXPECT_EQ(le32(b, 2), 62 + image);
        EXPECT_EQ(le32(b, 18), c.w);
        EXPECT_EQ(le32(b, 22), c.h);
        EXPECT_EQ(le32(b, 34), image);
    }
}

TEST(SignBoxFile, Failures)
{
    TempDir dir;
    vuSignBox pad(0, 0, 10, 3);
    std::string missing = dir.path + "/no/such/dir/sign.bmp";
    EXPECT_EQ(pad.SaveData(missing.c_str()), -7);
    EXPECT_EQ(pad.SaveData(nullptr), -7);
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(pad.SaveData("/dev/full"), -9) << "a full device makes the first write short";
    }
    vuSignBox empty(0, 0, 0, 0);
    EXPECT_EQ(empty.SaveData((dir.path + "/x.bmp").c_str()), -2);
    EXPECT_EQ(empty.DrawItem(nullptr, nullptr), -1);
    MemScreen screen(20, 20);
    EXPECT_EQ(empty.DrawItem(&screen, nullptr), -2);
}

TEST(SignBoxFile, CreatedReadableAndWritableNotExecutable)
{
    TempDir dir;
    vuSignBox pad(0, 0, 10, 3);
    std::string path = dir.path + "/sign.bmp";
    mode_t old = umask(0);
    int r = pad.SaveData(path.c_str());
    umask(old);
    ASSERT_EQ(r, 0);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
}

// ---- touch --------------------------------------------------------------

// A full-screen form (client area from (1, 1)) with a pad at (10, 10) of
// 40 x 30 in it, so pad pixel (px, py) is screen pixel (11 + px, 11 + py).
// The touch panel is the stand-in FIFO read by the real driver.
class SignBoxTouch : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (HasFatalFailure())
            return;
        form = new vuForm();
        pad = new vuSignBox(10, 10, 40, 30);
        ASSERT_GE(form->Add(pad), 0);
        ASSERT_EQ(ui->Add(form), 0);
        form->Reset();
        vuTouchPad::SetSignMode(1);
    }

    // One poll of the driver after the given samples (screen points) were
    // written, optionally with the finger going down first; the event the
    // loop would build for it.
    vuEvent poll(uint8_t phase, std::vector<std::pair<int, int>> samples, bool down = false, bool up = false)
    {
        if (down)
            send(touchpad, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
        for (auto& p : samples) {
            send(touchpad, vuInputRecord::Absolute, vuInputRecord::AxisX, p.first);
            send(touchpad, vuInputRecord::Absolute, vuInputRecord::AxisY, p.second);
            send(touchpad, vuInputRecord::Sync, 0, 0);
        }
        if (up)
            send(touchpad, vuInputRecord::Key, vuInputRecord::TouchButton, 0);
        int x = 0, y = 0;
        vuTouchPad::GetState(&x, &y);
        vuEvent e;
        memset(&e, 0, sizeof e);
        e.phase = phase;
        e.x = samples.empty() ? lastX : samples.back().first;
        e.y = samples.empty() ? lastY : samples.back().second;
        lastX = e.x;
        lastY = e.y;
        return e;
    }

    int handle(vuEvent e) { return pad->HandleEvent(&e); }

    vuForm* form = nullptr;
    vuSignBox* pad = nullptr;
    int lastX = 0, lastY = 0;
};

TEST_F(SignBoxTouch, TapLeavesADotAndSelectsWhileDown)
{
    EXPECT_EQ(handle(poll(VU_PHASE_DOWN, {{21, 21}}, true)), 2);
    EXPECT_EQ(pad->IsSigned(), 1);
    EXPECT_TRUE(pad->IsSelect());
    EXPECT_EQ(handle(poll(VU_PHASE_UP, {}, false, true)), 2) << "lifting unselects";
    EXPECT_FALSE(pad->IsSelect());
    int inked = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            inked += pad->IsInked(x, y);
    EXPECT_EQ(inked, 9);
    for (int y = 9; y <= 11; ++y)
        for (int x = 9; x <= 11; ++x)
            EXPECT_TRUE(pad->IsInked(x, y)) << x << "," << y;
}

TEST_F(SignBoxTouch, PointOnTheLeftEdgeWithWidthThree)
{
    handle(poll(VU_PHASE_DOWN, {{11, 21}}, true));
    int inked = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            inked += pad->IsInked(x, y);
    EXPECT_EQ(inked, 6) << "a 2 x 3 block";
    EXPECT_TRUE(pad->IsInked(0, 9) && pad->IsInked(1, 11));
}

TEST_F(SignBoxTouch, StrokesJoinPointsAndBreakAtGaps)
{
    pad->SetLineWidth(1);
    // One poll with two samples: a line between them.
    EXPECT_EQ(handle(poll(VU_PHASE_DOWN, {{21, 21}, {25, 21}}, true)), 2);
    // A poll without new points ends the stroke.
    handle(poll(VU_PHASE_MOVE, {}));
    // The next point starts a new stroke: no line across the gap.
    EXPECT_EQ(handle(poll(VU_PHASE_MOVE, {{29, 21}})), 2);
    // And a stroke across a point outside the pad breaks there too.
    handle(poll(VU_PHASE_MOVE, {{21, 31}, {200, 150}, {25, 31}}));
    // Joined again within one poll, and across polls while points keep coming.
    handle(poll(VU_PHASE_MOVE, {{21, 35}}));
    handle(poll(VU_PHASE_MOVE, {{24, 35}}));
    std::string row10, row20, row24;
    for (int x = 8; x <= 20; ++x) {
        row10 += pad->IsInked(x, 10) ? '#' : '.';
        row20 += pad->IsInked(x, 20) ? '#' : '.';
        row24 += pad->IsInked(x, 24) ? '#' : '.';
    }
    EXPECT_EQ(row10, "..#####...#..");
    EXPECT_EQ(row20, "..#...#......");
    EXPECT_EQ(row24, "..####.......");
    EXPECT_TRUE(pad->IsInked(12, 22)) << "the stroke went on from the previous poll's last point";
}

TEST_F(SignBoxTouch, StrokeThroughTheClientCornerStaysJoined)
{
    // A pad at the form's client origin (screen (1, 1) inside the border):
    // its point (0, 0) is the client point (0, 0), an ordinary point of a
    // stroke, here one coming in along the top edge and going down the left.
    vuSignBox* corner = new vuSignBox(0, 0, 8, 8);
    ASSERT_GE(form->Add(corner), 0);
    corner->Reset();
    corner->SetLineWidth(1);
    vuEvent e = poll(VU_PHASE_DOWN, {{5, 1}, {1, 1}, {1, 5}}, true);
    EXPECT_EQ(corner->HandleEvent(&e), 2);
    std::string top, left;
    for (int i = 0; i <= 5; ++i) {
        top += corner->IsInked(i, 0) ? '#' : '.';
        left += corner->IsInked(0, i) ? '#' : '.';
    }
    EXPECT_EQ(top, "#####.");
    EXPECT_EQ(left, "#####.") << "the stroke goes on from the corner point";
}

TEST_F(SignBoxTouch, ClearKeyWipesThePad)
{
    handle(poll(VU_PHASE_DOWN, {{21, 21}}, true));
    handle(poll(VU_PHASE_UP, {}, false, true));
    ASSERT_EQ(pad->IsSigned(), 1);
    vuEvent e;
    memset(&e, 0, sizeof e);
    e.key = 8;
    EXPECT_EQ(pad->HandleEvent(&e), 2);
    EXPECT_EQ(e.handled, 1);
    EXPECT_EQ(pad->IsSigned(), 0);
    EXPECT_FALSE(pad->IsInked(10, 10));
}

TEST_F(SignBoxTouch, TouchOutsideDoesNotInk)
{
    EXPECT_EQ(handle(poll(VU_PHASE_DOWN, {{100, 100}}, true)), 0);
    EXPECT_EQ(pad->IsSigned(), 0);
    EXPECT_FALSE(pad->IsSelect());
}

TEST_F(SignBoxTouch, InkDrawnInActiveColourWhileTouched)
{
    pad->SetPassiveColor(FRONT, BACK);
    pad->SetActiveColor(AFRONT, ABACK);
    pad->SetLineWidth(1);
    clearScreen();
    EXPECT_EQ(pad->Draw(fb()), 0);
    EXPECT_EQ(box(FRONT).empty(), true) << "an unsigned pad draws its back only";
    EXPECT_EQ(box(BACK).x0, 11);

    handle(poll(VU_PHASE_DOWN, {{21, 21}, {25, 21}}, true));
    EXPECT_EQ(pad->Draw(fb()), 0);
    EXPECT_EQ(row(21, 19, 27), "bbfffffbb") << "selected: active colours";
    handle(poll(VU_PHASE_UP, {}, false, true));
    EXPECT_EQ(pad->Draw(fb()), 0);
    EXPECT_EQ(row(21, 19, 27), "BBFFFFFBB");

    MemScreen noPixels(SW, SH);
    noPixels.DropPixels(true);
    EXPECT_EQ(pad->DrawItem(&noPixels, nullptr), -4);
}

TEST_F(SignBoxTouch, FormSwitchesSignMode)
{
    // The form reports its pad, which puts the touch panel into signature
    // mode while it is shown.
    EXPECT_EQ(form->IsSign(), 1);
}

namespace {

// Scripted finger for the modal loop: each pass of the loop writes what the
// next poll of the touch panel reads.
int g_signPass = 0;
int g_fd = -1;

void record(uint16_t type, uint16_t code, int32_t value)
{
    vuInputRecord rec{0, 0, type, code, value};
    if (write(g_fd, &rec, sizeof rec) != static_cast<ssize_t>(sizeof rec))
        ADD_FAILURE() << "touch FIFO write";
}

void sample(int x, int y)
{
    record(vuInputRecord::Absolute, vuInputRecord::AxisX, x);
    record(vuInputRecord::Absolute, vuInputRecord::AxisY, y);
    record(vuInputRecord::Sync, 0, 0);
}

int signScript(vuEvent*, intptr_t)
{
    switch (g_signPass++) {
    case 0:
        record(vuInputRecord::Key, vuInputRecord::TouchButton, 1);
        sample(21, 21);
        return 0;
    case 1:
        sample(31, 26);
        return 0;
    case 2:
        record(vuInputRecord::Key, vuInputRecord::TouchButton, 0);
        return 0;
    case 3:
        return 0;
    default:
        return 1;
    }
}

} // namespace

TEST_F(SignBoxTouch, ModalLoopSignsAndSaves)
{
    // The loop itself switches the panel into signature mode for a form
    // holding a pad; the pad joins the points of successive polls.
    vuTouchPad::SetSignMode(0);
    pad->SetLineWidth(1);
    g_signPass = 0;
    g_fd = touchpad;
    EXPECT_EQ(ui->Show(form, signScript), 1) << "the loop's own result in the caller's thread";
    EXPECT_EQ(form->GetState(), 1);
    EXPECT_EQ(pad->IsSigned(), 1);
    EXPECT_FALSE(pad->IsSelect()) << "the finger was lifted";
    // One line from pad point (10, 10) to (20, 15): a pixel in each column.
    int inked = 0;
    for (int x = 0; x < 40; ++x) {
        int inColumn = 0;
        for (int y = 0; y < 30; ++y)
            inColumn += pad->IsInked(x, y);
        EXPECT_EQ(inColumn, x >= 10 && x <= 20 ? 1 : 0) << x;
        inked += inColumn;
    }
    EXPECT_EQ(inked, 11);
    EXPECT_TRUE(pad->IsInked(10, 10) && pad->IsInked(20, 15));

    // A terminal path: it lands under the terminal root.
    EXPECT_EQ(pad->SaveData("/data/sign.bmp"), 1);
    std::vector<unsigned char> b = readFile(root.path + "/data/sign.bmp");
    ASSERT_EQ(b.size(), 62u + 30 * 8) << "40 pixels: 5 bytes a row, 3 of padding";
    // Row 10 of the pad is file row 19 from the bottom: pixel 10 is bit 5 of
    // its second byte.
    EXPECT_EQ(b[62 + 19 * 8 + 1] & 0x20, 0x20);
}
