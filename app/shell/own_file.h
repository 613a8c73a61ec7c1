// The one reader of the program's own files: the settings, the UI
// descriptions and every other XML file the program reads (connection
// files, battery settings, ...). A new reader of such a file takes its text
// from read_own_file and parses it from memory; it never opens the file
// itself.
//
// The file is opened without waiting, so a FIFO or a device put in place of
// a file cannot hang the program; only a regular file of at most
// OWN_FILE_MAX bytes is read, whole. A file that is there but refused
// (not a regular file, too large, unreadable) gets one line on stderr naming
// it and the reason, and its caller treats it as a file it cannot open. A
// missing file is no fault and is reported to nobody.
#ifndef APP_SHELL_OWN_FILE_H
#define APP_SHELL_OWN_FILE_H

#include <string>

// The largest file read: the program's own files are kilobytes.
const long OWN_FILE_MAX = 1L << 20;

enum OwnFileResult {
    OWN_FILE_READ = 0,     // text holds the whole file
    OWN_FILE_MISSING = -1, // no such file (nothing written to stderr)
    OWN_FILE_REFUSED = -2, // there but not read (one line on stderr)
};

// Reads the file at path, opened as given, into text, replacing what text
// held. On anything but OWN_FILE_READ, text is left empty.
OwnFileResult read_own_file(const char *path, std::string &text);

#endif
