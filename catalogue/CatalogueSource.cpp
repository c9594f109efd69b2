#include "catalogue/CatalogueSource.h"

#include "jet/JetFile.h"

#include <cmath>
#include <filesystem>
#include <system_error>

// The two kinds of catalogue file (SqliteCatalogue.cpp, JetCatalogue.cpp).
std::unique_ptr<CatalogueSource> openSqliteCatalogue(const std::string& fileName);
std::unique_ptr<CatalogueSource> openJetCatalogue(const std::string& fileName);

CatalogueDate CatalogueDate::fromText(const QString& text) {
    const QString trimmed = text.trimmed();
    QDateTime when = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!when.isValid())
        when = QDateTime::fromString(trimmed, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!when.isValid())
        when = QDateTime(QDate::fromString(trimmed, Qt::ISODate), QTime(0, 0));
    if (!when.isValid())
        return {QDateTime(), text.isNull() ? QStringLiteral("") : text};
    return {when, QString()};
}

CatalogueDate CatalogueDate::fromJulianDay(double julian, const QString& asStored) {
    constexpr double firstDay = 1721425.5; // 0001-01-01 00:00
    constexpr double endDay = 5373484.5;   // 10000-01-01 00:00
    QDateTime when;
    if (julian >= firstDay && julian < endDay) {
        when = QDateTime::fromMSecsSinceEpoch(
            static_cast<qint64>(std::llround((julian - 2440587.5) * 86400000.0)), Qt::UTC);
        when = QDateTime(when.date(), when.time());
    }
    // The last milliseconds before either bound round onto it.
    if (!when.isValid() || when.date().year() < 1 || when.date().year() > 9999)
        return {QDateTime(), asStored.isNull() ? QStringLiteral("") : asStored};
    return {when, QString()};
}

std::unique_ptr<CatalogueSource> openCatalogueSource(const std::string& fileName) {
    // A missing or empty file is SQLite's to report (an empty file is an empty store).
    std::error_code error;
    const auto size = std::filesystem::file_size(fileName, error);
    if (error || size == 0)
        return openSqliteCatalogue(fileName);
    jet::Format format;
    try {
        format = jet::detectFileFormat(fileName);
    } catch (const jet::EJetError& e) {
        throw EDatabaseError(fileName + ": " + e.what());
    }
    return format == jet::Format::SQLite ? openSqliteCatalogue(fileName)
                                         : openJetCatalogue(fileName);
}

CategoryFields findCategoryFields(const std::vector<std::string>& names,
                                  const CategoryInfo& category, const std::string& dataset) {
    CategoryFields fields;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        const QString name = QString::fromStdString(names[static_cast<std::size_t>(i)]);
        auto is = [&](std::string_view field) {
            return name.compare(QLatin1String(field.data(), static_cast<qsizetype>(field.size())),
                                Qt::CaseInsensitive) == 0;
        };
        if (is("key") && fields.key < 0)
            fields.key = i;
        else if (is(category.titleField) && fields.title < 0)
            fields.title = i;
        else if (is(category.urlField) && fields.url < 0)
            fields.url = i;
    }
    if (fields.title < 0 || fields.url < 0)
        throw EDatabaseError(
            dataset + ": Field '" +
            std::string(fields.title < 0 ? category.titleField : category.urlField) +
            "' not found");
    return fields;
}

void CatalogueStore::open() {
    if (!source_)
        source_ = openCatalogueSource(fileName_);
}

CatalogueSource& CatalogueStore::source() {
    open();
    return *source_;
}

void CatalogueDateTable::open() {
    if (active_)
        return;
    date_ = store_.source().firstUpdate(tableName_.toStdString());
    active_ = true;
    emit dataChanged();
}

void CatalogueDateTable::close() {
    if (!active_)
        return;
    active_ = false;
    date_ = CatalogueDate();
    emit dataChanged();
}
