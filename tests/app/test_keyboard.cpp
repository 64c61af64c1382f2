// Keyboard habits of the windows: the Tab order of each window, Esc closing a dialog the way its
// close box does (no button taking part), and no default button where the dialogs have none.

#include "about/Form5.h"
#include "catalogue/Form2.h"
#include "mainwindow/Form1.h"
#include "profiles/Form3.h"
#include "profiles/Form6.h"
#include "profiles/Form7.h"
#include "profiles/ProfileStore.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/Connect.h"
#include "support/Modal.h"
#include "ui/FormSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// The named controls in the order the window's focus chain visits them.
QStringList chainOrder(QWidget* window, const QStringList& names) {
    QStringList order;
    QWidget* w = window;
    do {
        w = w->nextInFocusChain();
        const QString name = w->objectName();
        if (names.contains(name) && !order.contains(name) && window->isAncestorOf(w) &&
            (w->focusPolicy() & Qt::TabFocus))
            order << name;
    } while (w != window);
    return order;
}

// What pressing Tab `count` times from `start` focuses, one name per press.
QStringList tabWalk(QWidget* start, int count) {
    QStringList seen;
    start->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
    }
    return seen;
}

// Shows `dialog` modally, presses `key` on whatever has the focus in it, and reports whether the
// modal loop ended.
bool keyEndsModal(QDialog& dialog, Qt::Key key, QWidget* focus = nullptr) {
    bool ended = true;
    zemo::test::whenModal<QDialog>([&](QDialog* modal) {
        QCOMPARE(modal, &dialog);
        if (focus)
            focus->setFocus();
        QWidget* target = modal->focusWidget() ? modal->focusWidget() : modal;
        QTest::keyClick(target, key);
        QApplication::processEvents();
        if (dialog.isVisible()) {
            ended = false;
            dialog.done(QDialog::Rejected + 100);
        }
    });
    dialog.exec();
    return ended;
}

QList<QPushButton*> defaultButtons(QWidget* window) {
    QList<QPushButton*> out;
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->isDefault() || b->autoDefault())
            out << b;
    return out;
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_profiles;
    Form1* m_main = nullptr;

    void connectDemo() {
        gOraSession = std::make_shared<zemo::OracleSession>();
        gOraDatabase = zemo::test::openDemo();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_profiles.isValid());
        zemo::setProfileFolderOverride(m_profiles.path());
        zemo::WriteProfile(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo"), QStringLiteral("demo"),
                           QStringLiteral("デモ"), zemo::profileFilePath());
        zemo::resetSession();
        m_main = new Form1;
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
    }

    void cleanupTestCase() {
        delete m_main;
        zemo::resetSession();
        zemo::setProfileFolderOverride(QString());
    }

    void tabOrders() {
        const QStringList form1 = {"Command3", "Command4", "Command5",    "Command6", "Command7",
                                   "Command2", "List1",    "VSFlexGrid1", "Text2",    "Text4",
                                   "Combo1",   "Combo2",   "List2",       "Command1", "Command8"};
        QCOMPARE(chainOrder(m_main, form1), form1);

        Form6 list(m_main);
        const QStringList form6 = {"List1",    "Command1", "Command2", "Command3",
                                   "Command4", "Command5", "Command6"};
        QCOMPARE(chainOrder(&list, form6), form6);

        Form3 editor(&list);
        const QStringList form3 = {"Text4", "Text1", "Text2", "Combo1", "Text3", "Command1", "Command2"};
        QCOMPARE(chainOrder(&editor, form3), form3);

        Form5 about(m_main);
        QCOMPARE(chainOrder(&about, {"Command1"}).value(0), QStringLiteral("Command1"));

        connectDemo();
        Form2 tables(m_main);
        QCOMPARE(chainOrder(&tables, {"Command1", "Command2", "List1"}),
                 (QStringList{"Command1", "Command2", "List1"}));
        gSqlText = QStringLiteral("SELECT DEPT_ID FROM DEPARTMENTS");
        Form4 result(m_main);
        const QStringList form4 =
            chainOrder(&result, {"Command1", "Command2", "Command3", "Text1", "List2", "VSFlexGrid1"});
        QCOMPARE(form4.value(0), QStringLiteral("Command1"));
        zemo::resetSession();
    }

    // Tab really walks the order, wrapping round, in the two dialogs where every control is enabled.
    void tabKeyWalks() {
        Form6 list(m_main);
        list.show();
        QApplication::setActiveWindow(&list);
        QVERIFY(QTest::qWaitForWindowActive(&list));
        QCOMPARE(
            tabWalk(list.findChild<QWidget*>("List1"), 7),
            (QStringList{"Command1", "Command2", "Command3", "Command4", "Command5", "Command6", "List1"}));

        Form3 editor(&list);
        editor.show();
        QApplication::setActiveWindow(&editor);
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QCOMPARE(tabWalk(editor.findChild<QWidget*>("Text4"), 7),
                 (QStringList{"Text1", "Text2", "Combo1", "Text3", "Command1", "Command2", "Text4"}));
    }

    void aboutBoxFocusesClose() {
        Form5 about(m_main);
        QWidget* focused = nullptr;
        zemo::test::whenModal<Form5>([&](Form5*) {
            QApplication::setActiveWindow(&about);
            if (QTest::qWaitForWindowActive(&about))
                focused = QApplication::focusWidget();
            about.reject();
        });
        about.exec();
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), QStringLiteral("Command1"));
    }

    // Esc ends each dialog as the close box does: the editor hands nothing back (unlike CANCEL,
    // which empties the record), the profile list connects nothing.
    void escapeClosesLikeTheCloseBox() {
        Form6 list(m_main);
        QVERIFY(keyEndsModal(list, Qt::Key_Escape, list.findChild<QWidget*>("List1")));
        QVERIFY(!zemo::isConnected());

        gProfileEdit = {QStringLiteral("svc"), QStringLiteral("usr"), QStringLiteral("pw"),
                        QStringLiteral("name")};
        Form3 editor(m_main);
        editor.findChild<QLineEdit*>("Text4")->setText(QStringLiteral("typed"));
        QVERIFY(keyEndsModal(editor, Qt::Key_Escape, editor.findChild<QWidget*>("Text4")));
        QCOMPARE(gProfileEdit.ProfileName, QStringLiteral("name"));
        QCOMPARE(gProfileEdit.ServiceName, QStringLiteral("svc"));

        Form5 about(m_main);
        QVERIFY(keyEndsModal(about, Qt::Key_Escape));

        connectDemo();
        Form2 tables(m_main);
        QVERIFY(keyEndsModal(tables, Qt::Key_Escape, tables.findChild<QWidget*>("List1")));
        QCOMPARE(gTableCount, 0); // nothing was confirmed

        gSqlText = QStringLiteral("SELECT DEPT_ID, DEPT_NAME FROM DEPARTMENTS");
        Form4 result(m_main);
        QVERIFY(keyEndsModal(result, Qt::Key_Escape, result.findChild<QWidget*>("VSFlexGrid1")));
        zemo::resetSession();
    }

    // Neither editor button is a default button: Return in a field leaves the editor open and hands
    // nothing back. The other dialogs have no default button either (the About box may).
    void noDefaultButtons() {
        gProfileEdit = {};
        Form6 list(m_main);
        Form3 editor(&list);
        editor.findChild<QLineEdit*>("Text4")->setText(QStringLiteral("typed"));
        QVERIFY(!keyEndsModal(editor, Qt::Key_Return, editor.findChild<QWidget*>("Text4")));
        QCOMPARE(gProfileEdit.ProfileName, QString());
        QVERIFY2(defaultButtons(&editor).isEmpty(), "&editor");
        QVERIFY2(defaultButtons(&list).isEmpty(), "&list");

        // The password prompt has no default button either, but Enter after the password is OK, and
        // Esc hands nothing back.
        Form7 prompt(&list, QStringLiteral("p"), QStringLiteral("u"), true);
        QVERIFY2(defaultButtons(&prompt).isEmpty(), "&prompt");
        prompt.findChild<QLineEdit*>("Text1")->setText(QStringLiteral("pw"));
        QVERIFY(keyEndsModal(prompt, Qt::Key_Return, prompt.findChild<QWidget*>("Text1")));
        QCOMPARE(prompt.result(), int(QDialog::Accepted));
        QCOMPARE(prompt.takePassword(), QStringLiteral("pw"));
        prompt.findChild<QLineEdit*>("Text1")->setText(QStringLiteral("pw"));
        QVERIFY(keyEndsModal(prompt, Qt::Key_Escape, prompt.findChild<QWidget*>("Text1")));
        QCOMPARE(prompt.result(), int(QDialog::Rejected));
        QCOMPARE(prompt.takePassword(), QString());

        connectDemo();
        Form2 tables(m_main);
        QVERIFY2(defaultButtons(&tables).isEmpty(), "&tables");
        gSqlText = QStringLiteral("SELECT DEPT_ID FROM DEPARTMENTS");
        Form4 result(m_main);
        QVERIFY2(defaultButtons(&result).isEmpty(), "&result");
        zemo::resetSession();
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zemo::setUpApplication();
    TestKeyboard t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_keyboard.moc"
