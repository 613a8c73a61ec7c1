// vuProgress: a percentage shown as a filled bar with the number printed
// across it; the part of the number that lies over the bar is drawn in the
// back colour, the rest in the front colour. A changed value asks its form
// for one redraw through HandleEvent.
#ifndef VU_PROGRESS_H
#define VU_PROGRESS_H

#include <atomic>

#include "vuExport.h"
#include "vuWidget.h"

class VU_API vuProgress : public vuWidget {
public:
    // No transparency, no border, the progress colours of the form table,
    // font slot 1, value 0.
    vuProgress(short x, short y, unsigned short w, unsigned short h);
    ~vuProgress() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    // Value and the value last shown back to 0.
    void Reset() override;
    // The bar (from the left, or from the right edge with the right-justify
    // bit) and the "%u%%" text over it. 0, or -4 without a frame buffer.
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;
    // 2 once for every change of the value (the event itself is not looked
    // at), 0 otherwise.
    int HandleEvent(vuEvent* e) override;

    // Stores the percentage as it is (not limited to 100: the bar is clipped
    // to the widget). Returns the widget.
    virtual vuProgress* SetValue(unsigned short percent);

    unsigned short GetValue() const { return value.load(std::memory_order_relaxed); }

private:
    // Set from the application's thread, read by the UI thread's events and
    // drawing: a single atomic store, no lock.
    std::atomic<unsigned short> value;
    unsigned short shown; // the value for which a redraw was last asked
};

#endif
