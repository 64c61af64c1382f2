#pragma once

#include "grid/GridModel.h"

#include <QTableView>

namespace zemo {

class FrozenRowsView;

// The grid control of both windows: a table of text cells over a GridModel, addressed by whole-grid
// row and column (fixed cells included).
//
// Fixed cells: with one fixed row and one fixed column the grid shows them in the view's headers
// (clicking a heading sorts, dragging one moves the column, when enabled). With fixed rows and no
// fixed column the fixed rows are a frozen strip over the top of the body that stays in place while
// the body scrolls, and its cells can still become the current cell.
class GridWidget : public QTableView {
    Q_OBJECT
public:
    explicit GridWidget(QWidget* parent = nullptr);
    ~GridWidget() override;

    // Replaces the cell store (default: a SimpleGridModel of 1 row and 1 column). Takes ownership.
    void setGridModel(GridModel* model);
    GridModel* gridModel() const { return m_model; }

    void setFixed(int fixedRows, int fixedCols);
    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }

    int Rows() const { return m_model->gridRows(); }
    void setRows(int rows);
    int Cols() const { return m_model->gridCols(); }
    void setCols(int cols);
    void Clear() { m_model->clearCells(); }
    QString TextMatrix(int row, int col) const { return m_model->cellText(row, col); }
    void setTextMatrix(int row, int col, const QString& text) { m_model->setCellText(row, col, text); }
    void setColHidden(int col, bool hidden);
    bool colHidden(int col) const;
    // Fits each column's width to its contents, measuring a sample of rows, never every row: the first
    // `headRows` and a fifth as many at the end.
    void AutoSize(int firstCol, int lastCol, int headRows = 1000);

    // Current cell in grid coordinates, -1 when there is none.
    int Row() const;
    int Col() const;
    void setCurrentCell(int row, int col);
    QString currentCellText() const;
    // Column under the last mouse position over the grid; -1 over no column.
    int MouseCol() const { return m_mouseCol; }

    // The selected block as spreadsheet text (see tabSeparatedText), in display order; with
    // `withHeadings` the cells of row 0 above the same columns come first.
    QString selectionText(bool withHeadings = false) const;
    // Grid columns in the order the user sees them (fixed column first).
    QList<int> visualColumns() const;

    // Heading clicks sort; headings can be dragged to reorder columns (header mode only).
    void setUserSortAndMove(bool enabled);
    // Whether the user may select a block of cells (otherwise single cells).
    void setRangeSelection(bool enabled);

Q_SIGNALS:
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    // Emitted before a press moves the current cell; a slot sets cancel to refuse the press.
    void BeforeMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y, bool& cancel);
    // shift: 1 Shift, 2 Ctrl, 4 Alt.
    void KeyDownEvent(int keyCode, int shift);
    // The rows were re-sorted by a heading click; emitted once they stand in their new order.
    void AfterSort(int col, int order);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Typing does not jump to a matching cell: the grid has no type-ahead search, and on a large
    // result every key would scan the whole column.
    void keyboardSearch(const QString&) override {}
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class FrozenRowsView;
    // Shared by the body and the frozen strip; false when the press was refused.
    bool pressAllowed(int viewColumn, QMouseEvent* event);
    void released(int viewColumn, QMouseEvent* event);
    void applyFixedMode();
    void updateFrozenRows();
    int modelRow(int gridRow) const { return gridRow - m_model->headerRows(); }
    int modelCol(int gridCol) const { return gridCol - m_model->headerCols(); }

    GridModel* m_model = nullptr;
    FrozenRowsView* m_frozen = nullptr;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
    int m_mouseCol = -1;
    int m_headerDragFrom = -1; // heading section a left press started on, for dragging its text
    QPoint m_headerPressPos;
};

} // namespace zemo
