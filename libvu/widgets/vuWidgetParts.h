// vuWidgetParts: small pieces of state handling that widgets, forms, menu
// items and status objects share.
#ifndef VU_WIDGET_PARTS_H
#define VU_WIDGET_PARTS_H

// A copy of text; null for null.
char* vuCopyText(const char* text);
// Puts a copy of text (null for null) into slot, then frees what the slot
// held: text may be the slot's own.
void vuReplaceText(char*& slot, const char* text);

#endif
