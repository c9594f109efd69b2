#include "jet/JetFile.h"

#include "jet/JetText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace jet {

// Where a file's bytes come from: read() is called from several threads at once.
class PageSource {
public:
    explicit PageSource(std::uint64_t size) : size_(size) {}
    virtual ~PageSource() = default;
    PageSource(const PageSource&) = delete;
    PageSource& operator=(const PageSource&) = delete;

    // The size when the source was opened.
    std::uint64_t size() const { return size_; }
    // Copies up to `n` bytes from offset `at` to `out`; returns how many there were, fewer
    // when the source ends before them.
    virtual std::size_t read(std::uint64_t at, std::size_t n, unsigned char* out) const = 0;

private:
    std::uint64_t size_;
};

namespace {

class MemorySource final : public PageSource {
public:
    explicit MemorySource(std::string bytes) : PageSource(bytes.size()), bytes_(std::move(bytes)) {}

    std::size_t read(std::uint64_t at, std::size_t n, unsigned char* out) const override {
        if (at >= bytes_.size())
            return 0;
        n = std::min<std::size_t>(n, bytes_.size() - static_cast<std::size_t>(at));
        std::memcpy(out, bytes_.data() + at, n);
        return n;
    }

private:
    std::string bytes_;
};

// A file kept open and read at offsets, which needs no shared file position.
class FileSource final : public PageSource {
public:
#ifdef _WIN32
    using Handle = HANDLE;
#else
    using Handle = int;
#endif
    explicit FileSource(const std::string& path) : FileSource(path, openFile(path)) {}
    ~FileSource() override {
        closeFile(handle_);
    }

    std::size_t read(std::uint64_t at, std::size_t n, unsigned char* out) const override {
        std::size_t done = 0;
        while (done < n) {
            const std::size_t got = readAt(at + done, n - done, out + done);
            if (got == 0)
                break;
            done += got;
        }
        return done;
    }

private:
    FileSource(const std::string& path, Handle handle)
        : PageSource(sizeOf(path, handle)), path_(path), handle_(handle) {}

    // The one place that differs between the platforms: open, size, read at an offset
    // (0 at the end), close.
    static Handle openFile(const std::string& path);
    static std::uint64_t sizeOf(const std::string& path, Handle handle);
    std::size_t readAt(std::uint64_t at, std::size_t n, unsigned char* out) const;
    static void closeFile(Handle handle);

    std::string path_;
    Handle handle_;
};

#ifdef _WIN32
FileSource::Handle FileSource::openFile(const std::string& path) {
    // The name is UTF-8, as the program's other files' names are.
    std::wstring name(path.size(), L'\0');
    name.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), name.data(),
                            static_cast<int>(name.size()))));
    // Others may go on writing, renaming or deleting the file while it is open, as they could
    // when nothing held it.
    const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw EJetError(path + ": cannot be opened");
    return h;
}
std::uint64_t FileSource::sizeOf(const std::string& path, Handle handle) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        throw EJetError(path + ": cannot be read");
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}
std::size_t FileSource::readAt(std::uint64_t at, std::size_t n, unsigned char* out) const {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30));
    if (!ReadFile(handle_, out, want, &got, &where)) {
        if (GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        throw EJetError(path_ + ": cannot be read");
    }
    return got;
}
void FileSource::closeFile(Handle handle) {
    CloseHandle(handle);
}
#else
FileSource::Handle FileSource::openFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EJetError(path + ": cannot be opened");
    return fd;
}
std::uint64_t FileSource::sizeOf(const std::string& path, Handle handle) {
    struct stat st;
    if (::fstat(handle, &st) != 0 || st.st_size < 0) {
        ::close(handle);
        throw EJetError(path + ": cannot be read");
    }
    return static_cast<std::uint64_t>(st.st_size);
}
std::size_t FileSource::readAt(std::uint64_t at, std::size_t n, unsigned char* out) const {
    for (;;) {
        const ssize_t got = ::pread(handle_, out, n, static_cast<off_t>(at));
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw EJetError(path_ + ": cannot be read");
    }
}
void FileSource::closeFile(Handle handle) {
    ::close(handle);
}
#endif

} // namespace

namespace {

constexpr std::string_view kSqliteMagic{"SQLite format 3\0", 16};
constexpr std::string_view kJetMagic{"Standard Jet DB\0", 16};
constexpr std::string_view kAceMagic{"Standard ACE DB\0", 16};
constexpr std::string_view kPageZero{"\0\1\0\0", 4};

// The header page hides 126 (Jet 3) or 128 (Jet 4) bytes from offset 0x18 under an RC4
// keystream of a fixed key.
constexpr std::size_t kHiddenStart = 0x18;
constexpr std::array<unsigned char, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t kCodePageAt = 0x3C;
constexpr std::size_t kDatabaseKeyAt = 0x3E;
constexpr std::size_t kPasswordAt = 0x42;
constexpr std::size_t kCreatedAt = 0x72; // Jet 4: the creation date, which masks the password

// The system catalogue's definition is always on page 2.
constexpr std::uint32_t kCatalogueDefinitionPage = 2;
constexpr std::uint16_t kRowDeleted = 0x8000;
constexpr std::uint16_t kRowElsewhere = 0x4000; // the row holds a pointer to the row
constexpr std::uint16_t kRowOffsetMask = 0x1FFF;
constexpr int kMaxRowHops = 8;
// A table's decoded values may take at most this many times the file's size (plus a little):
// real tables take about twice it, so more means a file built to exhaust memory.
constexpr std::size_t kExpansionLimit = 16;
constexpr std::size_t kExpansionSlack = 1 << 20;

[[noreturn]] void damaged(const std::string& what) {
    throw EDamaged("damaged Jet file (" + what + ")");
}

std::uint32_t u8At(const unsigned char* p) {
    return p[0];
}
std::uint32_t u16At(const unsigned char* p) {
    return p[0] | std::uint32_t(p[1]) << 8;
}
std::uint32_t u32At(const unsigned char* p) {
    return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

const unsigned char* bytesOf(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

void rc4(const unsigned char* key, std::size_t keyLength, unsigned char* data, std::size_t n) {
    std::array<unsigned char, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (unsigned i = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    unsigned a = 0, b = 0;
    for (std::size_t k = 0; k < n; ++k) {
        a = (a + 1) & 0xFF;
        b = (b + s[a]) & 0xFF;
        std::swap(s[a], s[b]);
        data[k] ^= s[(s[a] + s[b]) & 0xFF];
    }
}

std::size_t hiddenLength(Format f) {
    return f == Format::Jet3 ? 126 : 128;
}

// The header's first 0x18 + 126/128 bytes with the hidden part uncovered.
std::string uncoverHeader(std::string_view bytes, Format f) {
    const std::size_t length = kHiddenStart + hiddenLength(f);
    if (bytes.size() < length)
        damaged("header cut short");
    std::string header(bytes.substr(0, length));
    rc4(kHeaderKey.data(), kHeaderKey.size(),
        reinterpret_cast<unsigned char*>(&header[0]) + kHiddenStart, hiddenLength(f));
    return header;
}

// Java-like double to int conversion: saturating, NaN to zero.
std::int32_t saturatingInt(double d) {
    if (std::isnan(d))
        return 0;
    if (d >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (d <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(d);
}

bool hasPassword(const std::string& header, Format f) {
    const unsigned char* h = bytesOf(header);
    if (f == Format::Jet3)
        return h[kPasswordAt] != 0;
    // Jet 4 masks the password with the creation date's whole days, four bytes repeated.
    double created;
    std::memcpy(&created, h + kCreatedAt, sizeof created);
    const auto mask = static_cast<std::uint32_t>(saturatingInt(created));
    const unsigned char first = h[kPasswordAt] ^ static_cast<unsigned char>(mask);
    const unsigned char second = h[kPasswordAt + 1] ^ static_cast<unsigned char>(mask >> 8);
    return first != 0 || second != 0;
}

bool equalsAsciiCaseless(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

struct ColumnDef {
    Column column;
    int varIndex = 0;
    int fixedOffset = 0;
    bool fixed = false;
};

struct TableDef {
    std::string name;
    std::uint32_t page = 0;
    int varColumns = 0;
    std::uint32_t usedPages = 0; // row pointer to the usage map
    std::vector<ColumnDef> columns;
};

// The byte size of a fixed-length type, 0 for the Boolean (in the null mask), -1 for the
// variable-length ones.
int fixedSize(ColumnType t) {
    switch (t) {
    case ColumnType::Boolean:
        return 0;
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::Long:
    case ColumnType::Single:
        return 4;
    case ColumnType::Money:
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    case ColumnType::Guid:
        return 16;
    case ColumnType::Numeric:
        return 17;
    default:
        return -1;
    }
}

std::string typeName(ColumnType t) {
    return "0x" + std::string(1, "0123456789ABCDEF"[(int(t) >> 4) & 0xF]) +
           std::string(1, "0123456789ABCDEF"[int(t) & 0xF]);
}

// A file's pages and the decoding rules of its version, made for each call on a const
// JetFile. It keeps the pages it read until release(): views into them stay valid until then.
class Reader {
public:
    Reader(const PageSource& source, Format f, int codePage)
        : source_(source), format_(f), codePage_(codePage),
          pageSize_(f == Format::Jet3 ? 2048 : 4096),
          pageCount_(static_cast<std::uint32_t>(source.size() / pageSize_)),
          budget_(kExpansionLimit * static_cast<std::size_t>(source.size()) + kExpansionSlack) {}

    bool jet3() const { return format_ == Format::Jet3; }

    const unsigned char* page(std::uint32_t n) const {
        if (n == lastNumber_ && lastPage_)
            return lastPage_;
        if (n >= pageCount_)
            damaged("page " + std::to_string(n) + " out of range");
        auto it = pages_.find(n);
        if (it == pages_.end()) {
            std::unique_ptr<unsigned char[]> bytes(new unsigned char[pageSize_]);
            if (source_.read(std::uint64_t(n) * pageSize_, pageSize_, bytes.get()) != pageSize_)
                damaged("page " + std::to_string(n) + " cut short: the file shrank while open");
            it = pages_.emplace(n, std::move(bytes)).first;
        }
        lastNumber_ = n;
        lastPage_ = it->second.get();
        return lastPage_;
    }
    // Lets go of the pages read when they are many, but for page `keep`, still wanted. No
    // view into the others may be alive.
    void release(std::uint32_t keep) const {
        if (pages_.size() <= kHeldPages)
            return;
        auto kept = pages_.extract(keep);
        pages_.clear();
        lastPage_ = nullptr;
        if (kept) {
            lastNumber_ = keep;
            lastPage_ = kept.mapped().get();
            pages_.insert(std::move(kept));
        }
    }

    std::string text(std::string_view raw) const {
        return jet3() ? jet3TextToUtf8(raw, codePage_) : jet4TextToUtf8(raw);
    }

    TableDef definition(std::uint32_t first, const std::string& name) const;
    std::vector<std::uint32_t> dataPages(const TableDef& t) const;
    // Calls `row(bytes)` for each live row of the table, in file order.
    template <class F> void forEachRow(const TableDef& t, F&& row) const;
    Row decode(const TableDef& t, std::string_view row, const std::vector<int>& wanted) const;

private:
    // Pages held between rows at most: the current data page and the long-value pages its
    // rows share.
    static constexpr std::size_t kHeldPages = 16;

    const PageSource& source_;
    Format format_;
    int codePage_;
    std::size_t pageSize_;
    std::uint32_t pageCount_;
    // What the values decoded through this reader may still take.
    mutable std::size_t budget_;
    mutable std::unordered_map<std::uint32_t, std::unique_ptr<unsigned char[]>> pages_;
    mutable std::uint32_t lastNumber_ = 0;
    mutable const unsigned char* lastPage_ = nullptr;

    void spend(std::size_t bytes, const std::string& table) const {
        if (bytes > budget_)
            damaged("table " + table + " holds more than the file can");
        budget_ -= bytes;
    }
    std::size_t rowCountAt() const { return jet3() ? 8 : 12; }
    // The bytes of row `r` on data page `p`, following rows that were moved elsewhere.
    std::string_view rowAt(std::uint32_t pointer) const;
    std::string_view slot(std::uint32_t p, std::uint32_t r, std::uint16_t* flags) const;
    std::string longValue(std::string_view field, const std::string& table) const;
    Value value(const ColumnDef& c, std::string_view field, const std::string& table) const;
};

std::string_view Reader::slot(std::uint32_t p, std::uint32_t r, std::uint16_t* flags) const {
    const unsigned char* pg = page(p);
    if (pg[0] != 0x01)
        damaged("page " + std::to_string(p) + " is not a data page");
    const std::uint32_t count = u16At(pg + rowCountAt());
    const std::size_t table = rowCountAt() + 2;
    if (table + 2 * std::size_t(count) > pageSize_)
        damaged("row count of page " + std::to_string(p) + " out of range");
    if (r >= count)
        damaged("row " + std::to_string(r) + " of page " + std::to_string(p) + " out of range");
    const std::uint32_t raw = u16At(pg + table + 2 * r);
    const std::size_t start = raw & kRowOffsetMask;
    const std::size_t end = r == 0 ? pageSize_ : (u16At(pg + table + 2 * (r - 1)) & kRowOffsetMask);
    if (start < table + 2 * std::size_t(count) || start > end || end > pageSize_)
        damaged("row " + std::to_string(r) + " of page " + std::to_string(p) + " out of range");
    *flags = static_cast<std::uint16_t>(raw & (kRowDeleted | kRowElsewhere));
    return std::string_view(reinterpret_cast<const char*>(pg) + start, end - start);
}

std::string_view Reader::rowAt(std::uint32_t pointer) const {
    for (int hop = 0; hop < kMaxRowHops; ++hop) {
        std::uint16_t flags;
        const std::string_view row = slot(pointer >> 8, pointer & 0xFF, &flags);
        if (!(flags & kRowElsewhere))
            return row;
        if (row.size() < 4)
            damaged("moved row on page " + std::to_string(pointer >> 8) + " cut short");
        pointer = u32At(bytesOf(row));
    }
    damaged("row moved more than " + std::to_string(kMaxRowHops) + " times");
}

TableDef Reader::definition(std::uint32_t first, const std::string& name) const {
    // A definition may go on over further pages, each after its 8-byte page header.
    std::string def;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t p = first; p != 0;) {
        if (!seen.insert(p).second)
            damaged("definition of table " + name + " loops");
        const unsigned char* pg = page(p);
        if (pg[0] != 0x02)
            damaged("page " + std::to_string(p) + " is not a table definition");
        const auto* chars = reinterpret_cast<const char*>(pg);
        def.append(def.empty() ? chars : chars + 8, def.empty() ? pageSize_ : pageSize_ - 8);
        p = u32At(pg + 4);
        release(p);
    }
    const unsigned char* d = bytesOf(def);
    auto need = [&](std::uint64_t end) {
        if (end > def.size())
            damaged("definition of table " + name + " cut short");
    };
    TableDef t;
    t.name = name;
    t.page = first;
    const std::size_t columnsAt = jet3() ? 0x2B : 0x3F;
    need(columnsAt);
    t.varColumns = static_cast<int>(u16At(d + (jet3() ? 0x17 : 0x2B)));
    const std::uint32_t count = u16At(d + (jet3() ? 0x19 : 0x2D));
    const std::uint32_t indexes = u32At(d + (jet3() ? 0x1F : 0x33));
    t.usedPages = u32At(d + (jet3() ? 0x23 : 0x37));
    const std::size_t recordSize = jet3() ? 18 : 25;
    std::uint64_t at = columnsAt + std::uint64_t(indexes) * (jet3() ? 8 : 12);
    need(at + std::uint64_t(count) * recordSize);
    for (std::uint32_t i = 0; i < count; ++i, at += recordSize) {
        const unsigned char* c = d + at;
        ColumnDef col;
        col.column.type = static_cast<ColumnType>(c[0]);
        col.column.number = static_cast<int>(u16At(c + (jet3() ? 1 : 5)));
        col.varIndex = static_cast<int>(u16At(c + (jet3() ? 3 : 7)));
        col.fixed = (c[jet3() ? 13 : 15] & 0x01) != 0;
        col.fixedOffset = static_cast<int>(u16At(c + (jet3() ? 14 : 21)));
        col.column.size = static_cast<int>(u16At(c + (jet3() ? 16 : 23)));
        t.columns.push_back(col);
    }
    for (auto& col : t.columns) {
        std::size_t length;
        if (jet3()) {
            need(at + 1);
            length = d[at];
            at += 1;
        } else {
            need(at + 2);
            length = u16At(d + at);
            at += 2;
        }
        need(at + length);
        const std::string_view raw(def.data() + at, length);
        col.column.name = jet3() ? jet3TextToUtf8(raw, codePage_) : utf16ToUtf8(raw);
        at += length;
    }
    std::stable_sort(
        t.columns.begin(), t.columns.end(),
        [](const ColumnDef& a, const ColumnDef& b) { return a.column.number < b.column.number; });
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        t.columns[i].column.order = static_cast<int>(i);
    return t;
}

std::vector<std::uint32_t> Reader::dataPages(const TableDef& t) const {
    const std::string_view map = rowAt(t.usedPages);
    if (map.empty())
        damaged("empty page usage map of table " + t.name);
    const unsigned char* m = bytesOf(map);
    std::vector<std::uint32_t> pages;
    auto add = [&](std::uint64_t p) {
        if (p >= pageCount_)
            damaged("page " + std::to_string(p) + " out of range");
        pages.push_back(static_cast<std::uint32_t>(p));
    };
    if (m[0] == 0) {
        // The map itself: a first page, then one bit per page from it.
        if (map.size() < 5)
            damaged("page usage map of table " + t.name + " cut short");
        const std::uint64_t start = u32At(m + 1);
        for (std::size_t i = 5; i < map.size(); ++i)
            for (int bit = 0; bit < 8; ++bit)
                if (m[i] >> bit & 1)
                    add(start + (i - 5) * 8 + bit);
    } else if (m[0] == 1) {
        // Pointers to map pages, each mapping the pages that follow the previous one's.
        const std::uint64_t perPage = (pageSize_ - 4) * 8;
        for (std::size_t k = 0; 1 + 4 * k + 4 <= map.size(); ++k) {
            const std::uint32_t mp = u32At(m + 1 + 4 * k);
            if (mp == 0)
                continue;
            const unsigned char* pg = page(mp);
            if (pg[0] != 0x05)
                damaged("page " + std::to_string(mp) + " is not a page usage map");
            for (std::size_t i = 4; i < pageSize_; ++i)
                if (pg[i] != 0)
                    for (int bit = 0; bit < 8; ++bit)
                        if (pg[i] >> bit & 1)
                            add(k * perPage + (i - 4) * 8 + bit);
        }
    } else {
        damaged("page usage map of table " + t.name + " of unknown type");
    }
    return pages;
}

template <class F> void Reader::forEachRow(const TableDef& t, F&& row) const {
    const std::size_t table = rowCountAt() + 2;
    for (std::uint32_t p : dataPages(t)) {
        const unsigned char* pg = page(p);
        // A table's map may list pages it owns that hold no rows (index and long-value
        // pages); a data page of another table in it is damage.
        if (pg[0] != 0x01 || std::memcmp(pg + 4, "LVAL", 4) == 0)
            continue;
        if (u32At(pg + 4) != t.page)
            damaged("page " + std::to_string(p) + " is not a data page of table " + t.name);
        const std::uint32_t count = u16At(pg + rowCountAt());
        if (table + 2 * std::size_t(count) > pageSize_)
            damaged("row count of page " + std::to_string(p) + " out of range");
        for (std::uint32_t r = 0; r < count; ++r) {
            std::uint16_t flags;
            std::string_view bytes = slot(p, r, &flags);
            if (flags & kRowDeleted)
                continue;
            if (flags & kRowElsewhere) {
                if (bytes.size() < 4)
                    damaged("moved row on page " + std::to_string(p) + " cut short");
                bytes = rowAt(u32At(bytesOf(bytes)));
            }
            row(bytes);
            // The row is decoded: nothing points into its pages any more.
            release(p);
        }
    }
}

std::string Reader::longValue(std::string_view field, const std::string& table) const {
    if (field.size() < 12)
        damaged("long value field cut short");
    const unsigned char* f = bytesOf(field);
    const std::uint32_t head = u32At(f);
    const std::size_t length = head & 0x3FFFFFFF;
    if (length > source_.size())
        damaged("long value longer than the file");
    spend(length, table);
    switch (head >> 30) {
    case 2: // in the row, after the 12-byte field
        if (length > field.size() - 12)
            damaged("long value longer than its field");
        return std::string(field.substr(12, length));
    case 1: { // one row on a long-value page
        const std::string_view row = rowAt(u32At(f + 4));
        if (length > row.size())
            damaged("long value longer than its row");
        return std::string(row.substr(0, length));
    }
    case 0: { // a chain of rows, each starting with the pointer to the next
        std::string value;
        value.reserve(length);
        std::unordered_set<std::uint32_t> seen;
        for (std::uint32_t p = u32At(f + 4); value.size() < length;) {
            if (p == 0)
                damaged("long value chain ends early");
            if (!seen.insert(p).second)
                damaged("long value chain loops at page " + std::to_string(p >> 8));
            const std::string_view row = rowAt(p);
            if (row.size() < 4)
                damaged("long value row cut short");
            value.append(row.substr(4, std::min(row.size() - 4, length - value.size())));
            p = u32At(bytesOf(row));
        }
        return value;
    }
    default:
        damaged("long value of unknown form");
    }
}

Value Reader::value(const ColumnDef& c, std::string_view field, const std::string& table) const {
    const unsigned char* f = bytesOf(field);
    switch (c.column.type) {
    case ColumnType::Byte:
        return static_cast<std::uint8_t>(f[0]);
    case ColumnType::Integer:
        return static_cast<std::int16_t>(u16At(f));
    case ColumnType::Long:
        return static_cast<std::int32_t>(u32At(f));
    case ColumnType::Single: {
        float x;
        std::memcpy(&x, f, sizeof x);
        return static_cast<double>(x);
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
        double x;
        std::memcpy(&x, f, sizeof x);
        if (c.column.type == ColumnType::DateTime)
            return DateTime{x};
        return x;
    }
    case ColumnType::Text:
        spend(2 * field.size(), table);
        return text(field);
    case ColumnType::Memo: {
        const std::string raw = longValue(field, table);
        spend(2 * raw.size(), table);
        return text(raw);
    }
    case ColumnType::Ole:
        return Binary{longValue(field, table)};
    case ColumnType::Binary:
    case ColumnType::Guid:
        spend(field.size(), table);
        return Binary{std::string(field)};
    default:
        throw EUnsupported("column " + c.column.name + " of unsupported type " +
                           typeName(c.column.type));
    }
}

Row Reader::decode(const TableDef& t, std::string_view row, const std::vector<int>& wanted) const {
    const unsigned char* r = bytesOf(row);
    const std::size_t n = row.size();
    const std::size_t countSize = jet3() ? 1 : 2;
    if (n < countSize)
        damaged("row of table " + t.name + " cut short");
    const std::size_t columns = jet3() ? u8At(r) : u16At(r);
    const std::size_t maskSize = (columns + 7) / 8;
    if (n < countSize + maskSize)
        damaged("row of table " + t.name + " cut short");
    const unsigned char* mask = r + n - maskSize;
    // Offsets of the variable-length fields; the last entry is the end of their data.
    std::vector<std::size_t> offsets;
    std::size_t dataEnd = n - maskSize;
    if (t.varColumns > 0) {
        const std::size_t tail = n - maskSize; // bytes before the null mask
        if (jet3()) {
            if (tail < countSize + 1)
                damaged("row of table " + t.name + " cut short");
            const std::size_t varCount = r[tail - 1];
            std::size_t jumps = (n - 1) / 256;
            // The first offset entry, just below the jump table.
            if (tail < countSize + 1 + jumps + varCount + 1)
                damaged("row of table " + t.name + " cut short");
            const std::size_t first = tail - 2 - jumps;
            const std::size_t eod = first - varCount;
            // The number of jumps follows the row's size; one more than the data needs is a
            // dummy.
            if (jumps > 0 && eod / 256 < jumps)
                --jumps;
            std::size_t used = 0;
            for (std::size_t i = 0; i <= varCount; ++i) {
                while (used < jumps && r[tail - 2 - used] <= i)
                    ++used;
                offsets.push_back(r[first - i] + 256 * used);
            }
            dataEnd = eod;
        } else {
            if (tail < countSize + 2)
                damaged("row of table " + t.name + " cut short");
            const std::size_t varCount = u16At(r + tail - 2);
            if (tail < countSize + 2 + 2 * (varCount + 1))
                damaged("row of table " + t.name + " cut short");
            for (std::size_t i = 0; i <= varCount; ++i)
                offsets.push_back(u16At(r + tail - 2 - 2 * (i + 1)));
            dataEnd = tail - 2 - 2 * (varCount + 1);
        }
    }
    Row out;
    spend(sizeof(Row) + wanted.size() * sizeof(Value), t.name);
    out.reserve(wanted.size());
    for (int w : wanted) {
        const ColumnDef& c = t.columns[static_cast<std::size_t>(w)];
        const auto number = static_cast<std::size_t>(c.column.number);
        if (number >= columns) {
            out.emplace_back(); // a field added after the row was written
            continue;
        }
        const bool set = (mask[number / 8] >> (number % 8) & 1) != 0;
        if (c.column.type == ColumnType::Boolean) {
            out.emplace_back(set);
            continue;
        }
        if (!set) {
            out.emplace_back();
            continue;
        }
        const int size = fixedSize(c.column.type);
        if (c.fixed && size > 0) {
            const std::size_t start = countSize + static_cast<std::size_t>(c.fixedOffset);
            if (start + static_cast<std::size_t>(size) > dataEnd)
                damaged("field " + c.column.name + " of table " + t.name + " out of range");
            out.push_back(value(c, row.substr(start, static_cast<std::size_t>(size)), t.name));
            continue;
        }
        if (c.fixed || size >= 0)
            throw EUnsupported("column " + c.column.name + " of table " + t.name +
                               " has an unsupported layout");
        const auto index = static_cast<std::size_t>(c.varIndex);
        if (index + 1 >= offsets.size()) {
            out.emplace_back();
            continue;
        }
        const std::size_t start = offsets[index], end = offsets[index + 1];
        if (start < countSize || start > end || end > dataEnd)
            damaged("field " + c.column.name + " of table " + t.name + " out of range");
        out.push_back(value(c, row.substr(start, end - start), t.name));
    }
    return out;
}

} // namespace

Format detectFormat(std::string_view bytes) {
    if (bytes.substr(0, kSqliteMagic.size()) == kSqliteMagic)
        return Format::SQLite;
    if (bytes.size() < kHiddenStart || bytes.substr(0, 4) != kPageZero)
        throw ENotDatabase("not a SQLite or Jet database");
    const std::string_view magic = bytes.substr(4, 16);
    if (magic == kAceMagic)
        throw EUnsupported("Access 2007 or later file (.accdb) is not supported");
    if (magic != kJetMagic)
        throw ENotDatabase("not a SQLite or Jet database");
    const std::uint32_t version = u32At(bytesOf(bytes) + 0x14);
    if (version > 1)
        throw EUnsupported("unsupported Jet version " + std::to_string(version));
    const Format f = version == 0 ? Format::Jet3 : Format::Jet4;
    const std::string header = uncoverHeader(bytes, f);
    if (u32At(bytesOf(header) + kDatabaseKeyAt) != 0)
        throw EEncrypted("encrypted Jet file");
    if (hasPassword(header, f))
        throw EEncrypted("password-protected Jet file");
    return f;
}

namespace {
// The first `limit` bytes of a source, fewer when it is shorter.
std::string firstBytes(const PageSource& source, std::size_t limit) {
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(source.size(), limit)),
                      '\0');
    bytes.resize(source.read(0, bytes.size(), reinterpret_cast<unsigned char*>(bytes.data())));
    return bytes;
}
} // namespace

Format detectFileFormat(const std::string& path) {
    return detectFormat(firstBytes(FileSource(path), 4096));
}

JetFile JetFile::open(const std::string& path) {
    return JetFile(std::make_shared<const FileSource>(path));
}

JetFile::JetFile(std::string bytes)
    : JetFile(std::make_shared<const MemorySource>(std::move(bytes))) {}

JetFile::JetFile(std::shared_ptr<const PageSource> source) : source_(std::move(source)) {
    const std::string head = firstBytes(*source_, 4096);
    format_ = detectFormat(head);
    if (format_ == Format::SQLite)
        throw ENotDatabase("SQLite database, not a Jet file");
    const std::uint64_t size = source_->size();
    const std::size_t pageSize = format_ == Format::Jet3 ? 2048 : 4096;
    if (size % pageSize != 0)
        damaged("cut short: " + std::to_string(size) + " bytes is not a whole number of " +
                std::to_string(pageSize) + "-byte pages");
    if (size / pageSize > 0xFFFFFF)
        damaged("more pages than a row pointer can reach");
    codePage_ = static_cast<int>(u16At(bytesOf(uncoverHeader(head, format_)) + kCodePageAt));

    const Reader reader(*source_, format_, codePage_);
    const TableDef catalogue = reader.definition(kCatalogueDefinitionPage, "MSysObjects");
    std::vector<int> wanted;
    for (const char* name : {"Id", "Name", "Type", "Flags"}) {
        const auto it = std::find_if(catalogue.columns.begin(), catalogue.columns.end(),
                                     [&](const ColumnDef& c) { return c.column.name == name; });
        if (it == catalogue.columns.end())
            damaged(std::string("catalogue without the field ") + name);
        wanted.push_back(static_cast<int>(it - catalogue.columns.begin()));
    }
    reader.forEachRow(catalogue, [&](std::string_view bytes) {
        const Row row = reader.decode(catalogue, bytes, wanted);
        const auto* id = std::get_if<std::int32_t>(&row[0]);
        const auto* name = std::get_if<std::string>(&row[1]);
        const auto* type = std::get_if<std::int16_t>(&row[2]);
        const auto* flags = std::get_if<std::int32_t>(&row[3]);
        // Tables are of type 1; system tables carry one of two flags.
        const bool system = flags && (static_cast<std::uint32_t>(*flags) & 0x80000002u) != 0;
        if (id && name && type && *type == 1 && !system)
            tables_.push_back({*name, static_cast<std::uint32_t>(*id) & 0xFFFFFF});
    });
}

std::vector<std::string> JetFile::tableNames() const {
    std::vector<std::string> names;
    for (const auto& t : tables_)
        names.push_back(t.name);
    return names;
}

bool JetFile::hasTable(std::string_view name) const {
    return std::any_of(tables_.begin(), tables_.end(),
                       [&](const TableEntry& t) { return equalsAsciiCaseless(t.name, name); });
}

const JetFile::TableEntry& JetFile::entry(std::string_view table) const {
    for (const auto& t : tables_)
        if (equalsAsciiCaseless(t.name, table))
            return t;
    throw ENoTable("no table " + std::string(table) + " in the Jet file");
}

std::vector<Column> JetFile::columns(std::string_view table) const {
    const TableEntry& e = entry(table);
    const TableDef t = Reader(*source_, format_, codePage_).definition(e.definitionPage, e.name);
    std::vector<Column> out;
    for (const auto& c : t.columns)
        out.push_back(c.column);
    return out;
}

std::vector<Row> JetFile::rows(std::string_view table) const {
    std::vector<Row> rows;
    readRows(table, [&](Row&& row) { rows.push_back(std::move(row)); });
    return rows;
}

void JetFile::readRows(std::string_view table, const std::function<void(Row&&)>& onRow) const {
    const TableEntry& e = entry(table);
    const Reader reader(*source_, format_, codePage_);
    const TableDef t = reader.definition(e.definitionPage, e.name);
    std::vector<int> all(t.columns.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<int>(i);
    reader.forEachRow(t, [&](std::string_view bytes) { onRow(reader.decode(t, bytes, all)); });
}

} // namespace jet
