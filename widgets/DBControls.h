#pragma once
// Controls bound to the stores: edits and check boxes that edit a settings row in place,
// the hidden edit that follows a category's current row, and the catalogue grid.
#include "catalogue/CatalogueQuery.h"
#include "catalogue/StoreTable.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <functional>

// What a bound control shares with the others: its table and field, the change it holds
// but has not written yet, edit mode on the first change, the value written when the focus
// leaves or a post asks, and the control refreshed from the row unless it holds a change.
class FieldLink {
public:
    // `show` puts the row's value into the control; `value` reads the control.
    FieldLink(QObject* control, std::function<void()> show, std::function<QVariant()> value);
    void bind(StoreTable* table, const QString& field);
    StoreTable* table() const { return table_; }
    const QString& field() const { return field_; }
    bool pending() const { return pending_; }
    // The user changed the control: the table enters edit (or insert) mode. On a closed
    // table the control goes back to what the row says.
    void changed();
    // Writes a pending value into the row.
    void updateRecord();
    void refresh();

private:
    QObject* control_;
    std::function<void()> show_;
    std::function<QVariant()> value_;
    QPointer<StoreTable> table_;
    QString field_;
    bool pending_ = false;
};

// An edit bound to one field of a settings row. The first change of its text puts the table
// into edit mode (insert mode when it has no row); the text is written into the row when the
// focus leaves the edit or when the table asks before a post.
class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget* parent = nullptr);
    void bind(StoreTable* table, const QString& field, int maxLength = 50);
    StoreTable* table() const { return link_.table(); }
    // True while the edit holds a value not yet written into the row.
    bool pending() const { return link_.pending(); }
    // Writes a pending value into the row now.
    void updateRecord() { link_.updateRecord(); }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();

    FieldLink link_;
    bool refreshing_ = false;
};

// A check box bound to a Boolean field: checked when the field is true, unchecked when it is
// false or the table is closed, and in the third state, neither, when the field is null or
// the table has no row. A click puts the table into edit mode (from neither to checked); the
// value is written as for DBEdit.
class DBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DBCheckBox(QWidget* parent = nullptr);
    void bind(StoreTable* table, const QString& field) { link_.bind(table, field); }
    bool pending() const { return link_.pending(); }
    void updateRecord() { link_.updateRecord(); }
    // What the box reads as: true only when it is checked (neither reads as not checked).
    // isChecked() must not be asked instead: it is true in the third state as well.
    bool checked() const { return checkState() == Qt::Checked; }

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void nextCheckState() override;

private:
    FieldLink link_;
};

// A read-only edit that shows one field of a category's current row and follows it.
class QueryFieldEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit QueryFieldEdit(QWidget* parent = nullptr);
    void bind(CatalogueQuery* query);

private:
    void refresh();
    QPointer<CatalogueQuery> query_;
};

// The rows of a category query as a one-column table headed by the title field's name.
class QueryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit QueryModel(CatalogueQuery* query, QObject* parent = nullptr);
    CatalogueQuery* query() const { return query_; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QPointer<CatalogueQuery> query_;
};

// The row indicator column: a triangle marks the current row.
class IndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit IndicatorHeader(QWidget* parent = nullptr);
    void setCurrentRow(int row);
    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int current_ = -1;
};

// The catalogue grid: a row indicator, a title row, grid lines and read-only cells. Selecting
// a row makes it the query's current row, and the grid follows the query. The keys work as
// in a data grid: the arrows, Tab and Shift+Tab move the current row, Ctrl+Tab and
// Ctrl+Shift+Tab move the focus on to the next or previous control, and typed letters do
// not look for a row.
class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);
    void bind(CatalogueQuery* query);
    CatalogueQuery* query() const { return model_ ? model_->query() : nullptr; }
    // Width of the title column: 255 digit widths plus 4 pixels.
    int titleColumnWidth() const;
    void keyboardSearch(const QString& search) override;

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void followQuery();
    void onQueryReset();

    QueryModel* model_ = nullptr;
    IndicatorHeader* indicator_ = nullptr;
};

// A label that shows text like a static text control: an ampersand marks the next
// character as the access key and is not shown; two ampersands show one.
class StaticText : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit StaticText(QWidget* parent = nullptr);
    QString text() const { return text_; }
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};
