#include "vuForm.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <typeinfo>
#include <utility>
#include <vector>

#include "osal.h"
#include "vuChain.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuMemIcon.h"
#include "vuUI.h"
#include "vuViewPort.h"
#include "vuVirtualKeyboard.h"
#include "vuWidget.h"
#include "vuWidgetParts.h"

namespace {

const _VU_TypeMemIcon kCloseIcon = static_cast<_VU_TypeMemIcon>(0);
// Reserved at the right of the header for a right-justified text: the close
// icon, and the OK icon's place.
const _VU_TypeMemIcon kOkIcon = static_cast<_VU_TypeMemIcon>(1);

}

vuForm::vuForm() : vuViewContainerObject(0, 0, vuUI::GetWidth(), vuUI::GetHeight())
{
    init(VU_FO_OK | VU_FO_CANCEL);
}

vuForm::vuForm(const char* text, vuImage* image) : vuViewContainerObject(0, 0, vuUI::GetWidth(), vuUI::GetHeight())
{
    init(VU_FO_HEADER | VU_FO_OK | VU_FO_CANCEL);
    headerImage = image;
    headerText = vuCopyText(text);
}

void vuForm::init(unsigned short opts)
{
    headerText = nullptr;
    headerImage = nullptr;
    headerJustify = 0x1000;
    headerHeight = 20;
    headerFont = 1;
    focused = nullptr;
    virtualKeyboard = nullptr;
    options = opts;
    state = 0;
    timerStart = 0;
    timeOut = 0;
    codeOk = 13;
    codeCancel = 27;
    codeNext = 108;
    codePrevious = 103;
    memset(closeCodes, 0, sizeof closeCodes);
    headerFrontColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 0));
    headerBackColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 1));
    frontColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 2));
    backColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 3));
    UpdateCoordinates();
    initControlCodes();
}

vuForm::~vuForm()
{
    free(headerText);
    headerText = nullptr;
    vuReplaceImage(headerImage, nullptr);
    delete virtualKeyboard;
    virtualKeyboard = nullptr;
    focused = nullptr;
}

_VU_TypeObject vuForm::GetType() const
{
    return VU_TYPE_FORM;
}

short vuForm::originX() const
{
    return static_cast<short>(x + corrX);
}

short vuForm::originY() const
{
    return static_cast<short>(y + corrY);
}

// ---- codes, state, options ------------------------------------------------

void vuForm::initControlCodes()
{
    if (vuIsD200Keypad())
        SetControlCodes(13, 27, 60, 59);
    else
        SetControlCodes(13, 27, 108, 103);
}

int vuForm::processCloseControlCode(vuEvent* e)
{
    if (!e)
        return 0;
    for (int i = 0; i < 8; ++i) {
        if (closeCodes[i] && (closeCodes[i] == e->key || closeCodes[i] == e->vkChar))
            return VU_FORM_CLOSE_CODE + i;
    }
    return 0;
}

void vuForm::SetState(int s)
{
    state = s;
}

int vuForm::GetState()
{
    return state;
}

void vuForm::SetOption(unsigned short bits)
{
    options |= bits;
}

void vuForm::ClearOption(unsigned short bits)
{
    options &= ~bits;
}

int vuForm::IsOption(unsigned short bits)
{
    return (bits && (options & bits) == bits) ? 1 : 0;
}

void vuForm::SetColors(unsigned short front, unsigned short back)
{
    frontColor = front;
    backColor = back;
}

unsigned short vuForm::GetFrontColor()
{
    return frontColor;
}

unsigned short vuForm::GetBackColor()
{
    return backColor;
}

void vuForm::SetHeaderText(const char* text)
{
    vuReplaceText(headerText, text);
}

void vuForm::SetHeaderImage(vuImage* image)
{
    vuReplaceImage(headerImage, image);
}

void vuForm::SetHeaderColors(unsigned short front, unsigned short back)
{
    headerFrontColor = front;
    headerBackColor = back;
}

unsigned short vuForm::GetFrontHeaderColor()
{
    return headerFrontColor;
}

unsigned short vuForm::GetBackHeaderColor()
{
    return headerBackColor;
}

void vuForm::SetHeaderFont(unsigned short slot)
{
    headerFont = slot;
}

void vuForm::SetHeaderHeight(unsigned short h)
{
    if (h > 0 && h < height) {
        headerHeight = h;
        UpdateCoordinates();
    }
}

void vuForm::SetHeaderJustify(unsigned char j)
{
    vuSetJustifyBits(headerJustify, j);
}

unsigned short vuForm::GetHeaderHeight()
{
    return (options & VU_FO_HEADER) ? headerHeight : 0;
}

// ---- geometry ---------------------------------------------------------------

static void clientArea(unsigned short opts, unsigned short headerH, unsigned short w, unsigned short h,
                       int16_t& cx, int16_t& cy, uint16_t& cw, uint16_t& ch)
{
    int b = (opts & VU_FO_NO_BORDER) ? 0 : 1;
    int top = (opts & VU_FO_HEADER) ? headerH : b;
    cx = static_cast<int16_t>(b);
    cy = static_cast<int16_t>(top);
    int width = w - 2 * b;
    int height = h - top - b;
    cw = static_cast<uint16_t>(width > 0 ? width : 0);
    ch = static_cast<uint16_t>(height > 0 ? height : 0);
}

void vuForm::UpdateCoordinates()
{
    x = 0;
    y = 0;
    width = vuUI::GetClientWidth();
    height = vuUI::GetClientHeight();
    clientArea(options, headerHeight, width, height, clientX, clientY, clientWidth, clientHeight);
}

int vuForm::ToScreen(vuFrameBuffer* fb)
{
    UpdateCoordinates();
    vuViewPort port;
    SetViewPort(&port);
    if (parent)
        parent->GetViewPort(&port);
    if (!fb || !port.width || !port.height)
        return 0;
    int16_t rx = originX(), ry = originY();
    uint16_t rw = width, rh = height;
    vuViewPort::Recalculate(&port, rx, ry, rw, rh);
    if (!rw || !rh)
        return 0;
    return fb->ToScreen(static_cast<unsigned short>(rx), static_cast<unsigned short>(ry), rw, rh);
}

// ---- focus, timer -------------------------------------------------------------

void vuForm::ResetTime()
{
    timerStart = OsGetTickCount();
}

void vuForm::SetTimeOut(uint32_t ms)
{
    timeOut = ms;
}

uint32_t vuForm::GetTimeOut()
{
    return timeOut;
}

int vuForm::IsTimeOut()
{
    if (!timeOut || !timerStart)
        return 0;
    uint32_t elapsed = static_cast<uint32_t>(OsGetTickCount() - timerStart);
    return elapsed > timeOut ? 1 : 0;
}

void vuForm::SetControlCodes(unsigned char ok, unsigned char cancel, unsigned char next, unsigned char previous)
{
    codeOk = ok;
    codeCancel = cancel;
    codeNext = next;
    codePrevious = previous;
}

unsigned char vuForm::GetControlCodeNext()
{
    return codeNext;
}

void vuForm::SetCloseControlCode(unsigned int index, unsigned char code)
{
    if (index < 8)
        closeCodes[index] = code;
}

void vuForm::ResCloseControlCode()
{
    memset(closeCodes, 0, sizeof closeCodes);
}

vuWidget* vuForm::GetFocused()
{
    return focused;
}

void vuForm::SetFocused(vuWidget* w)
{
    if (!w || !chain || chain->GetNumOf(w) == 0xFFFF || !w->IsFocusable())
        return;
    if (focused)
        focused->UnFocus();
    focused = w;
    w->Focus();
}

void vuForm::SetVirtualKeyboard(vuVirtualKeyboard* kb)
{
    // The keyboard held already stays alive.
    if (kb == virtualKeyboard)
        return;
    delete virtualKeyboard;
    virtualKeyboard = kb;
}

vuVirtualKeyboard* vuForm::GetVirtualKeyboard()
{
    return virtualKeyboard;
}

void vuForm::Reset()
{
    if (headerImage)
        headerImage->Reset();
    if (focused)
        focused->UnFocus();
    focused = nullptr;
    UpdateCoordinates();
    if (!chain)
        return;
    unsigned n = chain->GetCount();
    for (unsigned i = 0; i < n; ++i)
        static_cast<vuWidget*>(chain->GetByNum(static_cast<uint16_t>(i)))->Reset();
    for (unsigned i = 0; i < n; ++i) {
        vuWidget* w = static_cast<vuWidget*>(chain->GetByNum(static_cast<uint16_t>(i)));
        if (w->IsFocusable()) {
            focused = w;
            w->Focus();
            break;
        }
    }
}

int vuForm::IsAnimate()
{
    int r = 0;
    if ((options & VU_FO_HEADER) && headerImage)
        r = headerImage->IsAnimate();
    if (!chain)
        return r;
    unsigned n = chain->GetCount();
    for (unsigned i = 0; i < n && !r; ++i)
        r = static_cast<vuWidget*>(chain->GetByNum(static_cast<uint16_t>(i)))->IsAnimate();
    return r;
}

int vuForm::IsSign()
{
    if (!chain)
        return 0;
    unsigned n = chain->GetCount();
    // Children of multi-panels and multi-forms are forms: only the view
    // object's kind is asked here.
    for (unsigned i = 0; i < n; ++i) {
        if (static_cast<vuViewObject*>(chain->GetByNum(static_cast<uint16_t>(i)))->GetType() == VU_TYPE_SIGN_BOX)
            return 1;
    }
    return 0;
}

// ---- drawing ------------------------------------------------------------------

int vuForm::DrawHeader(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb || !(options & VU_FO_HEADER))
        return 0;
    short x0 = originX(), y0 = originY();
    unsigned short hh = headerHeight;
    fb->Fill(port, static_cast<short>(x0 + 1), y0, width >= 2 ? width - 2 : 0, hh, headerBackColor, 0);
    int iw = 0;
    if (headerImage) {
        headerImage->SetColor(headerFrontColor);
        iw = headerImage->GetWidth() < hh ? headerImage->GetWidth() : hh;
        int ih = headerImage->GetHeight() < hh ? headerImage->GetHeight() : hh;
        headerImage->Draw(fb, port, 0, 0, static_cast<short>(x0 + 2), static_cast<short>(y0 + (hh - ih) / 2),
                          static_cast<unsigned short>(iw), static_cast<unsigned short>(ih));
    }
    vuFont* font = fb->GetFont(headerFont);
    if (headerText && font) {
        int fh = font->GetHeight();
        int ty = fh < hh ? (hh - fh) / 2 : 0;
        int tw = font->GetWidth() * static_cast<int>(strlen(headerText));
        int d;
        // The text is placed in the form's own frame (a child form centres
        // its header over itself, not over the screen).
        if (headerJustify & 0x1000) {
            d = 0;
        } else if (headerJustify & 0x2000) {
            int icons = 0;
            if (options & VU_FO_CANCEL)
                icons += vuMemIcon::GetWidth(kCloseIcon) + 2;
            if (options & VU_FO_OK)
                icons += vuMemIcon::GetWidth(kOkIcon) + 2;
            d = width - icons - iw - tw - 4;
        } else {
            d = (width - tw) / 2;
        }
        int boxW = width - iw - 4;
        if (boxW > 0)
            font->DrawString(fb, port, headerText, 0, 0, 0, static_cast<short>(x0 + iw + d + 4),
                             static_cast<short>(y0 + ty), static_cast<unsigned short>(boxW), hh, headerFrontColor);
    }
    if (closeIconShown()) {
        unsigned short icw = vuMemIcon::GetWidth(kCloseIcon);
        unsigned short ich = vuMemIcon::GetHeight(kCloseIcon);
        vuMemIcon::DrawIcon(fb, port, 0, 0, static_cast<short>(x0 + width - icw - 2), static_cast<short>(y0 + 1), icw,
                            ich, kCloseIcon, headerFrontColor);
    }
    return hh;
}

int vuForm::DrawWidgets(vuFrameBuffer* fb)
{
    if (!chain)
        return 0;
    int result = 0;
    unsigned n = chain->GetCount();
    for (unsigned i = 0; i < n; ++i) {
        result = static_cast<vuWidget*>(chain->GetByNum(static_cast<uint16_t>(i)))->Draw(fb);
        if (result < 0)
            break;
    }
    return result;
}

bool vuForm::GetFillArea(int16_t& fx, int16_t& fy, uint16_t& fw, uint16_t& fh)
{
    if (!(options & VU_FO_FILL))
        return false;
    UpdateCoordinates();
    vuViewPort port;
    SetViewPort(&port);
    if (parent)
        parent->GetViewPort(&port);
    if (!port.width || !port.height)
        return false;
    fx = originX();
    fy = originY();
    fw = width;
    fh = height;
    vuViewPort::Recalculate(&port, fx, fy, fw, fh);
    return fw && fh;
}

void vuForm::FillBody(vuFrameBuffer* fb, vuViewPort* port)
{
    fb->Fill(port, originX(), originY(), width, height, backColor, 0);
}

void vuForm::fillBodyExcept(vuFrameBuffer* fb, vuViewPort* port, const Rect* skip, int count)
{
    int16_t fx = originX(), fy = originY();
    uint16_t fw = width, fh = height;
    vuViewPort::Recalculate(port, fx, fy, fw, fh);
    if (!fw || !fh)
        return;
    const Rect body{fx, fy, fw, fh};
    // The rectangles inside the body, and the bands their edges cut it in.
    std::vector<Rect> in;
    std::vector<int> edges{body.y, body.y + body.h};
    for (int i = 0; i < count; ++i) {
        const int x1 = std::max(skip[i].x, body.x), x2 = std::min(skip[i].x + skip[i].w, body.x + body.w);
        const int y1 = std::max(skip[i].y, body.y), y2 = std::min(skip[i].y + skip[i].h, body.y + body.h);
        if (x1 >= x2 || y1 >= y2)
            continue;
        in.push_back({x1, y1, x2 - x1, y2 - y1});
        edges.push_back(y1);
        edges.push_back(y2);
    }
    if (in.empty()) {
        vuForm::FillBody(fb, port);
        return;
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    // Drawn in screen coordinates, clipped to the body.
    vuViewPort clip{fx, fy, fw, fh, 0, 0};
    std::vector<std::pair<int, int>> spans;
    for (size_t b = 0; b + 1 < edges.size(); ++b) {
        const int top = edges[b], bottom = edges[b + 1];
        spans.clear();
        for (const Rect& r : in)
            if (r.y <= top && r.y + r.h >= bottom)
                spans.push_back({r.x, r.x + r.w});
        std::sort(spans.begin(), spans.end());
        int x = body.x;
        spans.push_back({body.x + body.w, body.x + body.w});
        for (const auto& s : spans) {
            if (s.first > x)
                fb->Fill(&clip, static_cast<short>(x), static_cast<short>(top), static_cast<unsigned short>(s.first - x),
                         static_cast<unsigned short>(bottom - top), backColor, 0);
            x = std::max(x, s.second);
        }
    }
}

bool vuForm::DrawAnimated(vuFrameBuffer* fb, std::vector<Rect>& areas)
{
    if (!fb || !chain || (typeid(*this) != typeid(vuForm) && typeid(*this) != typeid(vuChildForm)))
        return false;
    if (headerImage && headerImage->IsAnimate())
        return false;
    UpdateCoordinates();
    const unsigned n = chain->GetCount();
    auto child = [this](unsigned i) { return static_cast<vuWidget*>(chain->GetByNum(static_cast<uint16_t>(i))); };
    std::vector<unsigned> moving;
    std::vector<Rect> rects;
    for (unsigned i = 0; i < n; ++i) {
        vuWidget* w = child(i);
        if (!w->IsVisible())
            continue;
        if (w->DrawsBeside())
            return false;
        if (!w->IsAnimate())
            continue;
        int16_t x0, y0;
        uint16_t w0, h0;
        if (!w->GetSoleArea(x0, y0, w0, h0))
            return false;
        moving.push_back(i);
        rects.push_back({x0, y0, w0, h0});
    }
    if (moving.empty())
        return false;
    // Whatever is drawn after an animated child must stay off it.
    for (size_t k = 0; k < moving.size(); ++k) {
        const Rect& r = rects[k];
        for (unsigned j = moving[k] + 1; j < n; ++j) {
            int16_t x0, y0;
            uint16_t w0, h0;
            if (!child(j)->GetScreenArea(x0, y0, w0, h0))
                continue;
            if (x0 < r.x + r.w && r.x < x0 + w0 && y0 < r.y + r.h && r.y < y0 + h0)
                return false;
        }
    }
    for (size_t k = 0; k < moving.size(); ++k) {
        if (child(moving[k])->Draw(fb) < 0)
            return false;
        areas.push_back(rects[k]);
    }
    return true;
}

int vuForm::Draw(vuFrameBuffer* fb)
{
    if (!fb)
        return -4;
    UpdateCoordinates();
    vuViewPort port;
    SetViewPort(&port);
    if (parent)
        parent->GetViewPort(&port);
    if (!port.width || !port.height)
        return 0;
    short x0 = originX(), y0 = originY();
    if (options & VU_FO_FILL)
        FillBody(fb, &port);
    else if (!(options & VU_FO_NO_SHADOW))
        fb->Shadow(&port, x0, y0, width, height);
    if (!(options & VU_FO_NO_BORDER))
        fb->Border(&port, x0, y0, width, height, frontColor);
    DrawHeader(fb, &port);
    return DrawWidgets(fb);
}

// ---- events -------------------------------------------------------------------

bool vuForm::closeIconShown() const
{
    return (options & VU_FO_HEADER) && (options & VU_FO_CANCEL) && !(options & VU_FO_NO_CLOSE);
}

bool vuForm::hitsCloseIcon(const vuEvent* e)
{
    // Where the icon is not drawn there is nothing to tap.
    if (!closeIconShown())
        return false;
    int16_t px = static_cast<int16_t>(e->x);
    int16_t py = static_cast<int16_t>(e->y);
    if (parent)
        parent->ConvertPoint(px, py);
    int icw = vuMemIcon::GetWidth(kCloseIcon);
    int ich = vuMemIcon::GetHeight(kCloseIcon);
    int left = originX() + width - icw - 2;
    int top = originY() + 1;
    return px >= left && px < left + icw && py >= top && py < top + ich;
}

bool vuForm::moveFocus(int direction)
{
    bool changed = false;
    vuWidget* old = focused;
    if (old) {
        old->UnFocus();
        focused = nullptr;
        changed = true;
    }
    int n = static_cast<int>(chain->GetCount());
    int at = old ? chain->GetNumOf(old) : 0xFFFF;
    vuWidget* found = nullptr;
    auto child = [this](int i) { return static_cast<vuWidget*>(chain->GetByNum(static_cast<uint16_t>(i))); };
    if (direction > 0) {
        if (at != 0xFFFF)
            for (int i = at + 1; i < n && !found; ++i)
                if (child(i)->IsFocusable())
                    found = child(i);
        for (int i = 0; i < n && !found; ++i)
            if (child(i)->IsFocusable())
                found = child(i);
    } else {
        if (at != 0xFFFF)
            for (int i = at - 1; i >= 0 && !found; --i)
                if (child(i)->IsFocusable())
                    found = child(i);
        for (int i = n - 1; i >= 0 && !found; --i)
            if (child(i)->IsFocusable())
                found = child(i);
    }
    if (found) {
        focused = found;
        found->Focus();
        changed = true;
    }
    return changed;
}

int vuForm::HandleEvent(vuEvent* e)
{
    if (!e)
        return 0;
    int result = 0;
    unsigned char k = e->key;
    // Cancel, OK, time-out and the close icon are decided before any child
    // sees the event.
    if (k && k == codeCancel && (options & VU_FO_CANCEL))
        result = -1;
    else if (k && k == codeOk && (options & VU_FO_OK))
        result = 1;
    else if (IsTimeOut())
        result = VU_FORM_TIMEOUT;
    else if (e->phase == VU_PHASE_UP && hitsCloseIcon(e))
        result = -1;
    if (result)
        return result;

    if (chain && chain->GetCount()) {
        if (focused)
            result = focused->HandleEvent(e);
        if (result == 0 || result == 2) {
            unsigned n = chain->GetCount();
            for (unsigned i = 0; i < n; ++i) {
                vuWidget* w = static_cast<vuWidget*>(chain->GetByNum(static_cast<uint16_t>(i)));
                if (!w || w == focused || !w->IsVisible())
                    continue;
                int r = w->HandleEvent(e);
                if (r == -1 || r == 1) {
                    result = r;
                    break;
                }
                if (r == 2) {
                    result = 2;
                } else if (r == 3) {
                    if (focused)
                        focused->UnFocus();
                    w->Focus();
                    focused = w;
                    result = 2;
                    e->handled = 1;
                }
            }
        }
        if (!e->handled && k) {
            if (k == codeNext) {
                if (moveFocus(1))
                    result = 2;
            } else if (k == codePrevious) {
                if (moveFocus(-1))
                    result = 2;
            }
        }
    }
    if (!e->handled) {
        int c = processCloseControlCode(e);
        if (c)
            result = c;
    }
    return result;
}

// ---- child form -------------------------------------------------------------

vuChildForm::vuChildForm(unsigned short cx, unsigned short cy, unsigned short w, unsigned short h) : vuForm()
{
    place(cx, cy, w, h);
}

vuChildForm::vuChildForm(unsigned short cx, unsigned short cy, unsigned short w, unsigned short h, const char* text,
                         vuImage* image)
    : vuForm(text, image)
{
    place(cx, cy, w, h);
}

vuChildForm::~vuChildForm() {}

void vuChildForm::place(unsigned short cx, unsigned short cy, unsigned short w, unsigned short h)
{
    options |= VU_FO_FILL | VU_FO_ALONE;
    SetCorrection(static_cast<int16_t>(cx), static_cast<int16_t>(cy));
    width = w;
    height = h;
    UpdateCoordinates();
}

void vuChildForm::UpdateCoordinates()
{
    clientArea(options, headerHeight, width, height, clientX, clientY, clientWidth, clientHeight);
}
