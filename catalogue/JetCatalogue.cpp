// The catalogue as a Jet file (Access 97, Access 2000-2003), never changed: each reading reads
// the pages it needs from the file as it goes.
#include "catalogue/CatalogueSource.h"

#include "jet/JetFile.h"

#include <cmath>
#include <filesystem>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#include <fstream>

namespace {

// The Julian day of 1899-12-30 00:00, day 0 of a Jet date.
constexpr double kJetEpoch = 2415018.5;

// 64-bit FNV-1a.
void mix(std::uint64_t& hash, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ULL;
    }
}

// The file's size and modification time and the bytes of its first and last pages: a program
// that writes the file changes at least one of them, and they cost two small reads.
std::uint64_t fileIdentity(const std::string& fileName) {
    std::error_code sizeError, timeError;
    const auto size = std::filesystem::file_size(fileName, sizeError);
#ifdef _WIN32
    // The C library's time of the last write has whole seconds here; the system's has
    // tenths of microseconds, so that two writes within one second differ.
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    std::uint64_t ticks = 0;
    if (GetFileAttributesExW(QString::fromStdString(fileName).toStdWString().c_str(),
                             GetFileExInfoStandard, &attributes))
        ticks = std::uint64_t{attributes.ftLastWriteTime.dwHighDateTime} << 32 |
                attributes.ftLastWriteTime.dwLowDateTime;
    else
        timeError = std::error_code(static_cast<int>(GetLastError()), std::system_category());
#else
    const auto ticks =
        std::filesystem::last_write_time(fileName, timeError).time_since_epoch().count();
#endif
    if (sizeError || timeError)
        throw EDatabaseError(fileName + ": " + (sizeError ? sizeError : timeError).message());
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const std::uint64_t bytes = size;
    mix(hash, &bytes, sizeof bytes);
    mix(hash, &ticks, sizeof ticks);
    std::ifstream in(fileName, std::ios::binary);
    constexpr std::uint64_t kPage = 4096;
    char page[kPage];
    for (const std::uint64_t at : {std::uint64_t{0}, size > kPage ? size - kPage : 0}) {
        in.seekg(static_cast<std::streamoff>(at));
        in.read(page, static_cast<std::streamsize>(kPage));
        if (in.bad())
            throw EDatabaseError(fileName + ": cannot be read");
        mix(hash, page, static_cast<std::size_t>(in.gcount()));
        in.clear();
    }
    return hash;
}

// A whole number or a date as the file holds it, for a key; 0 for anything else.
std::int64_t keyOf(const jet::Value& v) {
    if (const auto* i = std::get_if<std::int32_t>(&v))
        return *i;
    if (const auto* i = std::get_if<std::int16_t>(&v))
        return *i;
    if (const auto* b = std::get_if<std::uint8_t>(&v))
        return *b;
    if (const auto* d = std::get_if<double>(&v))
        return std::isfinite(*d) && std::fabs(*d) < 9e18 ? static_cast<std::int64_t>(*d) : 0;
    return 0;
}

// A value as text: text as it is, numbers in full.
std::string textOf(const jet::Value& v) {
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    if (const auto* b = std::get_if<bool>(&v))
        return *b ? "1" : "0";
    if (const auto* d = std::get_if<double>(&v))
        return QString::number(*d, 'g', 17).toStdString();
    if (const auto* d = std::get_if<jet::DateTime>(&v))
        return QString::number(d->days, 'g', 17).toStdString();
    if (const auto* b = std::get_if<jet::Binary>(&v))
        return b->bytes;
    if (std::holds_alternative<std::monostate>(v))
        return {};
    return std::to_string(keyOf(v));
}

class JetCatalogue : public CatalogueSource {
public:
    JetCatalogue(std::string fileName, std::shared_ptr<const jet::JetFile> file,
                 std::uint64_t loaded)
        : fileName_(std::move(fileName)), held_(file), shared_(file), loaded_(loaded) {}

    std::uint64_t identity() override { return fileIdentity(fileName_); }

    void readCategory(const CategoryInfo& info, const std::string& dataset,
                      const RowSink& onRow) override {
        const std::shared_ptr<const jet::JetFile> held = current();
        const jet::JetFile& file = *held;
        const std::string table(info.table);
        const std::vector<jet::Column> columns = tableColumns(file, table);
        std::vector<std::string> names;
        for (const jet::Column& c : columns)
            names.push_back(c.name);
        const CategoryFields fields = findCategoryFields(names, info, dataset);
        auto at = [](const jet::Row& row, int i) -> const jet::Value& {
            return row[static_cast<std::size_t>(i)];
        };
        guarded([&] {
            file.readRows(table, [&](jet::Row&& row) {
                const std::int64_t key = fields.key < 0 ? 0 : keyOf(at(row, fields.key));
                const jet::Value& title = at(row, fields.title);
                const jet::Value& url = at(row, fields.url);
                // Text, as it nearly always is, is handed over without a copy.
                const auto* titleText = std::get_if<std::string>(&title);
                const auto* urlText = std::get_if<std::string>(&url);
                const std::string otherTitle = titleText ? std::string() : textOf(title);
                const std::string otherUrl = urlText ? std::string() : textOf(url);
                onRow(key, titleText ? *titleText : otherTitle,
                      std::holds_alternative<std::monostate>(title), urlText ? *urlText : otherUrl);
            });
        });
    }

    CatalogueDate firstUpdate(std::string_view table) override {
        const std::shared_ptr<const jet::JetFile> held = current();
        const jet::JetFile& file = *held;
        const std::vector<jet::Column> columns = tableColumns(file, std::string(table));
        int update = -1;
        for (const jet::Column& c : columns)
            if (update < 0 && QString::fromStdString(c.name).compare(QLatin1String("update"),
                                                                     Qt::CaseInsensitive) == 0)
                update = c.order;
        std::vector<jet::Row> rows;
        guarded([&] { rows = file.rows(table); });
        if (update < 0 || rows.empty())
            return {};
        const jet::Value& v = rows.front()[static_cast<std::size_t>(update)];
        if (std::holds_alternative<std::monostate>(v))
            return {};
        if (const auto* when = std::get_if<jet::DateTime>(&v)) {
            // Before day 0 the whole days count back and the time of day still runs forward.
            double days = when->days;
            if (days < 0) {
                const double whole = std::trunc(days);
                days = whole + std::fabs(days - whole);
            }
            return CatalogueDate::fromJulianDay(days + kJetEpoch,
                                                QString::number(when->days, 'g', 15));
        }
        if (const auto* text = std::get_if<std::string>(&v))
            return CatalogueDate::fromText(QString::fromStdString(*text));
        return {QDateTime(), QString::fromStdString(textOf(v))};
    }

    std::unique_ptr<CatalogueSource> reader() const override {
        // The opened file is shared: a JetFile never changes once made, and each reading keeps
        // its own state.
        return std::make_unique<JetCatalogue>(fileName_, held_ ? held_ : shared_.lock(), loaded_);
    }

    void load() {
        const std::uint64_t identity = fileIdentity(fileName_);
        guarded(
            [&] { held_ = std::make_shared<const jet::JetFile>(jet::JetFile::open(fileName_)); });
        shared_ = held_;
        loaded_ = identity;
    }

private:
    // The file as it is now, for one reading: opened again when it changed since it was
    // opened or when no reading holds it any more. It is not held past the reading, so the
    // file stays open only while readings use it.
    std::shared_ptr<const jet::JetFile> current() {
        std::shared_ptr<const jet::JetFile> file = held_ ? held_ : shared_.lock();
        if (!file || identity() != loaded_) {
            load();
            file = held_;
        }
        held_.reset();
        return file;
    }

    std::vector<jet::Column> tableColumns(const jet::JetFile& file, const std::string& table) {
        if (!file.hasTable(table))
            throw EDatabaseError("no such table: " + table);
        std::vector<jet::Column> columns;
        guarded([&] { columns = file.columns(table); });
        std::vector<jet::Column> ordered(columns.size());
        for (jet::Column& c : columns) {
            if (c.order < 0 || static_cast<std::size_t>(c.order) >= ordered.size())
                throw EDatabaseError(fileName_ + ": damaged Jet file (field order)");
            ordered[static_cast<std::size_t>(c.order)] = std::move(c);
        }
        return ordered;
    }

    // The reader's failures name the file.
    template <class F> void guarded(F&& step) {
        try {
            step();
        } catch (const jet::EJetError& e) {
            throw EDatabaseError(fileName_ + ": " + e.what());
        }
    }

    std::string fileName_;
    // Held from the opening to the first reading, and shared with the readers made meanwhile.
    std::shared_ptr<const jet::JetFile> held_;
    std::weak_ptr<const jet::JetFile> shared_;
    std::uint64_t loaded_ = 0;
};

} // namespace

std::unique_ptr<CatalogueSource> openJetCatalogue(const std::string& fileName) {
    auto source = std::make_unique<JetCatalogue>(fileName, nullptr, 0);
    source->load();
    return source;
}
