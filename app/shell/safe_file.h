// The one way the program writes its files.
//
// A file is replaced whole or not at all (SafeFile, safe_save): the new
// contents go to a temporary file beside it, "<path>.new", created only
// where nothing is (O_EXCL) and never through a symbolic link (O_NOFOLLOW),
// written in full, flushed to the disk (fsync) and renamed over the file.
// Whatever sits at the temporary name first, a file left by a save that
// was cut short or a link someone planted there, is removed (unlink removes
// a link, never its target); if something appears there again before the
// file is created, the save fails. On any failure the temporary file is
// removed and the old file stays as it was. A link at the file's own name
// is replaced by the new file; its target is not touched.
//
// A file that grows (a log) is opened with safe_open_append: never through
// a link, never waiting on a FIFO or a device, a regular file only.
//
// Paths are opened as given: a terminal path is mapped (OsMapPath) by the
// caller. A replaced file gets exactly the mode given, whatever the
// process's umask; a log is created in the mode given less the umask.
#ifndef APP_SHELL_SAFE_FILE_H
#define APP_SHELL_SAFE_FILE_H

#include <stddef.h>
#include <string>
#include <sys/types.h>

// Modes of the program's files: a file that holds secrets (WiFi keys, GPRS
// passwords, PINs) is its owner's alone; the others are readable by all.
const mode_t SAFE_MODE_SECRET = 0600;
const mode_t SAFE_MODE_FILE = 0644;
const mode_t SAFE_MODE_DIR = 0755;

// One file being replaced. The temporary file is created by the
// constructor; Write adds to it; Commit puts it in the file's place. A file
// not committed is removed by the destructor. After the first failure every
// call fails and Failure() tells the step and the reason. The object logs
// nothing itself: LogFailure writes the one line, so a caller holding a
// lock can write it after letting go.
class SafeFile {
public:
    SafeFile(const char *path, mode_t mode);
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    // Appends size bytes (again after a signal or a short write).
    bool Write(const void *data, size_t size);
    // fsync, close, rename over the file: true when the file is the new one.
    bool Commit();
    // Gives the new contents up: the temporary file goes, the file stays.
    void Abandon();

    bool Failed() const { return !failure_.empty(); }
    // "<temporary file> cannot be removed|created (<reason>)" or
    // "write|fsync|close|rename failed (<reason>)"; empty while nothing
    // failed.
    const char *Failure() const { return failure_.c_str(); }
    // The file's path as given.
    const char *Path() const { return path_.c_str(); }
    // One line on stderr and in the controller service's log:
    // "<who>: <path> not saved: <failure>". Nothing when nothing failed.
    void LogFailure(const char *who) const;

private:
    void fail(const char *step, const std::string &file, int error);

    std::string path_;   // as given (for the log)
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool owned_ = false; // the temporary file is ours to remove
    bool done_ = false;
    std::string failure_;
};

// Replaces the file at path with size bytes of data, as SafeFile does;
// logs one line on failure. True when the file holds the data.
bool safe_save(const char *path, const void *data, size_t size, mode_t mode, const char *who);

// Opens the file at path for appending (O_APPEND, close-on-exec), creating
// it with mode when it is missing. A symbolic link at the name is refused
// (ELOOP), and so is anything but a regular file (EINVAL; a FIFO without a
// reader gives ENXIO at once instead of waiting). Returns the descriptor,
// or -1 with errno set.
int safe_open_append(const char *path, mode_t mode);

// Opens an existing regular file at path for writing in place (no create,
// no truncation), as safe_open_append refuses what is not one.
int safe_open_existing(const char *path);

#endif
