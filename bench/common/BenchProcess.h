// The benchmarks' way of running the programs they measure as processes of
// their own: start one in a folder with its output thrown away, stop it by
// its id, read a file they left or the process's resident memory.
#ifndef BENCH_COMMON_BENCHPROCESS_H
#define BENCH_COMMON_BENCHPROCESS_H

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

// The whole file, or "" when it cannot be read.
inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Starts args[0] (a path) with its arguments in cwd; its output goes to
// /dev/null. Exit status 127: the folder or the program was not there.
inline pid_t spawn(const std::string &cwd, const std::vector<std::string> &args)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0)
            _exit(127);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// Kills the process and reaps it; pid becomes -1.
inline void stop(pid_t &pid)
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

// Resident memory of a process in KiB, -1 when unknown.
inline long residentKiB(pid_t pid)
{
    std::istringstream in(readFile("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return atol(line.c_str() + 6);
    return -1;
}

} // namespace bench

#endif
