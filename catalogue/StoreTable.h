#pragma once
// A whole table of a store opened as a static snapshot, with the first row current and the
// editing states that the bound dialog controls drive: edit mode on the first change
// (insert mode when the table has no row), values written into the row by the controls,
// the modified flag, post and cancel.
#include "catalogue/Store.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <vector>

class StoreTable : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    StoreTable(QString name, QString tableName, Store& store, QObject* parent = nullptr);

    const QString& name() const { return name_; }
    const QString& tableName() const { return tableName_; }
    Store& store() const { return store_; }

    // Opens the store when needed and reads the table; throws EDatabaseError.
    void open();
    void close();
    bool active() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    // True when there is no current row (no row at all, or the table is closed).
    bool isEmpty() const;
    int recordCount() const { return static_cast<int>(rows_.size()); }

    int fieldCount() const { return static_cast<int>(fields_.size()); }
    QString fieldName(int position) const;
    // Position of a field, compared ignoring case; -1 when there is none.
    int fieldIndex(const QString& name) const;

    // Field values of the current row, a pending edit included. Out-of-range positions,
    // a closed table and an empty table read as null.
    QVariant value(int position) const;
    QVariant value(const QString& field) const { return value(fieldIndex(field)); }
    QString asString(int position) const;
    QString asString(const QString& field) const { return asString(fieldIndex(field)); }
    bool isNull(const QString& field) const { return value(field).isNull(); }
    bool asBoolean(const QString& field) const;

    // True when a control wrote a value since the last change of mode.
    bool modified() const { return modified_; }

    // Enters edit mode (insert mode when there is no row). Nothing happens when the table is
    // already editing or inserting; throws when it is closed.
    void edit();
    // Writes a value into the current row; the table must be editing or inserting.
    void setValue(int position, const QVariant& value);
    void setValue(const QString& field, const QVariant& v) { setValue(fieldIndex(field), v); }
    // Asks the bound controls that hold a changed value to write it into the row.
    void updateRecord();
    // Writes the fields of the pending row that were set to the file (an inserted row gets
    // the others' defaults) and returns to browse mode. Throws EDatabaseError, the pending
    // row staying as it was, when the store fails or when no row of the file was changed.
    void post();
    // Drops the pending row and returns to browse mode.
    void cancel();

signals:
    // The values of the current row or the open state changed.
    void dataChanged();
    // The mode changed (browse, edit, insert, closed).
    void stateChanged();
    // A post is about to write: bound controls write their pending values now.
    void updateRecordRequested();

private:
    void setState(State s);
    QString quoted(const QString& identifier) const;

    // One value of a row's identity, kept with its storage class and bytes as read, so that
    // it finds that row and no other (1 is not 1.0, "K" is not "k").
    struct Cell {
        int type = 0;
        QVariant value; // an integer, a real, or the bytes of a text or blob
    };
    // Reads the values that tell `stmt`'s current row apart, its first `count` columns.
    static std::vector<Cell> identityOf(sqlite3_stmt* stmt, std::size_t count);
    // What tells the rows of the table in `store` apart (see identity_).
    std::vector<QString> findIdentity(Store& store) const;
    // Reads the rows of a Jet file, fields by position.
    void readJet(std::vector<QString>& fields, std::vector<std::vector<QVariant>>& rows) const;
    void readSqlite();

    struct Written {
        std::vector<QString> identity;
        std::vector<Cell> firstIdentity;
        long long rowId = 0;
    };
    // Writes the pending row's `columns` to `store` (an insert when `insert`).
    Written write(Store& store, const std::vector<int>& columns, bool insert) const;

    QString name_;
    QString tableName_;
    Store& store_;
    State state_ = State::Inactive;
    bool modified_ = false;
    std::vector<QString> fields_;
    int keyField_ = -1; // the auto-increment row key, never written
    std::vector<std::vector<QVariant>> rows_;
    // What tells one row from another: the row id, or the primary key of a table without
    // one; empty when the table has neither (a view), whose rows are then never saved.
    std::vector<QString> identity_;
    std::vector<Cell> firstIdentity_; // the identity of rows_.front() as read or written
    // Read from a Jet file: the rows are found in the SQLite store made from it, the first
    // by the row id it got there.
    bool fromJet_ = false;
    std::vector<QVariant> pending_; // the row being edited or inserted
    std::vector<bool> written_;     // the fields of the pending row that a control wrote
};
