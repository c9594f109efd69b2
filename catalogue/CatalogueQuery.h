#pragma once
// The rows of one catalogue category: key, title and page address, in the store's order,
// read as a static snapshot when the query opens, with one current row that the grid and
// the hidden address edit follow.
#include "catalogue/Category.h"
#include "catalogue/Store.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

class CatalogueQuery : public QObject {
    Q_OBJECT
public:
    CatalogueQuery(QString name, Category category, Store& store, QObject* parent = nullptr);

    const QString& name() const { return name_; }
    Category category() const { return category_; }
    const CategoryInfo& info() const { return categoryInfo(category_); }

    // The statement as lines; the text run is the lines each followed by CR LF.
    const QStringList& sql() const { return sql_; }
    // Replaces the statement; an open query is closed first.
    void setSql(const QStringList& lines);
    // The statement the query starts with: every row of the category's table.
    QStringList initialSql() const;
    // Replaces the statement by the title search: rows whose title contains `text`, where
    // "%" stands for any run of characters and "_" for one. The text is data, never part
    // of the statement. An open query is closed first.
    void setFilter(const QString& text);
    // The search text in force, or a null string for the statement without a condition.
    const QString& filter() const { return filter_; }

    // Runs the statement (opening the store when needed); throws EDatabaseError and then
    // stays closed.
    void open();
    void close();
    bool active() const { return active_; }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    qint64 key(int row) const;
    QString title(int row) const; // a null title reads as an empty text
    bool titleIsNull(int row) const;
    QString url(int row) const;

    // -1 when there is no row.
    int currentRow() const { return current_; }
    void setCurrentRow(int row);
    QString currentUrl() const { return current_ >= 0 ? url(current_) : QString(); }

signals:
    // The rows are about to change as a whole.
    void aboutToReset();
    // The rows changed as a whole (opened or closed); the first row is current.
    void reset();
    void currentRowChanged(int row);

private:
    struct Row {
        qint64 key = 0;
        QString title;
        bool titleNull = false;
        QString url;
    };

    QString name_;
    Category category_;
    Store& store_;
    QStringList sql_;
    QString filter_;
    bool active_ = false;
    std::vector<Row> rows_;
    int current_ = -1;
};
