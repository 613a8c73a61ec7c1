// The marking notifications unloaded to a USB flash drive in autonomous
// mode. The file is written and read back through the controller service;
// the fiscal drive gives the notifications and confirms each one by its
// CRC-16 once it has been read back from the file.
//
// File: a 375-byte header, then per notification C9 00, its length (16 bits,
// low byte first) and its bytes. Header: the title in CP866 (0-65), the
// version text (66-321), the registration number (322-341), the drive's
// number (342-357), the FFD version byte (358), the first count's value
// (359-362) and word (367-370), the last confirmed value (363-366, spaces
// when none) and the CRC-32 (371-374), spaces where nothing was read.
//
// A notification is acknowledged to the drive only once its whole record is
// in the file; whatever stops the collection, the header and its CRC-32 are
// still finished over what was written.
#ifndef APP_COMMS_NOTIFICATION_UNLOAD_H
#define APP_COMMS_NOTIFICATION_UNLOAD_H

#include <stddef.h>
#include <stdint.h>

class vuUI;

enum : uint32_t {
    UNLOAD_HEADER_SIZE = 375,
    UNLOAD_RECORD_PREFIX = 4,    // C9 00 and the length
    UNLOAD_CONFIRM_TRIES = 3,    // 0x87(1) refusals of one notification before the confirmation stops
    UNLOAD_NOTIFICATION_MAX = 65535,
};

// The CRC-16 the drive confirms a notification by: bytes 0-1 and 4 to the
// end, bytes 2-3 left out.
uint16_t unload_notification_crc(const uint8_t *notification, uint32_t length);

// The file name for a start at that time: "unload_HHMM_DDMMYY.crpt".
void unload_file_name(char *out, size_t size, int hour, int minute, int day, int month, int year);

// The read-back and confirmation walk over the written file, with what it
// needs passed in (the controller service and the drive, or a test's).
struct unload_walk_io {
    void *context;
    // Reads len bytes at offset into buffer: the bytes read, below 0 failed.
    int (*read)(void *context, uint8_t *buffer, uint32_t len, uint32_t offset);
    // 0x87(0): 0 with the notifications still to confirm and the next's
    // value, else a failure (the caller keeps the previous values).
    int (*status)(void *context, uint16_t *remaining, uint32_t *value);
    // 0x87(1): 0 when the drive confirmed the notification.
    int (*confirm)(void *context, uint32_t value, uint16_t crc);
};

struct unload_walk_result {
    uint32_t crc32;        // over header bytes 0-370, 375-378 and every notification read back
    unsigned confirmed;    // notifications the drive confirmed
    bool any_confirmed;
    uint32_t last_value;   // the last confirmed notification's value
    int stop;              // why the walk ended: 0 nothing left to confirm, else an UNLOAD_STOP_...
};

enum {
    UNLOAD_STOP_NONE = 0,
    UNLOAD_STOP_HEADER_READ = 1,   // the first 379 bytes could not be read back
    UNLOAD_STOP_LENGTH = 2,        // a record's length does not fit the file or the buffer
    UNLOAD_STOP_READ = 3,          // a notification's read-back failed or came short
    UNLOAD_STOP_REFUSED = 4,       // the drive refused one notification too often
};

// Reads the file of file_size bytes back and has the drive confirm each
// notification, as long as the drive counts some to confirm.
void unload_confirm_walk(const unload_walk_io &io, uint32_t file_size, unload_walk_result *out);

// The whole unload (the "ofd_conn" item in autonomous mode).
void unload_notifications(vuUI *ui);

#endif
