// vuClock: the current date and time on the status line, drawn like a text
// object from a strftime format, or as "dd.mm.yy hh:mm:ss" by default.
#ifndef VU_CLOCK_H
#define VU_CLOCK_H

#include "vuExport.h"
#include "vuTextObject.h"

class VU_API vuClock : public vuTextObject {
public:
    vuClock(short x, short y, unsigned short w, unsigned short h, unsigned short font);
    ~vuClock() override;

    _VU_TypeObject GetType() const override;
    // Formats the time now and draws it; a format whose result does not fit
    // 23 characters draws nothing. A text set with SetText is never shown.
    int DrawObject(vuFrameBuffer* fb, vuViewPort* port) override;
    // A copy of a non-empty format; null or "" selects the default.
    virtual void SetFormat(const char* format);

    const char* GetFormat() const { return format; }

private:
    char* format;
};

#endif
