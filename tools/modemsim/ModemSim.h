// The cellular module stand-in: a pseudo-terminal whose slave is linked
// where the terminal looks for the module's serial channel ("/dev/mux1"
// under TERMINAL_ROOT), answering AT commands from a script and writing
// every line both ways to a JSON-lines journal. Script format in README.md.
#ifndef MODEMSIM_MODEMSIM_H
#define MODEMSIM_MODEMSIM_H

#include <atomic>
#include <stdint.h>
#include <string>
#include <thread>
#include <vector>

namespace modemsim {

struct Reply {
    uint32_t delayMs = 0; // pause before the line
    std::string line;     // sent with CR LF
};

// The replies to commands that begin with prefix (the first matching rule
// of the script answers; a rule without replies is silent).
struct Rule {
    std::string prefix;
    std::vector<Reply> replies;
};

// The rules of a script; false with "SOURCE line N: what" in error.
bool ParseScript(const std::string &text, const std::string &source, std::vector<Rule> &rules, std::string *error);
// The rules without a script: AT, AT+CMGF=0 and AT+CUSD answered OK, the
// USSD request then with a balance; anything else ERROR.
std::vector<Rule> DefaultRules();
// UTF-8 text as UCS-2 hex digits (upper case, four per character).
std::string Ucs2Hex(const std::string &utf8);

class Modem {
public:
    Modem() = default;
    ~Modem();
    Modem(const Modem &) = delete;
    Modem &operator=(const Modem &) = delete;

    // Makes the pty and links its slave at root + "/dev/mux1" (an existing
    // link is replaced), then answers in a thread of its own. False with
    // the reason.
    bool Open(const std::string &root, const std::vector<Rule> &rules, const std::string &journal, std::string *error);
    // Stops the thread, removes the link, closes the pty.
    void Close();
    const std::string &LinkPath() const { return link_; }
    // For a test on the virtual clock, called from its sleep hook: waits in
    // real time (at most limitMs) until every command written so far is
    // taken and answered, so the answer is there when the pause ends. False
    // at the limit (a reply's delay runs in real time and holds it up).
    bool Settle(unsigned limitMs = 2000);

private:
    void Loop();
    void Command(const std::string &line);
    void Journal(const std::string &dir, const std::string &line, const std::string &note = std::string());
    std::string Settings();

    int master_ = -1, slave_ = -1;
    std::string link_, journal_;
    std::vector<Rule> rules_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> busy_{false}; // reading or answering a command
};

} // namespace modemsim

#endif
