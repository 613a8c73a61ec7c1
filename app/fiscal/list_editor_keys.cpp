#include "list_editor_keys.h"

#include "vuEvent.h"

int ListEditorKeys(vuEvent *event, intptr_t)
{
    if (!event)
        return 0;
    switch (event->key) {
    case LIST_KEY_ADD:
        return LIST_ADD;
    case LIST_KEY_DELETE:
        return LIST_DELETE;
    case LIST_KEY_EDIT:
        return LIST_EDIT;
    default:
        return 0;
    }
}
