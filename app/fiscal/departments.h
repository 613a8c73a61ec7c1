// The controller's department table: read with 0x61, edited in a list
// (add, delete, edit one department in its own dialog) and written back
// whole with 0x60.
#ifndef APP_FISCAL_DEPARTMENTS_H
#define APP_FISCAL_DEPARTMENTS_H

#include <stddef.h>
#include <stdint.h>

class TMCommand;
class vuUI;

enum { DEPARTMENTS_MAX = 16, DEPARTMENT_NAME_SIZE = 31 };

// One department: number 0 marks a free entry; a deleted department keeps
// its number and loses its name. Listed when named, written when numbered.
struct Department {
    uint8_t number;
    char name[DEPARTMENT_NAME_SIZE]; // CP1251
};

// Fills the table (all zero first) from a 0x61 reply: pairs of number and
// name from field 5 on, up to a number 0 or an absent field, 16 at most.
// Returns the entries taken.
int departments_from_reply(TMCommand &reply, Department *table);
// The entry the list's selected item (from 1) stands for: the k-th named
// department; -1 when there is none.
int department_listed(const Department *table, unsigned selected);
// The number typed for a department: digits only (empty reads 0), at most
// 255, and none that another entry of the table holds (0 aside).
enum DepartmentNumberCheck { DEPARTMENT_NUMBER_OK, DEPARTMENT_NUMBER_BAD, DEPARTMENT_NUMBER_TAKEN };
DepartmentNumberCheck department_number_check(const char *text, const Department *table, const Department *self,
                                              uint8_t *number);

// The menu item "sets_departs": -1 when nothing was sent, else the number
// of departments sent.
int CmdEditDepartments(vuUI *ui, const char *title);
// One department's number and name: 0 accepted (the department changed),
// -1 otherwise. With the table, a number another of its entries holds is
// refused like one above 255.
int InputDepartmentDialog(vuUI *ui, Department *department, const Department *table = nullptr);

#endif
