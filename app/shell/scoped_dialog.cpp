#include "scoped_dialog.h"

#include "dialog.h"

ScopedDialog::ScopedDialog(vuUI *ui, const char *file) : ui_(ui), form_(ui ? dialog_create(ui, file) : nullptr)
{
    if (form_)
        ui_->Add(form_);
}

ScopedDialog::ScopedDialog(vuUI *ui, vuForm *built) : ui_(ui), form_(built)
{
    if (!form_)
        return;
    if (ui_) {
        ui_->Add(form_);
    } else {
        delete form_;
        form_ = nullptr;
    }
}

ScopedDialog::~ScopedDialog() { close(); }

ScopedDialog::ScopedDialog(ScopedDialog &&other) noexcept : ui_(other.ui_), form_(other.form_)
{
    other.form_ = nullptr;
}

vuObject *ScopedDialog::field(const char *name) const { return form_ ? form_->GetByName(name) : nullptr; }

void ScopedDialog::reset()
{
    if (form_)
        form_->Reset();
}

int ScopedDialog::show(vuEventCallback callback)
{
    start(callback);
    return wait();
}

void ScopedDialog::start(vuEventCallback callback)
{
    if (form_)
        ui_->Show(form_, callback);
}

int ScopedDialog::wait()
{
    if (!form_)
        return -1;
    ui_->WaitEndModal();
    return form_->GetState();
}

int ScopedDialog::run(vuEventCallback callback)
{
    reset();
    return show(callback);
}

int ScopedDialog::state() const { return form_ ? form_->GetState() : -1; }

void ScopedDialog::close()
{
    if (!form_)
        return;
    ui_->Del(form_);
    form_ = nullptr;
}
