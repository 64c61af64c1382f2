#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <string>
#include <string_view>

namespace zemo {

// What the values of a column are, for writers that keep numbers and dates apart from text.
enum class ColumnKind { Text, Number, DateTime };

// The cells of a grid, addressed by 0-based row and column of the whole grid, fixed cells included.
// A view may show the first row and the first column in its headers (headerRows/headerCols = 1):
// model index (r, c) is then grid cell (r + headerRows, c + headerCols).
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    virtual int gridRows() const = 0;
    virtual int gridCols() const = 0;
    virtual void setGridRows(int rows) = 0;
    virtual void setGridCols(int cols) = 0;
    virtual QString cellText(int row, int col) const = 0;
    virtual void setCellText(int row, int col, const QString& text) = 0;
    // Empties every cell; the counts stay.
    virtual void clearCells() = 0;
    // The cell as UTF-8, for writers that stream a large grid. The view points into the model or
    // into `scratch` and stays valid until the next call with the same scratch.
    virtual std::string_view cellUtf8(int row, int col, std::string& scratch) const;
    // A hint that `row` is about to be read; a large model starts loading it into the cache.
    virtual void prefetchRow(int row) const { Q_UNUSED(row); }
    // At most `maxChars` characters from the start of a cell; `more` tells whether the cell goes on.
    // A model holding large values reads no more of them than that.
    virtual QString cellPrefix(int row, int col, qsizetype maxChars, bool& more) const;
    // What the grid paints for a cell: its first line, cut after kShownChars characters, "…" after it
    // when the cell goes on. The clipboard and the CSV take the whole value from cellText/cellUtf8.
    QString shownText(int row, int col) const;
    static constexpr qsizetype kShownChars = 500;
    // The kind of every value in a column below the heading row.
    virtual ColumnKind columnKind(int col) const {
        Q_UNUSED(col);
        return ColumnKind::Text;
    }

    int headerRows() const { return m_headerRows; }
    int headerCols() const { return m_headerCols; }
    void setHeaderRows(int n);
    void setHeaderCols(int n);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

protected:
    // Tells the views that grid cell (row, col) changed, in the body or in a header.
    void cellChanged(int row, int col);

private:
    int m_headerRows = 0;
    int m_headerCols = 0;
};

// A small grid held as one string per cell: the main window's column grid.
class SimpleGridModel : public GridModel {
    Q_OBJECT
public:
    SimpleGridModel(int rows, int cols, QObject* parent = nullptr);

    int gridRows() const override { return m_rows; }
    int gridCols() const override { return m_cols; }
    void setGridRows(int rows) override;
    void setGridCols(int cols) override;
    QString cellText(int row, int col) const override;
    void setCellText(int row, int col, const QString& text) override;
    void clearCells() override;

private:
    void reshape(int rows, int cols);
    int m_rows;
    int m_cols;
    QList<QStringList> m_cells; // m_rows lists of m_cols strings
};

} // namespace zemo
