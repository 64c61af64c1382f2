#pragma once

#include "grid/GridWidget.h"

#include <QHeaderView>
#include <QStringList>
#include <QTest>

namespace zemo::test {

// Column `col` of the data rows (row 1 down), top to bottom.
inline QStringList gridColumn(const GridWidget* g, int col) {
    QStringList out;
    for (int r = 1; r < g->Rows(); ++r)
        out << g->TextMatrix(r, col);
    return out;
}

// A left click in the middle of heading `section` (a view column).
inline void clickHeading(GridWidget* g, int section) {
    QHeaderView* h = g->horizontalHeader();
    const QPoint p(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
}

} // namespace zemo::test
