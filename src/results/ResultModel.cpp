#include "results/ResultModel.h"

#include "results/ResultSort.h"

#include <algorithm>
#include <climits>

namespace zemo {

ResultModel::ResultModel(QObject* parent)
    : GridModel(parent), m_header(1), m_store(std::make_shared<ResultStore>(0)) {}

ResultModel::~ResultModel() = default;

QString ResultModel::cellText(int row, int col) const {
    if (!inGrid(row, col))
        return {};
    if (row == 0)
        return m_header[col];
    std::string scratch;
    std::string_view v;
    stored(row, col, v, scratch);
    return QString::fromUtf8(v.data(), qsizetype(v.size()));
}

bool ResultModel::stored(int row, int col, std::string_view& out, std::string& scratch) const {
    if (m_view)
        return m_view->text(uint32_t(row - 1), col, out, scratch);
    return m_store->text(m_store->physOf(uint32_t(row - 1)), col, out, scratch);
}

QString ResultModel::cellPrefix(int row, int col, qsizetype maxChars, bool& more) const {
    if (!inGrid(row, col) || row == 0 || maxChars <= 0)
        return GridModel::cellPrefix(row, col, maxChars, more);
    std::string scratch;
    std::string_view v;
    stored(row, col, v, scratch);
    // maxChars UTF-16 units never take more than three bytes each; cut on a character's first byte.
    size_t n = std::min(v.size(), size_t(maxChars) * 3);
    while (n < v.size() && (static_cast<unsigned char>(v[n]) & 0xC0) == 0x80)
        --n;
    QString text = QString::fromUtf8(v.data(), qsizetype(n));
    more = n < v.size();
    if (text.size() > maxChars) {
        text.truncate(text[maxChars - 1].isHighSurrogate() ? maxChars - 1 : maxChars);
        more = true;
    }
    return text;
}

std::string_view ResultModel::cellUtf8(int row, int col, std::string& scratch) const {
    if (!inGrid(row, col))
        return {};
    if (row == 0) {
        scratch = m_header[col].toStdString();
        return scratch;
    }
    std::string_view v;
    stored(row, col, v, scratch);
    // Bytes seen through the view may be let go at its next refresh: the caller gets a copy.
    if (m_view && v.data() != scratch.data()) {
        scratch.assign(v.data(), v.size());
        return scratch;
    }
    return v;
}

void ResultModel::prefetchRow(int row) const {
    if (row >= 1 && row < m_gridRows && !following())
        m_store->prefetch(m_store->physOf(uint32_t(row - 1)));
}

void ResultModel::setCellText(int row, int col, const QString& text) {
    if (!inGrid(row, col))
        return;
    if (row == 0) {
        m_header[col] = text;
    } else {
        // Rows still arriving are read only.
        if (following())
            return;
        const QByteArray utf8 = text.toUtf8();
        m_store->setText(m_store->physOf(uint32_t(row - 1)), col,
                         std::string_view(utf8.constData(), size_t(utf8.size())));
    }
    cellChanged(row, col);
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::TextAlignmentRole && index.isValid())
        return isNumericColumn(index.column() + headerCols()) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                              : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return GridModel::data(index, role);
}

void ResultModel::setGridRows(int rows) {
    rows = std::max(0, rows);
    if (rows == m_gridRows)
        return;
    beginResetModel();
    // A new shape is a store of the model's own: one still being filled is left to its fetch.
    if (following()) {
        m_store = std::make_shared<ResultStore>(m_cols - 1);
        m_gridRows = 1;
        m_view.reset();
    }
    if (rows > m_gridRows) {
        m_store->appendEmptyRows(uint32_t(rows - 1 - dataRows()));
    } else if (rows <= 1) {
        m_store = std::make_shared<ResultStore>(m_cols - 1);
        if (rows == 0)
            m_header = QStringList(m_cols);
    } else {
        m_store = m_store->reshaped(uint32_t(rows - 1), m_cols - 1);
    }
    m_gridRows = rows;
    dropLogicalNamesOutside(m_gridRows, m_cols);
    endResetModel();
}

void ResultModel::setGridCols(int cols) {
    cols = std::max(0, cols);
    if (cols == m_cols)
        return;
    beginResetModel();
    m_header.resize(cols);
    if (following()) {
        m_store = std::make_shared<ResultStore>(m_cols - 1);
        m_gridRows = 1;
        m_view.reset();
    }
    m_store = m_store->reshaped(uint32_t(dataRows()), cols - 1);
    m_cols = cols;
    dropLogicalNamesOutside(m_gridRows, m_cols);
    endResetModel();
}

void ResultModel::clearCells() {
    beginResetModel();
    clearLogicalNames();
    m_header = QStringList(m_cols);
    m_store = std::make_shared<ResultStore>(m_cols - 1);
    m_store->appendEmptyRows(uint32_t(dataRows()));
    m_view.reset();
    endResetModel();
}

void ResultModel::adopt(QStringList fieldNames, std::shared_ptr<ResultStore> store) {
    beginResetModel();
    clearLogicalNames();
    m_view.reset();
    m_store = store ? std::move(store) : std::make_shared<ResultStore>(int(fieldNames.size()));
    m_store->numberRows();
    m_cols = m_store->dataCols() + 1;
    fieldNames.prepend(QString());
    fieldNames.resize(m_cols);
    m_header = std::move(fieldNames);
    m_gridRows = int(m_store->rows()) + 1;
    endResetModel();
}

void ResultModel::follow(QStringList fieldNames, std::shared_ptr<ResultStore> store,
                         std::shared_ptr<const ResultStore::View> view) {
    beginResetModel();
    clearLogicalNames();
    m_view = std::move(view);
    m_store = std::move(store);
    m_cols = m_store->dataCols() + 1;
    fieldNames.prepend(QString());
    fieldNames.resize(m_cols);
    m_header = std::move(fieldNames);
    m_gridRows = 1;
    endResetModel();
}

void ResultModel::stopFollowing() {
    if (!m_view)
        return;
    m_view.reset();
    m_store->settle();
}

void ResultModel::showRows(uint32_t rows) {
    const int to = int(std::min<uint32_t>(rows, uint32_t(INT_MAX - 1))) + 1;
    if (to <= m_gridRows)
        return;
    beginInsertRows({}, m_gridRows - headerRows(), to - 1 - headerRows());
    m_gridRows = to;
    endInsertRows();
}

bool ResultModel::isNumericColumn(int gridCol) const {
    return gridCol >= 0 && gridCol < m_cols &&
           (m_view ? m_view->isNumeric(gridCol) : m_store->isNumeric(gridCol));
}

ColumnKind ResultModel::columnKind(int col) const {
    if (isNumericColumn(col))
        return ColumnKind::Number;
    const bool dateTime = m_view ? m_view->isDateTime(col) : m_store->isDateTime(col);
    return col >= 0 && col < m_cols && dateTime ? ColumnKind::DateTime : ColumnKind::Text;
}

void ResultModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || following())
        return;
    try {
        sortRows(column + headerCols(), order == Qt::DescendingOrder);
    } catch (...) {
        Q_EMIT sortFailed(currentFailure());
    }
}

void ResultModel::sortRows(int gridCol, bool descending) {
    if (gridCol < 0 || gridCol >= m_cols || dataRows() < 2 || following())
        return;
    applyOrder(sortedOrder(*m_store, gridCol, descending));
}

// Phase 4 of a sort: the rows take their new order; selected and current cells stay with their rows.
void ResultModel::applyOrder(std::vector<uint32_t> order) {
    const uint32_t n = uint32_t(order.size());
    // Worked out before the views hear of the change, so that a failure leaves everything as it was.
    std::vector<uint32_t> placeOf(n); // stored row -> new place
    for (uint32_t i = 0; i < n; ++i)
        placeOf[order[i]] = i;
    std::vector<uint32_t> newPlace(n); // old place -> new place
    for (uint32_t d = 0; d < n; ++d)
        newPlace[d] = placeOf[m_store->physOf(d)];
    placeOf = {};

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_store->setOrder(std::move(order));
    const QModelIndexList from = persistentIndexList();
    if (!from.isEmpty()) {
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& idx : from) {
            const int d = idx.row() + headerRows() - 1;
            to << (d < 0 || d >= int(n) ? idx
                                        : index(int(newPlace[size_t(d)]) + 1 - headerRows(), idx.column()));
        }
        changePersistentIndexList(from, to);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::numberRows() {
    // Rows still arriving are numbered as they come, in the order they come.
    if (following())
        return;
    m_store->numberRows();
    if (rowCount() == 0)
        return;
    if (headerCols() > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    else
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
}

} // namespace zemo
