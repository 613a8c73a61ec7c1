// The goods lines of a receipt: the list of up to 32 positions with its
// add, delete and edit keys, and the position editor's eleven pages
// (payment object, lot size, planned status, measure, the goods, tax rate,
// calculation method, agent, agent data, supplier, comment and tags).
#ifndef APP_FISCAL_POSITION_EDITOR_H
#define APP_FISCAL_POSITION_EDITOR_H

#include "receipt_data.h"

class vuUI;

// Edits the 32 positions in place: the number in use after OK, -1 when
// cancelled (every position as it was on entry) or the list cannot be
// shown. mode 1 receipt, 2 correction receipt (the settings section);
// mark_required: a marked position needs its code.
int EditPositions(vuUI *ui, ReceiptPosition *positions, int mode, int mark_required);
// One position: 1 saved, -1 cancelled or a page missing (the position is
// left as it was).
int EditPosition(vuUI *ui, ReceiptPosition *position, int mode, int mark_required);

#endif
