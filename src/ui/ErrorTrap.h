#pragma once

#include <QWidget>

namespace zemo {

// The failure being handled (call it inside a catch block) shown as the common error box, with the
// normal pointer while the box is answered. The one path from any failure to the error box.
void showCurrentFailure(QWidget* parent);

// Runs the body of a handler that has an error trap: any failure shows the common error box and
// ends the body; nothing done before it is undone and the program goes on. False after a failure.
template <class Body> bool runTrapped(QWidget* parent, Body&& body) {
    try {
        body();
        return true;
    } catch (...) {
        showCurrentFailure(parent);
    }
    return false;
}

} // namespace zemo
