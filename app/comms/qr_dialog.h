// A text shown as a QR code in a dialog of its own.
#ifndef APP_COMMS_QR_DIALOG_H
#define APP_COMMS_QR_DIALOG_H

#include "vuUI.h"

// Shows the text as a QR code in the static widget "qr" of the dialog file
// (the code's square fills the widget's smaller side less 10 pixels, in
// whole pixels per module) and waits for the dialog's end; the callback
// (may be null) gets its events. When the text holds "<QR>", only what
// follows it, up to a "</QR>", is encoded. Returns the dialog's end state,
// or 0 when nothing could be shown: no UI, no dialog, no "qr" widget, a
// text that does not encode or a code too large for the widget.
int qr_dialog(vuUI *ui, const char *file, vuEventCallback callback, const char *text);

#endif
