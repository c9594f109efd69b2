#include "catalogue/CatalogueQuery.h"

#include <sqlite3.h>

CatalogueQuery::CatalogueQuery(QString name, Category category, Store& store, QObject* parent)
    : QObject(parent), name_(std::move(name)), category_(category), store_(store),
      sql_(initialSql()) {}

QStringList CatalogueQuery::initialSql() const {
    return {QStringLiteral("SELECT*"),
            QStringLiteral("FROM ") +
                QString::fromLatin1(info().table.data(), static_cast<int>(info().table.size()))};
}

void CatalogueQuery::setSql(const QStringList& lines) {
    close();
    sql_ = lines;
    filter_ = QString();
}

void CatalogueQuery::setFilter(const QString& text) {
    const QString title =
        QString::fromLatin1(info().titleField.data(), static_cast<int>(info().titleField.size()));
    setSql(initialSql() << QStringLiteral("WHERE ") + title + QStringLiteral(" LIKE ?1"));
    filter_ = text.isNull() ? QStringLiteral("") : text;
}

void CatalogueQuery::open() {
    if (active_)
        return;
    QString text;
    for (const QString& line : sql_)
        text += line + QStringLiteral("\r\n");
    Statement stmt(store_, text.toStdString());
    if (!filter_.isNull()) {
        const QByteArray pattern = (QLatin1Char('%') + filter_ + QLatin1Char('%')).toUtf8();
        sqlite3_bind_text(stmt.get(), 1, pattern.constData(), static_cast<int>(pattern.size()),
                          SQLITE_TRANSIENT);
    }
    // Fields by name: key, title, address, whatever order the table keeps them in.
    int keyColumn = -1, titleColumn = -1, urlColumn = -1;
    const int columns = sqlite3_column_count(stmt.get());
    for (int i = 0; i < columns; ++i) {
        const QString column = QString::fromUtf8(sqlite3_column_name(stmt.get(), i));
        auto is = [&](std::string_view field) {
            return column.compare(QString::fromLatin1(field.data(), int(field.size())),
                                  Qt::CaseInsensitive) == 0;
        };
        if (is("key"))
            keyColumn = i;
        else if (is(info().titleField))
            titleColumn = i;
        else if (is(info().urlField))
            urlColumn = i;
    }
    if (titleColumn < 0 || urlColumn < 0)
        throw EDatabaseError(name_.toStdString() + ": Field '" +
                             std::string(titleColumn < 0 ? info().titleField : info().urlField) +
                             "' not found");
    std::vector<Row> rows;
    while (stmt.step()) {
        Row row;
        if (keyColumn >= 0)
            row.key = sqlite3_column_int64(stmt.get(), keyColumn);
        row.titleNull = sqlite3_column_type(stmt.get(), titleColumn) == SQLITE_NULL;
        row.title = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), titleColumn)),
            sqlite3_column_bytes(stmt.get(), titleColumn));
        row.url = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), urlColumn)),
            sqlite3_column_bytes(stmt.get(), urlColumn));
        rows.push_back(std::move(row));
    }
    emit aboutToReset();
    rows_ = std::move(rows);
    active_ = true;
    current_ = rows_.empty() ? -1 : 0;
    emit reset();
    emit currentRowChanged(current_);
}

void CatalogueQuery::close() {
    if (!active_)
        return;
    emit aboutToReset();
    active_ = false;
    rows_.clear();
    current_ = -1;
    emit reset();
    emit currentRowChanged(current_);
}

qint64 CatalogueQuery::key(int row) const {
    return row >= 0 && row < rowCount() ? rows_[row].key : 0;
}

QString CatalogueQuery::title(int row) const {
    return row >= 0 && row < rowCount() ? rows_[row].title : QString();
}

bool CatalogueQuery::titleIsNull(int row) const {
    return row >= 0 && row < rowCount() ? rows_[row].titleNull : true;
}

QString CatalogueQuery::url(int row) const {
    return row >= 0 && row < rowCount() ? rows_[row].url : QString();
}

void CatalogueQuery::setCurrentRow(int row) {
    if (row < 0 || row >= rowCount() || row == current_)
        return;
    current_ = row;
    emit currentRowChanged(current_);
}
