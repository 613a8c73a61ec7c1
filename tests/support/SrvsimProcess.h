// The server stand-in as a process of its own, for tests: started on a free
// loopback port with a scenario in a folder of the test's, its port read from
// the port file, stopped by its process id, its journal read as JSON.
// The port stays the test's until the object ends: it is held by a bound
// socket that never listens, so a stopped server's port refuses connections
// and no other test's server, started meanwhile, can take it (tests run side
// by side, and a test that stops its server and connects again must not reach
// a neighbour's). The server binds it beside the hold (SO_REUSEADDR on both).
#ifndef TESTS_SUPPORT_SRVSIM_PROCESS_H
#define TESTS_SUPPORT_SRVSIM_PROCESS_H

#include "JsonLines.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "TestTime.h"

class SrvsimProcess {
public:
    SrvsimProcess() = default;
    ~SrvsimProcess()
    {
        Stop();
        Release();
    }
    SrvsimProcess(const SrvsimProcess &) = delete;
    SrvsimProcess &operator=(const SrvsimProcess &) = delete;

    // Starts program (the srvsim binary) with its files in dir and the
    // scenario text: true once the port file names its port (5 s at most).
    // A port other than 0 is asked for (a server started again where the
    // cash register already knows it).
    bool Start(const std::string &program, const std::string &dir, const std::string &scenario,
               std::string *error, uint16_t port = 0)
    {
        dir_ = dir;
        mkdir(dir.c_str(), 0755);
        {
            std::ofstream out(dir + "/scenario", std::ios::binary | std::ios::trunc);
            out << scenario;
        }
        unlink((dir + "/srvsim.port").c_str());
        if (!Hold(port, error))
            return false;
        port = heldPort_;
        pid_ = fork();
        if (pid_ < 0) {
            *error = "fork failed";
            return false;
        }
        if (pid_ == 0) {
            // A test process that dies without stopping it takes it along.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            std::string portText = std::to_string(port);
            execl(program.c_str(), program.c_str(), "--dir", dir.c_str(), "--port", portText.c_str(),
                  static_cast<char *>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < testtime::Tries(5000, 10); ++i) {
            std::ifstream in(dir + "/srvsim.port");
            unsigned p = 0;
            if (in >> p && p > 0 && p < 65536) {
                port_ = static_cast<uint16_t>(p);
                return true;
            }
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                *error = "srvsim ended with status " + std::to_string(WEXITSTATUS(status));
                return false;
            }
            timespec t{0, 10 * 1000 * 1000};
            nanosleep(&t, nullptr);
        }
        *error = "srvsim wrote no port file";
        Stop();
        return false;
    }

    // Stops the process by its id: TERM, and KILL after 5 s.
    void Stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < testtime::Tries(5000, 10); ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            timespec t{0, 10 * 1000 * 1000};
            nanosleep(&t, nullptr);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    uint16_t Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    std::string JournalPath() const { return dir_ + "/journal.jsonl"; }

    // The journal's entries of one event ("" every one).
    std::vector<jsonl::Json> Journal(const std::string &event = "") const
    {
        std::vector<jsonl::Json> out;
        for (jsonl::Json &j : jsonl::ReadLines(JournalPath()))
            if (event.empty() || jsonl::Text(j, "event") == event)
                out.push_back(j);
        return out;
    }

    // Waits until the journal holds at least n entries of the event (5 s at
    // most on an idle machine).
    bool WaitFor(const std::string &event, size_t n) const
    {
        for (int i = 0; i < testtime::Tries(5000, 10); ++i) {
            if (Journal(event).size() >= n)
                return true;
            timespec t{0, 10 * 1000 * 1000};
            nanosleep(&t, nullptr);
        }
        return false;
    }

private:
    // Holds the port asked for (0: a new free one) unless it is held already.
    bool Hold(uint16_t port, std::string *error)
    {
        if (hold_ >= 0 && port != 0 && port == heldPort_)
            return true;
        Release();
        hold_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        socklen_t len = sizeof addr;
        if (hold_ < 0 || setsockopt(hold_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
            bind(hold_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
            getsockname(hold_, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
            *error = "cannot hold port " + std::to_string(port) + " on 127.0.0.1: " + strerror(errno);
            Release();
            return false;
        }
        heldPort_ = ntohs(addr.sin_port);
        return true;
    }

    void Release()
    {
        if (hold_ >= 0)
            close(hold_);
        hold_ = -1;
        heldPort_ = 0;
    }

    std::string dir_;
    pid_t pid_ = -1;
    uint16_t port_ = 0;
    int hold_ = -1;
    uint16_t heldPort_ = 0;
};

#endif
