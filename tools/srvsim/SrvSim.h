// The server stand-in: a loopback TCP server of the container protocol that
// plays the OFD, the OISM and the key-update service, misbehaving as a
// scenario says. Every accept, request (header and body in hexadecimal),
// answer, fault and close goes to a journal of JSON lines.
//
// One thread serves every connection with poll(): a connection may carry
// any number of requests, each answered before the next is read; a request
// cut short by the client is journaled and its connection closed, and the
// serving goes on.
#ifndef SRVSIM_SRVSIM_H
#define SRVSIM_SRVSIM_H

#include "SrvScenario.h"

#include "JsonLines.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <stdint.h>
#include <string>
#include <thread>
#include <vector>

namespace srvsim {

struct Config {
    std::string dir = ".";  // the stand-in's files
    std::string journal;    // empty: dir + "/journal.jsonl"
    uint16_t port = 0;      // 0: any free port (see Port())
};

class Server {
public:
    explicit Server(const Config &config = Config());
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Listens on 127.0.0.1: 0, or -1 with the reason in error.
    int Open(std::string *error);
    void Close();
    uint16_t Port() const { return port_; }

    // One pass: waits up to wait_ms for something to do, then does it.
    void Pump(int wait_ms);
    // Serves in a thread of its own until Stop.
    void Start();
    void Stop();

    // Scenario control, safe from any thread.
    bool LoadFile(const std::string &path, std::string *error);
    void Load(const Scenario &scenario);
    void Update(const std::function<void(Scenario &)> &change);

    // A note in the journal.
    void Note(const std::string &text);

    // Requests read whole so far (of any kind).
    int Requests() const { return requests_.load(); }
    const std::string &JournalPath() const { return journalPath_; }

private:
    enum class After { Keep, Close };
    struct Conn {
        int fd = -1;
        int id = 0;
        std::string in;
        std::string out;
        size_t outPos = 0;
        int64_t sendAt = 0;   // ms of the monotonic clock
        uint32_t trickleMs = 0;
        After after = After::Keep;
        uint32_t window = 0;  // bytes read per 10 ms; 0 no limit
        int64_t readAt = 0;
        bool dead = false;
    };
    void Accept();
    // The listener's receive buffer: small while a window fault waits, so
    // the connections it accepts offer a small window from their start.
    void ApplyWindow();
    void Read(Conn &c);
    void Write(Conn &c);
    void Serve(Conn &c);
    void Answer(Conn &c, const Request &request);
    void Drop(Conn &c, const std::string &reason, bool reset = false);
    void Event(const Conn *c, const char *event, jsonl::Json extra = jsonl::Json::object());

    Config config_;
    std::string journalPath_;
    jsonl::Writer journal_;
    int listener_ = -1;
    int defaultRcvbuf_ = 0;
    uint16_t port_ = 0;
    int nextId_ = 1;
    std::vector<Conn> conns_;
    std::mutex mu_; // guards scenario_
    Scenario scenario_;
    std::atomic<int> requests_{0};
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// Milliseconds of the monotonic clock.
int64_t NowMs();

} // namespace srvsim

#endif
