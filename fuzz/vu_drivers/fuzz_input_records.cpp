// Arbitrary bytes on the keypad and touch-panel devices (FIFOs of a
// temporary terminal root): the drivers must take whole records only, keep
// their key FIFO and signature points in bounds and never hang.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "osal.h"
#include "vuKeyboard.h"
#include "vuTouchPad.h"

namespace {

int keypadWriter = -1;
int panelWriter = -1;
std::string root;

void tearDown()
{
    vuTouchPad::Done();
    vuKeyboard::Done();
    unlink((root + "/dev/keypad").c_str());
    unlink((root + "/dev/tp").c_str());
    std::string cmd = "rm -rf '" + root + "'";
    if (system(cmd.c_str()) != 0)
        return;
}

void setUp()
{
    char tmpl[] = "/tmp/fuzz_input_records_XXXXXX";
    if (!mkdtemp(tmpl))
        abort();
    root = tmpl;
    atexit(tearDown);
    setenv("TERMINAL_ROOT", root.c_str(), 1);
    mkdir((root + "/dev").c_str(), 0777);
    if (mkfifo((root + "/dev/keypad").c_str(), 0666) != 0 || mkfifo((root + "/dev/tp").c_str(), 0666) != 0)
        abort();
    keypadWriter = open((root + "/dev/keypad").c_str(), O_RDWR | O_NONBLOCK);
    panelWriter = open((root + "/dev/tp").c_str(), O_RDWR | O_NONBLOCK);
    if (keypadWriter < 0 || panelWriter < 0)
        abort();
    OsRegSetValue("ro.fac.touchscreen", "resistive");
    OsTestClockEnable(1000);
    vuKeyboard::Init();
    vuTouchPad::Init();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (keypadWriter < 0)
        setUp();
    // Less than the FIFO holds, so a write never blocks or splits.
    if (size > 4096)
        size = 4096;
    if (size == 0)
        return 0;
    OsTestClockAdvance(data[0] * 10u);
    if (write(keypadWriter, data, size) != static_cast<ssize_t>(size))
        abort();
    vuKeyboard::GetState();
    // Keys are taken both ways; a key's mask holds only the 20 keys' bits.
    for (bool withMask = data[0] & 2;; withMask = !withMask) {
        uint32_t mask = 0;
        int key = withMask ? vuKeyboard::GetKeyAndMask(&mask) : vuKeyboard::GetKey();
        if (mask & ~0xFFFFFu)
            abort();
        if (key == 0)
            break;
    }
    vuTouchPad::SetSignMode(data[0] & 1);
    if (write(panelWriter, data, size) != static_cast<ssize_t>(size))
        abort();
    int x = 0, y = 0;
    vuTouchPad::GetState(&x, &y);
    if (vuTouchPad::GetPointsCount() > 64)
        abort();
    for (uint16_t n = 0; n < vuTouchPad::GetPointsCount(); ++n) {
        uint16_t px, py;
        if (vuTouchPad::GetPoint(n, &px, &py) != 1)
            abort();
    }
    vuTouchPad::Flush();
    return 0;
}
