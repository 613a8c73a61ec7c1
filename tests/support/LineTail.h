// Follows a file that another process writes line by line (a trace, a
// journal): each read takes only the whole lines written since the last
// one, so a test polling a long trace does not read it all again every
// time. A file replaced or cut shorter is followed from its start again.
#ifndef TESTS_SUPPORT_LINETAIL_H
#define TESTS_SUPPORT_LINETAIL_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace linetail {

class LineTail {
public:
    explicit LineTail(std::string path = std::string()) : path_(std::move(path)) {}

    // Follows another file from its start.
    void Reset(const std::string &path)
    {
        path_ = path;
        Restart();
    }

    // Appends to `lines` the whole lines (without their newline) written
    // since the last call; a line is whole once its newline is there. True
    // when the file was replaced or cut since the last call: then `lines`
    // is cleared first and gets the new file's lines from its start.
    bool ReadNew(std::vector<std::string> &lines)
    {
        int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            bool restarted = offset_ > 0 || !pending_.empty();
            if (restarted) {
                Restart();
                lines.clear();
            }
            return restarted;
        }
        struct stat st;
        bool restarted = false;
        if (fstat(fd, &st) == 0 && (st.st_ino != inode_ || st.st_dev != device_ || st.st_size < offset_)) {
            restarted = offset_ > 0 || !pending_.empty();
            Restart();
            inode_ = st.st_ino;
            device_ = st.st_dev;
            if (restarted)
                lines.clear();
        }
        char buf[65536];
        for (;;) {
            ssize_t n = pread(fd, buf, sizeof buf, offset_);
            if (n <= 0)
                break;
            offset_ += n;
            pending_.append(buf, static_cast<size_t>(n));
        }
        close(fd);
        size_t start = 0;
        for (size_t nl = pending_.find('\n'); nl != std::string::npos; nl = pending_.find('\n', start)) {
            lines.push_back(pending_.substr(start, nl - start));
            start = nl + 1;
        }
        pending_.erase(0, start);
        return restarted;
    }

private:
    void Restart()
    {
        offset_ = 0;
        inode_ = 0;
        device_ = 0;
        pending_.clear();
    }

    std::string path_;
    off_t offset_ = 0;
    ino_t inode_ = 0;
    dev_t device_ = 0;
    std::string pending_; // the start of a line whose newline has not come yet
};

} // namespace linetail

#endif
