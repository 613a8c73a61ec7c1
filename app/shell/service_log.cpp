#include "service_log.h"

#include <atomic>
#include <errno.h>
#include <fcntl.h>
#include <mutex>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "date_record.h"
#include "osal.h"
#include "safe_file.h"
#include "str_helpers.h"

namespace {

char g_log_dir[64] = "/tmp/";
char g_usb_dir[64];
int g_storage_kind;
// Read by every writer while log_init or log_close may change it.
std::atomic<int> g_ready{0};
std::mutex g_log_mutex;

const size_t kPieceCopy = 32768;
const size_t kPieceFile = 4096;
const size_t kHexBlock = 512;

// The terminal path mapped for the PC (unchanged on the terminal).
struct Mapped {
    char path[512];
    explicit Mapped(const char *terminal_path)
    {
        if (!OsMapPath(terminal_path, path, sizeof path))
            path[0] = 0;
    }
};

long file_size_by_name(const char *terminal_path)
{
    struct stat st;
    if (stat(Mapped(terminal_path).path, &st) != 0)
        return -1;
    return static_cast<long>(st.st_size);
}

bool exists(const char *terminal_path)
{
    return access(Mapped(terminal_path).path, F_OK) == 0;
}

int open_terminal(const char *terminal_path, int flags, mode_t mode = 0)
{
    return open(Mapped(terminal_path).path, flags | O_CLOEXEC, mode);
}

// Writes all of data; false on a failure.
bool write_all(int fd, const void *data, size_t length)
{
    const char *p = static_cast<const char *>(data);
    while (length > 0) {
        ssize_t n = write(fd, p, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool write_text(int fd, const char *text)
{
    return write_all(fd, text, strlen(text));
}

// "/mnt/<last component>/" of a device path; false when it has no digit 1.
bool mount_point(const char *device, char *point, size_t size)
{
    const char *slash = strrchr(device, '/');
    const char *name = slash ? slash + 1 : device;
    str_format(point, size, "/mnt/%s/", name);
    return strchr(name, '1') != nullptr;
}

void time_stamp(char *text, size_t size)
{
    date_record now;
    now_date_record(&now);
    str_format(text, size, "%02d.%02d.%04d %02d:%02d:%02d ", now.day, now.month, now.year, now.hour, now.minute,
               now.second);
}

void write_frame(int fd, const uint8_t *data, size_t length)
{
    char out[256];
    size_t n = 0;
    for (size_t i = 0; i < length; ++i) {
        uint8_t c = data[i];
        out[n++] = c == 0x02 ? '<' : c == 0x03 ? '>' : c == 0x1C ? '#' : static_cast<char>(c);
        if (n == sizeof out) {
            write_all(fd, out, n);
            n = 0;
        }
    }
    write_all(fd, out, n);
}

void write_control(int fd, const uint8_t *data, size_t length)
{
    char text[64];
    uint8_t first = length > 0 ? data[0] : 0;
    if (first == 0x10)
        str_format(text, sizeof text, "DLE %c", length > 1 ? data[1] : ' ');
    else if (first == 0x15)
        str_copy(text, "NAK", sizeof text);
    else
        str_format(text, sizeof text, "Неизвестный код: %c", first);
    write_text(fd, text);
}

void write_file_entry(int fd, const char *path)
{
    char text[600];
    if (file_size_by_name(path) < 1) {
        str_format(text, sizeof text, "File \"%s\" not found\n", path);
        write_text(fd, text);
        return;
    }
    str_format(text, sizeof text, "Data from file \"%s\":\n", path);
    write_text(fd, text);
    write_text(fd, "\r\n");
    int src = open_terminal(path, O_RDONLY);
    if (src >= 0) {
        char piece[kPieceFile];
        ssize_t n;
        while ((n = read(src, piece, sizeof piece)) > 0)
            write_all(fd, piece, static_cast<size_t>(n));
        close(src);
    }
    write_text(fd, "\r\n");
}

// The entry's stamp is already written and heads the first block's lines;
// every further block begins with a fresh stamp.
void write_hex(int fd, const uint8_t *data, size_t length, const char *stamp)
{
    // 32 lines of a block, each a stamp (20) and at most 82 characters.
    char text[32 * 104 + 32];
    for (size_t offset = 0; offset < length; offset += kHexBlock) {
        if (offset == 0)
            str_copy(text, stamp, sizeof text);
        else
            time_stamp(text, sizeof text);
        size_t size = length - offset < kHexBlock ? length - offset : kHexBlock;
        hex_dump(data + offset, text, sizeof text, size, static_cast<uint32_t>(offset));
        write_text(fd, offset == 0 ? text + strlen(stamp) : text);
    }
}

} // namespace

int storage_unmount(const char *device)
{
    char point[64];
    mount_point(device, point, sizeof point);
    if (!exists(point))
        return -1;
    OsUmount(point, 2);
    rmdir(Mapped(point).path);
    sync();
    return 0;
}

int storage_mount(const char *device, int usb_folder)
{
    char point[64];
    if (!mount_point(device, point, sizeof point))
        return 1;
    storage_unmount(device);
    if (exists(point))
        return -1;
    mode_t mask = umask(0);
    int made = mkdir(Mapped(point).path, 0777);
    int made_errno = errno;
    umask(mask);
    if (made != 0)
        return made_errno;
    unsigned int start = OsGetTickCount();
    while (!exists(device)) {
        if (OsGetTickCount() - start > 100) {
            rmdir(Mapped(point).path);
            return 2;
        }
        OsSleep(100);
    }
    int result = OsMount(device, point, "vfat", 0x90, nullptr);
    if (result != 0) {
        rmdir(Mapped(point).path);
    } else if (usb_folder) {
        str_copy(g_usb_dir, point, sizeof g_usb_dir);
    } else {
        str_copy(g_log_dir, point, sizeof g_log_dir);
    }
    sync();
    return result;
}

int log_init()
{
    g_storage_kind = 0;
    g_ready = 0;
    if (storage_mount(LOG_SD_DEVICE, 0) == 0) {
        g_storage_kind = 1;
        g_ready = 1;
    } else if (storage_mount(LOG_USB_DEVICE, 0) == 0) {
        g_storage_kind = 2;
        g_ready = 1;
    }
    if (!g_ready || !exists(g_log_dir)) {
        str_copy(g_log_dir, "/tmp/", sizeof g_log_dir);
        g_ready = 1;
    }
    log_file_open();
    return 0;
}

int log_head_is_fresh(const char *head, size_t length, int day, int month, int year)
{
    char text[11];
    size_t n = length < 10 ? length : 10;
    memcpy(text, head, n);
    text[n] = 0;
    int d = 0, m = 0, y = 0;
    if (sscanf(text, "%d.%d.%d", &d, &m, &y) != 3 || y != year)
        return 0;
    // In 64 bits: the numbers read may be anything.
    long long age = (static_cast<long long>(month) - m) * 30 + (static_cast<long long>(day) - d);
    return age <= 7 ? 1 : 0;
}

void log_file_open()
{
    char path[100];
    str_format(path, sizeof path, "%s%s", g_log_dir, LOG_FILE_NAME);
    int fd = -1;
    if (file_size_by_name(path) == -1) {
        // Never through a link left at the name (a link to nowhere is
        // missing to stat, and creating through it would make its target).
        fd = safe_open_append(Mapped(path).path, SAFE_MODE_FILE);
        if (fd < 0) {
            str_copy(g_log_dir, "/tmp/", sizeof g_log_dir);
            str_format(path, sizeof path, "%s%s", g_log_dir, LOG_FILE_NAME);
            fd = safe_open_append(Mapped(path).path, SAFE_MODE_FILE);
        }
    } else {
        // Not waiting on a FIFO at the name, not reading through a link.
        fd = open_terminal(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
        char head[11] = {0};
        if (fd >= 0 && read(fd, head, 10) == 10) {
            date_record now;
            now_date_record(&now);
            if (!log_head_is_fresh(head, 10, now.day, now.month, now.year)) {
                close(fd);
                char old[100];
                str_format(old, sizeof old, "%stm%02d%02d%04d.log", g_log_dir, now.day, now.month, now.year);
                rename(Mapped(path).path, Mapped(old).path);
                fd = safe_open_append(Mapped(path).path, SAFE_MODE_FILE);
                if (fd >= 0 && ftruncate(fd, 0) != 0) {
                    close(fd);
                    fd = -1;
                }
            }
        }
    }
    if (fd >= 0) {
        close(fd);
        g_ready = 1;
    }
}

void log_write(const void *data, size_t length, int kind)
{
    if (!g_ready)
        return;
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    std::lock_guard<std::mutex> lock(g_log_mutex);
    char path[100];
    log_path(path, sizeof path);
    int fd = safe_open_append(Mapped(path).path, SAFE_MODE_FILE);
    if (fd < 0) {
        log_close(0);
        return;
    }
    char stamp[32];
    time_stamp(stamp, sizeof stamp);
    write_text(fd, stamp);
    switch (kind) {
    case LOG_KIND_FRAME:
        write_frame(fd, bytes, length);
        write_text(fd, "\r\n");
        break;
    case LOG_KIND_CONTROL:
        write_control(fd, bytes, length);
        write_text(fd, "\r\n");
        break;
    case LOG_KIND_TEXT:
        write_text(fd, "\r\n");
        write_text(fd, data ? static_cast<const char *>(data) : "");
        write_text(fd, "\r\n");
        break;
    case LOG_KIND_FILE:
        write_file_entry(fd, data ? static_cast<const char *>(data) : "");
        break;
    case LOG_KIND_HEX:
        write_hex(fd, bytes, length, stamp);
        break;
    case LOG_KIND_RAW:
        write_all(fd, bytes, length);
        write_text(fd, "\r\n");
        break;
    default:
        write_text(fd, "Тип данных не определен\n");
        break;
    }
    close(fd);
}

int log_close(int value)
{
    g_ready = 0;
    int kind = g_storage_kind;
    g_storage_kind = 0;
    if (kind == 1)
        return storage_unmount(LOG_SD_DEVICE);
    if (kind == 2)
        return storage_unmount(LOG_USB_DEVICE);
    return value;
}

int log_delete()
{
    char path[100];
    log_path(path, sizeof path);
    return unlink(Mapped(path).path) == 0 ? 0 : -1;
}

void log_path(char *destination, size_t size)
{
    if (destination && size > 0)
        str_format(destination, size, "%s%s", g_log_dir, LOG_FILE_NAME);
}

int log_ready()
{
    return g_ready;
}

const char *log_dir()
{
    return g_log_dir;
}

int log_storage_kind()
{
    return g_storage_kind;
}

long copy_file(const char *source, const char *destination)
{
    long size = file_size_by_name(source);
    if (size < 1)
        return LOG_ERR_COPY;
    std::lock_guard<std::mutex> lock(g_log_mutex);
    int src = open_terminal(source, O_RDONLY);
    if (src < 0)
        return LOG_ERR_COPY;
    // The copy replaces an older one only once it is whole.
    SafeFile dst(Mapped(destination).path, SAFE_MODE_FILE);
    static char piece[kPieceCopy];
    long copied = 0;
    bool failed = dst.Failed();
    while (!failed && copied < size) {
        ssize_t n = read(src, piece, sizeof piece);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !dst.Write(piece, static_cast<size_t>(n))) {
            failed = true;
            break;
        }
        copied += n;
    }
    close(src);
    if (failed || !dst.Commit()) {
        dst.Abandon();
        dst.LogFailure("log");
        return LOG_ERR_COPY;
    }
    return size;
}

int log_copy_to_usb()
{
    if (!g_ready)
        return LOG_ERR_NOT_READY;
    char path[100];
    log_path(path, sizeof path);
    if (file_size_by_name(path) < 1)
        return LOG_ERR_NO_LOG;
    if (storage_mount(LOG_USB_DEVICE, 1) != 0)
        return LOG_ERR_NO_USB;
    char copy[128];
    str_format(copy, sizeof copy, "%szizirize_copy.log", g_usb_dir);
    long result = copy_file(path, copy);
    storage_unmount(LOG_USB_DEVICE);
    return static_cast<int>(result);
}

namespace {

// Mounts the USB flash drive, runs op on the path of name there, unmounts.
template <typename Op> int with_usb_file(const char *name, Op op)
{
    if (storage_mount(LOG_USB_DEVICE, 1) != 0)
        return LOG_ERR_NO_USB;
    char path[256];
    str_format(path, sizeof path, "%s%s", g_usb_dir, name ? name : "");
    int result = op(path);
    storage_unmount(LOG_USB_DEVICE);
    return result;
}

} // namespace

int usb_file_append(const char *name, const void *data, size_t length)
{
    return with_usb_file(name, [&](const char *path) {
        int fd = safe_open_append(Mapped(path).path, SAFE_MODE_FILE);
        if (fd < 0)
            return static_cast<int>(LOG_ERR_COPY);
        bool ok = write_all(fd, data, length);
        ok = close(fd) == 0 && ok;
        return ok ? 0 : static_cast<int>(LOG_ERR_COPY);
    });
}

int usb_file_write_at(const char *name, const void *data, size_t length, long offset)
{
    return with_usb_file(name, [&](const char *path) {
        int fd = safe_open_existing(Mapped(path).path);
        if (fd < 0)
            return static_cast<int>(LOG_ERR_COPY);
        bool ok = lseek(fd, offset, SEEK_SET) == offset && write_all(fd, data, length);
        ok = close(fd) == 0 && ok;
        return ok ? 0 : static_cast<int>(LOG_ERR_COPY);
    });
}

int usb_file_read_at(const char *name, void *buffer, size_t size, long offset)
{
    return with_usb_file(name, [&](const char *path) {
        int fd = open_terminal(path, O_RDONLY);
        if (fd < 0)
            return 0;
        ssize_t n = pread(fd, buffer, size, offset);
        close(fd);
        return n > 0 ? static_cast<int>(n) : 0;
    });
}

int usb_check()
{
    if (storage_mount(LOG_USB_DEVICE, 1) != 0)
        return LOG_ERR_NO_USB;
    storage_unmount(LOG_USB_DEVICE);
    return 0;
}

void hex_dump(const uint8_t *data, char *text, size_t text_size, size_t size, uint32_t base)
{
    if (!text || text_size == 0)
        return;
    text[text_size - 1] = 0;
    char prefix[64];
    str_copy(prefix, text, sizeof prefix);
    size_t used = strlen(text);
    for (size_t line = 0; line < size; line += 16) {
        char row[160];
        int n = line == 0 ? 0 : str_format(row, sizeof row, "%s", prefix);
        n += str_format(row + n, sizeof row - n, "%08X:", static_cast<unsigned>(base + line));
        size_t count = size - line < 16 ? size - line : 16;
        for (size_t i = 0; i < 16; ++i) {
            if (i < count)
                n += str_format(row + n, sizeof row - n, " %02X", data[line + i]);
            else
                n += str_format(row + n, sizeof row - n, "   ");
        }
        n += str_format(row + n, sizeof row - n, " :");
        for (size_t i = 0; i < count; ++i)
            row[n++] = data[line + i] < 0x20 ? '.' : static_cast<char>(data[line + i]);
        row[n++] = '\r';
        row[n++] = '\n';
        row[n] = 0;
        if (used + n >= text_size)
            break;
        memcpy(text + used, row, n + 1);
        used += n;
    }
}
