#include "mainwindow/Form1Layout.h"

#include <algorithm>

namespace zemo {

namespace {
void shift(float& value, double delta) {
    value = toSingle(static_cast<double>(value) + delta);
}
} // namespace

Form1LayoutResult layoutForm1(const Form1Rects& rects, TwipsSize remembered, TwipsSize current,
                              bool minimized) {
    Form1LayoutResult out;
    out.rects = rects;
    out.remembered = remembered;
    out.enforced = current;
    if (minimized)
        return out;

    out.enforced = {std::max(current.width, kForm1MinWidth), std::max(current.height, kForm1MinHeight)};
    const double dW = static_cast<double>(out.enforced.width) - remembered.width;
    const double dH = static_cast<double>(out.enforced.height) - remembered.height;
    // The lists grow faster than the window and shrink slower.
    const double dList = dH >= 0 ? dH / 0.9 : dH / 1.1;

    Form1Rects& r = out.rects;
    shift(r.Label2.left, dW / 3);
    shift(r.Label3.left, dW);
    shift(r.Label4.left, dW / 2);
    shift(r.Label5.left, dW / 2);
    shift(r.Text2.width, dW / 2);
    shift(r.Text4.width, dW / 2);
    shift(r.Text4.left, dW / 2);
    shift(r.Combo2.left, dW / 2);
    shift(r.Command1.left, dW / 3);
    shift(r.Command2.left, dW);
    shift(r.Command4.left, dW / 2);
    shift(r.Command5.left, dW / 2);
    shift(r.Command6.left, dW / 2);
    shift(r.Command7.left, dW);
    shift(r.Command8.left, dW);
    shift(r.List1.width, dW / 2);
    shift(r.List1.height, dList);
    shift(r.List2.height, dList);
    shift(r.List2.width, dW / 2);
    shift(r.List2.left, dW / 2);
    shift(r.VSFlexGrid1.width, dW);

    out.laidOut = true;
    out.remembered = out.enforced;
    return out;
}

} // namespace zemo
