// The sandbox of the benchmarks that run the programs as processes of their
// own, as the end-to-end tests do: a folder with a copy of res/, a data/
// folder and a terminal root (the screen file, the keypad FIFO), kktsim in
// it with a registered drive, and cashdesk in it, its keys written to the
// keypad FIFO and its screens read from its trace. A benchmark gives only
// what sets it apart (Settings) and plays its own scenario. Only the
// processes started here are ended, by their ids; the folder goes with the
// sandbox.
#ifndef BENCH_COMMON_PROGRAMSANDBOX_H
#define BENCH_COMMON_PROGRAMSANDBOX_H

#include <stdint.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "LineTail.h"

namespace bench {

class ProgramSandbox {
public:
    struct Settings {
        // The benchmark's name: its messages start with it.
        std::string name;
        // The folder, as a template for mkdtemp ("/tmp/..._XXXXXX").
        std::string folder;
        // Lines kktsim's scenario gets after the registered drive's
        // (tools/kktsim/scenarios/registered.scn).
        std::string scenario;
        // data/kktsettings.xml names a seller (a receipt needs one);
        // otherwise the program starts without a settings file.
        bool seller = false;
        // A screen that does not come within this fails.
        long formWaitMs = 30000;
        // How often the trace is looked at while waiting for a screen.
        double pollMs = 1;
        // The programs and the source tree (res/, the scenarios); empty:
        // the ones of this build.
        std::string cashdesk, kktsim, source;
    };

    explicit ProgramSandbox(Settings settings);
    ~ProgramSandbox();
    ProgramSandbox(const ProgramSandbox &) = delete;
    ProgramSandbox &operator=(const ProgramSandbox &) = delete;

    // The folder was made and filled.
    bool Ok() const { return ok_; }
    const std::string &Dir() const { return dir_; }
    // The terminal root (TERMINAL_ROOT of the program), Dir()/root.
    const std::string &Root() const { return root_; }
    // The program's trace (CASHDESK_TRACE), Dir()/trace.jsonl.
    const std::string &Trace() const { return trace_; }
    // The program's process id, -1 when it does not run.
    pid_t Cashdesk() const { return cashdesk_; }

    // Starts kktsim with its scenario in Dir()/kktsim; true once it runs.
    bool StartSim();
    // Makes the terminal root's screen file and keypad FIFO, the settings
    // file and the environment the program reads (TERMINAL_ROOT,
    // CASHDESK_TRACE); once.
    bool PrepareTerminal();
    // Starts cashdesk in the folder (preparing the terminal first when
    // that was not done).
    bool StartCashdesk();
    // Both.
    bool Start() { return StartSim() && StartCashdesk(); }
    void StopCashdesk();
    // Removes the trace and reads the next one from its start (before
    // starting the program again).
    void RestartTrace();

    // Writes a key's press and release `times` times; returns the
    // monotonic time in ms of the first write.
    double Key(uint16_t code, int times = 1);

    // Waits for the next "form" line of that description file (or message
    // box header) in the trace; its tick goes to *tick. False when the
    // program ended or the wait's limit passed first.
    bool Form(const std::string &name, long *tick = nullptr);

private:
    Settings settings_;
    std::string dir_, root_, trace_;
    bool ok_ = false, prepared_ = false;
    pid_t sim_ = -1, cashdesk_ = -1;
    int keypad_ = -1;
    linetail::LineTail tail_;
    // Trace lines read but not looked at yet: those after a form waited for.
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

} // namespace bench

#endif
