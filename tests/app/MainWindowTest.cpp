// Start-up, the main window, closing and the restart, on real store files and widgets.
#include "app/Application.h"
#include "app/Main.h"
#include "app/Program.h"
#include "catalogue/DataModule.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/ConfigUnit.h"
#include "net/ProxyUnit.h"
#include "platform/core/Version.h"
#include "support/TestSupport.h"
#include "ui_Main.h"
#include "update/UpProgUnit.h"
#include "widgets/DBControls.h"

#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

void writeMainHtml() {
    QFile f(mainHtmlPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<div>old</div>");
}

// The program made as start-up does, in a scratch working folder that holds the demo
// stores, with every box recorded; its main window shown. Destroyed at the end.
class Started : public ::testing::Test {
protected:
    void SetUp() override {
        if (demoStores())
            makeDemoStores(dir);
        createProgram();
        errorsAtStart = rec.errors().size();
        main().show();
    }
    void TearDown() override { destroyProgram(); }
    virtual bool demoStores() const { return true; }
    // Closes the program and starts it again in the same folder.
    void startAgain() {
        destroyProgram();
        createProgram();
        main().show();
    }
    TMainForm& main() const { return *MainForm; }
    Ui::MainForm& ui() const { return *MainForm->ui(); }

    ScratchDir dir;
    RecordingPlatform rec;
    qsizetype errorsAtStart = 0;
};

class StartUp : public Started {};
class StartUpWithoutStores : public Started {
    bool demoStores() const override { return false; }
};
class MainWindow : public Started {};
class Shutdown : public Started {};
class Restart : public Started {};

} // namespace

TEST_F(StartUpWithoutStores, NineBoxesThenTheWindowWithEveryListEmpty) {
    EXPECT_EQ(errorsAtStart, 9);
    ASSERT_TRUE(waitFor([&] { return main().isVisible(); }));
    for (Category c : kAllCategories) {
        EXPECT_EQ(main().grid(c)->model()->rowCount(), 0);
        EXPECT_EQ(main().urlEdit(c)->text(), "");
    }
}

TEST(LaunchFailure, IsShownInTheErrorBoxAloneAndTheProgramFails) {
    ScratchDir dir;
    makeDemoStores(dir);
    RecordingPlatform rec;
#ifdef _WIN32
    // The program reads the environment as wide text; qputenv would pass the ANSI code page's.
    _wputenv_s(L"ZANTREL_LAUNCH_FAILURE", L"Cannot make the data folder /home/Иван");
#else
    qputenv(kLaunchFailureVariable, "Cannot make the data folder /home/Иван");
#endif
    const int code = runProgram();
    qunsetenv(kLaunchFailureVariable);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(rec.errors(), QStringList{"Cannot make the data folder /home/Иван."});
    EXPECT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(MainForm, nullptr);
}

TEST_F(StartUp, CreatesEveryWindowOnceInOrderAndOnlyTheMainOneIsShown) {
    EXPECT_TRUE(rec.events.empty());
    ASSERT_TRUE(MainForm && DataModule1 && AboutForm && ProxyForm && UpProgForm && ConfigForm);
    EXPECT_FALSE(AboutForm->isVisible());
    EXPECT_FALSE(ProxyForm->isVisible());
    EXPECT_FALSE(UpProgForm->isVisible());
    EXPECT_FALSE(ConfigForm->isVisible());
}

TEST_F(MainWindow, LayoutCaptionsAndColours) {
    Ui::MainForm& ui = this->ui();
    EXPECT_EQ(main().windowTitle(), QString("Zantrel %1 full").arg(kZantrelVersion));
    // A fixed client area without a maximise box, sky blue, the description panel white.
    EXPECT_EQ(ui.centralwidget->size(), QSize(722, 336));
    EXPECT_FALSE(main().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(main().minimumSize(), main().maximumSize());
    EXPECT_EQ(main().palette().color(QPalette::Window), QColor(166, 202, 240));
    EXPECT_EQ(ui.StaticText2->palette().color(QPalette::Window), QColor(Qt::white));

    // Every control where the window's text puts it, with its caption; of the search label
    // only the place is fixed.
    const struct {
        QWidget* control;
        QRect geometry;
        QString text;
    } controls[] = {
        {ui.PageControl1, {20, 15, 450, 280}, {}},
        {ui.StaticText2, {480, 35, 220, 150}, ""},
        {ui.BitBtn1, {480, 195, 220, 30}, "Показать описание видео"},
        {ui.StartBitBtn, {480, 230, 220, 30}, "Перейти к проигрователю"},
        {ui.BitBtn2, {480, 265, 220, 30}, QString(15, ' ') + "Выход" + QString(17, ' ')},
        {ui.FindEdit, {20, 300, 250, 21}, ""},
        {ui.Label1, {QPoint(280, 305), ui.Label1->size()}, "Поиск видео/Автофильтр"},
    };
    for (const auto& c : controls) {
        const std::string name = c.control->objectName().toStdString();
        EXPECT_EQ(c.control->geometry(), c.geometry) << name;
        EXPECT_EQ(c.control->property("text").toString(), c.text) << name;
    }

    // One tab page per category, in the table's order, with the names the table gives.
    ASSERT_EQ(ui.PageControl1->count(), static_cast<int>(kCategoryCount));
    for (const CategoryInfo& row : kCategories) {
        const int i = static_cast<int>(row.category);
        EXPECT_EQ(ui.PageControl1->tabText(i).toStdString(), row.caption);
        EXPECT_EQ(ui.PageControl1->widget(i), main().sheet(row.category));
        EXPECT_EQ(main().sheet(row.category)->objectName().toStdString(), row.sheet);
        EXPECT_EQ(main().grid(row.category)->objectName().toStdString(), row.grid);
        EXPECT_EQ(main().urlEdit(row.category)->objectName().toStdString(), row.urlEdit);
        EXPECT_EQ(main().grid(row.category)->parentWidget(), main().sheet(row.category));
    }
    EXPECT_EQ(ui.PageControl1->currentIndex(), 0);

    // Menu items in their order, each with an icon except the top-level help menu.
    const auto menus = ui.MainMenu1->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "Сервис");
    EXPECT_FALSE(menus[0]->icon().isNull());
    EXPECT_EQ(menus[1]->text(), "Справка");
    EXPECT_TRUE(menus[1]->icon().isNull());
    QStringList service, help;
    for (QAction* a : ui.N1->actions())
        if (!a->isSeparator()) {
            service << a->text();
            EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();
        }
    for (QAction* a : ui.N4->actions()) {
        help << a->text();
        EXPECT_FALSE(a->icon().isNull());
    }
    EXPECT_EQ(service, QStringList({"Настроить прокси", "Скачать новую версию программы",
                                    "Настройки", "Выход"}));
    EXPECT_EQ(help, QStringList({"О программе", "FAQ (вопрос/ответ)"}));

    // The hidden buffers start empty; the address edits are never shown.
    for (const std::string* buffer : {&MainForm->Memo1, &MainForm->Memo2, &MainForm->Memo3,
                                      &MainForm->Memo4, &MainForm->Memo5, &MainForm->Edit1})
        EXPECT_EQ(*buffer, "");
    for (Category c : kAllCategories)
        EXPECT_FALSE(main().urlEdit(c)->isVisible());
}

TEST_F(MainWindow, TheKeyboardGoesRoundTheWrittenOrderAndTheListsActAsDataGrids) {
    Ui::MainForm& ui = this->ui();
    main().activateWindow();
    ASSERT_TRUE(waitFor([&] { return main().isActiveWindow(); }));
    DBGrid* const filmsGrid = main().grid(Category::Films);
    auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return QApplication::focusWidget();
    };
    QWidget* tabs = ui.PageControl1->tabBar();
    tabs->setFocus();
    // Round and back again; the list is left with Ctrl+Tab, the description panel is passed.
    EXPECT_EQ(press(Qt::Key_Tab), filmsGrid);
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), ui.FindEdit);
    EXPECT_EQ(press(Qt::Key_Tab), ui.StartBitBtn);
    EXPECT_EQ(press(Qt::Key_Tab), ui.BitBtn1);
    EXPECT_EQ(press(Qt::Key_Tab), ui.BitBtn2);
    EXPECT_EQ(press(Qt::Key_Tab), tabs);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), ui.BitBtn2);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), ui.BitBtn1);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), ui.StartBitBtn);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), ui.FindEdit);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), filmsGrid);
    // Inside the list Tab, Shift+Tab and the arrows move the current row, letters do not.
    CatalogueQuery& films = DataModule1->query(Category::Films);
    ASSERT_EQ(films.currentRow(), 0);
    EXPECT_EQ(press(Qt::Key_Tab), filmsGrid);
    EXPECT_EQ(press(Qt::Key_Down), filmsGrid);
    EXPECT_EQ(films.currentRow(), 2);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), filmsGrid);
    EXPECT_EQ(films.currentRow(), 1);
    for (const QChar c : QStringLiteral("ББрат")) {
        QKeyEvent key(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(filmsGrid, &key);
    }
    EXPECT_EQ(films.currentRow(), 1);
    EXPECT_EQ(main().urlEdit(Category::Films)->text(), films.url(1));
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), tabs);
    // The list reached is the visible one.
    ui.PageControl1->setCurrentIndex(2);
    EXPECT_EQ(press(Qt::Key_Tab), main().grid(Category::Serials));
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), ui.FindEdit);
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(MainWindow, GridsShowTheTitleColumnAndFollowTheirQueries) {
    for (Category c : kAllCategories) {
        DBGrid* grid = main().grid(c);
        CatalogueQuery& q = DataModule1->query(c);
        EXPECT_EQ(grid->model()->columnCount(), 1);
        EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString().toStdString(),
                  categoryInfo(c).titleField);
        EXPECT_EQ(grid->columnWidth(0), 255 * grid->fontMetrics().horizontalAdvance('0') + 4);
        EXPECT_EQ(grid->model()->rowCount(), q.rowCount());
        EXPECT_EQ(grid->model()->index(0, 0).data().toString(), q.title(0));
        EXPECT_EQ(grid->currentIndex().row(), 0);
        EXPECT_EQ(main().urlEdit(c)->text(), q.url(0));
        EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable);
    }
    // Selecting a row makes it current and the hidden edit follows.
    DBGrid* films = main().grid(Category::Films);
    films->setCurrentIndex(films->model()->index(6, 0));
    EXPECT_EQ(DataModule1->query(Category::Films).currentRow(), 6);
    EXPECT_EQ(main().urlEdit(Category::Films)->text(), "http://127.0.0.1:8080/films/7.html");
    QTest::keyClick(films, Qt::Key_Down);
    EXPECT_EQ(DataModule1->query(Category::Films).currentRow(), 7);
    EXPECT_EQ(main().urlEdit(Category::Films)->text(), "http://127.0.0.1:8080/films/8.html");
    // Other categories keep their own current rows.
    EXPECT_EQ(main().urlEdit(Category::Cartoons)->text(), "http://127.0.0.1:8080/mult/1.html");
}

TEST_F(MainWindow, TabsSelectTheCategoryAndTheDescriptionPanelKeepsItsText) {
    Ui::MainForm& ui = this->ui();
    ui.StaticText2->setText("Комедия\" ");
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        ui.PageControl1->setCurrentIndex(static_cast<int>(i));
        EXPECT_EQ(main().currentCategory(), kAllCategories[i]);
        EXPECT_TRUE(main().grid(kAllCategories[i])->isVisible());
    }
    EXPECT_EQ(ui.StaticText2->text(), "Комедия\" ");
}

TEST_F(Shutdown, ExitButtonMenuAndCloseBoxDeleteThePlayerPage) {
    for (int way = 0; way < 3; ++way) {
        if (way > 0)
            startAgain();
        writeMainHtml();
        if (way == 0)
            QTest::mouseClick(ui().BitBtn2, Qt::LeftButton);
        else if (way == 1)
            ui().N6->trigger();
        else
            main().close();
        EXPECT_FALSE(main().isVisible()) << way;
        EXPECT_FALSE(QFile::exists(mainHtmlPath())) << way;
    }
    // Without the file closing is just as quiet.
    startAgain();
    main().close();
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(Restart, StartsTheSameExecutableWithoutArgumentsAndKeepsThePlayerPage) {
    writeMainHtml();
    platform::restart();
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].kind, Recorded::Kind::Start);
    EXPECT_EQ(rec.events[0].text, QCoreApplication::applicationFilePath());
    EXPECT_TRUE(platform::applicationTerminated());
    EXPECT_TRUE(main().isVisible()); // the close handler did not run
    EXPECT_TRUE(QFile::exists(mainHtmlPath()));
    QFile::remove(mainHtmlPath());
}

TEST(DescriptionPanel, AnAmpersandMarksAnAccessKeyAndTwoShowOne) {
    auto render = [](const QString& text, bool asPanel) {
        StaticText panel;
        panel.resize(220, 40);
        QPalette white = panel.palette();
        white.setColor(QPalette::Window, Qt::white);
        panel.setPalette(white);
        panel.setAutoFillBackground(true);
        if (asPanel) {
            panel.setText(text);
            return panel.grab().toImage();
        }
        // The same text drawn plainly, with nothing interpreted.
        QImage image = panel.grab().toImage();
        QPainter painter(&image);
        painter.setFont(panel.font());
        painter.setPen(panel.palette().color(QPalette::WindowText));
        painter.drawText(panel.contentsRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         text);
        return image;
    };
    EXPECT_EQ(render("Tom && Jerry", true), render("Tom & Jerry", false));
    // "&amp;" shows the letters amp and a semicolon, without the ampersand.
    const QImage entity = render("a &amp; b", true);
    EXPECT_NE(entity, render("a &amp; b", false));
    EXPECT_NE(entity, render("a amp; b", false)); // the access key is underlined
}
