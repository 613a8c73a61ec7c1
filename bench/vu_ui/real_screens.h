// The program's real screens for the UI benchmarks: a stand-in terminal of
// 240 x 320 in a temporary folder, the toolkit in the caller's thread, the
// UI root, the main menu and a dialog loaded from the source tree's res/ by
// the program's own loader, as the program shows them.
#ifndef BENCH_VU_UI_REAL_SCREENS_H
#define BENCH_VU_UI_REAL_SCREENS_H

#include <stdio.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "ScratchRoot.h"
#include "ui_loader.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuPaxProlinFrameBuffer.h"
#include "vuUI.h"

class RealScreens {
public:
    static const unsigned kW = 240, kH = 320;

    // False (with a message on stderr) when a screen could not be built.
    bool Open()
    {
        root.reset(new bench::ScratchRoot("/dev/shm/vu_screens_bench_XXXXXX"));
        if (!root->Ok())
            return fail("mkdtemp");
        if (!bench::makeScreen(root->Path(), kW, kH))
            return fail("screen file");
        if (!getcwd(cwd, sizeof cwd) || chdir(CASHDESK_SOURCE_DIR) != 0)
            return fail("the source tree");
        ui = vuUI::Init(VU_UI_CALLER_THREAD);
        if (!ui || !ui->fb)
            return fail("vuUI::Init");
        int err = 0;
        if (!load_ui_file("./res/kkt_ui.xml", &err))
            return fail("res/kkt_ui.xml");
        menu = load_form_file("./res/kkt_menu_main.xml", &err);
        dialog = load_form_resource("./res/", "kkt_dlg_to_cash.xml", &err);
        if (!menu || !dialog)
            return fail("the main menu or the dialog");
        ui->Register(menu);
        ui->Register(dialog);
        return true;
    }

    void Close()
    {
        delete menu;
        delete dialog;
        menu = dialog = nullptr;
        vuUI::Done();
        if (cwd[0] && chdir(cwd) != 0)
            perror("chdir");
        root.reset();
    }

    // One whole screen as the UI thread paints it: background, status line,
    // the form, the copy to the screen.
    int Redraw(vuForm *form) { return ui->draw(form, 0); }

    // The same without the copy: with no screen memory the copy does
    // nothing (and the drawing still succeeds).
    int RedrawWithoutCopy(vuForm *form)
    {
        uint16_t *mem = vuPaxProlinFrameBuffer::screenMem;
        vuPaxProlinFrameBuffer::screenMem = nullptr;
        int r = ui->draw(form, 0);
        vuPaxProlinFrameBuffer::screenMem = mem;
        return r;
    }

    int Copy() { return ui->fb->ToScreen(); }

    vuUI *ui = nullptr;
    vuForm *menu = nullptr;
    vuForm *dialog = nullptr;

private:
    bool fail(const char *what)
    {
        fprintf(stderr, "real screens: %s failed\n", what);
        return false;
    }

    std::unique_ptr<bench::ScratchRoot> root;
    char cwd[4096] = "";
};

#endif
