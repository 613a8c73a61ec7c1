#include "vuVirtualKeyboard.h"

#include <string.h>

#include "vuChain.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuUI.h"
#include "vuViewPort.h"
#include "vuVirtualKeyboardItem.h"
#include "vuWidget.h"
#include "vuWidgetParts.h"

namespace {

// Keys with an image, in the order of the image slots.
const unsigned char kImageKeys[5] = {VU_VK_KEY_SHIFT, VU_VK_KEY_CAPS, VU_VK_KEY_BACKSPACE, VU_VK_KEY_ENTER,
                                     VU_VK_KEY_HIDE};
const _VU_TypeMemIcon kImageIcons[5] = {VU_MEMICON_KB_SH, VU_MEMICON_KB_SHIFT, VU_MEMICON_KB_BACKSPACE,
                                        VU_MEMICON_KB_ENTER, VU_MEMICON_KB_WAIT};

// Start and size of a w-wide content centred in a cell of size `cell`; a
// content wider than the cell is cut evenly (src is the cut at its start).
void centre(int cell, int w, int& offset, int& src, int& drawn)
{
    if (w <= cell) {
        offset = (cell - w) / 2;
        src = 0;
        drawn = w;
    } else {
        offset = 0;
        src = (w - cell) / 2;
        drawn = cell;
    }
}

}

vuVirtualKeyboard::vuVirtualKeyboard()
    : vuForm(),
      activeFront(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_VIRTUAL_KEYBOARD, 2))),
      activeBack(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_VIRTUAL_KEYBOARD, 3))),
      kbState(0),
      layout(0),
      touchX(-1),
      touchY(-1)
{
    x = y = 0;
    width = height = 0;
    clientX = clientY = 0;
    clientWidth = clientHeight = 0;
    corrX = corrY = 0;
    // The form's option bits mean other things here.
    options = 0;
    frontColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_VIRTUAL_KEYBOARD, 0));
    backColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_VIRTUAL_KEYBOARD, 1));
    for (int i = 0; i < 5; ++i)
        images[i] = vuImage::CreateMemIcon(kImageIcons[i]);
}

vuVirtualKeyboard::~vuVirtualKeyboard()
{
    for (vuImage*& slot : images)
        vuReplaceImage(slot, nullptr);
}

_VU_TypeObject vuVirtualKeyboard::GetType() const
{
    return VU_TYPE_VIRTUAL_KEYBOARD;
}

int vuVirtualKeyboard::Add(vuViewObject*)
{
    return -1;
}

int vuVirtualKeyboard::Del(vuViewObject*)
{
    return -1;
}

int vuVirtualKeyboard::IsAnimate()
{
    return 0;
}

int vuVirtualKeyboard::IsSign()
{
    return 0;
}

int vuVirtualKeyboard::DrawWidgets(vuFrameBuffer*)
{
    return 0;
}

void vuVirtualKeyboard::SetActiveColor(unsigned short front, unsigned short back)
{
    activeFront = front;
    activeBack = back;
}

int vuVirtualKeyboard::imageSlot(unsigned char key)
{
    for (int i = 0; i < 5; ++i)
        if (kImageKeys[i] == key)
            return i;
    return -1;
}

vuImage* vuVirtualKeyboard::GetImage(unsigned char key) const
{
    int i = imageSlot(key);
    return i >= 0 ? images[i] : nullptr;
}

void vuVirtualKeyboard::SetImage(unsigned char key, vuImage* image)
{
    int i = imageSlot(key);
    if (i >= 0)
        vuReplaceImage(images[i], image);
}

int vuVirtualKeyboard::AddItem(vuVirtualKeyboardItem* item)
{
    if (!item || !chain)
        return -2;
    return chain->Add(item);
}

vuVirtualKeyboardItem* vuVirtualKeyboard::GetCurrentItem() const
{
    return chain ? static_cast<vuVirtualKeyboardItem*>(chain->GetByNum(layout)) : nullptr;
}

int vuVirtualKeyboard::IsActive()
{
    return kbState & VU_VK_SHOWN;
}

void vuVirtualKeyboard::Reset()
{
    kbState = 0;
    layout = 0;
    touchX = touchY = -1;
}

void vuVirtualKeyboard::adoptScreen()
{
    // The screen is the keyboard's parent; a keyboard handed to the UI as a
    // whole may not have been given one.
    if (!parent)
        parent = vuUI::getFB();
}

uint16_t vuVirtualKeyboard::parentClientWidth()
{
    return parent ? parent->GetClientWidth() : vuUI::GetClientWidth();
}

uint16_t vuVirtualKeyboard::parentClientHeight()
{
    return parent ? parent->GetClientHeight() : vuUI::GetClientHeight();
}

void vuVirtualKeyboard::UpdateCoordinates()
{
    adoptScreen();
    vuVirtualKeyboardItem* item = GetCurrentItem();
    if (!item)
        return;
    x = y = 0;
    width = parentClientWidth();
    height = item->GetHeight();
    corrX = 0;
    corrY = (options & VU_VK_TOP) ? 0 : static_cast<int16_t>(parentClientHeight() - height);
    clientX = clientY = 0;
    clientWidth = width;
    clientHeight = height;
}

void vuVirtualKeyboard::Activate(vuWidget* widget)
{
    adoptScreen();
    options &= ~VU_VK_TOP;
    vuVirtualKeyboardItem* item = GetCurrentItem();
    if (widget && item) {
        vuViewPort wport;
        widget->SetViewPort(&wport);
        if (widget->GetParent())
            widget->GetParent()->GetViewPort(&wport);
        int top = wport.offsetY + widget->GetY();
        UpdateCoordinates();
        vuViewPort kport;
        SetViewPort(&kport);
        if (parent)
            parent->GetViewPort(&kport);
        // The widget would be covered by the keyboard at the bottom edge.
        if (top >= parentClientHeight() - item->GetHeight() + kport.offsetY)
            options |= VU_VK_TOP;
    }
    kbState = VU_VK_SHOWN;
    layout = 0;
    touchX = touchY = -1;
    // Placed at once, so that a tap before the next drawing finds the keys.
    UpdateCoordinates();
}

const char* vuVirtualKeyboard::rowText(vuVirtualKeyboardItem* item, unsigned short row) const
{
    if (kbState & VU_VK_SHIFT)
        return item->GetShiftCodes(row);
    if (kbState & VU_VK_CAPS)
        return item->GetCapsCodes(row);
    return item->GetCodes(row);
}

int vuVirtualKeyboard::Draw(vuFrameBuffer* fb)
{
    if (!fb || !IsActive() || !GetCurrentItem())
        return -5;
    UpdateCoordinates();
    vuViewPort port;
    SetViewPort(&port);
    if (parent)
        parent->GetViewPort(&port);
    vuVirtualKeyboardItem* item = GetCurrentItem();
    if (!port.width || !port.height || !item)
        return -5;
    fb->Shadow(&port, static_cast<short>(x + corrX), static_cast<short>(y + corrY), width, height);
    return DrawItem(fb, &port, item);
}

int vuVirtualKeyboard::DrawItem(vuFrameBuffer* fb, vuViewPort* port, vuVirtualKeyboardItem* item)
{
    if (!fb || !item)
        return 0;
    vuFont* font = fb->GetFont(item->GetFontIndex());
    int W = clientWidth;
    int top = 0;
    for (unsigned short row = 0; row < item->GetRowCount(); ++row) {
        int rh = item->GetRowHeight(row);
        const char* codes = rowText(item, row);
        if (codes && *codes && font) {
            int L = static_cast<int>(strlen(codes));
            int unit = W / L;
            int left = (W % L) / 2;
            for (int i = 0; i < L;) {
                unsigned char key = static_cast<unsigned char>(codes[i]);
                int n = 1;
                while (i + n < L && static_cast<unsigned char>(codes[i + n]) == key)
                    ++n;
                int kw = unit * n;
                bool lit = (touchX >= left && touchX < left + kw && touchY >= top && touchY < top + rh) ||
                           (key == VU_VK_KEY_SHIFT && (kbState & VU_VK_SHIFT)) ||
                           (key == VU_VK_KEY_CAPS && (kbState & VU_VK_CAPS));
                unsigned short front = lit ? activeFront : frontColor;
                unsigned short back = lit ? activeBack : backColor;
                short cx = static_cast<short>(x + corrX + left);
                short cy = static_cast<short>(y + corrY + top);
                if (kw > 2 && rh > 2) {
                    if (options & VU_VK_FILL_KEYS)
                        fb->Fill(port, static_cast<short>(cx + 1), static_cast<short>(cy + 1),
                                 static_cast<unsigned short>(kw - 2), static_cast<unsigned short>(rh - 2), back, 0);
                    fb->Border(port, static_cast<short>(cx + 1), static_cast<short>(cy + 1),
                               static_cast<unsigned short>(kw - 2), static_cast<unsigned short>(rh - 2), front);
                }
                int ox, sx, dw, oy, sy, dh;
                vuImage* image = GetImage(key);
                if (imageSlot(key) >= 0) {
                    if (image) {
                        image->SetColor(front);
                        centre(kw, image->GetWidth(), ox, sx, dw);
                        centre(rh, image->GetHeight(), oy, sy, dh);
                        image->Draw(fb, port, static_cast<unsigned short>(sx), static_cast<unsigned short>(sy),
                                    static_cast<short>(cx + ox), static_cast<short>(cy + oy),
                                    static_cast<unsigned short>(dw), static_cast<unsigned short>(dh));
                    }
                } else if (key == VU_VK_KEY_NEXT) {
                    const char* name = item->GetName();
                    if (name && *name) {
                        int len = static_cast<int>(strlen(name));
                        centre(kw, len * font->GetWidth(), ox, sx, dw);
                        centre(rh, font->GetHeight(), oy, sy, dh);
                        font->DrawString(fb, port, name, static_cast<unsigned short>(len),
                                         static_cast<unsigned short>(sx), static_cast<unsigned short>(sy),
                                         static_cast<short>(cx + ox), static_cast<short>(cy + oy),
                                         static_cast<unsigned short>(dw), static_cast<unsigned short>(dh), front);
                    }
                } else if (key != VU_VK_KEY_SPACE) {
                    char c = static_cast<char>(key);
                    centre(kw, font->GetWidth(), ox, sx, dw);
                    centre(rh, font->GetHeight(), oy, sy, dh);
                    font->DrawString(fb, port, &c, 1, static_cast<unsigned short>(sx),
                                     static_cast<unsigned short>(sy), static_cast<short>(cx + ox),
                                     static_cast<short>(cy + oy), static_cast<unsigned short>(dw),
                                     static_cast<unsigned short>(dh), front);
                }
                left += kw;
                i += n;
            }
        }
        top += rh;
    }
    return 0;
}

int vuVirtualKeyboard::HandleEvent(vuEvent* e)
{
    touchX = touchY = -1;
    if (!e)
        return 0;
    if (e->key) {
        Reset();
        return 0;
    }
    if (!IsActive() || e->phase < VU_PHASE_DOWN || e->phase > VU_PHASE_UP)
        return 0;
    // Placed for the present layout and screen before the point is judged.
    UpdateCoordinates();
    int16_t px = static_cast<int16_t>(e->x);
    int16_t py = static_cast<int16_t>(e->y);
    if (!ConvertPoint(px, py) || !vuViewObject::IsInside(px, py))
        return 0;
    unsigned g = e->gesture & 0x3F;
    if (g == 0) {
        if (e->phase != VU_PHASE_UP) {
            touchX = px;
            touchY = py;
        }
    } else if (g == VU_GESTURE_TAP) {
        touchX = px;
        touchY = py;
        if (e->phase == VU_PHASE_UP)
            GetEvent(e);
    }
    e->handled = 1;
    return 2;
}

int vuVirtualKeyboard::GetEvent(vuEvent* e)
{
    vuVirtualKeyboardItem* item = GetCurrentItem();
    if (!e || !item || touchY < 0)
        return 0;
    int top = 0;
    unsigned short row = 0;
    for (; row < item->GetRowCount(); ++row) {
        int rh = item->GetRowHeight(row);
        if (touchY >= top && touchY < top + rh)
            break;
        top += rh;
    }
    if (row >= item->GetRowCount())
        return 0;
    const char* codes = rowText(item, row);
    if (!codes || !*codes)
        return 0;
    int W = clientWidth;
    int L = static_cast<int>(strlen(codes));
    int unit = W / L;
    int left = (W % L) / 2;
    if (!unit || touchX < left || touchX >= left + L * unit)
        return 0;
    unsigned char key = static_cast<unsigned char>(codes[(touchX - left) / unit]);
    switch (key) {
    case VU_VK_KEY_HIDE:
        Reset();
        break;
    case VU_VK_KEY_BACKSPACE:
        e->key = key;
        break;
    case VU_VK_KEY_CAPS:
        kbState ^= VU_VK_CAPS;
        break;
    case VU_VK_KEY_SHIFT:
        kbState ^= VU_VK_SHIFT;
        break;
    case VU_VK_KEY_NEXT:
        ++layout;
        if (!chain || layout >= chain->GetCount())
            layout = 0;
        kbState &= ~VU_VK_SHIFT;
        break;
    default:
        e->vkChar = key;
        break;
    }
    return 0;
}
