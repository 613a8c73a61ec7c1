// The key callback of the list editors (positions, tags, departments): the
// keys 241, 242 and 243 end the list form with 101 (add), 102 (delete) and
// 103 (edit).
#ifndef APP_FISCAL_LIST_EDITOR_KEYS_H
#define APP_FISCAL_LIST_EDITOR_KEYS_H

#include <stdint.h>

struct vuEvent;

enum { LIST_KEY_ADD = 241, LIST_KEY_DELETE = 242, LIST_KEY_EDIT = 243 };
enum { LIST_ADD = 101, LIST_DELETE = 102, LIST_EDIT = 103 };

// The vuUI::Show callback: the list result for the three keys, else 0.
int ListEditorKeys(vuEvent *event, intptr_t form);

#endif
