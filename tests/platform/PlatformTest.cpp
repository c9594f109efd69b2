#include "app/Application.h"
#include "platform/Codec.h"
#include "platform/Guard.h"
#include "platform/Shell.h"
#include "platform/core/Exception.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
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
    const QString script = dir.file("a program with blanks.sh");
    const QString marker = dir.file("started");
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("#!/bin/sh\necho \"$#\" > '" + marker + "'\n").toUtf8());
    }
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(platform::startDetached(script));
    ASSERT_TRUE(testing_support::waitFor(
        [&] { return QFile::exists(marker) && QFile(marker).size() > 0; }, 10000));
    QFile f(marker);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().trimmed(), "0"); // no arguments
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

// Looks at the real box once it is shown, then answers it with `key`; polls a bounded number
// of times.
void answerBox(QMessageBox::Icon* icon, QString* title, QString* buttons, QPoint* centreOffset,
               Qt::Key key, int triesLeft = 500) {
    QTimer::singleShot(10, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            if (triesLeft > 0)
                answerBox(icon, title, buttons, centreOffset, key, triesLeft - 1);
            return;
        }
        *icon = box->icon();
        *title = box->windowTitle();
        for (QAbstractButton* b : box->buttons())
            *buttons += b->text();
        const QRect screen = box->screen()->availableGeometry();
        *centreOffset = box->geometry().center() - screen.center();
        QTest::keyClick(box, key);
    });
}

} // namespace

TEST(MessageBox, TheRealBoxHasNoIconOneOkAndAnswersEnterAndEsc) {
    platform::setApplicationTitle("Zantrel");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        QMessageBox::Icon icon = QMessageBox::Warning;
        QString title, buttons;
        QPoint offset(999, 999);
        answerBox(&icon, &title, &buttons, &offset, key);
        platform::messageBox("Изменения настроек приняты.");
        EXPECT_EQ(icon, QMessageBox::NoIcon);
        EXPECT_EQ(title, "Zantrel");
        EXPECT_EQ(buttons, "OK");
        EXPECT_LE(std::abs(offset.x()), 2);
        EXPECT_LE(std::abs(offset.y()), 2);
    }
}

TEST(MessageBox, TheRealErrorBoxHasTheErrorIcon) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, buttons;
    QPoint offset;
    answerBox(&icon, &title, &buttons, &offset, Qt::Key_Escape);
    platform::errorBox("Host not found");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, "OK");
}
