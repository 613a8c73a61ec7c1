#include "status_line.h"

#include "battery.h"
#include "kfn_state.h"
#include "str_helpers.h"
#include "vuStatusLine.h"
#include "vuTextObject.h"
#include "vuUI.h"

namespace {

// The status line's text object of that name, or null.
vuObject *textObject(const char *name)
{
    vuStatusLine *line = vuUI::GetStatusLine();
    if (!line || !name)
        return nullptr;
    return dynamic_cast<vuTextObject *>(line->GetByName(name));
}

void setText(vuObject *object, const char *text)
{
    if (vuTextObject *t = dynamic_cast<vuTextObject *>(object))
        t->SetText(text);
}

} // namespace

void status_line_init(vuUI *ui)
{
    vuStatusLine *line = vuUI::GetStatusLine();
    if (!ui || !line)
        return;
    vuObject *appname = textObject("appname");
    vuViewObject *batlevel = dynamic_cast<vuViewObject *>(line->GetByName("batlevel"));
    if (appname) {
        ui->EnableStatusLine(0);
        setText(appname, "KKT");
        ui->EnableStatusLine(1);
    }
    if (batlevel)
        battery_start(batlevel, nullptr);
}

void status_line_waiting(vuUI *ui)
{
    if (!ui)
        return;
    vuObject *wait = textObject("wait");
    if (!wait)
        return;
    unsigned count = kfn_ofd_waiting() + kfn_oism_waiting();
    char text[16] = "";
    if (count)
        str_format(text, sizeof text, "%u", count);
    setText(wait, text);
}

void refresh_status_line(vuUI *ui)
{
    if (!ui)
        return;
    ui->EnableStatusLine(0);
    status_line_waiting(ui);
    ui->EnableStatusLine(1);
}

void update_shift_status(vuUI *ui)
{
    if (!ui)
        return;
    vuObject *status = textObject("status");
    if (!status)
        return;
    ui->EnableStatusLine(0);
    setText(status, (kfn_flags() & KFN_CUR_SHIFT_OPEN) ? "СМЕНА ОТКРЫТА" : "СМЕНА ЗАКРЫТА");
    ui->EnableStatusLine(1);
}
