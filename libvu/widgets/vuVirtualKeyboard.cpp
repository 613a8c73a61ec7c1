// vuVirtualKeyboard, minimal version: shown and hidden state only. Layouts,
// drawing and the keys come with the full widget set; until then the
// keyboard draws nothing and takes no taps.
#include "vuVirtualKeyboard.h"

#include "vuEvent.h"

vuVirtualKeyboard::vuVirtualKeyboard() : vuForm(), kbState(0)
{
    x = y = 0;
    width = height = 0;
    options = 0;
}

vuVirtualKeyboard::~vuVirtualKeyboard() {}

_VU_TypeObject vuVirtualKeyboard::GetType() const { return VU_TYPE_VIRTUAL_KEYBOARD; }

void vuVirtualKeyboard::Reset() { kbState = 0; }

int vuVirtualKeyboard::Draw(vuFrameBuffer *) { return -5; }

int vuVirtualKeyboard::HandleEvent(vuEvent *e)
{
    if (e && e->key)
        Reset();
    return 0;
}

void vuVirtualKeyboard::Activate(vuWidget *) { kbState = VU_VK_SHOWN; }

int vuVirtualKeyboard::IsActive() { return kbState & VU_VK_SHOWN; }
