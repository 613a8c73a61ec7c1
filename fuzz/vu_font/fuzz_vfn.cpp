// VFN font files: the loader reads a file by path, so each input is written
// to a scratch file, loaded into a font slot and, when it loads, every code
// is drawn through a window and a port taken from the input's first bytes.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "MemScreen.h"
#include "vuFont.h"

namespace {

std::string& ScratchPath() {
    static std::string path;
    if (path.empty()) {
        const char* dir = getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/fuzz_vfn_" + std::to_string(getpid()) + ".vfn";
        atexit([] { unlink(ScratchPath().c_str()); });
    }
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath();
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size && fwrite(data, 1, size, f) != size) {
        fclose(f);
        return 0;
    }
    fclose(f);

    static MemScreen fb(96, 40);
    if (fb.SetFont(6, path.c_str()) != 0) return 0;
    vuFont* font = fb.GetFont(6);
    char text[257];
    for (int i = 0; i < 256; ++i) text[i] = static_cast<char>(i + 1);
    text[256] = 0;
    const uint8_t* h = data;  // the header's bytes steer the window
    vuViewPort port = {static_cast<int16_t>(h[0] % 16 - 8), static_cast<int16_t>(h[1] % 16 - 8),
                       static_cast<uint16_t>(h[2] * 2), static_cast<uint16_t>(h[3]),
                       static_cast<int16_t>(h[4] % 32 - 16), static_cast<int16_t>(h[5] % 32 - 16)};
    font->DrawString(&fb, &port, text, 256, h[6], h[8] % 32, static_cast<short>(h[9] % 64 - 32),
                     static_cast<short>(h[10] % 64 - 32), 2000, 200, 0xFFFF);
    font->DrawChar(&fb, static_cast<char>(h[12]), h[13] % 16, h[14] % 16, static_cast<short>(h[0] % 100 - 50),
                   static_cast<short>(h[1] % 60 - 30), 255, 255, 0x07E0);
    fb.DelFont(6);
    return 0;
}
