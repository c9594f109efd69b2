#include "app/Application.h"

#include "platform/Shell.h"

#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <exception>

static void initResources() {
    Q_INIT_RESOURCE(zantrel);
}

// The command line Qt sees: the program name alone. Qt keeps a reference to it for the
// application's lifetime, hence the static storage; there is one application at a time.
struct TApplication::ProgramName {
    int argc = 1;
    char* argv[2] = {nullptr, nullptr};

    static ProgramName& of(int argc, char** argv) {
        static char fallback[] = "Zantrel";
        static ProgramName name;
        name.argc = 1;
        name.argv[0] = argc > 0 && argv && argv[0] ? argv[0] : fallback;
        name.argv[1] = nullptr;
        return name;
    }
};

TApplication::TApplication(int& argc, char** argv) : TApplication(ProgramName::of(argc, argv)) {}

TApplication::TApplication(ProgramName& name) : QApplication(name.argc, name.argv) {
    initResources();
    // The program's forms are laid out for this face; metric-compatible faces stand in.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    platform::setApplicationTitle(titleFromExecutable(applicationFilePath()));
    setWindowIcon(QIcon(QStringLiteral(":/icons/zantrel.png")));
}

QString TApplication::titleFromExecutable(const QString& path) {
    QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        platform::showException(e);
    } catch (...) {
        platform::showUnknownException();
    }
    return false;
}
