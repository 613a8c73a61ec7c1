// The Bluetooth links against the library's stand-in: the library (or its
// variant) installed where the program looks for it under a terminal root of
// the test's own, its control file written by the test, its journal
// (bt.log) read back.
#ifndef TESTS_COMMS_BTFIXTURE_H
#define TESTS_COMMS_BTFIXTURE_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "JsonLines.h"
#include "osal.h"

namespace commstest {

// A pseudo-terminal whose slave is linked at a path: the serial device of
// an SPP connection.
class PtyDevice {
public:
    // A pseudo-terminal whose slave is linked at the path.
    explicit PtyDevice(const std::string &link)
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slave = ptsname(master);
        unlink(link.c_str());
        if (symlink(slave.c_str(), link.c_str()) != 0)
            slave.clear();
    }
    ~PtyDevice()
    {
        if (master >= 0)
            close(master);
    }
    int master = -1;
    std::string slave;
};


// One line of the stand-in's journal: a call (with its arguments and
// answer) or an event.
struct BtCall {
    std::string call, event;
    jsonl::Json json;
    std::string Arg(const char *name) const
    {
        auto it = json.find("args");
        return it == json.end() ? std::string() : jsonl::Text(*it, name);
    }
    long long Answer() const { return jsonl::Number(json, "answer", -99999); }
};

class BtRoot {
public:
    // Puts the library at "/data/opt/lib/libbt.so" of the terminal root and
    // names the terminal "T300_0000000001".
    void Install(const std::string &root, const char *library)
    {
        btRoot = root;
        ASSERT_EQ(system(("mkdir -p " + root + "/data/opt/lib " + root + "/data/osal").c_str()), 0);
        if (library) {
            ASSERT_EQ(symlink(library, (root + "/data/opt/lib/libbt.so").c_str()), 0);
        }
        ASSERT_EQ(OsRegSetValue("ro.fac.mach", "T300"), 0);
        ASSERT_EQ(OsRegSetValue("ro.fac.sn", "0000000001"), 0);
    }
    // Replaces the control file (a new file, so the library sees the change).
    void Control(const std::string &text)
    {
        std::string path = btRoot + "/data/osal/bt";
        std::ofstream(path + ".new") << text;
        ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
    }
    std::vector<BtCall> BtJournal(size_t from = 0)
    {
        std::vector<BtCall> out;
        std::vector<jsonl::Json> lines = jsonl::ReadLines(btRoot + "/data/osal/bt.log");
        for (size_t i = from; i < lines.size(); ++i)
            out.push_back({jsonl::Text(lines[i], "call"), jsonl::Text(lines[i], "event"), lines[i]});
        return out;
    }
    size_t BtMark() { return BtJournal().size(); }
    // The calls (not the events) from a position, by name.
    std::vector<std::string> BtCalls(size_t from = 0)
    {
        std::vector<std::string> out;
        for (const BtCall &c : BtJournal(from))
            if (!c.call.empty())
                out.push_back(c.call);
        return out;
    }
    // The last call of that name from a position; an empty one when none.
    BtCall BtLast(const std::string &call, size_t from = 0)
    {
        BtCall last;
        for (const BtCall &c : BtJournal(from))
            if (c.call == call)
                last = c;
        return last;
    }
    int BtCount(const std::string &call, size_t from = 0)
    {
        int n = 0;
        for (const BtCall &c : BtJournal(from))
            n += c.call == call;
        return n;
    }

    std::string btRoot;
    const std::string terminalName = "T300_0000000001";
};

} // namespace commstest

#endif
