#include "wait_form.h"

namespace {

bool uiThreadMode() { return (vuUI::GetOption() & VU_UI_CALLER_THREAD) == 0; }

} // namespace

WaitForm::WaitForm(vuUI *ui, vuForm *built) : dialog_(ui, built) {}

void WaitForm::view()
{
    if (dialog_)
        dialog_.ui()->View(dialog_.form());
}

void WaitForm::show()
{
    if (!dialog_)
        return;
    if (uiThreadMode())
        dialog_.ui()->Show(dialog_.form());
    else
        dialog_.ui()->View(dialog_.form());
}

bool WaitForm::up() const { return !uiThreadMode() || vuUI::IsModal(); }

void WaitForm::end()
{
    if (!dialog_ || !uiThreadMode())
        return;
    dialog_.ui()->EndModal(dialog_.form());
    dialog_.ui()->WaitEndModal();
}
