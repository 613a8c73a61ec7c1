// The controller-service stand-in: owns the service's message queue and
// answers what the cash register sends, like the terminal's service does.
//
// It takes only the message types addressed to the service (1, 3, 5, 6 and
// 7 to 11), polling each without waiting, and never takes its own answers
// (types 2 and 4) off the queue. Answers that do not fit the queue yet are
// kept and sent on a later pass. Every message taken and sent is written to
// a journal of JSON lines.
//
// Files (folder Config::dir, by default "/data/kktsim" under the terminal's
// root): "paper.txt" what the printer printed, "zizirize.log" the service's
// log, "journal.jsonl", "usb/" the USB flash drive (absent: no drive),
// "scenario" read by the program when no other is named.
#ifndef KKTSIM_KKTSIM_H
#define KKTSIM_KKTSIM_H

#include "KktDrive.h"
#include "KktDriveStore.h"
#include "KktDriveMonitor.h"
#include "KktFrame.h"
#include "KktScenario.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <stdint.h>
#include <string>
#include <sys/types.h>
#include <thread>

namespace kktsim {

struct Config {
    int key = 111;
    std::string dir;     // empty: "/data/kktsim" mapped under TERMINAL_ROOT
    std::string usbDir;  // empty: dir + "/usb"
    std::string journal; // empty: dir + "/journal.jsonl"
    // The fiscal drive's state (KktDriveStore.h); empty: dir + "/drive.db".
    // A name ending in ".json" names a state file of the former shape: the
    // store is the same name ending in ".db".
    std::string state;
    // The program, not a library in the client's own process: a request
    // whose last sender is the stand-in itself cannot be answered with a
    // file read.
    bool separateProcess = false;
};

class Simulator {
public:
    explicit Simulator(const Config &config = Config());
    ~Simulator();
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Creates the queue (mode 0666), removing a stale one first: 0, or -1.
    int Open();
    // Removes the queue.
    void Close();
    int QueueId() const { return queue_; }

    // One pass: takes every waiting message, answers, sends what is due.
    void Pump();

    // Runs passes in a thread of its own every 2 ms of real time.
    void Start();
    // Runs passes in a thread of its own, one for every OsSleep of the
    // virtual clock (through its sleep hook) and for every Sync: a test's
    // waits then see the answers at once, and time never races.
    void StartLockstep();
    void Stop();
    // One pass now (in the lock-step thread when it runs), returning after it.
    void Sync();

    // Scenario control, safe from any thread.
    void Load(const Scenario &scenario);
    bool LoadFile(const std::string &path, std::string *error);
    void SetAnswer(uint8_t code, const Answer &answer);
    void SetFault(uint8_t code, const Fault &fault);
    void SetMode(Mode mode);
    void SetNotReady(uint32_t ms); // from now
    void SetPaperOut(bool out);
    void SetShortStatus(char command, uint8_t status);
    // Changes anything of the scenario in place.
    void Update(const std::function<void(Scenario &)> &change);
    // The fiscal-drive model (on when the scenario has "drive" statements).
    // StartDrive takes its state from the store when there is one, else
    // from a state file of the former shape (read once, then kept as
    // "<file>.migrated"), else from the scenario (and writes the store):
    // false with the fault when the store or the file cannot be read. It
    // runs by itself at the first command the model answers. ForgetDrive
    // removes the store (and a former state file), so the next start begins
    // with the scenario's new drive.
    bool StartDrive(std::string *error);
    void ForgetDrive();
    // A copy of the drive's state, and a change to it (saved at once).
    DriveState Drive();
    void UpdateDrive(const std::function<void(DriveState &)> &change);

    // A note of the caller's in the journal (e.g. the start argument).
    void Note(const std::string &text);

    const std::string &Dir() const { return dir_; }
    const std::string &UsbDir() const { return usbDir_; }
    const std::string &JournalPath() const { return journalPath_; }
    std::string PaperPath() const { return dir_ + "/paper.txt"; }
    std::string LogPath() const { return dir_ + "/zizirize.log"; }
    // Where the service monitor keeps the firmware files it received.
    std::string FirmwareDir() const { return dir_ + "/firmware"; }
    // The store, and the state file of the former shape read once.
    const std::string &StatePath() const { return statePath_; }
    const std::string &FormerStatePath() const { return formerStatePath_; }
    // Rows of the store the last change of the drive's state wrote.
    int64_t StoreRowsWritten() const
    {
        std::lock_guard<std::mutex> lock(mu_);
        return store_.RowsWritten();
    }

private:
    struct Outgoing {
        long type;
        std::string text;
        uint32_t due;
    };
    void Handle(long type, const uint8_t *text, size_t n);
    void HandleRequest(const uint8_t *text, size_t n);
    void HandleFrame(const uint8_t *data, size_t n);
    // setAside: a store or state file that cannot be read is renamed to
    // "<file>.damaged" (kept for people) and the drive starts new.
    bool StartDriveLocked(std::string *error, bool setAside);
    // whole: the drive's lists written whole (a change not made by the model)
    bool SaveDrive(bool whole = false);
    void HandlePrint(const uint8_t *text, size_t n);
    void HandleLog(const uint8_t *text, size_t n);
    void HandleMonitor(const uint8_t *text, size_t n);
    void HandleFile(long type, const uint8_t *text, size_t n);
    void Send(long type, const std::string &text, uint32_t delay = 0);
    void SendOutbox();
    bool Ready() const;
    std::string StatusBlock() const;
    std::string SessionFile();
    // A file read (type 10) into the caller's buffer: the bytes read, or the
    // failure word with the reason in extra.
    int32_t ReadForCaller(const uint8_t *text, size_t n, std::string &extra);
    void Journal(const std::string &dir, long type, const uint8_t *text, size_t n, const std::string &extra);
    static void SleepHook(unsigned int ms, void *arg);
    void LockstepLoop();

    Config config_;
    std::string dir_, usbDir_, journalPath_, statePath_, formerStatePath_;
    int queue_ = -1;
    mutable std::mutex mu_;
    Scenario scenario_;
    uint32_t readyFrom_ = 0;
    int32_t printError_ = 0;
    uint8_t printerSettings_[5] = {0, 0, 0, 0, 0};
    std::deque<Outgoing> outbox_;
    std::FILE *journal_ = nullptr;
    kktsim::Drive drive_;
    bool driveStarted_ = false;
    DriveStore store_;
    // file requests: the session's unload file and the chunked request
    // being gathered
    std::string session_;
    bool sessionNamed_ = false; // the first read gave the file its name
    pid_t lastSender_ = 0;      // of the file read being answered
    long partType_ = 0;
    std::string partHead_;
    uint32_t partDone_ = 0;
    int partResult_ = 0;

    std::thread thread_;
    bool running_ = false;
    bool lockstep_ = false;
    std::mutex tickMu_;
    std::condition_variable tickCv_;
    uint64_t ticksAsked_ = 0, ticksDone_ = 0;
    bool stop_ = false;
    Monitor monitor_; // the service monitor on types 3 and 4
};

} // namespace kktsim

#endif
