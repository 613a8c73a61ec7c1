#include "widget_text.h"

#include "vuMultiLine.h"
#include "vuViewObject.h"
#if __has_include("vuInput.h")
#include "vuInput.h"
#define WIDGET_TEXT_HAS_INPUT 1
#endif
#if __has_include("vuCheckBox.h")
#include "vuCheckBox.h"
#define WIDGET_TEXT_HAS_CHECK_BOX 1
#endif

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
#ifdef WIDGET_TEXT_HAS_INPUT
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT:
        text = static_cast<vuInput *>(v)->GetValue();
        break;
#endif
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
#ifdef WIDGET_TEXT_HAS_INPUT
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT:
        static_cast<vuInput *>(v)->SetValue(text);
        break;
#endif
    default:
        break;
    }
}

int widget_checked(vuObject *widget)
{
#ifdef WIDGET_TEXT_HAS_CHECK_BOX
    vuViewObject *v = viewOf(widget);
    if (v && v->GetType() == VU_TYPE_CHECK_BOX)
        return static_cast<vuCheckBox *>(v)->GetSelected() != 0;
#else
    (void)widget;
#endif
    return 0;
}
