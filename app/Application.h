#pragma once
// The application object: its title, and the application-wide handler that turns every
// failure no handler caught into the error box, so the event loop goes on.
#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    // The program takes no arguments: Qt is handed the program name alone, so that none of
    // its own options (-reverse, -qwindowtitle, -style...) act on the program.
    TApplication(int& argc, char** argv);

    // The title rule: the executable's file name without its directory, cut at the first
    // ".", every character after the first in lower case.
    static QString titleFromExecutable(const QString& path);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    struct ProgramName;
    explicit TApplication(ProgramName& name);
};
