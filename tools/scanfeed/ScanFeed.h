// scanfeed: plays a barcode scanner into the FIFOs that stand in for the
// terminal's scanners. A USB scanner is a keyboard: each character becomes
// boot-keyboard reports (8 bytes: modifier bits, 0, the key's usage code,
// five zeros) written into "/dev/hidraw0"; GS and Cyrillic letters go as
// Left Alt + keypad digit sequences, as such scanners send them. The
// built-in scanner gets one line of CP1251 text into "/dev/scanner".
//
// The key table here is the tool's own, written from the keyboard usage
// tables rather than taken from the program's decoder, so that a misreading
// of the format cannot hide on both sides.
#ifndef SCANFEED_SCANFEED_H
#define SCANFEED_SCANFEED_H

#include <array>
#include <stdint.h>
#include <string>
#include <vector>

namespace scanfeed {

using Report = std::array<uint8_t, 8>;

// A code's text as written on the command line or in a script: UTF-8, with
// "\uXXXX" (four hex digits) for any character and "\\" for a backslash.
// False with the fault in error for a bad escape or bad UTF-8.
bool ParseCodeText(const std::string &text, std::u32string &out, std::string *error);

struct HidShape {
    bool enter = true; // Enter after the code, as scanners send
    int zeros = 1;     // all-zero reports after the last key (2 ends a code on kind 1)
};

// The reports of a code: each key pressed (with Left Shift where needed)
// and released; GS as Left Alt + keypad 2 9; a Cyrillic letter, Ё, ё or
// № as Left Alt + the five digits of its UTF-8 form's first two bytes.
// False with the fault in error for a character no key gives.
bool EncodeHid(const std::u32string &code, const HidShape &shape, std::vector<Report> &out, std::string *error);

// The built-in scanner's line: the code in CP1251 and "\n". False for a
// character CP1251 lacks, a line end or NUL inside the code, or an empty code.
bool EncodeLine(const std::u32string &code, std::string &out, std::string *error);

struct Step {
    enum Kind {
        Code,      // code TEXT: a code as the scanner sends it
        RawReport, // report HH HH HH HH HH HH HH HH: one report as given (HID)
        RawBytes,  // raw TEXT: the bytes, no line end added (built-in)
        Wait,      // wait MS
        Pace,      // pace MS: pause between reports (HID)
        Enter,     // enter on|off (HID)
        Zeros,     // zeros N (HID)
        Cut,       // cut N: the next code stops after its first N reports (HID) or bytes
    } kind;
    int line = 0;
    std::string bytes; // Code: the encoded reports or line; Report, Raw: the bytes
    std::string text;  // Code: the code as given (for the journal)
    long number = 0;
};

enum class Mode { Hid, Builtin };

// Reads a script for a mode; every code is encoded here, so a code the
// scanner cannot send is a bad line. False with "line N: fault" in error.
bool ParseScript(const std::string &text, Mode mode, std::vector<Step> &out, std::string *error);

struct Options {
    Mode mode = Mode::Hid;
    std::string fifo;    // the FIFO to write into
    std::string journal; // JSON lines; empty: none
    int waitMs = 0;      // how long to wait for a reader to open the FIFO
};

// Plays the steps: 0 all written, 1 no reader came, or the reader went away
// or stopped taking data (the message on stderr and in the journal).
int Feed(const Options &o, const std::vector<Step> &steps);

// The default FIFO of a mode under a terminal root (TERMINAL_ROOT when
// root is empty; the plain terminal path when that is unset too).
std::string DefaultFifo(Mode mode, const std::string &root);

} // namespace scanfeed

#endif
