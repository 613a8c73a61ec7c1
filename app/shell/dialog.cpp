#include "dialog.h"

#include "error_box.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_loader.h"
#include "vuTrace.h"

vuForm *dialog_create(vuUI *ui, const char *file)
{
    char dir[256];
    res_dir(dir, sizeof dir);
    int err = 0;
    vuForm *form = load_form_resource(dir, file, &err);
    if (!form) {
        char text[256];
        str_format(text, sizeof text, "НЕ УДАЛОСЬ СОЗДАТЬ ДИАЛОГ (%i)\n\n%s", err, file ? file : "");
        error_box(ui, text);
        return nullptr;
    }
    vuTraceSetSource(form, file);
    return form;
}
