// Forms and menus built from descriptions: the form attributes and their
// order, child forms and scaling, header text and picture, control and close
// codes, on-screen keyboards, menus and their items.
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "loader_fixture.h"
#include "ui_loader.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuStatic.h"
#include "vuUI.h"
#include "vuViewPort.h"
#include "vuVirtualKeyboard.h"
#include "vuVirtualKeyboardItem.h"
#include "vuMenu.h"
#include "vuMenuItem.h"

using namespace uitest;

namespace {

class FormsTest : public LoaderTest {
protected:
    void SetUp() override
    {
        LoaderTest::SetUp();
        start();
    }
};

// A 320 x 240 screen: descriptions made for 240 x 320 are scaled.
class WideFormsTest : public LoaderTest {
protected:
    WideFormsTest() : LoaderTest(320, 240) {}
    void SetUp() override
    {
        LoaderTest::SetUp();
        start();
    }
};

struct Rect {
    int x, y, w, h;
};

// A form's place on the screen is its rectangle plus its correction.
void expectRect(vuForm* f, Rect r)
{
    vuViewPort p;
    f->SetViewPort(&p);
    EXPECT_EQ(p.x, r.x);
    EXPECT_EQ(p.y, r.y);
    EXPECT_EQ(p.width, r.w);
    EXPECT_EQ(p.height, r.h);
}

TEST_F(FormsTest, FrameMakesAChildFormElseFullScreen)
{
    vuForm* f = loadForm("<FORM frame=\"10,20,100,50\"/>");
    ASSERT_NE(f, nullptr);
    EXPECT_NE(dynamic_cast<vuChildForm*>(f), nullptr);
    expectRect(f, {10, 20, 100, 50});
    // The element name does not decide the class.
    f = loadForm("<CHILDFORM/>");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(dynamic_cast<vuChildForm*>(f), nullptr);
    EXPECT_EQ(f->GetWidth(), 240);
}

TEST_F(WideFormsTest, ResizeScalesFramesAndHeaderFromTheDesignScreen)
{
    vuForm* f = loadForm("<FORM options=\"1\" frame=\"24,32,120,160\" resize=\"1\" height=\"32\"/>");
    ASSERT_NE(f, nullptr);
    expectRect(f, {32, 24, 160, 120});
    EXPECT_EQ(f->GetHeaderHeight(), 24);
    // Without resize the numbers stand; percents are hundredths of the
    // screen's size.
    f = loadForm("<FORM options=\"1\" frame=\"24,%5000,%2500,160\" height=\"%1000\"/>");
    ASSERT_NE(f, nullptr);
    expectRect(f, {24, 120, 80, 160});
    EXPECT_EQ(f->GetHeaderHeight(), 24);
    // resize is any non-zero signed number.
    f = loadForm("<FORM frame=\"24,32,120,160\" resize=\"-1\"/>");
    ASSERT_NE(f, nullptr);
    expectRect(f, {32, 24, 160, 120});
}

TEST_F(FormsTest, FormAttributes)
{
    vuForm* f = loadForm("<FORM options=\"x21\" clearoptions=\"4\" font=\"3\" height=\"40\" timeout=\"15000\" "
                         "color=\"255,0,0\" back=\"0,0,255\" hcolor=\"0,255,0\" hbackcolor=\"255,255,255\">"
                         "<TEXT>T</TEXT></FORM>");
    ASSERT_NE(f, nullptr);
    vuForm plain;
    EXPECT_EQ(f->GetOptions(), static_cast<unsigned short>((plain.GetOptions() | 0x21) & ~0x4));
    EXPECT_EQ(f->GetHeaderFont(), 3);
    EXPECT_EQ(f->GetHeaderHeight(), 40);
    EXPECT_EQ(f->GetTimeOut(), 15000u);
    EXPECT_EQ(f->GetFrontColor(), 0xF800);
    EXPECT_EQ(f->GetBackColor(), 0x001F);
    EXPECT_EQ(f->GetFrontHeaderColor(), 0x07E0);
    EXPECT_EQ(f->GetBackHeaderColor(), 0xFFFF);
}

TEST_F(FormsTest, OneColourAttributeKeepsTheOtherColour)
{
    vuForm plain;
    vuForm* f = loadForm("<FORM back=\"0,0,255\" hcolor=\"0,255,0\"/>");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetFrontColor(), plain.GetFrontColor());
    EXPECT_EQ(f->GetBackColor(), 0x001F);
    EXPECT_EQ(f->GetFrontHeaderColor(), 0x07E0);
    EXPECT_EQ(f->GetBackHeaderColor(), plain.GetBackHeaderColor());
}

TEST_F(FormsTest, AbsentAttributesLeaveTheDefaults)
{
    vuForm plain;
    vuForm* f = loadForm("<FORM unknown=\"1\"><Unknown/></FORM>");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetOptions(), plain.GetOptions());
    EXPECT_EQ(f->GetTimeOut(), plain.GetTimeOut());
    EXPECT_EQ(f->GetControlCodeOk(), plain.GetControlCodeOk());
    EXPECT_EQ(f->GetControlCodeCancel(), plain.GetControlCodeCancel());
    EXPECT_EQ(f->GetHeaderFont(), plain.GetHeaderFont());
    EXPECT_EQ(f->GetCount(), 0u);
}

struct CodesCase {
    const char* ccodes;
    unsigned char ok, cancel, next, previous;
};

const CodesCase kControlCodes[] = {
    {"13,27", 13, 27, 0, 0},
    {"13,27,60,59", 13, 27, 60, 59},
    {"x0D,x1B,108,103,99", 13, 27, 108, 103}, // a fifth field is ignored
    {"300", 44, 0, 0, 0},                      // the low byte
    {"", 0, 0, 0, 0},
    {"13,,60,59", 13, 0, 60, 59},              // an empty field reads 0
};

TEST_F(FormsTest, ControlCodes)
{
    for (const CodesCase& c : kControlCodes) {
        SCOPED_TRACE(c.ccodes);
        vuForm* f = loadForm(std::string("<FORM ccodes=\"") + c.ccodes + "\"/>");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->GetControlCodeOk(), c.ok);
        EXPECT_EQ(f->GetControlCodeCancel(), c.cancel);
        EXPECT_EQ(f->GetControlCodeNext(), c.next);
        EXPECT_EQ(f->GetControlCodePrevious(), c.previous);
    }
}

TEST_F(FormsTest, CloseCodesSetEveryIndex)
{
    vuForm* f = loadForm("<FORM scodes=\"1,2,3,4,5,6,7,8\"/>");
    ASSERT_NE(f, nullptr);
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(f->GetCloseControlCode(i), i + 1);
    f = loadForm("<FORM scodes=\"27\"/>");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetCloseControlCode(0), 27);
    for (unsigned i = 1; i < 8; ++i)
        EXPECT_EQ(f->GetCloseControlCode(i), 0) << i;
}

TEST_F(FormsTest, KeyboardOnlyForItsExactNames)
{
    for (const char* name : {"Rus", "ENg", "", "lat", "russian"}) {
        vuForm* f = loadForm(std::string("<FORM virtkb=\"") + name + "\"/>");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->GetVirtualKeyboard(), nullptr) << name;
    }
}

struct LayoutRow {
    const char* normal;
    const char* caps;
    const char* shift;
};

// The Russian layout in CP1251; key bytes 0x10 caps, 0x11 shift, 0x12 next
// layout, 0x08 backspace, 0x0D enter, 0x01 hide.
const LayoutRow kRussianRows[5] = {
    {"1234567890,.", "1234567890,.", "!@#$%^&*()_="},
    {"йцукенгшщзхъ", "ЙЦУКЕНГШЩЗХЪ", "~`\"№;|:?{}[]"},
    {"фывапролджэё", "ФЫВАПРОЛДЖЭЁ", " <>,./\\-+\x7F' "},
    {"\x10ячсмитьбю\x08\x08", "\x10ЯЧСМИТЬБЮ\x08\x08", "          \x08\x08"},
    {"\x11      \r\r\x12\x12\x01", "\x11      \r\r\x12\x12\x01", "\x11      \r\r\x12\x12\x01"},
};

const LayoutRow kLatinRows[5] = {
    {"1234567890-+", "1234567890-+", "!@#$%^&*()_="},
    {"qwertyuiop[]", "QWERTYUIOP{}", "~`\"№;|:?{}[]"},
    {"asdfghjkl;'@", "ASDFGHJKL:\"~", " <>,./\\-+\x7F' "},
    {"\x10zxcvbnm,.\x08\x08", "\x10ZXCVBNM<>\x08\x08", "          \x08\x08"},
    {"\x11      \r\r\x12\x12\x01", "\x11      \r\r\x12\x12\x01", "\x11      \r\r\x12\x12\x01"},
};

void expectLayout(vuVirtualKeyboard* kb, const char* name, const LayoutRow (&rows)[5])
{
    SCOPED_TRACE(name);
    auto* layout = static_cast<vuVirtualKeyboardItem*>(kb->GetByName(name));
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->GetFontIndex(), 0);
    ASSERT_EQ(layout->GetRowCount(), 5);
    for (unsigned short r = 0; r < 5; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(strlen(rows[r].normal), 12u);
        EXPECT_STREQ(layout->GetCodes(r), rows[r].normal);
        EXPECT_STREQ(layout->GetCapsCodes(r), rows[r].caps);
        EXPECT_STREQ(layout->GetShiftCodes(r), rows[r].shift);
    }
}

TEST_F(FormsTest, RussianKeyboardHasBothLayoutsLatinOneOnly)
{
    for (const char* value : {"rus", "RUS"}) {
        vuForm* f = loadForm(std::string("<FORM virtkb=\"") + value + "\"/>");
        ASSERT_NE(f, nullptr);
        vuVirtualKeyboard* kb = f->GetVirtualKeyboard();
        ASSERT_NE(kb, nullptr) << value;
        EXPECT_TRUE(kb->GetOptions() & 0x1);
        EXPECT_EQ(kb->GetCount(), 2u);
        EXPECT_STREQ(kb->GetCurrentItem()->GetName(), "РУС"); // the first layout
        expectLayout(kb, "РУС", kRussianRows);
        expectLayout(kb, "LAT", kLatinRows);
    }
    for (const char* value : {"eng", "ENG"}) {
        vuForm* f = loadForm(std::string("<FORM virtkb=\"") + value + "\"/>");
        ASSERT_NE(f, nullptr);
        vuVirtualKeyboard* kb = f->GetVirtualKeyboard();
        ASSERT_NE(kb, nullptr) << value;
        EXPECT_EQ(kb->GetCount(), 1u);
        expectLayout(kb, "LAT", kLatinRows);
    }
}

TEST_F(FormsTest, HeaderTextAndImageLastOneCounts)
{
    vuForm* f = loadForm("<FORM><text>ONE</text><IMAGE type=\"memicon\">1</IMAGE><TEXT>TWO</TEXT>"
                         "<Image type=\"memicon\">4</Image><IMAGE type=\"memicon\">99</IMAGE></FORM>");
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->GetHeaderText(), "TWO");
    ASSERT_NE(f->GetHeaderImage(), nullptr);
    EXPECT_EQ(f->GetHeaderImage()->GetWidth(), 9); // the plug icon; 99 is no icon
}

TEST_F(FormsTest, WidgetsAreAddedInDocumentOrderAndUnknownOnesSkipped)
{
    vuForm* f = loadForm("<FORM><STATIC frame=\"0,0,10,10\" name=\"a\"/><SPINNER frame=\"0,0,1,1\" name=\"x\"/>"
                         "<static frame=\"0,10,10,10\" name=\"b\"/><STATIC name=\"noframe\"/>"
                         "<MULTILINE frame=\"0,20,10,10\" name=\"c\"/></FORM>");
    ASSERT_NE(f, nullptr);
    std::string names;
    for (vuViewObject* o = f->GetFirst(); o; o = f->GetNext(o))
        names += std::string(o->GetName()) + ";";
    EXPECT_EQ(names, "a;b;c;");
}

TEST_F(FormsTest, MenuWithItems)
{
    int err = 0;
    vuForm* f = loadForm(u8"<?xml version=\"1.0\"?>\n<MENU type=\"0\" options=\"x2000\" rowdelta=\"6\">"
                         u8"<TEXT>МЕНЮ</TEXT>"
                         u8"<ITEM name=\"sales\" value=\"x1234\" code=\"49\"><TEXT>ПРОДАЖИ</TEXT></ITEM>"
                         u8"<ITEM name=\"report\" select=\"1\" font=\"5\"><TEXT>ОТЧЕТЫ</TEXT>"
                         u8"<IMAGE type=\"memicon\">5</IMAGE></ITEM>"
                         u8"<ITEM/>"
                         u8"</MENU>",
                         &err);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(err, UI_LOAD_OK);
    ASSERT_EQ(f->GetType(), VU_TYPE_MENU);
    vuMenu* m = static_cast<vuMenu*>(f);
    EXPECT_STREQ(m->GetHeaderText(), "МЕНЮ");
    EXPECT_EQ(m->GetMenuType(), 0);
    EXPECT_EQ(m->GetRowDelta(), 6);
    EXPECT_TRUE(m->GetOptions() & 0x2000);
    ASSERT_EQ(m->GetCount(), 3u);
    vuMenuItem* first = static_cast<vuMenuItem*>(m->GetFirst());
    vuMenuItem* second = static_cast<vuMenuItem*>(m->GetNext(first));
    vuMenuItem* third = static_cast<vuMenuItem*>(m->GetNext(second));
    EXPECT_STREQ(first->GetName(), "sales");
    EXPECT_STREQ(first->GetText(), "ПРОДАЖИ");
    EXPECT_EQ(first->GetExtData()->tag, 0x1234ul);
    EXPECT_EQ(first->GetExtData()->keyChar, 49);
    EXPECT_EQ(first->GetExtData()->selectOnReset, 0);
    EXPECT_EQ(first->GetFontIndex(), 2); // a list's default item font
    EXPECT_EQ(second->GetFontIndex(), 5);
    EXPECT_EQ(second->GetExtData()->selectOnReset, 1);
    EXPECT_NE(second->GetImage(), nullptr);
    EXPECT_EQ(third->GetText(), nullptr);
    m->Reset();
    EXPECT_EQ(m->GetSelected(), 2); // select="1"
}

TEST_F(FormsTest, GridMenuItemsDefaultToFontZero)
{
    vuForm* f = loadForm("<MENU type=\"1\"><ITEM name=\"a\"><TEXT>A</TEXT></ITEM></MENU>");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->GetType(), VU_TYPE_MENU);
    EXPECT_EQ(static_cast<vuMenu*>(f)->GetMenuType(), 1);
    EXPECT_EQ(static_cast<vuMenuItem*>(f->GetFirst())->GetFontIndex(), 0);
}

TEST_F(FormsTest, MenuAndALaterFormBuildTheForm)
{
    vuForm* f = loadForm("<R><MENU><ITEM name=\"a\"/></MENU><FORM><TEXT>F</TEXT></FORM></R>");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetType(), VU_TYPE_FORM);
    EXPECT_STREQ(f->GetHeaderText(), "F");
}

TEST_F(FormsTest, ItemsInAFormAreDropped)
{
    vuForm* f = loadForm("<FORM><ITEM name=\"a\"><TEXT>A</TEXT><IMAGE type=\"memicon\">1</IMAGE></ITEM></FORM>");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetCount(), 0u);
}

TEST_F(FormsTest, MenuControlCodesAreItsMoves)
{
    vuForm* f = loadForm("<MENU ccodes=\"1,2,3,4\" scodes=\"50\"/>");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->GetType(), VU_TYPE_MENU);
    vuMenu* m = static_cast<vuMenu*>(f);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(m->GetMenuControlCode(i), i + 1);
    EXPECT_EQ(m->GetCloseControlCode(0), 50);
}

} // namespace
