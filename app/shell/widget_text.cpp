#include "widget_text.h"

#include "vuCheckBox.h"
#include "vuInput.h"
#include "vuMultiLine.h"
#include "vuViewObject.h"

namespace {

vuViewObject *viewOf(vuObject *o) { return dynamic_cast<vuViewObject *>(o); }

} // namespace

const char *widget_text(vuObject *widget)
{
    vuViewObject *v = viewOf(widget);
    const char *text = nullptr;
    if (!v)
        return "";
    switch (v->GetType()) {
    case VU_TYPE_MULTI_LINE:
        text = static_cast<vuMultiLine *>(v)->GetValue();
        break;
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT:
        text = static_cast<vuInput *>(v)->GetValue();
        break;
    default:
        break;
    }
    return text ? text : "";
}

void widget_set_text(vuObject *widget, const char *text)
{
    vuViewObject *v = viewOf(widget);
    if (!v || !text)
        return;
    switch (v->GetType()) {
    case VU_TYPE_MULTI_LINE:
        static_cast<vuMultiLine *>(v)->SetValue(text);
        break;
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT:
        static_cast<vuInput *>(v)->SetValue(text);
        break;
    default:
        break;
    }
}

int widget_checked(vuObject *widget)
{
    vuViewObject *v = viewOf(widget);
    if (v && v->GetType() == VU_TYPE_CHECK_BOX)
        return static_cast<vuCheckBox *>(v)->GetSelected() != 0;
    return 0;
}
