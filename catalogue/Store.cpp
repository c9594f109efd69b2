#include "catalogue/Store.h"

#include "jet/JetFile.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sqlite3.h>
#include <type_traits>
#include <variant>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The declared SQLite type of a Jet column, as the program's own stores declare theirs.
std::string declaredType(const jet::Column& column, jet::Format format) {
    switch (column.type) {
    case jet::ColumnType::Boolean:
        return "BOOLEAN";
    case jet::ColumnType::Byte:
        return "TINYINT";
    case jet::ColumnType::Integer:
        return "SMALLINT";
    case jet::ColumnType::Long:
        return "INTEGER";
    case jet::ColumnType::Single:
        return "FLOAT";
    case jet::ColumnType::Double:
        return "DOUBLE";
    case jet::ColumnType::DateTime:
        return "DATETIME";
    case jet::ColumnType::Text:
        return "VARCHAR(" +
               std::to_string(format == jet::Format::Jet4 ? column.size / 2 : column.size) + ")";
    case jet::ColumnType::Memo:
        return "TEXT";
    case jet::ColumnType::Binary:
    case jet::ColumnType::Ole:
    case jet::ColumnType::Guid:
        return "BLOB";
    default:
        return "";
    }
}

// Julian day of 1899-12-30 00:00, the day Jet counts its dates from: dates go to the SQLite
// store as Julian days, as it keeps them.
constexpr double kJetEpochJulian = 2415018.5;

void bindJetValue(Store& store, sqlite3_stmt* stmt, int index, const jet::Value& value) {
    int rc = SQLITE_OK;
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                rc = sqlite3_bind_null(stmt, index);
            else if constexpr (std::is_same_v<T, bool>)
                rc = sqlite3_bind_int(stmt, index, v ? 1 : 0);
            else if constexpr (std::is_same_v<T, double>)
                rc = sqlite3_bind_double(stmt, index, v);
            else if constexpr (std::is_same_v<T, jet::DateTime>)
                rc = sqlite3_bind_double(stmt, index, v.days + kJetEpochJulian);
            else if constexpr (std::is_same_v<T, std::string>)
                rc = sqlite3_bind_text(stmt, index, v.data(), static_cast<int>(v.size()),
                                       SQLITE_TRANSIENT);
            else if constexpr (std::is_same_v<T, jet::Binary>)
                rc = sqlite3_bind_blob(stmt, index, v.bytes.data(),
                                       static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
            else
                rc = sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(v));
        },
        value);
    if (rc != SQLITE_OK)
        store.fail();
}

// key1, the row key the program never writes, stays the auto-increment key when the Jet
// table uses it as one: a long integer, never null, rising from row to row. (Keys in another
// order stay a plain column, so that the rows keep the file's order in the new store.)
bool isAutoKey(const jet::Column& column, std::size_t position, const std::vector<jet::Row>& rows) {
    if (lowerAscii(column.name) != "key1" || column.type != jet::ColumnType::Long)
        return false;
    std::optional<std::int32_t> previous;
    for (const jet::Row& row : rows) {
        if (position >= row.size() || !std::holds_alternative<std::int32_t>(row[position]))
            return false;
        const std::int32_t key = std::get<std::int32_t>(row[position]);
        if (key <= 0 || (previous && key <= *previous))
            return false;
        previous = key;
    }
    return true;
}

// Every table of `source` into `target`, rows in the file's order; records the row id of each
// table's first row.
void copyTables(const jet::JetFile& source, Store& target,
                std::map<std::string, long long>& firstRows) {
    for (const std::string& table : source.tableNames()) {
        const std::vector<jet::Column> columns = source.columns(table);
        const std::vector<jet::Row> rows = source.rows(table);
        std::string create = "CREATE TABLE " + quoteIdentifier(table) + " (";
        std::string insert = "INSERT INTO " + quoteIdentifier(table) + " (";
        std::string marks;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string type = isAutoKey(columns[i], i, rows)
                                         ? "INTEGER PRIMARY KEY AUTOINCREMENT"
                                         : declaredType(columns[i], source.format());
            // Appended piece by piece: GCC 12 sees a possible overlap in `" " + type`.
            if (i) {
                create += ", ";
                insert += ", ";
            }
            create += quoteIdentifier(columns[i].name);
            if (!type.empty()) {
                create += ' ';
                create += type;
            }
            insert += quoteIdentifier(columns[i].name);
            marks += i ? ", ?" : "?";
        }
        Statement(target, create + ")").step();
        firstRows[lowerAscii(table)] = 0;
        if (columns.empty())
            continue;
        Statement add(target, insert + ") VALUES (" + marks + ")");
        for (const jet::Row& row : rows) {
            for (std::size_t i = 0; i < columns.size(); ++i)
                bindJetValue(target, add.get(), static_cast<int>(i + 1),
                             i < row.size() ? row[i] : jet::Value());
            add.step();
            sqlite3_reset(add.get());
            long long& first = firstRows[lowerAscii(table)];
            if (first == 0)
                first = sqlite3_last_insert_rowid(target.handle());
        }
    }
}

[[noreturn]] void failStep(const std::string& what, const std::string& reason) {
    throw EDatabaseError(what + ": " + reason);
}

#ifdef _WIN32
std::wstring wide(const std::string& path) {
    return QString::fromStdString(path).toStdWString();
}
std::string lastError() {
    return std::to_string(GetLastError());
}
#endif

// Keeps `current` as `kept` and puts `fresh` in its place. The first step never replaces a
// file; when the second fails, the first is undone.
void keepAndReplace(const std::string& current, const std::string& kept, const std::string& fresh) {
    const std::string keptName = QFileInfo(QString::fromStdString(kept)).fileName().toStdString();
#ifdef _WIN32
    if (!MoveFileExW(wide(current).c_str(), wide(kept).c_str(), 0)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
            failStep(current, keptName + " already exists");
        failStep(current,
                 "cannot be renamed to " + keptName + " (error " + std::to_string(error) + ")");
    }
    if (!MoveFileExW(wide(fresh).c_str(), wide(current).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const std::string error = lastError();
        MoveFileExW(wide(kept).c_str(), wide(current).c_str(), 0);
        failStep(current, "the new store cannot take its name (error " + error + ")");
    }
#else
    // A second name for the Jet file; link() never replaces an existing file.
    bool linked = ::link(current.c_str(), kept.c_str()) == 0;
    if (!linked && errno == EEXIST)
        failStep(current, keptName + " already exists");
    if (!linked) {
#ifdef __linux__
        // A file system without hard links: a rename that never replaces either.
        if (::renameat2(AT_FDCWD, current.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE) != 0)
            failStep(current, errno == EEXIST ? keptName + " already exists"
                                              : "cannot be renamed to " + keptName + ": " +
                                                    std::strerror(errno));
#else
        failStep(current, "cannot be kept as " + keptName + ": " + std::strerror(errno));
#endif
    }
    if (::rename(fresh.c_str(), current.c_str()) != 0) {
        const std::string error = std::strerror(errno);
        if (linked)
            ::unlink(kept.c_str());
        else
            ::rename(kept.c_str(), current.c_str());
        failStep(current, "the new store cannot take its name: " + error);
    }
    // The renames reach the disk with the folder.
    const std::string folder =
        QFileInfo(QString::fromStdString(current)).absolutePath().toStdString();
    if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

} // namespace

Store::Store(std::string fileName, Mode mode, Formats formats)
    : fileName_(std::move(fileName)), mode_(mode), formats_(formats) {}

Store::~Store() {
    close();
}

bool Store::openJet() {
    std::ifstream in(fileName_, std::ios::binary);
    if (!in)
        return false; // missing or unreadable: reported as SQLite reports it
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    in.close();
    // An empty file is an empty SQLite store.
    if (head.empty())
        return false;
    try {
        if (jet::detectFormat(head) == jet::Format::SQLite)
            return false;
        jet_ = std::make_unique<const jet::JetFile>(jet::JetFile::open(fileName_));
    } catch (const jet::EJetError& e) {
        throw EDatabaseError(fileName_ + ": " + e.what());
    }
    return true;
}

void Store::open() {
    if (db_ || jet_)
        return;
    if (formats_ == Formats::SQLiteOrJet && openJet())
        return;
    const int flags = (mode_ == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(fileName_.c_str(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        // Waits out another connection's lock from the first read on: on Windows even two
        // readers taking their shared locks at once can meet.
        sqlite3_busy_timeout(db, 2000);
        // The file is read lazily; reading the schema now tells a damaged file or one
        // that is not a store at all from a good one.
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw EDatabaseError(fileName_ + ": " + message);
    }
    db_ = db;
}

void Store::close() {
    jet_.reset();
    sqlite3_finalize(dataVersion_);
    dataVersion_ = nullptr;
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

long long Store::dataVersion() {
    open();
    if (!db_)
        fail();
    if (!dataVersion_ &&
        sqlite3_prepare_v2(db_, "PRAGMA data_version", -1, &dataVersion_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(dataVersion_);
        dataVersion_ = nullptr;
        fail();
    }
    const int rc = sqlite3_step(dataVersion_);
    const long long version = rc == SQLITE_ROW ? sqlite3_column_int64(dataVersion_, 0) : 0;
    sqlite3_reset(dataVersion_);
    if (rc != SQLITE_ROW)
        fail();
    return version;
}

void Store::fail() const {
    if (jet_)
        throw EDatabaseError(fileName_ + ": a Jet file is never written in place");
    throw EDatabaseError(db_ ? sqlite3_errmsg(db_) : fileName_ + ": store is not open");
}

void Store::convertFromJet(const std::function<void(Store& converted)>& change) {
    if (!jet_)
        throw EDatabaseError(fileName_ + ": not a Jet file");
    const std::string kept = fileName_ + ".jet";
    const QFileInfo info(QString::fromStdString(fileName_));
    if (QFileInfo::exists(QString::fromStdString(kept)))
        failStep(fileName_, info.fileName().toStdString() + ".jet already exists");
    // Read again: the file as it is now is the one kept.
    std::unique_ptr<const jet::JetFile> source;
    try {
        source = std::make_unique<const jet::JetFile>(jet::JetFile::open(fileName_));
    } catch (const jet::EJetError& e) {
        failStep(fileName_, e.what());
    }
    // The new store's name, reserved by a temporary file that is let go of at once: on
    // Windows the object holds its file open until it goes, and an open file cannot be renamed.
    std::string tempName;
    {
        QTemporaryFile temp(info.absolutePath() + QLatin1Char('/') + info.fileName() +
                            QStringLiteral(".XXXXXX"));
        if (!temp.open())
            failStep(fileName_,
                     "no new store can be made in its folder: " + temp.errorString().toStdString());
        temp.setAutoRemove(false);
        tempName = temp.fileName().toStdString();
    }
    // Removed unless it became the store.
    struct RemovedUnlessKept {
        const std::string& name;
        bool kept = false;
        ~RemovedUnlessKept() {
            if (!kept)
                QFile::remove(QString::fromStdString(name));
        }
    } tempFile{tempName};
    std::map<std::string, long long> firstRows;
    {
        Store converted(tempName, Mode::ReadWrite);
        try {
            Statement(converted, "BEGIN IMMEDIATE").step();
            copyTables(*source, converted, firstRows);
            converted.convertedFirstRows_ = firstRows;
            change(converted);
            Statement(converted, "COMMIT").step();
        } catch (const jet::EJetError& e) {
            failStep(fileName_, e.what());
        } catch (const EDatabaseError& e) {
            // The new store's messages name the Jet file it was made for.
            const std::string message = e.what();
            if (message.rfind(fileName_ + ": ", 0) == 0)
                throw;
            failStep(fileName_, message);
        }
    } // closed, its transaction rolled back when it failed
    // An open file cannot be renamed everywhere: the Jet file is let go of first, and opened
    // again when the renames fail (or, failing that too, when the store is next used).
    source.reset();
    jet_.reset();
    try {
        keepAndReplace(fileName_, kept, tempName);
    } catch (const EDatabaseError&) {
        try {
            open();
        } catch (const EDatabaseError&) {
        }
        throw;
    }
    tempFile.kept = true;
    convertedFirstRows_ = std::move(firstRows);
    try {
        open();
    } catch (const EDatabaseError&) {
        // The store is written; the next use opens it again and reports what fails.
    }
}

long long Store::convertedFirstRow(const std::string& table) const {
    const auto it = convertedFirstRows_.find(lowerAscii(table));
    return it == convertedFirstRows_.end() ? 0 : it->second;
}

std::string quoteIdentifier(std::string_view identifier) {
    std::string q = "\"";
    for (const char c : identifier) {
        q += c;
        if (c == '"')
            q += '"';
    }
    return q + '"';
}

Statement::Statement(Store& store, const std::string& sql) : store_(store) {
    store_.open();
    if (!store_.handle())
        store_.fail();
    if (sqlite3_prepare_v2(store_.handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt_,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        store_.fail();
    }
    if (!stmt_)
        throw EDatabaseError("empty statement");
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    store_.fail();
}
