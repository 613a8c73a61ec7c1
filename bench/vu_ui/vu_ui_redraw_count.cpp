// A fixed number of redraws of the program's main menu for an instruction
// count under callgrind: scripts/ui_redraw_callgrind.sh counts what runs
// inside RedrawScreens (drawing into the back buffer, no copy) and inside
// CopyScreens (the copies to the screen) separately.
#include <stdio.h>
#include <stdlib.h>

#include "real_screens.h"

extern "C" __attribute__((noinline)) int RedrawScreens(RealScreens *screens, int count)
{
    int result = 0;
    for (int i = 0; i < count; i++)
        result |= screens->RedrawWithoutCopy(screens->menu);
    return result;
}

extern "C" __attribute__((noinline)) int CopyScreens(RealScreens *screens, int count)
{
    int result = 0;
    for (int i = 0; i < count; i++)
        result |= screens->Copy();
    return result;
}

int main(int argc, char **argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 10;
    if (count < 1)
        count = 1;
    RealScreens screens;
    if (!screens.Open()) {
        screens.Close();
        return 1;
    }
    screens.Redraw(screens.menu); // warm: the first drawing may load and cache
    int result = RedrawScreens(&screens, count) | CopyScreens(&screens, count);
    screens.Close();
    if (result != 0) {
        fprintf(stderr, "a redraw failed: %d\n", result);
        return 1;
    }
    printf("%d redraws\n", count);
    return 0;
}
