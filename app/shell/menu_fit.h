// Menu rows that fit: a row text too long for its row ends in "..." inside it.
#ifndef APP_SHELL_MENU_FIT_H
#define APP_SHELL_MENU_FIT_H

class vuMenu;

// Cuts the texts of a list menu's rows that would run past their rows,
// ending them in "...". A row holds the menu's client width less a pixel on
// each side, two more for the scroll bar when the rows do not all fit, and
// the digit the menu draws before each row when it numbers them (a cell of
// the accelerator font and two pixels). Call it once the rows are in and
// the menu has its size.
void menu_fit_rows(vuMenu *menu);

#endif
