#include "widgets/DBControls.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

// ---- FieldLink ----

FieldLink::FieldLink(QObject* control, std::function<void()> show, std::function<QVariant()> value)
    : control_(control), show_(std::move(show)), value_(std::move(value)) {}

void FieldLink::bind(StoreTable* table, const QString& field) {
    table_ = table;
    field_ = field;
    QObject::connect(table, &StoreTable::dataChanged, control_, [this] { refresh(); });
    QObject::connect(table, &StoreTable::stateChanged, control_, [this] {
        if (table_->state() == StoreTable::State::Browse ||
            table_->state() == StoreTable::State::Inactive) {
            pending_ = false;
            refresh();
        }
    });
    QObject::connect(table, &StoreTable::updateRecordRequested, control_,
                     [this] { updateRecord(); });
    refresh();
}

void FieldLink::refresh() {
    if (table_ && !pending_)
        show_();
}

void FieldLink::changed() {
    if (!table_)
        return;
    if (!table_->active()) {
        refresh();
        return;
    }
    pending_ = true;
    table_->edit();
}

void FieldLink::updateRecord() {
    if (!table_ || !pending_)
        return;
    pending_ = false;
    table_->setValue(field_, value_());
}

// ---- DBEdit ----

DBEdit::DBEdit(QWidget* parent)
    : QLineEdit(parent), link_(
                             this, [this] { showField(); }, [this] { return QVariant(text()); }) {
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!refreshing_)
            link_.changed();
    });
}

void DBEdit::bind(StoreTable* table, const QString& field, int maxLength) {
    setMaxLength(maxLength);
    link_.bind(table, field);
}

void DBEdit::showField() {
    StoreTable* table = link_.table();
    setReadOnly(!table->active());
    const QString value = table->asString(link_.field());
    if (value != text()) {
        refreshing_ = true;
        setText(value);
        refreshing_ = false;
    }
}

void DBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    link_.updateRecord();
}

// ---- DBCheckBox ----

DBCheckBox::DBCheckBox(QWidget* parent)
    : QCheckBox(parent),
      link_(
          this,
          [this] {
              const StoreTable* t = link_.table();
              if (t->active() && t->isNull(link_.field()))
                  setCheckState(Qt::PartiallyChecked);
              else
                  setCheckState(t->asBoolean(link_.field()) ? Qt::Checked : Qt::Unchecked);
          },
          [this] { return QVariant(checked()); }) {
    connect(this, &QCheckBox::clicked, this, [this] { link_.changed(); });
}

void DBCheckBox::nextCheckState() {
    // The user chooses between checked and unchecked; neither is only what the row says.
    setCheckState(checked() ? Qt::Unchecked : Qt::Checked);
}

void DBCheckBox::focusOutEvent(QFocusEvent* event) {
    QCheckBox::focusOutEvent(event);
    link_.updateRecord();
}

// ---- QueryFieldEdit ----

QueryFieldEdit::QueryFieldEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
}

void QueryFieldEdit::bind(CatalogueQuery* query) {
    query_ = query;
    connect(query, &CatalogueQuery::currentRowChanged, this, &QueryFieldEdit::refresh);
    connect(query, &CatalogueQuery::reset, this, &QueryFieldEdit::refresh);
    refresh();
}

void QueryFieldEdit::refresh() {
    setText(query_ ? query_->currentUrl() : QString());
}

// ---- QueryModel ----

QueryModel::QueryModel(CatalogueQuery* query, QObject* parent)
    : QAbstractTableModel(parent), query_(query) {
    connect(query, &CatalogueQuery::aboutToReset, this, [this] { beginResetModel(); });
    connect(query, &CatalogueQuery::reset, this, [this] { endResetModel(); });
}

int QueryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !query_ ? 0 : query_->rowCount();
}

int QueryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant QueryModel::data(const QModelIndex& index, int role) const {
    if (!query_ || !index.isValid() || index.column() != 0)
        return QVariant();
    if (role == Qt::DisplayRole)
        return query_->title(index.row());
    return QVariant();
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !query_)
        return QVariant();
    if (orientation == Qt::Horizontal && section == 0) {
        const std::string_view field = query_->info().titleField;
        return QString::fromLatin1(field.data(), static_cast<int>(field.size()));
    }
    return QVariant();
}

Qt::ItemFlags QueryModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

// ---- IndicatorHeader ----

IndicatorHeader::IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
}

QSize IndicatorHeader::sizeHint() const {
    return QSize(12, QHeaderView::sizeHint().height());
}

void IndicatorHeader::setCurrentRow(int row) {
    if (row == current_)
        return;
    current_ = row;
    viewport()->update();
}

void IndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex != current_)
        return;
    painter->save();
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::WindowText));
    const qreal h = qMin(rect.height() - 6, 8);
    const QPointF c = QRectF(rect).center();
    const QPointF triangle[3] = {QPointF(c.x() - h / 4.0, c.y() - h / 2.0),
                                 QPointF(c.x() + h / 4.0 + 1, c.y()),
                                 QPointF(c.x() - h / 4.0, c.y() + h / 2.0)};
    painter->drawPolygon(triangle, 3);
    painter->restore();
}

// ---- DBGrid ----

DBGrid::DBGrid(QWidget* parent) : QTableView(parent) {
    indicator_ = new IndicatorHeader(this);
    setVerticalHeader(indicator_);
    indicator_->setDefaultSectionSize(fontMetrics().height() + 4);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setShowGrid(true);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
}

int DBGrid::titleColumnWidth() const {
    return 255 * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 4;
}

void DBGrid::bind(CatalogueQuery* query) {
    model_ = new QueryModel(query, this);
    setModel(model_);
    setColumnWidth(0, titleColumnWidth());
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && this->query())
                    this->query()->setCurrentRow(current.row());
            });
    connect(query, &CatalogueQuery::currentRowChanged, this, &DBGrid::followQuery);
    connect(query, &CatalogueQuery::reset, this, &DBGrid::onQueryReset);
    onQueryReset();
}

void DBGrid::keyboardSearch(const QString&) {
    // Typing into the list does not move it to a row.
}

bool DBGrid::focusNextPrevChild(bool next) {
    // Tab and Shift+Tab stay in the grid and move its current row; the ends stay put.
    if (!model_ || !isVisible())
        return QWidget::focusNextPrevChild(next);
    const int rows = model_->rowCount();
    if (rows > 0) {
        const int row = qBound(0, currentIndex().row() + (next ? 1 : -1), rows - 1);
        setCurrentIndex(model_->index(row, 0));
    }
    return true;
}

void DBGrid::keyPressEvent(QKeyEvent* event) {
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        // Ctrl+Tab leaves the grid the way Tab leaves any other control.
        const bool next = event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(next);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DBGrid::onQueryReset() {
    setColumnWidth(0, titleColumnWidth());
    followQuery();
}

void DBGrid::followQuery() {
    CatalogueQuery* q = query();
    const int row = q ? q->currentRow() : -1;
    indicator_->setCurrentRow(row);
    if (row < 0)
        return;
    const QModelIndex index = model_->index(row, 0);
    if (currentIndex() != index) {
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
    }
}

// ---- StaticText ----

StaticText::StaticText(QWidget* parent) : QFrame(parent) {}

void StaticText::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    update();
}

void StaticText::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic, text_);
}
