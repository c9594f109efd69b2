#include "pages/MainHtml.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& path, int error) {
    throw EMainHtmlWriteError("Cannot create file \"" + path + "\". " + std::strerror(error));
}

// Closes the descriptor and removes the unfinished file unless released.
class TempFile {
public:
    TempFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!released_)
            ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    // Closes the file and reports the error of the close, 0 when there is none.
    int close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0 ? 0 : errno;
    }
    void release() { released_ = true; }

private:
    int fd_;
    std::string path_;
    bool released_ = false;
};

} // namespace

void writeMainHtml(const std::string& directory, const std::string& bytes) {
    const std::string dir = directory.empty() ? std::string(".") : directory;
    const std::string target = dir + (dir.back() == '/' ? "" : "/") + kMainHtmlName;

    std::string pattern = target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        fail(target, errno);
    TempFile temp(fd, name.data());
    // mkstemp makes the file private to its owner; the page is an ordinary document.
    ::fchmod(temp.fd(), 0644);

    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(temp.fd(), data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(target, errno);
        }
        if (written == 0)
            fail(target, ENOSPC);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fsync(temp.fd()) != 0)
        fail(target, errno);
    if (const int error = temp.close(); error != 0)
        fail(target, error);
    if (::rename(temp.path().c_str(), target.c_str()) != 0)
        fail(target, errno);
    temp.release();
}
