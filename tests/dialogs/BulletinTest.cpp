// The site bulletin: the check at the first activation and on demand, against a local site.
#include "dialogs/ConfigUnit.h"
#include "platform/Codec.h"
#include "platform/Guard.h"
#include "platform/core/Version.h"
#include "support/net/ScriptedServer.h"
#include "tests/dialogs/DialogsSupport.h"
#include "ui_Main.h"
#include "ui_UpProgUnit.h"
#include "update/UpProgUnit.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace testing_support;
using namespace dialogs_test;
using ztest::ScriptedServer;

namespace {

const QString kNewVersion = "На сайте разработчика доступна новая версия программы. Посетите "
                            "сайт разработчика и скачайте более новую версию Zantrel!";
const QString kLatest = "Вы используете последнюю версию программы Zantrel! Для данной версии "
                        "программы нет доступных обновлений.";
const QString kFailure = "Произошла ошибка подключения!";

// The site's label for this version, and for a newer one.
const std::string kSameVersion = std::string("Version ") + kZantrelVersion + " Full";
const std::string kNewerVersion = std::string("Version ") + kZantrelVersion + ".1 Full";

std::string home(const std::string& label, const std::string& notice = "Новости сайта") {
    return cp1251::fromUtf8(
        "<html><body><div style=\"padding:5px;text-align:center;\"><u><a href=\"/n\">" + notice +
        "</a></u></div>\r\n<div style=\"padding:5px;text-align:center;\"><b>" + label +
        "</b></div></body></html>");
}

class Bulletin : public ::testing::Test {
protected:
    // The site answers the given home pages in turn.
    void serve(std::vector<std::string> answers, bool autoCheck) {
        server = std::make_unique<ScriptedServer>(ScriptedServer::answers(std::move(answers)));
        qputenv("ZANTREL_SITE_URL", QByteArray::fromStdString(server->url("")));
        QFile::remove(dir.file("bdv.db"));
        QFile::remove(dir.file("zntconfig.db"));
        makeStore(dir.file("bdv.db"), demoCatalogueSql(server->url("")));
        makeStore(dir.file("zntconfig.db"), demoSettingsSql());
        if (autoCheck)
            makeStore(dir.file("zntconfig.db"), "UPDATE autoupdate SET autoupdatecheck = 1;");
        createProgram();
    }
    void activate() {
        rec.clear();
        platform::guarded([] { MainForm->FormActivate(); });
    }
    void TearDown() override {
        destroyProgram();
        qunsetenv("ZANTREL_SITE_URL");
    }
    QString notice() const { return codec::fromCp1251(MainForm->Memo5); }
    QString label() const { return codec::fromCp1251(MainForm->Edit1); }

    ScratchDir dir;
    RecordingPlatform rec;
    std::unique_ptr<ScriptedServer> server;
};

} // namespace

TEST_F(Bulletin, AnEqualLabelShowsNothingAndStoresTheNotice) {
    serve({ScriptedServer::ok(home(kSameVersion)), ScriptedServer::ok(home(kSameVersion))}, true);
    activate();
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(notice(), "<a href=\"/n\">Новости сайта");
    EXPECT_EQ(label().toStdString(), kSameVersion);
    EXPECT_EQ(server->requests().size(), 2u);
    EXPECT_EQ(server->requests()[0].substr(0, 16), "GET / HTTP/1.1\r\n");
}

TEST_F(Bulletin, DifferentCaseOrMissingLabelsCountAsANewVersion) {
    for (const std::string& page :
         {home(kNewerVersion), home(std::string("Version ") + kZantrelVersion + " full"),
          std::string("<html></html>")}) {
        serve({ScriptedServer::ok(page), ScriptedServer::ok(page)}, true);
        activate();
        EXPECT_EQ(rec.messages(), QStringList({kNewVersion})) << page;
        destroyProgram();
    }
}

TEST_F(Bulletin, AFailedSecondFetchLeavesTheNoticeUnchanged) {
    serve({ScriptedServer::ok(home(kSameVersion)),
           "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"},
          true);
    MainForm->Memo5 = "earlier";
    activate();
    EXPECT_EQ(rec.messages(), QStringList({kFailure}));
    EXPECT_EQ(notice(), "earlier");
}

TEST_F(Bulletin, WithTheFlagOffTheSiteIsNotContacted) {
    serve({}, false);
    activate();
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(server->connects(), 0);
    EXPECT_EQ(notice(), "");
}

// Every byte of the notice and the label is kept: a no-break space, the code page's
// unassigned 0x98. The notice's relative link would name a file on this machine from
// main.html, so it goes.
TEST_F(Bulletin, TheNoticeEndsTheNextPlayerPage) {
    std::vector<std::string> answers = {
        ScriptedServer::ok(home(kSameVersion, "Акция!\u00A0\u0098")),
        ScriptedServer::ok(home(std::string("Version\u00A0") + kZantrelVersion + " Full\u0098"))};
    answers.push_back(ScriptedServer::ok("<embed flashvars=\"file=http://cdn.test/v.flv\">"));
    serve(answers, true);
    activate();
    MainForm->show();
    QTest::mouseClick(MainForm->ui()->StartBitBtn, Qt::LeftButton);
    QFile page(mainHtmlPath());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const std::string bytes = page.readAll().toStdString();
    const std::string ending =
        cp1251::fromUtf8("<div align=\"center\"><a>Акция!") + "\xA0\x98</div>";
    EXPECT_EQ(bytes.substr(bytes.size() - ending.size()), ending);
    EXPECT_EQ(MainForm->Edit1, std::string("Version\xA0") + kZantrelVersion + " Full\x98");
    EXPECT_EQ(rec.messages(), QStringList({kNewVersion}));
    page.remove();
}

TEST_F(Bulletin, OnDemandAnEqualLabelSaysItIsTheLatest) {
    serve({ScriptedServer::ok(home(kSameVersion))}, false);
    rec.clear();
    MainForm->ui()->N7->trigger();
    EXPECT_EQ(rec.messages(), QStringList({kLatest}));
    EXPECT_EQ(notice(), ""); // the notice is not touched
    EXPECT_EQ(server->requests().size(), 1u);
}

TEST_F(Bulletin, OnDemandANewLabelOffersTheSite) {
    serve({ScriptedServer::ok(home(kNewerVersion)), ScriptedServer::ok(home(kNewerVersion))},
          false);
    rec.clear();
    Ui::UpProgForm& ui = *UpProgForm->ui();
    EXPECT_EQ(UpProgForm->windowTitle(), "Обновление!");
    EXPECT_EQ(UpProgForm->size(), QSize(412, 146));
    EXPECT_EQ(ui.BitBtn1->text(), "Да");
    EXPECT_EQ(ui.BitBtn2->text(), "Нет");
    // "Нет" closes and does nothing else.
    whileModal(
        UpProgForm, [] { MainForm->ui()->N7->trigger(); },
        [&] { QTest::mouseClick(ui.BitBtn2, Qt::LeftButton); });
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(label().toStdString(), kNewerVersion);
    // "Да" opens the home page.
    whileModal(
        UpProgForm, [] { MainForm->ui()->N7->trigger(); },
        [&] { QTest::mouseClick(ui.BitBtn1, Qt::LeftButton); });
    EXPECT_FALSE(UpProgForm->isVisible());
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].shell.file, QString::fromStdString(server->url("/")));
    EXPECT_EQ(rec.events[0].shell.verb, "Open");
    EXPECT_EQ(rec.events[0].shell.showCommand, 5);
    EXPECT_EQ(rec.events[0].shell.owner, nullptr);
}

TEST_F(Bulletin, OnDemandFailureShowsTheConnectionMessage) {
    serve({"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}, false);
    rec.clear();
    MainForm->ui()->N7->trigger();
    EXPECT_EQ(rec.messages(), QStringList({kFailure}));
}
