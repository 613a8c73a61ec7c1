// Trace of what the screen shows, for tests and for people debugging: when
// the environment variable CASHDESK_TRACE names a file, one JSON object per
// line is appended to it for every form shown modally (by the toolkit) and
// for whatever the program adds (message boxes). Texts are written in UTF-8.
// Off when the variable is unset or empty; nothing then costs more than one
// test of a flag.
#ifndef VU_TRACE_H
#define VU_TRACE_H

#include <stdint.h>

#include <string>

#include "vuExport.h"

class vuForm;

// One line of the trace, built member by member and written whole.
class VU_API vuTraceLine {
public:
    // Starts the object with "event": kind and the process's tick count.
    explicit vuTraceLine(const char *kind);
    // A text member; the text is taken as CP1251 (what the screen holds)
    // and written as UTF-8; null is written as "".
    vuTraceLine &Text(const char *key, const char *cp1251);
    vuTraceLine &Number(const char *key, long value);
    // A member whose value is JSON already (an array or object).
    vuTraceLine &Json(const char *key, const std::string &json);
    // Appends the line (one write) when tracing is on.
    void Write();

    // The JSON string of a CP1251 text, quotes included.
    static std::string Quote(const char *cp1251);

private:
    std::string line_;
};

// One item of a "screen" line (see vuTraceScreen), built member by member;
// the widgets describe themselves with it (vuWidget::TraceItems).
class VU_API vuTraceItem {
public:
    // Starts the object with "kind" and the rectangle "x", "y", "w", "h".
    vuTraceItem(const char *kind, int x, int y, int w, int h);
    vuTraceItem &Num(const char *key, long value);
    // A text member; the text is taken as CP1251, null is written as "".
    vuTraceItem &Str(const char *key, const char *cp1251);
    vuTraceItem &Rect(const char *key, int x, int y, int w, int h);
    // A label: its text and font and, on one line, its size in pixels.
    vuTraceItem &Label(const char *cp1251, unsigned short font);
    // Closes the item and appends it to a JSON array being built ("[" and
    // the items so far).
    void AppendTo(std::string &items) const;

private:
    std::string text_;
};

// Whether CASHDESK_TRACE names a file (read once).
VU_C_API int vuTraceEnabled(void);
// Notes the description file a form was built from, for its "form" lines;
// null forgets the form (vuUI::Del does so before destroying it).
VU_C_API void vuTraceSetSource(vuForm *form, const char *file);
// The description file noted for a form, "" when none (for the lines below).
std::string vuTraceSourceOf(const vuForm *form);

// The lines that describe a form are written on the widgets' side
// (widgets/vuScreenTrace.cpp, each widget's TraceItems); the core writes
// the lines.
// Writes the "form" line of a form that became modal.
VU_C_API void vuTraceFormShown(vuForm *form);
// Writes the "screen" line of a form just drawn (modal or only viewed): the
// screen's size and what is on it, with screen rectangles and the colours
// the texts are drawn in, for the tests' screen check:
//   {"event":"screen","tick":T,"file":F,"name":N,"header":H,"modal":0|1,
//    "width":W,"height":H,"items":[ITEM,...]}
// Each ITEM has "kind", "x", "y", "w", "h" and, where it applies, "name",
// "fg" (RGB565 of its text), "label" (its text, UTF-8), "font" (slot), "tw"
// and "th" (width and height of a one-line label in pixels) and "clip"
// ([x,y,w,h], the part of the screen it may show in). A hidden entry field
// (a password, a PIN) never shows its text: its "label" is as many hide
// symbols as it holds characters, and "hidden" their number. Kinds:
//   "form"       its client area in "clip", a menu's selected item (from 1,
//                0 none) in "selected";
//   "header"     its text placed at "tx", "ty" (size "tw", "th");
//   "close"      the close icon;
//   "widget"     with "type" (static, button, input, multiline, checkbox,
//                radio, menubox, progress, sign or other) and "barw", "barh"
//                for scroll bars drawn inside its right and bottom edges;
//   "row"        a menu or list item, "clip" its list's visible area;
//   "statusline" and "status": the status line and its objects.
//   "hint"       the multi-tap letter strip a field shows now, where it is
//                meant to go before any clipping; "name" and "field" (its
//                rectangle) name the field it types into.
// An entry field that takes a multi-tap letter now and shows its strip has
// "letters": 1, the focused widget "focus": 1, a framed one "border": 1; a
// check-box or radio row has its mark's rectangle in "mark" and the room the
// list draws it in, "markroom".
VU_C_API void vuTraceScreen(vuForm *form, int modal);
// After a key was handled and the modal form drawn again: its "screen" line
// once more while the focused field shows the multi-tap strip, and once when
// the strip has gone, so that the strip can be checked as it is seen.
VU_C_API void vuTraceTyping(vuForm *form);

#endif
