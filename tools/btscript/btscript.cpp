// btscript: checks a control file of the Bluetooth library stand-in before
// it is used.
//
//   btscript --check [FILE]
//
// FILE defaults to the file the stand-in reads, "$TERMINAL_ROOT/data/osal/bt".
// Prints nothing and exits 0 for a good file; prints the first fault with its
// line and exits 2 for a bad one (or one that cannot be read); exits 1 on a
// usage error. The format is in platform/bt/README.md.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "BtScript.h"
#include "osal.h"

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3 || std::strcmp(argv[1], "--check") != 0) {
        std::fprintf(stderr, "usage: btscript --check [FILE]\n");
        return 1;
    }
    char mapped[4096];
    std::string path = argc == 3 ? argv[2] : (OsMapPath("/data/osal/bt", mapped, sizeof mapped) ? mapped : "");
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) {
        std::fprintf(stderr, "btscript: cannot read %s\n", path.c_str());
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    btfake::Script script;
    std::string error;
    if (!btfake::ParseScript(text.str(), path, &script, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    return 0;
}
