#pragma once
// One SQLite store file, opened by bare name in the working directory. A missing file is
// an error: the file is never created.
#include "platform/core/Exception.h"

#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class Store {
public:
    enum class Mode { ReadOnly, ReadWrite };

    Store(std::string fileName, Mode mode);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens the file when it is not open yet; throws EDatabaseError with the store's
    // message when the file is missing, unreadable or not a database.
    void open();
    void close();
    bool isOpen() const { return db_ != nullptr; }
    const std::string& fileName() const { return fileName_; }
    Mode mode() const { return mode_; }
    sqlite3* handle() const { return db_; }
    // The file's data version as this connection sees it: another value than last time
    // means that another connection changed the file in between. Opens the store when
    // needed; throws EDatabaseError.
    long long dataVersion();

    // Throws EDatabaseError with the store's current message.
    [[noreturn]] void fail() const;

private:
    std::string fileName_;
    Mode mode_;
    sqlite3* db_ = nullptr;
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
