// Entry fields (plain, pattern, address), the on-screen keyboard and the
// check-box and radio lists over arbitrary pictures, layouts, texts, sizes,
// options and event sequences: every index must stay inside its buffer,
// every loop must end and drawing must stay inside the screen. The toolkit
// runs in caller-thread mode over a stand-in screen file in a scratch
// terminal root.
#include <stdint.h>
#include <string.h>

#include <string>

#include "FuzzToolkit.h"
#include "osal.h"
#include "vuCheckBox.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuIPInput.h"
#include "vuInput.h"
#include "vuPatternInput.h"
#include "vuRadio.h"
#include "vuUI.h"
#include "vuVirtualKeyboard.h"
#include "vuVirtualKeyboardItem.h"

namespace {

const int kScreenW = 160, kScreenH = 120;

// Reads the input front to back; zeros once it is used up.
struct Reader {
    const uint8_t* data;
    size_t size;
    uint8_t byte()
    {
        if (!size)
            return 0;
        --size;
        return *data++;
    }
    // A NUL-free text of up to max bytes.
    std::string text(size_t max)
    {
        size_t n = byte() % (max + 1);
        std::string s;
        for (size_t i = 0; i < n && size; ++i) {
            uint8_t c = byte();
            s += static_cast<char>(c ? c : '#');
        }
        return s;
    }
};

// One event from three bytes: a key, or a touch with phase and gesture.
vuEvent event(Reader& r)
{
    vuEvent e;
    memset(&e, 0, sizeof e);
    uint8_t kind = r.byte();
    if (kind & 1) {
        e.key = r.byte();
    } else {
        e.phase = static_cast<uint8_t>(kind >> 1 & 3);
        e.gesture = r.byte();
        e.x = r.byte() % (kScreenW + 20) - 10;
        e.y = r.byte() % (kScreenH + 20) - 10;
    }
    if (kind & 0x80)
        e.vkChar = r.byte();
    if (kind & 0x40)
        OsTestClockAdvance(400);
    return e;
}

void drive(vuForm& form, vuVirtualKeyboard* kb, Reader& r)
{
    vuFrameBuffer* fb = vuUI::getFB();
    form.Reset();
    for (int i = 0; i < 64 && r.size; ++i) {
        vuEvent e = event(r);
        if (kb)
            kb->HandleEvent(&e);
        form.HandleEvent(&e);
        form.Draw(fb);
        if (kb && kb->IsActive())
            kb->Draw(fb);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = fuzz_toolkit::start("fuzz_entry_fields", kScreenW, kScreenH);
    if (!ready || size < 4)
        return 0;
    Reader r{data, size};
    uint8_t what = r.byte();
    short x = static_cast<short>(r.byte() % kScreenW - 8);
    short y = static_cast<short>(r.byte() % kScreenH - 8);
    unsigned short w = r.byte(), h = r.byte() % 80;
    unsigned short options = static_cast<unsigned short>(r.byte() | r.byte() << 8);
    unsigned short font = r.byte() % 4 == 3 ? 9 : 1; // 9: an empty slot

    vuChildForm form(0, 0, kScreenW, kScreenH);
    vuVirtualKeyboard* kb = nullptr;
    switch (what % 4) {
    case 0: {
        auto* f = new vuInput(x, y, w, h, r.byte() % 40, options);
        f->SetFont(font);
        f->SetRadix(r.byte() % 8);
        form.Add(f);
        if (r.byte() & 1)
            f->SetMaxLen(r.byte() % 10);
        f->SetValue(r.text(48).c_str());
        f->SetCurPos(r.byte());
        break;
    }
    case 1: {
        std::string pattern = r.text(64);
        auto* f = new vuPatternInput(x, y, w, h, options, pattern.c_str());
        f->SetFont(font);
        form.Add(f);
        f->SetMaxLen(r.byte() % 24);
        f->SetValue(r.text(32).c_str());
        break;
    }
    case 2: {
        auto* f = new vuIPInput(x, y, w, h, options);
        f->SetFont(font);
        form.Add(f);
        f->SetIPtext(r.text(20).c_str());
        auto* g = new vuInput(x, static_cast<short>(y + h), w, h, 16, 0);
        form.Add(g);
        kb = new vuVirtualKeyboard;
        kb->SetOption(options & 3);
        for (int l = r.byte() % 3; l >= 0; --l) {
            auto* item = new vuVirtualKeyboardItem(font, r.text(6).c_str());
            for (int row = r.byte() % 8; row > 0; --row) {
                std::string a = r.text(40), b = r.text(40), c = r.text(40);
                item->AddRow(a.c_str(), b.empty() ? nullptr : b.c_str(), c.c_str());
            }
            kb->AddItem(item);
        }
        form.SetVirtualKeyboard(kb);
        kb->SetParent(vuUI::getFB());
        kb->Activate(r.byte() & 1 ? g : nullptr);
        break;
    }
    default: {
        vuBox* box;
        if (options & 1)
            box = new vuCheckBox(x, y, w, h);
        else
            box = new vuRadio(x, y, w, h);
        box->SetFont(font);
        box->SetMaxLines(r.byte() % 5);
        box->SetControlCodes(r.byte(), r.byte(), r.byte(), r.byte());
        for (int i = r.byte() % 12; i > 0; --i)
            box->AddItem(r.text(40).c_str(), nullptr);
        form.Add(box);
        box->SetValue(static_cast<unsigned>(r.byte()) << 1);
        break;
    }
    }
    drive(form, kb, r);
    return 0;
}
