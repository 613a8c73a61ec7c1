// Every screen under res/, drawn the way the program draws it (the toolkit's
// fast glyphs and primitives, the background left out under a form's filled
// body, the tiled rotated copy), against the same screen drawn by the
// pixel-by-pixel routines of ReferenceDrawing.h with the whole background
// painted: the back buffer and the bytes of the screen file must be the
// same, on a 240 x 320 and a 320 x 240 screen and on a panel mounted
// rotated. The reference is drawn from today's res/ in the same run, so the
// check follows the screens as they change.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ReferenceDrawing.h"
#include "loader_fixture.h"
#include "message_box.h"
#include "osal.h"
#include "ui_loader.h"
#include "vuColor.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuMenu.h"
#include "vuStatic.h"
#include "vuStatusLine.h"
#include "vuUI.h"

using namespace uitest;
using refdraw::ReferenceScreen;

namespace {

struct Panel {
    int w, h;     // logical screen
    bool rotated; // a w x h screen on an h x w panel turned by 90 degrees
};

class ScreenIdentity : public LoaderTest, public ::testing::WithParamInterface<Panel> {
protected:
    ScreenIdentity() : LoaderTest(GetParam().w, GetParam().h) {}

    void SetUp() override
    {
        LoaderTest::SetUp();
        if (GetParam().rotated) {
            // The same file, described as the panel it is.
            ASSERT_EQ(OsRegSetValue("osal.fb.xres", std::to_string(H).c_str()), 0);
            ASSERT_EQ(OsRegSetValue("osal.fb.yres", std::to_string(W).c_str()), 0);
            ASSERT_EQ(OsRegSetValue("ro.fac.lcd.rotate", "90"), 0);
        }
        ASSERT_EQ(chdir(CASHDESK_SOURCE_DIR), 0);
        start();
        int err = 99;
        ASSERT_NE(load_ui_file("./res/kkt_ui.xml", &err), nullptr);
        ASSERT_EQ(err, UI_LOAD_OK);
        ui = vuUI::GetUI();
    }

    // The screen file as logical pixels (turned back for a rotated panel).
    std::vector<uint16_t> screenFile()
    {
        std::vector<uint16_t> raw(static_cast<size_t>(W) * H);
        int fd = open((root.path + "/dev/graphics/fb0").c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(pread(fd, raw.data(), raw.size() * 2, 0), static_cast<ssize_t>(raw.size() * 2));
        close(fd);
        if (!GetParam().rotated)
            return raw;
        std::vector<uint16_t> logical(raw.size());
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                logical[static_cast<size_t>(y) * W + x] = raw[static_cast<size_t>(x) * H + (H - 1 - y)];
        return logical;
    }

    std::vector<uint16_t> backBuffer()
    {
        const uint16_t* px = ui->fb->GetFrameBuffer();
        return std::vector<uint16_t>(px, px + static_cast<size_t>(W) * H);
    }

    // The screen as vuUI::draw paints it, step by step with nothing left
    // out, into a reference frame buffer; the fonts of slots 6 to 11, if
    // any, are lent to it. For a form copied to the screen by itself, its
    // rectangle goes to copied (x, y, w, h).
    std::vector<uint16_t> referenceScreen(vuForm* f, int copied[4])
    {
        ReferenceScreen ref(static_cast<unsigned short>(W), static_cast<unsigned short>(H), 0x5A5A);
        vuFrameBuffer* real = ui->fb;
        for (unsigned slot = vuFrameBuffer::BUILTIN_FONTS; slot < vuFrameBuffer::FONT_SLOTS; ++slot)
            ref.PutFont(slot, real->GetFont(static_cast<unsigned short>(slot)));
        ui->fb = &ref;
        ref.UpdateClient();
        const uint16_t uiColour = static_cast<uint16_t>(vuColor::GetColor(VU_TYPE_UI, 0));
        if (vuImage* back = ui->background) {
            const int bw = back->GetWidth(), bh = back->GetHeight();
            const int ox = bw < W ? (W - bw) / 2 : 0, oy = bh < H ? (H - bh) / 2 : 0;
            if (ox || oy)
                ref.Fill(nullptr, 0, 0, static_cast<uint16_t>(W), static_cast<uint16_t>(H), uiColour, 0);
            back->Draw(&ref, nullptr, 0, 0, static_cast<short>(ox), static_cast<short>(oy),
                       static_cast<uint16_t>(bw), static_cast<uint16_t>(std::min(bh, H - oy)));
        } else {
            ref.Fill(nullptr, 0, 0, static_cast<uint16_t>(W), static_cast<uint16_t>(H), uiColour, 0);
        }
        if (vuStatusLine* line = ui->statusLine)
            if (!line->IsOption(VU_SL_HIDDEN))
                line->Draw(&ref);
        EXPECT_EQ(f->Draw(&ref), 0);
        if (f->IsOption(VU_FO_ALONE)) {
            f->ToScreen(&ref);
            for (int i = 0; i < 4; ++i)
                copied[i] = ref.copied[i];
        }
        ui->fb = real;
        for (unsigned slot = vuFrameBuffer::BUILTIN_FONTS; slot < vuFrameBuffer::FONT_SLOTS; ++slot)
            ref.PutFont(slot, nullptr, false);
        return ref.Pixels();
    }

    // Draws the form both ways and compares; the form belongs to the test.
    void expectSameScreen(vuForm* f, const std::string& what)
    {
        SCOPED_TRACE(what);
        ASSERT_NE(f, nullptr);
        // As the program shows a form.
        ASSERT_EQ(ui->Register(f), 0);
        f->Reset();
        // A first drawing lays the widgets out; from the second on, every
        // drawing shows the same.
        ASSERT_EQ(ui->draw(f, 0), 0);
        const std::vector<uint16_t> before = screenFile();
        ASSERT_EQ(ui->draw(f, 0), 0);
        const std::vector<uint16_t> shown = backBuffer(), screen = screenFile();
        int copied[4] = {0, 0, W, H};
        const std::vector<uint16_t> ref = referenceScreen(f, copied);
        ASSERT_EQ(ui->draw(f, 0), 0);
        EXPECT_EQ(backBuffer(), shown);
        EXPECT_TRUE(shown == ref) << differences(shown, ref);
        // The screen: the copied rectangle shows the reference, the rest
        // what was there before (a form drawn alone copies only itself).
        std::vector<uint16_t> want = before;
        for (int y = copied[1]; y < copied[1] + copied[3]; ++y)
            for (int x = copied[0]; x < copied[0] + copied[2]; ++x)
                want[static_cast<size_t>(y) * W + x] = ref[static_cast<size_t>(y) * W + x];
        EXPECT_TRUE(screen == want) << "screen file: " << differences(screen, want);
    }

    std::string differences(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) const
    {
        size_t n = 0, first = a.size();
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            if (a[i] != b[i]) {
                if (n++ == 0)
                    first = i;
            }
        if (!n)
            return "same";
        return std::to_string(n) + " pixels differ, the first at " + std::to_string(first % W) + "," +
               std::to_string(first / W);
    }

    vuUI* ui = nullptr;
};

std::vector<std::string> screenFiles()
{
    std::vector<std::string> files;
    if (DIR* d = opendir(CASHDESK_SOURCE_DIR "/res")) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".xml") == 0 && n != "kkt_ui.xml")
                files.push_back(n);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST_P(ScreenIdentity, EveryScreenUnderResDrawsAsTheReference)
{
    std::vector<std::string> files = screenFiles();
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        int err = 99;
        delete form;
        form = load_form_resource("./res/", name.c_str(), &err);
        expectSameScreen(form, name);
        // A menu drawn again with the highlight further down.
        if (form && form->GetType() == VU_TYPE_MENU) {
            vuEvent down = {};
            down.key = 108;
            form->HandleEvent(&down);
            form->HandleEvent(&down);
            expectSameScreen(form, name + " two rows down");
        }
    }
}

// The program's message boxes, built in code: full-size and half-size,
// plain and alert, with and without buttons.
TEST_P(ScreenIdentity, MessageBoxesDrawAsTheReference)
{
    const uint16_t kinds[] = {MB_OK | MB_CANCEL,          MB_OK | MB_YESNO | MB_ALERT, MB_NOWAIT,
                              MB_OK | MB_HALF | MB_FONT0, MB_HALF | MB_ALERT | MB_JUSTIFY1, MB_RAW_STATE | MB_JUSTIFY2};
    for (uint16_t flags : kinds) {
        delete form;
        form = build_message_box(ui, "\xC2\xCD\xC8\xCC\xC0\xCD\xC8\xC5",
                                 "\xD1\xEC\xE5\xED\xE0 \xEE\xF2\xEA\xF0\xFB\xF2\xE0 "
                                 "\xE1\xEE\xEB\xE5\xE5 24 \xF7\xE0\xF1\xEE\xE2. "
                                 "\xC7\xE0\xEA\xF0\xFB\xF2\xFC \xF1\xEC\xE5\xED\xF3?",
                                 flags, 0);
        expectSameScreen(form, "message box, flags " + std::to_string(flags));
    }
}

// Forms of the other kinds over the background: unfilled (shaded), filled
// but narrower than the screen, filled and taller than the client area, and
// with the status line hidden or at the bottom.
TEST_P(ScreenIdentity, FormsThatCoverPartOfTheScreen)
{
    struct Case {
        const char* what;
        unsigned short options;
        short x, y;
        unsigned short w, h;
        unsigned line; // 0 as loaded, 1 hidden, 2 at the bottom, 3 unfilled (the background shows
                       // through), 4 unfilled at the bottom
    } cases[] = {
        {"shaded dialog", VU_FO_HEADER | VU_FO_CANCEL, 10, 30, 200, 120, 0},
        {"filled, narrower than the screen", VU_FO_HEADER | VU_FO_FILL, 12, 20, 180, 150, 0},
        {"filled, whole client area", VU_FO_HEADER | VU_FO_FILL, 0, 0, 0, 0, 0},
        {"filled, no border", VU_FO_FILL | VU_FO_NO_BORDER, 0, 0, 0, 0, 0},
        {"filled, status line hidden", VU_FO_HEADER | VU_FO_FILL, 0, 0, 0, 0, 1},
        {"filled, status line at the bottom", VU_FO_HEADER | VU_FO_FILL, 0, 0, 0, 0, 2},
        {"filled, status line unfilled", VU_FO_HEADER | VU_FO_FILL, 0, 0, 0, 0, 3},
        {"filled, status line unfilled at the bottom", VU_FO_HEADER | VU_FO_FILL, 0, 0, 0, 0, 4},
        {"shaded, status line unfilled", VU_FO_HEADER, 0, 0, 0, 0, 3},
    };
    vuStatusLine* line = ui->statusLine;
    ASSERT_NE(line, nullptr);
    const bool filledLine = line->IsOption(VU_SL_FILL);
    for (const Case& c : cases) {
        line->ClearOption(VU_SL_HIDDEN | VU_SL_BOTTOM | VU_SL_FILL);
        if (filledLine && c.line < 3)
            line->SetOption(VU_SL_FILL);
        if (c.line == 1)
            line->SetOption(VU_SL_HIDDEN);
        if (c.line == 2 || c.line == 4)
            line->SetOption(VU_SL_BOTTOM);
        delete form;
        if (c.w)
            form = new vuChildForm(c.x, c.y, c.w, c.h, "\xC4\xE8\xE0\xEB\xEE\xE3", nullptr);
        else
            form = new vuForm("\xD4\xEE\xF0\xEC\xE0", nullptr);
        form->ClearOption(0xFFFF);
        form->SetOption(c.options);
        form->Add(new vuStatic(4, 4, 150, 20, "\xD1\xF3\xEC\xEC\xE0: 12.50", nullptr));
        expectSameScreen(form, c.what);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenIdentity,
                         ::testing::Values(Panel{240, 320, false}, Panel{320, 240, false}, Panel{320, 240, true}),
                         [](const ::testing::TestParamInfo<Panel>& info) {
                             return std::to_string(info.param.w) + "x" + std::to_string(info.param.h) +
                                    (info.param.rotated ? "Rotated" : "");
                         });

} // namespace
