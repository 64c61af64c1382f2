#include "ui/MessagePresenter.h"

#include "base/ErrorText.h"
#include "ui/BusyPointer.h"
#include "ui/ErrorTrap.h"

#include <QApplication>
#include <QMessageBox>

namespace zemo {

namespace {
MessagePresenter::Handler& handlerSlot() {
    static MessagePresenter::Handler handler;
    return handler;
}
} // namespace

QString MessagePresenter::displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(13), QChar(10));
    return shown;
}

void MessagePresenter::setHandler(Handler handler) {
    handlerSlot() = std::move(handler);
}

void MessagePresenter::show(QWidget* parent, const QString& text, MessageKind kind) {
    if (!parent)
        parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                   : QApplication::activeWindow();
    const bool info = kind == MessageKind::Information;
    const QString& title = info ? kInformationTitle : kMessageTitle;
    if (handlerSlot()) {
        handlerSlot()(parent, title, text);
        return;
    }
    // The box is answered with the normal pointer, also while a handler shows the busy one.
    NormalPointer pointer;
    QMessageBox box(info ? QMessageBox::Information : QMessageBox::NoIcon, title, displayText(text),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace zemo

void ShowErrorBox(int number, const QString& description, QWidget* parent) {
    zemo::MessagePresenter::show(parent, zemo::errorBoxText(number, description));
}

void ShowErrorBox(const zemo::ZemoError& error, QWidget* parent) {
    ShowErrorBox(error.number(), error.description(), parent);
}

void zemo::showCurrentFailure(QWidget* parent) {
    ShowErrorBox(zemo::currentFailure(), parent);
}
