#pragma once

#include "base/ZemoError.h"

#include <QString>
#include <functional>

class QWidget;

namespace zemo {

enum class MessageKind {
    Error,       // title "エラーメッセージ", no icon
    Information, // title kInformationTitle, the information icon
};

// Every message box of the program goes through here, with one OK button. Tests install a handler
// to read the title and text without a modal box.
class MessagePresenter {
public:
    using Handler = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

    static void show(QWidget* parent, const QString& text, MessageKind kind = MessageKind::Error);
    // An empty handler restores the real message box.
    static void setHandler(Handler handler);

    // The text as the box puts it on screen: a bare CR becomes a line break there.
    static QString displayText(const QString& text);
};

} // namespace zemo

// The common error box.
void ShowErrorBox(int number, const QString& description, QWidget* parent = nullptr);
void ShowErrorBox(const zemo::ZemoError& error, QWidget* parent = nullptr);
