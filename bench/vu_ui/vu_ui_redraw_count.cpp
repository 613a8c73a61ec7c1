// A fixed number of whole-screen redraws of the benchmark's screen, for an
// instruction count under callgrind (scripts/ui_redraw_callgrind.sh counts
// only what runs inside RedrawScreens).
#include <stdio.h>
#include <stdlib.h>

#include "ui_scene.h"

extern "C" __attribute__((noinline)) int RedrawScreens(UiScene *scene, int count)
{
    int result = 0;
    for (int i = 0; i < count; i++)
        result |= scene->Redraw();
    return result;
}

int main(int argc, char **argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 10;
    if (count < 1)
        count = 1;
    UiScene scene;
    if (!scene.Open()) {
        scene.Close();
        return 1;
    }
    scene.Redraw(); // warm: the first drawing may load and cache
    int result = RedrawScreens(&scene, count);
    scene.Close();
    if (result != 0) {
        fprintf(stderr, "a redraw failed: %d\n", result);
        return 1;
    }
    printf("%d redraws\n", count);
    return 0;
}
