/* Plain functions over the widget classes, for callers that cannot use the
 * classes themselves (no name mangling, no virtual tables): each is named
 * class, underscore, operation, takes the object first and forwards to the
 * operation of that name. Objects cross as opaque pointers; the Create
 * functions build them, and their owners (forms, the status line, the UI)
 * release them as they release objects built with the constructors. A null
 * object calls nothing and returns its family's default: 255 from the
 * GetType functions, -1 from the add and insert functions, GetState,
 * GetSelected, GetIPtext, SetIPtext and SaveData, 0 (or null) otherwise.
 *
 * This header is valid C as well as C++. */
#ifndef VU_FLAT_H
#define VU_FLAT_H

#include <stdint.h>

#include "vuExport.h"
#include "vuFlatTable.h"

#ifdef __cplusplus
#include "vuBatLevel.h"
#include "vuButton.h"
#include "vuCheckBox.h"
#include "vuClock.h"
#include "vuForm.h"
#include "vuIPInput.h"
#include "vuImagesObject.h"
#include "vuInput.h"
#include "vuMenu.h"
#include "vuMenuBox.h"
#include "vuMenuItem.h"
#include "vuMultiForm.h"
#include "vuMultiLine.h"
#include "vuMultiPanel.h"
#include "vuNetLevel.h"
#include "vuPanel.h"
#include "vuPatternInput.h"
#include "vuProgress.h"
#include "vuProgressObject.h"
#include "vuRadio.h"
#include "vuSignBox.h"
#include "vuStatic.h"
#include "vuStatusLine.h"
#include "vuStatusObject.h"
#include "vuTextObject.h"
#include "vuVirtualKeyboard.h"
#include "vuVirtualKeyboardItem.h"
#include "vuWidget.h"
typedef vuInput::AddFunc vuInputAddFunc;
typedef vuInput::ExchFunc vuInputExchFunc;
typedef vuInput::DelFunc vuInputDelFunc;
typedef vuInput::EndFunc vuInputEndFunc;
#else
typedef struct vuObject vuObject;
typedef struct vuViewObject vuViewObject;
typedef struct vuImage vuImage;
typedef struct vuWidget vuWidget;
typedef struct vuStatic vuStatic;
typedef struct vuButton vuButton;
typedef struct vuProgress vuProgress;
typedef struct vuSignBox vuSignBox;
typedef struct vuMultiLine vuMultiLine;
typedef struct vuInput vuInput;
typedef struct vuPatternInput vuPatternInput;
typedef struct vuIPInput vuIPInput;
typedef struct vuCheckBox vuCheckBox;
typedef struct vuRadio vuRadio;
typedef struct vuForm vuForm;
typedef struct vuChildForm vuChildForm;
typedef struct vuMenu vuMenu;
typedef struct vuMenuBox vuMenuBox;
typedef struct vuPanel vuPanel;
typedef struct vuMultiPanel vuMultiPanel;
typedef struct vuMultiForm vuMultiForm;
typedef struct vuStatusLine vuStatusLine;
typedef struct vuStatusObject vuStatusObject;
typedef struct vuTextObject vuTextObject;
typedef struct vuImagesObject vuImagesObject;
typedef struct vuClock vuClock;
typedef struct vuProgressObject vuProgressObject;
typedef struct vuBatLevel vuBatLevel;
typedef struct vuNetLevel vuNetLevel;
typedef struct vuVirtualKeyboard vuVirtualKeyboard;
typedef struct vuVirtualKeyboardItem vuVirtualKeyboardItem;
/* The menu item record, laid out as the menus read it. Clear it before
 * filling it in. */
typedef struct MENU_ITEM_EXT {
    const char* text;
    const char* text2;
    unsigned long tag;
    uint32_t value;
    unsigned char selectOnReset;
    unsigned char keyChar;
    unsigned char noWrap;
} MENU_ITEM_EXT;
/* Level function of a status-line indicator: called with the indicator's
 * address, returns the level word. */
typedef unsigned short (*vuLevelFunc)(intptr_t indicator);
/* User functions of an entry field (vuInput::SetUserFunc), called with the
 * field's address. */
typedef unsigned char (*vuInputAddFunc)(intptr_t field, unsigned char ch);
typedef void (*vuInputExchFunc)(intptr_t field, unsigned char ch);
typedef void (*vuInputDelFunc)(intptr_t field);
typedef void (*vuInputEndFunc)(intptr_t field);
#endif

#define VU_FLAT_DECLARE_NEW(name, result, params, construction) VU_C_API result name params;
#define VU_FLAT_DECLARE_OP(name, result, dflt, guard, params, call) VU_C_API result name params;
VU_FLAT_FUNCTIONS(VU_FLAT_DECLARE_NEW, VU_FLAT_DECLARE_OP)
#undef VU_FLAT_DECLARE_NEW
#undef VU_FLAT_DECLARE_OP

#endif
