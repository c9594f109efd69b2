#include "platform/Shell.h"

#include "platform/core/Exception.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace platform {
namespace {

Interceptor* g_interceptor = nullptr;
bool g_terminated = false;
QString g_title;

// The program's boxes: the text as plain text, never read as markup, and the box centred on
// the screen as it is shown, once it has taken the size its text needs.
class ProgramBox : public QMessageBox {
public:
    ProgramBox(Icon icon, const QString& text)
        : QMessageBox(icon, applicationTitle(), QString(), QMessageBox::Ok) {
        setTextFormat(Qt::PlainText);
        setText(text);
        auto* ok = qobject_cast<QPushButton*>(button(QMessageBox::Ok));
        ok->setText(QStringLiteral("OK"));
        setDefaultButton(ok);
        setEscapeButton(ok);
    }

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = screen->availableGeometry();
        const QRect frame = frameGeometry();
        move(pos() + area.center() - frame.center());
    }
};

int execBox(QMessageBox::Icon icon, const QString& text) {
    ProgramBox box(icon, text);
    return box.exec();
}

} // namespace

void setInterceptor(Interceptor* interceptor) {
    g_interceptor = interceptor;
}
Interceptor* interceptor() {
    return g_interceptor;
}

QString applicationTitle() {
    return g_title;
}
void setApplicationTitle(const QString& title) {
    g_title = title;
}

void shellExecute(const ShellRequest& request) {
    if (g_interceptor) {
        g_interceptor->shellExecute(request);
        return;
    }
    // The default program of the document or address; the verbs used here ("open",
    // "Open" or none) all mean the default action, and the show command has no
    // counterpart on this platform.
    const QUrl url = request.file.contains(QStringLiteral("://"))
                         ? QUrl(request.file, QUrl::TolerantMode)
                         : QUrl::fromLocalFile(QFileInfo(request.file).absoluteFilePath());
    QDesktopServices::openUrl(url);
}

bool startDetached(const QString& program) {
    if (g_interceptor)
        return g_interceptor->startDetached(program);
    return QProcess::startDetached(program, QStringList());
}

void terminateApplication() {
    g_terminated = true;
    QCoreApplication::exit(0);
}

bool applicationTerminated() {
    return g_terminated;
}

void restart() {
    startDetached(QCoreApplication::applicationFilePath());
    terminateApplication();
}

void messageBox(const QString& text) {
    if (g_interceptor) {
        g_interceptor->messageBox(applicationTitle(), text);
        return;
    }
    execBox(QMessageBox::NoIcon, text);
}

void errorBox(const QString& text) {
    const QString shown = withFullStop(text);
    if (g_interceptor) {
        g_interceptor->errorBox(applicationTitle(), shown);
        return;
    }
    execBox(QMessageBox::Critical, shown);
}

QString withFullStop(const QString& text) {
    if (!text.isEmpty() && text.back().unicode() > u'.')
        return text + QLatin1Char('.');
    return text;
}

void showException(const std::exception& e) {
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        errorBox(QString::fromStdString(own->message()));
    else
        errorBox(QString::fromLocal8Bit(e.what()));
}

void showUnknownException() {
    errorBox(QStringLiteral("Unknown exception"));
}

} // namespace platform
