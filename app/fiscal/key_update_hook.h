// The automatic update of the drive's verification keys run before a shift
// is opened. Until the key-update exchange is built it does nothing and
// returns no text.
#ifndef APP_FISCAL_KEY_UPDATE_HOOK_H
#define APP_FISCAL_KEY_UPDATE_HOOK_H

class vuUI;

// The text to put into the shift opening's comment, or null for none.
const char *asokp_auto_update(vuUI *ui);

#endif
