#include "departments.h"

#include <string.h>

#include "TMCommand.h"
#include "dialog.h"
#include "kfn_state.h"
#include "list_editor_keys.h"
#include "message_box.h"
#include "receipt_form.h"
#include "screen_common.h"
#include "str_helpers.h"
#include "vuForm.h"
#include "vuMenuBox.h"
#include "vuUI.h"
#include "widget_text.h"

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
    vuForm *form = dialog_create(ui, "kkt_dlg_input_depart.xml");
    if (!form)
        return -1;
    vuObject *number = form->GetByName("num_dep");
    vuObject *name = form->GetByName("value_dep");
    ui->Add(form);
    form->Reset();
    char text[16];
    str_format(text, sizeof text, "%d", department->number);
    widget_set_text(number, text);
    if (department->number)
        widget_set_text(name, department->name);
    int result = -1;
    while (show_page(ui, form) == 1) {
        uint8_t n = 0;
        DepartmentNumberCheck check = department_number_check(widget_text(number), table, department, &n);
        if (check != DEPARTMENT_NUMBER_OK) {
            char box[128];
            if (check == DEPARTMENT_NUMBER_TAKEN)
                str_format(box, sizeof box, "ОТДЕЛ %s УЖЕ ЕСТЬ!\n\nВВЕДИТЕ ДРУГОЙ НОМЕР", widget_text(number));
            else
                str_format(box, sizeof box, "НЕДОПУСТИМЫЙ НОМЕР ОТДЕЛА \"%s\"\n\nДОПУСТИМО ОТ 0 ДО 255",
                           widget_text(number));
            message_box(ui, "ОШИБКА", box, MB_OK | MB_ALERT);
            continue;
        }
        department->number = n;
        take_text(name, department->name, DEPARTMENT_NAME_SIZE - 1);
        result = 0;
        break;
    }
    ui->Del(form);
    return result;
}

// menu: sets_departs
int CmdEditDepartments(vuUI *ui, const char *)
{
    Department table[DEPARTMENTS_MAX];
    {
        TMCommand cmd;
        if (cmd.GetDepartments() <= 0) {
            build_failed(ui);
            return -1;
        }
        if (kfn_exec(ui, &cmd, 5000) != 0)
            return -1;
        departments_from_reply(cmd, table);
    }

    int count = 0;
    unsigned short remembered = 0; // the position last deleted or edited, from 0
    while (count < 1) {
        vuForm *form = dialog_create(ui, "kkt_dlg_editor_departs.xml");
        if (!form)
            return -1;
        vuMenuBox *box = dynamic_cast<vuMenuBox *>(form->GetByName("menubox"));
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
        ui->Add(form);
        form->Reset();
        form->SetFocused(box);
        int state = show_page(ui, form, ListEditorKeys);
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
                    message_box(ui, "ОШИБКА", "ОТДЕЛ 1 НЕЛЬЗЯ УДАЛИТЬ", MB_OK | MB_ALERT);
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
            ui->Del(form);
            return -1;
        default:
            break;
        }
        ui->Del(form);
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
        build_failed(ui);
        return -1;
    }
    kfn_exec(ui, &cmd, 5000);
    return count;
}
