// The catalogue as a SQLite store.
#include "catalogue/CatalogueSource.h"
#include "catalogue/Store.h"

#include <sqlite3.h>

namespace {

class SqliteCatalogue : public CatalogueSource {
public:
    explicit SqliteCatalogue(const std::string& fileName)
        : store_(fileName, Store::Mode::ReadOnly) {}

    void open() { store_.open(); }

    std::uint64_t identity() override { return static_cast<std::uint64_t>(store_.dataVersion()); }

    void readCategory(const CategoryInfo& info, const std::string& dataset,
                      const RowSink& onRow) override {
        const std::string table(info.table);
        // The statement as the query shows it tells a missing store, table or field in the
        // store's words.
        std::vector<std::string> names;
        {
            Statement probe(store_, "SELECT*\r\nFROM " + table + "\r\n");
            const int columns = sqlite3_column_count(probe.get());
            for (int i = 0; i < columns; ++i)
                names.emplace_back(sqlite3_column_name(probe.get(), i));
        }
        const CategoryFields fields = findCategoryFields(names, info, dataset);
        auto name = [&](int i) { return quoteIdentifier(names[static_cast<std::size_t>(i)]); };
        // The rows come in the order the table holds them: no index may order them instead.
        const std::string key = fields.key < 0 ? std::string("NULL") : name(fields.key);
        Statement rows(store_, "SELECT " + key + ", " + name(fields.title) + ", " +
                                   name(fields.url) + " FROM " + quoteIdentifier(table) +
                                   " NOT INDEXED");
        sqlite3_stmt* st = rows.get();
        auto column = [st](int i) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            return std::string_view(t ? t : "",
                                    static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
        };
        while (rows.step()) {
            const std::int64_t k = sqlite3_column_int64(st, 0);
            const bool nullTitle = sqlite3_column_type(st, 1) == SQLITE_NULL;
            const std::string_view title = column(1);
            onRow(k, title, nullTitle, column(2));
        }
    }

    CatalogueDate firstUpdate(std::string_view table) override {
        Statement rows(store_, "SELECT * FROM " + quoteIdentifier(table));
        if (!rows.step())
            return {};
        sqlite3_stmt* st = rows.get();
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            if (QString::fromUtf8(sqlite3_column_name(st, i))
                    .compare(QLatin1String("update"), Qt::CaseInsensitive) != 0)
                continue;
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_NULL:
                return {};
            case SQLITE_INTEGER: {
                // A number is a Julian day, as SQLite keeps dates in real columns.
                const sqlite3_int64 day = sqlite3_column_int64(st, i);
                return CatalogueDate::fromJulianDay(static_cast<double>(day), QString::number(day));
            }
            case SQLITE_FLOAT: {
                const double day = sqlite3_column_double(st, i);
                char* text = sqlite3_mprintf("%!.15g", day);
                const QString stored = QString::fromUtf8(text ? text : "");
                sqlite3_free(text);
                return CatalogueDate::fromJulianDay(day, stored);
            }
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                return CatalogueDate::fromText(
                    QString::fromUtf8(text, sqlite3_column_bytes(st, i)));
            }
            }
        }
        return {};
    }

    std::unique_ptr<CatalogueSource> reader() const override {
        // A connection of its own, opened by the thread that reads with it.
        return std::make_unique<SqliteCatalogue>(store_.fileName());
    }

private:
    Store store_;
};

} // namespace

std::unique_ptr<CatalogueSource> openSqliteCatalogue(const std::string& fileName) {
    auto source = std::make_unique<SqliteCatalogue>(fileName);
    source->open();
    return source;
}
