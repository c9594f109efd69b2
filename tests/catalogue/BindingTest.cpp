// The settings row binding: edit and insert mode, values written when the focus leaves a
// control or before a post, the modified flag, post and pending edits.
#include "catalogue/DataModule.h"
#include "jet/Fixtures.h"
#include "schema/Schema.h"
#include "support/TestSupport.h"
#include "widgets/DBControls.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

using namespace testing_support;
using State = StoreTable::State;

namespace {

struct Form {
    QWidget window;
    DBEdit* server;
    DBEdit* port;
    DBCheckBox* check;
    QLineEdit* elsewhere;

    explicit Form(StoreTable& proxy) {
        server = new DBEdit(&window);
        port = new DBEdit(&window);
        check = new DBCheckBox(&window);
        elsewhere = new QLineEdit(&window);
        server->bind(&proxy, "adres");
        port->bind(&proxy, "port");
        check->bind(&proxy, "check");
        port->move(0, 30);
        check->move(0, 60);
        elsewhere->move(0, 90);
        window.show();
        window.activateWindow();
        waitFor([&] { return window.isActiveWindow(); }, 2000);
    }
    void focus(QWidget* w) {
        w->setFocus();
        waitFor([&] { return w->hasFocus(); }, 2000);
    }
};

std::string storedPort(const ScratchDir& dir) {
    Store store(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadOnly);
    StoreTable table("t", "proxy", store);
    table.open();
    return table.asString(2).toStdString();
}

} // namespace

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        makeStore(dir.file("bdv.db"), std::string(schema::kCatalogue));
        makeStore(dir.file("zntconfig.db"), demoSettingsSql());
        dm = std::make_unique<TDataModule1>();
        rec.clear();
    }
    ScratchDir dir;
    RecordingPlatform rec;
    std::unique_ptr<TDataModule1> dm;
};

TEST_F(Binding, TypingEntersEditModeAndTheValueReachesTheRowOnlyWhenTheFocusLeaves) {
    StoreTable& proxy = dm->ProxyTable;
    Form form(proxy);
    EXPECT_EQ(form.port->text(), "3128");
    form.focus(form.port);
    form.port->selectAll();
    QTest::keyClicks(form.port, "8080");
    EXPECT_EQ(proxy.state(), State::Edit);
    EXPECT_FALSE(proxy.modified());
    EXPECT_EQ(proxy.asString(2), "3128"); // not written yet

    form.focus(form.elsewhere);
    EXPECT_TRUE(proxy.modified());
    EXPECT_EQ(proxy.asString(2), "8080"); // every reader sees the pending row
    EXPECT_EQ(storedPort(dir), "3128");   // the file does not

    proxy.post();
    EXPECT_EQ(proxy.state(), State::Browse);
    EXPECT_FALSE(proxy.modified());
    EXPECT_EQ(storedPort(dir), "8080");
}

TEST_F(Binding, APostAsksTheEditedControlForItsValueFirst) {
    StoreTable& proxy = dm->ProxyTable;
    Form form(proxy);
    form.focus(form.server);
    form.server->selectAll();
    QTest::keyClicks(form.server, "proxy.local");
    // Still in the edit: the flag is false until the row is updated.
    EXPECT_FALSE(proxy.modified());
    proxy.updateRecord();
    EXPECT_TRUE(proxy.modified());
    proxy.post();
    EXPECT_EQ(proxy.asString(1), "proxy.local");
}

TEST_F(Binding, CancelDropsThePendingRowAndTheControlsShowTheStoredValues) {
    StoreTable& proxy = dm->ProxyTable;
    Form form(proxy);
    form.focus(form.port);
    QTest::keyClick(form.port, Qt::Key_Backspace);
    form.focus(form.elsewhere);
    EXPECT_EQ(proxy.asString(2), "312");
    proxy.cancel();
    EXPECT_EQ(proxy.state(), State::Browse);
    EXPECT_EQ(form.port->text(), "3128");
    EXPECT_EQ(storedPort(dir), "3128");
}

TEST_F(Binding, ACheckBoxClickEditsAndIsWrittenLikeAnEdit) {
    StoreTable& proxy = dm->ProxyTable;
    Form form(proxy);
    EXPECT_FALSE(form.check->isChecked());
    form.focus(form.check);
    QTest::mouseClick(form.check, Qt::LeftButton, {}, QPoint(5, form.check->height() / 2));
    EXPECT_TRUE(form.check->isChecked());
    EXPECT_EQ(proxy.state(), State::Edit);
    EXPECT_FALSE(proxy.asBoolean("check"));
    form.focus(form.elsewhere);
    EXPECT_TRUE(proxy.asBoolean("check"));
    proxy.post();
    Store store(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadOnly);
    StoreTable fresh("t", "proxy", store);
    fresh.open();
    EXPECT_TRUE(fresh.asBoolean("check"));
}

TEST_F(Binding, AnEmptyTableIsInsertedIntoOnTheFirstChange) {
    dm.reset();
    makeStore(dir.file("zntconfig.db"), "DELETE FROM proxy;");
    dm = std::make_unique<TDataModule1>();
    StoreTable& proxy = dm->ProxyTable;
    ASSERT_TRUE(proxy.isEmpty());
    Form form(proxy);
    EXPECT_EQ(form.port->text(), "");
    EXPECT_EQ(form.check->checkState(), Qt::PartiallyChecked); // neither: no row
    form.focus(form.port);
    QTest::keyClicks(form.port, "3128");
    EXPECT_EQ(proxy.state(), State::Insert);
    form.focus(form.elsewhere);
    proxy.post();
    EXPECT_EQ(proxy.recordCount(), 1);
    EXPECT_EQ(storedPort(dir), "3128");
}

TEST_F(Binding, CheckBoxShowsNeitherForNullAndNoRowAndReadsItAsUnchecked) {
    const struct {
        const char* sql;
        Qt::CheckState shown;
    } cases[] = {{"UPDATE autoupdate SET autoupdatecheck = NULL;", Qt::PartiallyChecked},
                 {"DELETE FROM autoupdate;", Qt::PartiallyChecked},
                 {"INSERT INTO autoupdate (autoupdatecheck) VALUES (1);", Qt::Checked},
                 {"UPDATE autoupdate SET autoupdatecheck = 0;", Qt::Unchecked}};
    Form form(dm->ProxyTable);
    auto* box = new DBCheckBox(&form.window);
    box->move(0, 120);
    box->show();
    box->bind(&dm->AutoupdateTable, "autoupdatecheck");
    for (const auto& c : cases) {
        makeStore(dir.file("zntconfig.db"), c.sql);
        dm->AutoupdateTable.close();
        EXPECT_EQ(box->checkState(), Qt::Unchecked) << c.sql; // a closed table
        dm->AutoupdateTable.open();
        EXPECT_EQ(box->checkState(), c.shown) << c.sql;
        EXPECT_EQ(box->checked(), c.shown == Qt::Checked) << c.sql;
    }
    // From neither a click checks the box, and checked is what is written.
    makeStore(dir.file("zntconfig.db"), "UPDATE autoupdate SET autoupdatecheck = NULL;");
    dm->AutoupdateTable.close();
    dm->AutoupdateTable.open();
    form.focus(box);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_EQ(box->checkState(), Qt::Checked);
    form.focus(form.elsewhere);
    dm->AutoupdateTable.post();
    EXPECT_EQ(box->checkState(), Qt::Checked);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_EQ(box->checkState(), Qt::Unchecked);
    Store store(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadOnly);
    StoreTable fresh("t", "autoupdate", store);
    fresh.open();
    EXPECT_TRUE(fresh.asBoolean("autoupdatecheck"));
}

TEST_F(Binding, PendingEditsDieWithTheModule) {
    {
        Form form(dm->ProxyTable);
        form.focus(form.port);
        QTest::keyClicks(form.port, "9");
        form.focus(form.elsewhere);
        EXPECT_EQ(dm->ProxyTable.asString(2), "31289");
        dm.reset();
    }
    EXPECT_EQ(storedPort(dir), "3128");
}

TEST_F(Binding, AFailedPostKeepsThePendingRowAndReportsTheStore) {
    StoreTable& proxy = dm->ProxyTable;
    proxy.edit();
    proxy.setValue(2, QString("1"));
    // Another connection holds the write lock.
    Store other(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadWrite);
    other.open();
    Statement lock(other, "BEGIN EXCLUSIVE");
    lock.step();
    EXPECT_THROW(proxy.post(), EDatabaseError);
    EXPECT_EQ(proxy.state(), State::Edit);
    EXPECT_EQ(proxy.asString(2), "1");
}

// A post finds the row it read by that row's identity, whatever the other rows hold.
TEST(StoreTableIdentity, APostChangesTheRowThatWasReadAndNoOther) {
    const char* tables[] = {
        "CREATE TABLE t (key1 INTEGER, v TEXT); INSERT INTO t VALUES (1, 'a'), (1, 'b');",
        "CREATE TABLE t (key1, v TEXT); INSERT INTO t VALUES (1, 'a'), (1.0, 'b');",
        "CREATE TABLE t (KEY1 TEXT COLLATE NOCASE, v TEXT); INSERT INTO t VALUES ('k', 'a'), "
        "('K', 'b');",
        // The primary key is the identity, and a post that changes it follows it.
        "CREATE TABLE t (k INTEGER, v TEXT, PRIMARY KEY (k, v)) WITHOUT ROWID; INSERT INTO t "
        "VALUES (1, 'a'), (1, 'b');",
        // A column of that name hides the row id's first name.
        "CREATE TABLE t (rowid TEXT, v TEXT); INSERT INTO t VALUES ('r', 'a'), ('r', 'b');",
    };
    for (const char* sql : tables) {
        ScratchDir dir;
        makeStore(dir.file("s.db"), sql);
        Store store(dir.file("s.db").toStdString(), Store::Mode::ReadWrite);
        StoreTable table("t", "t", store);
        table.open();
        for (const char* value : {"x", "y"}) {
            table.edit();
            table.setValue("v", QString(value));
            table.post();
        }
        Statement stored(store, "SELECT group_concat(v) FROM (SELECT v FROM t ORDER BY v)");
        ASSERT_TRUE(stored.step());
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stored.get(), 0)), "b,y")
            << sql;
    }
}

// The settings store as a Jet file: read as written, and made a SQLite store by the first save.
namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

// A SQLite table's rows, each value with its storage class: 1 is not '1' and not 1.0.
QStringList dump(const QString& path, const std::string& table) {
    Store store(path.toStdString(), Store::Mode::ReadOnly);
    Statement read(store, "SELECT * FROM " + table);
    QStringList rows;
    while (read.step()) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(read.get()); ++i) {
            const int type = sqlite3_column_type(read.get(), i);
            const QString text = QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(read.get(), i)));
            row << (type == SQLITE_NULL ? "NULL" : type == SQLITE_TEXT ? "'" + text + "'" : text);
        }
        rows << row.join('|');
    }
    return rows;
}

class JetSettings : public ::testing::TestWithParam<jet::Format> {
protected:
    void SetUp() override {
        makeStore(dir.file("bdv.db"), std::string(schema::kCatalogue));
        jetBytes = QByteArray::fromStdString(jetfixtures::settings(GetParam()));
        QFile file(dir.file("zntconfig.db"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(jetBytes);
        file.close();
        dm = std::make_unique<TDataModule1>();
        dm->ProxyTable.edit();
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    ScratchDir dir;
    RecordingPlatform rec;
    QByteArray jetBytes;
    std::unique_ptr<TDataModule1> dm;
};

} // namespace

TEST_P(JetSettings, RowsAreReadByPositionWithNullsAndBooleansAsFromASQLiteStore) {
    EXPECT_TRUE(rec.errors().isEmpty()) << rec.errors().join("\n").toStdString();
    const StoreTable& proxy = dm->ProxyTable;
    EXPECT_EQ(proxy.asString(1), "прокси.test");
    EXPECT_EQ(proxy.asString(2), "3128");
    EXPECT_TRUE(proxy.value(3).isNull());
    EXPECT_FALSE(proxy.value(4).isNull()); // the empty text is not null
    EXPECT_EQ(proxy.value(5), QVariant(qlonglong(1)));
    EXPECT_EQ(dm->AutoupdateTable.value(1), QVariant(qlonglong(0)));
    Form form(dm->ProxyTable);
    EXPECT_EQ(form.check->checkState(), Qt::Checked);
}

TEST_P(JetSettings, TheFirstSaveMakesASQLiteStoreOfEveryRowAndKeepsTheJetFile) {
    dm->ProxyTable.setValue(2, QString("8080"));
    dm->ProxyTable.post();
    EXPECT_EQ(bytesOf(dir.file("zntconfig.db.jet")), jetBytes);
    EXPECT_EQ(files(), QStringList({"bdv.db", "zntconfig.db", "zntconfig.db.jet"}));
    const QString db = dir.file("zntconfig.db");
    EXPECT_EQ(dump(db, "proxy"), QStringList({"1|'прокси.test'|'8080'|NULL|''|1|'заметка'"}));
    EXPECT_EQ(dump(db, "autoupdate"), QStringList({"1|0"}));
    EXPECT_EQ(dump(db, "extra"), QStringList({"5|2460018.75|7|-2|2.5", "2|NULL|NULL|NULL|NULL"}));
    EXPECT_EQ(
        dump(db, "sqlite_master").join("\n").count("\"key1\" INTEGER PRIMARY KEY AUTOINCREMENT"),
        2); // proxy's and autoupdate's, not the keys out of order
    // The next saves write the SQLite store in place, the other table's row included.
    dm->AutoupdateTable.edit();
    dm->AutoupdateTable.setValue(1, true);
    dm->AutoupdateTable.post();
    EXPECT_EQ(dump(db, "autoupdate"), QStringList({"1|1"}));
    EXPECT_EQ(files(), QStringList({"bdv.db", "zntconfig.db", "zntconfig.db.jet"}));
}

TEST_P(JetSettings, AConversionWhoseRenameFailsGoesOnWithTheJetFile) {
    Store store(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadWrite,
                Store::Formats::SQLiteOrJet);
    store.open();
    // The name the Jet file is to be kept under is taken while the new store is made.
    const auto takeTheName = [&](Store&) {
        QFile taken(dir.file("zntconfig.db.jet"));
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    };
    EXPECT_THROW(store.convertFromJet(takeTheName), EDatabaseError);
    EXPECT_NE(store.jetFile(), nullptr);
    EXPECT_EQ(bytesOf(dir.file("zntconfig.db")), jetBytes);
    EXPECT_EQ(files(), QStringList({"bdv.db", "zntconfig.db", "zntconfig.db.jet"}));
}

#ifndef _WIN32
TEST_P(JetSettings, AWriteThatFailsHalfWayChangesNothing) {
    dm->ProxyTable.setValue(2, QString("8080"));
    // The folder's file system is full.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit limit = before;
    limit.rlim_cur = 2048;
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(dm->ProxyTable.post(), EDatabaseError);
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_EQ(dm->ProxyTable.state(), State::Edit);
    EXPECT_EQ(bytesOf(dir.file("zntconfig.db")), jetBytes);
    EXPECT_EQ(files(), QStringList({"bdv.db", "zntconfig.db"}));
    dm->ProxyTable.post(); // now it can
    EXPECT_EQ(dump(dir.file("zntconfig.db"), "proxy")[0].section('|', 2, 2), "'8080'");
}
#endif

INSTANTIATE_TEST_SUITE_P(, JetSettings, ::testing::Values(jet::Format::Jet3, jet::Format::Jet4),
                         [](const auto& info) {
                             return info.param == jet::Format::Jet3 ? "Jet3" : "Jet4";
                         });
