#pragma once

#include <QAbstractTableModel>
#include <QHash>
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
    // What a view shows for a cell: shownText, with the cell's logical name beside it
    // ("CUST_NAME（顧客名）") while logical names are shown.
    QString displayText(int row, int col) const;
    // The kind of every value in a column below the heading row.
    virtual ColumnKind columnKind(int col) const {
        Q_UNUSED(col);
        return ColumnKind::Text;
    }

    // Logical names: a name a cell's text stands for, shown beside the text and as its tip while
    // logicalNamesShown(). The cell's own text (what is copied, dragged, saved and assembled) never
    // changes with it.
    void setCellLogicalName(int row, int col, const QString& name);
    QString cellLogicalName(int row, int col) const;
    void setLogicalNamesShown(bool shown);
    bool logicalNamesShown() const { return m_logicalShown; }

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
    // Models drop the logical names of cells they empty or cut off.
    void clearLogicalNames() { m_logical.clear(); }
    void dropLogicalNamesOutside(int rows, int cols);

private:
    static quint64 cellKey(int row, int col) { return (quint64(quint32(row)) << 32) | quint32(col); }

    int m_headerRows = 0;
    int m_headerCols = 0;
    bool m_logicalShown = false;
    QHash<quint64, QString> m_logical; // few cells have one: the names of a table and its columns
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
