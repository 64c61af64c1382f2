#pragma once

#include "base/ResizeLayout.h"
#include "catalogue/Catalogue.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace zemo {

// The result window's controls that its resize layout moves or stretches (twips).
struct Form4Rects {
    TwipsRect Text1, List2, Label4, Command1, Command2, Command3, Image1, VSFlexGrid1;
    bool operator==(const Form4Rects&) const = default;
};

// Never laid out smaller than 7830 × 5385: the statement box and the display-item list share the added
// width, the two right-hand buttons keep their distance from the right edge, the grid takes all added
// width and height.
extern const WindowResize<Form4Rects> kForm4Resize;

// The statement as it is run: every CR LF of the box's text becomes one blank; a lone CR or LF stays.
QString statementToRun(const QString& boxText);

// The statement box's text as the database is to get it. The box keeps its lines as blocks: a CR LF,
// a lone CR or LF and U+2029 all become one block break there, and its plain text turns no-break
// spaces and line separators into blanks and line breaks. So the box's raw text
// (QTextDocument::toRawText) is followed edit by edit, and every character the user has not touched
// keeps the form it was loaded in; a line break typed into the box is a CR LF.
class StatementBoxText {
public:
    StatementBoxText() : m_start{0} {}
    // `text` was put into the box, which then held `boxRaw`.
    void load(const QString& text, const QString& boxRaw);
    // The box holds `boxRaw` after one edit (typing, a paste, a deletion, an undo).
    void edited(const QString& boxRaw);
    // The statement to run for the box holding `boxRaw`, statementToRun applied.
    QString statement(const QString& boxRaw);

private:
    QString m_text;                 // the statement with every block break in its loaded form
    QString m_raw;                  // the box's raw text as last seen
    std::vector<qsizetype> m_start; // where each character of m_raw begins in m_text, and the end
};

// The logical names of a result's fields, for its headings (an empty name where none is known). When
// the statement ran as 抽出 assembled it, field j is the j-th selected display item while their names
// agree; any other field takes the logical name its name has among all display items (letter case
// aside, as a server may fold it), when they agree on one.
QStringList headingLogicalNames(const QStringList& fieldNames, const QList<DisplayItem>& items,
                                bool assembledStatement);

// The row-count caption, e.g. ":25件"; a fetch the user stopped says so (":25件（中止）"), so that a
// part of a result is never taken for all of it.
QString rowCountCaption(int rows, bool stopped = false);
// The count while rows are still arriving, e.g. "取得中 1,250件".
QString runningCountCaption(int rows);

} // namespace zemo
