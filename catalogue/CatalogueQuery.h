#pragma once
// The rows of one catalogue category: key, title and page address, in the store's order,
// with one current row that the grid and the hidden address edit follow.
//
// The keys, titles and page addresses are read in one reading into a static snapshot held
// in memory; every open, the title search included, filters that snapshot, and takes a new
// one first when the store reports that the file changed since (another program wrote it).
// A row's title and its address therefore always come from the same reading.
//
// Threads. The catalogue lives on the user-interface thread: the data module, its stores,
// tables and queries are made, used, opened, closed and destroyed there, and every signal
// is emitted there. Two kinds of work run elsewhere, and the user-interface thread always
// waits for them before it uses what they made:
// - The start-up reading. preload() hands the reading of the snapshot to a thread of its
//   own (std::async), with a reader of its own of the same file (CatalogueSource::reader). That
//   thread shares nothing with the query but its name and category, fixed when the query is made;
//   what it reads, or its failure, comes back through a future. The first open() waits for it and
//   takes it; the destructor waits for a reading that no open() took.
// - The search. TDataModule1::search() works out the rows of two categories on a helper
//   thread and of the two others on the user-interface thread (prepareFilter), then joins
//   the helper, and only then opens the queries, which emit their signals. prepareFilter()
//   touches only its own query's snapshot and recent results, so each query is used by one
//   thread at a time; the titles' index is searched through const members only, which
//   change nothing (TitleIndex).
// Nothing ever waits for the user-interface thread, and no lock is taken.
#include "catalogue/CatalogueSource.h"
#include "catalogue/TitleIndex.h"
#include "types/Category.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <future>
#include <memory>
#include <vector>

class CatalogueQuery : public QObject {
    Q_OBJECT
public:
    CatalogueQuery(QString name, Category category, CatalogueStore& store,
                   QObject* parent = nullptr);
    // Waits for a start-up reading still under way.
    ~CatalogueQuery() override;

    const QString& name() const { return name_; }
    Category category() const { return category_; }
    const CategoryInfo& info() const { return categoryInfo(category_); }

    // The statement as lines; the text run is the lines each followed by CR LF.
    const QStringList& sql() const { return sql_; }
    // The statement the query starts with: every row of the category's table.
    QStringList initialSql() const;
    // Replaces the statement by the title search: rows whose title contains `text`, where
    // "%" stands for any run of characters and "_" for one, case ignored (Cyrillic as well
    // as Latin). The text is data, never part of the statement. An open query is closed
    // first.
    void setFilter(const QString& text);
    // Works out the rows for `text` ahead of setFilter and open, which then find them
    // ready. It touches nothing but this query's own snapshot and results, so the
    // queries may do it on threads of their own while nothing else uses them (see Threads
    // above). Does nothing before the snapshot is read.
    void prepareFilter(const QString& text);
    // The search text in force, or a null string for the statement without a condition.
    const QString& filter() const { return filter_; }

    // Begins reading the snapshot on a thread of its own, with a reader of its own of the
    // same file; the first open takes the rows, or the failure, from there.
    void preload();
    // Shows the rows of the statement, reading the snapshot from the store first when
    // there is none yet or the file changed since; throws EDatabaseError and then stays
    // closed.
    void open();
    void close();
    bool active() const { return active_; }

    int rowCount() const { return rows_ ? static_cast<int>(rows_->size()) : 0; }
    qint64 key(int row) const;
    QString title(int row) const; // a null title reads as an empty text
    bool titleIsNull(int row) const;
    // From the snapshot; empty when the row is out of range.
    QString url(int row) const;

    // -1 when there is no row.
    int currentRow() const { return current_; }
    void setCurrentRow(int row);
    QString currentUrl() const;

signals:
    // The rows are about to change as a whole.
    void aboutToReset();
    // The rows changed as a whole (opened or closed); the first row is current.
    void reset();
    void currentRowChanged(int row);

private:
    struct Snapshot;
    struct Result {
        TitlePattern pattern;
        std::shared_ptr<const RowList> rows;
    };

    std::unique_ptr<Snapshot> read(CatalogueSource& source) const;
    std::shared_ptr<const RowList> search(const QString& text);
    bool inRange(int row) const { return row >= 0 && row < rowCount(); }
    bool changedSince(const Snapshot& snapshot) const;

    QString name_;
    Category category_;
    CatalogueStore& store_;
    QStringList sql_;
    QString filter_;
    bool active_ = false;
    std::unique_ptr<Snapshot> snapshot_;
    // The rows shown, as positions in the snapshot.
    std::shared_ptr<const RowList> rows_;
    // The latest search results, newest first: typing on reuses them to narrow the search,
    // deleting back finds them ready.
    std::deque<Result> recent_;
    int current_ = -1;
    // The file's identity when preload() began its reading.
    std::uint64_t pendingVersion_ = 0;
    // A snapshot being read by preload(), until open() takes it.
    std::future<std::unique_ptr<Snapshot>> pending_;
};
