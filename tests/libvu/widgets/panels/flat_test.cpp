// The plain functions of the library: every one exported under its C name,
// the defaults for a null object, the argument guards, the constructors the
// Create functions choose, and forwarding through the virtual operations.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <type_traits>
#include <vector>

#include "MemScreen.h"
#include "vuColor.h"
#include "vuFlat.h"
#include "vuImage.h"
#include "vuUI.h"

extern "C" int vu_flat_c_scenario(vuForm** form, vuMenu** menu);

namespace {

// Every plain function of the library by its C name.
const char* const kFlatFunctions[] = {
    // UI singleton
    "vuUI_Init", "vuUI_InitExt", "vuUI_Done", "vuUI_GetLastError", "vuUI_GetVersion", "vuUI_GetBuildInfo",
    "vuUI_GetUI", "vuUI_GetStatusLine", "vuUI_IsModal", "vuUI_GetWidth", "vuUI_GetHeight", "vuUI_GetClientWidth",
    "vuUI_GetClientHeight", "vuUI_GetOption", "vuUI_Add", "vuUI_Del", "vuUI_Register", "vuUI_View",
    "vuUI_EndModal", "vuUI_Show", "vuUI_ShowExt", "vuUI_WaitEndModal", "vuUI_Refresh", "vuUI_Deactivate",
    "vuUI_Activate", "vuUI_Stop", "vuUI_Start", "vuUI_Flush", "vuUI_ShowBild", "vuUI_SetStatusLine",
    "vuUI_SetVirtualKeyboard", "vuUI_SetKeyboard", "vuUI_SetTouchCallBack", "vuUI_SetBackgroundImage",
    "vuUI_EnableStatusLine", "vuUI_FreeFont", "vuUI_SetOption", "vuUI_ClearOption", "vuUI_SetKeyScheme",
    "vuUI_SetFileFont", "vuUI_BlockInput", "vuUI_ThreadStart",
    // colours, images
    "vuColor_GetColor", "vuColor_SetColor", "vuImage_CreateFromFile", "vuImage_CreateFromData",
    "vuImage_CreateMemIcon", "vuImage_SetTransparentColor", "vuImage_Remove",
    // any widget
    "vuWidget_GetType", "vuWidget_Reset", "vuWidget_SetVisible", "vuWidget_SetTransparency", "vuWidget_SetBorder",
    "vuWidget_SetActiveTransparency", "vuWidget_SetActiveBorder", "vuWidget_SetJustify", "vuWidget_SetPassiveColor",
    "vuWidget_SetActiveColor", "vuWidget_SetFont", "vuWidget_SetKeyScheme", "vuWidget_SetActiveBackImage",
    "vuWidget_SetPassiveBackImage", "vuWidget_SetName", "vuWidget_GetDeltaX", "vuWidget_GetDeltaY",
    // labels, buttons
    "vuStatic_Create", "vuStatic_SetText", "vuStatic_SetImage", "vuStatic_GetText", "vuButton_Create",
    "vuButton_SetOption", "vuButton_ClearOption", "vuButton_SetAccelCode", "vuButton_SetSlaveWidget",
    "vuButton_SetSlaveValue", "vuButton_SetText", "vuButton_SetImage",
    // entry fields
    "vuInput_Create", "vuInput_GetMaxLen", "vuInput_GetRadix", "vuInput_SetRadix", "vuInput_GetCurPos",
    "vuInput_SetCurPos", "vuInput_GetValue", "vuInput_SetValue", "vuInput_GetHideSymbol", "vuInput_SetHideSymbol",
    "vuInput_GetMinusSymbol", "vuInput_SetMinusSymbol", "vuInput_SetDotMark", "vuInput_SetControlCodes",
    "vuInput_SetUserFunc", "vuInput_SetFonts", "vuInput_SetCursorLineShift", "vuPatternInput_Create",
    "vuPatternInput_SetPatternActiveColor", "vuPatternInput_SetPatternPassiveColor", "vuPatternInput_SetFillSymbol",
    "vuPatternInput_SetMaxLen", "vuPatternInput_SetPattern", "vuIPInput_Create", "vuIPInput_GetIP",
    "vuIPInput_GetIPtext", "vuIPInput_SetIP", "vuIPInput_SetIPtext",
    // progress bar, signature pad
    "vuProgress_Create", "vuProgress_SetValue", "vuSignBox_Create", "vuSignBox_IsSigned", "vuSignBox_SaveData",
    "vuSignBox_SetLineWidth",
    // lists
    "vuCheckBox_Create", "vuCheckBox_AddItem", "vuCheckBox_SetCheckImage", "vuCheckBox_SetUncheckImage",
    "vuCheckBox_GetSelected", "vuCheckBox_SetValue", "vuRadio_Create", "vuRadio_AddItem", "vuRadio_SetCheckImage",
    "vuRadio_SetUncheckImage", "vuRadio_GetSelected", "vuRadio_SetValue",
    // multi-line text
    "vuMultiLine_Create", "vuMultiLine_GetValue", "vuMultiLine_SetValue", "vuMultiLine_SetCursorLineShift",
    "vuMultiLine_SetMaxLen",
    // forms
    "vuForm_Create", "vuForm_GetType", "vuForm_Reset", "vuForm_Add", "vuForm_GetByName", "vuForm_GetState",
    "vuForm_SetOption", "vuForm_ClearOption", "vuForm_IsOption", "vuForm_SetColors", "vuForm_SetHeaderText",
    "vuForm_SetHeaderImage", "vuForm_SetHeaderColors", "vuForm_SetHeaderFont", "vuForm_SetHeaderHeight",
    "vuForm_SetHeaderJustify", "vuForm_GetFrontColor", "vuForm_GetBackColor", "vuForm_GetHeaderHeight",
    "vuForm_GetFocused", "vuForm_SetFocused", "vuForm_GetClientWidth", "vuForm_GetClientHeight", "vuForm_ResetTime",
    "vuForm_SetTimeOut", "vuForm_GetTimeOut", "vuForm_SetControlCodes", "vuChildForm_Create",
    // menus
    "vuMenu_Create", "vuMenu_AddItem", "vuMenu_AddItemExt", "vuMenu_AddItemExt2", "vuMenu_InsertItem",
    "vuMenu_InsertItemExt", "vuMenu_InsertItemExt2", "vuMenu_GetSelected", "vuMenu_GetSelectedExt", "vuMenu_GetCount",
    "vuMenu_SelectOnReset", "vuMenu_SetItemsTransparency", "vuMenu_SetItemsBorder",
    "vuMenu_SetItemsActiveTransparency", "vuMenu_SetItemsActiveBorder", "vuMenu_SetItemsPassiveColor",
    "vuMenu_SetItemsActiveColor", "vuMenu_SetAccelFont", "vuMenu_SetRowDelta", "vuMenu_SetRowInterval",
    "vuMenu_SetColumnInterval", "vuMenu_SetColumns", "vuMenu_SetMaxLines", "vuMenu_SetControlCodes",
    "vuMenuBox_Create", "vuMenuBox_AddItem", "vuMenuBox_AddItemExt", "vuMenuBox_AddItemExt2", "vuMenuBox_InsertItem",
    "vuMenuBox_InsertItemExt", "vuMenuBox_InsertItemExt2", "vuMenuBox_GetSelected", "vuMenuBox_GetSelectedExt",
    "vuMenuBox_GetCount", "vuMenuBox_SelectOnReset", "vuMenuBox_SetItemsTransparency", "vuMenuBox_SetItemsBorder",
    "vuMenuBox_SetItemsActiveTransparency", "vuMenuBox_SetItemsActiveBorder", "vuMenuBox_SetItemsPassiveColor",
    "vuMenuBox_SetItemsActiveColor", "vuMenuBox_SetAccelFont", "vuMenuBox_SetRowDelta", "vuMenuBox_SetRowInterval",
    "vuMenuBox_SetColumnInterval", "vuMenuBox_SetColumns", "vuMenuBox_SetMaxLines", "vuMenuBox_SetControlCodes",
    // panels, multi-panels, multi-forms
    "vuPanel_Create", "vuPanel_Reset", "vuPanel_Add", "vuPanel_Hide", "vuPanel_Open", "vuPanel_SetCommandCode",
    "vuMultiPanel_Create", "vuMultiPanel_Reset", "vuMultiPanel_SetMainForm", "vuMultiPanel_Add",
    "vuMultiForm_Create", "vuMultiForm_Reset", "vuMultiForm_Add",
    // status line and its objects
    "vuStatusLine_Create", "vuStatusLine_SetOption", "vuStatusLine_ClearOption", "vuStatusLine_IsOption",
    "vuStatusLine_Add", "vuStatusLine_GetByName", "vuStatusLine_SetColor", "vuStatusObject_GetType",
    "vuStatusObject_SetColor", "vuStatusObject_SetFont", "vuStatusObject_SetBackImage", "vuStatusObject_SetVisible",
    "vuStatusObject_SetTransparency", "vuStatusObject_SetBorder", "vuStatusObject_SetJustify",
    "vuStatusObject_SetName", "vuTextObject_Create", "vuTextObject_SetText", "vuImagesObject_Create",
    "vuImagesObject_Add", "vuImagesObject_SetCurrent", "vuClock_Create", "vuProgressObject_Create",
    "vuProgressObject_SetStep", "vuProgressObject_SetAddColors", "vuProgressObject_SetTextColor",
    "vuProgressObject_SetImage", "vuProgressObject_SetMaskImage", "vuProgressObject_SetWarningImage",
    "vuProgressObject_SetAdditionImage", "vuProgressObject_SetText", "vuProgressObject_SetUserFunc",
    "vuBatLevel_Create", "vuNetLevel_Create",
    // on-screen keyboard
    "vuVirtualKeyboardItem_Create", "vuVirtualKeyboardItem_AddRow", "vuVirtualKeyboard_Create",
    "vuVirtualKeyboard_AddItem", "vuVirtualKeyboard_SetImage", "vuVirtualKeyboard_SetActiveColor",
};

template <class R>
long long number(R r)
{
    if constexpr (std::is_pointer<R>::value)
        return static_cast<long long>(reinterpret_cast<intptr_t>(r));
    else
        return static_cast<long long>(r);
}

struct NullCase {
    const char* name;
    long long (*call)();
    long long expected;
};

// A function with a result called on a null object; ARGS are the arguments
// after the object.
#define NULL_CASE(fn, expected, ...) {#fn, [] { return number(fn(nullptr, ##__VA_ARGS__)); }, expected}

} // namespace

TEST(FlatExports, EveryFunctionUnderItsCName)
{
    EXPECT_EQ(sizeof kFlatFunctions / sizeof kFlatFunctions[0], 258u) << "209 widget functions, 49 of the core";
    void* lib = dlopen(VU_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr) << dlerror();
    std::vector<std::string> missing;
    for (const char* name : kFlatFunctions)
        if (!dlsym(lib, name))
            missing.push_back(name);
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
    dlclose(lib);
}

TEST(FlatNullObject, FamilyDefaults)
{
    char buf[32] = "untouched";
    const NullCase cases[] = {
        NULL_CASE(vuWidget_GetType, 255),
        NULL_CASE(vuForm_GetType, 255),
        NULL_CASE(vuStatusObject_GetType, 255),
        NULL_CASE(vuForm_Add, -1, nullptr),
        NULL_CASE(vuPanel_Add, -1, nullptr),
        NULL_CASE(vuMultiPanel_Add, -1, nullptr),
        NULL_CASE(vuMultiForm_Add, -1, nullptr),
        NULL_CASE(vuStatusLine_Add, -1, nullptr),
        NULL_CASE(vuImagesObject_Add, -1, nullptr),
        NULL_CASE(vuVirtualKeyboard_AddItem, -1, nullptr),
        NULL_CASE(vuCheckBox_AddItem, -1, "a", nullptr),
        NULL_CASE(vuRadio_AddItem, -1, "a", nullptr),
        NULL_CASE(vuMenu_AddItem, -1, "a", nullptr, 0),
        NULL_CASE(vuMenu_AddItemExt, -1, nullptr, nullptr),
        NULL_CASE(vuMenu_AddItemExt2, -1, nullptr, nullptr, 1),
        NULL_CASE(vuMenu_InsertItem, -1, "a", nullptr, 0),
        NULL_CASE(vuMenu_InsertItemExt, -1, nullptr, nullptr),
        NULL_CASE(vuMenu_InsertItemExt2, -1, nullptr, nullptr, 1),
        NULL_CASE(vuMenuBox_AddItem, -1, "a", nullptr, 0),
        NULL_CASE(vuMenuBox_AddItemExt, -1, nullptr, nullptr),
        NULL_CASE(vuMenuBox_AddItemExt2, -1, nullptr, nullptr, 1),
        NULL_CASE(vuMenuBox_InsertItem, -1, "a", nullptr, 0),
        NULL_CASE(vuMenuBox_InsertItemExt, -1, nullptr, nullptr),
        NULL_CASE(vuMenuBox_InsertItemExt2, -1, nullptr, nullptr, 1),
        NULL_CASE(vuForm_GetState, -1),
        NULL_CASE(vuMenu_GetSelected, -1),
        NULL_CASE(vuMenuBox_GetSelected, -1),
        NULL_CASE(vuIPInput_GetIPtext, -1, nullptr, 0),
        NULL_CASE(vuIPInput_SetIPtext, -1, "1.2.3.4"),
        NULL_CASE(vuSignBox_SaveData, -1, "/tmp/never-written.bmp"),
        NULL_CASE(vuWidget_GetDeltaX, 0, 0),
        NULL_CASE(vuWidget_GetDeltaY, 0, 1),
        NULL_CASE(vuStatic_GetText, 0),
        NULL_CASE(vuButton_SetOption, 0, 1),
        NULL_CASE(vuButton_ClearOption, 0, 1),
        NULL_CASE(vuInput_GetMaxLen, 0),
        NULL_CASE(vuInput_GetRadix, 0),
        NULL_CASE(vuInput_GetCurPos, 0),
        NULL_CASE(vuInput_GetValue, 0),
        NULL_CASE(vuInput_GetHideSymbol, 0),
        NULL_CASE(vuInput_GetMinusSymbol, 0),
        NULL_CASE(vuSignBox_IsSigned, 0),
        NULL_CASE(vuCheckBox_GetSelected, 0),
        NULL_CASE(vuRadio_GetSelected, 0),
        NULL_CASE(vuMultiLine_GetValue, 0),
        NULL_CASE(vuForm_GetByName, 0, "x"),
        NULL_CASE(vuForm_SetOption, 0, 1),
        NULL_CASE(vuForm_ClearOption, 0, 1),
        NULL_CASE(vuForm_IsOption, 0, 1),
        NULL_CASE(vuForm_GetFrontColor, 0),
        NULL_CASE(vuForm_GetBackColor, 0),
        NULL_CASE(vuForm_GetHeaderHeight, 0),
        NULL_CASE(vuForm_GetFocused, 0),
        NULL_CASE(vuForm_GetClientWidth, 0),
        NULL_CASE(vuForm_GetClientHeight, 0),
        NULL_CASE(vuForm_GetTimeOut, 0),
        NULL_CASE(vuMenu_GetSelectedExt, 0),
        NULL_CASE(vuMenu_GetCount, 0),
        NULL_CASE(vuMenuBox_GetSelectedExt, 0),
        NULL_CASE(vuMenuBox_GetCount, 0),
        NULL_CASE(vuStatusLine_SetOption, 0, 1),
        NULL_CASE(vuStatusLine_ClearOption, 0, 1),
        NULL_CASE(vuStatusLine_IsOption, 0, 1),
        NULL_CASE(vuStatusLine_GetByName, 0, "x"),
    };
    for (const NullCase& c : cases)
        EXPECT_EQ(c.call(), c.expected) << c.name;
    // Functions without a result do nothing at all; none touches what it
    // was handed.
    unsigned char ip[4] = {9, 9, 9, 9};
    vuWidget_Reset(nullptr);
    vuWidget_SetVisible(nullptr, 1);
    vuWidget_SetName(nullptr, "n");
    vuStatic_SetText(nullptr, "t");
    vuButton_SetSlaveValue(nullptr, "v");
    vuProgress_SetValue(nullptr, 5);
    vuSignBox_SetLineWidth(nullptr, 2);
    vuForm_Reset(nullptr);
    vuForm_SetHeaderText(nullptr, "h");
    vuMenu_SetControlCodes(nullptr, 1, 2, 3, 4);
    vuMenuBox_SelectOnReset(nullptr, 0);
    vuPanel_Open(nullptr);
    vuMultiPanel_SetMainForm(nullptr, nullptr);
    vuIPInput_GetIP(nullptr, ip);
    vuVirtualKeyboardItem_AddRow(nullptr, "a", "A", "a");
    vuStatusObject_SetName(nullptr, "n");
    EXPECT_EQ(memcmp(ip, "\x09\x09\x09\x09", 4), 0);
    EXPECT_EQ(vuIPInput_GetIPtext(nullptr, buf, sizeof buf), -1);
    EXPECT_STREQ(buf, "untouched");
}

TEST(FlatGuards, NullObjectToAddCallsNothing)
{
    struct Case {
        const char* name;
        vuViewContainerObject* container;
        int (*add)(vuViewContainerObject*);
    };
    vuForm* form = vuForm_Create(nullptr, nullptr);
    vuPanel* panel = vuPanel_Create(0, 0, 50, 50, 0);
    vuMultiPanel* multiPanel = vuMultiPanel_Create();
    vuMultiForm* multiForm = vuMultiForm_Create();
    vuStatusLine* line = vuStatusLine_Create(20, 0);
    const Case cases[] = {
        {"vuForm_Add", form, [](vuViewContainerObject* c) { return vuForm_Add(static_cast<vuForm*>(c), nullptr); }},
        {"vuPanel_Add", panel,
         [](vuViewContainerObject* c) { return vuPanel_Add(static_cast<vuPanel*>(c), nullptr); }},
        {"vuMultiPanel_Add", multiPanel,
         [](vuViewContainerObject* c) { return vuMultiPanel_Add(static_cast<vuMultiPanel*>(c), nullptr); }},
        {"vuMultiForm_Add", multiForm,
         [](vuViewContainerObject* c) { return vuMultiForm_Add(static_cast<vuMultiForm*>(c), nullptr); }},
        {"vuStatusLine_Add", line,
         [](vuViewContainerObject* c) { return vuStatusLine_Add(static_cast<vuStatusLine*>(c), nullptr); }},
    };
    for (const Case& c : cases) {
        // The operation itself would answer -2 for a null child.
        EXPECT_EQ(c.container->Add(nullptr), -2) << c.name;
        EXPECT_EQ(c.add(c.container), -1) << c.name;
        EXPECT_EQ(c.container->GetCount(), 0u) << c.name;
        delete c.container;
    }

    vuVirtualKeyboard* kb = vuVirtualKeyboard_Create();
    EXPECT_EQ(vuVirtualKeyboard_AddItem(kb, nullptr), -1);
    vuVirtualKeyboardItem* layout = vuVirtualKeyboardItem_Create(1, "abc");
    vuVirtualKeyboardItem_AddRow(layout, "abc", "ABC", "123");
    EXPECT_EQ(layout->GetRowCount(), 1);
    EXPECT_GE(vuVirtualKeyboard_AddItem(kb, layout), 0);
    delete kb;

    // No guard here: the operation gets the null image and refuses it.
    vuImagesObject* images = vuImagesObject_Create(0, 0, 10, 10);
    EXPECT_EQ(vuImagesObject_Add(images, nullptr), -2);
    delete images;
}

TEST(FlatGuards, NullMainFormKeepsTheHeldOne)
{
    vuMultiPanel* multi = vuMultiPanel_Create();
    vuChildForm* main = vuChildForm_Create(0, 0, 100, 100, nullptr, nullptr);
    vuMultiPanel_SetMainForm(multi, main);
    vuMultiPanel_SetMainForm(multi, nullptr);
    EXPECT_EQ(multi->GetMainForm(), main);
    delete multi;
}

TEST(FlatCreate, FormsChooseTheirConstructor)
{
    struct Case {
        const char* what;
        const char* text;
        bool image;
        bool header;
    } cases[] = {
        {"both null: the plain form", nullptr, false, false},
        {"text only", "Title", false, true},
        {"image only", nullptr, true, true},
        {"both", "Title", true, true},
    };
    for (const Case& c : cases) {
        vuImage* i1 = c.image ? vuImage_CreateMemIcon(0) : nullptr;
        vuImage* i2 = c.image ? vuImage_CreateMemIcon(0) : nullptr;
        vuForm* form = vuForm_Create(c.text, i1);
        vuChildForm* child = vuChildForm_Create(10, 20, 100, 50, c.text, i2);
        ASSERT_TRUE(form && child) << c.what;
        EXPECT_EQ(vuForm_IsOption(form, VU_FO_HEADER), c.header) << c.what;
        EXPECT_EQ(vuForm_IsOption(child, VU_FO_HEADER), c.header) << c.what;
        EXPECT_EQ(form->GetHeaderImage(), i1) << c.what;
        EXPECT_EQ(child->GetHeaderImage(), i2) << c.what;
        vuViewPort port;
        child->SetViewPort(&port);
        EXPECT_EQ(port.x, 10);
        EXPECT_EQ(port.y, 20);
        EXPECT_EQ(child->GetWidth(), 100);
        delete form;
        delete child;
    }
    // A menu always gets the constructor with a header, even without a title.
    vuMenu* menu = vuMenu_Create(nullptr, nullptr, 0);
    EXPECT_EQ(vuForm_IsOption(menu, VU_FO_HEADER), 1);
    EXPECT_EQ(vuForm_GetType(menu), VU_TYPE_MENU);
    delete menu;
}

TEST(FlatCreate, EveryFamilyBuildsItsKind)
{
    struct Case {
        vuViewObject* object;
        int type;
    } cases[] = {
        {vuStatic_Create(0, 0, 10, 10, "s", nullptr), VU_TYPE_STATIC},
        {vuButton_Create(0, 0, 10, 10, "b", nullptr, 13), VU_TYPE_BUTTON},
        {vuInput_Create(0, 0, 10, 10, 8, 0), VU_TYPE_INPUT},
        {vuPatternInput_Create(0, 0, 10, 10, 0, "__.__"), VU_TYPE_PATTERN_INPUT},
        {vuIPInput_Create(0, 0, 10, 10, 0), VU_TYPE_IP_INPUT},
        {vuProgress_Create(0, 0, 10, 10), VU_TYPE_PROGRESS},
        {vuSignBox_Create(0, 0, 10, 10), VU_TYPE_SIGN_BOX},
        {vuCheckBox_Create(0, 0, 10, 10), VU_TYPE_CHECK_BOX},
        {vuRadio_Create(0, 0, 10, 10), VU_TYPE_RADIO},
        {vuMultiLine_Create(0, 0, 10, 10, 0, "m"), VU_TYPE_MULTI_LINE},
        {vuMenuBox_Create(0, 0, 10, 10, 0, 0), VU_TYPE_MENU_BOX},
        {vuForm_Create(nullptr, nullptr), VU_TYPE_FORM},
        {vuMenu_Create("m", nullptr, 0), VU_TYPE_MENU},
        {vuPanel_Create(0, 0, 10, 10, 0), VU_TYPE_PANEL},
        {vuMultiPanel_Create(), VU_TYPE_MULTI_PANEL},
        {vuMultiForm_Create(), VU_TYPE_MULTI_FORM},
        {vuVirtualKeyboard_Create(), VU_TYPE_VIRTUAL_KEYBOARD},
        {vuStatusLine_Create(20, 0), VU_TYPE_STATUS_LINE},
        {vuTextObject_Create(0, 0, 10, 10, "t"), VU_TYPE_TEXT_OBJECT},
        {vuImagesObject_Create(0, 0, 10, 10), VU_TYPE_IMAGES_OBJECT},
        {vuClock_Create(0, 0, 10, 10, 1), VU_TYPE_CLOCK},
        {vuProgressObject_Create(0, 0, 10, 10, nullptr), VU_TYPE_PROGRESS_OBJECT},
        {vuBatLevel_Create(0, 0, 10, 10, nullptr), VU_TYPE_BAT_LEVEL},
        {vuNetLevel_Create(0, 0, 10, 10, nullptr), VU_TYPE_NET_LEVEL},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.object, nullptr);
        EXPECT_EQ(c.object->GetType(), c.type);
        delete c.object;
    }
}

TEST(FlatForwarding, DerivedObjectsRunTheirOverrides)
{
    // vuForm_Reset on a menu runs the menu's reset, which selects the item
    // marked for it.
    vuMenu* menu = vuMenu_Create("m", nullptr, 0);
    EXPECT_EQ(vuMenu_AddItem(menu, "one", nullptr, 0), 0);
    EXPECT_EQ(vuMenu_AddItem(menu, "two", nullptr, 0), 1);
    vuMenu_SelectOnReset(menu, 1);
    vuForm_Reset(menu);
    EXPECT_EQ(vuMenu_GetSelected(menu), 2);
    EXPECT_EQ(vuMenu_GetCount(menu), 2u);
    delete menu;

    // vuForm_Reset on a panel puts it at its hidden position.
    MemScreen screen(320, 240);
    vuPanel* panel = vuPanel_Create(0, 0, 100, 240, VU_PANEL_LEFT);
    ASSERT_GE(screen.Add(panel), 0);
    vuForm_Reset(panel);
    EXPECT_EQ(panel->IsHide(), 1);
    EXPECT_EQ(vuForm_GetType(panel), VU_TYPE_PANEL);

    // The widget family reaches any widget's own kind and setters.
    vuSignBox* pad = vuSignBox_Create(0, 0, 8, 8);
    EXPECT_EQ(vuWidget_GetType(pad), VU_TYPE_SIGN_BOX);
    vuSignBox_SetLineWidth(pad, 1);
    EXPECT_EQ(pad->GetLineWidth(), 1);
    EXPECT_EQ(vuSignBox_IsSigned(pad), 0);
    delete pad;

    // Option words: the form's own after the change.
    vuForm* form = vuForm_Create(nullptr, nullptr);
    EXPECT_EQ(vuForm_SetOption(form, VU_FO_FILL), VU_FO_OK | VU_FO_CANCEL | VU_FO_FILL);
    EXPECT_EQ(vuForm_ClearOption(form, VU_FO_OK), VU_FO_CANCEL | VU_FO_FILL);
    EXPECT_EQ(vuForm_IsOption(form, VU_FO_FILL), 1);
    delete form;

    vuIPInput* ip = vuIPInput_Create(0, 0, 100, 10, 0);
    EXPECT_EQ(vuIPInput_SetIPtext(ip, "10.0.0.1"), 0);
    char text[16];
    EXPECT_EQ(vuIPInput_GetIPtext(ip, text, sizeof text), 0);
    EXPECT_STREQ(text, "10.0.0.1");
    EXPECT_EQ(vuIPInput_SetIPtext(ip, "no address"), -1);
    delete ip;
}

TEST(FlatFromC, ACallerWithoutClasses)
{
    vuForm* form = nullptr;
    vuMenu* menu = nullptr;
    EXPECT_EQ(vu_flat_c_scenario(&form, &menu), 0);
    delete form;
    delete menu;
}
