#include "grid/GridWidget.h"
#include "mainwindow/Form1.h"
#include "profiles/Form6.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/Connect.h"
#include "support/Modal.h"
#include "support/WindowTests.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// The main window's controls, found by name as the user sees them.
struct Ui {
    explicit Ui(Form1& f) : form(f) {}
    Form1& form;
    QPushButton* button(int n) const {
        return form.findChild<QPushButton*>(QStringLiteral("Command%1").arg(n));
    }
    QComboBox* combo(int n) const { return form.findChild<QComboBox*>(QStringLiteral("Combo%1").arg(n)); }
    QLineEdit* text(int n) const { return form.findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n)); }
    QListWidget* list(int n) const { return form.findChild<QListWidget*>(QStringLiteral("List%1").arg(n)); }
    QLabel* label(int n) const { return form.findChild<QLabel*>(QStringLiteral("Label%1").arg(n)); }
    QAction* action(const char* name) const { return form.findChild<QAction*>(QLatin1String(name)); }
    zemo::GridWidget* grid() const {
        return form.findChild<zemo::GridWidget*>(QStringLiteral("VSFlexGrid1"));
    }

    void edit(const QString& connector, const QString& left, const QString& op, const QString& right) const {
        combo(1)->setEditText(connector);
        text(2)->setText(left);
        combo(2)->setEditText(op);
        text(4)->setText(right);
    }
    void click(int n) const { QTest::mouseClick(button(n), Qt::LeftButton); }
    QStringList lines(int n) const {
        QStringList out;
        for (int i = 0; i < list(n)->count(); ++i)
            out << list(n)->item(i)->text();
        return out;
    }
    // What a successful connect through the menu leaves behind.
    void connectDemo() const {
        gServiceName = QStringLiteral(ZEMO_DEMO_DB);
        gUserName = QStringLiteral("demo");
        gPassword = QStringLiteral("demo");
        gOraDatabase = zemo::test::openDemo();
        for (int n : {3, 4, 7})
            button(n)->setEnabled(true);
    }
};

QStringList comboItems(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

    QStringList m_boxes;

private Q_SLOTS:
    void initTestCase() { zemo::test::startWindowTests(m_boxes); }
    void init() {
        zemo::resetSession();
        m_boxes.clear();
    }

    void initialState() {
        gTableCount = 5;
        gCondCount = 3;
        Form1 form;
        Ui ui(form);
        QCOMPARE(gTableCount, 0);
        QCOMPARE(gCondCount, 0);
        QCOMPARE(form.windowTitle(), QStringLiteral("ZEMO-DB"));
        QCOMPARE(zemo::mainWindow(), &form);
        QCOMPARE(comboItems(ui.combo(1)), QStringList({"Where", "And", "Or", "Not"}));
        QCOMPARE(comboItems(ui.combo(2)),
                 QStringList({"=", "!=", "<>", "^=", ">=", "<=", ">", "<", "In", "Not In", "Is Null",
                              "Is Not Null", "Like", "Not Like", "Between", "Not Between"}));
        QVERIFY(ui.combo(1)->isEditable() && ui.combo(2)->isEditable());
        QCOMPARE(ui.combo(1)->currentText(), QString());
        QCOMPARE(ui.combo(2)->currentText(), QString());
        QCOMPARE(ui.text(2)->text(), QString());
        QCOMPARE(ui.text(4)->text(), QString());
        for (int n : {3, 4, 5, 6, 7})
            QVERIFY2(!ui.button(n)->isEnabled(), qPrintable(QString::number(n)));
        for (int n : {1, 2, 8})
            QVERIFY(ui.button(n)->isEnabled());
        QCOMPARE(ui.button(3)->text(), QStringLiteral("テーブル選択"));
        QCOMPARE(ui.button(7)->text(), QStringLiteral("抽出"));
        QCOMPARE(ui.button(1)->text(), QStringLiteral("↓↓"));
        QVERIFY(ui.button(1)->font().bold() && ui.button(8)->font().bold() && !ui.button(4)->font().bold());
        QCOMPARE(ui.button(4)->font().family(), QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(ui.label(6)->text(), QStringLiteral("条件項目"));
        QCOMPARE(ui.label(3)->text(), QStringLiteral("右辺"));
        QCOMPARE(ui.list(1)->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(ui.list(2)->selectionMode(), QAbstractItemView::MultiSelection);
        QCOMPARE(ui.grid()->Rows(), 2);
        QCOMPARE(ui.grid()->Cols(), 1);
        QCOMPARE(ui.grid()->fixedRows(), 2);
        QCOMPARE(ui.grid()->fixedCols(), 0);

        QAction* typeDisp = ui.action("TypeDisp");
        QVERIFY(typeDisp->isCheckable() && !typeDisp->isChecked());
        QCOMPARE(typeDisp->text(), QStringLiteral("属性表示"));
        QCOMPARE(form.findChild<QMenu*>(QStringLiteral("DB"))->title(), QStringLiteral("接続"));
        QCOMPARE(form.findChild<QMenu*>(QStringLiteral("Disp"))->title(), QStringLiteral("表示"));
        QCOMPARE(form.findChild<QMenu*>(QStringLiteral("etc"))->title(), QStringLiteral("その他"));
        QCOMPARE(ui.action("Connection")->text(), QStringLiteral("接続"));
        QCOMPARE(ui.action("UnConnection")->text(), QStringLiteral("切断"));
        QCOMPARE(ui.action("Version")->text(), QStringLiteral("ツールについて"));

        // tab order starts at テーブル選択 and runs as designed
        QStringList order;
        QWidget* w = ui.button(3);
        for (int i = 0; i < 15; ++i, w = w->nextInFocusChain()) {
            while (!(w->focusPolicy() & Qt::TabFocus) || w->parentWidget() != form.centralWidget())
                w = w->nextInFocusChain();
            order << w->objectName();
        }
        QCOMPARE(order, QStringList({"Command3", "Command4", "Command5", "Command6", "Command7", "Command2",
                                     "List1", "VSFlexGrid1", "Text2", "Text4", "Combo1", "Combo2", "List2",
                                     "Command1", "Command8"}));
    }

    void designPlacesAndSize() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Ui ui(form);
        const zemo::TwipsPlacer& tw = form.placer();
        QCOMPARE(form.rememberedSize(), (zemo::TwipsSize{10650, 8295}));
        QCOMPARE(form.centralWidget()->size(), tw.clientPixels(10530, 7890));
        QCOMPARE(ui.grid()->geometry(),
                 QRect(tw.toPixels(360), tw.toPixels(960), tw.toPixels(9735), tw.toPixels(2535)));
        QCOMPARE(ui.list(2)->geometry(),
                 QRect(tw.toPixels(6000), tw.toPixels(5280), tw.toPixels(4095), tw.toPixels(2220)));
        QCOMPARE(ui.combo(1)->geometry(),
                 QRect(tw.toPixels(360), tw.toPixels(4320), tw.toPixels(1095), tw.toPixels(300)));
    }

    void resizeLayoutThroughTheWindow() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Ui ui(form);
        const zemo::TwipsPlacer& tw = form.placer();
        const QSize start = form.size();
        const int px600 = tw.toPixels(600);
        const int px900 = tw.toPixels(900);
        const double w600 = tw.toTwips(px600);

        form.resize(start.width() + px600, start.height());
        QTRY_COMPARE(form.rememberedSize().width, 10650 + qRound(w600));
        QCOMPARE(tw.rect(ui.button(7)).left, static_cast<float>(9000 + w600));
        QCOMPARE(tw.rect(ui.button(2)).left, static_cast<float>(8880 + w600));
        QCOMPARE(tw.rect(ui.button(5)).left, static_cast<float>(2760 + w600 / 2));
        QCOMPARE(tw.rect(ui.label(2)).left, static_cast<float>(3000 + w600 / 3));
        QCOMPARE(tw.rect(ui.list(2)).width, static_cast<float>(4095 + w600 / 2));
        QCOMPARE(tw.rect(ui.grid()).width, static_cast<float>(9735 + w600));
        QCOMPARE(ui.button(7)->x(), tw.toPixels(9000 + w600));
        QCOMPARE(ui.grid()->width(), tw.toPixels(9735 + w600));
        QCOMPARE(ui.text(4)->x(), tw.toPixels(6600 + w600 / 2));
        QCOMPARE(ui.text(2)->x(), tw.toPixels(1560)); // does not move
        if (tw.dpi() == 96.0) {
            QCOMPARE(tw.rect(ui.button(7)).left, 9600.f);
            QCOMPARE(tw.rect(ui.label(2)).left, 3200.f);
            QCOMPARE(tw.rect(ui.text(4)).left, 6900.f);
        }

        const double h900 = tw.toTwips(px900);
        form.resize(form.width(), start.height() + px900);
        QTRY_COMPARE(form.rememberedSize().height, 8295 + qRound(h900));
        QCOMPARE(tw.rect(ui.list(1)).height, static_cast<float>(2220 + h900 / 0.9));
        QCOMPARE(ui.list(2)->height(), tw.toPixels(2220 + h900 / 0.9));
        QCOMPARE(ui.list(2)->y(), tw.toPixels(5280));
        QCOMPARE(ui.grid()->height(), tw.toPixels(2535));

        form.resize(form.width(), start.height());
        QTRY_COMPARE(form.rememberedSize().height, 8295);
        const float afterShrink = static_cast<float>(static_cast<float>(2220 + h900 / 0.9) - h900 / 1.1);
        QCOMPARE(tw.rect(ui.list(2)).height, afterShrink);
        if (tw.dpi() == 96.0)
            QVERIFY(qAbs(tw.rect(ui.list(2)).height - (3220.f - 818.18f)) < 0.01f);
    }

    void minimumSizeIsEnforced() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Ui ui(form);
        const zemo::TwipsPlacer& tw = form.placer();
        form.resize(100, 100);
        QApplication::processEvents();
        const zemo::TwipsSize outer = tw.outerSize(form.centralWidget());
        if (tw.dpi() == 96.0)
            QCOMPARE(outer, (zemo::TwipsSize{9375, 7230}));
        QVERIFY(outer.width >= 9375 - 15 && outer.height >= 7230 - 15);
        QCOMPARE(form.rememberedSize(), outer);
        const double dW = outer.width - 10650.0;
        const double dH = outer.height - 8295.0;
        QCOMPARE(tw.rect(ui.button(7)).left, static_cast<float>(9000 + dW));
        QCOMPARE(tw.rect(ui.list(1)).height, static_cast<float>(2220 + dH / 1.1));
    }

    void minimizedLeavesTheLayoutAlone() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Ui ui(form);
        const zemo::TwipsRect before = form.placer().rect(ui.button(7));
        form.setWindowState(Qt::WindowMinimized);
        QApplication::processEvents();
        form.resize(form.width() + 200, form.height() + 200);
        QApplication::processEvents();
        QVERIFY(form.isMinimized());
        QCOMPARE(form.placer().rect(ui.button(7)), before);
        QCOMPARE(form.rememberedSize(), (zemo::TwipsSize{10650, 8295}));
        form.setWindowState(Qt::WindowNoState);
        form.resize(form.placer().clientPixels(10530, 7890).width(), form.height());
        QApplication::processEvents();
        QCOMPARE(form.placer().rect(ui.button(7)).left, before.left);
    }

    void typeDispShowsAndHidesTheOddColumns() {
        Form1 form;
        Ui ui(form);
        QAction* typeDisp = ui.action("TypeDisp");
        typeDisp->trigger(); // a single column: only the mark changes
        QVERIFY(typeDisp->isChecked());
        QVERIFY(!ui.grid()->colHidden(0));
        typeDisp->trigger();
        QVERIFY(!typeDisp->isChecked());

        ui.grid()->setCols(4);
        typeDisp->trigger();
        QVERIFY(typeDisp->isChecked());
        for (int c = 0; c < 4; ++c)
            QVERIFY(!ui.grid()->colHidden(c));
        typeDisp->trigger();
        QVERIFY(!typeDisp->isChecked());
        QVERIFY(ui.grid()->colHidden(1) && ui.grid()->colHidden(3));
        QVERIFY(!ui.grid()->colHidden(0) && !ui.grid()->colHidden(2));
    }

    void droppedTextReplacesTheBox() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Ui ui(form);
        ui.text(4)->setText(QStringLiteral("old text"));
        QMimeData data;
        data.setText(QStringLiteral("T.COL"));
        const QPoint at = ui.text(4)->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ui.text(4), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ui.text(4), &drop);
        QCOMPARE(ui.text(4)->text(), QStringLiteral("T.COL"));

        ui.text(2)->setText(QStringLiteral("abc"));
        QDragEnterEvent enter2(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ui.text(2), &enter2);
        QDropEvent drop2(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ui.text(2), &drop2);
        QCOMPARE(ui.text(2)->text(), QStringLiteral("T.COL"));
        QCOMPARE(ui.text(4)->text(), QStringLiteral("T.COL"));

        // data without plain text is not taken
        QMimeData image;
        image.setData(QStringLiteral("image/png"), QByteArray("\x89PNG"));
        QDragEnterEvent enter3(QPoint(5, 5), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ui.text(2), &enter3);
        QVERIFY(!enter3.isAccepted());
        QCOMPARE(ui.text(2)->text(), QStringLiteral("T.COL"));
    }

    void conditionEditor() {
        Form1 form;
        Ui ui(form);
        ui.connectDemo();

        ui.edit("Where", "T1.CODE", "Is Null", "");
        ui.click(4);
        QCOMPARE(ui.lines(1), QStringList({"Where T1.CODE Is Null  "}));
        QVERIFY(ui.button(5)->isEnabled() && ui.button(6)->isEnabled());
        // the fields stay: the same condition can be added again at once
        QCOMPARE(ui.text(2)->text(), QStringLiteral("T1.CODE"));

        ui.edit("And", "T1.X", "is not null", "");
        ui.click(4);
        ui.edit("Or", "T1.Y", "=", "");
        ui.click(4); // rejected
        ui.edit("Or", "T1.Y", "Is  Null", "");
        ui.click(4); // rejected: two blanks
        QCOMPARE(gCondCount, 2);
        ui.edit("Or", "T1.Y", "=", " ");
        ui.click(4);
        QCOMPARE(ui.lines(1),
                 QStringList({"Where T1.CODE Is Null  ", "And T1.X is not null  ", "Or T1.Y =   "}));
        QCOMPARE(gCondCount, 3);

        // delete the second: the first and third stay in order; clicking line 2 loads the third
        ui.list(1)->setCurrentRow(1);
        ui.click(6);
        QCOMPARE(ui.lines(1), QStringList({"Where T1.CODE Is Null  ", "Or T1.Y =   "}));
        QCOMPARE(gCondCount, 2);
        QVERIFY(ui.list(1)->selectedItems().isEmpty());
        // the fields hold what the selection of line 2 loaded; the deletion left them
        QCOMPARE(ui.text(2)->text(), QStringLiteral("T1.X"));
        ui.edit("", "", "", "");
        QTest::mouseClick(ui.list(1)->viewport(), Qt::LeftButton, {},
                          ui.list(1)->visualItemRect(ui.list(1)->item(1)).center());
        QCOMPARE(ui.combo(1)->currentText(), QStringLiteral("Or"));
        QCOMPARE(ui.text(2)->text(), QStringLiteral("T1.Y"));
        QCOMPARE(ui.combo(2)->currentText(), QStringLiteral("="));
        QCOMPARE(ui.text(4)->text(), QStringLiteral(" "));

        // change keeps the position; incomplete fields or no selection change nothing
        ui.list(1)->setCurrentRow(0);
        ui.edit("Where", "T2.Z", ">", "5");
        ui.click(5);
        QCOMPARE(ui.lines(1), QStringList({"Where T2.Z > 5 ", "Or T1.Y =   "}));
        QVERIFY(ui.list(1)->selectedItems().isEmpty());
        ui.click(5);
        ui.click(6);
        QCOMPARE(gCondCount, 2);
        ui.list(1)->setCurrentRow(1);
        ui.edit("Where", "T2.Z", ">", "");
        ui.click(5);
        QCOMPARE(ui.lines(1), QStringList({"Where T2.Z > 5 ", "Or T1.Y =   "}));

        // deleting one of two leaves 変更/削除 enabled, deleting the last disables them
        ui.list(1)->setCurrentRow(0);
        ui.click(6);
        QVERIFY(ui.button(5)->isEnabled() && ui.button(6)->isEnabled());
        ui.list(1)->setCurrentRow(0);
        ui.click(6);
        QCOMPARE(ui.list(1)->count(), 0);
        QCOMPARE(gCondCount, 0);
        QVERIFY(!ui.button(5)->isEnabled() && !ui.button(6)->isEnabled());
        QVERIFY(gCondConnector.isEmpty() && gCondRight.isEmpty());
    }

    // Typed into the editable boxes key by key, as a user does: nothing is completed from the lists
    // and no case changes, also when Enter is pressed in the box.
    void typedConnectorsAndOperatorsAreStoredAsTyped() {
        Form1 form;
        Ui ui(form);
        ui.connectDemo();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto type = [](QComboBox* box, const QString& text, bool enter) {
            box->setFocus();
            box->lineEdit()->clear();
            QTest::keyClicks(box->lineEdit(), text);
            if (enter)
                QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        };
        const QList<std::pair<QString, QString>> typed = {{"where", "<"},       {"No", ">"},  {"and", "Not"},
                                                          {"W", "is not null"}, {"or", "is"}, {"a", "in"}};
        for (const bool enter : {false, true}) {
            form.resetColumnPicker(); // no conditions left
            QStringList want;
            for (const auto& [connector, op] : typed) {
                type(ui.combo(1), connector, enter);
                ui.text(2)->setText(QStringLiteral("T1.A"));
                type(ui.combo(2), op, enter);
                ui.text(4)->setText(QStringLiteral("1"));
                ui.click(4);
                want << connector + QStringLiteral(" T1.A ") + op + QStringLiteral(" 1 ");
            }
            QCOMPARE(ui.lines(1), want);
            QCOMPARE(gCondOperator, QStringList({"<", ">", "Not", "is not null", "is", "in"}));
            QCOMPARE(gCondConnector, QStringList({"where", "No", "and", "W", "or", "a"}));
        }
    }

    void disconnectEmptiesEverything() {
        Form1 form;
        Ui ui(form);
        ui.connectDemo();
        ui.grid()->setCols(4);
        ui.grid()->setRows(6);
        ui.grid()->setTextMatrix(2, 0, QStringLiteral("T1.A"));
        ui.list(2)->addItems({"T1.A", "T1.B"});
        gFromList = QStringLiteral("EMP T1");
        ui.edit("Where", "T1.A", "=", "1");
        ui.click(4);
        QVERIFY(ui.button(6)->isEnabled());
        ui.action("TypeDisp")->trigger();

        ui.action("UnConnection")->trigger();
        QVERIFY(!zemo::isConnected());
        QCOMPARE(gServiceName, QString());
        QCOMPARE(gUserName, QString());
        QCOMPARE(gPassword, QString());
        QCOMPARE(ui.list(1)->count(), 0);
        QCOMPARE(ui.list(2)->count(), 0);
        QCOMPARE(gCondCount, 0);
        QCOMPARE(gFromList, QString());
        for (int t : {2, 4})
            QCOMPARE(ui.text(t)->text(), QString());
        QCOMPARE(ui.combo(1)->currentText(), QString());
        QCOMPARE(ui.combo(2)->currentText(), QString());
        QCOMPARE(ui.grid()->Rows(), 2);
        QCOMPARE(ui.grid()->Cols(), 1);
        QCOMPARE(ui.grid()->TextMatrix(0, 0), QString());
        for (int n : {3, 4, 5, 6, 7})
            QVERIFY(!ui.button(n)->isEnabled());
        QVERIFY(ui.action("TypeDisp")->isChecked()); // not reset
        QVERIFY(m_boxes.isEmpty());

        // a second 切断 does nothing
        ui.text(2)->setText(QStringLiteral("kept"));
        ui.action("UnConnection")->trigger();
        QCOMPARE(ui.text(2)->text(), QStringLiteral("kept"));

        // after a new connect the first add starts a fresh list
        ui.connectDemo();
        ui.edit("Where", "T1.B", "=", "2");
        ui.click(4);
        QCOMPARE(ui.lines(1), QStringList({"Where T1.B = 2 "}));
    }

    void extractWithoutTablesOrConnection() {
        Form1 form;
        Ui ui(form);
        gSqlText = QStringLiteral("old");
        QMetaObject::invokeMethod(&form, "Command7_Click"); // disconnected: nothing at all
        QCOMPARE(gSqlText, QStringLiteral("old"));

        ui.connectDemo();
        ui.list(2)->addItems({"T1.A"});
        ui.list(2)->item(0)->setSelected(true);
        ui.edit("Where", "T1.A", "=", "1");
        ui.click(4);
        bool opened = false;
        zemo::test::whenModal<Form4>([&](Form4* f) {
            opened = true;
            f->close();
        });
        ui.click(7);
        QVERIFY(opened);
        QCOMPARE(gSqlText, QString());
    }

    // Closing the profile list without connecting: the buttons follow gOraDatabase, whatever it was.
    void connectMenuFollowsTheConnection() {
        Form1 form;
        Ui ui(form);
        int opened = 0;
        const auto closeProfileList = [&opened] {
            zemo::test::whenModal<Form6>([&opened](Form6* dlg) {
                ++opened;
                dlg->reject();
            });
        };
        closeProfileList();
        ui.action("Connection")->trigger();
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        for (int n : {3, 4, 7})
            QVERIFY(!ui.button(n)->isEnabled());

        gOraDatabase = zemo::test::openDemo();
        closeProfileList();
        ui.action("Connection")->trigger();
        for (int n : {3, 4, 7})
            QVERIFY(ui.button(n)->isEnabled());
        QVERIFY(!ui.button(5)->isEnabled() && !ui.button(6)->isEnabled());
        QCOMPARE(opened, 2);
    }

    void quitClosesTheWindow() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Ui ui(form);
        ui.click(2);
        QVERIFY(!form.isVisible());
    }

    void copyButtonsFollowTheFlag() {
        Form1 form;
        Ui ui(form);
        zemo::GridWidget* g = ui.grid();
        g->setCols(2);
        g->setRows(4);
        g->setTextMatrix(1, 0, QStringLiteral("T1"));
        g->setTextMatrix(2, 0, QStringLiteral("T1.A"));
        g->setTextMatrix(2, 1, QStringLiteral("NUMBER[4]"));

        // unchecked: copies whatever cell is current, the alias included, without looking at the flag
        gNameColumnPicked = false;
        g->setCurrentCell(1, 0);
        ui.click(1);
        QCOMPARE(ui.text(2)->text(), QStringLiteral("T1"));
        g->setCurrentCell(2, 0);
        ui.click(8);
        QCOMPARE(ui.text(4)->text(), QStringLiteral("T1.A"));
        // an empty current cell copies nothing
        g->setCurrentCell(3, 0);
        ui.click(1);
        QCOMPARE(ui.text(2)->text(), QStringLiteral("T1"));

        // checked from the start, before any mouse action: the flag is false, nothing is copied
        ui.action("TypeDisp")->trigger();
        g->setCurrentCell(2, 0);
        ui.click(1);
        QCOMPARE(ui.text(2)->text(), QStringLiteral("T1"));
        // after a pick of a name column the keyboard may move onto a type cell: still copied
        gNameColumnPicked = true;
        g->setCurrentCell(2, 1);
        ui.click(8);
        QCOMPARE(ui.text(4)->text(), QStringLiteral("NUMBER[4]"));
    }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
