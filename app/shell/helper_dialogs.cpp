#include "helper_dialogs.h"

#include <dirent.h>
#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "error_box.h"
#include "list_page.h"
#include "message_box.h"
#include "osal.h"
#include "scoped_dialog.h"
#include "str_helpers.h"
#include "vuButton.h"
#include "vuForm.h"
#include "vuMenu.h"
#include "vuMultiLine.h"
#include "vuTrace.h"
#include "vuUI.h"

namespace {

const uint16_t kAlertBack = 0x8000;
const size_t kPathMax = 1024;

// The selected item's name of a menu, or null.
const char *selectedName(vuForm *form)
{
    vuMenu *menu = dynamic_cast<vuMenu *>(form);
    vuMenuItem *item = menu ? menu->GetSelectedObject() : nullptr;
    return item ? item->GetName() : nullptr;
}

// Plain files of the folder but the settings file, sorted by name.
std::vector<std::string> deletableFiles(const char *folder)
{
    std::vector<std::string> names;
    DIR *dir = opendir(folder);
    if (!dir)
        return names;
    while (dirent *e = readdir(dir)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        if (str_equal_nocase(e->d_name, "settings.xml") == 0)
            continue;
        std::string path = std::string(folder) + e->d_name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
            continue;
        names.push_back(e->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

int beep_message(vuUI *ui, const char *title, const char *text)
{
    if (!ui)
        return 0;
    vuForm *form = create_message_box(ui, title, text, MB_OK);
    form->SetOption(VU_FO_FILL);
    form->SetColors(form->GetFrontColor(), kAlertBack);
    form->SetCloseControlCode(0, 139);
    ScopedDialog box(ui, form);
    box.reset();
    OsBeep(4, 200);
    box.start();
    vuTraceLine("msgbox").Text("title", title).Text("text", text).Number("flags", MB_OK).Number("timeout", 0).Write();
    return box.wait();
}

int no_fn_menu(vuUI *ui)
{
    static const char *const kItems[] = {"reboot", "fn_terminal", "card_module"};
    ScopedDialog menu(ui, "common_menu_no_fn.xml");
    if (!menu)
        return -1;
    int chosen = -1;
    while (chosen < 0) {
        if (menu.run() != 1)
            continue;
        const char *name = selectedName(menu.form());
        for (int i = 0; name && i < 3; ++i)
            if (strcmp(name, kItems[i]) == 0)
                chosen = i;
    }
    return chosen;
}

void network_error_dialog(vuUI *ui, const char *text)
{
    if (!ui)
        return;
    vuForm *form = new vuForm("ОШИБКА СЕТИ", nullptr);
    form->SetOption(VU_FO_FILL | VU_FO_NO_CLOSE);
    form->SetColors(form->GetFrontColor(), kAlertBack);
    int W = vuUI::GetClientWidth();
    int H = vuUI::GetClientHeight() - form->GetHeaderHeight();
    auto u16 = [](int v) { return static_cast<unsigned short>(v > 0 ? v : 0); };
    int third = H / 3;
    form->Add(new vuMultiLine(2, 2, u16(W - 6), u16(third - 4), 1,
                              "ОШИБКА СЕТИ ИЛИ СОЕДИНЕНИЕ С СЕТЬЮ ОТСУТСТВУЕТ\n\n"));
    vuMultiLine *detail = new vuMultiLine(2, static_cast<short>(third), u16(W - 6), u16(H - third - 60), 1,
                                          text ? text : "");
    detail->SetName("msg");
    detail->SetFont(0);
    detail->SetBorder(0);
    form->Add(detail);
    vuButton *ok = new vuButton(static_cast<short>(W / 4), static_cast<short>(H - 50), u16(W / 2), 30, "OK",
                                nullptr, 13);
    ok->SetName("ok");
    form->Add(ok);
    ScopedDialog(ui, form).run();
}

void file_delete_menu(vuUI *ui, const char *folder)
{
    char dir[kPathMax];
    if (!ui || !folder || !OsMapPath(folder, dir, sizeof dir))
        return;
    for (;;) {
        std::vector<std::string> files = deletableFiles(dir);
        if (files.empty()) {
            message_box(ui, "ВНИМАНИЕ", "НЕТ ФАЙЛОВ ДЛЯ УДАЛЕНИЯ", MB_OK);
            return;
        }
        ListPage page(ui, list_menu_new("УДАЛЕНИЕ ФАЙЛА"));
        for (const std::string &name : files)
            page.menu()->AddItem(name.c_str(), nullptr, 0);
        unsigned selected = page.choose();
        page.close();
        // Items count from 1.
        if (selected < 1 || selected > files.size())
            return;
        const std::string &name = files[selected - 1];

        char question[kPathMax + 128];
        str_format(question, sizeof question, "ВЫ УВЕРЕНЫ? ФАЙЛ %s БУДЕТ УДАЛЁН БЕЗВОЗВРАТНО!", name.c_str());
        if (message_box(ui, "УДАЛЕНИЕ ФАЙЛА", question, MB_OK | MB_CANCEL | MB_ALERT) != MB_RESULT_OK)
            continue;
        char path[kPathMax];
        // A cut path would name another file: such a file is not deleted.
        bool whole = str_format(path, sizeof path, "%s%s", dir, name.c_str()) < static_cast<int>(sizeof path);
        if (!whole || unlink(path) != 0) {
            str_format(question, sizeof question, "ФАЙЛ %s НЕ УДАЛЁН", name.c_str());
            error_box(ui, question);
        }
    }
}
