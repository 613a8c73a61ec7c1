// The service log: "zizirize.log" on the SD card, else on a USB flash drive,
// else under "/tmp/", renewed weekly, with time-stamped entries of several
// kinds; its copy to a USB flash drive and small file operations there.
// Paths are the terminal's (mapped by OsMapPath). Any thread may write
// entries once log_init has run; the mount calls and the module's state
// other than the ready flag are not locked.
#ifndef APP_SHELL_SERVICE_LOG_H
#define APP_SHELL_SERVICE_LOG_H

#include <stddef.h>
#include <stdint.h>

// Entry kinds of log_write.
enum {
    LOG_KIND_FRAME = 1,   // registrar frame: STX, ETX, FS shown as "<", ">", "#"
    LOG_KIND_CONTROL = 2, // control answer: "DLE x", "NAK" or an unknown code
    LOG_KIND_TEXT = 10,   // text up to its terminator
    LOG_KIND_FILE = 11,   // data is a path: the file's contents
    LOG_KIND_HEX = 20,    // hex dump in blocks of 512 bytes
    LOG_KIND_RAW = 30,    // bytes as they are
};

// Results of the copy and the USB file operations.
enum {
    LOG_ERR_NOT_READY = -10,
    LOG_ERR_NO_LOG = -11,
    LOG_ERR_NO_USB = -12,
    LOG_ERR_COPY = -13,
};

#define LOG_SD_DEVICE "/dev/block/mmcblk0p1"
#define LOG_USB_DEVICE "/dev/block/sda1"
#define LOG_FILE_NAME "zizirize.log"

// Chooses the log folder (SD card, USB flash drive, "/tmp/") and opens or
// renews the log file. Returns 0.
int log_init();
// Opens the log file in the log folder, creating it (or, failing that, one
// under "/tmp/"); a file whose first entry is more than seven days old (a
// month counted as 30 days) or of another year is renamed
// "tmDDMMYYYY.log" with today's date and begun anew. Sets the ready flag.
void log_file_open();
// 1 when a log whose first ten bytes are head (a "%d.%d.%d" date of its
// first entry) is kept on the day now: the same year and at most seven days
// older, a month counted as 30 days; 0 when it is to be renewed.
int log_head_is_fresh(const char *head, size_t length, int day, int month, int year);
// Appends one entry of the kind; nothing while the module is not ready. A
// log file that cannot be opened closes the module.
void log_write(const void *data, size_t length, int kind);
// Clears the ready flag and the storage kind and unmounts the log's storage:
// the unmount's result, or `value` when the log had no storage mounted.
int log_close(int value);
// Deletes the log file: 0, or -1.
int log_delete();
// The log file's terminal path, bounded by size and terminated.
void log_path(char *destination, size_t size);
int log_ready();
const char *log_dir();
// Storage of the log folder: 0 none ("/tmp/"), 1 SD card, 2 USB flash drive.
int log_storage_kind();

// Copies the log to "zizirize_copy.log" on a USB flash drive: the bytes
// copied, or LOG_ERR_NOT_READY, LOG_ERR_NO_LOG (no log or an empty one),
// LOG_ERR_NO_USB, LOG_ERR_COPY.
int log_copy_to_usb();
// Files on the USB flash drive, each mounting and unmounting it: 0 (or the
// bytes read), LOG_ERR_NO_USB without a drive, LOG_ERR_COPY when the file
// cannot be written (append and write_at; write_at needs an existing file).
// usb_file_read_at gives 0 when the file cannot be opened.
int usb_file_append(const char *name, const void *data, size_t length);
int usb_file_write_at(const char *name, const void *data, size_t length, long offset);
int usb_file_read_at(const char *name, void *buffer, size_t size, long offset);
// 0 when a USB flash drive can be mounted, else LOG_ERR_NO_USB.
int usb_check();

// Mounts the device at "/mnt/<last component>/" as the USB folder
// (usb_folder 1) or the log folder (0): 0; 1 when the device name has no
// digit 1; 2 when the device did not appear within 100 ms; -1 when the mount
// point was left over; the errno of the mount point's creation; or
// OsMount's negative result.
int storage_mount(const char *device, int usb_folder);
// Unmounts the device's mount point and removes it: 0, or -1 when there is
// no mount point.
int storage_unmount(const char *device);
// Copies source to destination (both terminal paths) under the log mutex:
// the source's size, or LOG_ERR_COPY when the source is missing or empty or
// a read, write or the destination's creation fails (the partial copy is
// removed).
long copy_file(const char *source, const char *destination);
// Hex dump of size bytes: `text` holds a prefix on entry, which also begins
// every further line; one line per 16 bytes, "%08X:" with base + offset,
// " %02X" per byte (three blanks per missing byte of a short last line),
// " :" and the bytes as characters (below 0x20 as "."), "\r\n". Whole lines
// that do not fit text_size are left out; the text is always terminated.
void hex_dump(const uint8_t *data, char *text, size_t text_size, size_t size, uint32_t base);

#endif
