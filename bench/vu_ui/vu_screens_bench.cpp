// The program's main menu and a dialog (res/ through the program's loader,
// 240 x 320) redrawn and copied to the screen, each against one memcpy of a
// frame, medians of interleaved rounds.
// Run from a Release build: build/release/bench/vu_ui/vu_screens_bench
#include <string.h>

#include <vector>

#include "Interleaved.h"
#include "real_screens.h"

int main()
{
    RealScreens screens;
    if (!screens.Open()) {
        screens.Close();
        return 1;
    }
    std::vector<uint16_t> a(RealScreens::kW * RealScreens::kH, 0x1234), b(a.size());
    int failures = 0;
    benchfig::Race race;
    const int frame = race.Add("memcpy of a frame", [&] { memcpy(b.data(), a.data(), a.size() * 2); });
    const int menu = race.Add("main menu", [&] { failures += screens.Redraw(screens.menu) != 0; });
    const int dialog = race.Add("dialog", [&] { failures += screens.Redraw(screens.dialog) != 0; });
    const int menuOnly = race.Add("main menu without the copy",
                                  [&] { failures += screens.RedrawWithoutCopy(screens.menu) != 0; });
    race.Run();
    screens.Close();
    if (failures) {
        fprintf(stderr, "%d redraws failed\n", failures);
        return 1;
    }
    race.Report("main menu redraw + copy / memcpy of a frame", menu, frame);
    race.Report("dialog redraw + copy / memcpy of a frame", dialog, frame);
    race.Report("main menu redraw alone / memcpy of a frame", menuOnly, frame);
    return 0;
}
