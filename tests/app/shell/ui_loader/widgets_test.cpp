// Widgets, pictures and the status line built from descriptions, and the
// form state written to XML and applied back.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <unistd.h>

#include "loader_fixture.h"
#include "ui_loader.h"
#include "ui_xml.h"
#include "vuBatLevel.h"
#include "vuBoxItem.h"
#include "vuButton.h"
#include "vuCheckBox.h"
#include "vuClock.h"
#include "vuIPInput.h"
#include "vuImagesObject.h"
#include "vuInput.h"
#include "vuMenuBox.h"
#include "vuMenuItem.h"
#include "vuNetLevel.h"
#include "vuPatternInput.h"
#include "vuProgressObject.h"
#include "vuRadio.h"
#include "vuTextObject.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuMultiLine.h"
#include "vuStatic.h"
#include "vuStatusLine.h"
#include "vuUI.h"
#include "vuWidget.h"

using namespace uitest;

namespace {

class WidgetsTest : public LoaderTest {
protected:
    void SetUp() override
    {
        LoaderTest::SetUp();
        start();
    }

    // The one named widget of a form loaded from the text.
    vuWidget* widget(const std::string& formText, const char* name)
    {
        vuForm* f = loadForm(formText);
        if (!f)
            return nullptr;
        return dynamic_cast<vuWidget*>(f->GetByName(name));
    }
};

// A parsed fragment, freed with the test.
struct Xml {
    explicit Xml(const std::string& text) { EXPECT_EQ(xml_load_text(text.c_str(), &top), 0) << text; }
    ~Xml()
    {
        if (top)
            mxmlDelete(top);
    }
    mxml_node_t* first() { return xml_first_element(top); }
    mxml_node_t* top = nullptr;
};

// A 24-bit BMP of w x h pixels of one colour.
std::string bmp(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    int row = (w * 3 + 3) & ~3;
    int size = 54 + row * h;
    std::string s(size, '\0');
    auto put32 = [&s](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s[at + i] = static_cast<char>(v >> (8 * i));
    };
    s[0] = 'B';
    s[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    s[26] = 1;
    s[28] = 24;
    put32(34, row * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s[54 + y * row + x * 3] = static_cast<char>(b);
            s[54 + y * row + x * 3 + 1] = static_cast<char>(g);
            s[54 + y * row + x * 3 + 2] = static_cast<char>(r);
        }
    return s;
}

TEST_F(WidgetsTest, StaticWithEveryCommonAttribute)
{
    vuWidget* w = widget(u8"<FORM><STATIC frame=\"5,6,70,20\" font=\"3\" justify=\"x11\" name=\"s\" visible=\"0\" "
                         u8"transparency=\"1\" activetransparency=\"1\" border=\"1\" activeborder=\"1\" "
                         u8"color=\"255,0,0\" back=\"0,255,0\" activecolor=\"0,0,255\" activeback=\"255,255,255\">"
                         u8"<TEXT>ПРИВЕТ</TEXT><IMAGE type=\"memicon\">4</IMAGE>"
                         u8"<BACKIMAGE type=\"memicon\">1</BACKIMAGE><ACTIVEBACKIMAGE type=\"memicon\">0</ACTIVEBACKIMAGE>"
                         u8"</STATIC></FORM>",
                         "s");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->GetType(), VU_TYPE_STATIC);
    EXPECT_EQ(w->GetX(), 5);
    EXPECT_EQ(w->GetY(), 6);
    EXPECT_EQ(w->GetWidth(), 70);
    EXPECT_EQ(w->GetHeight(), 20);
    EXPECT_EQ(w->GetFontIndex(), 3);
    EXPECT_STREQ(static_cast<vuStatic*>(w)->GetText(), "ПРИВЕТ");
    EXPECT_EQ(w->IsVisible(), 0);
    unsigned short flags = w->GetFlags();
    EXPECT_TRUE(flags & VU_WF_TRANSPARENT);
    EXPECT_TRUE(flags & VU_WF_ACTIVE_TRANSPARENT);
    EXPECT_TRUE(flags & VU_WF_BORDER);
    EXPECT_TRUE(flags & VU_WF_ACTIVE_BORDER);
    EXPECT_EQ(w->GetFrontColor(), 0xF800);
    EXPECT_EQ(w->GetBackColor(), 0x07E0);
    EXPECT_EQ(w->GetActiveFrontColor(), 0x001F);
    EXPECT_EQ(w->GetActiveBackColor(), 0xFFFF);
    ASSERT_NE(w->GetImage(), nullptr);
    EXPECT_EQ(w->GetImage()->GetWidth(), 9);
    ASSERT_NE(w->GetPassiveBackImage(), nullptr);
    ASSERT_NE(w->GetActiveBackImage(), nullptr);
}

TEST_F(WidgetsTest, OneColourAttributeKeepsTheOtherColour)
{
    vuStatic plain(0, 0, 1, 1, nullptr, nullptr);
    vuWidget* w = widget("<FORM><STATIC frame=\"0,0,1,1\" name=\"s\" back=\"0,255,0\" activecolor=\"0,0,255\"/></FORM>",
                         "s");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetFrontColor(), plain.GetFrontColor());
    EXPECT_EQ(w->GetBackColor(), 0x07E0);
    EXPECT_EQ(w->GetActiveFrontColor(), 0x001F);
    EXPECT_EQ(w->GetActiveBackColor(), plain.GetActiveBackColor());
}

TEST_F(WidgetsTest, ResizedFormScalesItsWidgets)
{
    // 240 x 320 is the design screen: nothing changes; percents follow the
    // screen.
    vuWidget* w = widget("<FORM resize=\"1\"><STATIC frame=\"%5000,%5000,%2500,40\" name=\"s\"/></FORM>", "s");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetX(), 120);
    EXPECT_EQ(w->GetY(), 160);
    EXPECT_EQ(w->GetWidth(), 60);
    EXPECT_EQ(w->GetHeight(), 40);
}

TEST_F(WidgetsTest, ButtonAttributesAndSlave)
{
    vuForm* f = loadForm("<FORM><STATIC frame=\"0,0,10,10\" name=\"before\"/>"
                         "<BUTTON frame=\"0,20,50,30\" name=\"b1\" control=\"13\" options=\"3\" clearoptions=\"1\" "
                         "accelcode=\"x31\" slave=\"before\"><TEXT>OK</TEXT><VALUE>V1</VALUE></BUTTON>"
                         "<BUTTON frame=\"0,60,50,30\" name=\"b2\" slave=\"after\"/>"
                         "<STATIC frame=\"0,100,10,10\" name=\"after\"/></FORM>");
    ASSERT_NE(f, nullptr);
    vuButton* b1 = dynamic_cast<vuButton*>(f->GetByName("b1"));
    vuButton* b2 = dynamic_cast<vuButton*>(f->GetByName("b2"));
    ASSERT_NE(b1, nullptr);
    ASSERT_NE(b2, nullptr);
    EXPECT_EQ(b1->GetCode(), 13);
    EXPECT_EQ(b1->GetOptions(), 2);
    EXPECT_EQ(b1->GetAccelCode(), '1');
    EXPECT_STREQ(b1->GetText(), "OK");
    EXPECT_STREQ(b1->GetSlaveValue(), "V1");
    EXPECT_EQ(b1->GetSlaveWidget(), f->GetByName("before"));
    EXPECT_EQ(b2->GetSlaveWidget(), nullptr); // the slave must come earlier
    EXPECT_EQ(b2->GetCode(), 0);
}

TEST_F(WidgetsTest, MultiLineOptionsLengthAndText)
{
    vuWidget* w = widget(u8"<FORM><MULTILINE frame=\"0,0,100,50\" name=\"m\" options=\"x101\" length=\"300\">"
                         u8"<TEXT>СТРОКА 1\nСТРОКА 2</TEXT></MULTILINE></FORM>",
                         "m");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->GetType(), VU_TYPE_MULTI_LINE);
    vuMultiLine* m = static_cast<vuMultiLine*>(w);
    EXPECT_EQ(m->GetOptions(), 0x101);
    EXPECT_STREQ(m->GetValue(), "СТРОКА 1\nСТРОКА 2");
}

TEST_F(WidgetsTest, ContentChildrenOnlyForTheirKinds)
{
    // IMAGE is for labels and buttons, VALUE for buttons and lists.
    vuWidget* w = widget("<FORM><MULTILINE frame=\"0,0,100,50\" name=\"m\"><IMAGE type=\"memicon\">1</IMAGE>"
                         "<VALUE>7</VALUE><PATTERN>##</PATTERN></MULTILINE></FORM>",
                         "m");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetImage(), nullptr);
    EXPECT_STREQ(static_cast<vuMultiLine*>(w)->GetValue(), "");
}

TEST_F(WidgetsTest, NumericInputWithLengthRadixFontsAndPresetText)
{
    vuWidget* w = widget("<FORM><INPUT frame=\"0,0,100,30\" name=\"sum\" options=\"1\" length=\"10\" radix=\"2\" "
                         "font=\"2\" extfont=\"0\"><TEXT>12345</TEXT></INPUT></FORM>",
                         "sum");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->GetType(), VU_TYPE_INPUT);
    vuInput* in = static_cast<vuInput*>(w);
    EXPECT_EQ(in->GetOptions() & VU_IN_NUMERIC, VU_IN_NUMERIC);
    EXPECT_EQ(in->GetMaxLen(), 10);
    EXPECT_EQ(in->GetRadix(), 2);
    EXPECT_EQ(in->GetFontIndex(), 2);
    EXPECT_EQ(in->GetFractionFont(), 0);
    EXPECT_STREQ(in->GetValue(), "12345");
}

TEST_F(WidgetsTest, TextInputTakesConvertedText)
{
    vuWidget* w = widget(u8"<FORM><INPUT frame=\"0,0,100,30\" name=\"t\" length=\"20\"><TEXT>ИВАНОВ</TEXT></INPUT></FORM>",
                         "t");
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(static_cast<vuInput*>(w)->GetValue(), "ИВАНОВ");
}

struct FillCase {
    const char* attrs;
    char fill;
};

TEST_F(WidgetsTest, AddressAndPatternFieldsFillSymbolCodeWins)
{
    const FillCase cases[] = {
        {"fillsymbol=\"_\" fillsymbolcode=\"42\"", '*'},
        {"fillsymbol=\"_x\"", '_'},
        {"fillsymbolcode=\"x2D\"", '-'},
    };
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.attrs);
        vuForm* f = loadForm(std::string("<FORM><IPINPUT frame=\"0,0,150,30\" name=\"ip\" ") + c.attrs +
                             "><TEXT>192.168.1.20</TEXT></IPINPUT>"
                             "<PATTERNINPUT frame=\"0,40,150,30\" name=\"p\" length=\"6\" " + c.attrs +
                             "><PATTERN>##:##</PATTERN><TEXT>1230</TEXT></PATTERNINPUT></FORM>");
        ASSERT_NE(f, nullptr);
        auto* ip = dynamic_cast<vuIPInput*>(f->GetByName("ip"));
        auto* p = dynamic_cast<vuPatternInput*>(f->GetByName("p"));
        ASSERT_NE(ip, nullptr);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(ip->GetType(), VU_TYPE_IP_INPUT);
        EXPECT_EQ(p->GetType(), VU_TYPE_PATTERN_INPUT);
        EXPECT_EQ(ip->GetFillSymbol(), c.fill);
        EXPECT_EQ(p->GetFillSymbol(), c.fill);
        char text[32];
        ASSERT_EQ(ip->GetIPtext(text, sizeof text), 0);
        EXPECT_STREQ(text, "192.168.1.20");
        EXPECT_STREQ(p->GetPattern(), "##:##");
        EXPECT_STREQ(p->GetValue(), "1230");
    }
}

TEST_F(WidgetsTest, AddressFieldKeepsItsValueForANonAddress)
{
    vuForm* f = loadForm("<FORM><IPINPUT frame=\"0,0,150,30\" name=\"ip\"><TEXT>10.0.0.1</TEXT><TEXT>300.1.1.1</TEXT>"
                         "</IPINPUT></FORM>");
    ASSERT_NE(f, nullptr);
    char text[32];
    ASSERT_EQ(static_cast<vuIPInput*>(f->GetByName("ip"))->GetIPtext(text, sizeof text), 0);
    EXPECT_STREQ(text, "10.0.0.1");
}

TEST_F(WidgetsTest, InputValuesSavedAsUtf8Text)
{
    vuForm* f = loadForm(u8"<FORM><INPUT frame=\"0,0,100,30\" name=\"who\" length=\"20\"><TEXT>ПЁТР</TEXT></INPUT>"
                         u8"<IPINPUT frame=\"0,40,150,30\" name=\"ip\"><TEXT>10.1.2.3</TEXT></IPINPUT></FORM>");
    ASSERT_NE(f, nullptr);
    mxml_node_t* saved = mxmlNewElement(MXML_NO_PARENT, "saved");
    save_form_values(f, saved);
    mxml_node_t* who = xml_first_element(saved);
    ASSERT_NE(who, nullptr);
    EXPECT_STREQ(xml_text(xml_first_element(who)), u8"ПЁТР");
    mxml_node_t* ip = xml_next_element(who);
    ASSERT_NE(ip, nullptr);
    EXPECT_STREQ(xml_text(xml_first_element(ip)), "10.1.2.3");
    mxmlDelete(saved);
}

TEST_F(WidgetsTest, ListsTakeTheirItemsAfterTheirContent)
{
    vuForm* f = loadForm(u8"<FORM><CHECKBOX frame=\"0,0,200,80\" name=\"c\" ccodes=\"1,2,3,4\" maxlines=\"2\">"
                         u8"<VALUE>3</VALUE>"
                         u8"<ITEM><TEXT>ПЕРВЫЙ</TEXT><IMAGE type=\"memicon\">1</IMAGE><IMAGE type=\"memicon\">4</IMAGE></ITEM>"
                         u8"<ITEM/><ITEM><TEXT>Т</TEXT></ITEM></CHECKBOX>"
                         u8"<RADIO frame=\"0,80,200,80\" name=\"r\"><ITEM><TEXT>A</TEXT></ITEM><ITEM><TEXT>B</TEXT></ITEM>"
                         u8"<ITEM><TEXT>C</TEXT></ITEM><VALUE>2</VALUE></RADIO></FORM>");
    ASSERT_NE(f, nullptr);
    auto* c = dynamic_cast<vuCheckBox*>(f->GetByName("c"));
    auto* r = dynamic_cast<vuRadio*>(f->GetByName("r"));
    ASSERT_NE(c, nullptr);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(c->GetType(), VU_TYPE_CHECK_BOX);
    EXPECT_EQ(r->GetType(), VU_TYPE_RADIO);
    ASSERT_EQ(c->GetCount(), 3u);
    EXPECT_STREQ(c->GetItem(1)->GetText(), "ПЕРВЫЙ");
    ASSERT_NE(c->GetItem(1)->GetPicture(), nullptr);
    EXPECT_EQ(c->GetItem(1)->GetPicture()->GetWidth(), 9); // the last picture counts
    EXPECT_STREQ(c->GetItem(2)->GetText() ? c->GetItem(2)->GetText() : "", "");
    EXPECT_EQ(c->GetMaxLines(), 2);
    EXPECT_EQ(r->GetCount(), 3u);
    // While the list is built its VALUE comes before its items: nothing is
    // checked.
    EXPECT_EQ(c->GetSelected(), 0u);
    EXPECT_EQ(r->GetSelected(), 0u);
}

struct ListValueCase {
    const char* list;
    const char* value;
    unsigned selected;
};

TEST_F(WidgetsTest, ListValuesAppliedToABuiltForm)
{
    const ListValueCase cases[] = {
        {"CHECKBOX", "5", 5},  // items 1 and 3
        {"CHECKBOX", "x7", 7}, // all three
        {"CHECKBOX", "0", 0},
        {"RADIO", "2", 2},
        {"RADIO", "0", 0},
        {"RADIO", "4", 0},     // no such item
    };
    for (const ListValueCase& v : cases) {
        SCOPED_TRACE(std::string(v.list) + " " + v.value);
        vuForm* f = loadForm(std::string("<FORM><") + v.list + " frame=\"0,0,200,90\" name=\"l\">"
                             "<ITEM><TEXT>1</TEXT></ITEM><ITEM><TEXT>2</TEXT></ITEM><ITEM><TEXT>3</TEXT></ITEM></" +
                             v.list + "></FORM>");
        ASSERT_NE(f, nullptr);
        Xml values(std::string("<V><l><VALUE>") + v.value + "</VALUE></l></V>");
        apply_form_values(f, values.first());
        vuBox* box = dynamic_cast<vuBox*>(f->GetByName("l"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->GetSelected(), v.selected);
        // And written back as the list's state.
        mxml_node_t* saved = mxmlNewElement(MXML_NO_PARENT, "saved");
        save_form_values(f, saved);
        mxml_node_t* node = xml_first_element(saved);
        ASSERT_NE(node, nullptr);
        EXPECT_STREQ(xml_text(xml_first_element(node)), std::to_string(v.selected).c_str());
        mxmlDelete(saved);
    }
}

// ---- pictures ----------------------------------------------------------------------

struct ImageCase {
    const char* what;
    const char* element;
    int width; // 0: no picture
    int height;
};

const ImageCase kImages[] = {
    {"built-in icon", "<IMAGE type=\"memicon\">2</IMAGE>", 18, 12},
    {"icon number too large", "<IMAGE type=\"memicon\">17</IMAGE>", 0, 0},
    {"negative icon number", "<IMAGE type=\"memicon\">-1</IMAGE>", 0, 0},
    {"PNG in base64",
     "<IMAGE type=\"base64\" ext=\"png\">iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==</IMAGE>",
     1, 1},
    {"GIF is not known in memory",
     "<IMAGE type=\"base64\" ext=\"gif\">R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7</IMAGE>", 0, 0},
    {"raw 1-bit icon without ext", "<IMAGE type=\"base64\">CAL/gQ==</IMAGE>", 8, 2},
    {"base64 of nothing", "<IMAGE type=\"base64\" ext=\"png\">====</IMAGE>", 0, 0},
    {"file", "<IMAGE>pic.bmp</IMAGE>", 3, 2},
    {"file by type", "<IMAGE type=\"file\">pic.bmp</IMAGE>", 3, 2},
    {"missing file", "<IMAGE type=\"file\">none.bmp</IMAGE>", 0, 0},
    {"type compared exactly", "<IMAGE type=\"File\">pic.bmp</IMAGE>", 0, 0},
    {"unknown type", "<IMAGE type=\"url\">pic.bmp</IMAGE>", 0, 0},
    {"no text", "<IMAGE type=\"memicon\"/>", 0, 0},
};

TEST_F(WidgetsTest, PictureElements)
{
    ASSERT_EQ(chdir(root.path.c_str()), 0);
    mkdir("data", 0777);
    ASSERT_TRUE(writeText("data/pic.bmp", bmp(3, 2, 255, 0, 0)));
    for (const ImageCase& c : kImages) {
        SCOPED_TRACE(c.what);
        Xml xml(c.element);
        vuImage* image = load_image_element(xml.first());
        ASSERT_EQ(image != nullptr, c.width != 0);
        if (image) {
            EXPECT_EQ(image->GetWidth(), c.width);
            EXPECT_EQ(image->GetHeight(), c.height);
        }
        vuImage::Destroy(image);
    }
}

TEST_F(WidgetsTest, PictureColoursTransparentThenColour)
{
    Xml xml("<IMAGE type=\"memicon\" transparent=\"255,0,0\" color=\"0,0,255\">1</IMAGE>");
    vuImage* image = load_image_element(xml.first());
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->HasTransparentColor());
    EXPECT_EQ(image->GetTransparentColor(), 0xF800);
    EXPECT_EQ(image->GetColor(), 0x001F);
    vuImage::Destroy(image);
}

TEST_F(WidgetsTest, PicturePathLongerThan1022IsRefused)
{
    // "./data/" and the name: 1022 characters are still read, 1023 not.
    ASSERT_EQ(chdir(root.path.c_str()), 0);
    std::string dir = "data";
    mkdir(dir.c_str(), 0777);
    std::string name;
    for (int i = 0; i < 5; ++i) {
        name += std::string(200, 'a' + i) + "/";
        ASSERT_EQ(mkdir((dir + "/" + name).c_str(), 0777), 0);
    }
    std::string fits = name + "xxxxxx.bmp", tooLong = name + "xxxxxxx.bmp";
    ASSERT_EQ(std::string("./data/").size() + fits.size(), 1022u);
    ASSERT_TRUE(writeText(dir + "/" + fits, bmp(2, 2, 0, 0, 0)));
    ASSERT_TRUE(writeText(dir + "/" + tooLong, bmp(2, 2, 0, 0, 0)));
    Xml ok("<IMAGE>" + fits + "</IMAGE>");
    vuImage* image = load_image_element(ok.first());
    EXPECT_NE(image, nullptr);
    vuImage::Destroy(image);
    Xml refused("<IMAGE>" + tooLong + "</IMAGE>");
    EXPECT_EQ(load_image_element(refused.first()), nullptr);
}

// ---- status line -------------------------------------------------------------------------

TEST_F(WidgetsTest, StatusLineHeightOptionsAndColour)
{
    Xml none("<STATUSLINE/>");
    vuStatusLine* line = build_status_line(none.first());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetHeight(), 0);
    EXPECT_EQ(line->GetWidth(), 240);
    delete line;
    Xml some("<STATUSLINE height=\"%1000\" options=\"3\"><TEXTOBJECT name=\"noframe\"/><OTHER frame=\"0,0,5,5\"/>"
             "</STATUSLINE>");
    line = build_status_line(some.first());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetHeight(), 32);
    EXPECT_EQ(line->IsOption(3), 1);
    EXPECT_EQ(line->GetCount(), 0u);
    delete line;
}

TEST_F(WidgetsTest, StatusObjectsOfEveryKind)
{
    Xml xml(u8"<STATUSLINE height=\"20\" color=\"0,0,255\">"
            u8"<TEXTOBJECT frame=\"0,0,%2500,20\" name=\"appname\" font=\"1\" justify=\"1\" border=\"1\" "
            u8"color=\"255,0,0\" back=\"0,255,0\"><TEXT>ККТ &amp;amp; Ко</TEXT><IMAGE type=\"memicon\">1</IMAGE>"
            u8"</TEXTOBJECT>"
            u8"<CLOCK frame=\"60,0,50,20\" name=\"clock\"><TEXT>X</TEXT></CLOCK>"
            u8"<IMAGESOBJECT frame=\"110,0,20,20\" name=\"anim\"><IMAGE type=\"memicon\">1</IMAGE>"
            u8"<IMAGE type=\"memicon\">99</IMAGE><IMAGE type=\"memicon\">0</IMAGE></IMAGESOBJECT>"
            u8"<PROGRESSOBJECT frame=\"130,0,30,20\" name=\"level\" addcolor=\"255,0,0\" warncolor=\"0,255,0\" "
            u8"maskcolor=\"0,0,255\" textcolor=\"255,255,255\"><TEXT>50%</TEXT><IMAGE type=\"memicon\">3</IMAGE>"
            u8"<WARNIMAGE type=\"memicon\">2</WARNIMAGE><MASKIMAGE type=\"memicon\">2</MASKIMAGE>"
            u8"<ADDIMAGE type=\"memicon\">4</ADDIMAGE></PROGRESSOBJECT>"
            u8"<BATLEVEL frame=\"%8000,0,%2000,20\" name=\"batlevel\"/>"
            u8"<NETLEVEL frame=\"160,0,20,20\" name=\"netlevel\" visible=\"0\"/>"
            u8"<TEXTOBJECT name=\"noframe\"/>"
            u8"</STATUSLINE>");
    vuStatusLine* line = build_status_line(xml.first());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetCount(), 6u);
    EXPECT_EQ(line->GetByName("noframe"), nullptr);

    auto* app = dynamic_cast<vuTextObject*>(line->GetByName("appname"));
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->GetWidth(), 60); // a quarter of 240: percents, never scaled
    EXPECT_STREQ(app->GetText(), "ККТ & Ко");
    EXPECT_EQ(app->GetFontIndex(), 1);
    EXPECT_EQ(app->GetFrontColor(), 0xF800);
    EXPECT_EQ(app->GetBackColor(), 0x07E0);
    EXPECT_TRUE(app->IsBorder());

    auto* clock = dynamic_cast<vuClock*>(line->GetByName("clock"));
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->GetType(), VU_TYPE_CLOCK);
    EXPECT_STRNE(clock->GetText() ? clock->GetText() : "", "X"); // a clock takes no text

    auto* anim = dynamic_cast<vuImagesObject*>(line->GetByName("anim"));
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->GetImageCount(), 2u);

    auto* level = dynamic_cast<vuProgressObject*>(line->GetByName("level"));
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->GetAddColor(), 0xF800);
    EXPECT_EQ(level->GetWarnColor(), 0x07E0);
    EXPECT_EQ(level->GetMaskColor(), 0x001F);
    EXPECT_EQ(level->GetTextColor(), 0xFFFF);
    EXPECT_STREQ(level->GetText(), "50%");
    ASSERT_NE(level->GetLevelImage(), nullptr);
    EXPECT_EQ(level->GetLevelImage()->GetWidth(), 16);
    EXPECT_NE(level->GetWarningImage(), nullptr);
    EXPECT_NE(level->GetMaskImage(), nullptr);
    ASSERT_NE(level->GetAdditionImage(), nullptr);
    EXPECT_EQ(level->GetAdditionImage()->GetWidth(), 9);

    auto* bat = dynamic_cast<vuBatLevel*>(line->GetByName("batlevel"));
    ASSERT_NE(bat, nullptr);
    EXPECT_EQ(bat->GetType(), VU_TYPE_BAT_LEVEL);
    EXPECT_EQ(bat->GetX(), 192);
    auto* net = dynamic_cast<vuNetLevel*>(line->GetByName("netlevel"));
    ASSERT_NE(net, nullptr);
    EXPECT_EQ(net->IsVisible(), 0);
    delete line;
}

TEST_F(WidgetsTest, StatusBackImageThatCannotBeMadeClearsTheOldOne)
{
    Xml xml("<STATUSLINE><TEXTOBJECT frame=\"0,0,10,10\" name=\"t\"><BACKIMAGE type=\"memicon\">1</BACKIMAGE>"
            "<BACKIMAGE type=\"memicon\">99</BACKIMAGE></TEXTOBJECT>"
            "<TEXTOBJECT frame=\"0,0,10,10\" name=\"u\"><BACKIMAGE type=\"memicon\">1</BACKIMAGE></TEXTOBJECT>"
            "</STATUSLINE>");
    vuStatusLine* line = build_status_line(xml.first());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(static_cast<vuStatusObject*>(line->GetByName("t"))->GetBackImage(), nullptr);
    EXPECT_NE(static_cast<vuStatusObject*>(line->GetByName("u"))->GetBackImage(), nullptr);
    // Values applied later by object name.
    Xml values(u8"<V><t><TEXT>НОВЫЙ</TEXT></t><u><BACKIMAGE type=\"memicon\">77</BACKIMAGE></u></V>");
    apply_status_values(line, values.first());
    EXPECT_STREQ(static_cast<vuTextObject*>(line->GetByName("t"))->GetText(), "НОВЫЙ");
    EXPECT_EQ(static_cast<vuStatusObject*>(line->GetByName("u"))->GetBackImage(), nullptr);
    delete line;
}

TEST_F(WidgetsTest, MenuBoxWithItemsLayoutAndCodes)
{
    vuWidget* w = widget(u8"<FORM><MENUBOX frame=\"0,0,200,150\" name=\"box\" type=\"0\" options=\"x1000\" "
                         u8"ccodes=\"1,2\" rowdelta=\"4\" rowinterval=\"2\" maxlines=\"1\">"
                         u8"<ITEM name=\"a\" value=\"7\"><TEXT>ПЕРВЫЙ</TEXT></ITEM>"
                         u8"<ITEM name=\"b\" font=\"0\" select=\"1\"><TEXT>ВТОРОЙ</TEXT></ITEM>"
                         u8"</MENUBOX></FORM>",
                         "box");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->GetType(), VU_TYPE_MENU_BOX);
    vuMenuBox* box = static_cast<vuMenuBox*>(w);
    EXPECT_EQ(box->GetOptions(), 0x1000);
    EXPECT_EQ(box->GetCount(), 2u);
    EXPECT_EQ(box->GetRowDelta(), 4);
    EXPECT_EQ(box->GetRowInterval(), 2);
    box->Reset();
    EXPECT_EQ(box->GetSelected(), 2);
    ASSERT_NE(box->GetSelectedObject(), nullptr);
    EXPECT_STREQ(box->GetSelectedObject()->GetName(), "b");
    EXPECT_EQ(box->GetSelectedObject()->GetFontIndex(), 0);
    EXPECT_STREQ(box->GetSelectedObject()->GetText(), "ВТОРОЙ");

    // Its state as XML: the selection, its text in UTF-8 and its tag.
    mxml_node_t* saved = mxmlNewElement(MXML_NO_PARENT, "saved");
    save_form_values(form, saved);
    mxml_node_t* node = xml_first_element(saved);
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(mxmlGetElement(node), "box");
    mxml_node_t* sel = xml_first_element(node);
    ASSERT_NE(sel, nullptr);
    EXPECT_STREQ(mxmlGetElement(sel), "SELECTED");
    EXPECT_STREQ(xml_text(sel), "2");
    mxml_node_t* text = xml_next_element(sel);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(xml_text(text), u8"ВТОРОЙ");
    mxml_node_t* value = xml_next_element(text);
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(mxmlGetElement(value), "VALUE");
    EXPECT_STREQ(xml_text(value), "0");
    mxmlDelete(saved);
}

TEST_F(WidgetsTest, MenuStateIsSavedAsSelectionTextAndTag)
{
    vuForm* f = loadForm(u8"<MENU><ITEM name=\"a\" value=\"x10\"><TEXT>А</TEXT></ITEM>"
                         u8"<ITEM name=\"b\" value=\"99\"/></MENU>");
    ASSERT_NE(f, nullptr);
    f->Reset();
    mxml_node_t* saved = mxmlNewElement(MXML_NO_PARENT, "saved");
    save_form_values(f, saved);
    mxml_node_t* sel = xml_first_element(saved);
    ASSERT_NE(sel, nullptr);
    EXPECT_STREQ(mxmlGetElement(sel), "SELECTED");
    EXPECT_STREQ(xml_text(sel), "1");
    mxml_node_t* text = xml_next_element(sel);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(xml_text(text), u8"А");
    mxml_node_t* value = xml_next_element(text);
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(xml_text(value), "16");
    mxmlDelete(saved);
}

// ---- form state ------------------------------------------------------------------------------

TEST_F(WidgetsTest, FormValuesSavedAndAppliedBack)
{
    const std::string text = u8"<FORM><STATIC frame=\"0,0,50,10\" name=\"label\"><TEXT>ДО</TEXT></STATIC>"
                             u8"<MULTILINE frame=\"0,10,50,30\" name=\"notes\"/>"
                             u8"<BUTTON frame=\"0,40,50,10\" name=\"ok\" control=\"13\"/>"
                             u8"<STATIC frame=\"0,50,50,10\"/></FORM>";
    vuForm* f = loadForm(text);
    ASSERT_NE(f, nullptr);
    Xml values(u8"<V><label><TEXT>ПОСЛЕ</TEXT></label><notes><TEXT>А &amp;amp; Б</TEXT></notes>"
               u8"<nobody><TEXT>X</TEXT></nobody></V>");
    apply_form_values(f, values.first());
    EXPECT_STREQ(static_cast<vuStatic*>(f->GetByName("label"))->GetText(), "ПОСЛЕ");
    EXPECT_STREQ(static_cast<vuMultiLine*>(f->GetByName("notes"))->GetValue(), "А & Б");

    mxml_node_t* saved = mxmlNewElement(MXML_NO_PARENT, "saved");
    save_form_values(f, saved);
    // Named widgets other than buttons, texts in UTF-8.
    mxml_node_t* label = xml_first_element(saved);
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(mxmlGetElement(label), "label");
    EXPECT_STREQ(xml_text(xml_first_element(label)), u8"ПОСЛЕ");
    mxml_node_t* notes = xml_next_element(label);
    ASSERT_NE(notes, nullptr);
    EXPECT_STREQ(mxmlGetElement(notes), "notes");
    EXPECT_STREQ(xml_text(xml_first_element(notes)), u8"А & Б");
    EXPECT_EQ(xml_next_element(notes), nullptr);

    // Applied to a fresh form, the saved state comes back.
    vuForm* again = load_form_file(file("again.xml", text).c_str(), nullptr);
    ASSERT_NE(again, nullptr);
    apply_form_values(again, saved);
    EXPECT_STREQ(static_cast<vuStatic*>(again->GetByName("label"))->GetText(), "ПОСЛЕ");
    delete again;
    mxmlDelete(saved);
}

} // namespace
