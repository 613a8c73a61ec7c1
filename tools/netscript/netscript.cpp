// netscript: checks a network script of the OS stand-in before it is used.
//
//   netscript --check [FILE]
//
// FILE defaults to the script the stand-in reads,
// "$TERMINAL_ROOT/data/osal/network". Prints nothing and exits 0 for a good
// script; prints the first fault with its line and exits 2 for a bad one
// (or one that cannot be read); exits 1 on a usage error. The format is in
// the README ("The network on a PC").
#include <string>

#include "ScriptCheck.h"
#include "osal.h"

int main(int argc, char **argv)
{
    return RunScriptCheck(argc, argv, "netscript", "/data/osal/network",
                          [](const std::string &text, const std::string &path, std::string *error) {
                              char message[512];
                              if (OsNetCheckScript(text.c_str(), path.c_str(), message, sizeof message) == 0)
                                  return true;
                              *error = message;
                              return false;
                          });
}
