// The additional tags of a receipt or of a position: the tag list with its
// add, delete and edit keys, and the dialog of one tag.
#ifndef APP_FISCAL_TAG_EDITOR_H
#define APP_FISCAL_TAG_EDITOR_H

#include "receipt_data.h"

class vuUI;

// Edits the ten tags in place: the number in use after OK, 0 after Cancel
// (the tags as they were), -1 when the list cannot be shown.
int EditTags(vuUI *ui, ReceiptTag *tags);
// One tag: 0 saved, -1 otherwise. A tag number of 0 leaves the entry free.
int InputTagDialog(vuUI *ui, ReceiptTag *tag);

#endif
