#include "catalogue/DataModule.h"
#include "jet/Fixtures.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
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

TEST(DataModule, OnlyTheSettingsStoreMissingGivesThreeBoxes) {
    ScratchDir dir;
    makeStore(dir.file("bdv.db"), demoCatalogueSql());
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
    EXPECT_TRUE(errors[0].contains("file is not a database"));
    EXPECT_TRUE(errors[2].contains("no such table: autoupdate"));
    EXPECT_TRUE(dm.ProxyTable.active());
    EXPECT_TRUE(dm.ProxyTable.isEmpty());
}

TEST(DataModule, OneMissingCategoryTableLeavesTheOthersOpen) {
    ScratchDir dir;
    std::string sql = demoCatalogueSql() + "DROP TABLE bds;";
    makeStore(dir.file("bdv.db"), sql);
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    RecordingPlatform rec;
    TDataModule1 dm;
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.errors()[0].contains("no such table: bds"));
    EXPECT_FALSE(dm.query(Category::Serials).active());
    EXPECT_TRUE(dm.query(Category::VKontakte).active());
    EXPECT_TRUE(dm.query(Category::Cartoons).active());
}

TEST(DataModule, DemoStoresGiveRowsInStoreOrderWithTheFirstCurrent) {
    ScratchDir dir;
    makeDemoStores(dir);
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
    EXPECT_FALSE(dm.updateDateText().isEmpty());
}

TEST(DataModule, AnEmptyCategoryGivesNoCurrentRowAndAnEmptyAddress) {
    ScratchDir dir;
    makeStore(dir.file("bdv.db"), demoCatalogueSql() + "DELETE FROM bdm;");
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    RecordingPlatform rec;
    TDataModule1 dm;
    EXPECT_TRUE(dm.query(Category::Cartoons).active());
    EXPECT_EQ(dm.query(Category::Cartoons).currentRow(), -1);
    EXPECT_EQ(dm.query(Category::Cartoons).currentUrl(), "");
}
