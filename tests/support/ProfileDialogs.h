#pragma once

// Driving the profile list and its dialogs from a window test.

#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QTest>

namespace zemo::test {

// The profile names the list shows, in order.
inline QStringList listed(const QWidget& dlg) {
    QStringList names;
    const auto* list = dlg.findChild<QListWidget*>("List1");
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

inline void select(QWidget& dlg, const QString& name) {
    auto* list = dlg.findChild<QListWidget*>("List1");
    const auto found = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    list->setCurrentItem(found.first());
}

inline void click(QWidget& dlg, const char* name) {
    auto* b = dlg.findChild<QPushButton*>(name);
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

} // namespace zemo::test
