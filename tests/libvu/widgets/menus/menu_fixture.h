// Menus under a live UI singleton (caller-thread mode over the stand-in
// devices, 240 x 160): the block font of 4 x 6 cells also in slots 0 and 2,
// the default fonts of grid and list items, so rows and cells have exact
// sizes; and helpers that build menus and hand them events.
#ifndef TESTS_VU_WIDGETS2_MENU_FIXTURE_H
#define TESTS_VU_WIDGETS2_MENU_FIXTURE_H

#include <string>

#include "ui_fixture.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuMenu.h"
#include "vuMenuBox.h"

namespace w2 {

// Key codes of the arrow keys.
const uint8_t UP = 103, DOWN = 108;

using namespace w1;

class MenuTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(ui->SetFileFont(0, "/data/block.vfn"), 0);
        ASSERT_EQ(ui->SetFileFont(2, "/data/block.vfn"), 0);
    }

    // A headerless menu of n items "1", "2", ... registered with the UI (not
    // owned by it) and reset. Options replace the constructor's.
    vuMenu* makeMenu(unsigned char type, unsigned n, unsigned short options = VU_MO_SELECT_FIRST,
                     unsigned short rowDelta = 16)
    {
        vuMenu* m = new vuMenu(type);
        m->ClearOption(0xFFFF);
        m->SetOption(options);
        m->SetRowDelta(rowDelta);
        for (unsigned i = 1; i <= n; ++i)
            m->AddItem(std::to_string(i).c_str(), nullptr, 0);
        EXPECT_EQ(ui->Register(m), 0);
        m->Reset();
        owned.emplace_back(m);
        return m;
    }

    void TearDown() override
    {
        owned.clear();
        UiTest::TearDown();
    }

    static vuEvent keyEvent(uint8_t key, uint32_t mask = 0)
    {
        vuEvent e{};
        e.key = key;
        e.keyMask = mask;
        return e;
    }

    static vuEvent touchEvent(uint8_t phase, uint8_t gesture, int x, int y)
    {
        vuEvent e{};
        e.phase = phase;
        e.gesture = gesture;
        e.x = x;
        e.y = y;
        return e;
    }

    static int press(vuForm* f, uint8_t key, uint32_t mask = 0)
    {
        vuEvent e = keyEvent(key, mask);
        return f->HandleEvent(&e);
    }

    static int touch(vuForm* f, uint8_t phase, uint8_t gesture, int x, int y)
    {
        vuEvent e = touchEvent(phase, gesture, x, y);
        return f->HandleEvent(&e);
    }

    // The key the UI will deliver next (posted by a chosen item), taken.
    uint8_t takePosted() { return vuUI::GetUI()->pendingChar.exchange(0); }

    std::vector<std::unique_ptr<vuForm>> owned;
};

} // namespace w2

#endif
