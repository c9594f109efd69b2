// Each store's schema is written once (schema/): the category table names its tables and
// fields, the program opens stores made from it alone, and every store the repository makes
// (demo, package, benchmark) has exactly its tables and fields.
#include "schema/Schema.h"
#include "catalogue/DataModule.h"
#include "support/TestSupport.h"
#include "types/Category.h"

#include <QDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Every table of a store with its fields in order.
using Tables = std::map<std::string, std::vector<std::string>>;

std::vector<std::string> column(sqlite3* db, const std::string& sql) {
    std::vector<std::string> values;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(statement, 0);
        values.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    sqlite3_finalize(statement);
    return values;
}

Tables tablesOf(const QString& file) {
    Tables tables;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << file.toStdString();
        sqlite3_close(db);
        return tables;
    }
    for (const std::string& table :
         column(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                    "'sqlite\\_%' ESCAPE '\\'"))
        tables[table] = column(db, "SELECT name FROM pragma_table_info('" + table + "')");
    sqlite3_close(db);
    return tables;
}

// The tables a store made from `schema` alone has.
Tables tablesOfSchema(const ScratchDir& dir, std::string_view schema) {
    const QString file = dir.file(QStringLiteral("schema-only.db"));
    QFile::remove(file);
    makeStore(file, std::string(schema));
    return tablesOf(file);
}

QString built(const char* relativePath) {
    return QDir(QStringLiteral(ZANTREL_BINARY_DIR)).filePath(QString::fromUtf8(relativePath));
}

std::string text(std::string_view s) {
    return std::string(s);
}

} // namespace

TEST(Schema, TheCategoryTableNamesTheCatalogueTablesAndFields) {
    ScratchDir dir;
    RecordingPlatform rec;
    const Tables catalogue = tablesOfSchema(dir, schema::kCatalogue);
    Tables expected;
    for (const CategoryInfo& row : kCategories)
        expected[text(row.table)] = {"key", text(row.titleField), text(row.urlField)};
    // Besides the categories only the catalogue's date, which the data module reads.
    TDataModule1 dm;
    const std::string dateTable = dm.UpdateTable.tableName().toStdString();
    ASSERT_TRUE(catalogue.count(dateTable)) << dateTable;
    expected[dateTable] = catalogue.at(dateTable);
    EXPECT_EQ(catalogue, expected);
}

TEST(Schema, StoresMadeFromTheSchemasAloneOpenWithoutABox) {
    ScratchDir dir;
    makeStore(dir.file("bdv.db"), text(schema::kCatalogue));
    makeStore(dir.file("zntconfig.db"), text(schema::kSettings));
    RecordingPlatform rec;
    TDataModule1 dm;
    EXPECT_TRUE(rec.errors().isEmpty()) << rec.errors().join("\n").toStdString();
    for (Category c : kAllCategories)
        EXPECT_TRUE(dm.query(c).active()) << dm.query(c).name().toStdString();
    EXPECT_TRUE(dm.UpdateTable.active());
    for (const StoreTable* table : {&dm.ProxyTable, &dm.AutoupdateTable})
        EXPECT_TRUE(table->active()) << table->name().toStdString();
    EXPECT_GE(dm.AutoupdateTable.fieldIndex(QStringLiteral("autoupdatecheck")), 0);
}

TEST(Schema, EveryStoreTheRepositoryMakesHasTheSchemasTablesAndFields) {
    ScratchDir dir;
    const Tables catalogue = tablesOfSchema(dir, schema::kCatalogue);
    const Tables settings = tablesOfSchema(dir, schema::kSettings);

    makeDemoStores(dir);
    EXPECT_EQ(tablesOf(dir.file("bdv.db")), catalogue) << "demo catalogue";
    EXPECT_EQ(tablesOf(dir.file("zntconfig.db")), settings) << "demo settings";

    EXPECT_EQ(tablesOf(built("packaging/stores/bdv.db")), catalogue) << "package's catalogue";
    EXPECT_EQ(tablesOf(built("packaging/stores/zntconfig.db")), settings) << "package's settings";

    // The search benchmark's generator, at two rows per category.
    const QString generated = dir.file(QStringLiteral("generated"));
    ASSERT_TRUE(QDir().mkpath(generated));
    const std::string command = "'" + built("bench/search/search_catalogue_gen").toStdString() +
                                "' '" + generated.toStdString() +
                                "' 2 '" ZANTREL_SOURCE_DIR "/demo/config.sql' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(tablesOf(generated + QStringLiteral("/bdv.db")), catalogue)
        << "benchmark's catalogue";
    EXPECT_EQ(tablesOf(generated + QStringLiteral("/zntconfig.db")), settings)
        << "benchmark's settings";
}

// The page maker reads the category tables from the schema: it writes one page for every
// entry of every category of the demo catalogue.
TEST(Schema, TheDemoSiteHasAPageForEveryDemoEntry) {
    ScratchDir dir;
    makeDemoStores(dir);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(dir.file("bdv.db")).constData(), &db,
                              SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    std::size_t entries = 0;
    for (const CategoryInfo& row : kCategories)
        entries += std::stoul(column(db, "SELECT count(*) FROM " + text(row.table)).at(0));
    sqlite3_close(db);
    ASSERT_GT(entries, 0u);

    std::size_t pages = 0;
    const QDir site(built("demo/site"));
    for (const QString& folder : site.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        pages += QDir(site.filePath(folder)).entryList({QStringLiteral("*.html")}).size();
    EXPECT_EQ(pages, entries);
}
