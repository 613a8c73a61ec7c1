// modemsim: the cellular module stand-in as a program.
//
//   modemsim [--root DIR] [--script FILE] [--journal FILE]
//   modemsim --check FILE
//
// Links the slave of its pseudo-terminal at DIR/dev/mux1 (DIR defaults to
// TERMINAL_ROOT), prints "ready PATH" and answers until SIGTERM or SIGINT.
// A bad script line: "FILE line N: what" on stderr and exit status 2, as
// for bad arguments.
#include "ModemSim.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

int usage()
{
    std::fprintf(stderr, "usage: modemsim [--root DIR] [--script FILE] [--journal FILE]\n"
                         "       modemsim --check FILE\n");
    return 2;
}

bool readFile(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::string root = std::getenv("TERMINAL_ROOT") ? std::getenv("TERMINAL_ROOT") : "", script, journal, check;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc)
            return usage();
        if (a == "--root")
            root = argv[++i];
        else if (a == "--script")
            script = argv[++i];
        else if (a == "--journal")
            journal = argv[++i];
        else if (a == "--check")
            check = argv[++i];
        else
            return usage();
    }
    std::vector<modemsim::Rule> rules = modemsim::DefaultRules();
    const std::string file = check.empty() ? script : check;
    if (!file.empty()) {
        std::string text, error;
        if (!readFile(file, text)) {
            std::fprintf(stderr, "modemsim: cannot read %s\n", file.c_str());
            return 2;
        }
        if (!modemsim::ParseScript(text, file, rules, &error)) {
            std::fprintf(stderr, "modemsim: %s\n", error.c_str());
            return 2;
        }
        if (!check.empty())
            return 0;
    }
    if (root.empty())
        return usage();
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    modemsim::Modem modem;
    std::string error;
    if (!modem.Open(root, rules, journal, &error)) {
        std::fprintf(stderr, "modemsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("ready %s\n", modem.LinkPath().c_str());
    std::fflush(stdout);
    while (!g_stop)
        pause();
    modem.Close();
    return 0;
}
