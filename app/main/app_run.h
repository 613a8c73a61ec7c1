// The life of the program: start-up, the main menu loop, the sub-menus with
// the dispatch of their items to the screens, and the stop sequence.
#ifndef APP_MAIN_APP_RUN_H
#define APP_MAIN_APP_RUN_H

class vuUI;

// Start modes: 1 only refreshes the cached drive state, 2 opens the
// controller monitor terminal before the controller wait, 3 checks the
// terminal's clock against the controller's after the wait (the older date
// and time screen follows a correction), anything else waits for the
// controller.
void app_run(int mode);
// Loads "./res/kkt_menu_<id>.xml" and runs it until it is cancelled.
void run_submenu(vuUI *ui, const char *id);

// A screen reached from a sub-menu item, given the item's text as its title.
typedef void (*SubmenuHandler)(vuUI *ui, const char *title);
struct SubmenuEntry {
    const char *id;
    SubmenuHandler handler;
};
// The dispatch table in the order names are compared; count through n.
const SubmenuEntry *submenu_table(int *n);
// The handler of an item identifier (exact, case-sensitive), or null.
SubmenuHandler submenu_handler(const char *id);

// The multi-tap key schemes: ten strings (one per digit key) and two nulls.
const char **text_key_scheme();
const char **hex_key_scheme();

#endif
