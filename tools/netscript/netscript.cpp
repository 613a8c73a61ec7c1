// netscript: checks a network script of the OS stand-in before it is used.
//
//   netscript --check [FILE]
//
// FILE defaults to the script the stand-in reads,
// "$TERMINAL_ROOT/data/osal/network". Prints nothing and exits 0 for a good
// script; prints the first fault with its line and exits 2 for a bad one
// (or one that cannot be read); exits 1 on a usage error. The format is in
// the README ("The network on a PC").
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "osal.h"

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3 || std::strcmp(argv[1], "--check") != 0) {
        std::fprintf(stderr, "usage: netscript --check [FILE]\n");
        return 1;
    }
    char mapped[4096];
    std::string path = argc == 3 ? argv[2] : (OsMapPath("/data/osal/network", mapped, sizeof mapped) ? mapped : "");
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) {
        std::fprintf(stderr, "netscript: cannot read %s\n", path.c_str());
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    char error[512];
    if (OsNetCheckScript(text.str().c_str(), path.c_str(), error, sizeof error) != 0) {
        std::fprintf(stderr, "%s\n", error);
        return 2;
    }
    return 0;
}
