#include "mainwindow/Form1Layout.h"

namespace zemo {

Form1LayoutResult layoutForm1(const Form1Rects& rects, TwipsSize remembered, TwipsSize current,
                              bool minimized) {
    Form1LayoutResult out;
    out.rects = rects;
    out.remembered = remembered;
    out.enforced = current;
    if (minimized)
        return out;

    const ResizeDelta d = resizeDelta(remembered, current, {kForm1MinWidth, kForm1MinHeight});
    out.enforced = d.enforced;
    const double dW = d.dW;
    const double dH = d.dH;
    // The lists grow faster than the window and shrink slower.
    const double dList = dH >= 0 ? dH / 0.9 : dH / 1.1;

    Form1Rects& r = out.rects;
    shiftTwips(r.Label2.left, dW / 3);
    shiftTwips(r.Label3.left, dW);
    shiftTwips(r.Label4.left, dW / 2);
    shiftTwips(r.Label5.left, dW / 2);
    shiftTwips(r.Text2.width, dW / 2);
    shiftTwips(r.Text4.width, dW / 2);
    shiftTwips(r.Text4.left, dW / 2);
    shiftTwips(r.Combo2.left, dW / 2);
    shiftTwips(r.Command1.left, dW / 3);
    shiftTwips(r.Command2.left, dW);
    shiftTwips(r.Command4.left, dW / 2);
    shiftTwips(r.Command5.left, dW / 2);
    shiftTwips(r.Command6.left, dW / 2);
    shiftTwips(r.Command7.left, dW);
    shiftTwips(r.Command8.left, dW);
    shiftTwips(r.List1.width, dW / 2);
    shiftTwips(r.List1.height, dList);
    shiftTwips(r.List2.height, dList);
    shiftTwips(r.List2.width, dW / 2);
    shiftTwips(r.List2.left, dW / 2);
    shiftTwips(r.VSFlexGrid1.width, dW);

    out.laidOut = true;
    out.remembered = out.enforced;
    return out;
}

} // namespace zemo
