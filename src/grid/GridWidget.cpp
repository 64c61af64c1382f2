#include "grid/GridWidget.h"

#include "grid/TextTable.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeaderV2>
#include <algorithm>
#include <vector>

namespace zemo {

// The fixed rows below the heading row: a strip over the top of the body sharing its model and
// selection, so its cells can be current, picked and dragged like any other.
class FrozenRowsView : public QTableView {
public:
    explicit FrozenRowsView(GridWidget* grid) : QTableView(grid), m_grid(grid) {
        setObjectName(QStringLiteral("frozenRows"));
        horizontalHeader()->hide();
        verticalHeader()->hide();
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFrameShape(QFrame::NoFrame);
        setFocusProxy(grid);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragOnly);
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        setStyleSheet(QStringLiteral("QTableView { background: palette(button); }"));
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (m_grid->pressAllowed(columnAt(event->position().toPoint().x()), event))
            QTableView::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QTableView::mouseReleaseEvent(event);
        m_grid->released(columnAt(event->position().toPoint().x()), event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        m_grid->m_mouseCol = columnAt(event->position().toPoint().x()) < 0
                                 ? -1
                                 : columnAt(event->position().toPoint().x()) + m_grid->m_model->headerCols();
        QTableView::mouseMoveEvent(event);
    }

private:
    GridWidget* m_grid;
};

namespace {

// Headings that point the sort arrow up for ascending order, as spreadsheets do, whatever way the
// style would draw it. The section is drawn as the style draws it otherwise, its text beside the arrow.
class GridHeader : public QHeaderView {
public:
    // Clickable, as the table view's own heading row is.
    explicit GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) { setSectionsClickable(true); }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (!rect.isValid())
            return;
        QStyleOptionHeaderV2 opt;
        initStyleOption(&opt);
        initStyleOptionForIndex(&opt, logicalIndex);
        opt.rect = rect;
        painter->save();
        painter->setClipRect(rect, Qt::IntersectClip);
        style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
        QStyleOptionHeaderV2 label = opt;
        label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this);
        if (label.rect.isValid())
            style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
        if (opt.sortIndicator != QStyleOptionHeader::None) {
            QStyleOption arrow = opt;
            arrow.rect = style()->subElementRect(QStyle::SE_HeaderArrow, &opt, this);
            style()->drawPrimitive(sortIndicatorOrder() == Qt::AscendingOrder ? QStyle::PE_IndicatorArrowUp
                                                                              : QStyle::PE_IndicatorArrowDown,
                                   &arrow, painter, this);
        }
        painter->restore();
    }
};

int shiftBits(Qt::KeyboardModifiers m) {
    return (m.testFlag(Qt::ShiftModifier) ? 1 : 0) | (m.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (m.testFlag(Qt::AltModifier) ? 4 : 0);
}
} // namespace

GridWidget::GridWidget(QWidget* parent) : QTableView(parent) {
    setHorizontalHeader(new GridHeader(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setMouseTracking(true);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_frozen = new FrozenRowsView(this);
    m_frozen->hide();
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) { m_frozen->setColumnWidth(section, size); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_frozen->horizontalScrollBar(),
            &QScrollBar::setValue);
    horizontalHeader()->viewport()->installEventFilter(this);
    setGridModel(new SimpleGridModel(1, 1, this));
}

GridWidget::~GridWidget() = default;

void GridWidget::setGridModel(GridModel* model) {
    GridModel* old = m_model;
    m_model = model;
    if (!model->parent())
        model->setParent(this);
    setModel(model);
    m_frozen->setModel(model);
    m_frozen->setSelectionModel(selectionModel());
    connect(model, &QAbstractItemModel::modelReset, this, &GridWidget::updateFrozenRows);
    // AfterSort follows the model's own notice that it re-ordered its rows, so handlers see the new order.
    connect(model, &QAbstractItemModel::layoutChanged, this,
            [this](const QList<QPersistentModelIndex>&, QAbstractItemModel::LayoutChangeHint hint) {
                const int section = horizontalHeader()->sortIndicatorSection();
                if (hint == QAbstractItemModel::VerticalSortHint && isSortingEnabled() && section >= 0)
                    Q_EMIT AfterSort(section + m_model->headerCols(),
                                     static_cast<int>(horizontalHeader()->sortIndicatorOrder()));
            });
    // New contents are in no sorted order: the next heading click sorts ascending again.
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        if (isSortingEnabled() && horizontalHeader()->sortIndicatorSection() >= 0)
            horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    });
    connect(model, &QAbstractItemModel::rowsInserted, this, &GridWidget::updateFrozenRows);
    connect(model, &QAbstractItemModel::columnsInserted, this, &GridWidget::updateFrozenRows);
    applyFixedMode();
    if (old && old != model && old->parent() == this)
        old->deleteLater();
}

void GridWidget::setFixed(int fixedRows, int fixedCols) {
    m_fixedRows = fixedRows;
    m_fixedCols = fixedCols;
    applyFixedMode();
}

void GridWidget::applyFixedMode() {
    m_model->setHeaderRows(m_fixedRows > 0 ? 1 : 0);
    m_model->setHeaderCols(m_fixedCols > 0 ? 1 : 0);
    horizontalHeader()->setVisible(m_fixedRows > 0);
    verticalHeader()->setVisible(m_fixedCols > 0);
    updateFrozenRows();
}

void GridWidget::setRows(int rows) {
    m_model->setGridRows(rows);
}
void GridWidget::setCols(int cols) {
    m_model->setGridCols(cols);
}

void GridWidget::setColHidden(int col, bool hidden) {
    const int c = modelCol(col);
    if (c < 0)
        return;
    setColumnHidden(c, hidden);
    m_frozen->setColumnHidden(c, hidden);
}

bool GridWidget::colHidden(int col) const {
    const int c = modelCol(col);
    return c >= 0 && isColumnHidden(c);
}

void GridWidget::AutoSize(int firstCol, int lastCol, int headRows) {
    const QFontMetrics fm(font());
    const QFontMetrics hfm(horizontalHeader()->font());
    const int rows = m_model->gridRows();
    // Enough rows to catch the typical width, few enough to stay instant on a million rows.
    const int kHead = std::max(1, headRows);
    const int kTail = kHead / 5;
    const int pad = 12;
    for (int col = std::max(firstCol, m_model->headerCols()); col <= lastCol && col < m_model->gridCols();
         ++col) {
        int width = 0;
        auto measure = [&](int r) {
            const QFontMetrics& m = r < m_model->headerRows() ? hfm : fm;
            width = std::max(width, m.horizontalAdvance(m_model->displayText(r, col)));
        };
        for (int r = 0; r < std::min(rows, kHead); ++r)
            measure(r);
        for (int r = std::max(kHead, rows - kTail); r < rows; ++r)
            measure(r);
        int fitted = std::max(width + pad, 24);
        // A heading that shows the sort arrow needs the arrow's room beside its text.
        if (m_model->headerRows() > 0 && horizontalHeader()->isSortIndicatorShown())
            fitted = std::max(fitted, horizontalHeader()->sectionSizeHint(modelCol(col)));
        setColumnWidth(modelCol(col), fitted);
    }
    if (m_model->headerCols() > 0 && firstCol <= 0) {
        const QString widest = QString::number(std::max(1, rows - 1));
        verticalHeader()->setFixedWidth(hfm.horizontalAdvance(widest) + pad);
    }
}

int GridWidget::Row() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + m_model->headerRows() : -1;
}

int GridWidget::Col() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() + m_model->headerCols() : -1;
}

void GridWidget::setCurrentCell(int row, int col) {
    setCurrentIndex(m_model->index(modelRow(row), modelCol(col)));
}

QString GridWidget::currentCellText() const {
    const int r = Row();
    const int c = Col();
    return r < 0 || c < 0 ? QString() : m_model->cellText(r, c);
}

QList<int> GridWidget::visualColumns() const {
    QList<int> cols;
    for (int c = 0; c < m_model->headerCols(); ++c)
        cols << c;
    const QHeaderView* h = horizontalHeader();
    for (int v = 0; v < h->count(); ++v)
        cols << h->logicalIndex(v) + m_model->headerCols();
    return cols;
}

QString GridWidget::selectionText(bool withHeadings) const {
    const QItemSelection sel = selectionModel() ? selectionModel()->selection() : QItemSelection();
    QString out;
    // Written straight into one string: a whole column of a large result must not become a list
    // of strings first.
    const auto appendLine = [&](int row, const QList<int>& cols) {
        for (qsizetype i = 0; i < cols.size(); ++i) {
            if (i > 0)
                out += QLatin1Char('\t');
            appendQuotedField(out, m_model->cellText(row, cols[i]), kTabSeparatedSpecials);
        }
        out += QStringLiteral("\r\n");
    };
    if (sel.isEmpty()) {
        if (currentIndex().isValid()) {
            if (withHeadings)
                appendLine(0, {Col()});
            appendLine(Row(), {Col()});
        }
        return out;
    }
    // The selection starts as one block; a sort or a column drag may take its rows or columns apart.
    // The text holds the rows and columns that have selected cells, in the order they are shown, and
    // leaves out what now lies between them.
    const QHeaderView* h = horizontalHeader();
    std::vector<char> rowIn(size_t(m_model->rowCount()), 0);
    std::vector<char> colIn(size_t(h->count()), 0);
    for (const QItemSelectionRange& r : sel) {
        if (!r.isValid())
            continue;
        std::fill(rowIn.begin() + r.top(), rowIn.begin() + r.bottom() + 1, 1);
        for (int c = r.left(); c <= r.right(); ++c)
            colIn[size_t(h->visualIndex(c))] = 1;
    }
    QList<int> cols;
    for (int v = 0; v < h->count(); ++v)
        if (colIn[size_t(v)] && !isColumnHidden(h->logicalIndex(v)))
            cols << h->logicalIndex(v) + m_model->headerCols();
    if (withHeadings)
        appendLine(0, cols);
    for (int r = 0; r < int(rowIn.size()); ++r)
        if (rowIn[size_t(r)])
            appendLine(r + m_model->headerRows(), cols);
    return out;
}

void GridWidget::setUserSortAndMove(bool enabled) {
    horizontalHeader()->setSectionsMovable(enabled);
    horizontalHeader()->setSectionsClickable(enabled);
    if (enabled) {
        horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        horizontalHeader()->setSortIndicatorShown(true);
    }
    setSortingEnabled(enabled);
}

void GridWidget::setRangeSelection(bool enabled) {
    setSelectionMode(enabled ? QAbstractItemView::ContiguousSelection : QAbstractItemView::SingleSelection);
}

bool GridWidget::pressAllowed(int viewColumn, QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    m_mouseCol = viewColumn < 0 ? -1 : viewColumn + m_model->headerCols();
    bool cancel = false;
    Q_EMIT BeforeMouseDown(event->button(), event->modifiers(), p.x(), p.y(), cancel);
    if (cancel)
        event->accept();
    return !cancel;
}

void GridWidget::released(int viewColumn, QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    m_mouseCol = viewColumn < 0 ? -1 : viewColumn + m_model->headerCols();
    Q_EMIT MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

// The heading row is a row of cells like the others: presses on it are announced (and can be
// refused), and where headings neither sort nor move, their text can be dragged out.
bool GridWidget::eventFilter(QObject* watched, QEvent* event) {
    QHeaderView* header = horizontalHeader();
    if (watched != header->viewport())
        return QTableView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint p = me->position().toPoint();
        if (!pressAllowed(header->logicalIndexAt(p.x()), me)) {
            m_headerDragFrom = -1;
            return true;
        }
        m_headerDragFrom = me->button() == Qt::LeftButton ? header->logicalIndexAt(p.x()) : -1;
        m_headerPressPos = p;
        break;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint p = me->position().toPoint();
        m_mouseCol =
            header->logicalIndexAt(p.x()) < 0 ? -1 : header->logicalIndexAt(p.x()) + m_model->headerCols();
        if (m_headerDragFrom >= 0 && me->buttons().testFlag(Qt::LeftButton) && !isSortingEnabled() &&
            !header->sectionsMovable() &&
            (p - m_headerPressPos).manhattanLength() >= QApplication::startDragDistance()) {
            const int section = m_headerDragFrom;
            m_headerDragFrom = -1;
            auto* drag = new QDrag(this);
            auto* mime = new QMimeData;
            mime->setText(m_model->cellText(0, section + m_model->headerCols()));
            drag->setMimeData(mime);
            drag->exec(Qt::CopyAction);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        m_headerDragFrom = -1;
        released(header->logicalIndexAt(me->position().toPoint().x()), me);
        break;
    }
    default:
        break;
    }
    return QTableView::eventFilter(watched, event);
}

void GridWidget::mousePressEvent(QMouseEvent* event) {
    if (pressAllowed(columnAt(event->position().toPoint().x()), event))
        QTableView::mousePressEvent(event);
}

void GridWidget::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    released(columnAt(event->position().toPoint().x()), event);
}

void GridWidget::mouseMoveEvent(QMouseEvent* event) {
    const int c = columnAt(event->position().toPoint().x());
    m_mouseCol = c < 0 ? -1 : c + m_model->headerCols();
    QTableView::mouseMoveEvent(event);
}

void GridWidget::keyPressEvent(QKeyEvent* event) {
    Q_EMIT KeyDownEvent(event->key(), shiftBits(event->modifiers()));
    // Copying belongs to the window's key handler; the view's own copy of one cell would overwrite it.
    if (event->matches(QKeySequence::Copy)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridWidget::updateFrozenRows() {
    const int strip = m_fixedCols > 0 ? 0 : std::max(0, m_fixedRows - m_model->headerRows());
    if (strip == 0) {
        m_frozen->hide();
        return;
    }
    // The strip has a style sheet, which stops the grid's font from reaching it; it must draw its
    // rows in the grid's font and at the grid's row heights, or its text is cut off at the bottom.
    m_frozen->setFont(font());
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        m_frozen->setRowHidden(r, r >= strip);
        if (r < strip)
            m_frozen->setRowHeight(r, rowHeight(r));
    }
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_frozen->setColumnWidth(c, columnWidth(c));
        m_frozen->setColumnHidden(c, isColumnHidden(c));
    }
    m_frozen->show();
    updateGeometries();
}

void GridWidget::updateGeometries() {
    QTableView::updateGeometries();
    if (!m_frozen || !m_frozen->isVisible())
        return;
    const int strip = std::max(0, m_fixedRows - m_model->headerRows());
    int h = 0;
    for (int r = 0; r < strip && r < m_model->rowCount(); ++r)
        h += rowHeight(r);
    const QRect vp = viewport()->geometry();
    m_frozen->setGeometry(vp.x(), vp.y(), vp.width(), std::min(h, vp.height()));
    // The stretched last column takes its width without a sectionResized.
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_frozen->setColumnWidth(c, columnWidth(c));
    m_frozen->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
}

void GridWidget::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    updateGeometries();
}

void GridWidget::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    if (dx != 0 && m_frozen->isVisible())
        m_frozen->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
}

} // namespace zemo
