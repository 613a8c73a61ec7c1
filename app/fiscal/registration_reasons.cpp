#include "registration_reasons.h"

#include <utility>
#include <vector>

#include "registration_fields.h"
#include "scoped_dialog.h"
#include "str_helpers.h"
#include "vuBox.h"

namespace {

vuBox *listOf(const ScopedDialog &page) { return page.widget<vuBox>("param"); }

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
    std::vector<ScopedDialog> pages;
    pages.reserve(REG_REASON_PAGES);
    for (int made = 0; made < REG_REASON_PAGES; ++made) {
        ScopedDialog form(ui, reg_reason_page_file(made + 1, ffd));
        if (!form)
            return -1;
        char header[64];
        str_format(header, sizeof header, "%s %u", "КОДЫ ПРИЧИН ", made + 1);
        form.form()->SetHeaderText(header);
        form.reset();
        pages.push_back(std::move(form));
    }
    uint32_t mask = 0;
    int page = 1;
    while (page >= 1 && page <= REG_REASON_PAGES) {
        // Every list shows the mask, so going back shows what was chosen.
        for (int p = 1; p <= REG_REASON_PAGES; ++p)
            if (vuBox *list = listOf(pages[p - 1]))
                list->SetValue(reg_reason_page_value(p, mask));
        ScopedDialog &form = pages[page - 1];
        if (form.show() != 1) {
            --page;
            continue;
        }
        vuBox *list = listOf(form);
        mask = reg_reason_page_store(page, mask, list ? list->GetSelected() : 0);
        ++page;
    }
    if (page < 1)
        return -1;
    return mask & REG_REASON_BITS;
}
