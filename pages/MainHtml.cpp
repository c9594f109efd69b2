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

enum class Folder { Missing, Safe, Unsafe };

// A folder is safe for the page when it is a directory itself, not a link to one, that
// belongs to the user and that no one else may enter: nobody else can then put a page of
// their own, or a link, where the browser is sent.
Folder inspect(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? Folder::Missing : Folder::Unsafe;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0
               ? Folder::Safe
               : Folder::Unsafe;
}

} // namespace

std::string mainHtmlDirectory(const std::string& programDirectory, bool makeFolder) {
    if (canMakeFileIn(programDirectory))
        return programDirectory;
    std::vector<std::string> bases;
    if (std::string runtime = absolutePathFromEnvironment("XDG_RUNTIME_DIR");
        !runtime.empty() && isDirectory(runtime))
        bases.push_back(std::move(runtime));
    if (std::string cache = absolutePathFromEnvironment("XDG_CACHE_HOME"); !cache.empty())
        bases.push_back(std::move(cache));
    else if (const std::string home = homeDirectory(); !home.empty())
        bases.push_back(home + "/.cache");
    // The first candidate that is safe or still to be made; a folder someone else made or
    // opened up is passed over.
    std::string refused;
    for (const std::string& base : bases) {
        const std::string folder = base + (base.back() == '/' ? "zantrel" : "/zantrel");
        const Folder state = inspect(folder);
        if (state == Folder::Unsafe) {
            refused += (refused.empty() ? "" : ", ") + folder;
            continue;
        }
        if (state == Folder::Missing && makeFolder) {
            makeFolders(folder);
            if (inspect(folder) == Folder::Unsafe) { // made by someone else meanwhile
                refused += (refused.empty() ? "" : ", ") + folder;
                continue;
            }
        }
        return folder;
    }
    if (!refused.empty() && makeFolder)
        throw EMainHtmlWriteError("Cannot create file \"" + std::string(kMainHtmlName) +
                                  "\": no private folder for it (" + refused +
                                  ": a link, another user's folder, or open to others)");
    // Nowhere better: no file can be made, or removed, in the program's folder, and the
    // writer reports the failure.
    return programDirectory;
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
