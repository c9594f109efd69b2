// Writing main.html on Windows, and where it goes. Paths come and go as UTF-8 and reach the
// system through the wide-character calls, so that a folder in any language works whatever the
// system's ANSI code page.
#include "pages/MainHtml.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

// UTF-16 text as UTF-8.
std::string toUtf8(const wchar_t* text, int length) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::string toUtf8(const std::wstring& text) {
    return text.empty() ? std::string() : toUtf8(text.data(), static_cast<int>(text.size()));
}

// UTF-8 text as UTF-16; bytes that are not UTF-8 become U+FFFD, which no file name holds.
std::wstring toWide(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    if (size > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                              size);
    return wide;
}

// The system's text for an error number, without the line break it ends with.
std::string systemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0 && buffer != nullptr)
        text = toUtf8(buffer, static_cast<int>(length));
    if (buffer != nullptr)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        text = "Error " + std::to_string(error);
    return text;
}

[[noreturn]] void fail(const std::string& path, DWORD error) {
    throw EMainHtmlWriteError("Cannot create file \"" + path + "\". " + systemMessage(error));
}

// Closes the handle and removes the unfinished file unless released.
class TempFile {
public:
    TempFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle_);
        if (!released_)
            ::DeleteFileW(toWide(path_).c_str());
    }
    HANDLE handle() const { return handle_; }
    const std::string& path() const { return path_; }
    // Closes the file and reports the error of the close, 0 when there is none.
    DWORD close() {
        const BOOL ok = ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return ok ? 0 : ::GetLastError();
    }
    void release() { released_ = true; }

private:
    HANDLE handle_;
    std::string path_;
    bool released_ = false;
};

// A new file next to `target`, opened for writing only by this process.
TempFile createTemp(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const unsigned seed = static_cast<unsigned>(::GetCurrentProcessId()) * 2654435761u;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(
            suffix, sizeof suffix, ".%06x",
            (seed + static_cast<unsigned>(::GetTickCount()) + counter.fetch_add(1) * 40503u) &
                0xffffffu);
        std::string name = target + suffix;
        const HANDLE h = ::CreateFileW(toWide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return TempFile(h, std::move(name));
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            fail(target, error);
    }
    fail(target, ERROR_FILE_EXISTS);
}

bool endsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

std::string inDirectory(const std::string& directory, const char* name) {
    const std::string dir = directory.empty() ? std::string(".") : directory;
    return dir + (endsWithSeparator(dir) ? "" : "\\") + name;
}

// Whether a new file can be made in `directory`. Tried, since only the file system can tell
// for sure (access lists, read-only media).
bool canMakeFileIn(const std::string& directory) {
    try {
        const TempFile probe = createTemp(inDirectory(directory, kMainHtmlName));
        return true; // the probe is removed as it goes
    } catch (const EMainHtmlWriteError&) {
        return false;
    }
}

// An environment variable that names an absolute path ("C:\\..." or "\\\\server\\..."), else "".
std::string absolutePathFromEnvironment(const wchar_t* name) {
    std::wstring value(MAX_PATH, L'\0');
    DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length >= value.size()) { // too small: `length` is the size it needs
        value.resize(length);
        length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    if (length == 0 || length >= value.size())
        return "";
    value.resize(length);
    const std::string path = toUtf8(value);
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool share = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    return drive || share ? path : std::string();
}

bool isDirectory(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(toWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes `path` and its missing parents. Failures are left to the writer, which reports them.
void makeFolders(const std::string& path) {
    for (std::size_t at = path.find_first_of("\\/", 3);; at = path.find_first_of("\\/", at + 1)) {
        ::CreateDirectoryW(toWide(path.substr(0, at)).c_str(), nullptr);
        if (at == std::string::npos)
            break;
    }
}

} // namespace

std::string mainHtmlDirectory(const std::string& programDirectory, bool makeFolder) {
    if (canMakeFileIn(programDirectory))
        return programDirectory;
    // The user's own folder for local, per-machine data.
    std::string base = absolutePathFromEnvironment(L"LOCALAPPDATA");
    if (base.empty()) {
        base = absolutePathFromEnvironment(L"USERPROFILE");
        if (base.empty())
            return programDirectory; // nowhere better; the writer reports the failure
        base += endsWithSeparator(base) ? "AppData\\Local" : "\\AppData\\Local";
    }
    std::string folder = base + (endsWithSeparator(base) ? "zantrel" : "\\zantrel");
    if (makeFolder && !isDirectory(folder))
        makeFolders(folder);
    return folder;
}

void writeMainHtml(const std::string& directory, const std::string& bytes) {
    const std::string target = inDirectory(directory, kMainHtmlName);

    TempFile temp = createTemp(target);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(temp.handle(), data, chunk, &written, nullptr))
            fail(target, ::GetLastError());
        if (written == 0)
            fail(target, ERROR_DISK_FULL);
        data += written;
        left -= written;
    }
    if (!::FlushFileBuffers(temp.handle()))
        fail(target, ::GetLastError());
    if (const DWORD error = temp.close(); error != 0)
        fail(target, error);
    // Takes the place of the earlier page in one step; the earlier page stays whole on failure.
    if (!::MoveFileExW(toWide(temp.path()).c_str(), toWide(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail(target, ::GetLastError());
    temp.release();
}
