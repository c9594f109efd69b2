#pragma once
// The catalogue's file behind one narrow seam. The category queries and the catalogue's date
// see a CatalogueSource only; what kind of file it reads (a SQLite store or a Jet file, told
// apart by the file's first bytes, never by its name) stays inside its implementation.
//
// A source is used by one thread at a time. A thread of its own takes a reader() made for it,
// which shares nothing that changes with the source it came from.
#include "platform/core/Exception.h"
#include "types/Category.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The first `update` value of the catalogue's date table: none, a date and time (no zone), or a
// value that is no date, as the file holds it.
struct CatalogueDate {
    QDateTime when;
    QString asStored;
    bool isNull() const { return !when.isValid() && asStored.isNull(); }

    // A date as text (ISO 8601, or "yyyy-MM-dd HH:mm:ss"); other text stays as it is.
    static CatalogueDate fromText(const QString& text);
    // A Julian day; only days from the year 1 to the year 9999 are dates, any other number
    // gives `asStored`.
    static CatalogueDate fromJulianDay(double julian, const QString& asStored);
};

class CatalogueSource {
public:
    // One row of a category: its key (0 when there is none), its title (`titleIsNull` for a
    // null one) and its page address, as UTF-8.
    using RowSink = std::function<void(std::int64_t key, std::string_view title, bool titleIsNull,
                                       std::string_view url)>;

    virtual ~CatalogueSource() = default;

    // What tells the file's current contents apart: another value than last time means the
    // file was changed in between (by another program). Throws EDatabaseError when the file
    // cannot tell now.
    virtual std::uint64_t identity() = 0;
    // Every row of the category's table, in the file's own order; `dataset` names the query in
    // a missing field's message. Throws EDatabaseError; rows handed over before a failure
    // belong to a table that could not be read whole.
    virtual void readCategory(const CategoryInfo& category, const std::string& dataset,
                              const RowSink& onRow) = 0;
    // The first row's `update` value of `table`; null when the table has no row or no such
    // field. Throws EDatabaseError when there is no such table.
    virtual CatalogueDate firstUpdate(std::string_view table) = 0;
    // A reader of the same file for another thread, made on this one.
    virtual std::unique_ptr<CatalogueSource> reader() const = 0;
};

// Opens `fileName` as the kind of file its first bytes name. A missing file is an error and
// is never created. Throws EDatabaseError with a message that begins with the file's name.
std::unique_ptr<CatalogueSource> openCatalogueSource(const std::string& fileName);

// The positions of a category's key, title and address among a table's field names, compared
// ignoring case; the key's is -1 when there is none. Throws EDatabaseError
// "<dataset>: Field '<name>' not found" when the title or the address is missing.
struct CategoryFields {
    int key = -1, title = -1, url = -1;
};
CategoryFields findCategoryFields(const std::vector<std::string>& names,
                                  const CategoryInfo& category, const std::string& dataset);

// The catalogue file as the data module holds it for the whole run: opened on demand.
class CatalogueStore {
public:
    explicit CatalogueStore(std::string fileName) : fileName_(std::move(fileName)) {}
    // Throws EDatabaseError.
    void open();
    void close() { source_.reset(); }
    bool isOpen() const { return source_ != nullptr; }
    const std::string& fileName() const { return fileName_; }
    // Opens the file when needed; throws EDatabaseError.
    CatalogueSource& source();

private:
    std::string fileName_;
    std::unique_ptr<CatalogueSource> source_;
};

// The catalogue's date table as a dataset: opened, it holds the first row's `update` value.
class CatalogueDateTable : public QObject {
    Q_OBJECT
public:
    CatalogueDateTable(QString name, QString tableName, CatalogueStore& store,
                       QObject* parent = nullptr)
        : QObject(parent), name_(std::move(name)), tableName_(std::move(tableName)), store_(store) {
    }
    const QString& name() const { return name_; }
    const QString& tableName() const { return tableName_; }
    // Reads the date; throws EDatabaseError and then stays closed.
    void open();
    void close();
    bool active() const { return active_; }
    // Null while closed.
    const CatalogueDate& date() const { return date_; }

signals:
    void dataChanged();

private:
    QString name_;
    QString tableName_;
    CatalogueStore& store_;
    bool active_ = false;
    CatalogueDate date_;
};
