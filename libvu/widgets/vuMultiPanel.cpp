#include "vuMultiPanel.h"

#include "vuEvent.h"
#include "vuPanel.h"

vuMultiPanel::vuMultiPanel() : vuForm(), mainForm(nullptr) {}

vuMultiPanel::~vuMultiPanel()
{
    delete mainForm;
    mainForm = nullptr;
}

_VU_TypeObject vuMultiPanel::GetType() const
{
    return VU_TYPE_MULTI_PANEL;
}

void vuMultiPanel::SetMainForm(vuForm* form)
{
    if (form == mainForm)
        return;
    delete mainForm;
    mainForm = form;
    if (form)
        form->SetParent(this);
}

void vuMultiPanel::UpdateCoordinates()
{
    if (!parent)
        return;
    x = 0;
    y = 0;
    width = parent->GetClientWidth();
    height = parent->GetClientHeight();
    clientX = 0;
    clientY = 0;
    clientWidth = width;
    clientHeight = height;
}

void vuMultiPanel::Reset()
{
    UpdateCoordinates();
    if (mainForm)
        mainForm->Reset();
    for (vuViewObject* p = GetFirst(); p; p = GetNext(p))
        static_cast<vuForm*>(p)->Reset();
}

int vuMultiPanel::IsAnimate()
{
    int r = mainForm ? mainForm->IsAnimate() : 0;
    for (vuViewObject* p = GetFirst(); p && !r; p = GetNext(p))
        r = static_cast<vuForm*>(p)->IsAnimate();
    return r;
}

int vuMultiPanel::Draw(vuFrameBuffer* fb)
{
    int r = mainForm ? mainForm->Draw(fb) : 0;
    for (vuViewObject* p = GetFirst(); p && !r; p = GetNext(p))
        r = static_cast<vuForm*>(p)->Draw(fb);
    return r;
}

int vuMultiPanel::HandleEvent(vuEvent* e)
{
    if (!e)
        return 0;
    int result = 0;
    bool anyOpen = false;
    for (vuViewObject* p = GetFirst(); p; p = GetNext(p)) {
        vuForm* form = static_cast<vuForm*>(p);
        // A child that is not a panel cannot hide: it counts as open.
        bool hidden = form->GetType() == VU_TYPE_PANEL && static_cast<vuPanel*>(form)->IsHide();
        if (!hidden)
            anyOpen = true;
        result = form->HandleEvent(e);
        if (result)
            break;
    }
    if (!anyOpen && mainForm) {
        int r = mainForm->HandleEvent(e);
        if ((result == 0 || result == 2) && r)
            result = r;
    }
    return result;
}
