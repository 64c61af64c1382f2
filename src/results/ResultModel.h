#pragma once

#include "base/ZemoError.h"
#include "db/OracleAccess.h"
#include "grid/GridModel.h"
#include "results/ResultStore.h"

#include <functional>
#include <memory>

namespace zemo {

// The result grid's cells: row 0 the field names, column 0 the row numbers, the rest the fetched
// values, held in a ResultStore below the heading row. While a fetch on another thread still fills the
// store (follow), the model shows the rows handed over to it and reads them through the store's View.
class ResultModel : public GridModel {
    Q_OBJECT
public:
    explicit ResultModel(QObject* parent = nullptr);
    ~ResultModel() override;

    int gridRows() const override { return m_gridRows; }
    int gridCols() const override { return m_cols; }
    void setGridRows(int rows) override;
    void setGridCols(int cols) override;
    QString cellText(int row, int col) const override;
    void setCellText(int row, int col, const QString& text) override;
    void clearCells() override;
    std::string_view cellUtf8(int row, int col, std::string& scratch) const override;
    void prefetchRow(int row) const override;
    QString cellPrefix(int row, int col, qsizetype maxChars, bool& more) const override;
    ColumnKind columnKind(int col) const override;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Heading clicks: `column` is a view column. A sort that fails leaves the rows in their order
    // and is announced by sortFailed. Nothing is sorted while the rows are still arriving.
    void sort(int column, Qt::SortOrder order) override;

    // Shows a store filled elsewhere: row 0 an empty corner cell and the field names, then the stored
    // rows numbered 1, 2, 3, ...
    void adopt(QStringList fieldNames, std::shared_ptr<ResultStore> store);

    // Shows a store that another thread is filling, its rows numbered as they are appended: row 0 the
    // field names, no data rows until showRows. Until stopFollowing the store is read only through
    // `view` (which the filling side refreshes); without a view the store is the model's already.
    void follow(QStringList fieldNames, std::shared_ptr<ResultStore> store,
                std::shared_ptr<const ResultStore::View> view);
    // The first `rows` stored rows are handed over (the view's rows, or the store's once it is the
    // model's): the grid grows to show them.
    void showRows(uint32_t rows);
    // The filling thread writes nothing more: the store is read directly, and sorts again.
    void stopFollowing();
    bool following() const { return m_view != nullptr; }

    // Sorts the data rows (row 1 down) by a grid column (see sortedOrder).
    void sortRows(int gridCol, bool descending);
    // A column whose every value came from the database as a number.
    bool isNumericColumn(int gridCol) const;
    // Cell (i, 0) = i for every data row, top to bottom.
    void numberRows();

Q_SIGNALS:
    // A heading-click sort ran out of memory or failed otherwise.
    void sortFailed(const zemo::ZemoError& error);

private:
    int dataRows() const { return m_gridRows > 0 ? m_gridRows - 1 : 0; }
    bool inGrid(int row, int col) const { return row >= 0 && row < m_gridRows && col >= 0 && col < m_cols; }
    void applyOrder(std::vector<uint32_t> order);
    // Data row `row` (1-based), column `col` as stored: through the view while following.
    bool stored(int row, int col, std::string_view& out, std::string& scratch) const;

    int m_gridRows = 1;
    int m_cols = 1;
    QStringList m_header;
    std::shared_ptr<ResultStore> m_store;
    std::shared_ptr<const ResultStore::View> m_view; // set while another thread fills m_store
};

} // namespace zemo
