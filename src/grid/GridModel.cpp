#include "grid/GridModel.h"

#include "grid/TextTable.h"

#include <QMimeData>

namespace zemo {

void GridModel::setHeaderRows(int n) {
    beginResetModel();
    m_headerRows = n;
    endResetModel();
}

void GridModel::setHeaderCols(int n) {
    beginResetModel();
    m_headerCols = n;
    endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, gridRows() - m_headerRows);
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, gridCols() - m_headerCols);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int row = index.row() + m_headerRows;
    const int col = index.column() + m_headerCols;
    if (role == Qt::DisplayRole)
        return displayText(row, col);
    if (role != Qt::ToolTipRole)
        return {};
    if (m_logicalShown) {
        const QString logical = cellLogicalName(row, col);
        if (!logical.isEmpty())
            return logical;
    }
    // A tip keeps the lines of the value, but no more of it than the cell would show.
    bool more = false;
    QString tip = cellPrefix(row, col, kShownChars, more);
    if (more)
        tip += QChar(0x2026);
    return tip;
}

QString GridModel::cellPrefix(int row, int col, qsizetype maxChars, bool& more) const {
    QString text = cellText(row, col);
    more = text.size() > maxChars;
    if (more) {
        qsizetype n = std::max<qsizetype>(0, maxChars);
        if (n > 0 && text[n - 1].isHighSurrogate())
            --n;
        text.truncate(n);
    }
    return text;
}

QString GridModel::shownText(int row, int col) const {
    bool more = false;
    QString text = cellPrefix(row, col, kShownChars, more);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            text.truncate(i);
            more = true;
            break;
        }
    }
    if (more)
        text += QChar(0x2026);
    return text;
}

QString GridModel::displayText(int row, int col) const {
    if (!m_logicalShown)
        return shownText(row, col);
    return withLogicalName(shownText(row, col), cellLogicalName(row, col));
}

void GridModel::setCellLogicalName(int row, int col, const QString& name) {
    if (row < 0 || row >= gridRows() || col < 0 || col >= gridCols())
        return;
    if (name.isEmpty())
        m_logical.remove(cellKey(row, col));
    else
        m_logical.insert(cellKey(row, col), name);
    if (m_logicalShown)
        cellChanged(row, col);
}

QString GridModel::cellLogicalName(int row, int col) const {
    return m_logical.value(cellKey(row, col));
}

void GridModel::setLogicalNamesShown(bool shown) {
    if (shown == m_logicalShown)
        return;
    m_logicalShown = shown;
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                           {Qt::DisplayRole, Qt::ToolTipRole});
    if (m_headerRows > 0 && columnCount() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (m_headerCols > 0 && rowCount() > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void GridModel::dropLogicalNamesOutside(int rows, int cols) {
    for (auto it = m_logical.begin(); it != m_logical.end();) {
        const int row = int(it.key() >> 32);
        const int col = int(it.key() & 0xffffffffu);
        if (row >= rows || col >= cols)
            it = m_logical.erase(it);
        else
            ++it;
    }
}

void GridModel::cellChanged(int row, int col) {
    if (row >= m_headerRows && col >= m_headerCols) {
        const QModelIndex i = index(row - m_headerRows, col - m_headerCols);
        Q_EMIT dataChanged(i, i, {Qt::DisplayRole});
    } else if (row < m_headerRows && col >= m_headerCols) {
        Q_EMIT headerDataChanged(Qt::Horizontal, col - m_headerCols, col - m_headerCols);
    } else if (col < m_headerCols && row >= m_headerRows) {
        Q_EMIT headerDataChanged(Qt::Vertical, row - m_headerRows, row - m_headerRows);
    }
}

std::string_view GridModel::cellUtf8(int row, int col, std::string& scratch) const {
    scratch = cellText(row, col).toStdString();
    return scratch;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // A first click on a heading sorts ascending, whatever the previous heading's direction was.
    if (role == Qt::InitialSortOrderRole && orientation == Qt::Horizontal)
        return static_cast<int>(Qt::AscendingOrder);
    const bool horizontal = orientation == Qt::Horizontal;
    if (horizontal ? m_headerRows == 0 : m_headerCols == 0)
        return {};
    const int row = horizontal ? 0 : section + m_headerRows;
    const int col = horizontal ? section + m_headerCols : 0;
    if (role == Qt::DisplayRole)
        return displayText(row, col);
    if (role == Qt::ToolTipRole && m_logicalShown) {
        const QString logical = cellLogicalName(row, col);
        return logical.isEmpty() ? QVariant() : QVariant(logical);
    }
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList GridModel::mimeTypes() const {
    return {QStringLiteral("text/plain")};
}

QMimeData* GridModel::mimeData(const QModelIndexList& indexes) const {
    // A dragged cell travels as its plain text, so it can be dropped on a text box.
    if (indexes.isEmpty())
        return nullptr;
    auto* mime = new QMimeData;
    const QModelIndex& i = indexes.first();
    mime->setText(cellText(i.row() + m_headerRows, i.column() + m_headerCols));
    return mime;
}

SimpleGridModel::SimpleGridModel(int rows, int cols, QObject* parent)
    : GridModel(parent), m_rows(0), m_cols(0) {
    setGridCols(cols);
    setGridRows(rows);
}

void SimpleGridModel::setGridRows(int rows) {
    reshape(rows, m_cols);
}

void SimpleGridModel::setGridCols(int cols) {
    reshape(m_rows, cols);
}

void SimpleGridModel::reshape(int rows, int cols) {
    rows = std::max(0, rows);
    cols = std::max(0, cols);
    if (rows == m_rows && cols == m_cols)
        return;
    beginResetModel();
    m_rows = rows;
    m_cols = cols;
    dropLogicalNamesOutside(rows, cols);
    m_cells.resize(rows);
    for (QStringList& row : m_cells)
        row.resize(cols);
    endResetModel();
}

QString SimpleGridModel::cellText(int row, int col) const {
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return {};
    return m_cells[row][col];
}

void SimpleGridModel::setCellText(int row, int col, const QString& text) {
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return;
    m_cells[row][col] = text;
    cellChanged(row, col);
}

void SimpleGridModel::clearCells() {
    clearLogicalNames();
    for (QStringList& row : m_cells)
        for (QString& cell : row)
            cell.clear();
    if (m_rows > 0 && m_cols > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    }
}

} // namespace zemo
