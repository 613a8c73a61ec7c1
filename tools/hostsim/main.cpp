// hostsim: the PC host of the cash register's external-host mode.
#include <signal.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "HostSim.h"

namespace {

void usage()
{
    std::cerr << "usage: hostsim (--tcp HOST:PORT | --pty LINK) [--script FILE] [--journal FILE]\n"
                 "               [--timeout MS] [--check]\n"
                 "The script comes from FILE, else from standard input.\n";
}

void onSignal(int) { hostsim::Host::Stop(); }

} // namespace

int main(int argc, char **argv)
{
    hostsim::Options o;
    std::string script;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string t;
        if (a == "--tcp" && value(o.tcp) && o.tcp.find(':') != std::string::npos) {
        } else if (a == "--pty" && value(o.ptyLink)) {
        } else if (a == "--script" && value(script)) {
        } else if (a == "--journal" && value(o.journal)) {
        } else if (a == "--timeout" && value(t) && atoi(t.c_str()) > 0) {
            o.timeoutMs = atoi(t.c_str());
        } else if (a == "--check") {
            check = true;
        } else {
            usage();
            return 2;
        }
    }
    if (!check && o.tcp.empty() == o.ptyLink.empty()) {
        usage();
        return 2;
    }
    std::stringstream text;
    if (script.empty()) {
        text << std::cin.rdbuf();
    } else {
        std::ifstream in(script);
        if (!in) {
            std::cerr << "hostsim: cannot read " << script << "\n";
            return 2;
        }
        text << in.rdbuf();
    }
    std::vector<hostsim::Step> steps;
    std::string error;
    if (!hostsim::ParseScript(text.str(), steps, &error)) {
        std::cerr << "hostsim: " << (script.empty() ? "standard input" : script) << ": " << error << "\n";
        return 2;
    }
    if (check)
        return 0;
    signal(SIGTERM, onSignal);
    signal(SIGINT, onSignal);
    signal(SIGPIPE, SIG_IGN);
    hostsim::Host host(o);
    return host.Run(steps);
}
