#pragma once

#include "db/OracleAccess.h"
#include "grid/GridModel.h"

#include <QHash>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zemo {

// The result grid's cells: row 0 the field names, column 0 the row numbers, the rest the fetched
// values. Values stay UTF-8 in blocks of rows, each block one byte arena with a 32-bit end offset
// and a null bit per cell, so a million rows cost little more than their text. A sort reorders a
// row permutation and never moves the values.
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

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Heading clicks: `column` is a view column.
    void sort(int column, Qt::SortOrder order) override;

    // Called every `every` rows with the number of rows taken so far; returning false stops.
    using Progress = std::function<bool(int rows)>;

    // Takes a result set as the result window shows it: one column per field after the row-number
    // column, the field names in row 0, then every row below the last one with its row number.
    // A failing fetch keeps the rows taken before it and rethrows. Returns false when `progress`
    // stopped the fetch early.
    bool load(OracleResultSet& rs, const Progress& progress = {}, int every = 4096);
    // The row part of load: appends the remaining rows, field j into grid column j + 1.
    bool fetchRows(OracleResultSet& rs, const Progress& progress = {}, int every = 4096);

    // Sorts the data rows (row 1 down) by a grid column: numbers by value, other columns by their
    // UTF-8 bytes (code-point order); empty cells first. Stable, so rows that compare equal keep
    // their current order.
    void sortRows(int gridCol, bool descending);
    // A column whose every value came from the database as a number.
    bool isNumericColumn(int gridCol) const;
    // Cell (i, 0) = i for every data row, top to bottom.
    void numberRows();

private:
    struct Block;
    struct Store;

    int dataRows() const { return m_gridRows > 0 ? m_gridRows - 1 : 0; }
    uint32_t physOf(int gridRow) const {
        return m_perm.empty() ? uint32_t(gridRow - 1) : m_perm[gridRow - 1];
    }
    // False for an empty (null) cell; `out` then is empty.
    bool span(uint32_t phys, int col, std::string_view& out, std::string& scratch) const;
    void notifyCell(int row, int col);
    // Copies the data rows 1..keepRows in display order into a store of `cols` columns.
    void rebuild(int keepRows, int cols);
    void publish(int gridRows);

    int m_gridRows = 1;
    int m_cols = 1;
    QStringList m_header;
    std::unique_ptr<Store> m_store;
    std::vector<uint32_t> m_perm; // display order of the stored rows; empty while in fetch order
    QHash<quint64, QByteArray> m_edits;
    std::vector<uint8_t> m_colKind; // per grid column: unknown, numeric, text
};

} // namespace zemo
