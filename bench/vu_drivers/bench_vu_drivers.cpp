// Copies of the back buffer to the screen (a frame-buffer file of a
// temporary terminal root in memory, mapped as on the terminal): the copy to
// a panel mounted rotated against the straight copy, and the straight copy
// against a memcpy of one frame; medians of interleaved rounds.
// Run from a Release build: build/release/bench/vu_drivers/bench_vu_drivers
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "Interleaved.h"
#include "ScratchRoot.h"
#include "vuPaxProlinFrameBuffer.h"

namespace {

const unsigned kXres = 240, kYres = 320;
const size_t kFrameBytes = static_cast<size_t>(kXres) * kYres * 2;

// A terminal root with a kXres x kYres screen, in memory: a screen file on
// a disk would have its pages written back and write-protected now and then,
// which the copies would pay for at random.
class Terminal {
public:
    Terminal() : root_("/dev/shm/bench_vu_drivers_XXXXXX")
    {
        ok_ = root_.Ok() && bench::makeScreen(root_.Path(), kXres, kYres);
    }
    ~Terminal()
    {
        vuPaxProlinFrameBuffer::CloseDevice();
        root_.Remove();
        unsetenv("TERMINAL_ROOT");
    }
    bool Ok() const { return ok_; }

private:
    bench::ScratchRoot root_;
    bool ok_ = false;
};

} // namespace

int main()
{
    Terminal terminal;
    int w = 0, h = 0;
    if (!terminal.Ok() || vuPaxProlinFrameBuffer::OpenDevice(w, h) != 0) {
        fprintf(stderr, "no screen\n");
        return 1;
    }
    // The same panel used both ways: logical 240 x 320 straight, 320 x 240
    // turned; the driver's rotation is switched before each copy.
    vuPaxProlinFrameBuffer straight(kXres, kYres), turned(kYres, kXres);
    for (vuPaxProlinFrameBuffer *fb : {&straight, &turned})
        for (size_t i = 0; i < kFrameBytes / 2; ++i)
            fb->GetFrameBuffer()[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    std::vector<uint16_t> a(kFrameBytes / 2, 0x1234), b(a.size());
    int failures = 0;
    benchfig::Race race;
    const int frame = race.Add("memcpy of a frame", [&] { memcpy(b.data(), a.data(), kFrameBytes); });
    const int copy = race.Add("straight copy", [&] {
        vuPaxProlinFrameBuffer::rotate = 0;
        failures += straight.ToScreen() != 0;
    });
    const int rotated = race.Add("rotated copy", [&] {
        vuPaxProlinFrameBuffer::rotate = 90;
        failures += turned.ToScreen() != 0;
    });
    race.Run();
    if (failures) {
        fprintf(stderr, "%d copies failed\n", failures);
        return 1;
    }
    race.Report("rotated copy / straight copy", rotated, copy);
    race.Report("straight copy / memcpy of a frame", copy, frame);
    return 0;
}
