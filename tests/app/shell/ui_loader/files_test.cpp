// The loader's files: error codes, which top-level element is built, the
// orientation sections, the screen-size file search and the UI root.
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "loader_fixture.h"
#include "ui_loader.h"
#include "vuColor.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuStatusLine.h"
#include "vuUI.h"

using namespace uitest;

namespace {

class FilesTest : public LoaderTest {
protected:
    void SetUp() override
    {
        LoaderTest::SetUp();
        start();
    }
};

struct FormCase {
    const char* what;
    const char* text; // null: no file at all
    int err;
    const char* header; // header text of the form built, when one is
};

const FormCase kFormCases[] = {
    {"missing file", nullptr, UI_LOAD_NO_FILE, nullptr},
    {"empty file", "", UI_LOAD_BAD_XML, nullptr},
    {"unclosed element", "<?xml version=\"1.0\"?>\n<FORM><TEXT>A</TEXT>", UI_LOAD_BAD_XML, nullptr},
    {"mismatched end tag", "<FORM><TEXT>A</STATIC></FORM>", UI_LOAD_BAD_XML, nullptr},
    {"a stray empty end tag", "<FORM><TEXT>A</TEXT></FORM></>left over", UI_LOAD_BAD_XML, nullptr},
    {"only a lower-case form", "<?xml version=\"1.0\"?>\n<form><TEXT>A</TEXT></form>", UI_LOAD_NOTHING, nullptr},
    {"no form at all", "<?xml version=\"1.0\"?>\n<UI/>", UI_LOAD_NOTHING, nullptr},
    {"a form", "<?xml version=\"1.0\"?>\n<FORM><TEXT>A</TEXT></FORM>", UI_LOAD_OK, "A"},
    {"a form below other elements", "<X><Y><FORM><TEXT>B</TEXT></FORM></Y></X>", UI_LOAD_OK, "B"},
    {"FORM wins over an earlier CHILDFORM",
     "<R><CHILDFORM frame=\"0,0,10,10\"><TEXT>C</TEXT></CHILDFORM><FORM><TEXT>F</TEXT></FORM></R>", UI_LOAD_OK,
     "F"},
    {"a child form alone", "<R><CHILDFORM frame=\"0,0,10,10\"><TEXT>C</TEXT></CHILDFORM></R>", UI_LOAD_OK, "C"},
    {"the first of two forms", "<R><FORM><TEXT>1</TEXT></FORM><FORM><TEXT>2</TEXT></FORM></R>", UI_LOAD_OK, "1"},
    {"a comment before the form", "<!-- <FORM><TEXT>X</TEXT></FORM> -->\n<FORM><TEXT>Y</TEXT></FORM>", UI_LOAD_OK,
     "Y"},
};

TEST_F(FilesTest, ErrorCodesAndTheElementBuilt)
{
    for (const FormCase& c : kFormCases) {
        SCOPED_TRACE(c.what);
        std::string path = root.path + "/case.xml";
        unlink(path.c_str());
        if (c.text)
            file("case.xml", c.text);
        int err = 99;
        vuForm* f = load_form_file(path.c_str(), &err);
        EXPECT_EQ(err, c.err);
        ASSERT_EQ(f != nullptr, c.header != nullptr);
        if (f) {
            ASSERT_NE(f->GetHeaderText(), nullptr);
            EXPECT_STREQ(f->GetHeaderText(), c.header);
        }
        delete f;
        // The same through the resource search.
        err = 99;
        f = load_form_resource(root.path.c_str(), "case.xml", &err);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(f != nullptr, c.header != nullptr);
        delete f;
    }
}

TEST_F(FilesTest, NullErrorPointerAndNullPathAreAccepted)
{
    EXPECT_EQ(load_form_file(nullptr, nullptr), nullptr);
    EXPECT_EQ(load_form_file((root.path + "/none.xml").c_str(), nullptr), nullptr);
    int err = 0;
    EXPECT_EQ(load_form_file(nullptr, &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_NO_FILE);
    EXPECT_EQ(load_form_resource(nullptr, "x.xml", &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_NO_FILE);
}

// A file whose sections are chosen by the screen's shape.
const char kSections[] = "<?xml version=\"1.0\"?>\n"
                         "<SECTION orientation=\"Landscape\"><FORM><TEXT>L</TEXT></FORM></SECTION>\n"
                         "<SECTION orientation=\"PORTRAIT\"><FORM><TEXT>P</TEXT></FORM></SECTION>\n";

TEST_F(FilesTest, TallScreenTakesTheLandscapeSection)
{
    vuForm* f = loadForm(kSections);
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->GetHeaderText(), "L");
}

// The section names are the other way round from the screen's shape: a
// screen wider than high takes the "portrait" one.
class WideFilesTest : public LoaderTest {
protected:
    WideFilesTest() : LoaderTest(320, 240) {}
    void SetUp() override
    {
        LoaderTest::SetUp();
        start();
    }
};

TEST_F(WideFilesTest, WideScreenTakesThePortraitSection)
{
    vuForm* f = loadForm(kSections);
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->GetHeaderText(), "P");
}

TEST_F(FilesTest, WithoutOrientationTheFirstFormOfTheFileIsBuilt)
{
    vuForm* f = loadForm("<A><FORM><TEXT>1</TEXT></FORM></A><B orientation=\"square\"><FORM><TEXT>2</TEXT></FORM></B>");
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->GetHeaderText(), "1");
}

TEST_F(FilesTest, TheSectionItselfIsNeverTheForm)
{
    // A FORM carrying the orientation is the search root, not a match.
    int err = 0;
    EXPECT_EQ(loadForm("<FORM orientation=\"landscape\"><TEXT>X</TEXT></FORM>", &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_NOTHING);
}

TEST_F(FilesTest, ResourceSearchIgnoresOrientation)
{
    file("kkt_dlg_o.xml", kSections);
    int err = 0;
    form = load_form_resource(root.path.c_str(), "kkt_dlg_o.xml", &err);
    ASSERT_NE(form, nullptr);
    EXPECT_STREQ(form->GetHeaderText(), "L"); // the first FORM of the file
}

TEST_F(FilesTest, ScreenSizedResourceIsPreferred)
{
    ASSERT_EQ(mkdir((root.path + "/res").c_str(), 0777), 0);
    file("res/kkt_dlg_x.xml", "<FORM><TEXT>PLAIN</TEXT></FORM>");
    std::string dir = root.path + "/res/";
    int err = 0;
    form = load_form_resource(dir.c_str(), "kkt_dlg_x.xml", &err);
    ASSERT_NE(form, nullptr);
    EXPECT_STREQ(form->GetHeaderText(), "PLAIN");
    // The sized name joins the directory, a slash, W-H and the name.
    file("res//240-320kkt_dlg_x.xml", "<FORM><TEXT>SIZED</TEXT></FORM>");
    delete form;
    form = load_form_resource(dir.c_str(), "kkt_dlg_x.xml", &err);
    ASSERT_NE(form, nullptr);
    EXPECT_STREQ(form->GetHeaderText(), "SIZED");
    // load_form_file never looks for the sized name.
    delete form;
    form = load_form_file((dir + "kkt_dlg_x.xml").c_str(), &err);
    ASSERT_NE(form, nullptr);
    EXPECT_STREQ(form->GetHeaderText(), "PLAIN");
}

TEST_F(FilesTest, BrokenSizedFileIsNotReplacedByThePlainOne)
{
    file("240-320kkt_dlg_y.xml", "<FORM>");
    file("kkt_dlg_y.xml", "<FORM/>");
    int err = 0;
    EXPECT_EQ(load_form_resource(root.path.c_str(), "kkt_dlg_y.xml", &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_BAD_XML);
}

TEST_F(FilesTest, HeaderTextIsConvertedAndEntitiesDecodedTwice)
{
    vuForm* f = loadForm(u8"<FORM><TEXT>ИТОГ: 5 &amp;amp; 6 &lt;ok&gt;</TEXT></FORM>");
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->GetHeaderText(), "ИТОГ: 5 & 6 <ok>");
}

} // namespace

// ---- the UI root: these tests let the root start the toolkit ----------------------

namespace {

class RootTest : public LoaderTest {
protected:
    vuUI* loadRoot(const std::string& text, int* err)
    {
        return load_ui_file(file("kkt_ui.xml", text).c_str(), err);
    }
};

TEST_F(RootTest, ErrorCodes)
{
    int err = 0;
    EXPECT_EQ(load_ui_file((root.path + "/none.xml").c_str(), &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_NO_FILE);
    EXPECT_EQ(loadRoot("<UI options=\"x8000\"><X></UI>", &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_BAD_XML);
    // Only a top-level "UI", written exactly so, is a root.
    EXPECT_EQ(loadRoot("<ui options=\"x8000\"/>", &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_NOTHING);
    EXPECT_EQ(loadRoot("<X><UI options=\"x8000\"/></X>", &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_NOTHING);
    EXPECT_EQ(vuUI::GetUI(), nullptr); // nothing was started
    vuUI* ui = loadRoot("<?xml version=\"1.0\"?>\n<UI options=\"x8000\"/>", &err);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(err, UI_LOAD_OK);
    EXPECT_EQ(ui, vuUI::GetUI());
    EXPECT_EQ(vuUI::GetOption() & VU_UI_CALLER_THREAD, VU_UI_CALLER_THREAD);
}

TEST_F(RootTest, ResourcePathIsResetAndLimited)
{
    int err = 0;
    std::string longPath(256, 'd');
    ASSERT_NE(loadRoot("<UI options=\"x8000\" resourcepath=\"./pics/\"/>", &err), nullptr);
    EXPECT_STREQ(get_resource_path(), "./pics/");
    ASSERT_NE(loadRoot("<UI options=\"x8000\" resourcepath=\"" + longPath + "\"/>", &err), nullptr);
    EXPECT_STREQ(get_resource_path(), "./data/");
    ASSERT_NE(loadRoot("<UI options=\"x8000\" resourcepath=\"" + longPath.substr(1) + "\"/>", &err), nullptr);
    EXPECT_EQ(std::string(get_resource_path()), longPath.substr(1));
    // A failed load resets it as well.
    EXPECT_EQ(loadRoot("<NOTUI/>", &err), nullptr);
    EXPECT_STREQ(get_resource_path(), "./data/");
}

TEST_F(RootTest, ResourceRootPrefersTheScreenSizedFile)
{
    file("kkt_ui_x.xml", "<UI options=\"x8000\" resourcepath=\"plain/\"/>");
    file("240-320kkt_ui_x.xml", "<UI options=\"x8000\" resourcepath=\"sized/\"/>");
    int err = 99;
    // The screen's size is known once the toolkit runs; before, it reads 0 x 0.
    ASSERT_NE(load_ui_resource(root.path.c_str(), "kkt_ui_x.xml", &err), nullptr);
    EXPECT_STREQ(get_resource_path(), "plain/");
    ASSERT_NE(load_ui_resource(root.path.c_str(), "kkt_ui_x.xml", &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_OK);
    EXPECT_STREQ(get_resource_path(), "sized/");
    EXPECT_EQ(load_ui_resource(root.path.c_str(), "none.xml", &err), nullptr);
    EXPECT_EQ(err, UI_LOAD_NO_FILE);
}

TEST_F(RootTest, BackgroundColourAndBlockMask)
{
    int err = 0;
    vuUI* ui = loadRoot("<UI options=\"x8000\" color=\"0,255,0\" blockmask=\"x30\"/>", &err);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(vuColor::cUI[0], 0x07E0);
    EXPECT_EQ(ui->blockKbMask.load(), 0x30u);
}

TEST_F(RootTest, ColourSchemeGlobalReachesEveryClassWithThatAttribute)
{
    // Mark every entry, then let GLOBAL set "color" and a class override it.
    for (uint16_t i = 0; i < 40; ++i)
        vuColor::SetColor(VU_TYPE_FORM, i, 0x1111);
    for (uint16_t i = 0; i < 8; ++i)
        vuColor::SetColor(VU_TYPE_MENU, i, 0x1111);
    for (uint16_t i = 0; i < 4; ++i)
        vuColor::SetColor(VU_TYPE_VIRTUAL_KEYBOARD, i, 0x1111);
    for (uint16_t i = 0; i < 13; ++i)
        vuColor::SetColor(VU_TYPE_STATUS_LINE, i, 0x1111);
    int err = 0;
    ASSERT_NE(loadRoot("<UI options=\"x8000\"><colorscheme>"
                       "<GLOBAL color=\"255,0,0\"/>"
                       "<Button color=\"0,0,255\" selback=\"x10,x20,x30\"/>"
                       "<STATUSPROGRESS text=\"255,255,255\" bogus=\"1,1,1\"/>"
                       "<NOSUCH color=\"1,2,3\"/>"
                       "</colorscheme></UI>",
                       &err),
              nullptr);
    const uint16_t red = 0xF800;
    for (uint16_t i = 0; i < 40; ++i) {
        uint16_t want = 0x1111;
        if (i == 4 || i == 10 || i == 14 || i == 18 || i == 22 || i == 26 || i == 30 || i == 34 || i == 36)
            want = red;
        if (i == 6)
            want = 0x001F; // BUTTON came after GLOBAL
        if (i == 9)
            want = static_cast<uint16_t>(((0x10 >> 3) << 11) | ((0x20 >> 2) << 5) | (0x30 >> 3));
        EXPECT_EQ(vuColor::cForm[i], want) << "form index " << i;
    }
    for (uint16_t i = 0; i < 8; ++i)
        EXPECT_EQ(vuColor::cMenu[i], i == 4 ? red : 0x1111) << "menu index " << i;
    for (uint16_t i = 0; i < 4; ++i)
        EXPECT_EQ(vuColor::cVirtualKeyboard[i], i == 0 ? red : 0x1111) << "keyboard index " << i;
    for (uint16_t i = 0; i < 13; ++i) {
        uint16_t want = (i == 1 || i == 3 || i == 5 || i == 11) ? red : (i == 10 ? 0xFFFF : 0x1111);
        EXPECT_EQ(vuColor::cStatusLine[i], want) << "status-line index " << i;
    }
}

TEST_F(RootTest, FontsNeedTypeAndNameAndTakeTheirSizes)
{
    // A VFN file of 256 solid glyphs, 6 x 10, named by its terminal path
    // (font files are opened through the terminal's path mapping).
    std::string body = "00256\r\n10\r\n06\r\n\x1a" + std::string(256 * 6 * 2, '\xFF');
    ASSERT_TRUE(writeText(root.path + "/f.vfn", body));
    std::string font = "/f.vfn";
    start();
    uint16_t h4 = vuUI::GetFontHeight(4), h5 = vuUI::GetFontHeight(5);
    ASSERT_NE(h4, 10);
    ASSERT_NE(h5, 10);
    int err = 0;
    ASSERT_NE(loadRoot("<UI options=\"x8000\"><Fonts>"
                       "<FONT type=\"3\" name=\"" + font + "\"/>"
                       "<FONT name=\"" + font + "\"/>"
                       "<font type=\"4\"/>"
                       "<FONT type=\"5\" name=\"/missing.vfn\"/>"
                       "</Fonts></UI>",
                       &err),
              nullptr);
    EXPECT_EQ(vuUI::GetFontHeight(3), 10);
    EXPECT_EQ(vuUI::GetFontWidth(3), 6);
    EXPECT_EQ(vuUI::GetFontHeight(4), h4);
    EXPECT_EQ(vuUI::GetFontHeight(5), h5);
}

TEST_F(RootTest, StatusLineBlockFormAndBackgroundGoToTheToolkit)
{
    int err = 0;
    vuUI* ui = loadRoot("<UI options=\"x8000\">"
                        "<STATUSLINE height=\"20\" options=\"1\"/>"
                        "<BLOCKFORM frame=\"10,20,100,50\"><TEXT>BLOCK</TEXT></BLOCKFORM>"
                        "<BACKIMAGE type=\"memicon\">2</BACKIMAGE>"
                        "</UI>",
                        &err);
    ASSERT_NE(ui, nullptr);
    vuStatusLine* line = vuUI::GetStatusLine();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetHeight(), 20);
    EXPECT_EQ(line->IsOption(VU_SL_BOTTOM), 1);
    ASSERT_NE(ui->blockForm, nullptr);
    EXPECT_STREQ(ui->blockForm->GetHeaderText(), "BLOCK");
    EXPECT_EQ(ui->blockForm->GetWidth(), 100);
    ASSERT_NE(ui->background, nullptr);
    EXPECT_EQ(ui->background->GetWidth(), 18);
}

} // namespace
