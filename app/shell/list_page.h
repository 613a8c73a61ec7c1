// The screen kit's choice list: a menu built in code, filled with rows by
// the screen, shown modally and removed when the scope ends.
//
//     ListPage page(ui, list_menu_new("ВЫБОР"));
//     page.menu()->AddItem("ПЕРВЫЙ", nullptr, 0);
//     unsigned row = page.choose();   // from 1; 0 when left
#ifndef APP_SHELL_LIST_PAGE_H
#define APP_SHELL_LIST_PAGE_H

#include "scoped_dialog.h"

class vuMenu;

// The plain list look: a cancel key, rows without borders, transparent,
// 6 pixels apart.
vuMenu *list_menu_new(const char *title);

class ListPage {
public:
    // Takes the menu (any look) and adds it to the UI.
    ListPage(vuUI *ui, vuMenu *menu);

    explicit operator bool() const { return menu_ != nullptr; }
    vuMenu *menu() const { return menu_; }
    // Resets and shows the menu and waits for its end: its end state.
    int show();
    // show(): the chosen row (counted from 1), or 0 when the list was left
    // without a choice.
    unsigned choose();
    // Removes the menu now rather than at the scope's end.
    void close();

private:
    ScopedDialog dialog_;
    vuMenu *menu_;
};

#endif
