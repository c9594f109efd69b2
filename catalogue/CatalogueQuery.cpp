#include "catalogue/CatalogueQuery.h"

#include <sqlite3.h>
#include <system_error>

namespace {

// At most this many recent search results are kept per category.
constexpr std::size_t kRecentResults = 8;

QString latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}

} // namespace

struct CatalogueQuery::Snapshot {
    TitleIndex titles;
    std::vector<qint64> keys;
    // The store's row ids when they differ from the keys; empty otherwise.
    std::vector<qint64> rowids;
    // Reads one row's address by its row id.
    std::string addressSql;
    std::unique_ptr<Statement> address;
    sqlite3* addressDb = nullptr;

    qint64 rowid(std::uint32_t row) const { return rowids.empty() ? keys[row] : rowids[row]; }
};

CatalogueQuery::CatalogueQuery(QString name, Category category, Store& store, QObject* parent)
    : QObject(parent), name_(std::move(name)), category_(category), store_(store),
      sql_(initialSql()) {}

CatalogueQuery::~CatalogueQuery() = default;

QStringList CatalogueQuery::initialSql() const {
    return {QStringLiteral("SELECT*"), QStringLiteral("FROM ") + latin1(info().table)};
}

void CatalogueQuery::setFilter(const QString& text) {
    close();
    sql_ = initialSql() << QStringLiteral("WHERE ") + latin1(info().titleField) +
                               QStringLiteral(" LIKE ?1");
    filter_ = text.isNull() ? QStringLiteral("") : text;
}

std::unique_ptr<CatalogueQuery::Snapshot> CatalogueQuery::read(Store& store) const {
    // The statement as written tells a missing store, table or field in the store's words.
    QString text;
    for (const QString& line : initialSql())
        text += line + QStringLiteral("\r\n");
    std::string keyName, titleName, urlName;
    {
        Statement probe(store, text.toStdString());
        const int columns = sqlite3_column_count(probe.get());
        for (int i = 0; i < columns; ++i) {
            const std::string column = sqlite3_column_name(probe.get(), i);
            auto is = [&](std::string_view field) {
                return QString::fromStdString(column).compare(latin1(field), Qt::CaseInsensitive) ==
                       0;
            };
            if (is("key") && keyName.empty())
                keyName = column;
            else if (is(info().titleField) && titleName.empty())
                titleName = column;
            else if (is(info().urlField) && urlName.empty())
                urlName = column;
        }
    }
    if (titleName.empty() || urlName.empty())
        throw EDatabaseError(name_.toStdString() + ": Field '" +
                             std::string(titleName.empty() ? info().titleField : info().urlField) +
                             "' not found");

    const std::string table = quoteIdentifier(std::string(info().table));
    // The rows come in the order the table holds them: no index may order them instead.
    const std::string scan = table + " NOT INDEXED";
    const std::string key = keyName.empty() ? std::string("NULL") : quoteIdentifier(keyName);
    std::string rowid = "rowid";
    std::unique_ptr<Statement> rows;
    try {
        rows = std::make_unique<Statement>(store, "SELECT rowid, " + key + ", " +
                                                      quoteIdentifier(titleName) + " FROM " + scan);
    } catch (const EDatabaseError&) {
        // A table without row ids: its addresses are found by key.
        if (keyName.empty())
            throw;
        rowid = key;
        rows = std::make_unique<Statement>(store, "SELECT " + key + ", " + key + ", " +
                                                      quoteIdentifier(titleName) + " FROM " + scan);
    }

    auto snapshot = std::make_unique<Snapshot>();
    std::vector<qint64> rowids;
    sqlite3_stmt* st = rows->get();
    while (rows->step()) {
        rowids.push_back(sqlite3_column_int64(st, 0));
        snapshot->keys.push_back(sqlite3_column_int64(st, 1));
        const bool null = sqlite3_column_type(st, 2) == SQLITE_NULL;
        const auto* title = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
        snapshot->titles.append(
            std::string_view(title ? title : "",
                             static_cast<std::size_t>(sqlite3_column_bytes(st, 2))),
            null);
    }
    if (rowids != snapshot->keys)
        snapshot->rowids = std::move(rowids);
    snapshot->keys.shrink_to_fit();
    snapshot->rowids.shrink_to_fit();
    snapshot->titles.shrink();
    snapshot->addressSql =
        "SELECT " + quoteIdentifier(urlName) + " FROM " + table + " WHERE " + rowid + " = ?1";
    return snapshot;
}

void CatalogueQuery::preload() {
    if (snapshot_ || pending_.valid())
        return;
    try {
        pending_ = std::async(std::launch::async, [this, file = store_.fileName()] {
            Store own(file, Store::Mode::ReadOnly);
            return read(own);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the snapshot is read when the query opens.
    }
}

std::shared_ptr<const RowList> CatalogueQuery::search(const QString& text) {
    TitlePattern pattern(text);
    for (auto it = recent_.begin(); it != recent_.end(); ++it) {
        if (it->pattern.folded() == pattern.folded()) {
            Result hit = std::move(*it);
            recent_.erase(it);
            recent_.push_front(std::move(hit));
            return recent_.front().rows;
        }
    }
    // A result for text that this text contains holds every match: look only at its rows.
    const Result* narrowest = nullptr;
    for (const Result& r : recent_) {
        if (pattern.narrows(r.pattern) && (!narrowest || r.rows->size() < narrowest->rows->size()))
            narrowest = &r;
    }
    // Looking at rows one by one pays only when they are a small part of the whole; a scan
    // of the whole text is faster otherwise.
    const bool narrow = narrowest && narrowest->rows->size() * 4 < snapshot_->titles.size();
    auto rows =
        std::make_shared<const RowList>(narrow ? snapshot_->titles.find(pattern, *narrowest->rows)
                                               : snapshot_->titles.find(pattern));
    recent_.push_front(Result{std::move(pattern), rows});
    if (recent_.size() > kRecentResults)
        recent_.pop_back();
    return rows;
}

void CatalogueQuery::prepareFilter(const QString& text) {
    if (snapshot_)
        search(text.isNull() ? QStringLiteral("") : text);
}

void CatalogueQuery::open() {
    if (active_)
        return;
    if (!snapshot_) {
        // A read begun by preload() is taken, its failure included; otherwise read now.
        snapshot_ = pending_.valid() ? pending_.get() : read(store_);
        recent_.clear();
    }
    auto rows = filter_.isNull() ? std::make_shared<const RowList>(snapshot_->titles.all())
                                 : search(filter_);
    emit aboutToReset();
    rows_ = std::move(rows);
    active_ = true;
    current_ = rows_->empty() ? -1 : 0;
    urlKnown_ = false;
    emit reset();
    emit currentRowChanged(current_);
}

void CatalogueQuery::close() {
    if (!active_)
        return;
    emit aboutToReset();
    active_ = false;
    rows_.reset();
    current_ = -1;
    urlKnown_ = false;
    emit reset();
    emit currentRowChanged(current_);
}

qint64 CatalogueQuery::key(int row) const {
    return inRange(row) ? snapshot_->keys[(*rows_)[row]] : 0;
}

QString CatalogueQuery::title(int row) const {
    if (!inRange(row))
        return QString();
    const std::string_view t = snapshot_->titles.title((*rows_)[row]);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

bool CatalogueQuery::titleIsNull(int row) const {
    return inRange(row) ? snapshot_->titles.isNull((*rows_)[row]) : true;
}

QString CatalogueQuery::readUrl(std::uint32_t row) const {
    Snapshot& s = *snapshot_;
    try {
        if (!s.address || s.addressDb != store_.handle()) {
            s.address.reset();
            s.address = std::make_unique<Statement>(store_, s.addressSql);
            s.addressDb = store_.handle();
        }
        sqlite3_stmt* st = s.address->get();
        sqlite3_reset(st);
        sqlite3_bind_int64(st, 1, s.rowid(row));
        QString url;
        if (s.address->step()) {
            url = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                    sqlite3_column_bytes(st, 0));
        }
        sqlite3_reset(st);
        return url;
    } catch (const EDatabaseError&) {
        // The row is gone or the store cannot be read now: no address.
        s.address.reset();
        return QString();
    }
}

QString CatalogueQuery::url(int row) const {
    if (!inRange(row))
        return QString();
    if (row == current_)
        return currentUrl();
    return readUrl((*rows_)[row]);
}

QString CatalogueQuery::currentUrl() const {
    if (!inRange(current_))
        return QString();
    const std::uint32_t row = (*rows_)[current_];
    if (!urlKnown_ || urlRow_ != row) {
        url_ = readUrl(row);
        urlRow_ = row;
        urlKnown_ = true;
    }
    return url_;
}

void CatalogueQuery::setCurrentRow(int row) {
    if (!inRange(row) || row == current_)
        return;
    current_ = row;
    emit currentRowChanged(current_);
}
