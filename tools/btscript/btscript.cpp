// btscript: checks a control file of the Bluetooth library stand-in before
// it is used.
//
//   btscript --check [FILE]
//
// FILE defaults to the file the stand-in reads, "$TERMINAL_ROOT/data/osal/bt".
// Prints nothing and exits 0 for a good file; prints the first fault with its
// line and exits 2 for a bad one (or one that cannot be read); exits 1 on a
// usage error. The format is in platform/bt/README.md.
#include <string>

#include "BtScript.h"
#include "ScriptCheck.h"

int main(int argc, char **argv)
{
    return RunScriptCheck(argc, argv, "btscript", "/data/osal/bt",
                          [](const std::string &text, const std::string &path, std::string *error) {
                              btfake::Script script;
                              return btfake::ParseScript(text, path, &script, error);
                          });
}
