// The proxy, settings and About dialogs and the help command, through the real windows.
#include "dialogs/AboutUnit.h"
#include "dialogs/ConfigUnit.h"
#include "jet/Fixtures.h"
#include "net/IdHTTP.h"
#include "net/ProxyUnit.h"
#include "platform/Guard.h"
#include "platform/core/Version.h"
#include "support/net/ScriptedServer.h"
#include "tests/dialogs/DialogsSupport.h"
#include "ui_AboutUnit.h"
#include "ui_ConfigUnit.h"
#include "ui_Main.h"
#include "ui_ProxyUnit.h"

#include <QDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace testing_support;
using namespace dialogs_test;
using ztest::ScriptedServer;

namespace {

const QString kSaved = "Изменения настроек приняты. Для того чтобы обновления вступили в силу "
                       "программа должна перезапуститься!";

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        makeStore(dir.file("bdv.db"), demoCatalogueSql());
        makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    }
    void start() {
        createProgram();
        MainForm->show();
        waitFor([] { return MainForm->activated(); }, 1000);
        waitFor([] { return false; }, 30); // let the activation handler run
        rec.clear();
    }
    void TearDown() override { destroyProgram(); }

    QStringList storedProxy() {
        Store store(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadOnly);
        StoreTable t("t", "proxy", store);
        t.open();
        return {t.asString(1), t.asString(2), t.asString(3), t.asString(4), t.asString(5)};
    }
    int starts() const {
        int n = 0;
        for (const auto& e : rec.events)
            n += e.kind == Recorded::Kind::Start;
        return n;
    }
    Ui::ProxyForm& proxyUi() { return *ProxyForm->ui(); }
    void openProxy(const std::function<void()>& action) {
        whileModal(
            ProxyForm, [] { MainForm->ui()->N3->trigger(); }, action);
    }
    static void type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    ScratchDir dir;
    RecordingPlatform rec;
};

} // namespace

TEST_F(Dialogs, ProxyDialogLayout) {
    start();
    EXPECT_EQ(ProxyForm->windowTitle(), "Настройка прокси");
    EXPECT_EQ(ProxyForm->size(), QSize(412, 226));
    EXPECT_EQ(proxyUi().ServerDBEdit->geometry(), QRect(15, 55, 121, 21));
    EXPECT_EQ(proxyUi().PortDBEdit->geometry(), QRect(240, 55, 121, 21));
    EXPECT_EQ(proxyUi().LoginDBEdit->geometry(), QRect(15, 95, 121, 21));
    EXPECT_EQ(proxyUi().PasswordDBEdit->geometry(), QRect(240, 95, 121, 21));
    EXPECT_EQ(proxyUi().DBCheckBox1->geometry(), QRect(145, 135, 225, 17));
    EXPECT_EQ(proxyUi().BitBtn1->text(), "Сохранить");
    EXPECT_EQ(proxyUi().BitBtn2->text(), "Отмена");
    EXPECT_TRUE(proxyUi().BitBtn1->isDefault());
    EXPECT_EQ(proxyUi().PortDBEdit->text(), "3128");
    EXPECT_EQ(proxyUi().PasswordDBEdit->echoMode(), QLineEdit::Normal);
}

TEST_F(Dialogs, CancelKeepsTheEditForALaterSaveWhichRestarts) {
    start();
    openProxy([&] {
        type(proxyUi().ServerDBEdit, "proxy.test");
        proxyUi().PortDBEdit->setFocus();
        QTest::mouseClick(proxyUi().BitBtn2, Qt::LeftButton);
    });
    EXPECT_FALSE(ProxyForm->isVisible());
    EXPECT_EQ(storedProxy()[0], "127.0.0.1"); // nothing written
    EXPECT_TRUE(rec.events.empty());
    // The running client is not touched by the dialog.
    EXPECT_EQ(MainForm->IdHTTP.ProxyParams().ProxyServer(), "");

    openProxy([&] {
        EXPECT_EQ(proxyUi().ServerDBEdit->text(), "proxy.test"); // shown again
        QTest::mouseClick(proxyUi().BitBtn1, Qt::LeftButton);
    });
    EXPECT_EQ(storedProxy()[0], "proxy.test");
    EXPECT_EQ(rec.messages(), QStringList({kSaved}));
    EXPECT_EQ(starts(), 1);
    EXPECT_EQ(rec.events.back().text, QCoreApplication::applicationFilePath());
}

TEST_F(Dialogs, EnterInTheFieldJustEditedSavesItsValue) {
    start();
    openProxy([&] {
        type(proxyUi().PortDBEdit, "8080");
        QTest::keyClick(proxyUi().PortDBEdit, Qt::Key_Return);
    });
    EXPECT_FALSE(ProxyForm->isVisible());
    EXPECT_EQ(storedProxy()[1], "8080");
    EXPECT_EQ(rec.messages(), QStringList({kSaved}));
    EXPECT_EQ(starts(), 1);
}

TEST_F(Dialogs, SavingWithoutAChangeStillRestarts) {
    start();
    openProxy([&] { QTest::mouseClick(proxyUi().BitBtn1, Qt::LeftButton); });
    EXPECT_EQ(rec.messages(), QStringList({kSaved}));
    EXPECT_EQ(starts(), 1);
}

TEST_F(Dialogs, AFailedSaveShowsTheStoreErrorAndNeitherMessageNorRestart) {
    start();
    Store other(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadWrite);
    other.open();
    Statement lock(other, "BEGIN EXCLUSIVE");
    lock.step();
    openProxy([&] {
        type(proxyUi().LoginDBEdit, "user");
        QTest::keyClick(proxyUi().LoginDBEdit, Qt::Key_Return);
    });
    EXPECT_FALSE(ProxyForm->isVisible());
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.errors()[0].contains("locked")) << rec.errors()[0].toStdString();
    EXPECT_TRUE(rec.messages().isEmpty());
    EXPECT_EQ(starts(), 0);
}

TEST_F(Dialogs, ASaveThatChangesNoRowIsAFailureAndKeepsTheEdit) {
    const struct {
        std::string before; // made before the program starts
        std::string after;  // made by another program while it runs
    } cases[] = {
        {"", "DELETE FROM proxy;"},
        {"UPDATE proxy SET key1 = 7;", "UPDATE proxy SET key1 = 8;"},
        {"CREATE TABLE p AS SELECT adres, port, login, password, \"check\" FROM proxy;"
         "DROP TABLE proxy; ALTER TABLE p RENAME TO proxy;",
         "DELETE FROM proxy;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before + " / " + c.after);
        QFile::remove(dir.file("zntconfig.db"));
        makeStore(dir.file("zntconfig.db"), demoSettingsSql() + c.before);
        start();
        if (!c.after.empty())
            makeStore(dir.file("zntconfig.db"), c.after);
        const QStringList storedNow = storedProxy();
        openProxy([&] {
            type(proxyUi().PortDBEdit, "8080");
            QTest::keyClick(proxyUi().PortDBEdit, Qt::Key_Return);
        });
        ASSERT_EQ(rec.errors().size(), 1);
        EXPECT_TRUE(rec.messages().isEmpty());
        EXPECT_EQ(starts(), 0);
        EXPECT_EQ(storedProxy(), storedNow); // the file is unchanged
        // The edit is kept: shown again, and in the row everything reads.
        EXPECT_EQ(DataModule1->ProxyTable.state(), StoreTable::State::Edit);
        EXPECT_EQ(DataModule1->ProxyTable.asString("port"), "8080");
        openProxy([&] { EXPECT_EQ(proxyUi().PortDBEdit->text(), "8080"); });
        destroyProgram();
    }
}

TEST_F(Dialogs, AJetSettingsFileIsUsedAsWrittenAndMadeSQLiteByASaveThatCanKeepIt) {
    const std::string bytes = jetfixtures::settings(jet::Format::Jet4);
    QFile file(dir.file("zntconfig.db"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    file.close();
    makeStore(dir.file("zntconfig.db.jet"), "");
    start(); // the activation applied the row
    EXPECT_EQ(MainForm->IdHTTP.ProxyParams().ProxyServer(), cp1251::fromUtf8("прокси.test"));
    EXPECT_EQ(MainForm->IdHTTP.ProxyParams().ProxyPort(), 3128);
    auto save = [&] {
        openProxy([&] {
            type(proxyUi().PortDBEdit, "8080");
            QTest::keyClick(proxyUi().PortDBEdit, Qt::Key_Return);
        });
    };
    save(); // the name the Jet file is kept under is taken
    EXPECT_EQ(rec.errors(), QStringList({"zntconfig.db: zntconfig.db.jet already exists."}));
    EXPECT_EQ(starts(), 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), bytes);
    file.close();
    QFile::remove(dir.file("zntconfig.db.jet"));
    save();
    EXPECT_EQ(rec.messages(), QStringList({kSaved}));
    EXPECT_EQ(storedProxy(), QStringList({"прокси.test", "8080", "", "", "1"}));
}

TEST_F(Dialogs, ASaveWritesOnlyTheFieldsThatChanged) {
    // Every other value keeps its bytes and its type in the file.
    const struct {
        const char* column;
        const char* value; // as SQL
        const char* hex;   // what the file holds afterwards
        const char* type;
    } cases[] = {
        {"adres", "CAST(X'FF00FE' AS TEXT)", "FF00FE", "text"},
        {"login", "X'0001FF'", "0001FF", "blob"},
        {"password", "X'C0AF'", "C0AF", "blob"},
        {"\"check\"", "'да'", "D0B4D0B0", "text"},
        {"note", "2.5", "2.5", "real"},
        {"port", "'3128'", "38303830", "text"}, // the field edited: "8080"
    };
    std::string sql = demoSettingsSql() + "ALTER TABLE proxy ADD COLUMN note;";
    for (const auto& c : cases)
        sql += std::string("UPDATE proxy SET ") + c.column + " = " + c.value + ";";
    QFile::remove(dir.file("zntconfig.db"));
    makeStore(dir.file("zntconfig.db"), sql);
    start();
    openProxy([&] {
        type(proxyUi().PortDBEdit, "8080");
        QTest::mouseClick(proxyUi().BitBtn1, Qt::LeftButton);
    });
    EXPECT_TRUE(rec.errors().isEmpty());
    EXPECT_EQ(starts(), 1);
    Store store(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadOnly);
    for (const auto& c : cases) {
        Statement read(store, std::string("SELECT CASE typeof(") + c.column +
                                  ") WHEN 'real' THEN " + c.column + " ELSE hex(" + c.column +
                                  ") END, typeof(" + c.column + ") FROM proxy");
        ASSERT_TRUE(read.step());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(read.get(), 0))),
                  c.hex)
            << c.column;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(read.get(), 1))),
                  c.type)
            << c.column;
    }
}

TEST_F(Dialogs, ActivationAppliesThePortByTheRuntimeRules) {
    const struct {
        const char* port;
        int expected; // -1: the conversion fails
    } cases[] = {{"3128", 3128}, {"  8080", 8080}, {"$1F90", 8080}, {"0x50", 80},
                 {"80 ", -1},    {"", -1},         {"abc", -1},     {"99999999999", -1}};
    for (const auto& c : cases) {
        makeStore(dir.file("zntconfig.db"), std::string("UPDATE proxy SET port = '") + c.port +
                                                "', login = 'u', password = 'p', \"check\" = 1;"
                                                "UPDATE autoupdate SET autoupdatecheck = 1;");
        qputenv("ZANTREL_SITE_URL", "http://127.0.0.1:1");
        rec.clear();
        createProgram();
        platform::guarded([] { MainForm->FormActivate(); });
        TIdProxyConnectionInfo& params = MainForm->IdHTTP.ProxyParams();
        EXPECT_EQ(params.ProxyServer(), "127.0.0.1") << c.port;
        if (c.expected >= 0) {
            EXPECT_EQ(params.ProxyPort(), c.expected) << c.port;
            EXPECT_EQ(params.ProxyUsername(), "u");
            // The site check ran and failed to connect.
            EXPECT_EQ(rec.messages(), QStringList({"Произошла ошибка подключения!"}));
        } else {
            // The handler stops at the port: no user, no site check.
            EXPECT_EQ(rec.errors(),
                      QStringList({QString("'%1' is not a valid integer value").arg(c.port) + "."}))
                << c.port;
            EXPECT_EQ(params.ProxyUsername(), "");
            EXPECT_TRUE(rec.messages().isEmpty());
        }
        destroyProgram();
    }
    qunsetenv("ZANTREL_SITE_URL");
}

TEST_F(Dialogs, TheProxyRowIsReadByPositionAndAppliedInOrderWithoutAWindow) {
    // The rule alone: the settings store's proxy table, read once, applied to a client.
    const struct {
        std::string change; // made on the demo settings store (127.0.0.1, 3128, flag off)
        const char* server; // the client's, afterwards
        int port;           // -1: the conversion fails, and nothing after it is applied
        const char* user;
        const char* password;
    } cases[] = {
        {"UPDATE proxy SET \"check\" = 1, login = 'u', password = 'p';", "127.0.0.1", 3128, "u",
         "p"},
        {"UPDATE proxy SET \"check\" = 0, login = 'u', password = 'p';", "", 3128, "u", "p"},
        {"UPDATE proxy SET \"check\" = NULL, login = 'u';", "", 3128, "u", ""},
        {"UPDATE proxy SET \"check\" = 'true', port = '$1F90';", "127.0.0.1", 8080, "", ""},
        {"UPDATE proxy SET \"check\" = 1, port = '80 ', login = 'u';", "127.0.0.1", -1, "", ""},
        {"UPDATE proxy SET port = '', login = 'u', password = 'p';", "", -1, "", ""},
        {"DELETE FROM proxy;", "", -1, "", ""},
        // By position, whatever the fields are called; Cyrillic reaches the client in the
        // code page.
        {"DROP TABLE proxy; CREATE TABLE proxy (key1 INTEGER PRIMARY KEY, host TEXT, number "
         "TEXT, who TEXT, secret TEXT, \"check\" BOOLEAN);"
         "INSERT INTO proxy VALUES (1, 'прокси.test', '8080', 'кто', 'тайна', 1);",
         "прокси.test", 8080, "кто", "тайна"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        QFile::remove(dir.file("zntconfig.db"));
        makeStore(dir.file("zntconfig.db"), demoSettingsSql() + c.change);
        Store store("zntconfig.db", Store::Mode::ReadWrite);
        StoreTable proxy("ProxyTable", "proxy", store);
        proxy.open();
        const ProxySettings settings = readProxySettings(proxy);
        TIdHTTP client;
        if (c.port < 0)
            EXPECT_THROW(applyProxySettings(client, settings), EConvertError);
        else
            applyProxySettings(client, settings);
        const TIdProxyConnectionInfo& params = client.ProxyParams();
        EXPECT_EQ(params.ProxyServer(), cp1251::fromUtf8(c.server));
        EXPECT_EQ(params.ProxyPort(), c.port < 0 ? 0 : c.port);
        EXPECT_EQ(params.ProxyUsername(), cp1251::fromUtf8(c.user));
        EXPECT_EQ(params.ProxyPassword(), cp1251::fromUtf8(c.password));
    }

    // A pending edit, not yet posted, is what is read.
    Store store("zntconfig.db", Store::Mode::ReadWrite);
    StoreTable proxy("ProxyTable", "proxy", store);
    proxy.open();
    proxy.edit();
    proxy.setValue(2, "3129");
    EXPECT_EQ(readProxySettings(proxy).port, "3129");
    // A closed table (the settings store did not open) cannot be read.
    proxy.close();
    try {
        readProxySettings(proxy);
        ADD_FAILURE() << "a closed table was read";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "ProxyTable: Cannot perform this operation on a closed dataset");
    }
}

TEST_F(Dialogs, NullFlagsShowNeitherAndReadAsOff) {
    makeStore(dir.file("zntconfig.db"), "UPDATE proxy SET \"check\" = NULL;"
                                        "UPDATE autoupdate SET autoupdatecheck = NULL;");
    qputenv("ZANTREL_SITE_URL", "http://127.0.0.1:1");
    createProgram();
    EXPECT_EQ(ProxyForm->ui()->DBCheckBox1->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(ConfigForm->ui()->AutoupdateDBCheckBox->checkState(), Qt::PartiallyChecked);
    platform::guarded([] { MainForm->FormActivate(); });
    qunsetenv("ZANTREL_SITE_URL");
    // No proxy, and no site check (it would fail to connect).
    EXPECT_EQ(MainForm->IdHTTP.ProxyParams().ProxyServer(), "");
    EXPECT_EQ(MainForm->IdHTTP.ProxyParams().ProxyPort(), 3128);
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(Dialogs, ActivationWithoutASettingsStoreFailsInOrder) {
    QFile::remove(dir.file("zntconfig.db"));
    createProgram();
    rec.clear();
    platform::guarded([] { MainForm->FormActivate(); });
    ASSERT_EQ(rec.errors().size(), 1);
    EXPECT_TRUE(rec.messages().isEmpty());
    EXPECT_EQ(MainForm->IdHTTP.ProxyParams().ProxyServer(), "");
}

TEST_F(Dialogs, TheNextRunSendsEveryRequestThroughTheSavedProxy) {
    ScriptedServer proxy(ScriptedServer::answers({ScriptedServer::ok("via proxy")}));
    makeStore(dir.file("zntconfig.db"), "UPDATE proxy SET adres = '127.0.0.1', port = '" +
                                            std::to_string(proxy.port()) + "', \"check\" = 1;");
    start(); // the first activation applies the row
    EXPECT_EQ(MainForm->IdHTTP.Get("http://films.test/a/1.html?x=1"), "via proxy");
    ASSERT_EQ(proxy.requests().size(), 1u);
    const std::string request = proxy.requests()[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n")),
              "GET http://films.test:80/a/1.html?x=1 HTTP/1.1");
}

TEST_F(Dialogs, ActivationRunsOnceOnly) {
    start();
    EXPECT_TRUE(MainForm->activated());
    ProxyForm->show();
    ProxyForm->activateWindow();
    ProxyForm->hide();
    MainForm->activateWindow();
    waitFor([] { return false; }, 50);
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(Dialogs, SettingsCheckBoxIsSavedAndReadOnlyAtTheNextStart) {
    start();
    Ui::ConfigForm& ui = *ConfigForm->ui();
    EXPECT_EQ(ConfigForm->windowTitle(), "Настройки");
    EXPECT_EQ(ConfigForm->size(), QSize(412, 146));
    EXPECT_EQ(ui.AutoupdateDBCheckBox->text(),
              "Проверять наличие обновлений при запуске программы");
    EXPECT_FALSE(ui.AutoupdateDBCheckBox->isChecked());
    // Open and close without a change: nothing is written.
    whileModal(
        ConfigForm, [] { MainForm->ui()->N8->trigger(); },
        [&] { QTest::mouseClick(ui.BitBtn1, Qt::LeftButton); });
    EXPECT_EQ(DataModule1->AutoupdateTable.state(), StoreTable::State::Browse);
    // Check the box and save with Enter while it still has the focus.
    whileModal(
        ConfigForm, [] { MainForm->ui()->N8->trigger(); },
        [&] {
            ui.AutoupdateDBCheckBox->setFocus();
            QTest::keyClick(ui.AutoupdateDBCheckBox, Qt::Key_Space);
            QTest::keyClick(ui.AutoupdateDBCheckBox, Qt::Key_Return);
        });
    EXPECT_FALSE(ConfigForm->isVisible());
    EXPECT_TRUE(rec.events.empty()); // no message, no restart
    Store store(dir.file("zntconfig.db").toStdString(), Store::Mode::ReadOnly);
    StoreTable t("t", "autoupdate", store);
    t.open();
    EXPECT_TRUE(t.asBoolean("autoupdatecheck"));
}

TEST_F(Dialogs, AboutShowsPictureVersionDateAndOpensTheSite) {
    qputenv("ZANTREL_SITE_URL", "http://site.test");
    start();
    Ui::AboutForm& ui = *AboutForm->ui();
    EXPECT_EQ(AboutForm->windowTitle(), "О программе");
    EXPECT_EQ(AboutForm->size(), QSize(442, 101));
    ASSERT_FALSE(ui.Image1->pixmap().isNull());
    EXPECT_EQ(ui.Image1->pixmap().size(), QSize(100, 100));
    EXPECT_EQ(ui.Label3->text(), QString("Version %1 Full").arg(kZantrelVersion));
    EXPECT_EQ(ui.Label4->text(), "Дата обновления базы фильмов");
    const QLocale locale = QLocale::system();
    EXPECT_TRUE(
        ui.DBText1->text().startsWith(locale.toString(QDate(2026, 11, 28), QLocale::ShortFormat)));
    EXPECT_TRUE(ui.DBText1->text().contains("30")) << ui.DBText1->text().toStdString();
    EXPECT_EQ(ui.Label5->text(), "site.test");
    EXPECT_EQ(ui.Label5->toolTip(), "Официальный сайт");
    whileModal(
        AboutForm, [] { MainForm->ui()->N5->trigger(); },
        [&] { QTest::mouseClick(ui.Label5, Qt::LeftButton); });
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].shell.file, "http://site.test/");
    EXPECT_EQ(rec.events[0].shell.verb, "open");
    EXPECT_EQ(rec.events[0].shell.showCommand, 1);
    qunsetenv("ZANTREL_SITE_URL");
}

TEST_F(Dialogs, AboutDateOfEveryKindOfStoredValue) {
    const QLocale locale = QLocale::system();
    const QString day = locale.toString(QDate(2025, 1, 31), QLocale::ShortFormat);
    const struct {
        const char* value; // as SQL; nullptr: no row at all
        QString shown;
    } cases[] = {
        {"'2025-01-31 00:00:00'", day},
        {"2460706.5", day}, // a Julian day, as the store keeps dates in numbers
        {"NULL", ""},
        {nullptr, ""},
        // Numbers that are no date of the years 1 to 9999 show as the store writes them.
        {"1e300", "1.0e+300"},
        {"-1e300", "-1.0e+300"},
        {"9e999", "Inf"},
        {"1721425.0", "1721425"}, // kept as an integer by the column
        {"5373483.5", locale.toString(QDate(9999, 12, 31), QLocale::ShortFormat)},
        {"5373484.5", "5373484.5"},          // 10000-01-01
        {"5373484.4999999955", "5373484.5"}, // rounds onto 10000-01-01
        {"9223372036854775807", "9223372036854775807"},
        // Text that is no date shows as it is, markup included.
        {"'<b>x</b><img src=\"/usr/share/pixmaps/debian-logo.png\">'",
         "<b>x</b><img src=\"/usr/share/pixmaps/debian-logo.png\">"},
    };
    for (const auto& c : cases) {
        makeStore(dir.file("bdv.db"),
                  c.value ? std::string("UPDATE upbd SET \"update\" = ") + c.value + ";"
                          : std::string("DELETE FROM upbd;"));
        createProgram();
        EXPECT_EQ(AboutForm->ui()->DBText1->text(), c.shown) << (c.value ? c.value : "no row");
        EXPECT_EQ(AboutForm->ui()->DBText1->textFormat(), Qt::PlainText);
        destroyProgram();
        if (!c.value)
            makeStore(dir.file("bdv.db"), "INSERT INTO upbd (\"update\") VALUES (NULL);");
    }
}

TEST_F(Dialogs, FaqPassesTheHelpFileToTheShell) {
    start();
    MainForm->ui()->N9->trigger();
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].shell.file, QDir(TMainForm::programDirectory()).filePath("faq.chm"));
    EXPECT_EQ(rec.events[0].shell.verb, "");
    EXPECT_EQ(rec.events[0].shell.showCommand, 5);
    EXPECT_EQ(rec.events[0].shell.owner, MainForm);
}
