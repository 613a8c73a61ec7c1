/* A caller of the plain functions written in C: it sees only vuFlat.h, with
 * opaque objects and the menu item record laid out for C. */
#include <string.h>

#include "vuFlat.h"

/* Builds a form with a named label and a menu with one tagged item, checking
 * each step; 0, or the number of the first step that failed. The objects are
 * handed back to be released by their owner. */
int vu_flat_c_scenario(vuForm** form, vuMenu** menu)
{
    MENU_ITEM_EXT item;
    vuStatic* label;
    MENU_ITEM_EXT* chosen;

    *form = vuForm_Create(NULL, NULL);
    *menu = vuMenu_Create("Menu", NULL, 0);
    if (!*form || !*menu)
        return 1;
    label = vuStatic_Create(1, 2, 30, 10, "abc", NULL);
    if (!label)
        return 2;
    vuWidget_SetName((vuWidget*)label, "label");
    if (vuForm_Add(*form, (vuViewObject*)label) != 0)
        return 3;
    if (vuForm_GetByName(*form, "label") != (vuObject*)label)
        return 4;
    if (strcmp(vuStatic_GetText(label), "abc") != 0)
        return 5;
    if (vuWidget_GetType((vuWidget*)label) != 12 || vuForm_GetType(*form) != 2)
        return 6;
    if (vuForm_GetType(NULL) != 255 || vuForm_GetState(NULL) != -1 || vuMenu_GetCount(NULL) != 0)
        return 7;

    memset(&item, 0, sizeof item);
    item.text = "first";
    item.tag = 0x5A5A;
    item.value = 77;
    item.selectOnReset = 1;
    if (vuMenu_AddItemExt(*menu, &item, NULL) != 0)
        return 8;
    vuForm_Reset((vuForm*)*menu);
    if (vuMenu_GetSelected(*menu) != 1)
        return 9;
    chosen = vuMenu_GetSelectedExt(*menu);
    if (!chosen || chosen->tag != 0x5A5A || chosen->value != 77 || strcmp(chosen->text, "first") != 0)
        return 10;
    return 0;
}
