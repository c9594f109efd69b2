#include "catalogue/StoreTable.h"

#include "jet/JetFile.h"

#include <sqlite3.h>

#include <algorithm>
#include <type_traits>
#include <variant>

namespace {

QVariant columnValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, i));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, i)));
    }
    }
}

void bindValue(Store& store, sqlite3_stmt* stmt, int index, const QVariant& v) {
    int rc;
    if (v.isNull()) {
        rc = sqlite3_bind_null(stmt, index);
    } else if (v.typeId() == QMetaType::Bool) {
        rc = sqlite3_bind_int(stmt, index, v.toBool() ? 1 : 0);
    } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
        rc = sqlite3_bind_int64(stmt, index, v.toLongLong());
    } else if (v.typeId() == QMetaType::Double) {
        rc = sqlite3_bind_double(stmt, index, v.toDouble());
    } else {
        const QByteArray utf8 = v.toString().toUtf8();
        rc = sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()),
                               SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        store.fail();
}

// Binds a value of a row's identity with the storage class it was read with.
void bindCell(Store& store, sqlite3_stmt* stmt, int index, int type, const QVariant& v) {
    int rc;
    if (type == SQLITE_INTEGER) {
        rc = sqlite3_bind_int64(stmt, index, v.toLongLong());
    } else if (type == SQLITE_FLOAT) {
        rc = sqlite3_bind_double(stmt, index, v.toDouble());
    } else if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
        const QByteArray bytes = v.toByteArray();
        rc = type == SQLITE_TEXT
                 ? sqlite3_bind_text(stmt, index, bytes.constData(), static_cast<int>(bytes.size()),
                                     SQLITE_TRANSIENT)
                 : sqlite3_bind_blob(stmt, index, bytes.constData(), static_cast<int>(bytes.size()),
                                     SQLITE_TRANSIENT);
    } else {
        rc = sqlite3_bind_null(stmt, index);
    }
    if (rc != SQLITE_OK)
        store.fail();
}

// A Jet value as the SQLite store made from the file reads it back (see Store.cpp): Boolean
// as 0 or 1, every integer as a long long, a date as its Julian day, bytes as text.
QVariant jetValue(const jet::Value& value) {
    return std::visit(
        [](const auto& v) -> QVariant {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return QVariant();
            else if constexpr (std::is_same_v<T, double>)
                return QVariant(v);
            else if constexpr (std::is_same_v<T, jet::DateTime>)
                return QVariant(v.days + 2415018.5);
            else if constexpr (std::is_same_v<T, std::string>)
                return QVariant(QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())));
            else if constexpr (std::is_same_v<T, jet::Binary>)
                return QVariant(
                    QString::fromUtf8(v.bytes.data(), static_cast<qsizetype>(v.bytes.size())));
            else
                return QVariant(static_cast<qlonglong>(v));
        },
        value);
}

bool isRowId(const QString& column) {
    for (const char* name : {"rowid", "_rowid_", "oid"})
        if (column == QLatin1String(name))
            return true;
    return false;
}

} // namespace

StoreTable::StoreTable(QString name, QString tableName, Store& store, QObject* parent)
    : QObject(parent), name_(std::move(name)), tableName_(std::move(tableName)), store_(store) {}

QString StoreTable::quoted(const QString& identifier) const {
    return QString::fromStdString(quoteIdentifier(identifier.toStdString()));
}

std::vector<StoreTable::Cell> StoreTable::identityOf(sqlite3_stmt* stmt, std::size_t count) {
    std::vector<Cell> cells;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        Cell cell;
        cell.type = sqlite3_column_type(stmt, i);
        if (cell.type == SQLITE_INTEGER)
            cell.value = static_cast<qlonglong>(sqlite3_column_int64(stmt, i));
        else if (cell.type == SQLITE_FLOAT)
            cell.value = sqlite3_column_double(stmt, i);
        else if (cell.type != SQLITE_NULL)
            cell.value = QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)),
                                    sqlite3_column_bytes(stmt, i));
        cells.push_back(std::move(cell));
    }
    return cells;
}

std::vector<QString> StoreTable::findIdentity(Store& store) const {
    std::vector<QString> identity;
    // The columns' names, which may hide the names of the row id.
    Statement names(store, ("SELECT * FROM " + quoted(tableName_) + " LIMIT 0").toStdString());
    auto isColumn = [&](const char* name) {
        for (int i = 0; i < sqlite3_column_count(names.get()); ++i)
            if (QString::fromUtf8(sqlite3_column_name(names.get(), i))
                    .compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (const char* rowid : {"rowid", "_rowid_", "oid"}) {
        if (isColumn(rowid))
            continue;
        // A table without row ids (and a view) has no such column.
        sqlite3_stmt* probe = nullptr;
        const std::string sql =
            std::string("SELECT ") + rowid + " FROM " + quoted(tableName_).toStdString();
        const bool found =
            sqlite3_prepare_v2(store.handle(), sql.c_str(), -1, &probe, nullptr) == SQLITE_OK;
        sqlite3_finalize(probe);
        if (found)
            identity.push_back(QString::fromLatin1(rowid));
        break;
    }
    if (!identity.empty())
        return identity;
    Statement info(store, ("PRAGMA table_info(" + quoted(tableName_) + ")").toStdString());
    std::vector<std::pair<int, QString>> key;
    while (info.step())
        if (const int position = sqlite3_column_int(info.get(), 5); position > 0)
            key.emplace_back(position, quoted(QString::fromUtf8(reinterpret_cast<const char*>(
                                           sqlite3_column_text(info.get(), 1)))));
    std::sort(key.begin(), key.end());
    for (auto& [position, column] : key)
        identity.push_back(std::move(column));
    return identity;
}

void StoreTable::readJet(std::vector<QString>& fields,
                         std::vector<std::vector<QVariant>>& rows) const {
    const jet::JetFile& file = *store_.jetFile();
    const std::string table = tableName_.toStdString();
    try {
        for (const jet::Column& column : file.columns(table))
            fields.push_back(QString::fromStdString(column.name));
        file.readRows(table, [&](jet::Row&& row) {
            std::vector<QVariant> values;
            values.reserve(fields.size());
            for (const jet::Value& value : row)
                values.push_back(jetValue(value));
            values.resize(fields.size());
            rows.push_back(std::move(values));
        });
    } catch (const jet::EJetError& e) {
        throw EDatabaseError(store_.fileName() + ": " + e.what());
    }
}

void StoreTable::open() {
    if (active())
        return;
    store_.open();
    if (store_.jetFile()) {
        std::vector<QString> fields;
        std::vector<std::vector<QVariant>> rows;
        readJet(fields, rows);
        fields_ = std::move(fields);
        rows_ = std::move(rows);
        identity_.clear();
        firstIdentity_.clear();
        fromJet_ = true;
    } else {
        readSqlite();
        fromJet_ = false;
    }
    keyField_ = -1;
    for (int i = 0; i < fieldCount(); ++i)
        if (fields_[i].compare(QStringLiteral("key1"), Qt::CaseInsensitive) == 0)
            keyField_ = i;
    modified_ = false;
    setState(State::Browse);
    emit dataChanged();
}

void StoreTable::readSqlite() {
    std::vector<QString> identity = findIdentity(store_);
    // The first row is the first the table holds, whatever indexes the file has. Its
    // identity is read with it, so that a post changes that row and no other.
    QString select = QStringLiteral("SELECT ");
    for (const QString& column : identity)
        select += column + QStringLiteral(", ");
    Statement stmt(store_,
                   (select + "* FROM " + quoted(tableName_) + " NOT INDEXED").toStdString());
    const int skip = static_cast<int>(identity.size());
    std::vector<QString> fields;
    const int columns = sqlite3_column_count(stmt.get()) - skip;
    for (int i = 0; i < columns; ++i)
        fields.push_back(QString::fromUtf8(sqlite3_column_name(stmt.get(), skip + i)));
    std::vector<std::vector<QVariant>> rows;
    std::vector<Cell> firstIdentity;
    while (stmt.step()) {
        if (rows.empty())
            firstIdentity = identityOf(stmt.get(), identity.size());
        std::vector<QVariant> row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.push_back(columnValue(stmt.get(), skip + i));
        rows.push_back(std::move(row));
    }
    fields_ = std::move(fields);
    rows_ = std::move(rows);
    identity_ = std::move(identity);
    firstIdentity_ = std::move(firstIdentity);
}

void StoreTable::close() {
    if (!active())
        return;
    rows_.clear();
    firstIdentity_.clear();
    pending_.clear();
    written_.clear();
    modified_ = false;
    setState(State::Inactive);
    emit dataChanged();
}

bool StoreTable::isEmpty() const {
    if (state_ == State::Insert)
        return false;
    return state_ == State::Inactive || rows_.empty();
}

QString StoreTable::fieldName(int position) const {
    return position >= 0 && position < fieldCount() ? fields_[position] : QString();
}

int StoreTable::fieldIndex(const QString& name) const {
    for (int i = 0; i < fieldCount(); ++i)
        if (fields_[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant StoreTable::value(int position) const {
    if (position < 0 || position >= fieldCount())
        return QVariant();
    if (state_ == State::Edit || state_ == State::Insert)
        return pending_[position];
    if (isEmpty())
        return QVariant();
    return rows_.front()[position];
}

QString StoreTable::asString(int position) const {
    const QVariant v = value(position);
    return v.isNull() ? QString() : v.toString();
}

bool StoreTable::asBoolean(const QString& field) const {
    const QVariant v = value(field);
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        return s.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 || (s.toLongLong() != 0);
    }
    return v.toLongLong() != 0;
}

void StoreTable::setState(State s) {
    if (state_ == s)
        return;
    state_ = s;
    modified_ = false;
    emit stateChanged();
}

void StoreTable::edit() {
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    if (state_ == State::Inactive)
        throw EDatabaseError(name_.toStdString() +
                             ": Cannot perform this operation on a closed dataset");
    if (rows_.empty()) {
        pending_.assign(fields_.size(), QVariant());
        setState(State::Insert);
    } else {
        pending_ = rows_.front();
        setState(State::Edit);
    }
    written_.assign(fields_.size(), false);
    emit dataChanged();
}

void StoreTable::setValue(int position, const QVariant& v) {
    if (state_ != State::Edit && state_ != State::Insert)
        throw EDatabaseError(name_.toStdString() + ": Dataset not in edit or insert mode");
    if (position < 0 || position >= fieldCount() || position == keyField_)
        throw EDatabaseError(name_.toStdString() + ": Field cannot be modified");
    pending_[position] = v;
    written_[position] = true;
    modified_ = true;
    emit dataChanged();
}

void StoreTable::updateRecord() {
    if (state_ == State::Edit || state_ == State::Insert)
        emit updateRecordRequested();
}

void StoreTable::post() {
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    updateRecord();
    // Only the fields a control wrote go to the file: every other value keeps its bytes and
    // its type there, whatever became of it when it was read.
    std::vector<int> columns;
    for (int i = 0; i < fieldCount(); ++i)
        if (written_[i] && i != keyField_)
            columns.push_back(i);
    const bool insert = state_ == State::Insert;
    if (!columns.empty() || insert) {
        Written written;
        // A Jet file is never written in place: the first write makes the SQLite store.
        if (store_.jetFile())
            store_.convertFromJet(
                [&](Store& converted) { written = write(converted, columns, insert); });
        else
            written = write(store_, columns, insert);
        identity_ = std::move(written.identity);
        firstIdentity_ = std::move(written.firstIdentity);
        fromJet_ = false;
        if (insert && keyField_ >= 0)
            pending_[keyField_] = QVariant(static_cast<qlonglong>(written.rowId));
    }
    if (insert)
        rows_.insert(rows_.begin(), pending_);
    else
        rows_.front() = pending_;
    pending_.clear();
    written_.clear();
    setState(State::Browse);
    emit dataChanged();
}

StoreTable::Written StoreTable::write(Store& store, const std::vector<int>& columns,
                                      bool insert) const {
    std::vector<QString> identity = identity_;
    std::vector<Cell> firstIdentity = firstIdentity_;
    if (fromJet_) {
        // The store made from the Jet file the rows were read from: the first row is the
        // one that came first in the file.
        identity = findIdentity(store);
        if (identity.size() != 1 || !isRowId(identity.front()))
            identity.clear();
        firstIdentity = {Cell{
            SQLITE_INTEGER,
            QVariant(static_cast<qlonglong>(store.convertedFirstRow(tableName_.toStdString())))}};
    }
    QString sql;
    if (!insert) {
        QStringList sets;
        for (int i : columns)
            sets << quoted(fields_[i]) + QStringLiteral(" = ?");
        sql = QStringLiteral("UPDATE ") + quoted(tableName_) + QStringLiteral(" SET ") +
              sets.join(QStringLiteral(", "));
        // The row that was read, by its identity: the row id, else the primary key.
        if (identity.empty())
            throw EDatabaseError(name_.toStdString() +
                                 ": the rows of this table cannot be told apart");
        QStringList where;
        for (const QString& column : identity)
            where << column + QStringLiteral(" = ?");
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    } else if (columns.empty()) {
        sql =
            QStringLiteral("INSERT INTO ") + quoted(tableName_) + QStringLiteral(" DEFAULT VALUES");
    } else {
        QStringList names, marks;
        for (int i : columns) {
            names << quoted(fields_[i]);
            marks << QStringLiteral("?");
        }
        sql = QStringLiteral("INSERT INTO ") + quoted(tableName_) + QStringLiteral(" (") +
              names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
              marks.join(QStringLiteral(", ")) + QStringLiteral(")");
    }
    // The identity the row has once written (a new row's, or a changed key).
    if (!identity.empty())
        sql += QStringLiteral(" RETURNING ") +
               QStringList(identity.begin(), identity.end()).join(QStringLiteral(", "));
    Statement stmt(store, sql.toStdString());
    int index = 1;
    for (int i : columns)
        bindValue(store, stmt.get(), index++, pending_[i]);
    if (!insert)
        for (const Cell& cell : firstIdentity)
            bindCell(store, stmt.get(), index++, cell.type, cell.value);
    Written written;
    while (stmt.step())
        written.firstIdentity = identityOf(stmt.get(), identity.size());
    // A row that its identity no longer finds (a row another program deleted) is not
    // saved: that is a failure, and the edit stays pending.
    if (sqlite3_changes(store.handle()) == 0)
        throw EDatabaseError(name_.toStdString() +
                             ": the row to be saved was not found in the store");
    written.identity = std::move(identity);
    written.rowId = sqlite3_last_insert_rowid(store.handle());
    return written;
}

void StoreTable::cancel() {
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    pending_.clear();
    written_.clear();
    setState(State::Browse);
    emit dataChanged();
}
