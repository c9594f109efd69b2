#pragma once
// One SQLite store file, opened by bare name in the working directory. A missing file is
// an error: the file is never created.
//
// A store that accepts Jet files (the settings store) may also be a Jet file, told apart by
// its first bytes. It is read whole and never written: the first write replaces it by a
// SQLite store holding all it held (convertFromJet), and the store is SQLite from then on.
#include "platform/core/Exception.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;
namespace jet {
class JetFile;
}

class Store {
public:
    enum class Mode { ReadOnly, ReadWrite };
    enum class Formats { SQLite, SQLiteOrJet };

    Store(std::string fileName, Mode mode, Formats formats = Formats::SQLite);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens the file when it is not open yet; throws EDatabaseError with the store's
    // message when the file is missing, unreadable or not a database.
    void open();
    void close();
    bool isOpen() const { return db_ != nullptr || jet_ != nullptr; }
    const std::string& fileName() const { return fileName_; }
    Mode mode() const { return mode_; }
    // The SQLite connection; null while closed or while the store is a Jet file.
    sqlite3* handle() const { return db_; }
    // The Jet file the store was opened on; null when closed or SQLite.
    const jet::JetFile* jetFile() const { return jet_.get(); }

    // Writes every table, field and row of the Jet file to a new SQLite store in the same
    // folder, runs `change` on it in the same transaction, keeps the Jet file as
    // "<name>.jet" (never over an existing file) and puts the new store in its place; the
    // store then continues on it. Throws EDatabaseError, leaving the Jet file where it was,
    // unchanged, and no new file behind, when any step fails.
    void convertFromJet(const std::function<void(Store& converted)>& change);
    // The row id that the first row of `table` (in the Jet file's order) got in the store
    // made by convertFromJet; 0 when there is none.
    long long convertedFirstRow(const std::string& table) const;
    // The file's data version as this connection sees it: another value than last time
    // means that another connection changed the file in between. Opens the store when
    // needed; throws EDatabaseError.
    long long dataVersion();

    // Throws EDatabaseError with the store's current message.
    [[noreturn]] void fail() const;

private:
    // Reads the file as a Jet file when it is one; false when it is left to SQLite.
    bool openJet();

    std::string fileName_;
    Mode mode_;
    Formats formats_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<const jet::JetFile> jet_;
    std::map<std::string, long long> convertedFirstRows_; // by ASCII-lower-case table name
    sqlite3_stmt* dataVersion_ = nullptr;
};

// An identifier (table or field name) quoted for a statement.
std::string quoteIdentifier(std::string_view identifier);

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(Store& store, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    // Steps once; true while a row is available. Throws on an error.
    bool step();

private:
    Store& store_;
    sqlite3_stmt* stmt_ = nullptr;
};
