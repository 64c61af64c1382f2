#pragma once

#include "app/ResizeLayout.h"

#include <QString>

namespace zemo {

// The result window's controls that its resize layout moves or stretches (twips).
struct Form4Rects {
    TwipsRect Text1, List2, Label4, Command1, Command2, Command3, Image1, VSFlexGrid1;
    bool operator==(const Form4Rects&) const = default;
};

// Rows fetched between two looks at the clock for the progress dialog: a clock read costs little, and
// a server that sends its rows slowly must still bring up the dialog after about a second.
inline constexpr int kFetchTick = 16;

// Never laid out smaller than 7830 × 5385: the statement box and the display-item list share the added
// width, the two right-hand buttons keep their distance from the right edge, the grid takes all added
// width and height.
extern const WindowResize<Form4Rects> kForm4Resize;

// The statement as it is run: every CR LF of the box's text becomes one blank; a lone CR or LF stays.
QString statementToRun(const QString& boxText);

// The row-count caption, e.g. ":25件".
QString rowCountCaption(int rows);

} // namespace zemo
