// The on-screen keyboards that forms ask for with virtkb: the Russian and
// the Latin layout, five rows of twelve keys in three variants each.
#include "ui_loader.h"

#include "ui_values.h"

#include <cstring>

#include "vuVirtualKeyboard.h"
#include "vuVirtualKeyboardItem.h"

namespace {

// Key bytes with a meaning of their own: caps lock, shift, next layout,
// backspace, enter, hide; every other byte is typed as it is (CP1251).
#define KB_CAPS "\x10"
#define KB_SHIFT "\x11"
#define KB_NEXT "\x12"
#define KB_BS "\x08"
#define KB_ENTER "\x0D"
#define KB_HIDE "\x01"

// Rows are written in UTF-8 and converted, so that the Cyrillic keys read
// the same whatever the compiler's narrow character set.
struct Row {
    const char *normal;
    const char *caps;
    const char *shift;
};

const char kShift2[] = u8"~`\"№;|:?{}[]";
const char kShift3[] = u8" <>,./\\-+\x7F' ";
const char kShift4[] = u8"          " KB_BS KB_BS;
const char kRow5[] = KB_SHIFT "      " KB_ENTER KB_ENTER KB_NEXT KB_NEXT KB_HIDE;

const Row kRussian[5] = {
    {u8"1234567890,.", u8"1234567890,.", u8"!@#$%^&*()_="},
    {u8"йцукенгшщзхъ", u8"ЙЦУКЕНГШЩЗХЪ", kShift2},
    {u8"фывапролджэё", u8"ФЫВАПРОЛДЖЭЁ", kShift3},
    {KB_CAPS u8"ячсмитьбю" KB_BS KB_BS, KB_CAPS u8"ЯЧСМИТЬБЮ" KB_BS KB_BS, kShift4},
    {kRow5, kRow5, kRow5},
};

const Row kLatin[5] = {
    {u8"1234567890-+", u8"1234567890-+", u8"!@#$%^&*()_="},
    {u8"qwertyuiop[]", u8"QWERTYUIOP{}", kShift2},
    {u8"asdfghjkl;'@", u8"ASDFGHJKL:\"~", kShift3},
    {KB_CAPS u8"zxcvbnm,." KB_BS KB_BS, KB_CAPS u8"ZXCVBNM<>" KB_BS KB_BS, kShift4},
    {kRow5, kRow5, kRow5},
};

vuVirtualKeyboardItem *make_layout(const char *utf8Name, const Row (&rows)[5])
{
    char name[16];
    utf8_to_cp1251(utf8Name, name, sizeof name);
    vuVirtualKeyboardItem *item = new vuVirtualKeyboardItem(0, name);
    for (const Row &r : rows) {
        char normal[32], caps[32], shift[32];
        utf8_to_cp1251(r.normal, normal, sizeof normal);
        utf8_to_cp1251(r.caps, caps, sizeof caps);
        utf8_to_cp1251(r.shift, shift, sizeof shift);
        item->AddRow(normal, caps, shift);
    }
    return item;
}

} // namespace

vuVirtualKeyboard *build_virtual_keyboard(const char *virtkb)
{
    if (!virtkb)
        return nullptr;
    bool russian = std::strcmp(virtkb, "rus") == 0 || std::strcmp(virtkb, "RUS") == 0;
    bool latin = std::strcmp(virtkb, "eng") == 0 || std::strcmp(virtkb, "ENG") == 0;
    if (!russian && !latin)
        return nullptr;
    vuVirtualKeyboard *kb = new vuVirtualKeyboard();
    kb->SetOption(0x1);
    if (russian)
        kb->AddItem(make_layout(u8"РУС", kRussian));
    kb->AddItem(make_layout(u8"LAT", kLatin));
    return kb;
}

