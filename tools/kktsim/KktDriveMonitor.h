// The controller's service monitor on the monitor channel (message types 3
// in, 4 out, CP866). Command 0x93 switches it on; it then answers like the
// controller's text monitor: the prompt ">" for an empty message or 0x13, a
// help text for "?", an answer to each fixed command, "q" leaves. "Q"
// (echoed) and then a space lead into a YMODEM receiver (1024-byte blocks,
// CRC-16/XMODEM) that checks block numbers and CRCs, answers ACK and "C" in
// one message or two, and records the file it received in its folder; after
// the closing block and the empty kind-1 message the monitor is off again.
// Off, the channel echoes what it is given, with the prompt after each line.
//
// Scenario statements (faults of the receiver):
//   monitor nak STEP      answer NAK at STEP
//   monitor silent STEP   answer nothing at STEP
//   monitor ack-split on|off   ACK and "C" in two messages (off: in one)
// STEP is "prompt" (0x13), "update" (the "Q"), "start" (the space),
// "header", "eot", "close" or a data block number 1..65535.
#ifndef KKTSIM_KKTDRIVEMONITOR_H
#define KKTSIM_KKTDRIVEMONITOR_H

#include <set>
#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

struct MonitorConfig {
    std::set<std::string> nak;    // steps answered with NAK
    std::set<std::string> silent; // steps answered with nothing
    bool ackSplit = false;
};

// One "monitor ..." statement (the words after "monitor"): false with why.
bool ParseMonitorStatement(const std::string &args, MonitorConfig &config, std::string &why);

// CRC-16/XMODEM (polynomial 0x1021, initial 0).
uint16_t Crc16Xmodem(const uint8_t *data, size_t n);

class Monitor {
public:
    // What one message brought: texts to send on type 4 (CP866) and a note
    // for the journal (UTF-8, empty for none).
    struct Result {
        std::vector<std::string> replies;
        std::string note;
        bool quiet = false; // a YMODEM block: the journal keeps the note only
    };

    // folder: where received files go (created when needed).
    explicit Monitor(std::string folder = std::string()) : folder_(std::move(folder)) {}
    void SetFolder(const std::string &folder) { folder_ = folder; }

    void Enter();
    bool Active() const { return state_ != State::Off; }
    // The empty kind-1 message: ends a finished update (true when it did).
    bool End();
    Result Input(const std::string &bytes, const MonitorConfig &config);

    // The last file received: its path and size (empty before any).
    const std::string &LastFile() const { return lastFile_; }

private:
    enum class State { Off, Prompt, UpdateAsked, Header, Data, Closing, Finished };
    void Echo(const std::string &in, Result &r);
    void Command(const std::string &in, const MonitorConfig &config, Result &r);
    void Receive(const MonitorConfig &config, Result &r);
    bool Block(const std::string &step, const MonitorConfig &config, Result &r, const std::string &answer);
    void Reset();

    std::string folder_;
    State state_ = State::Off;
    std::string pending_; // bytes of a block not yet whole
    std::string name_;
    uint32_t size_ = 0;
    std::string data_;
    uint32_t expected_ = 1; // next data block
    std::string lastFile_;
};

} // namespace kktsim

#endif
