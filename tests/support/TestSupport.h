#pragma once
// Test support for the Qt side: an interceptor that records every box and process start,
// a scratch working directory, and stores made from SQL text.
#include "platform/Shell.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <ostream>
#include <string>
#include <vector>

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace testing_support {

struct Recorded {
    enum class Kind { Message, Error, Shell, Start } kind;
    QString title;
    QString text; // message text, or the file / program
    platform::ShellRequest shell;
};

// Records instead of showing or starting anything; installed for its lifetime.
class RecordingPlatform : public platform::Interceptor {
public:
    RecordingPlatform();
    ~RecordingPlatform() override;
    void messageBox(const QString& title, const QString& text) override;
    void errorBox(const QString& title, const QString& text) override;
    void shellExecute(const platform::ShellRequest& request) override;
    bool startDetached(const QString& program) override;

    std::vector<Recorded> events;
    QStringList errors() const;
    QStringList messages() const;
    void clear() { events.clear(); }

private:
    platform::Interceptor* previous_;
};

// A fresh temporary directory made the working directory for its lifetime.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Creates a store file at `path` from SQL text (schema and rows); throws on error.
void makeStore(const QString& path, const std::string& sql);
// The text of a file of the source tree, e.g. "demo/catalogue.sql".
std::string sourceFile(const QString& relativePath);
// The demo catalogue with its page addresses on `siteBase` (scheme, host and port).
std::string demoCatalogueSql(const std::string& siteBase = "http://127.0.0.1:8080");
// Makes bdv.db and zntconfig.db in `dir` from the demo stores (the site check off).
void makeDemoStores(const ScratchDir& dir);
// The demo settings store with the start-up site check off, so that tests contact no site
// unless they ask for it.
std::string demoSettingsSql();
// main.html in the program's directory, where the tests' executables may write it.
QString mainHtmlPath();
// Runs the event loop until `done` holds or `ms` pass.
template <class F> bool waitFor(F done, int ms = 5000);

} // namespace testing_support

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

template <class F> bool testing_support::waitFor(F done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}
