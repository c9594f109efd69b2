#include "app/Application.h"
#include "platform/Codec.h"
#include "platform/Guard.h"
#include "platform/Shell.h"
#include "platform/core/Exception.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <gtest/gtest.h>

using testing_support::RecordingPlatform;

TEST(ErrorBox, FullStopRule) {
    EXPECT_EQ(platform::withFullStop("Host not found"), "Host not found.");
    EXPECT_EQ(platform::withFullStop("error 42"), "error 42.");
    EXPECT_EQ(platform::withFullStop("Ошибка"), "Ошибка.");
    for (const char* kept : {"Done.", "'x' is not valid'", "(x)", "trailing ", "", "a-", "a,"})
        EXPECT_EQ(platform::withFullStop(kept), QString(kept)) << kept;
}

TEST(Application, TitleRule) {
    EXPECT_EQ(TApplication::titleFromExecutable("/usr/local/bin/Zantrel"), "Zantrel");
    EXPECT_EQ(TApplication::titleFromExecutable("C:/Program Files/ZANTREL.EXE"), "Zantrel");
    EXPECT_EQ(TApplication::titleFromExecutable("/opt/zantrel.bin.old"), "zantrel");
    EXPECT_EQ(TApplication::titleFromExecutable("/x/myProg"), "myprog");
    EXPECT_EQ(TApplication::titleFromExecutable("/x/.hidden"), "");
}

TEST(Application, HandsQtOnlyTheProgramName) {
    if (qEnvironmentVariableIsSet("ZANTREL_TEST_ARGUMENTS_CHILD")) {
        // The child: report what became of Qt's own options on the command line.
        QWidget window;
        window.setWindowTitle("Own");
        window.show();
        QCoreApplication::processEvents();
        std::printf("arguments=%d reverse=%d title=%s/%s style=%s\n",
                    static_cast<int>(QCoreApplication::arguments().size()),
                    QGuiApplication::isRightToLeft() ? 1 : 0, qPrintable(window.windowTitle()),
                    qPrintable(window.windowHandle()->title()),
                    qPrintable(QApplication::style()->name()));
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZANTREL_TEST_ARGUMENTS_CHILD", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=Application.HandsQtOnlyTheProgramName", "-reverse",
                 "-qwindowtitle", "Spoof", "-style", "windows"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    EXPECT_TRUE(out.contains("arguments=1 reverse=0 title=Own/Own")) << out.toStdString();
    // The style asked for is not taken (Windows' own is "windowsvista", not "windows").
    EXPECT_FALSE(out.trimmed().endsWith("style=windows", Qt::CaseInsensitive)) << out.toStdString();
}

TEST(ErrorBox, ShowsTheMessageWithTheTitleAndTheLoopGoesOn) {
    RecordingPlatform rec;
    platform::setApplicationTitle("Zantrel");
    // A failure inside an event that nobody catches.
    QObject target;
    QTimer::singleShot(0, &target,
                       [] { throw EConvertError("'abc' is not a valid integer value"); });
    bool after = false;
    QTimer::singleShot(5, &target, [&] { after = true; });
    ASSERT_TRUE(testing_support::waitFor([&] { return after; }));
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].kind, testing_support::Recorded::Kind::Error);
    EXPECT_EQ(rec.events[0].title, "Zantrel");
    EXPECT_EQ(rec.events[0].text, "'abc' is not a valid integer value.");
}

TEST(ErrorBox, GuardedHandlersReportEveryKindOfFailure) {
    RecordingPlatform rec;
    platform::guarded([] { throw EDatabaseError("no such table: bdf"); });
    platform::guarded([] { throw std::runtime_error("plain"); });
    platform::guarded([] { throw 42; });
    EXPECT_EQ(rec.errors(), QStringList({"no such table: bdf.", "plain.", "Unknown exception."}));
}

TEST(Shell, StartsAProgramWhosePathHasBlanksAsOneArgument) {
    testing_support::ScratchDir dir;
    const QString marker = dir.file("started");
#ifdef _WIN32
    // A batch file says whether it has a first argument.
    const QString script = dir.file("a program with blanks.cmd");
    const QString body = "@if \"%~1\"==\"\" (echo none>\"" + QDir::toNativeSeparators(marker) +
                         "\") else (echo some>\"" + QDir::toNativeSeparators(marker) + "\")\r\n";
    const QByteArray none = "none";
#else
    const QByteArray none = "0";
    const QString script = dir.file("a program with blanks.sh");
    const QString body = "#!/bin/sh\necho \"$#\" > '" + marker + "'\n";
#endif
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body.toUtf8());
    }
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(platform::startDetached(script));
    ASSERT_TRUE(testing_support::waitFor(
        [&] { return QFile::exists(marker) && QFile(marker).size() > 0; }, 10000));
    QFile f(marker);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().trimmed(), none); // no arguments
}

TEST(Codec, ConvertsAtTheEdges) {
    const std::string bytes = "\xCF\xEE\xE8\xF1\xEA"; // Поиск
    EXPECT_EQ(codec::fromCp1251(bytes), QString("Поиск"));
    EXPECT_EQ(codec::toCp1251(QString("Поиск")), bytes);
    // Every byte value comes back, the code page's unassigned 0x98 too.
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(codec::toCp1251(codec::fromCp1251(all)), all);
}

namespace {

// What the real box looked like once it was shown.
struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::Warning;
    QString title, buttons;
    QPoint centreOffset{999, 999}; // from the screen's centre
    QString text;                  // of the label showing the message
    Qt::TextFormat format = Qt::AutoText;
};

// Looks at the real box once it is shown, then answers it with `key`; polls a bounded number
// of times.
void answerBox(SeenBox* seen, Qt::Key key, int triesLeft = 500) {
    QTimer::singleShot(10, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            if (triesLeft > 0)
                answerBox(seen, key, triesLeft - 1);
            return;
        }
        seen->icon = box->icon();
        seen->title = box->windowTitle();
        for (QAbstractButton* b : box->buttons())
            seen->buttons += b->text();
        const QRect screen = box->screen()->availableGeometry();
        seen->centreOffset = box->frameGeometry().center() - screen.center();
        for (QLabel* label : box->findChildren<QLabel*>()) {
            if (label->text() == box->text()) {
                seen->text = label->text();
                seen->format = label->textFormat();
            }
        }
        QTest::keyClick(box, key);
    });
}

} // namespace

TEST(MessageBox, TheRealBoxHasNoIconOneOkAnswersEnterAndEscAndIsCentred) {
    platform::setApplicationTitle("Zantrel");
    const QString messages[] = {
        "Изменения настроек приняты.",
        "Изменения настроек приняты. Для того чтобы обновления вступили в силу программа "
        "должна перезапуститься!",
        "На сайте разработчика доступна новая версия программы. Посетите сайт разработчика и "
        "скачайте более новую версию Zantrel!",
        "<b>Не</b> разметка: <a href='x'>ссылка</a>"};
    for (const QString& message : messages) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            SeenBox seen;
            answerBox(&seen, key);
            platform::messageBox(message);
            EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
            EXPECT_EQ(seen.title, "Zantrel");
            EXPECT_EQ(seen.buttons, "OK");
            EXPECT_LE(std::abs(seen.centreOffset.x()), 2) << message.toStdString();
            EXPECT_LE(std::abs(seen.centreOffset.y()), 2) << message.toStdString();
            EXPECT_EQ(seen.text, message);
            EXPECT_EQ(seen.format, Qt::PlainText);
        }
    }
}

TEST(MessageBox, TheRealErrorBoxHasTheErrorIconAndShowsPlainText) {
    for (const QString& message :
         {QString("Host not found"),
          QString("'<h1>80</h1><img src=\"/usr/share/pixmaps/debian-logo.png\">' is not a valid "
                  "integer value")}) {
        SeenBox seen;
        answerBox(&seen, Qt::Key_Escape);
        platform::errorBox(message);
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(seen.buttons, "OK");
        EXPECT_EQ(seen.text, platform::withFullStop(message));
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_LE(std::abs(seen.centreOffset.x()), 2) << message.toStdString();
        EXPECT_LE(std::abs(seen.centreOffset.y()), 2) << message.toStdString();
    }
}
