// Byte-order and text helpers shared by the widgets and the application.
#ifndef VU_UTILS_H
#define VU_UTILS_H

#include <stdint.h>

#include "vuExport.h"

// Stores value little-endian: out[0] = lowest byte.
VU_C_API void word_to_intel(uint16_t value, unsigned char* out);
VU_C_API void dword_to_intel(uint32_t value, unsigned char* out);

// Lowers the ASCII letters A-Z in place (other bytes, CP1251 letters
// included, stay); returns text, null for null.
VU_C_API char* str_lwr(char* text);

// Size of the file in bytes, -1 when it cannot be stat'ed.
VU_C_API int _SYS_FILE_SIZE_NAME(const char* path);

namespace vu {
// Parses a dotted IPv4 address ("192.168.1.10", spaces allowed before each
// number, leading zeros allowed) into out[0..3]. 1 on success, 0 on failure
// (out keeps what was filled). It lives in this namespace so that it never
// takes the place of the C library's inet_aton in the process.
VU_API int inet_aton(const char* text, unsigned char* out);
}  // namespace vu

#endif
