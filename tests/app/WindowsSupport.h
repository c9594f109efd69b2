#pragma once
// The program started on the demo stores, and each of its windows visited while it is shown:
// the main window, the four dialogs, and a real box of every message the program words and of
// a failure.
#include "app/Main.h"
#include "app/Program.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/ConfigUnit.h"
#include "net/ProxyUnit.h"
#include "platform/Dialogs.h"
#include "platform/Guard.h"
#include "support/TestSupport.h"
#include "update/UpProgUnit.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace windows_test {

// Runs `visit` on the first modal window that comes up while `open` runs, then closes it.
// `open` must block in that window's modal loop.
inline void whileModal(const std::function<void()>& open,
                       const std::function<void(QWidget*)>& visit) {
    int polls = 0;
    std::function<void()> poll = [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            visit(modal);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->done(QDialog::Rejected);
            return;
        }
        if (++polls < 400)
            QTimer::singleShot(5, poll);
    };
    QTimer::singleShot(0, poll);
    open();
}

class ProgramWindows : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::makeDemoStores(dir);
        createProgram();
        MainForm->show();
        testing_support::waitFor([] { return MainForm->activated(); }, 1000);
    }
    void TearDown() override { destroyProgram(); }

    // Calls `visit` with each window of the program while it is shown.
    void forEachWindow(const std::function<void(QWidget*)>& visit) {
        visit(MainForm);
        for (QDialog* dialog :
             std::initializer_list<QDialog*>{ProxyForm, ConfigForm, AboutForm, UpProgForm})
            whileModal([dialog] { platform::showModalCentred(dialog, MainForm); }, visit);
        // The boxes are the real ones, not the recording stand-ins.
        platform::setInterceptor(nullptr);
        for (const QString& text : kMessages)
            whileModal([&text] { platform::messageBox(text); }, visit);
        whileModal([] { platform::errorBox(QStringLiteral("'12a' is not a valid integer value")); },
                   visit);
        platform::setInterceptor(&rec);
    }

    // Every message the program words.
    inline static const QStringList kMessages = {
        platform::connectionFailureMessage(),
        QStringLiteral("Изменения настроек приняты. Для того чтобы обновления вступили в силу "
                       "программа должна перезапуститься!"),
        QStringLiteral("На сайте разработчика доступна новая версия программы. Посетите сайт "
                       "разработчика и скачайте более новую версию Zantrel!"),
        QStringLiteral("Вы используете последнюю версию программы Zantrel! Для данной версии "
                       "программы нет доступных обновлений."),
    };

    testing_support::ScratchDir dir;
    testing_support::RecordingPlatform rec;
};

// A window's name in failure messages.
inline std::string windowName(const QWidget* window) {
    const auto* box = qobject_cast<const QMessageBox*>(window);
    return (box ? QStringLiteral("box \"%1\"").arg(box->text().left(30))
                : window->metaObject()->className())
        .toStdString();
}

} // namespace windows_test
