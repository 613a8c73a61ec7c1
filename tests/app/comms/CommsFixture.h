// The link layer against the OS stand-in's network calls: a terminal root
// of the test's own, the network script given through the stand-in's test
// hook, the calls read back from its network.log, the settings in ./data/,
// and the virtual clock.
#ifndef TESTS_COMMS_COMMSFIXTURE_H
#define TESTS_COMMS_COMMSFIXTURE_H

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conn_level.h"
#include "conn_record.h"
#include "osal.h"

namespace commstest {

// One line of network.log.
struct NetCall {
    unsigned tick;
    std::string call;
    std::string line;
    int answer;
    bool Has(const std::string &text) const { return line.find(text) != std::string::npos; }
};

inline std::vector<NetCall> ReadNetLog(const std::string &root)
{
    std::vector<NetCall> out;
    std::ifstream in(root + "/data/osal/network.log");
    for (std::string line; std::getline(in, line);) {
        NetCall c;
        c.line = line;
        c.tick = static_cast<unsigned>(std::stoul(line.substr(line.find("\"tick\":") + 7)));
        size_t at = line.find("\"call\":\"") + 8;
        c.call = line.substr(at, line.find('"', at) - at);
        c.answer = std::stoi(line.substr(line.find("\"answer\":") + 9));
        out.push_back(c);
    }
    return out;
}

class NetRoot {
public:
    void MakeRoot()
    {
        char tmpl[] = "/tmp/comms_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        ASSERT_EQ(system(("mkdir -p " + root + "/data/osal " + root + "/sys/class/net/eth1").c_str()), 0);
        std::ofstream(root + "/sys/class/net/eth1/carrier") << "1\n";
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        conn_level_reset();
    }
    void RemoveRoot()
    {
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        (void)system(("rm -rf " + root).c_str());
    }
    void Net(const std::string &script)
    {
        char error[256];
        ASSERT_EQ(OsTestNetScript(script.c_str(), error, sizeof error), 0) << error;
    }
    std::vector<NetCall> Log() { return ReadNetLog(root); }
    // The names of the calls from a position of the log.
    std::vector<std::string> Calls(size_t from = 0)
    {
        std::vector<std::string> out;
        std::vector<NetCall> log = Log();
        for (size_t i = from; i < log.size(); ++i)
            out.push_back(log[i].call);
        return out;
    }
    int Count(const std::string &call)
    {
        int n = 0;
        for (const NetCall &c : Log())
            n += c.call == call;
        return n;
    }
    size_t Mark() { return Log().size(); }
    std::string ReadFile(const std::string &path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string root;
};

} // namespace commstest

#endif
