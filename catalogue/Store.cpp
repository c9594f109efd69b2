#include "catalogue/Store.h"

#include <sqlite3.h>

Store::Store(std::string fileName, Mode mode) : fileName_(std::move(fileName)), mode_(mode) {}

Store::~Store() {
    close();
}

void Store::open() {
    if (db_)
        return;
    const int flags = (mode_ == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(fileName_.c_str(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        // The file is read lazily; reading the schema now tells a damaged file or one
        // that is not a store at all from a good one.
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw EDatabaseError(fileName_ + ": " + message);
    }
    sqlite3_busy_timeout(db, 2000);
    db_ = db;
}

void Store::close() {
    sqlite3_finalize(dataVersion_);
    dataVersion_ = nullptr;
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

long long Store::dataVersion() {
    open();
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
    throw EDatabaseError(db_ ? sqlite3_errmsg(db_) : fileName_ + ": store is not open");
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
