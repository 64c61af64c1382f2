#pragma once

#include "app/MessagePresenter.h"
#include "app/ZemoError.h"

#include <exception>

class QWidget;

// Runs the body of a handler that has an error trap: any failure shows the common error box and
// ends the body; nothing done before it is undone and the program goes on. False after a failure.
template <class Body> bool runTrapped(QWidget* parent, Body&& body) {
    try {
        body();
        return true;
    } catch (const zemo::ZemoError& e) {
        ShowErrorBox(e, parent);
    } catch (const std::exception& e) {
        ShowErrorBox(0, QString::fromLocal8Bit(e.what()), parent);
    }
    return false;
}
