// vuMultiLine over arbitrary text, options, sizes and event sequences: the
// layout must always advance, every index stay inside the buffer, and
// drawing stay inside the screen. The toolkit runs in caller-thread mode
// over a stand-in screen file in a scratch terminal root.
#include <stdint.h>
#include <string.h>

#include <string>

#include "FuzzToolkit.h"
#include "osal.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuMultiLine.h"
#include "vuUI.h"

namespace {

const int kScreenW = 160, kScreenH = 120;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = fuzz_toolkit::start("fuzz_multiline", kScreenW, kScreenH);
    if (!ready || size < 6)
        return 0;
    unsigned short options = static_cast<unsigned short>((data[0] % 4) | ((data[1] & 0x3) << 8));
    unsigned short w = data[2], h = data[3];
    unsigned short font = data[4] % 4 == 3 ? 9 : data[4] % 4; // 9: an empty slot
    size_t textLen = static_cast<size_t>(data[5]) * 2;
    data += 6;
    size -= 6;
    if (textLen > size)
        textLen = size;
    std::string text(reinterpret_cast<const char*>(data), textLen);
    text = text.c_str(); // up to the first NUL, as the widget keeps it
    data += textLen;
    size -= textLen;

    vuChildForm form(0, 0, kScreenW, kScreenH);
    short left = static_cast<short>(size ? data[0] % 8 : 0);
    auto* m = new vuMultiLine(left, 4, w, h, options, text.c_str());
    m->SetFont(font);
    form.Add(m);
    form.Reset();
    vuFrameBuffer* fb = vuUI::getFB();
    for (size_t i = 0; i + 4 <= size && i < 4 * 64; i += 4) {
        vuEvent e;
        memset(&e, 0, sizeof e);
        e.key = data[i];
        e.phase = data[i + 1] & 0x3;
        e.gesture = static_cast<uint8_t>(data[i + 1] >> 2);
        e.x = data[i + 2] % kScreenW;
        e.y = data[i + 3] % kScreenH;
        if (data[i + 2] & 0x80)
            e.vkChar = data[i + 3];
        form.HandleEvent(&e);
        OsTestClockAdvance(static_cast<unsigned>(data[i + 3]) * 8);
        if (data[i] & 1)
            form.Draw(fb);
        if (data[i] == 0xAA)
            m->AddValue(text.c_str());
        if (data[i] == 0x55)
            m->SetValue(m->GetValue());
    }
    form.Draw(fb);
    unsigned short line = 0, col = 0;
    m->getCursor(line, col);
    m->setCursor(line, col);
    return 0;
}
