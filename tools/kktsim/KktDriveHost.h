// What a PC host program asks of the fiscal-drive model through the
// terminal's external-host mode: setting the work modes (0x4C, which 0x4D
// then reports; bit 0x10 keeps its meaning: 0x1D goes before a print) and
// the raw-print request (0x70, answered without data).
#ifndef KKTSIM_KKTDRIVEHOST_H
#define KKTSIM_KKTDRIVEHOST_H

#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

struct DriveCall;

// 0x4C: field 1 the work modes, fields 2-4 (optional) the second work
// parameter, the line feeds and the third parameter, each a word of four
// hex digits low byte first (or two digits). Refused with 01 without field
// 1, 02 for a field that cannot be read (nothing changed then).
uint8_t HostSetWorkModes(DriveCall &c);
// 0x70: the raw print that follows on the print channel; answered empty.
uint8_t HostRawPrint(DriveCall &c);

} // namespace kktsim

#endif
