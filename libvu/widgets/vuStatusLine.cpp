// vuStatusLine, minimal version: the strip itself (geometry, options, fill
// colour and fill). Its status objects and their drawing come with the full
// widget set.
#include "vuStatusLine.h"

#include "vuColor.h"
#include "vuFrameBuffer.h"
#include "vuUI.h"

vuStatusLine::vuStatusLine(unsigned short h, unsigned short opts)
    : vuViewContainerObject(0, 0, vuUI::GetWidth(), h),
      color(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, 0))), options(opts)
{
    if (opts & VU_SL_BOTTOM)
        clientY = static_cast<int16_t>(vuUI::GetHeight() - h);
}

vuStatusLine::~vuStatusLine() {}

_VU_TypeObject vuStatusLine::GetType() const { return VU_TYPE_STATUS_LINE; }

unsigned short vuStatusLine::SetOption(unsigned short bits) { return options |= bits; }

unsigned short vuStatusLine::ClearOption(unsigned short bits) { return options &= static_cast<unsigned short>(~bits); }

int vuStatusLine::IsOption(unsigned short bits) { return bits && (options & bits) == bits ? 1 : 0; }

unsigned short vuStatusLine::IsAnimate() { return 0; }

void vuStatusLine::SetColor(unsigned short colour) { color = colour; }

int vuStatusLine::DrawObjects(vuFrameBuffer *) { return 0; }

int vuStatusLine::Draw(vuFrameBuffer *fb)
{
    if (fb && (options & VU_SL_FILL))
        fb->Fill(nullptr, clientX, clientY, width, height, color, 0);
    return DrawObjects(fb);
}
