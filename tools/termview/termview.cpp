// termview: the terminal on a PC. Shows the stand-in screen of a terminal
// root live at twice its size and turns PC keys and mouse into records on
// the stand-in keypad and touch panel.
//
//   termview [--root DIR]                      view and operate the terminal
//   termview --init DIR [--size XRESxYRES] [--rotate 0|90]
//                       [--touch raw|resistive|none]
//                                              create a terminal root
//
// Keys: digits (main row or keypad) are the digit keys, Enter = OK,
// Esc = cancel, Backspace = delete (hold it over a second for the held
// delete, which clears a field), Delete = that held delete at one press
// (the Backspace held for kClearHoldMs), Up/Down, F1 = function key 59, F2 = 60, F3 = 102 (the function
// key: F3+Up/Down give the chords), F4 = 69, F5 = 139, and for the list
// editors (positions, tags) F6 = 241 (add), F7 = 242 (delete), F8 = 243
// (edit), Ctrl+0 .. Ctrl+9 = 240 .. 249 (the terminals' service keys).
// Other keys, Tab among them, send nothing. The mouse is the finger on the touch panel.
// Letters: a digit gives the first character of its row, F4 steps to the
// next (2: 2 А Б В Г ...); another key takes the letter. The window's title
// names these keys.
//
// The root made by --init holds "/dev/graphics/fb0" (a zeroed RGB565 file),
// the FIFOs "/dev/keypad" and "/dev/tp" (not with --touch none), and the
// properties "osal.fb.xres", "osal.fb.yres", "ro.fac.lcd.rotate" and
// "ro.fac.touchscreen" ("resistive" for a calibrated panel, "1" for raw
// pixel values), and the Ethernet adapter's carrier file
// "/sys/class/net/eth1/carrier" holding 1 (write 0 into it to unplug). Defaults: 240x320, rotation 0, raw touch.
#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

#include "PanelValues.h"
#include "ScreenFile.h"
#include "osal.h"
#include "vuInputRecord.h"

namespace {

const int kScale = 2;
const Uint32 kFrameMs = 33;
// A held finger is reported again this often: the driver forgets a touch
// that stays silent for longer than 400 ms, as a real panel never does.
const Uint32 kTouchRepeatMs = 100;
// Delete holds the Backspace key this long: the keypad driver takes a press
// of over a second for the held delete that clears a field.
const Uint32 kClearHoldMs = 1300;
// The keys in the window's title.
const char kTitle[] = "termview: 0-9 digits, F4 next letter, Bksp delete, Del clear, Enter OK, Esc cancel, "
                      "F6/F7/F8 add/delete/edit";

int usage()
{
    std::fprintf(stderr,
                 "usage: termview [--root DIR]\n"
                 "       termview --init DIR [--size XRESxYRES] [--rotate 0|90] [--touch raw|resistive|none]\n");
    return 1;
}

bool makeDirs(const std::string &path)
{
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            std::string part = path.substr(0, pos);
            if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

bool makeFifo(const std::string &path)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISFIFO(st.st_mode))
            return true;
        std::fprintf(stderr, "termview: %s exists and is not a FIFO\n", path.c_str());
        return false;
    }
    return mkfifo(path.c_str(), 0666) == 0;
}

int initRoot(const std::string &root, unsigned xres, unsigned yres, unsigned rotate, const std::string &touch)
{
    setenv("TERMINAL_ROOT", root.c_str(), 1);
    if (!makeDirs(root + "/dev/graphics") || !makeDirs(root + "/data")) {
        std::fprintf(stderr, "termview: cannot create %s\n", root.c_str());
        return 2;
    }
    std::string fb = root + "/dev/graphics/fb0";
    int fd = open(fb.c_str(), O_RDWR | O_CREAT, 0666);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(xres) * yres * 2) != 0) {
        std::fprintf(stderr, "termview: cannot create %s\n", fb.c_str());
        if (fd >= 0)
            close(fd);
        return 2;
    }
    close(fd);
    if (!makeFifo(root + "/dev/keypad"))
        return 2;
    if (touch != "none") {
        if (!makeFifo(root + "/dev/tp"))
            return 2;
    } else {
        unlink((root + "/dev/tp").c_str());
    }
    // The Ethernet adapter's carrier, plugged in.
    std::string carrierDir = root + "/sys/class/net/eth1";
    FILE *carrier = makeDirs(carrierDir) ? std::fopen((carrierDir + "/carrier").c_str(), "w") : nullptr;
    if (!carrier || std::fputs("1\n", carrier) < 0 || std::fclose(carrier) != 0) {
        std::fprintf(stderr, "termview: cannot create %s/carrier\n", carrierDir.c_str());
        return 2;
    }
    std::string touchValue = touch == "resistive" ? "resistive" : "1";
    if (OsRegSetValue("osal.fb.xres", std::to_string(xres).c_str()) != 0 ||
        OsRegSetValue("osal.fb.yres", std::to_string(yres).c_str()) != 0 ||
        OsRegSetValue("osal.fb.bpp", "16") != 0 ||
        OsRegSetValue("ro.fac.lcd.rotate", std::to_string(rotate).c_str()) != 0 ||
        OsRegSetValue("ro.fac.touchscreen", touchValue.c_str()) != 0) {
        std::fprintf(stderr, "termview: cannot write the properties of %s\n", root.c_str());
        return 2;
    }
    std::printf("terminal root %s: screen %ux%u, rotation %u, touch %s\n", root.c_str(), xres, yres, rotate,
                touch.c_str());
    return 0;
}

// One input device of the terminal, written through its FIFO. Opened
// read-write so that it never blocks and works before the program reads it.
class Device {
public:
    explicit Device(const char *terminalPath)
    {
        char path[4096];
        if (OsMapPath(terminalPath, path, sizeof path))
            fd_ = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0) {
            struct stat st;
            if (fstat(fd_, &st) != 0 || !S_ISFIFO(st.st_mode)) {
                close(fd_);
                fd_ = -1;
            }
        }
    }
    ~Device()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    void send(uint16_t type, uint16_t code, int32_t value)
    {
        if (fd_ < 0)
            return;
        timeval tv;
        gettimeofday(&tv, nullptr);
        vuInputRecord rec{static_cast<uint32_t>(tv.tv_sec), static_cast<uint32_t>(tv.tv_usec), type, code, value};
        // A full FIFO (nobody reading) drops the record, as a device whose
        // reader is away would.
        if (write(fd_, &rec, sizeof rec) != static_cast<ssize_t>(sizeof rec) && errno != EAGAIN)
            std::fprintf(stderr, "termview: write failed: %s\n", std::strerror(errno));
    }

private:
    int fd_ = -1;
};

// PC key to the keypad's Linux key code; 0 for keys the terminal lacks.
// Code 15 is never produced: the keypad driver uses it for a long backspace.
// Ctrl with a digit gives the service keys 240 to 249 (the terminals' fixed
// commands), which no keypad key gives.
uint16_t keyCode(SDL_Keycode k, Uint16 mod)
{
    if ((mod & KMOD_CTRL) && k >= SDLK_0 && k <= SDLK_9)
        return static_cast<uint16_t>(240 + (k - SDLK_0));
    if (k >= SDLK_1 && k <= SDLK_9)
        return static_cast<uint16_t>(2 + (k - SDLK_1));
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9)
        return static_cast<uint16_t>(2 + (k - SDLK_KP_1));
    switch (k) {
    case SDLK_0:
    case SDLK_KP_0:
        return 11;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return 28;
    case SDLK_ESCAPE:
        return 223;
    case SDLK_BACKSPACE:
        return 14;
    case SDLK_UP:
        return 103;
    case SDLK_DOWN:
        return 108;
    case SDLK_F1:
        return 59;
    case SDLK_F2:
        return 60;
    case SDLK_F3:
        return 102;
    case SDLK_F4:
        return 69;
    case SDLK_F5:
        return 139;
    case SDLK_F6:
        return 241;
    case SDLK_F7:
        return 242;
    case SDLK_F8:
        return 243;
    default:
        return 0;
    }
}

int view()
{
    ScreenFile screen;
    std::string error;
    if (!screen.open("", error)) {
        std::fprintf(stderr, "termview: %s\n", error.c_str());
        return 2;
    }
    Device keypad("/dev/keypad");
    Device panel("/dev/tp");
    if (!keypad.ok())
        std::fprintf(stderr, "termview: no keypad FIFO; keys are not sent\n");
    char value[OS_REG_VALUE_MAX] = "";
    if (OsRegGetValue("ro.fac.touchscreen", value) < 0)
        value[0] = 0;
    PanelKind kind{std::strncmp(value, "resistive", 9) == 0 || std::atoi(value) == 0, screen.rotated()};

    const int w = static_cast<int>(screen.logicalWidth()), h = static_cast<int>(screen.logicalHeight());
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "termview: %s\n", SDL_GetError());
        return 2;
    }
    SDL_Window *window = SDL_CreateWindow(kTitle, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w * kScale,
                                          h * kScale, 0);
    SDL_Renderer *renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
    SDL_Texture *texture =
        renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, w, h) : nullptr;
    if (!texture) {
        std::fprintf(stderr, "termview: %s\n", SDL_GetError());
        SDL_Quit();
        return 2;
    }

    std::vector<uint16_t> px;
    bool down = false;
    int touchX = 0, touchY = 0;
    Uint32 lastTouch = 0;
    Uint32 clearSince = 0; // Delete pressed: the Backspace is held since then
    bool clearHeld = false;
    bool running = true;
    auto sendPoint = [&] {
        int32_t ax, ay;
        panelValues(kind, touchX, touchY, w, h, ax, ay);
        panel.send(vuInputRecord::Absolute, vuInputRecord::AxisX, ax);
        panel.send(vuInputRecord::Absolute, vuInputRecord::AxisY, ay);
        panel.send(vuInputRecord::Sync, 0, 0);
        lastTouch = SDL_GetTicks();
    };
    auto setPoint = [&](int mx, int my) {
        touchX = mx / kScale < 0 ? 0 : (mx / kScale >= w ? w - 1 : mx / kScale);
        touchY = my / kScale < 0 ? 0 : (my / kScale >= h ? h - 1 : my / kScale);
    };
    while (running) {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
            switch (ev.type) {
            case SDL_QUIT:
                running = false;
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (ev.key.keysym.sym == SDLK_DELETE) {
                    // One press: the Backspace goes down now and up once it
                    // has been held long enough (the loop below lets go).
                    if (ev.type == SDL_KEYDOWN && ev.key.repeat == 0 && !clearHeld) {
                        keypad.send(vuInputRecord::Key, 14, 1);
                        clearHeld = true;
                        clearSince = SDL_GetTicks();
                    }
                } else if (ev.key.repeat == 0) {
                    if (uint16_t code = keyCode(ev.key.keysym.sym, ev.key.keysym.mod))
                        keypad.send(vuInputRecord::Key, code, ev.type == SDL_KEYDOWN ? 1 : 0);
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (ev.button.button == SDL_BUTTON_LEFT) {
                    down = true;
                    setPoint(ev.button.x, ev.button.y);
                    panel.send(vuInputRecord::Key, vuInputRecord::TouchButton, 1);
                    sendPoint();
                }
                break;
            case SDL_MOUSEMOTION:
                if (down) {
                    setPoint(ev.motion.x, ev.motion.y);
                    sendPoint();
                }
                break;
            case SDL_MOUSEBUTTONUP:
                if (ev.button.button == SDL_BUTTON_LEFT && down) {
                    down = false;
                    panel.send(vuInputRecord::Key, vuInputRecord::TouchButton, 0);
                    panel.send(vuInputRecord::Sync, 0, 0);
                }
                break;
            default:
                break;
            }
        }
        if (down && SDL_GetTicks() - lastTouch >= kTouchRepeatMs)
            sendPoint();
        if (clearHeld && SDL_GetTicks() - clearSince >= kClearHoldMs) {
            keypad.send(vuInputRecord::Key, 14, 0);
            clearHeld = false;
        }
        if (screen.readLogical(px)) {
            SDL_UpdateTexture(texture, nullptr, px.data(), w * 2);
            SDL_RenderClear(renderer);
            SDL_RenderCopy(renderer, texture, nullptr, nullptr);
            SDL_RenderPresent(renderer);
        }
        SDL_Delay(kFrameMs);
    }
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

bool parseSize(const std::string &s, unsigned &x, unsigned &y)
{
    unsigned a, b;
    char extra;
    if (std::sscanf(s.c_str(), "%ux%u%c", &a, &b, &extra) != 2 || a == 0 || b == 0 || a > 4096 || b > 4096)
        return false;
    x = a;
    y = b;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::string init, touch = "raw";
    unsigned xres = 240, yres = 320, rotate = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--root" && more) {
            setenv("TERMINAL_ROOT", argv[++i], 1);
        } else if (a == "--init" && more) {
            init = argv[++i];
        } else if (a == "--size" && more) {
            if (!parseSize(argv[++i], xres, yres))
                return usage();
        } else if (a == "--rotate" && more) {
            std::string r = argv[++i];
            if (r != "0" && r != "90")
                return usage();
            rotate = static_cast<unsigned>(std::atoi(r.c_str()));
        } else if (a == "--touch" && more) {
            touch = argv[++i];
            if (touch != "raw" && touch != "resistive" && touch != "none")
                return usage();
        } else {
            return usage();
        }
    }
    if (!init.empty())
        return initRoot(init, xres, yres, rotate, touch);
    return view();
}
