#include "support/TestSupport.h"

#include "app/Main.h"
#include "pages/MainHtml.h"
#include "schema/Schema.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace testing_support {

RecordingPlatform::RecordingPlatform() : previous_(platform::interceptor()) {
    platform::setInterceptor(this);
}

RecordingPlatform::~RecordingPlatform() {
    platform::setInterceptor(previous_);
}

void RecordingPlatform::messageBox(const QString& title, const QString& text) {
    events.push_back({Recorded::Kind::Message, title, text, {}});
}

void RecordingPlatform::errorBox(const QString& title, const QString& text) {
    events.push_back({Recorded::Kind::Error, title, text, {}});
}

void RecordingPlatform::shellExecute(const platform::ShellRequest& request) {
    events.push_back({Recorded::Kind::Shell, QString(), request.file, request});
}

bool RecordingPlatform::startDetached(const QString& program) {
    events.push_back({Recorded::Kind::Start, QString(), program, {}});
    return true;
}

QStringList RecordingPlatform::errors() const {
    QStringList out;
    for (const auto& e : events)
        if (e.kind == Recorded::Kind::Error)
            out << e.text;
    return out;
}

QStringList RecordingPlatform::messages() const {
    QStringList out;
    for (const auto& e : events)
        if (e.kind == Recorded::Kind::Message)
            out << e.text;
    return out;
}

ScratchDir::ScratchDir() : previous_(QDir::currentPath()) {
    if (!dir_.isValid() || !QDir::setCurrent(dir_.path()))
        throw std::runtime_error("cannot make a scratch directory");
}

ScratchDir::~ScratchDir() {
    QDir::setCurrent(previous_);
}

void makeStore(const QString& path, const std::string& sql) {
    sqlite3* db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create " + path.toStdString());
    }
    // Another connection of the test may be reading the file at this moment.
    sqlite3_busy_timeout(db, 5000);
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        sqlite3_close(db);
        throw std::runtime_error("SQL failed: " + message);
    }
    sqlite3_close(db);
}

std::string sourceFile(const QString& relativePath) {
    QFile f(QDir(QStringLiteral(ZANTREL_SOURCE_DIR)).filePath(relativePath));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + f.fileName().toStdString());
    return f.readAll().toStdString();
}

std::string demoCatalogueSql(const std::string& siteBase) {
    static const std::string placeholder = "http://127.0.0.1:@PORT@";
    std::string sql = std::string(schema::kCatalogue) + sourceFile("demo/catalogue.sql");
    for (std::size_t at; (at = sql.find(placeholder)) != std::string::npos;)
        sql.replace(at, placeholder.size(), siteBase);
    return sql;
}

void makeDemoStores(const ScratchDir& dir) {
    makeStore(dir.file("bdv.db"), demoCatalogueSql());
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
}

QString mainHtmlPath() {
    return QDir(TMainForm::programDirectory()).filePath(QString::fromLatin1(kMainHtmlName));
}

std::string demoSettingsSql() {
    return std::string(schema::kSettings) + sourceFile("demo/config.sql") +
           "\nUPDATE autoupdate SET autoupdatecheck = 0;\n";
}

} // namespace testing_support
