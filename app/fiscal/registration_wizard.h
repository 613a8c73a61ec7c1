// Registering and re-registering the cash register with its fiscal drive:
// the choice of the FFD version and the three wizards, one per layout of
// command 0x04 (FFD 1.05, 1.1, 1.2). The pages are pre-filled from the
// drive's last registration or from the settings section
// "CmdFiscalization", which every attempt past the confirmation saves.
#ifndef APP_FISCAL_REGISTRATION_WIZARD_H
#define APP_FISCAL_REGISTRATION_WIZARD_H

class vuUI;

// The sub-menu handler: the FFD choice when the controller offers more
// than FFD 1.05, the wizard chosen, then the drive state refreshed whatever
// happened. Returns the refresh's result.
int CmdRegisterKkt(vuUI *ui, const char *title);
// 1, 2 or 3 for FFD 1.05, 1.1, 1.2; -1 when cancelled; 2 when the dialog
// cannot be created. level: the controller's FFD level (3 or 4).
int SelectFfdVersion(vuUI *ui, int level);
void RegisterKktFfd105(vuUI *ui, const char *title);
void RegisterKktFfd11(vuUI *ui, const char *title);
void RegisterKktFfd12(vuUI *ui, const char *title);

// The settings section of the wizards and the default of its "FNS" key.
extern const char *const kRegistrationSection;
extern const char *const kRegistrationFnsSite;

#endif
