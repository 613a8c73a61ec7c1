// vuMultiLine over arbitrary text, options, sizes and event sequences: the
// layout must always advance, every index stay inside the buffer, and
// drawing stay inside the screen. The toolkit runs in caller-thread mode
// over a stand-in screen file in a scratch terminal root.
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "osal.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuMultiLine.h"
#include "vuUI.h"

namespace {

const int kScreenW = 160, kScreenH = 120;
std::string g_root;

void stopToolkit()
{
    vuUI::Done();
    if (!g_root.empty()) {
        std::string cmd = "rm -rf '" + g_root + "'";
        if (system(cmd.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", g_root.c_str());
    }
}

bool startToolkit()
{
    char tmpl[] = "/tmp/fuzz_multiline_XXXXXX";
    if (!mkdtemp(tmpl))
        return false;
    std::string root = tmpl;
    g_root = root;
    atexit(stopToolkit);
    setenv("TERMINAL_ROOT", root.c_str(), 1);
    mkdir((root + "/dev").c_str(), 0777);
    mkdir((root + "/dev/graphics").c_str(), 0777);
    int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    if (fd < 0 || ftruncate(fd, kScreenW * kScreenH * 2) != 0)
        return false;
    close(fd);
    OsRegSetValue("osal.fb.xres", std::to_string(kScreenW).c_str());
    OsRegSetValue("osal.fb.yres", std::to_string(kScreenH).c_str());
    OsRegSetValue("osal.fb.bpp", "16");
    OsTestClockEnable(100000);
    vuUI* ui = vuUI::Init(VU_UI_CALLER_THREAD);
    return ui && vuUI::getFB();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = startToolkit();
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
