/* The plain functions of the widget classes, one line each:
 *
 *   NEW(name, result, (parameters), construction)
 *   OP(name, result, null default, guard, (parameters), call)
 *
 * A NEW function builds an object and returns it. An OP function takes the
 * object first, always named o: when o is null, or when the guard (an
 * expression over the parameters, 1 for none) is false, it calls nothing and
 * returns the default; otherwise it returns what the call gives, converted
 * to its result type (a void result drops the operation's own). Calls go
 * through the virtual operations, so a derived object runs its override.
 *
 * The list is expanded twice: into C declarations (vuFlat.h) and into the
 * definitions (vuFlat.cpp). It must stay readable by a C compiler, so it
 * holds nothing but macros: the list and the two families it repeats. */
#ifndef VU_FLAT_TABLE_H
#define VU_FLAT_TABLE_H

#define VU_FLAT_FUNCTIONS(NEW, OP)                                                                                    \
    /* Any widget. */                                                                                                 \
    OP(vuWidget_GetType, int, 255, 1, (vuWidget * o), o->GetType())                                                   \
    OP(vuWidget_Reset, void, 0, 1, (vuWidget * o), o->Reset())                                                        \
    OP(vuWidget_SetVisible, void, 0, 1, (vuWidget * o, unsigned char visible), o->SetVisible(visible))                \
    OP(vuWidget_SetTransparency, void, 0, 1, (vuWidget * o, unsigned char on), o->SetTransparency(on))                \
    OP(vuWidget_SetBorder, void, 0, 1, (vuWidget * o, unsigned char on), o->SetBorder(on))                            \
    OP(vuWidget_SetActiveTransparency, void, 0, 1, (vuWidget * o, unsigned char on), o->SetActiveTransparency(on))    \
    OP(vuWidget_SetActiveBorder, void, 0, 1, (vuWidget * o, unsigned char on), o->SetActiveBorder(on))                \
    OP(vuWidget_SetJustify, void, 0, 1, (vuWidget * o, unsigned char justify), o->SetJustify(justify))                \
    OP(vuWidget_SetPassiveColor, void, 0, 1, (vuWidget * o, unsigned short front, unsigned short back),               \
       o->SetPassiveColor(front, back))                                                                               \
    OP(vuWidget_SetActiveColor, void, 0, 1, (vuWidget * o, unsigned short front, unsigned short back),                \
       o->SetActiveColor(front, back))                                                                                \
    OP(vuWidget_SetFont, void, 0, 1, (vuWidget * o, unsigned short slot), o->SetFont(slot))                           \
    OP(vuWidget_SetKeyScheme, void, 0, 1, (vuWidget * o, unsigned short index), o->SetKeyScheme(index))               \
    OP(vuWidget_SetActiveBackImage, void, 0, 1, (vuWidget * o, vuImage * image), o->SetActiveBackImage(image))        \
    OP(vuWidget_SetPassiveBackImage, void, 0, 1, (vuWidget * o, vuImage * image), o->SetPassiveBackImage(image))      \
    OP(vuWidget_SetName, void, 0, 1, (vuWidget * o, const char* name), o->SetName(name))                              \
    OP(vuWidget_GetDeltaX, unsigned short, 0, 1, (vuWidget * o, unsigned char remaining), o->GetDeltaX(remaining))    \
    OP(vuWidget_GetDeltaY, unsigned short, 0, 1, (vuWidget * o, unsigned char remaining), o->GetDeltaY(remaining))    \
    /* Labels and buttons. */                                                                                         \
    NEW(vuStatic_Create, vuStatic*,                                                                                   \
        (short x, short y, unsigned short w, unsigned short h, const char* text, vuImage* image),                     \
        VU_FLAT_ALLOC vuStatic(x, y, w, h, text, image))                                                              \
    OP(vuStatic_SetText, void, 0, 1, (vuStatic * o, const char* text), o->SetText(text))                              \
    OP(vuStatic_SetImage, void, 0, 1, (vuStatic * o, vuImage * image), o->SetImage(image))                            \
    OP(vuStatic_GetText, const char*, 0, 1, (vuStatic * o), o->GetText())                                             \
    NEW(vuButton_Create, vuButton*,                                                                                   \
        (short x, short y, unsigned short w, unsigned short h, const char* text, vuImage* image, unsigned char code), \
        VU_FLAT_ALLOC vuButton(x, y, w, h, text, image, code))                                                        \
    OP(vuButton_SetOption, unsigned short, 0, 1, (vuButton * o, unsigned short bits), o->SetOption(bits))             \
    OP(vuButton_ClearOption, unsigned short, 0, 1, (vuButton * o, unsigned short bits), o->ClearOption(bits))         \
    OP(vuButton_SetAccelCode, void, 0, 1, (vuButton * o, char code), o->SetAccelCode(code))                           \
    OP(vuButton_SetSlaveWidget, void, 0, 1, (vuButton * o, vuWidget * slave), o->SetSlaveWidget(slave))               \
    OP(vuButton_SetSlaveValue, void, 0, 1, (vuButton * o, const char* value), o->SetSlaveValue(value))                \
    OP(vuButton_SetText, void, 0, 1, (vuButton * o, const char* text), o->SetText(text))                              \
    OP(vuButton_SetImage, void, 0, 1, (vuButton * o, vuImage * image), o->SetImage(image))                            \
    /* Progress bar and signature pad. */                                                                             \
    NEW(vuProgress_Create, vuProgress*, (short x, short y, unsigned short w, unsigned short h),                       \
        VU_FLAT_ALLOC vuProgress(x, y, w, h))                                                                         \
    OP(vuProgress_SetValue, void, 0, 1, (vuProgress * o, unsigned short percent), o->SetValue(percent))               \
    NEW(vuSignBox_Create, vuSignBox*, (short x, short y, unsigned short w, unsigned short h),                         \
        VU_FLAT_ALLOC vuSignBox(x, y, w, h))                                                                          \
    OP(vuSignBox_IsSigned, unsigned char, 0, 1, (vuSignBox * o), o->IsSigned())                                       \
    OP(vuSignBox_SaveData, int, -1, 1, (vuSignBox * o, const char* path), o->SaveData(path))                          \
    OP(vuSignBox_SetLineWidth, void, 0, 1, (vuSignBox * o, unsigned short w), o->SetLineWidth(w))                     \
    /* Multi-line text. */                                                                                            \
    NEW(vuMultiLine_Create, vuMultiLine*,                                                                             \
        (short x, short y, unsigned short w, unsigned short h, unsigned short options, const char* text),             \
        VU_FLAT_ALLOC vuMultiLine(x, y, w, h, options, text))                                                         \
    OP(vuMultiLine_GetValue, const char*, 0, 1, (vuMultiLine * o), o->GetValue())                                     \
    OP(vuMultiLine_SetValue, void, 0, 1, (vuMultiLine * o, const char* text), o->SetValue(text))                      \
    OP(vuMultiLine_SetCursorLineShift, void, 0, 1, (vuMultiLine * o, short shift), o->SetCursorLineShift(shift))      \
    OP(vuMultiLine_SetMaxLen, void, 0, 1, (vuMultiLine * o, unsigned long len), o->SetMaxLen(len))                    \
    /* Any form; child forms. */                                                                                      \
    NEW(vuForm_Create, vuForm*, (const char* text, vuImage* image),                                                   \
        (text || image) ? VU_FLAT_ALLOC vuForm(text, image) : VU_FLAT_ALLOC vuForm())                                 \
    OP(vuForm_GetType, int, 255, 1, (vuForm * o), o->GetType())                                                       \
    OP(vuForm_Reset, void, 0, 1, (vuForm * o), o->Reset())                                                            \
    OP(vuForm_Add, int, -1, child, (vuForm * o, vuViewObject * child), o->Add(child))                                 \
    OP(vuForm_GetByName, vuObject*, 0, 1, (vuForm * o, const char* name), o->GetByName(name))                         \
    OP(vuForm_GetState, int, -1, 1, (vuForm * o), o->GetState())                                                      \
    OP(vuForm_SetOption, unsigned short, 0, 1, (vuForm * o, unsigned short bits),                                     \
       (o->SetOption(bits), o->GetOptions()))                                                                         \
    OP(vuForm_ClearOption, unsigned short, 0, 1, (vuForm * o, unsigned short bits),                                   \
       (o->ClearOption(bits), o->GetOptions()))                                                                       \
    OP(vuForm_IsOption, int, 0, 1, (vuForm * o, unsigned short bits), o->IsOption(bits))                              \
    OP(vuForm_SetColors, void, 0, 1, (vuForm * o, unsigned short front, unsigned short back), o->SetColors(front, back)) \
    OP(vuForm_SetHeaderText, void, 0, 1, (vuForm * o, const char* text), o->SetHeaderText(text))                      \
    OP(vuForm_SetHeaderImage, void, 0, 1, (vuForm * o, vuImage * image), o->SetHeaderImage(image))                    \
    OP(vuForm_SetHeaderColors, void, 0, 1, (vuForm * o, unsigned short front, unsigned short back),                   \
       o->SetHeaderColors(front, back))                                                                               \
    OP(vuForm_SetHeaderFont, void, 0, 1, (vuForm * o, unsigned short slot), o->SetHeaderFont(slot))                   \
    OP(vuForm_SetHeaderHeight, void, 0, 1, (vuForm * o, unsigned short h), o->SetHeaderHeight(h))                     \
    OP(vuForm_SetHeaderJustify, void, 0, 1, (vuForm * o, unsigned char justify), o->SetHeaderJustify(justify))        \
    OP(vuForm_GetFrontColor, unsigned short, 0, 1, (vuForm * o), o->GetFrontColor())                                  \
    OP(vuForm_GetBackColor, unsigned short, 0, 1, (vuForm * o), o->GetBackColor())                                    \
    OP(vuForm_GetHeaderHeight, unsigned short, 0, 1, (vuForm * o), o->GetHeaderHeight())                              \
    OP(vuForm_GetFocused, vuWidget*, 0, 1, (vuForm * o), o->GetFocused())                                             \
    OP(vuForm_SetFocused, void, 0, 1, (vuForm * o, vuWidget * w), o->SetFocused(w))                                   \
    OP(vuForm_GetClientWidth, uint16_t, 0, 1, (vuForm * o), o->GetClientWidth())                                      \
    OP(vuForm_GetClientHeight, uint16_t, 0, 1, (vuForm * o), o->GetClientHeight())                                    \
    OP(vuForm_ResetTime, void, 0, 1, (vuForm * o), o->ResetTime())                                                    \
    OP(vuForm_SetTimeOut, void, 0, 1, (vuForm * o, uint32_t ms), o->SetTimeOut(ms))                                   \
    OP(vuForm_GetTimeOut, uint32_t, 0, 1, (vuForm * o), o->GetTimeOut())                                              \
    OP(vuForm_SetControlCodes, void, 0, 1,                                                                            \
       (vuForm * o, unsigned char ok, unsigned char cancel, unsigned char next, unsigned char previous),              \
       o->SetControlCodes(ok, cancel, next, previous))                                                                \
    NEW(vuChildForm_Create, vuChildForm*,                                                                             \
        (unsigned short x, unsigned short y, unsigned short w, unsigned short h, const char* text, vuImage* image),   \
        (text || image) ? VU_FLAT_ALLOC vuChildForm(x, y, w, h, text, image) : VU_FLAT_ALLOC vuChildForm(x, y, w, h)) \
    /* Menus. */                                                                                                      \
    NEW(vuMenu_Create, vuMenu*, (const char* title, vuImage* image, unsigned char type),                              \
        VU_FLAT_ALLOC vuMenu(title, image, type))                                                                     \
    VU_FLAT_MENU_FAMILY(OP, vuMenu)                                                                                   \
    NEW(vuMenuBox_Create, vuMenuBox*,                                                                                 \
        (short x, short y, unsigned short w, unsigned short h, unsigned char type, unsigned short options),           \
        VU_FLAT_ALLOC vuMenuBox(x, y, w, h, type, options))                                                           \
    VU_FLAT_MENU_FAMILY(OP, vuMenuBox)                                                                                \
    /* Panels, multi-panels, multi-forms. */                                                                          \
    NEW(vuPanel_Create, vuPanel*,                                                                                     \
        (short x, short y, unsigned short w, unsigned short h, unsigned short options),                               \
        VU_FLAT_ALLOC vuPanel(x, y, w, h, options))                                                                   \
    OP(vuPanel_Reset, void, 0, 1, (vuPanel * o), o->Reset())                                                          \
    OP(vuPanel_Add, int, -1, child, (vuPanel * o, vuViewObject * child), o->Add(child))                               \
    OP(vuPanel_Hide, void, 0, 1, (vuPanel * o), o->Hide())                                                            \
    OP(vuPanel_Open, void, 0, 1, (vuPanel * o), o->Open())                                                            \
    OP(vuPanel_SetCommandCode, void, 0, 1, (vuPanel * o, unsigned char hide, unsigned char open),                     \
       o->SetCommandCode(hide, open))                                                                                 \
    NEW(vuMultiPanel_Create, vuMultiPanel*, (void), VU_FLAT_ALLOC vuMultiPanel())                                     \
    OP(vuMultiPanel_Reset, void, 0, 1, (vuMultiPanel * o), o->Reset())                                                \
    OP(vuMultiPanel_SetMainForm, void, 0, form, (vuMultiPanel * o, vuForm * form), o->SetMainForm(form))              \
    OP(vuMultiPanel_Add, int, -1, child, (vuMultiPanel * o, vuViewObject * child), o->Add(child))                     \
    NEW(vuMultiForm_Create, vuMultiForm*, (void), VU_FLAT_ALLOC vuMultiForm())                                        \
    OP(vuMultiForm_Reset, void, 0, 1, (vuMultiForm * o), o->Reset())                                                  \
    OP(vuMultiForm_Add, int, -1, child, (vuMultiForm * o, vuViewObject * child), o->Add(child))                       \
    /* Status line and its objects. */                                                                                \
    NEW(vuStatusLine_Create, vuStatusLine*, (unsigned short height, unsigned short options),                          \
        VU_FLAT_ALLOC vuStatusLine(height, options))                                                                  \
    OP(vuStatusLine_SetOption, unsigned short, 0, 1, (vuStatusLine * o, unsigned short bits), o->SetOption(bits))     \
    OP(vuStatusLine_ClearOption, unsigned short, 0, 1, (vuStatusLine * o, unsigned short bits), o->ClearOption(bits)) \
    OP(vuStatusLine_IsOption, int, 0, 1, (vuStatusLine * o, unsigned short bits), o->IsOption(bits))                  \
    OP(vuStatusLine_Add, int, -1, child, (vuStatusLine * o, vuViewObject * child), o->Add(child))                     \
    OP(vuStatusLine_GetByName, vuObject*, 0, 1, (vuStatusLine * o, const char* name), o->GetByName(name))             \
    OP(vuStatusLine_SetColor, void, 0, 1, (vuStatusLine * o, unsigned short colour), o->SetColor(colour))             \
    OP(vuStatusObject_GetType, int, 255, 1, (vuStatusObject * o), o->GetType())                                       \
    OP(vuStatusObject_SetColor, void, 0, 1, (vuStatusObject * o, unsigned short front, unsigned short back),          \
       o->SetColor(front, back))                                                                                      \
    OP(vuStatusObject_SetFont, void, 0, 1, (vuStatusObject * o, unsigned short slot), o->SetFont(slot))               \
    OP(vuStatusObject_SetBackImage, void, 0, 1, (vuStatusObject * o, vuImage * image), o->SetBackImage(image))        \
    OP(vuStatusObject_SetVisible, void, 0, 1, (vuStatusObject * o, unsigned char visible), o->SetVisible(visible))    \
    OP(vuStatusObject_SetTransparency, void, 0, 1, (vuStatusObject * o, unsigned char on), o->SetTransparency(on))    \
    OP(vuStatusObject_SetBorder, void, 0, 1, (vuStatusObject * o, unsigned char on), o->SetBorder(on))                \
    OP(vuStatusObject_SetJustify, void, 0, 1, (vuStatusObject * o, unsigned char bits), o->SetJustify(bits))          \
    OP(vuStatusObject_SetName, void, 0, 1, (vuStatusObject * o, const char* name), o->SetName(name))                  \
    NEW(vuTextObject_Create, vuTextObject*,                                                                           \
        (short x, short y, unsigned short w, unsigned short h, const char* text),                                     \
        VU_FLAT_ALLOC vuTextObject(x, y, w, h, text))                                                                 \
    OP(vuTextObject_SetText, void, 0, 1, (vuTextObject * o, const char* text), o->SetText(text))                      \
    NEW(vuImagesObject_Create, vuImagesObject*, (short x, short y, unsigned short w, unsigned short h),               \
        VU_FLAT_ALLOC vuImagesObject(x, y, w, h))                                                                     \
    OP(vuImagesObject_Add, int, -1, 1, (vuImagesObject * o, vuImage * image), o->Add(image))                          \
    OP(vuImagesObject_SetCurrent, void, 0, 1, (vuImagesObject * o, unsigned short n), o->SetCurrent(n))               \
    NEW(vuClock_Create, vuClock*, (short x, short y, unsigned short w, unsigned short h, unsigned short font),        \
        VU_FLAT_ALLOC vuClock(x, y, w, h, font))                                                                      \
    NEW(vuProgressObject_Create, vuProgressObject*,                                                                   \
        (short x, short y, unsigned short w, unsigned short h, vuLevelFunc func),                                     \
        VU_FLAT_ALLOC vuProgressObject(x, y, w, h, func))                                                             \
    OP(vuProgressObject_SetStep, void, 0, 1, (vuProgressObject * o, unsigned short step), o->SetStep(step))           \
    OP(vuProgressObject_SetAddColors, void, 0, 1,                                                                     \
       (vuProgressObject * o, unsigned short mask, unsigned short warning, unsigned short addition),                  \
       o->SetAddColors(mask, warning, addition))                                                                      \
    OP(vuProgressObject_SetTextColor, void, 0, 1, (vuProgressObject * o, unsigned short colour),                      \
       o->SetTextColor(colour))                                                                                       \
    OP(vuProgressObject_SetImage, void, 0, 1, (vuProgressObject * o, vuImage * image), o->SetImage(image))            \
    OP(vuProgressObject_SetMaskImage, void, 0, 1, (vuProgressObject * o, vuImage * image), o->SetMaskImage(image))    \
    OP(vuProgressObject_SetWarningImage, void, 0, 1, (vuProgressObject * o, vuImage * image),                         \
       o->SetWarningImage(image))                                                                                     \
    OP(vuProgressObject_SetAdditionImage, void, 0, 1, (vuProgressObject * o, vuImage * image),                        \
       o->SetAdditionImage(image))                                                                                    \
    OP(vuProgressObject_SetText, void, 0, 1, (vuProgressObject * o, const char* text), o->SetText(text))              \
    OP(vuProgressObject_SetUserFunc, void, 0, 1, (vuProgressObject * o, vuLevelFunc func), o->SetUserFunc(func))      \
    NEW(vuBatLevel_Create, vuBatLevel*, (short x, short y, unsigned short w, unsigned short h, vuLevelFunc func),     \
        VU_FLAT_ALLOC vuBatLevel(x, y, w, h, func))                                                                   \
    NEW(vuNetLevel_Create, vuNetLevel*, (short x, short y, unsigned short w, unsigned short h, vuLevelFunc func),     \
        VU_FLAT_ALLOC vuNetLevel(x, y, w, h, func))                                                                   \
    /* Entry fields. */                                                                                               \
    NEW(vuInput_Create, vuInput*,                                                                                     \
        (short x, short y, unsigned short w, unsigned short h, unsigned short maxLen, unsigned short options),        \
        VU_FLAT_ALLOC vuInput(x, y, w, h, maxLen, options))                                                           \
    OP(vuInput_GetMaxLen, unsigned short, 0, 1, (vuInput * o), o->GetMaxLen())                                        \
    OP(vuInput_GetRadix, unsigned short, 0, 1, (vuInput * o), o->GetRadix())                                          \
    OP(vuInput_SetRadix, void, 0, 1, (vuInput * o, unsigned short radix), o->SetRadix(radix))                         \
    OP(vuInput_GetCurPos, unsigned short, 0, 1, (vuInput * o), o->GetCurPos())                                        \
    OP(vuInput_SetCurPos, void, 0, 1, (vuInput * o, unsigned short pos), o->SetCurPos(pos))                           \
    OP(vuInput_GetValue, const char*, 0, 1, (vuInput * o), o->GetValue())                                             \
    OP(vuInput_SetValue, void, 0, 1, (vuInput * o, const char* text), o->SetValue(text))                              \
    OP(vuInput_GetHideSymbol, char, 0, 1, (vuInput * o), o->GetHideSymbol())                                          \
    OP(vuInput_SetHideSymbol, void, 0, 1, (vuInput * o, char ch), o->SetHideSymbol(ch))                               \
    OP(vuInput_GetMinusSymbol, char, 0, 1, (vuInput * o), o->GetMinusSymbol())                                        \
    OP(vuInput_SetMinusSymbol, void, 0, 1, (vuInput * o, char ch), o->SetMinusSymbol(ch))                             \
    OP(vuInput_SetDotMark, void, 0, 1, (vuInput * o, vuImage * image), o->SetDotMark(image))                          \
    OP(vuInput_SetControlCodes, void, 0, 1,                                                                           \
       (vuInput * o, unsigned char point, unsigned char hex, unsigned char sign, unsigned char next),                 \
       o->SetControlCodes(point, hex, sign, next))                                                                    \
    OP(vuInput_SetUserFunc, void, 0, 1,                                                                               \
       (vuInput * o, vuInputAddFunc add, vuInputExchFunc exch, vuInputDelFunc del, vuInputEndFunc end),               \
       o->SetUserFunc(add, exch, del, end))                                                                           \
    OP(vuInput_SetFonts, void, 0, 1, (vuInput * o, unsigned short main, unsigned short fraction),                     \
       o->SetFonts(main, fraction))                                                                                   \
    OP(vuInput_SetCursorLineShift, void, 0, 1, (vuInput * o, short shift), o->SetCursorLineShift(shift))              \
    NEW(vuPatternInput_Create, vuPatternInput*,                                                                       \
        (short x, short y, unsigned short w, unsigned short h, unsigned short options, const char* pattern),          \
        VU_FLAT_ALLOC vuPatternInput(x, y, w, h, options, pattern))                                                   \
    OP(vuPatternInput_SetPatternActiveColor, void, 0, 1, (vuPatternInput * o, unsigned short front, unsigned short back), \
       o->SetPatternActiveColor(front, back))                                                                         \
    OP(vuPatternInput_SetPatternPassiveColor, void, 0, 1, (vuPatternInput * o, unsigned short front, unsigned short back), \
       o->SetPatternPassiveColor(front, back))                                                                        \
    OP(vuPatternInput_SetFillSymbol, void, 0, 1, (vuPatternInput * o, char ch), o->SetFillSymbol(ch))                 \
    OP(vuPatternInput_SetMaxLen, void, 0, 1, (vuPatternInput * o, unsigned short len), o->SetMaxLen(len))             \
    OP(vuPatternInput_SetPattern, void, 0, 1, (vuPatternInput * o, const char* pattern), o->SetPattern(pattern))      \
    NEW(vuIPInput_Create, vuIPInput*, (short x, short y, unsigned short w, unsigned short h, unsigned short options), \
        VU_FLAT_ALLOC vuIPInput(x, y, w, h, options))                                                                 \
    OP(vuIPInput_GetIP, void, 0, 1, (vuIPInput * o, unsigned char* out), o->GetIP(out))                               \
    OP(vuIPInput_GetIPtext, int, -1, 1, (vuIPInput * o, char* out, unsigned short size), o->GetIPtext(out, size))     \
    OP(vuIPInput_SetIP, void, 0, 1, (vuIPInput * o, const unsigned char* in), o->SetIP(in))                           \
    OP(vuIPInput_SetIPtext, int, -1, 1, (vuIPInput * o, const char* text), o->SetIPtext(text))                        \
    /* Check-box and radio lists. */                                                                                  \
    NEW(vuCheckBox_Create, vuCheckBox*, (short x, short y, unsigned short w, unsigned short h),                       \
        VU_FLAT_ALLOC vuCheckBox(x, y, w, h))                                                                         \
    VU_FLAT_BOX_FAMILY(OP, vuCheckBox)                                                                                \
    NEW(vuRadio_Create, vuRadio*, (short x, short y, unsigned short w, unsigned short h),                             \
        VU_FLAT_ALLOC vuRadio(x, y, w, h))                                                                            \
    VU_FLAT_BOX_FAMILY(OP, vuRadio)                                                                                   \
    /* On-screen keyboard and its layouts. */                                                                         \
    NEW(vuVirtualKeyboardItem_Create, vuVirtualKeyboardItem*, (unsigned short font, const char* name),                \
        VU_FLAT_ALLOC vuVirtualKeyboardItem(font, name))                                                              \
    OP(vuVirtualKeyboardItem_AddRow, void, 0, 1,                                                                      \
       (vuVirtualKeyboardItem * o, const char* codes, const char* capsCodes, const char* shiftCodes),                 \
       o->vuVirtualKeyboardItem::AddRow(codes, capsCodes, shiftCodes))                                                \
    NEW(vuVirtualKeyboard_Create, vuVirtualKeyboard*, (void), VU_FLAT_ALLOC vuVirtualKeyboard())                      \
    OP(vuVirtualKeyboard_AddItem, int, -1, layout, (vuVirtualKeyboard * o, vuVirtualKeyboardItem * layout),           \
       o->AddItem(layout))                                                                                            \
    OP(vuVirtualKeyboard_SetImage, void, 0, 1, (vuVirtualKeyboard * o, unsigned char key, vuImage * image),           \
       o->SetImage(key, image))                                                                                       \
    OP(vuVirtualKeyboard_SetActiveColor, void, 0, 1, (vuVirtualKeyboard * o, unsigned short front, unsigned short back), \
       o->SetActiveColor(front, back))

/* The 23 operations that menus and menu boxes share. */
#define VU_FLAT_MENU_FAMILY(OP, C)                                                                                    \
    OP(C##_AddItem, int, -1, 1, (C * o, const char* text, vuImage* image, unsigned char keyChar),                     \
       o->AddItem(text, image, keyChar))                                                                              \
    OP(C##_AddItemExt, int, -1, 1, (C * o, MENU_ITEM_EXT * item, vuImage * image), o->AddItemExt(item, image))        \
    OP(C##_AddItemExt2, int, -1, 1, (C * o, MENU_ITEM_EXT * item, vuImage * image, unsigned short font),              \
       o->AddItemExt(item, image, font))                                                                              \
    OP(C##_InsertItem, int, -1, 1, (C * o, const char* text, vuImage* image, unsigned char keyChar),                  \
       o->InsertItem(text, image, keyChar))                                                                           \
    OP(C##_InsertItemExt, int, -1, 1, (C * o, MENU_ITEM_EXT * item, vuImage * image), o->InsertItemExt(item, image))  \
    OP(C##_InsertItemExt2, int, -1, 1, (C * o, MENU_ITEM_EXT * item, vuImage * image, unsigned short font),           \
       o->InsertItemExt(item, image, font))                                                                           \
    OP(C##_GetSelected, int, -1, 1, (C * o), o->GetSelected())                                                        \
    OP(C##_GetSelectedExt, MENU_ITEM_EXT*, 0, 1, (C * o), o->GetSelectedExt())                                        \
    OP(C##_GetCount, unsigned int, 0, 1, (C * o), o->GetCount())                                                      \
    OP(C##_SelectOnReset, void, 0, 1, (C * o, unsigned short index), o->SelectOnReset(index))                         \
    OP(C##_SetItemsTransparency, void, 0, 1, (C * o, unsigned char on), o->SetItemsTransparency(on))                  \
    OP(C##_SetItemsBorder, void, 0, 1, (C * o, unsigned char on), o->SetItemsBorder(on))                              \
    OP(C##_SetItemsActiveTransparency, void, 0, 1, (C * o, unsigned char on), o->SetItemsActiveTransparency(on))      \
    OP(C##_SetItemsActiveBorder, void, 0, 1, (C * o, unsigned char on), o->SetItemsActiveBorder(on))                  \
    OP(C##_SetItemsPassiveColor, void, 0, 1, (C * o, unsigned short front, unsigned short back),                      \
       o->SetItemsPassiveColor(front, back))                                                                          \
    OP(C##_SetItemsActiveColor, void, 0, 1, (C * o, unsigned short front, unsigned short back),                       \
       o->SetItemsActiveColor(front, back))                                                                           \
    OP(C##_SetAccelFont, void, 0, 1, (C * o, unsigned short slot), o->SetAccelFont(slot))                             \
    OP(C##_SetRowDelta, void, 0, 1, (C * o, unsigned short pixels), o->SetRowDelta(pixels))                           \
    OP(C##_SetRowInterval, void, 0, 1, (C * o, unsigned short pixels), o->SetRowInterval(pixels))                     \
    OP(C##_SetColumnInterval, void, 0, 1, (C * o, unsigned short pixels), o->SetColumnInterval(pixels))               \
    OP(C##_SetColumns, void, 0, 1, (C * o, unsigned short n), o->SetColumns(n))                                       \
    OP(C##_SetMaxLines, void, 0, 1, (C * o, unsigned short n), o->SetMaxLines(n))                                     \
    OP(C##_SetControlCodes, void, 0, 1,                                                                               \
       (C * o, unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown),                   \
       o->SetControlCodes(up, down, pageUp, pageDown))

/* The operations that check-box and radio lists share. */
#define VU_FLAT_BOX_FAMILY(OP, C)                                                                                     \
    OP(C##_AddItem, int, -1, 1, (C * o, const char* text, vuImage* picture), o->AddItem(text, picture))               \
    OP(C##_SetCheckImage, void, 0, 1, (C * o, vuImage * image), o->SetCheckImage(image))                              \
    OP(C##_SetUncheckImage, void, 0, 1, (C * o, vuImage * image), o->SetUncheckImage(image))                          \
    OP(C##_GetSelected, unsigned int, 0, 1, (C * o), o->GetSelected())                                                \
    OP(C##_SetValue, void, 0, 1, (C * o, unsigned int value), o->SetValue(value))

#endif
