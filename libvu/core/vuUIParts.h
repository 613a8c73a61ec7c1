// What the UI runtime (vuUI) needs of the forms it runs, the status line and
// the on-screen keyboard. Those classes live with the widgets, above the
// core; the core knows them by name only and reaches them through these
// calls, which are defined beside the widgets (vuUIParts.cpp there).
#ifndef VU_UI_PARTS_H
#define VU_UI_PARTS_H

#include <stdint.h>

class vuForm;
class vuFrameBuffer;
class vuStatusLine;
class vuViewObject;
class vuVirtualKeyboard;
class vuWidget;
struct vuEvent;

namespace vuUIParts {

// ---- forms ------------------------------------------------------------------
// The form as a child of a container (the frame buffer).
vuViewObject *FormView(vuForm *form);
int FormDraw(vuForm *form, vuFrameBuffer *fb);
int FormToScreen(vuForm *form, vuFrameBuffer *fb);
int FormHandleEvent(vuForm *form, vuEvent *event);
void FormSetState(vuForm *form, int state);
// The form is drawn over the screen as it stands (VU_FO_ALONE).
bool FormAlone(vuForm *form);
int FormIsAnimate(vuForm *form);
int FormIsSign(vuForm *form);
void FormResetTime(vuForm *form);
vuWidget *FormFocused(vuForm *form);
vuVirtualKeyboard *FormKeyboard(vuForm *form);
// The screen rectangle the form's own drawing fills first, edge to edge of
// its body; false when it fills none, and for a form of a class that draws
// in a way of its own (only a plain form or menu is known to fill first).
bool FormFillArea(vuForm *form, int16_t &x, int16_t &y, uint16_t &w, uint16_t &h);
// One animation step drawn without the rest of the form, each redrawn area
// copied to the screen; false, with nothing drawn, when the step needs the
// whole form.
bool FormDrawAnimated(vuForm *form, vuFrameBuffer *fb);

// ---- widgets ------------------------------------------------------------------
// The widget takes its input from the on-screen keyboard.
bool WidgetUsesKeyboard(vuWidget *widget);

// ---- status line ----------------------------------------------------------------
void DeleteStatusLine(vuStatusLine *line);
int StatusLineDraw(vuStatusLine *line, vuFrameBuffer *fb);
bool StatusLineHidden(vuStatusLine *line);
void StatusLineSetHidden(vuStatusLine *line, bool hidden);
// Drawn at the bottom of the screen rather than at the top.
bool StatusLineAtBottom(vuStatusLine *line);
uint16_t StatusLineHeight(vuStatusLine *line);
int StatusLineIsAnimate(vuStatusLine *line);

// ---- on-screen keyboard -----------------------------------------------------------
void DeleteKeyboard(vuVirtualKeyboard *keyboard);
void KeyboardSetParent(vuVirtualKeyboard *keyboard, vuFrameBuffer *fb);
int KeyboardDraw(vuVirtualKeyboard *keyboard, vuFrameBuffer *fb);
int KeyboardHandleEvent(vuVirtualKeyboard *keyboard, vuEvent *event);
int KeyboardIsActive(vuVirtualKeyboard *keyboard);
void KeyboardActivate(vuVirtualKeyboard *keyboard, vuWidget *widget);
void KeyboardReset(vuVirtualKeyboard *keyboard);

} // namespace vuUIParts

#endif
