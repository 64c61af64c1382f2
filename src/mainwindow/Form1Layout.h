#pragma once

#include "base/ResizeLayout.h"

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

// Never laid out smaller than 9375 × 7230; nothing moves vertically, only the two lists grow taller.
extern const WindowResize<Form1Rects> kForm1Resize;

} // namespace zemo
