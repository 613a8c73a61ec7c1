// hostsim: a PC program that uses the cash register as its fiscal printer,
// for tests and people. It reaches the terminal over TCP or over a
// pseudo-terminal whose slave it links where the terminal looks for its
// USB device port (or a Bluetooth serial device), and plays a script:
// request frames (built with kktsim's codec), short commands, NAK, raw
// print data, rasters, split writes, and the replies it awaits.
#ifndef HOSTSIM_HOSTSIM_H
#define HOSTSIM_HOSTSIM_H

#include <stdint.h>

#include <cstdio>
#include <string>
#include <vector>

namespace hostsim {

struct Step {
    enum Kind {
        Frame,      // frame CODE [FIELD...]
        Short,      // short HEX
        Nak,        // nak
        Raw,        // raw TEXT (\xNN escapes)
        Hex,        // hex HEXBYTES
        Raster,     // raster WIDTH HEIGHT [FILLHEX]
        Split,      // split N [PAUSE_MS]
        Password,   // password TEXT
        Expect,     // expect CODE [ERROR] [MS]
        ExpectShort,// expect-short HEX [MS]
        ExpectNone, // expect-none MS
        Wait,       // wait MS
        Connect,    // connect [MS]
        Close,      // close
        AwaitOpen,  // await-open [MS]
    } kind;
    int line = 0;
    std::vector<std::string> args;
    std::string bytes; // Raw, Hex: the bytes; Raster: the raster
    long num[3] = {0, 0, 0};
};

// Reads a script; false with "line N: fault" in error on the first bad line.
bool ParseScript(const std::string &text, std::vector<Step> &out, std::string *error);

struct Options {
    std::string tcp;      // HOST:PORT
    std::string ptyLink;  // where the pty's slave is linked
    std::string journal;  // JSON lines; empty: none
    int timeoutMs = 5000; // default wait of expect and connect
};

class Host {
public:
    explicit Host(const Options &o);
    ~Host();
    // Runs the steps: 0 all went and every expectation was met, 1 otherwise
    // (the message on stderr and in the journal).
    int Run(const std::vector<Step> &steps);
    // Stops a running script at its next wait (from another thread or a
    // signal handler).
    static void Stop();

private:
    bool Open(int waitMs);
    void CloseLink();
    bool Send(const std::string &bytes, const char *what);
    // The next reply frame or short reply within ms; false on time-out.
    bool Receive(std::string &reply, int ms);
    bool Fail(const Step &s, const std::string &why);
    void Journal(const std::string &dir, const std::string &what, const std::string &bytes,
                 const std::string &extra = std::string());

    Options opt_;
    int fd_ = -1;        // the TCP socket, or the pty's master
    std::string slave_;  // the pty's slave path
    std::string password_ = "KVMZ";
    uint8_t id_ = 0x20;
    size_t split_ = 0;
    int splitPauseMs_ = 0;
    std::string pending_; // bytes read and not yet taken as a reply
    FILE *journal_ = nullptr;
};

} // namespace hostsim

#endif
