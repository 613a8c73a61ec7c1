#include "ScreenCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

namespace screencheck {

namespace {

using nlohmann::json;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;

    bool Empty() const { return w <= 0 || h <= 0; }
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
    bool Contains(const Rect &r) const { return r.x >= x && r.y >= y && r.Right() <= Right() && r.Bottom() <= Bottom(); }
    Rect Intersect(const Rect &r) const
    {
        Rect o;
        o.x = std::max(x, r.x);
        o.y = std::max(y, r.y);
        o.w = std::min(Right(), r.Right()) - o.x;
        o.h = std::min(Bottom(), r.Bottom()) - o.y;
        if (o.Empty())
            o.w = o.h = 0;
        return o;
    }
    bool operator==(const Rect &r) const { return x == r.x && y == r.y && w == r.w && h == r.h; }
    std::string Text() const
    {
        return "(" + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(w) + "x" +
               std::to_string(h) + ")";
    }
};

int num(const json &item, const char *key, int fallback = 0)
{
    auto it = item.find(key);
    return it != item.end() && it->is_number() ? it->get<int>() : fallback;
}

std::string str(const json &item, const char *key)
{
    auto it = item.find(key);
    return it != item.end() && it->is_string() ? it->get<std::string>() : std::string();
}

Rect rectOf(const json &item)
{
    return Rect{num(item, "x"), num(item, "y"), num(item, "w"), num(item, "h")};
}

bool clipOf(const json &item, Rect &out)
{
    auto it = item.find("clip");
    if (it == item.end() || !it->is_array() || it->size() != 4)
        return false;
    for (const json &v : *it)
        if (!v.is_number())
            return false;
    out = Rect{(*it)[0].get<int>(), (*it)[1].get<int>(), (*it)[2].get<int>(), (*it)[3].get<int>()};
    return true;
}

// How an item is named in the messages: its kind, type, name and text.
std::string describe(const json &item)
{
    std::string kind = str(item, "kind");
    std::string type = str(item, "type");
    std::string out = type.empty() ? kind : type;
    std::string name = str(item, "name");
    if (!name.empty())
        out += " \"" + name + "\"";
    std::string label = str(item, "label");
    if (!label.empty()) {
        std::string shown = label;
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        if (shown.size() > 60) {
            size_t cut = 57;
            while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
                --cut; // not inside a UTF-8 sequence
            shown = shown.substr(0, cut) + "...";
        }
        out += " text \"" + shown + "\"";
    }
    return out + " " + rectOf(item).Text();
}

std::string hex(uint16_t c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", c);
    return buf;
}

std::string ratio(double r)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f:1", r);
    return buf;
}

bool hasGlyphs(const std::string &label)
{
    return label.find_first_not_of(" \t\r\n") != std::string::npos;
}

// The worst contrast between the text's pixels (those of its colour) and
// the pixels next to them inside the area. False when no pixel has the
// text's colour.
struct Measure {
    double worst = 21;
    int x = -1, y = -1;
    uint16_t against = 0;
    bool found = false;
};

Measure measure(const Picture &pic, const Rect &area, uint16_t fg)
{
    Measure m;
    for (int y = area.y; y < area.Bottom(); ++y) {
        for (int x = area.x; x < area.Right(); ++x) {
            if (pic.At(x, y) != fg)
                continue;
            m.found = true;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < area.x || ny < area.y || nx >= area.Right() || ny >= area.Bottom())
                        continue;
                    const uint16_t c = pic.At(nx, ny);
                    if (c == fg)
                        continue;
                    const double r = Contrast(fg, c);
                    if (r < m.worst) {
                        m.worst = r;
                        m.x = nx;
                        m.y = ny;
                        m.against = c;
                    }
                }
            }
        }
    }
    return m;
}

double channel(int v8)
{
    const double c = v8 / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double Luminance(uint16_t c)
{
    const int r5 = (c >> 11) & 0x1F, g6 = (c >> 5) & 0x3F, b5 = c & 0x1F;
    const int r = (r5 << 3) | (r5 >> 2), g = (g6 << 2) | (g6 >> 4), b = (b5 << 3) | (b5 >> 2);
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b);
}

double Contrast(uint16_t a, uint16_t b)
{
    double la = Luminance(a), lb = Luminance(b);
    if (la < lb)
        std::swap(la, lb);
    return (la + 0.05) / (lb + 0.05);
}

bool ReadScreenFile(const std::string &path, int width, int height, Picture &out)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (width <= 0 || height <= 0 || bytes.size() != static_cast<size_t>(width) * height * 2)
        return false;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < out.pixels.size(); ++i)
        out.pixels[i] = static_cast<uint16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                              static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    return true;
}

std::string Result::Text() const
{
    std::string out;
    for (const std::string &f : failures)
        out += f + "\n";
    return out;
}

Result Check(const std::string &name, const Picture &pic, const std::string &line)
{
    Result res;
    auto fail = [&](const std::string &what) { res.failures.push_back(name + ": " + what); };

    json screen = json::parse(line, nullptr, false);
    if (screen.is_discarded() || !screen.is_object() || screen.value("event", "") != "screen" ||
        !screen.contains("items") || !screen["items"].is_array()) {
        fail("not a screen line of the trace: " + line.substr(0, 120));
        return res;
    }
    const int W = num(screen, "width"), H = num(screen, "height");
    if (W != pic.width || H != pic.height || pic.pixels.size() != static_cast<size_t>(W) * H) {
        fail("the picture is " + std::to_string(pic.width) + "x" + std::to_string(pic.height) + ", the screen " +
             std::to_string(W) + "x" + std::to_string(H));
        return res;
    }
    const Rect whole{0, 0, W, H};
    const json &items = screen["items"];

    Rect client = whole, close;
    bool hasClose = false;
    std::vector<const json *> widgets;
    for (const json &item : items) {
        const std::string kind = str(item, "kind");
        const Rect r = rectOf(item);
        if (kind == "form")
            clipOf(item, client);
        if (kind == "close") {
            close = r;
            hasClose = true;
        }
        // Rows may scroll out of their list; everything else must be on the
        // screen.
        if (kind != "row" && !r.Empty() && !whole.Contains(r))
            fail(describe(item) + " lies outside the " + std::to_string(W) + "x" + std::to_string(H) + " screen");
        if (kind == "widget" && !r.Empty())
            widgets.push_back(&item);
    }

    // Widgets: inside the form's client area, apart from one another, their
    // one-line labels within them.
    for (size_t i = 0; i < widgets.size(); ++i) {
        const json &wi = *widgets[i];
        const Rect r = rectOf(wi);
        if (!client.Contains(r))
            fail(describe(wi) + " crosses the edge of its form's client area " + client.Text());
        for (size_t j = i + 1; j < widgets.size(); ++j)
            if (!r.Intersect(rectOf(*widgets[j])).Empty())
                fail(describe(wi) + " overlaps " + describe(*widgets[j]));
        // A static's or button's one-line text (a button's inside its
        // two-pixel bevel) is cut where it does not fit.
        const std::string type = str(wi, "type");
        const int tw = num(wi, "tw", -1), th = num(wi, "th", -1);
        const int inset = type == "button" ? 4 : 0;
        if ((type == "static" || type == "button") && hasGlyphs(str(wi, "label"))) {
            if (tw > r.w - inset)
                fail(describe(wi) + ": its text is " + std::to_string(tw) + " pixels wide, the widget holds " +
                     std::to_string(r.w - inset));
            if (th > r.h - inset)
                fail(describe(wi) + ": its text is " + std::to_string(th) + " pixels high, the widget holds " +
                     std::to_string(r.h - inset));
        }
    }

    for (const json &item : items) {
        const std::string kind = str(item, "kind");
        const Rect r = rectOf(item);
        if (kind == "row") {
            Rect list;
            if (clipOf(item, list)) {
                const Rect seen = r.Intersect(list);
                if (!seen.Empty() && !(seen == r))
                    fail(describe(item) + " is cut by the edge of its list " + list.Text() + ": " +
                         std::to_string(seen.h) + " of " + std::to_string(r.h) + " rows of pixels shown");
            }
        }
        if (kind == "status" && hasGlyphs(str(item, "label")) && num(item, "tw", -1) > r.w)
            fail(describe(item) + ": its text is " + std::to_string(num(item, "tw")) +
                 " pixels wide, the status-line object holds " + std::to_string(r.w));
        if (kind == "header" && item.contains("tx")) {
            const Rect text{num(item, "tx"), num(item, "ty"), num(item, "tw"), num(item, "th")};
            if (!text.Empty() && !r.Contains(text))
                fail(describe(item) + ": the header text " + text.Text() + " runs past the header");
            if (hasClose && !text.Empty() && !text.Intersect(close).Empty())
                fail(describe(item) + ": the header text " + text.Text() + " runs into the close icon " +
                     close.Text());
            else if (hasClose && !text.Empty() && text.Right() + 2 > close.x && text.x < close.Right())
                fail(describe(item) + ": the header text " + text.Text() + " touches the close icon " +
                     close.Text());
        }
    }

    // A framed widget keeps its texts and marks off its frame: no pixel of
    // their colours in the ring just inside the frame (the frame's own ring
    // is left to the frame). An entry field's text keeps off all four sides;
    // the rows of a list (a multi-line text's lines, check-box and radio
    // rows with their marks) scroll past its top and bottom and keep off the
    // left and right sides. The scroll bars' edges are theirs.
    // A letter strip lies over whatever is below it for a moment: its
    // pixels are nobody's text.
    std::vector<Rect> strips;
    for (const json &item : items)
        if (str(item, "kind") == "hint")
            strips.push_back(rectOf(item));
    auto underStrip = [&](int x, int y) {
        for (const Rect &h : strips)
            if (x >= h.x && y >= h.y && x < h.Right() && y < h.Bottom())
                return true;
        return false;
    };
    for (const json *wp : widgets) {
        const json &wi = *wp;
        if (num(wi, "border") != 1)
            continue;
        const Rect r = rectOf(wi).Intersect(whole);
        if (r.w < 5 || r.h < 5)
            continue;
        const std::string type = str(wi, "type");
        std::vector<uint16_t> colours;
        if (wi.contains("fg") && hasGlyphs(str(wi, "label")))
            colours.push_back(static_cast<uint16_t>(num(wi, "fg")));
        for (const json &item : items) {
            Rect clip;
            if (str(item, "kind") == "row" && item.contains("mark") && clipOf(item, clip) && clip == rectOf(wi))
                colours.push_back(static_cast<uint16_t>(num(item, "fg")));
        }
        if (colours.empty())
            continue;
        const bool allSides = type == "input";
        const int right = r.Right() - 2 - (num(wi, "barw") ? 3 : 0), bottom = r.Bottom() - 2 - (num(wi, "barh") ? 3 : 0);
        auto ofText = [&](int x, int y) {
            return std::find(colours.begin(), colours.end(), pic.At(x, y)) != colours.end();
        };
        // An entry field whose text runs on past a side marks that side with
        // a line just inside the frame, as high as the text: no glyph.
        auto cutMark = [&](int x) {
            if (!allSides)
                return false;
            int run = 0, longest = 0;
            for (int y = r.y + 1; y <= bottom; ++y) {
                run = ofText(x, y) ? run + 1 : 0;
                longest = std::max(longest, run);
            }
            return longest >= 10;
        };
        const bool leftCut = cutMark(r.x + 1), rightCut = cutMark(r.Right() - 2);
        int hitX = -1, hitY = -1;
        for (int y = r.y + 1; y <= bottom && hitX < 0; ++y)
            for (int x = r.x + 1; x <= right && hitX < 0; ++x) {
                if ((x == r.x + 1 && leftCut) || (x == r.Right() - 2 && rightCut))
                    continue;
                const bool ring = x == r.x + 1 || x == r.Right() - 2 ||
                                  (allSides && (y == r.y + 1 || y == r.Bottom() - 2));
                if (ring && ofText(x, y) && !underStrip(x, y)) {
                    hitX = x;
                    hitY = y;
                }
            }
        if (hitX >= 0)
            fail(describe(wi) + ": its text or mark touches its frame at (" + std::to_string(hitX) + "," +
                 std::to_string(hitY) + ")");
    }

    for (const json &item : items) {
        const std::string kind = str(item, "kind");
        const Rect r = rectOf(item);
        // A check or radio mark whole in the room its list gives it.
        if (kind == "row" && item.contains("mark")) {
            Rect mark, room;
            const json &m = item["mark"], &o = item["markroom"];
            if (m.is_array() && m.size() == 4 && o.is_array() && o.size() == 4) {
                mark = Rect{m[0].get<int>(), m[1].get<int>(), m[2].get<int>(), m[3].get<int>()};
                room = Rect{o[0].get<int>(), o[1].get<int>(), o[2].get<int>(), o[3].get<int>()};
                Rect list;
                clipOf(item, list);
                const Rect seen = mark.Intersect(room).Intersect(list);
                if (!seen.Empty() && !(seen == mark))
                    fail(describe(item) + ": its mark " + mark.Text() + " is cut by its box to " + seen.Text());
            }
        }
        // A one-line row text that runs past its row.
        if (kind == "row" && hasGlyphs(str(item, "label")) && num(item, "tw", -1) > r.w)
            fail(describe(item) + ": its text is " + std::to_string(num(item, "tw")) + " pixels wide, the row holds " +
                 std::to_string(r.w));
        // The multi-tap letter strip: whole on the screen and in its form,
        // clear of the field it types into.
        if (kind == "hint") {
            Rect clip, field;
            if (!whole.Contains(r))
                fail(describe(item) + ": the letter strip leaves the screen");
            else if (clipOf(item, clip) && !clip.Contains(r))
                fail(describe(item) + ": the letter strip leaves its form's client area " + clip.Text());
            const json &f = item.contains("field") ? item["field"] : json();
            if (f.is_array() && f.size() == 4) {
                field = Rect{f[0].get<int>(), f[1].get<int>(), f[2].get<int>(), f[3].get<int>()};
                if (!r.Intersect(field).Empty())
                    fail(describe(item) + ": the letter strip covers the field it types into " + field.Text());
            }
        }
    }

    // Contrast: every text that has something to show, measured on the
    // screen inside its own rectangle (and its list's visible part).
    for (const json &item : items) {
        if (!item.contains("fg") || !item.contains("label"))
            continue;
        const std::string label = str(item, "label");
        if (!hasGlyphs(label))
            continue;
        // The text, not the scroll bars drawn inside the widget's edges.
        Rect area = rectOf(item);
        area.w -= num(item, "barw");
        area.h -= num(item, "barh");
        area = area.Intersect(whole);
        Rect clip;
        if (clipOf(item, clip))
            area = area.Intersect(clip);
        if (area.Empty())
            continue;
        const uint16_t fg = static_cast<uint16_t>(num(item, "fg"));
        const Measure m = measure(pic, area, fg);
        ++res.texts;
        if (!m.found) {
            fail(describe(item) + ": no pixel of its text colour " + hex(fg) + " is on the screen");
            res.minContrast = 1;
            continue;
        }
        if (m.x < 0) {
            // Nothing around the text differs from it: it cannot be seen.
            fail(describe(item) + ": its text colour " + hex(fg) + " fills its whole area: the text cannot be seen");
            res.minContrast = 1;
            continue;
        }
        res.minContrast = std::min(res.minContrast, m.worst);
        if (m.worst < kMinContrast)
            fail(describe(item) + ": text " + hex(fg) + " against " + hex(m.against) + " at (" +
                 std::to_string(m.x) + "," + std::to_string(m.y) + ") has a contrast of " + ratio(m.worst) +
                 ", under " + ratio(kMinContrast));
    }
    return res;
}

} // namespace screencheck
