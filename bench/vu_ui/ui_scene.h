// The screen the UI benchmarks redraw: a 320 x 240 stand-in terminal in a
// temporary folder, the UI singleton in the caller's thread, a full-screen
// background picture, a status line at the top and a form with a header,
// two labels and two buttons.
#ifndef BENCH_VU_UI_UI_SCENE_H
#define BENCH_VU_UI_UI_SCENE_H

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "vuButton.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuStatic.h"
#include "vuStatusLine.h"
#include "vuUI.h"

class UiScene {
public:
    static const unsigned short kW = 320, kH = 240;

    // False (with a message on stderr) when the scene could not be built.
    bool Open()
    {
        char tmpl[] = "/tmp/vu_ui_bench_XXXXXX";
        if (!mkdtemp(tmpl))
            return fail("mkdtemp");
        root = tmpl;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        setenv("TERMINAL_FB_XRES", "320", 1);
        setenv("TERMINAL_FB_YRES", "240", 1);
        setenv("TERMINAL_FB_BPP", "16", 1);
        std::string dev = root + "/dev";
        mkdir(dev.c_str(), 0777);
        mkdir((dev + "/graphics").c_str(), 0777);
        int fd = open((dev + "/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || ftruncate(fd, kW * kH * 2) != 0)
            return fail("screen file");
        close(fd);

        ui = vuUI::Init(VU_UI_CALLER_THREAD);
        if (!ui || vuUI::GetLastError() != 0)
            return fail("vuUI::Init");
        if (ui->SetBackgroundImage(Gradient()) != 0)
            return fail("background");
        if (ui->SetStatusLine(new vuStatusLine(20, VU_SL_FILL)) != 0)
            return fail("status line");
        form = new vuForm("\xCF\xF0\xEE\xE4\xE0\xE6\xE0", nullptr); // "Продажа" in CP1251
        form->Add(new vuStatic(10, 10, 290, 24, "\xD1\xF3\xEC\xEC\xE0: 1 234.56", nullptr));
        form->Add(new vuStatic(10, 40, 290, 24, "\xCE\xEF\xEB\xE0\xF2\xE0: \xED\xE0\xEB\xE8\xF7\xED\xFB\xEC\xE8", nullptr));
        form->Add(new vuButton(10, 150, 140, 30, "OK", nullptr, 13));
        form->Add(new vuButton(170, 150, 140, 30, "\xCE\xF2\xEC\xE5\xED\xE0", nullptr, 27));
        if (ui->Add(form) < 0)
            return fail("form");
        form->Reset();
        return true;
    }

    void Close()
    {
        vuUI::Done();
        if (!root.empty()) {
            std::string cmd = "rm -rf '" + root + "'";
            if (system(cmd.c_str()) != 0)
                fprintf(stderr, "could not remove %s\n", root.c_str());
        }
    }

    // One whole screen: background, status line, form, copy to the screen.
    int Redraw() { return ui->draw(form, 0); }

    vuUI *ui = nullptr;
    vuForm *form = nullptr;

private:
    bool fail(const char *what)
    {
        fprintf(stderr, "ui scene: %s failed\n", what);
        return false;
    }

    // A full-screen B16 picture with a colour gradient.
    static vuImage *Gradient()
    {
        std::vector<unsigned char> file(54 + kW * kH * 2, 0);
        file[10] = 54;
        file[18] = kW & 0xFF;
        file[19] = kW >> 8;
        file[22] = kH & 0xFF;
        file[23] = kH >> 8;
        size_t i = 54;
        for (unsigned y = 0; y < kH; y++)
            for (unsigned x = 0; x < kW; x++) {
                unsigned short c = static_cast<unsigned short>(((x * 31 / kW) << 11) | ((y * 63 / kH) << 5) | 8);
                file[i++] = c & 0xFF;
                file[i++] = c >> 8;
            }
        return vuImage::CreateFromData(file.data(), static_cast<unsigned>(file.size()), "b16");
    }

    std::string root;
};

#endif
