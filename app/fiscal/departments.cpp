#include "departments.h"

#include <string.h>

#include "TMCommand.h"
#include "entry_dialog.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "list_editor_keys.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "str_helpers.h"
#include "vuMenuBox.h"

int departments_from_reply(TMCommand &reply, Department *table)
{
    memset(table, 0, sizeof(Department) * DEPARTMENTS_MAX);
    int n = 0;
    for (; n < DEPARTMENTS_MAX; ++n) {
        const uint32_t k = 5 + 2 * static_cast<uint32_t>(n);
        uint8_t number = reply.FieldByte(k);
        if (number == 0)
            break;
        table[n].number = number;
        if (reply.FieldText1251(k + 1, table[n].name, DEPARTMENT_NAME_SIZE) < 0)
            table[n].name[0] = 0;
    }
    return n;
}

int department_listed(const Department *table, unsigned selected)
{
    unsigned k = 0;
    for (int i = 0; i < DEPARTMENTS_MAX; ++i)
        if (table[i].name[0] && ++k == selected)
            return i;
    return -1;
}

DepartmentNumberCheck department_number_check(const char *text, const Department *table, const Department *self,
                                              uint8_t *number)
{
    uint32_t v = 0;
    if (!parse_count(text, 255, &v))
        return DEPARTMENT_NUMBER_BAD;
    if (v && table)
        for (int i = 0; i < DEPARTMENTS_MAX; ++i)
            if (&table[i] != self && table[i].number == v)
                return DEPARTMENT_NUMBER_TAKEN;
    *number = static_cast<uint8_t>(v);
    return DEPARTMENT_NUMBER_OK;
}

int InputDepartmentDialog(vuUI *ui, Department *department, const Department *table)
{
    EntryDialog d(ui, "kkt_dlg_input_depart.xml", "num_dep", "value_dep");
    if (!d)
        return -1;
    d.set_number(department->number);
    if (department->number)
        d.set_text(department->name);
    uint8_t n = 0;
    char box[128];
    const bool accepted = d.ask_until_valid([&]() -> const char * {
        switch (department_number_check(d.number_text(), table, department, &n)) {
        case DEPARTMENT_NUMBER_OK:
            return nullptr;
        case DEPARTMENT_NUMBER_TAKEN:
            str_format(box, sizeof box, "ОТДЕЛ %s УЖЕ ЕСТЬ!\n\nВВЕДИТЕ ДРУГОЙ НОМЕР", d.number_text());
            return box;
        default:
            str_format(box, sizeof box, "НЕДОПУСТИМЫЙ НОМЕР ОТДЕЛА \"%s\"\n\nДОПУСТИМО ОТ 0 ДО 255", d.number_text());
            return box;
        }
    });
    if (!accepted)
        return -1;
    department->number = n;
    d.copy_text(department->name, DEPARTMENT_NAME_SIZE);
    return 0;
}

// menu: sets_departs
int CmdEditDepartments(vuUI *ui, const char *)
{
    Department table[DEPARTMENTS_MAX];
    {
        TMCommand cmd;
        if (!kfn_run(ui, cmd, cmd.GetDepartments()))
            return -1;
        departments_from_reply(cmd, table);
    }

    int count = 0;
    unsigned short remembered = 0; // the position last deleted or edited, from 0
    while (count < 1) {
        ScopedDialog d(ui, "kkt_dlg_editor_departs.xml");
        if (!d)
            return -1;
        vuMenuBox *box = d.widget<vuMenuBox>("menubox");
        unsigned listed = 0;
        for (int i = 0; i < DEPARTMENTS_MAX; ++i) {
            if (!table[i].name[0])
                continue;
            char text[48];
            str_format(text, sizeof text, "%02d.%s", table[i].number, table[i].name);
            MENU_ITEM_EXT item;
            memset(&item, 0, sizeof item);
            item.text = text;
            if (box)
                box->AddItemExt(&item, nullptr);
            ++listed;
        }
        if (box)
            box->SelectOnReset(listed && remembered >= listed ? static_cast<unsigned short>(listed - 1) : remembered);
        d.reset();
        d.form()->SetFocused(box);
        int state = d.show(ListEditorKeys);
        unsigned selected = box ? box->GetSelected() : 0;
        int entry = listed ? department_listed(table, selected) : -1;

        switch (state) {
        case 1:
            for (int i = 0; i < DEPARTMENTS_MAX; ++i)
                if (table[i].number)
                    ++count;
            break;
        case LIST_ADD: {
            int free = -1;
            for (int i = 0; i < DEPARTMENTS_MAX && free < 0; ++i)
                if (!table[i].name[0])
                    free = i;
            if (free < 0) {
                char text[96];
                str_format(text, sizeof text, "ПРЕВЫШЕНО КОЛИЧЕСТВО ОТДЕЛОВ!\nМАКСИМУМ %d", DEPARTMENTS_MAX);
                message_box(ui, "ВНИМАНИЕ", text, MB_OK | MB_ALERT);
            } else {
                InputDepartmentDialog(ui, &table[free], table);
            }
            break;
        }
        case LIST_DELETE:
            if (entry >= 0) {
                remembered = static_cast<unsigned short>(selected ? selected - 1 : 0);
                if (table[entry].number == 1) {
                    error_box(ui, "ОТДЕЛ 1 НЕЛЬЗЯ УДАЛИТЬ");
                } else {
                    char text[96];
                    str_format(text, sizeof text, "УВЕРЕНЫ ЧТО ХОТИТЕ УДАЛИТЬ ОТДЕЛ %d?", table[entry].number);
                    if (message_box(ui, "УДАЛЕНИЕ ОТДЕЛА", text, MB_OK | MB_CANCEL) == MB_RESULT_OK)
                        table[entry].name[0] = 0;
                }
            }
            break;
        case LIST_EDIT:
            if (entry >= 0) {
                remembered = static_cast<unsigned short>(selected ? selected - 1 : 0);
                InputDepartmentDialog(ui, &table[entry], table);
            }
            break;
        case -1:
            return -1;
        default:
            break;
        }
    }

    const TMDepartment *entries[DEPARTMENTS_MAX];
    TMDepartment records[DEPARTMENTS_MAX];
    uint32_t n = 0;
    for (int i = 0; i < DEPARTMENTS_MAX; ++i) {
        if (!table[i].number)
            continue;
        records[n].number = table[i].number;
        records[n].name = table[i].name;
        entries[n] = &records[n];
        ++n;
    }
    TMCommand cmd;
    if (cmd.SetDepartments(entries, n) <= 0) {
        build_failed_box(ui);
        return -1;
    }
    kfn_exec(ui, &cmd, 5000);
    return count;
}
