#pragma once

class QWidget;

namespace zemo {

// The hourglass for as long as the object lives, however the scope is left: over the whole
// application, or over one window only when one is given. A window that takes input meanwhile (rows
// shown as they arrive) gets the arrow with the hourglass beside it.
class BusyPointer {
public:
    enum class Input { Refused, Taken };
    explicit BusyPointer(QWidget* window = nullptr, Input input = Input::Refused);
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    QWidget* m_window;
};

// The normal pointer for as long as the object lives, over a busy pointer: while a message box or
// the progress dialog waits for the user.
class NormalPointer {
public:
    NormalPointer();
    ~NormalPointer();
    NormalPointer(const NormalPointer&) = delete;
    NormalPointer& operator=(const NormalPointer&) = delete;
};

} // namespace zemo
