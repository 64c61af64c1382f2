#pragma once

#include "base/ZemoError.h"
#include "db/OracleAccess.h"
#include "grid/GridModel.h"
#include "results/ResultStore.h"

#include <functional>
#include <memory>

namespace zemo {

// The result grid's cells: row 0 the field names, column 0 the row numbers, the rest the fetched
// values, held in a ResultStore below the heading row.
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
    // and is announced by sortFailed.
    void sort(int column, Qt::SortOrder order) override;

    // Shows a store filled elsewhere: row 0 an empty corner cell and the field names, then the stored
    // rows numbered 1, 2, 3, ...
    void adopt(QStringList fieldNames, std::unique_ptr<ResultStore> store);

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

    int m_gridRows = 1;
    int m_cols = 1;
    QStringList m_header;
    std::unique_ptr<ResultStore> m_store;
};

} // namespace zemo
