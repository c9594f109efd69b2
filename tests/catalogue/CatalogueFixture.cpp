#include "CatalogueFixture.h"

#include "JetCopy.h"
#include "jet/JetWriter.h"

#include <QFile>

using namespace testing_support;

std::string formatName(const ::testing::TestParamInfo<jet::Format>& info) {
    switch (info.param) {
    case jet::Format::SQLite:
        return "SQLite";
    case jet::Format::Jet3:
        return "Jet3";
    case jet::Format::Jet4:
        return "Jet4";
    }
    return "unknown";
}

QString CatalogueFormats::master() const {
    return dir.file(GetParam() == jet::Format::SQLite ? QStringLiteral("bdv.db")
                                                      : QStringLiteral("master.db"));
}

void CatalogueFormats::makeCatalogue(const std::string& sql) {
    changeCatalogue(sql);
}

void CatalogueFormats::changeCatalogue(const std::string& sql) {
    makeStore(master(), sql);
    if (GetParam() == jet::Format::SQLite)
        return;
    const std::string bytes = jetCopyOf(master(), GetParam());
    // Written anew in place, as another program would.
    QFile out(dir.file(QStringLiteral("bdv.db")));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
        throw std::runtime_error("cannot write bdv.db");
}
