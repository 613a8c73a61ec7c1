// The toolkit singleton: start, stop, the command protocol and the calls
// carried out in the caller's thread.
//
// Minimal version: the statics, the getters and the version queries, so that
// the rest of the library links; the commands follow.
#include "vuUI.h"

#include <stdio.h>

vuUI *vuUI::handle = nullptr;
pthread_t vuUI::threadId;
pthread_t vuUI::hostId;
std::atomic<int> vuUI::err{0};

vuUI *vuUI::GetUI() { return handle; }
int vuUI::GetLastError() { return err.load(); }
int vuUI::IsModal() { return handle && handle->modalForm.load() ? 1 : 0; }
uint16_t vuUI::GetOption() { return handle ? handle->options.load() : 0; }
uint16_t vuUI::GetAnimationCount() { return handle ? handle->animationCount.load() : 0; }
vuStatusLine *vuUI::GetStatusLine() { return handle ? handle->statusLine : nullptr; }
vuVirtualKeyboard *vuUI::GetVirtualKeyboard() { return handle ? handle->virtualKeyboard : nullptr; }
vuResources *vuUI::GetResources() { return handle ? handle->resources : nullptr; }
vuFrameBuffer *vuUI::getFB() { return handle ? handle->fb : nullptr; }
uint16_t vuUI::GetWidth() { return 0; }
uint16_t vuUI::GetHeight() { return 0; }
uint16_t vuUI::GetClientWidth() { return 0; }
uint16_t vuUI::GetClientHeight() { return 0; }
uint16_t vuUI::GetFontWidth(uint16_t) { return 0; }
uint16_t vuUI::GetFontHeight(uint16_t) { return 0; }

void vuUI::GetVersion(char *buf, unsigned size)
{
    if (buf && size)
        snprintf(buf, size, "Version %d.%d.%d.%d Build %s", 1, 2, 0, 1, "Feb 10 2025");
}

void vuUI::GetBuildInfo(uint16_t *major, uint16_t *minor, uint16_t *release, uint16_t *build)
{
    if (major)
        *major = 1;
    if (minor)
        *minor = 2;
    if (release)
        *release = 0;
    if (build)
        *build = 1;
}
