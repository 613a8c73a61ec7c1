// vuCheckBox: a list whose items are checked and cleared one by one; its
// value is a bit mask, bit i for item i + 1, over the first 32 items.
#ifndef VU_CHECK_BOX_H
#define VU_CHECK_BOX_H

#include "vuBox.h"
#include "vuExport.h"

class VU_API vuCheckBox : public vuBox {
public:
    vuCheckBox(short x, short y, unsigned short w, unsigned short h);
    ~vuCheckBox() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    void TraceRows(std::string& items, int x, int y) override;
    // Toggles item n.
    int checkItem(unsigned short n) override;
    unsigned int GetSelected() override;
    // Item i + 1 checked exactly when bit i is set; items past 32 keep theirs.
    void SetValue(unsigned int mask) override;
};

#endif
