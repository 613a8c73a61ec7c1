// vuRadio: a list of which exactly one item is checked after Reset; its
// value is the number (from 1) of the checked item.
#ifndef VU_RADIO_H
#define VU_RADIO_H

#include "vuBox.h"
#include "vuExport.h"

class VU_API vuRadio : public vuBox {
public:
    vuRadio(short x, short y, unsigned short w, unsigned short h);
    ~vuRadio() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    void TraceRows(std::string& items, int x, int y) override;
    // The list's reset, then item 1 checked.
    void Reset() override;
    // Clears every item and checks item n.
    int checkItem(unsigned short n) override;
    // Number of the first checked item, 0 when none.
    unsigned int GetSelected() override;
    // checkItem(n): 0 or a number past the items changes nothing.
    void SetValue(unsigned int n) override;
};

#endif
