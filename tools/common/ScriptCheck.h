// The `--check` program of a stand-in's script: `NAME --check [FILE]`, FILE
// defaulting to the terminal path the stand-in reads (under TERMINAL_ROOT).
// Prints nothing and returns 0 for a good script; prints the first fault
// and returns 2 for a bad one (or one that cannot be read); 1 on a usage
// error. Header only.
#ifndef TOOLS_COMMON_SCRIPT_CHECK_H
#define TOOLS_COMMON_SCRIPT_CHECK_H

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "osal.h"

// check(text, path, error) is the stand-in's own reader: true for a good
// script, else false with the fault (naming the path and line) in error.
inline int RunScriptCheck(int argc, char **argv, const char *name, const char *terminalPath,
                          const std::function<bool(const std::string &, const std::string &, std::string *)> &check)
{
    if (argc < 2 || argc > 3 || std::strcmp(argv[1], "--check") != 0) {
        std::fprintf(stderr, "usage: %s --check [FILE]\n", name);
        return 1;
    }
    char mapped[4096];
    std::string path = argc == 3 ? argv[2] : (OsMapPath(terminalPath, mapped, sizeof mapped) ? mapped : "");
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) {
        std::fprintf(stderr, "%s: cannot read %s\n", name, path.c_str());
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!check(text.str(), path, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    return 0;
}

#endif
