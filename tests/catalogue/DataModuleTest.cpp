#include "catalogue/DataModule.h"
#include "CatalogueFixture.h"
#include "jet/Fixtures.h"
#include "jet/JetWriter.h"
#include "support/TestSupport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <functional>
#include <gtest/gtest.h>

using namespace testing_support;

TEST(DataModule, AnEmptyFolderGivesNineBoxesInOrderAndNothingIsCreated) {
    ScratchDir dir;
    RecordingPlatform rec;
    TDataModule1 dm;
    const QStringList errors = rec.errors();
    ASSERT_EQ(errors.size(), 9) << errors.join("\n").toStdString();
    // bdv.db: the connection, then the date table; zntconfig.db: proxy table, its
    // connection, the flag table; then the category queries on the catalogue again.
    const char* stores[] = {"bdv.db", "bdv.db", "zntconfig.db", "zntconfig.db", "zntconfig.db",
                            "bdv.db", "bdv.db", "bdv.db",       "bdv.db"};
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE(errors[i].startsWith(QString(stores[i]) + ": ")) << errors[i].toStdString();
    EXPECT_FALSE(QFile::exists(dir.file("bdv.db")));
    EXPECT_FALSE(QFile::exists(dir.file("zntconfig.db")));
    for (Category c : kAllCategories) {
        EXPECT_FALSE(dm.query(c).active());
        EXPECT_EQ(dm.query(c).rowCount(), 0);
        EXPECT_EQ(dm.query(c).currentUrl(), "");
    }
    EXPECT_FALSE(dm.ProxyTable.active());
    EXPECT_EQ(dm.ProxyTable.asString(2), "");
    EXPECT_FALSE(dm.AutoupdateTable.asBoolean("autoupdatecheck"));
    EXPECT_EQ(dm.updateDateText(), "");
}

class DataModuleFormats : public CatalogueFormats {};

TEST_P(DataModuleFormats, OnlyTheSettingsStoreMissingGivesThreeBoxes) {
    makeCatalogue(demoCatalogueSql());
    RecordingPlatform rec;
    TDataModule1 dm;
    EXPECT_EQ(rec.errors().size(), 3);
    EXPECT_TRUE(dm.query(Category::Films).active());
}

TEST(DataModule, ASettingsFileThatIsNoStoreGivesItsThreeBoxesNamingItAndIsNotChanged) {
    const QByteArray jet4 = QByteArray::fromStdString(jetfixtures::settings(jet::Format::Jet4));
    jetwriter::Options encrypted;
    encrypted.databaseKey = 0x1234;
    const struct {
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {QByteArray(4096, 'x'), "zntconfig.db: not a SQLite or Jet database"},
        {QByteArray(jet4).replace(4, 16, QByteArray("Standard ACE DB\0", 16)),
         "zntconfig.db: Access 2007 or later file (.accdb) is not supported"},
        {QByteArray::fromStdString(jetwriter::write({}, encrypted)),
         "zntconfig.db: encrypted Jet file"},
        {jet4.chopped(100), "zntconfig.db: damaged Jet file (cut short"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        makeStore(dir.file("bdv.db"), demoCatalogueSql());
        QFile file(dir.file("zntconfig.db"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.bytes) == c.bytes.size());
        file.close();
        RecordingPlatform rec;
        TDataModule1 dm;
        // The proxy table, the connection, the flag table.
        EXPECT_EQ(rec.errors().size(), 3) << c.message;
        for (const QString& error : rec.errors())
            EXPECT_TRUE(error.startsWith(c.message)) << error.toStdString();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.bytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }
}

TEST(DataModule, DamagedStoresAndMissingTablesAreReportedAndPassedOver) {
    ScratchDir dir;
    {
        QFile junk(dir.file("bdv.db"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
    }
    // A settings store without the flag table.
    makeStore(dir.file("zntconfig.db"),
              "CREATE TABLE proxy (key1 INTEGER PRIMARY KEY, adres TEXT, port TEXT, login TEXT,"
              " password TEXT, \"check\" BOOLEAN);");
    RecordingPlatform rec;
    TDataModule1 dm;
    const QStringList errors = rec.errors();
    ASSERT_EQ(errors.size(), 7) << errors.join("\n").toStdString();
    EXPECT_TRUE(errors[0].startsWith("bdv.db: not a SQLite or Jet database"))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[2].contains("no such table: autoupdate"));
    EXPECT_TRUE(dm.ProxyTable.active());
    EXPECT_TRUE(dm.ProxyTable.isEmpty());
}

TEST_P(DataModuleFormats, OneMissingCategoryTableLeavesTheOthersOpen) {
    makeCatalogue(demoCatalogueSql() + "DROP TABLE bds;");
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    RecordingPlatform rec;
    TDataModule1 dm;
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.errors()[0].contains("no such table: bds"));
    EXPECT_FALSE(dm.query(Category::Serials).active());
    EXPECT_TRUE(dm.query(Category::VKontakte).active());
    EXPECT_TRUE(dm.query(Category::Cartoons).active());
}

TEST_P(DataModuleFormats, DemoStoresGiveRowsInStoreOrderWithTheFirstCurrent) {
    makeCatalogue(demoCatalogueSql());
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    RecordingPlatform rec;
    TDataModule1 dm;
    EXPECT_TRUE(rec.events.empty());
    CatalogueQuery& films = dm.query(Category::Films);
    ASSERT_EQ(films.rowCount(), 31);
    EXPECT_EQ(films.sql(), QStringList({"SELECT*", "FROM bdf"}));
    EXPECT_EQ(films.currentRow(), 0);
    EXPECT_EQ(films.title(0), "Ирония судьбы, или С лёгким паром!");
    EXPECT_EQ(films.currentUrl(), "http://127.0.0.1:8080/films/1.html");
    for (int i = 1; i < films.rowCount(); ++i)
        EXPECT_LT(films.key(i - 1), films.key(i));
    // The entry without a title is listed at start.
    EXPECT_TRUE(films.titleIsNull(30));
    EXPECT_EQ(films.title(30), "");
    EXPECT_EQ(dm.query(Category::VKontakte).url(2), "http://127.0.0.1:8080/vk/3.html");

    films.setCurrentRow(4);
    EXPECT_EQ(films.currentUrl(), "http://127.0.0.1:8080/films/5.html");
    films.setCurrentRow(500); // out of range: stays
    EXPECT_EQ(films.currentRow(), 4);

    EXPECT_EQ(dm.ProxyTable.asString(1), "127.0.0.1");
    EXPECT_EQ(dm.ProxyTable.asString(2), "3128");
    EXPECT_FALSE(dm.ProxyTable.asBoolean("check"));
    EXPECT_FALSE(dm.AutoupdateTable.asBoolean("autoupdatecheck"));
    // 2026-11-28 14:30:00: the date, then the time.
    const QString day = QLocale::system().toString(QDate(2026, 11, 28), QLocale::ShortFormat);
    EXPECT_TRUE(dm.updateDateText().startsWith(day + " ")) << dm.updateDateText().toStdString();
    EXPECT_TRUE(dm.updateDateText().contains("30")) << dm.updateDateText().toStdString();
}

TEST_P(DataModuleFormats, AnEmptyCategoryGivesNoCurrentRowAndAnEmptyAddress) {
    makeCatalogue(demoCatalogueSql() + "DELETE FROM bdm;");
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    RecordingPlatform rec;
    TDataModule1 dm;
    EXPECT_TRUE(dm.query(Category::Cartoons).active());
    EXPECT_EQ(dm.query(Category::Cartoons).currentRow(), -1);
    EXPECT_EQ(dm.query(Category::Cartoons).currentUrl(), "");
}

ZANTREL_ALL_CATALOGUE_FORMATS(DataModuleFormats);

namespace {

void put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// The demo catalogue as a Jet 4 file, damaged by `damage`, as bdv.db beside a good settings
// store.
std::string writeCatalogue(const ScratchDir& dir,
                           const std::function<void(std::string&, jetwriter::Layout&)>& damage,
                           jetwriter::Options options = {}) {
    makeStore(dir.file("master.db"), demoCatalogueSql());
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    jetwriter::Layout layout;
    std::string bytes = jetCopyOf(dir.file("master.db"), options, &layout);
    damage(bytes, layout);
    QFile out(dir.file("bdv.db"));
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return bytes;
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// A file that cannot be read as a catalogue gives the connection's box and one for each of its
// datasets, naming the file and what is wrong; nothing is read and the file stays as it was.
TEST(CatalogueFile, AFileThatIsNoReadableCatalogueGivesSixBoxesNamingIt) {
    using Damage = std::function<void(std::string&, jetwriter::Layout&)>;
    const Damage none = [](std::string&, jetwriter::Layout&) {};
    jetwriter::Options encrypted, version;
    encrypted.databaseKey = 0x1234;
    version.version = 7;
    const struct Case {
        const char* what;
        Damage damage;
        jetwriter::Options options;
        const char* message;
    } cases[] = {
        {"garbage",
         [](std::string& s, auto&) { s.assign(4096, 'x'); },
         {},
         "bdv.db: not a SQLite or Jet database"},
        {"Access 2007",
         [](std::string& s, auto&) { s.replace(4, 16, std::string("Standard ACE DB\0", 16)); },
         {},
         "bdv.db: Access 2007 or later file (.accdb) is not supported"},
        {"encrypted", none, encrypted, "bdv.db: encrypted Jet file"},
        {"unsupported version", none, version, "bdv.db: unsupported Jet version 7"},
        {"truncated",
         [](std::string& s, auto&) { s.resize(s.size() - 100); },
         {},
         "bdv.db: damaged Jet file (cut short: "},
        {"page pointer out of range",
         [](std::string& s, auto& l) {
             put32(s, l.definitionPage.at("bdf") * l.pageSize + 0x37, 0x123400);
         },
         {},
         "bdv.db: damaged Jet file (page 4660 out of range)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        const std::string written = writeCatalogue(dir, c.damage, c.options);
        RecordingPlatform rec;
        {
            TDataModule1 dm;
            const bool wholeFile = std::string(c.what) != "page pointer out of range";
            const QStringList errors = rec.errors();
            ASSERT_EQ(errors.size(), wholeFile ? 6 : 1) << errors.join("\n").toStdString();
            for (const QString& e : errors)
                EXPECT_TRUE(e.startsWith(QString::fromUtf8(c.message))) << e.toStdString();
            EXPECT_FALSE(dm.query(Category::Films).active());
            EXPECT_EQ(dm.query(Category::Films).rowCount(), 0);
            EXPECT_EQ(dm.query(Category::Cartoons).active(), !wholeFile);
            EXPECT_EQ(dm.updateDateText().isEmpty(), wholeFile);
            EXPECT_TRUE(dm.ProxyTable.active());
        }
        EXPECT_EQ(contents(dir.file("bdv.db")), QByteArray::fromStdString(written));
    }
}
