#include <gtest/gtest.h>

#include "probe.h"
#include "vuViewPort.h"

namespace {

TEST(ViewObject, NameIsOwnedCopyAndEmptyMeansNone) {
    Probe p(nullptr, "p");
    EXPECT_EQ(p.GetName(), nullptr);
    EXPECT_EQ(p.GetSize(), 20);
    char text[] = "first";
    p.SetName(text);
    text[0] = 'X';
    EXPECT_STREQ(p.GetName(), "first");
    p.SetName("second");
    EXPECT_STREQ(p.GetName(), "second");
    p.SetName("");
    EXPECT_EQ(p.GetName(), nullptr);
    p.SetName("third");
    p.SetName(nullptr);
    EXPECT_EQ(p.GetName(), nullptr);
}

TEST(ViewObject, IsInsideAndViewPortUseOwnRectangle) {
    Probe p(nullptr, "p", -5, 10, 20, 30);
    EXPECT_TRUE(p.IsInside(-5, 10));
    EXPECT_TRUE(p.IsInside(14, 39));
    EXPECT_FALSE(p.IsInside(15, 20));
    EXPECT_FALSE(p.IsInside(0, 40));
    EXPECT_FALSE(p.IsInside(-6, 20));
    vuViewPort port = {1, 2, 3, 4, 5, 6};
    p.SetViewPort(&port);
    EXPECT_EQ(port.x, -5);
    EXPECT_EQ(port.y, 10);
    EXPECT_EQ(port.width, 20);
    EXPECT_EQ(port.height, 30);
    EXPECT_EQ(port.offsetX, 0);
    EXPECT_EQ(port.offsetY, 0);
    p.SetViewPort(nullptr);  // ignored
}

TEST(Container, AddInsertSetParentAndKeepOrder) {
    DeathLog log;
    Box box(0, 0, 100, 100);
    Probe* a = new Probe(&log, "a");
    Probe* b = new Probe(&log, "b");
    Probe* c = new Probe(&log, "c");
    EXPECT_EQ(box.Add(nullptr), -2);
    EXPECT_EQ(box.Insert(nullptr), -2);
    EXPECT_EQ(box.GetCount(), 0u);
    EXPECT_EQ(box.Add(a), 0);
    EXPECT_EQ(box.Add(b), 1);
    EXPECT_EQ(box.Insert(c), 0);
    EXPECT_EQ(a->GetParent(), &box);
    EXPECT_EQ(c->GetParent(), &box);
    EXPECT_EQ(box.GetCount(), 3u);
    EXPECT_EQ(box.GetFirst(), c);
    EXPECT_EQ(box.GetNext(c), a);
    EXPECT_EQ(box.GetNext(b), nullptr);
    EXPECT_EQ(box.GetNext(nullptr), nullptr);
    b->SetName("bee");
    EXPECT_EQ(box.GetByName("bee"), b);
    EXPECT_EQ(box.GetByName("a"), nullptr);
    // Adding a held child again gives its position and no second node.
    EXPECT_EQ(box.Add(a), 1);
    EXPECT_EQ(box.Insert(a), 1);
    EXPECT_EQ(box.GetCount(), 3u);
    EXPECT_EQ(box.GetFirst(), c) << "inserting a held child does not move it";
}

TEST(Container, OwnsItsChildren) {
    DeathLog log;
    {
        Box* outer = new Box(0, 0, 100, 100, &log, "outer");
        Box* inner = new Box(0, 0, 50, 50, &log, "inner");
        Probe* leaf = new Probe(&log, "leaf");
        Probe* gone = new Probe(&log, "gone");
        Probe stranger(nullptr, "stranger");
        inner->Add(leaf);
        outer->Add(inner);
        outer->Add(gone);
        outer->Add(gone);  // held once: deleted once below

        EXPECT_EQ(outer->Del(&stranger), -1);
        EXPECT_EQ(outer->Del(nullptr), -2);
        EXPECT_EQ(outer->Del(gone), 0);
        EXPECT_EQ(log.dead, std::vector<std::string>{"gone"});
        EXPECT_EQ(outer->GetCount(), 1u);
        delete outer;
    }
    EXPECT_EQ(log.count("outer"), 1);
    EXPECT_EQ(log.count("inner"), 1);
    EXPECT_EQ(log.count("leaf"), 1);
    EXPECT_EQ(log.count("gone"), 1);
}

TEST(Container, ClearDeletesEveryChild) {
    DeathLog log;
    Box box(0, 0, 10, 10);
    box.Add(new Probe(&log, "a"));
    box.Add(new Probe(&log, "b"));
    box.Clear();
    EXPECT_EQ(box.GetCount(), 0u);
    EXPECT_EQ(box.GetFirst(), nullptr);
    EXPECT_EQ(log.dead.size(), 2u);
}

TEST(Container, SetViewPortAddsCorrection) {
    Box box(10, 20, 30, 40);
    box.SetCorrection(-3, 4);
    vuViewPort port = {0, 0, 0, 0, 9, 9};
    box.SetViewPort(&port);
    EXPECT_EQ(port.x, 7);
    EXPECT_EQ(port.y, 24);
    EXPECT_EQ(port.width, 30);
    EXPECT_EQ(port.height, 40);
    EXPECT_EQ(port.offsetX, 0);
    EXPECT_EQ(port.offsetY, 0);
}

// A form-like tree: a screen container whose client area leaves 20 rows for
// a status line on top, holding a panel that holds the child whose port is
// computed.
struct PortCase {
    const char* name;
    short px, py;                // panel position (size 100 x 50)
    short cx, cy;                // panel client origin
    unsigned short cw, ch;       // panel client size
    short dx, dy;                // panel correction
    short wx, wy;                // child rectangle
    unsigned short ww, wh;
    vuViewPort expected;
};

TEST(Container, GetViewPortClipsThroughEveryAncestor) {
    const PortCase cases[] = {
        {"narrowed by the panel, shifted by its correction", 10, 30, 10, 30, 100, 50, 0, -5, 20, 40, 200, 10,
         {20, 55, 90, 10, 0, 15}},
        {"left of the panel: empty, offsets still gathered", 10, 30, 10, 30, 100, 50, 0, 0, -50, 40, 30, 10,
         {-50, 40, 0, 10, 0, 20}},
        {"panel with a header and a correction", 10, 30, 10, 45, 100, 35, 3, 0, 0, 0, 50, 50,
         {13, 65, 40, 20, 3, 35}},
        {"cut by the screen's client area", 200, 300, 200, 300, 100, 50, 0, 0, 200, 300, 100, 50,
         {200, 320, 40, 0, 0, 20}},
    };
    for (const PortCase& c : cases) {
        SCOPED_TRACE(c.name);
        Box screen(0, 0, 240, 320);
        screen.SetClient(0, 20, 240, 300);
        Box* panel = new Box(c.px, c.py, 100, 50);
        panel->SetClient(c.cx, c.cy, c.cw, c.ch);
        panel->SetCorrection(c.dx, c.dy);
        Probe* child = new Probe(nullptr, "child", c.wx, c.wy, c.ww, c.wh);
        screen.Add(panel);
        panel->Add(child);

        vuViewPort port;
        child->SetViewPort(&port);
        panel->GetViewPort(&port);
        EXPECT_EQ(port.x, c.expected.x);
        EXPECT_EQ(port.y, c.expected.y);
        EXPECT_EQ(port.width, c.expected.width);
        EXPECT_EQ(port.height, c.expected.height);
        EXPECT_EQ(port.offsetX, c.expected.offsetX);
        EXPECT_EQ(port.offsetY, c.expected.offsetY);
    }
}

TEST(Container, HitTestAndPointConversion) {
    Box screen(0, 0, 240, 320);
    screen.SetClient(0, 20, 240, 300);
    Box* panel = new Box(10, 30, 100, 50);
    panel->SetClient(10, 45, 100, 35);
    panel->SetCorrection(3, 0);
    screen.Add(panel);

    // The panel's client area in its own terms: [3, 103) x [15, 50).
    EXPECT_TRUE(panel->IsInside(3, 15));
    EXPECT_TRUE(panel->IsInside(102, 49));
    EXPECT_FALSE(panel->IsInside(2, 20));
    EXPECT_FALSE(panel->IsInside(103, 20));
    EXPECT_FALSE(panel->IsInside(50, 50));

    struct Case {
        short x, y;
        bool inside;
        short cx, cy;
    };
    const Case cases[] = {
        {50, 60, true, 47, 25},    // inside both
        {50, 10, false, 47, -25},  // on the status line
        {120, 50, false, 117, 15}, // right of the panel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        short x = c.x, y = c.y;
        EXPECT_EQ(panel->ConvertPoint(x, y), c.inside);
        EXPECT_EQ(x, c.cx);
        EXPECT_EQ(y, c.cy);
    }
}

}  // namespace
