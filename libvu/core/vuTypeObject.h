// The kind number every toolkit view object reports through GetType().
// Forms recognise their children by it (a signature pad, a button's slave
// widget) and the default colour tables (vuColor) are indexed by it.
#ifndef VU_TYPE_OBJECT_H
#define VU_TYPE_OBJECT_H

enum _VU_TypeObject {
    VU_TYPE_UI = 0,                // the UI as a whole; the frame buffer too
    VU_TYPE_STATUS_LINE = 1,       // vuStatusLine
    VU_TYPE_FORM = 2,              // vuForm, vuChildForm
    VU_TYPE_MENU = 3,              // vuMenu
    VU_TYPE_MULTI_FORM = 4,        // vuMultiForm
    VU_TYPE_PANEL = 5,             // vuPanel
    VU_TYPE_MULTI_PANEL = 6,       // vuMultiPanel
    VU_TYPE_VIRTUAL_KEYBOARD = 7,  // vuVirtualKeyboard
    VU_TYPE_WIDGET = 10,           // vuWidget, vuBox
    VU_TYPE_MENU_ITEM = 11,        // vuMenuItem
    VU_TYPE_STATIC = 12,           // vuStatic
    VU_TYPE_BUTTON = 13,           // vuButton
    VU_TYPE_INPUT = 14,            // vuInput
    VU_TYPE_PATTERN_INPUT = 15,    // vuPatternInput
    VU_TYPE_SIGN_BOX = 16,         // vuSignBox
    VU_TYPE_CHECK_BOX = 17,        // vuCheckBox
    VU_TYPE_RADIO = 18,            // vuRadio
    VU_TYPE_MULTI_LINE = 19,       // vuMultiLine
    VU_TYPE_PROGRESS = 20,         // vuProgress
    VU_TYPE_MENU_BOX = 21,         // vuMenuBox
    VU_TYPE_IP_INPUT = 22,         // vuIPInput
    VU_TYPE_STATUS_OBJECT = 30,    // vuStatusObject
    VU_TYPE_TEXT_OBJECT = 31,      // vuTextObject
    VU_TYPE_IMAGES_OBJECT = 32,    // vuImagesObject
    VU_TYPE_PROGRESS_OBJECT = 33,  // vuProgressObject
    VU_TYPE_CLOCK = 34,            // vuClock
    VU_TYPE_BAT_LEVEL = 35,        // vuBatLevel
    VU_TYPE_NET_LEVEL = 36         // vuNetLevel
};

#endif
