#include "vuClock.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "vuColor.h"
#include "vuWidgetParts.h"

vuClock::vuClock(short ox, short oy, unsigned short w, unsigned short h, unsigned short slot)
    : vuTextObject(ox, oy, w, h, nullptr), format(nullptr)
{
    font = slot;
    frontColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, 11));
    backColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, 12));
}

vuClock::~vuClock()
{
    free(format);
    format = nullptr;
}

_VU_TypeObject vuClock::GetType() const
{
    return VU_TYPE_CLOCK;
}

void vuClock::SetFormat(const char* f)
{
    vuReplaceText(format, (f && *f) ? f : nullptr);
}

int vuClock::DrawObject(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb)
        return -4;
    char buf[24];
    buf[0] = 0;
    time_t now = time(nullptr);
    struct tm t;
    if (!localtime_r(&now, &t))
        memset(&t, 0, sizeof t);
    if (format) {
        // Output that does not fit leaves the text empty.
        if (strftime(buf, sizeof buf, format, &t) == 0)
            buf[0] = 0;
    } else {
        snprintf(buf, sizeof buf, "%02u.%02u.%02u %02u:%02u:%02u", static_cast<unsigned>(t.tm_mday),
                 static_cast<unsigned>(t.tm_mon + 1), static_cast<unsigned>(t.tm_year % 100),
                 static_cast<unsigned>(t.tm_hour), static_cast<unsigned>(t.tm_min), static_cast<unsigned>(t.tm_sec));
    }
    return drawText(fb, port, buf, frontColor);
}
