#pragma once

#include "app/Twips.h"

namespace zemo {

// The main window's controls that its resize layout moves or stretches (twips).
struct Form1Rects {
    TwipsRect Label2, Label3, Label4, Label5;
    TwipsRect Text2, Text4, Combo2;
    TwipsRect Command1, Command2, Command4, Command5, Command6, Command7, Command8;
    TwipsRect List1, List2;
    TwipsRect VSFlexGrid1;
    bool operator==(const Form1Rects&) const = default;
};

inline constexpr int kForm1MinWidth = 9375;
inline constexpr int kForm1MinHeight = 7230;

struct Form1LayoutResult {
    bool laidOut = false; // false while minimized: nothing changes
    TwipsSize enforced;   // the outer size the window must have (the current one, raised to the minimum)
    Form1Rects rects;
    TwipsSize remembered; // the remembered size for the next pass
};

// One resize pass: moves and stretches the controls by the difference between the (enforced) outer
// size and the size remembered at the end of the previous pass.
Form1LayoutResult layoutForm1(const Form1Rects& rects, TwipsSize remembered, TwipsSize current,
                              bool minimized);

} // namespace zemo
