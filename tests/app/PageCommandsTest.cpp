// The description and player commands through the real main window against a local server.
#include "app/Main.h"
#include "app/Program.h"
#include "catalogue/DataModule.h"
#include "platform/core/Cp1251.h"
#include "schema/Schema.h"
#include "support/TestSupport.h"
#include "support/net/ScriptedServer.h"
#include "ui_Main.h"
#include "widgets/DBControls.h"

#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <map>

using namespace testing_support;
using ztest::ScriptedServer;

namespace {

std::string cp(const char* utf8) {
    return cp1251::fromUtf8(utf8);
}

std::string filmPage(const std::string& description, const std::string& stream) {
    return "<html><head><meta name=\"description\" content=\"" + description +
           "\" />\r\n</head><body><embed flashvars=\"file=http://" + stream +
           ".flv&autostart=1\"></body></html>";
}

const char kSerial[] = "<p><object id=\"s1\" width=\"480\"><param name=\"movie\" "
                       "value=\"http://v.example/s1\"></object></p>";
const char kVk[] = "<div align=\"center\"><iframe src=\"http://vk.example/video_ext.php?id=5\" "
                   "width=\"607\"></iframe></div>";

class PageCommands : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ZANTREL_SITE_URL", "http://site.test");
        routes["/films/1.html"] = ScriptedServer::ok(filmPage(cp("Комедия"), "cdn.test/f/1"));
        routes["/films/2.html"] =
            ScriptedServer::ok(filmPage(cp("Драма &amp; мелодрама"), "cdn.test/f/2"));
        routes["/films/"] = ScriptedServer::ok("<meta name=\"description\" content=\"index\"/>");
        routes["/mult/1.html"] = ScriptedServer::ok(filmPage(cp("Мультфильм"), "cdn.test/m/1"));
        routes["/serials/1.html"] = ScriptedServer::ok("<meta name=\"description\" content=\"" +
                                                       cp("Сериал") + "\" />" + kSerial);
        routes["/vk/1.html"] = ScriptedServer::ok(kVk);
        server = std::make_unique<ScriptedServer>(ScriptedServer::routes(routes));
        const std::string base = server->url("");
        const std::string sql =
            std::string(schema::kCatalogue) + "INSERT INTO bdf VALUES (1, 'Фильм', '" + base +
            "/films/1.html');"
            "INSERT INTO bdf VALUES (2, 'Фильм 2', '" +
            base +
            "/films/2.html');"
            "INSERT INTO bdf VALUES (3, 'Без адреса', '');"
            "INSERT INTO bdf VALUES (4, 'Нет сервера', 'http://127.0.0.1:1/x.html');"
            "INSERT INTO bdf VALUES (5, 'Нет страницы', '" +
            base +
            "/films/404.html');"
            "INSERT INTO bdm VALUES (1, 'Мульт', '" +
            base +
            "/mult/1.html');"
            "INSERT INTO bds VALUES (1, 'Сериал', '" +
            base +
            "/serials/1.html');"
            "INSERT INTO bvkf VALUES (1, 'Видео', '" +
            base + "/vk/1.html');";
        makeStore(dir.file("bdv.db"), sql);
        makeStore(dir.file("zntconfig.db"), demoSettingsSql());
        createProgram();
        MainForm->show();
        rec.clear();
        QFile::remove(mainHtmlPath());
    }
    void TearDown() override {
        destroyProgram();
        QFile::remove(mainHtmlPath());
        qunsetenv("ZANTREL_SITE_URL");
    }

    static std::string mainHtmlBytes() {
        QFile f(mainHtmlPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<none>");
    }
    Ui::MainForm& ui() { return *MainForm->ui(); }
    void selectTab(int i) { ui().PageControl1->setCurrentIndex(i); }
    void selectRow(Category c, int row) {
        DBGrid* g = MainForm->grid(c);
        g->setCurrentIndex(g->model()->index(row, 0));
    }
    void clickPlayer() { QTest::mouseClick(ui().StartBitBtn, Qt::LeftButton); }
    void clickDescription() { QTest::mouseClick(ui().BitBtn1, Qt::LeftButton); }
    QStringList failures() const { return rec.messages(); }
    int opens() const {
        int n = 0;
        for (const auto& e : rec.events)
            n += e.kind == Recorded::Kind::Shell;
        return n;
    }

    ScratchDir dir;
    RecordingPlatform rec;
    std::map<std::string, std::string> routes;
    std::unique_ptr<ScriptedServer> server;
};

const QString kFailure = "Произошла ошибка подключения!";

} // namespace

TEST_F(PageCommands, DescriptionShowsTheMetaContentUpToTheSlash) {
    clickDescription();
    EXPECT_TRUE(failures().isEmpty());
    EXPECT_EQ(ui().StaticText2->text(), "Комедия\" ");
    // Entities are not decoded: the panel gets the text as it stands.
    selectRow(Category::Films, 1);
    clickDescription();
    EXPECT_EQ(ui().StaticText2->text(), "Драма &amp; мелодрама\" ");
    // Cartoons and serials take the same road.
    selectTab(1);
    clickDescription();
    EXPECT_EQ(ui().StaticText2->text(), "Мультфильм\" ");
    selectTab(2);
    clickDescription();
    EXPECT_EQ(ui().StaticText2->text(), "Сериал\" ");
}

TEST_F(PageCommands, VKontakteShowsItsNoticeWithoutFetching) {
    selectTab(3);
    const auto before = server->requests().size();
    clickDescription();
    EXPECT_EQ(ui().StaticText2->text(), "Для видео ВКонтакте данная операция не возможна!");
    EXPECT_EQ(server->requests().size(), before);
}

TEST_F(PageCommands, FailuresShowOneMessageAndChangeNothing) {
    clickDescription();
    clickPlayer();
    const std::string page = mainHtmlBytes();
    rec.clear();
    for (int row : {3, 4}) { // a refused connection, a 404 answer
        selectRow(Category::Films, row);
        clickDescription();
        clickPlayer();
    }
    EXPECT_EQ(failures(), QStringList({kFailure, kFailure, kFailure, kFailure}));
    EXPECT_EQ(ui().StaticText2->text(), "Комедия\" ");
    EXPECT_EQ(mainHtmlBytes(), page);
    EXPECT_EQ(opens(), 0);
}

TEST_F(PageCommands, FilmPlayerPageIsWrittenExactlyAndOpened) {
    clickPlayer();
    ASSERT_TRUE(failures().isEmpty()) << failures().join(",").toStdString();
    const std::string expected =
        cp("<div align=\"center\"><b>ПОДОЖДИТЕ ПОКА ЗАГРУЗИТСЯ ПРОИГРОВАТЕЛЬ</b></div>") +
        "<div align=\"center\"><object id=\"videoplayer5655\" "
        "type=\"application/x-shockwave-flash\" "
        "data=\"http://site.test/player/player.swf\" width=\"500\" height=\"375\"><param "
        "name=\"allowFullScreen\" value=\"true\" /><param name=\"allowScriptAccess\" "
        "value=\"always\" /><param name=\"wmode\" value=\"transparent\" /><param name=\"movie\" "
        "value=\"http://site.test/player/player.swf\" /><param name=\"flashvars\" "
        "value=\"comment=Korvex&st=http://site.test/player/video18-805.txt&file=http://"
        "cdn.test/f/1.flv\" /></object></div><div align=\"center\"></div>";
    EXPECT_EQ(mainHtmlBytes(), expected);
    EXPECT_EQ(MainForm->Memo1, "cdn.test/f/1");
    EXPECT_EQ(MainForm->Memo2, expected);
    ASSERT_EQ(rec.events.size(), 1u);
    const auto& open = rec.events[0].shell;
    EXPECT_EQ(open.file, mainHtmlPath());
    EXPECT_EQ(open.verb, "");
    EXPECT_EQ(open.showCommand, 5);
    EXPECT_EQ(open.owner, MainForm);

    // Twice: written again and opened again.
    clickPlayer();
    EXPECT_EQ(opens(), 2);
    EXPECT_EQ(mainHtmlBytes(), expected);
}

TEST_F(PageCommands, TheNoticeEndsThePageWithItsPlaceholderWordReplaced) {
    MainForm->Memo5 = cp("<div><u>Новости: ссылка</a></u></div>\r\nконец");
    selectTab(1);
    clickPlayer();
    const std::string page = mainHtmlBytes();
    EXPECT_NE(page.find(cp("<div><u>Новости: cdn.test/m/1</a></u></div>\r\nконец</div>")),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find(cp("ссылка")), std::string::npos);
}

TEST_F(PageCommands, SerialAndVKontaktePagesReassembleTheCutElements) {
    selectTab(2);
    clickPlayer();
    const std::string banner =
        cp("<div align=\"center\"><b>ПОДОЖДИТЕ ПОКА ЗАГРУЗИТСЯ ПРОИГРОВАТЕЛЬ</b></div>");
    EXPECT_EQ(mainHtmlBytes(), banner +
                                   "<div align=\"center\"><object id=\"s1\" width=\"480\"><param "
                                   "name=\"movie\" value=\"http://v.example/s1\"></object></div>"
                                   "<div align=\"center\"></div>");
    selectTab(3);
    clickPlayer();
    EXPECT_EQ(mainHtmlBytes(),
              banner + "<div align=\"center\"><iframe src=\"http://vk.example/video_ext.php?id=5\" "
                       "width=\"607\"></iframe><div align=\"center\"></div>");
    EXPECT_EQ(opens(), 2);
    EXPECT_TRUE(failures().isEmpty());
}

TEST_F(PageCommands, AnEmptyAddressFetchesThePreviousDirectory) {
    clickDescription(); // /films/1.html
    selectRow(Category::Films, 2);
    EXPECT_EQ(MainForm->urlEdit(Category::Films)->text(), "");
    clickDescription();
    EXPECT_TRUE(failures().isEmpty());
    EXPECT_EQ(ui().StaticText2->text(), "index\"");
    const auto requests = server->requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().substr(0, requests.back().find("\r\n")), "GET /films/ HTTP/1.1");
}

TEST(PageCommandCursor, TheBusyCursorShowsWhileTheCommandWaits) {
    ScratchDir dir;
    RecordingPlatform rec;
    std::atomic<int> shapeSeen{-1};
    // The server looks at the cursor while the program is blocked waiting for its answer.
    ScriptedServer server([&](ztest::ServerConnection& c) {
        if (!c.readRequest())
            return;
        const QCursor* cursor = QGuiApplication::overrideCursor();
        shapeSeen = cursor ? static_cast<int>(cursor->shape()) : -2;
        c.send(ScriptedServer::ok("<meta name=\"description\" content=\"x\" />"));
    });
    makeStore(dir.file("bdv.db"), std::string(schema::kCatalogue) +
                                      "INSERT INTO bdf VALUES (1, 'f', '" + server.url("/f.html") +
                                      "');");
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    createProgram();
    rec.clear();
    MainForm->show();
    QTest::mouseClick(MainForm->ui()->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(shapeSeen.load(), static_cast<int>(Qt::WaitCursor));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(MainForm->ui()->StaticText2->text(), "x\" ");
    destroyProgram();
}
