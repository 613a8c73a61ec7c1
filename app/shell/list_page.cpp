#include "list_page.h"

#include "vuMenu.h"

vuMenu *list_menu_new(const char *title)
{
    vuMenu *menu = new vuMenu(title, nullptr, 0);
    menu->SetOption(VU_FO_CANCEL);
    menu->SetItemsBorder(0);
    menu->SetItemsActiveBorder(0);
    menu->SetItemsTransparency(1);
    menu->SetItemsActiveTransparency(1);
    menu->SetRowDelta(6);
    return menu;
}

ListPage::ListPage(vuUI *ui, vuMenu *menu) : dialog_(ui, menu), menu_(dialog_ ? menu : nullptr) {}

int ListPage::show() { return dialog_.run(); }

unsigned ListPage::choose()
{
    if (show() != 1)
        return 0;
    return menu_->GetSelected();
}

void ListPage::close()
{
    dialog_.close();
    menu_ = nullptr;
}
