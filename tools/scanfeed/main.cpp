// scanfeed: scans codes into the FIFOs that stand in for the terminal's
// barcode scanners.
#include <signal.h>
#include <stdlib.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "ScanFeed.h"

namespace {

void usage()
{
    std::cerr << "usage: scanfeed (--hid | --builtin) [--root DIR | --fifo PATH] [--wait MS]\n"
                 "                [--no-enter] [--zeros N] [--journal FILE] [--check]\n"
                 "                (--script FILE | CODE... | < script)\n"
                 "CODE is UTF-8 text; \\uXXXX is any character (\\u001d the group separator GS),\n"
                 "\\\\ a backslash.\n";
}

} // namespace

int main(int argc, char **argv)
{
    scanfeed::Options o;
    bool modeGiven = false, check = false, enter = true;
    std::string root, script, zeros = "1";
    std::vector<std::string> codes;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string t;
        if (a == "--hid" || a == "--builtin") {
            o.mode = a == "--hid" ? scanfeed::Mode::Hid : scanfeed::Mode::Builtin;
            modeGiven = true;
        } else if (a == "--root" && value(root)) {
        } else if (a == "--fifo" && value(o.fifo)) {
        } else if (a == "--script" && value(script)) {
        } else if (a == "--journal" && value(o.journal)) {
        } else if (a == "--wait" && value(t) && !t.empty() && t.find_first_not_of("0123456789") == std::string::npos &&
                   t.size() < 8) {
            o.waitMs = atoi(t.c_str());
        } else if (a == "--zeros" && value(zeros)) {
        } else if (a == "--no-enter") {
            enter = false;
        } else if (a == "--check") {
            check = true;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            usage();
            return 2;
        } else {
            codes.push_back(a);
        }
    }
    if (!modeGiven || (!script.empty() && !codes.empty())) {
        usage();
        return 2;
    }
    // Codes given as arguments are a script of their own.
    std::stringstream text;
    std::string source;
    if (!codes.empty()) {
        source = "command line";
        text << "enter " << (enter ? "on" : "off") << "\nzeros " << zeros << "\n";
        for (const std::string &c : codes) {
            if (c.find('\n') != std::string::npos) {
                std::cerr << "scanfeed: a code argument holds a line end (write \\u000a)\n";
                return 2;
            }
            text << "code " << c << "\n";
        }
    } else if (script.empty()) {
        source = "standard input";
        text << std::cin.rdbuf();
    } else {
        source = script;
        std::ifstream in(script);
        if (!in) {
            std::cerr << "scanfeed: cannot read " << script << "\n";
            return 2;
        }
        text << in.rdbuf();
    }
    std::vector<scanfeed::Step> steps;
    std::string error;
    if (!scanfeed::ParseScript(text.str(), o.mode, steps, &error)) {
        // Codes given as arguments follow two lines of settings.
        if (!codes.empty() && error.compare(0, 5, "line ") == 0)
            error = "code " + std::to_string(atoi(error.c_str() + 5) - 2) + error.substr(error.find(':'));
        std::cerr << "scanfeed: " << source << ": " << error << "\n";
        return 2;
    }
    if (check)
        return 0;
    if (o.fifo.empty())
        o.fifo = scanfeed::DefaultFifo(o.mode, root);
    signal(SIGPIPE, SIG_IGN);
    return scanfeed::Feed(o, steps);
}
