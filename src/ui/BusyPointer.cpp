#include "ui/BusyPointer.h"

#include <QGuiApplication>
#include <QWidget>

namespace zemo {

BusyPointer::BusyPointer(QWidget* window, Input input) : m_window(window) {
    if (m_window)
        m_window->setCursor(input == Input::Taken ? Qt::BusyCursor : Qt::WaitCursor);
    else
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyPointer::~BusyPointer() {
    if (m_window)
        m_window->unsetCursor();
    else
        QGuiApplication::restoreOverrideCursor();
}

NormalPointer::NormalPointer() {
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
}

NormalPointer::~NormalPointer() {
    QGuiApplication::restoreOverrideCursor();
}

} // namespace zemo
