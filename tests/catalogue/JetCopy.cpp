#include "JetCopy.h"

#include "jet/JetWriter.h"

#include <QDateTime>
#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace {

struct Db {
    sqlite3* db = nullptr;
    explicit Db(const QString& file) {
        if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY,
                            nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + file.toStdString());
    }
    ~Db() { sqlite3_close(db); }
    template <class F> void each(const std::string& sql, F&& row) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        while (sqlite3_step(st) == SQLITE_ROW)
            row(st);
        sqlite3_finalize(st);
    }
};

std::string text(sqlite3_stmt* st, int i) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    return std::string(t ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
}

jet::Value valueOf(sqlite3_stmt* st, int i, jet::ColumnType type) {
    if (sqlite3_column_type(st, i) == SQLITE_NULL)
        return std::monostate{};
    switch (type) {
    case jet::ColumnType::Long:
        return static_cast<std::int32_t>(sqlite3_column_int64(st, i));
    case jet::ColumnType::Boolean:
        return sqlite3_column_int64(st, i) != 0;
    case jet::ColumnType::DateTime: {
        if (sqlite3_column_type(st, i) != SQLITE_TEXT)
            return jet::DateTime{sqlite3_column_double(st, i) - 2415018.5};
        QDateTime when = QDateTime::fromString(QString::fromStdString(text(st, i)),
                                               QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        when.setTimeSpec(Qt::UTC);
        const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
        return jet::DateTime{static_cast<double>(epoch.msecsTo(when)) / 86400000.0};
    }
    default:
        return text(st, i);
    }
}

} // namespace

std::string jetCopyOf(const QString& from, jet::Format format) {
    jetwriter::Options options;
    options.format = format;
    options.codePage = 1251;
    options.compressText = true;
    return jetCopyOf(from, options);
}

std::string jetCopyOf(const QString& from, jetwriter::Options options, jetwriter::Layout* layout) {
    Db db(from);
    std::vector<jetwriter::Table> tables;
    std::vector<std::string> names;
    db.each("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
            "ORDER BY rowid",
            [&](sqlite3_stmt* st) { names.push_back(text(st, 0)); });
    for (const std::string& name : names) {
        jetwriter::Table table{name, {}, {}};
        db.each("PRAGMA table_info(\"" + name + "\")", [&](sqlite3_stmt* st) {
            const QString declared = QString::fromStdString(text(st, 2)).toUpper();
            jet::ColumnType type = jet::ColumnType::Text;
            if (declared.contains(QStringLiteral("INT")))
                type = jet::ColumnType::Long;
            else if (declared.contains(QStringLiteral("BOOL")))
                type = jet::ColumnType::Boolean;
            else if (declared.contains(QStringLiteral("DATE")))
                type = jet::ColumnType::DateTime;
            table.columns.push_back({text(st, 1), type, 255});
        });
        db.each("SELECT * FROM \"" + name + "\" ORDER BY rowid", [&](sqlite3_stmt* st) {
            jet::Row row;
            for (int i = 0; i < static_cast<int>(table.columns.size()); ++i)
                row.push_back(valueOf(st, i, table.columns[static_cast<std::size_t>(i)].type));
            table.rows.push_back(std::move(row));
        });
        // Text longer than a text field holds goes into a memo.
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            for (const jet::Row& row : table.rows)
                if (const auto* s = std::get_if<std::string>(&row[c]);
                    s && QString::fromStdString(*s).size() > 255)
                    table.columns[c].type = jet::ColumnType::Memo;
        tables.push_back(std::move(table));
    }
    return jetwriter::write(tables, options, layout);
}
