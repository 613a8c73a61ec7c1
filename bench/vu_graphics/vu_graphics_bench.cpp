// Drawing into a 320 x 240 frame: full-screen Fill and Shadow, a screen of
// text in the 6 x 8 and 16 x 24 built-in fonts, each against a memcpy of one
// frame; medians of interleaved rounds.
// Run from a Release build: build/release/bench/vu_graphics/vu_graphics_bench
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Interleaved.h"
#include "MemScreen.h"
#include "vuFont.h"

int main()
{
    const unsigned short kW = 320, kH = 240;
    MemScreen fb(kW, kH);
    vuViewPort port = {0, 0, kW, kH, 0, 0};
    std::vector<uint16_t> a(kW * kH, 0x1234), b(kW * kH);
    static const char kLine[] =
        "ИТОГ 1234.56 Чек №17 ОПЛАТА НАЛИЧНЫМИ Сдача 0.00 Total paid, thank you! СМЕНА ОТКРЫТА";
    unsigned short colour = 0;

    benchfig::Race race;
    const int frame = race.Add("memcpy of a frame", [&] { memcpy(b.data(), a.data(), a.size() * 2); });
    const int fill = race.Add("Fill", [&] { fb.Fill(&port, 0, 0, kW, kH, ++colour, 0); });
    const int shadow = race.Add("Shadow", [&] { fb.Shadow(&port, 0, 0, kW, kH); });
    int text[2];
    const unsigned short slots[2] = {0, 2};
    for (int k = 0; k < 2; ++k) {
        vuFont *font = fb.GetFont(slots[k]);
        const unsigned cols = kW / font->GetWidth(), rows = kH / font->GetHeight();
        std::string line(kLine, std::min<size_t>(cols, strlen(kLine)));
        text[k] = race.Add("a screen of text, font " + std::to_string(slots[k]), [&fb, &port, font, rows, line] {
            for (unsigned r = 0; r < rows; ++r)
                font->DrawString(&fb, &port, line.c_str(), 0, 0, 0, 0, static_cast<short>(r * font->GetHeight()), kW,
                                 font->GetHeight(), static_cast<unsigned short>(r * 0x0841));
        });
    }
    race.Run();
    race.Report("Fill of the screen / memcpy of a frame", fill, frame);
    race.Report("Shadow of the screen / memcpy of a frame", shadow, frame);
    race.Report("a screen of 6 x 8 text / memcpy of a frame", text[0], frame);
    race.Report("a screen of 16 x 24 text / memcpy of a frame", text[1], frame);
    return 0;
}
