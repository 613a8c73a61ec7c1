#include "warn_message.h"

#include "osal.h"
#include "scoped_dialog.h"
#include "vuEvent.h"
#include "widget_text.h"

int WarnMessageKeys(vuEvent *event, intptr_t)
{
    return event && event->key == WARN_OVERRIDE_KEY ? WARN_OVERRIDE : 0;
}

int WarnMessageDialog(vuUI *ui, const char *title, const char *text)
{
    ScopedDialog d(ui, "kkt_dlg_warn_message.xml");
    if (!d)
        return -1;
    d.form()->SetHeaderText(title);
    widget_set_text(d.field("info"), text);
    d.reset();
    OsBeep(4, 200);
    return d.show(WarnMessageKeys);
}
