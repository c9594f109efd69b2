#include "pages/MainHtml.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
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

std::string inDirectory(const std::string& directory, const char* name) {
    const std::string dir = directory.empty() ? std::string(".") : directory;
    return dir + (dir.back() == '/' ? "" : "/") + name;
}

// Whether a new file can be made in `directory`. Tried, since only the file system can tell
// for sure (permission bits, read-only mounts, access lists, the superuser's rights).
bool canMakeFileIn(const std::string& directory) {
    std::string pattern = inDirectory(directory, kMainHtmlName) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(pattern.c_str());
    return true;
}

// An environment variable that names an absolute path, else "" (the base directory rules
// say that a relative one is to be ignored).
std::string absolutePathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string homeDirectory() {
    std::string home = absolutePathFromEnvironment("HOME");
    if (home.empty())
        if (const passwd* entry = ::getpwuid(::getuid());
            entry && entry->pw_dir && entry->pw_dir[0] == '/')
            home = entry->pw_dir;
    return home;
}

// Makes `path` and its missing parents, private to the user. Failures are left to the
// writer, which reports them.
void makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos)
            break;
    }
}

} // namespace

std::string mainHtmlDirectory(const std::string& programDirectory, bool makeFolder) {
    if (canMakeFileIn(programDirectory))
        return programDirectory;
    std::string base = absolutePathFromEnvironment("XDG_RUNTIME_DIR");
    if (base.empty() || !isDirectory(base)) {
        base = absolutePathFromEnvironment("XDG_CACHE_HOME");
        if (base.empty()) {
            const std::string home = homeDirectory();
            if (home.empty())
                return programDirectory; // nowhere better; the writer reports the failure
            base = home + "/.cache";
        }
    }
    std::string folder = base + (base.back() == '/' ? "zantrel" : "/zantrel");
    if (makeFolder && !isDirectory(folder))
        makeFolders(folder);
    return folder;
}

void writeMainHtml(const std::string& directory, const std::string& bytes) {
    const std::string target = inDirectory(directory, kMainHtmlName);

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
