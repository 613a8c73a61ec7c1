// The widget side of what the UI runtime asks of forms, the status line
// and the on-screen keyboard (see vuUIParts.h).
#include "vuUIParts.h"

#include <typeinfo>
#include <vector>

#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuMenu.h"
#include "vuStatusLine.h"
#include "vuVirtualKeyboard.h"
#include "vuWidget.h"

namespace vuUIParts {

// ---- forms ------------------------------------------------------------------

vuViewObject *FormView(vuForm *form) { return form; }
int FormDraw(vuForm *form, vuFrameBuffer *fb) { return form->Draw(fb); }
int FormToScreen(vuForm *form, vuFrameBuffer *fb) { return form->ToScreen(fb); }
int FormHandleEvent(vuForm *form, vuEvent *event) { return form->HandleEvent(event); }
void FormSetState(vuForm *form, int state) { form->SetState(state); }
bool FormAlone(vuForm *form) { return form->IsOption(VU_FO_ALONE) != 0; }
int FormIsAnimate(vuForm *form) { return form->IsAnimate(); }
int FormIsSign(vuForm *form) { return form->IsSign(); }
void FormResetTime(vuForm *form) { form->ResetTime(); }
vuWidget *FormFocused(vuForm *form) { return form->GetFocused(); }
vuVirtualKeyboard *FormKeyboard(vuForm *form) { return form->GetVirtualKeyboard(); }

bool FormFillArea(vuForm *form, int16_t &x, int16_t &y, uint16_t &w, uint16_t &h)
{
    // Only where the drawing is vuForm::Draw itself, whose first step is
    // the fill: a class of its own may draw otherwise.
    if (typeid(*form) != typeid(vuForm) && typeid(*form) != typeid(vuMenu))
        return false;
    return form->GetFillArea(x, y, w, h);
}

bool FormDrawAnimated(vuForm *form, vuFrameBuffer *fb)
{
    std::vector<vuForm::Rect> areas;
    if (!form->DrawAnimated(fb, areas))
        return false;
    for (const vuForm::Rect &a : areas)
        fb->ToScreen(static_cast<uint16_t>(a.x), static_cast<uint16_t>(a.y), static_cast<uint16_t>(a.w),
                     static_cast<uint16_t>(a.h));
    return true;
}

// ---- widgets ------------------------------------------------------------------

bool WidgetUsesKeyboard(vuWidget *widget) { return widget->IsUseVirtualKeyboard() != 0; }

// ---- status line ----------------------------------------------------------------

void DeleteStatusLine(vuStatusLine *line) { delete line; }
int StatusLineDraw(vuStatusLine *line, vuFrameBuffer *fb) { return line->Draw(fb); }
bool StatusLineHidden(vuStatusLine *line) { return line->IsOption(VU_SL_HIDDEN) != 0; }

void StatusLineSetHidden(vuStatusLine *line, bool hidden)
{
    if (hidden)
        line->SetOption(VU_SL_HIDDEN);
    else
        line->ClearOption(VU_SL_HIDDEN);
}

bool StatusLineAtBottom(vuStatusLine *line) { return line->IsOption(VU_SL_BOTTOM) != 0; }
uint16_t StatusLineHeight(vuStatusLine *line) { return line->GetHeight(); }
int StatusLineIsAnimate(vuStatusLine *line) { return line->IsAnimate(); }

// ---- on-screen keyboard -----------------------------------------------------------

void DeleteKeyboard(vuVirtualKeyboard *keyboard) { delete keyboard; }
void KeyboardSetParent(vuVirtualKeyboard *keyboard, vuFrameBuffer *fb) { keyboard->SetParent(fb); }
int KeyboardDraw(vuVirtualKeyboard *keyboard, vuFrameBuffer *fb) { return keyboard->Draw(fb); }
int KeyboardHandleEvent(vuVirtualKeyboard *keyboard, vuEvent *event) { return keyboard->HandleEvent(event); }
int KeyboardIsActive(vuVirtualKeyboard *keyboard) { return keyboard->IsActive(); }
void KeyboardActivate(vuVirtualKeyboard *keyboard, vuWidget *widget) { keyboard->Activate(widget); }
void KeyboardReset(vuVirtualKeyboard *keyboard) { keyboard->Reset(); }

} // namespace vuUIParts
