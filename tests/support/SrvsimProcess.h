// The server stand-in as a process of its own, for tests: started on a free
// loopback port with a scenario in a folder of the test's, its port read from
// the port file, stopped by its process id, its journal read as JSON.
#ifndef TESTS_SUPPORT_SRVSIM_PROCESS_H
#define TESTS_SUPPORT_SRVSIM_PROCESS_H

#include "JsonLines.h"

#include <errno.h>
#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/prctl.h>
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
    ~SrvsimProcess() { Stop(); }
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
    std::string dir_;
    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

#endif
