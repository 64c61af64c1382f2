#pragma once

// Driving the program through its real windows, as a user does: the main window's menus and buttons,
// the profile list, the table dialog and the result window, each modal window handled as it comes up.

#include "catalogue/Form2.h"
#include "grid/GridWidget.h"
#include "mainwindow/Form1.h"
#include "profiles/Form6.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/Modal.h"
#include "support/WindowTests.h"
#include "ui/LogicalNameList.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace zemo::test {

template <class W> W* child(QObject* parent, const QString& name) {
    return parent->findChild<W*>(name);
}

inline void click(QWidget* parent, const char* button) {
    QTest::mouseClick(child<QPushButton>(parent, QLatin1String(button)), Qt::LeftButton);
}

// 抽出 in the result window: the statement runs and every row it fetches arrives.
inline void runStatement(QWidget* resultWindow) {
    click(resultWindow, "Command1");
    QVERIFY(waitForRuns());
}

inline void select(QListWidget* list, const QString& text) {
    const auto items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(items.size() == 1, qPrintable(text));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
}

// A list's entries as the program reads them.
inline QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// A list's entries as the user sees them: with their logical names beside them while shown.
inline QStringList shownTexts(const QListWidget* list) {
    const auto* d = qobject_cast<const LogicalNameDelegate*>(list->itemDelegate());
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << (d ? d->displayedText(list->model()->index(i, 0)) : list->item(i)->text());
    return out;
}

inline QList<QStringList> gridCells(const GridWidget* grid) {
    QList<QStringList> out;
    for (int r = 0; r < grid->Rows(); ++r) {
        QStringList row;
        for (int c = 0; c < grid->Cols(); ++c)
            row << grid->TextMatrix(r, c);
        out << row;
    }
    return out;
}

class MainWindowDriver {
public:
    explicit MainWindowDriver(Form1& main) : m_main(main) {}

    QAction* menu(const char* name) { return child<QAction>(&m_main, QLatin1String(name)); }
    QPushButton* button(int n) { return child<QPushButton>(&m_main, QStringLiteral("Command%1").arg(n)); }
    QListWidget* list(int n) { return child<QListWidget>(&m_main, QStringLiteral("List%1").arg(n)); }
    GridWidget* grid() { return child<GridWidget>(&m_main, QStringLiteral("VSFlexGrid1")); }

    // 接続 with the named profile; whether the profile list was still open afterwards.
    bool connectWith(const QString& profile) {
        bool stayedOpen = false;
        whenModal<Form6>([&](Form6* dlg) {
            select(child<QListWidget>(dlg, QStringLiteral("List1")), profile);
            click(dlg, "Command1");
            stayedOpen = dlg->isVisible();
        });
        menu("Connection")->trigger();
        return stayedOpen;
    }
    // テーブル選択: marks `tables` (a click each, so a marked one is unmarked) and presses ＯＫ.
    void markTables(const QStringList& tables) {
        whenModal<Form2>([&](Form2* dlg) {
            auto* l = child<QListWidget>(dlg, QStringLiteral("List1"));
            for (const QString& t : tables)
                select(l, t);
            click(dlg, "Command1");
        });
        click(&m_main, "Command3");
    }
    void pickDisplayItems(const QStringList& items) {
        for (const QString& item : items) {
            const auto found = list(2)->findItems(item, Qt::MatchExactly);
            QVERIFY2(found.size() == 1, qPrintable(item));
            found.first()->setSelected(true);
        }
    }
    void addCondition(const QString& connector, const QString& left, const QString& op,
                      const QString& right) {
        child<QComboBox>(&m_main, QStringLiteral("Combo1"))->setEditText(connector);
        child<QLineEdit>(&m_main, QStringLiteral("Text2"))->setText(left);
        child<QComboBox>(&m_main, QStringLiteral("Combo2"))->setEditText(op);
        child<QLineEdit>(&m_main, QStringLiteral("Text4"))->setText(right);
        click(&m_main, "Command4");
    }
    // 抽出 with `act` run on the result window once it is up.
    void extract(std::function<void(Form4*)> act) {
        whenModal<Form4>(std::move(act));
        click(&m_main, "Command7");
    }

private:
    Form1& m_main;
};

// A fresh main window on screen with its driver, the globals as at a program start; whether it came up.
inline bool openMainWindow(std::unique_ptr<Form1>& form, std::unique_ptr<MainWindowDriver>& ui) {
    zemo::resetSession();
    form = std::make_unique<Form1>();
    ui = std::make_unique<MainWindowDriver>(*form);
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
}

// Closes what openMainWindow opened, and the connection.
inline void closeMainWindow(std::unique_ptr<Form1>& form, std::unique_ptr<MainWindowDriver>& ui) {
    ui.reset();
    form.reset();
    gOraDatabase.reset();
}

} // namespace zemo::test
