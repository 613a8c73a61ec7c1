#include "registration_reasons.h"

#include "dialog.h"
#include "registration_fields.h"
#include "str_helpers.h"
#include "vuBox.h"
#include "vuForm.h"
#include "vuUI.h"

namespace {

vuBox *listOf(vuForm *form) { return dynamic_cast<vuBox *>(form->GetByName("param")); }

} // namespace

const char *reg_reason_page_file(int page, int ffd)
{
    static const char *const files[REG_REASON_PAGES] = {
        "kkt_dlg_reason_1_1_1.xml", "kkt_dlg_reason_1_1_2.xml", nullptr, "kkt_dlg_reason_1_1_4.xml",
        "kkt_dlg_reason_1_1_5.xml"};
    if (page < 1 || page > REG_REASON_PAGES)
        return nullptr;
    if (page == 3)
        return ffd == 3 ? "kkt_dlg_reason_1_1_3.xml" : "kkt_dlg_reason_1_1_3_ffd_1_2.xml";
    return files[page - 1];
}

int64_t SelectReregistrationReasons(vuUI *ui, int ffd)
{
    vuForm *pages[REG_REASON_PAGES] = {};
    int64_t result = -1;
    int made = 0;
    for (; made < REG_REASON_PAGES; ++made) {
        vuForm *form = dialog_create(ui, reg_reason_page_file(made + 1, ffd));
        if (!form)
            break;
        char header[64];
        str_format(header, sizeof header, "%s %u", "КОДЫ ПРИЧИН ", made + 1);
        form->SetHeaderText(header);
        ui->Add(form);
        form->Reset();
        pages[made] = form;
    }
    if (made == REG_REASON_PAGES) {
        uint32_t mask = 0;
        int page = 1;
        while (page >= 1 && page <= REG_REASON_PAGES) {
            // Every list shows the mask, so going back shows what was chosen.
            for (int p = 1; p <= REG_REASON_PAGES; ++p)
                if (vuBox *list = listOf(pages[p - 1]))
                    list->SetValue(reg_reason_page_value(p, mask));
            vuForm *form = pages[page - 1];
            ui->Show(form);
            ui->WaitEndModal();
            if (form->GetState() != 1) {
                --page;
                continue;
            }
            vuBox *list = listOf(form);
            mask = reg_reason_page_store(page, mask, list ? list->GetSelected() : 0);
            ++page;
        }
        if (page > REG_REASON_PAGES)
            result = mask & REG_REASON_BITS;
    }
    for (int p = 0; p < made; ++p)
        ui->Del(pages[p]);
    return result;
}
