#include "catalogue/CatalogueQuery.h"

#include <limits>
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
    // The page addresses, read together with the titles: a row's title and its address
    // always come from the same reading of the store.
    std::string urls;
    std::vector<std::uint32_t> urlStart{0};
    // The file's identity, taken no later than the reading: when the file reports another
    // one, it may have changed since.
    std::uint64_t version = 0;

    QString url(std::uint32_t row) const {
        return QString::fromUtf8(urls.data() + urlStart[row],
                                 static_cast<qsizetype>(urlStart[row + 1] - urlStart[row]));
    }
};

CatalogueQuery::CatalogueQuery(QString name, Category category, CatalogueStore& store,
                               QObject* parent)
    : QObject(parent), name_(std::move(name)), category_(category), store_(store),
      sql_(initialSql()) {}

CatalogueQuery::~CatalogueQuery() {
    // A reading that no open() took may still run, and it reads this query's name and
    // category: it ends before any member goes.
    if (pending_.valid())
        pending_.wait();
}

QStringList CatalogueQuery::initialSql() const {
    return {QStringLiteral("SELECT*"), QStringLiteral("FROM ") + latin1(info().table)};
}

void CatalogueQuery::setFilter(const QString& text) {
    close();
    sql_ = initialSql() << QStringLiteral("WHERE ") + latin1(info().titleField) +
                               QStringLiteral(" LIKE ?1");
    filter_ = text.isNull() ? QStringLiteral("") : text;
}

std::unique_ptr<CatalogueQuery::Snapshot> CatalogueQuery::read(CatalogueSource& source) const {
    auto snapshot = std::make_unique<Snapshot>();
    source.readCategory(
        info(), name_.toStdString(),
        [&](std::int64_t key, std::string_view title, bool titleIsNull, std::string_view url) {
            snapshot->keys.push_back(key);
            snapshot->titles.append(title, titleIsNull);
            if (snapshot->urls.size() + url.size() > std::numeric_limits<std::uint32_t>::max())
                throw EDatabaseError("The catalogue's page addresses exceed 4 GB");
            snapshot->urls.append(url);
            snapshot->urlStart.push_back(static_cast<std::uint32_t>(snapshot->urls.size()));
        });
    snapshot->keys.shrink_to_fit();
    snapshot->urls.shrink_to_fit();
    snapshot->urlStart.shrink_to_fit();
    snapshot->titles.shrink();
    return snapshot;
}

void CatalogueQuery::preload() {
    if (snapshot_ || pending_.valid())
        return;
    try {
        // Taken before the reading begins, so that a change during the reading is noticed.
        CatalogueSource& source = store_.source();
        pendingVersion_ = source.identity();
        // The reading's thread gets a reader of its own and reads only the name and the
        // category of the query (read() is const); the destructor waits for it.
        pending_ =
            std::async(std::launch::async, [this, own = source.reader()] { return read(*own); });
    } catch (const std::system_error&) {
        // No thread to be had: the snapshot is read when the query opens.
    } catch (const EDatabaseError&) {
        // The store cannot be read now: opening reads it and reports what fails.
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
    if (!snapshot_ && pending_.valid()) {
        // A read begun by preload() is taken, its failure included.
        snapshot_ = pending_.get();
        snapshot_->version = pendingVersion_;
        recent_.clear();
    }
    if (!snapshot_ || changedSince(*snapshot_)) {
        // A new snapshot when there is none or the file changed since the last one; a
        // failure keeps the old one and this query closed.
        CatalogueSource& source = store_.source();
        const std::uint64_t version = source.identity();
        auto fresh = read(source);
        fresh->version = version;
        snapshot_ = std::move(fresh);
        recent_.clear();
    }
    auto rows = filter_.isNull() ? std::make_shared<const RowList>(snapshot_->titles.all())
                                 : search(filter_);
    emit aboutToReset();
    rows_ = std::move(rows);
    active_ = true;
    current_ = rows_->empty() ? -1 : 0;
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

bool CatalogueQuery::changedSince(const Snapshot& snapshot) const {
    try {
        return store_.source().identity() != snapshot.version;
    } catch (const EDatabaseError&) {
        // The store cannot tell now: the snapshot, consistent in itself, stays.
        return false;
    }
}

QString CatalogueQuery::url(int row) const {
    return inRange(row) ? snapshot_->url((*rows_)[row]) : QString();
}

QString CatalogueQuery::currentUrl() const {
    return url(current_);
}

void CatalogueQuery::setCurrentRow(int row) {
    if (!inRange(row) || row == current_)
        return;
    current_ = row;
    emit currentRowChanged(current_);
}
