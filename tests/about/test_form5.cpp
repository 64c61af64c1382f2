#include "about/Form5.h"
#include "mainwindow/Form1.h"
#include "session/Module1.h"
#include "support/Modal.h"
#include "ui/FormSupport.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestForm5 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { zemo::installFontSubstitutes(); }
    void init() { zemo::resetSession(); }

    void centringArithmetic() {
        const zemo::TwipsPoint p = zemo::centreOver(1000, 800, 10650, 8295, 4860, 4245);
        QCOMPARE(p.left, 3895.0);
        QCOMPARE(p.top, 2825.0);
        // a main window smaller than the box: up and to the left of its corner, unrounded
        const zemo::TwipsPoint q = zemo::centreOver(0, 0, 3000, 3001, 4860, 4245);
        QCOMPARE(q.left, -930.0);
        QCOMPARE(q.top, -622.0);
    }

    void controlsAndTexts() {
        Form5 box;
        QCOMPARE(box.windowTitle(), QStringLiteral("ZEMO-DB　ツールについて"));
        auto* l1 = box.findChild<QLabel*>(QStringLiteral("Label1"));
        auto* l2 = box.findChild<QLabel*>(QStringLiteral("Label2"));
        auto* l3 = box.findChild<QLabel*>(QStringLiteral("Label3"));
        auto* l4 = box.findChild<QLabel*>(QStringLiteral("Label4"));
        auto* l5 = box.findChild<QLabel*>(QStringLiteral("Label5"));
        auto* image = box.findChild<QLabel*>(QStringLiteral("Image1"));
        auto* line = box.findChild<QFrame*>(QStringLiteral("Line1"));
        auto* close = box.findChild<QPushButton*>(QStringLiteral("Command1"));
        QVERIFY(l1 && l2 && l3 && l4 && l5 && image && line && close);
        QCOMPARE(l1->text(), QStringLiteral("ＶＡＮＴＲＯ　ＴＯＯＬ"));
        QCOMPARE(l1->font().pointSizeF(), 11.25);
        QVERIFY(l1->font().bold() && l1->font().italic());
        QCOMPARE(l1->font().family(), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(l2->text(), QStringLiteral("Ｖｅｒｓｉｏｎ："));
        QCOMPARE(l3->text(), QStringLiteral("1.0.0"));
        QVERIFY(l2->font().bold() && !l2->font().italic() && l3->font().bold());
        QCOMPARE(l3->font().pointSizeF(), 9.0);
        QVERIFY(l5->text().contains(QStringLiteral("©")));
        QVERIFY(!l5->text().contains(QLatin1Char('\n')));
        QVERIFY(QFontMetrics(l5->font()).horizontalAdvance(l5->text()) <= l5->width()); // not clipped
        QCOMPARE(l4->text(), QStringLiteral("\r\n\r\n\r\n"));
        QCOMPARE(close->text(), QStringLiteral("閉じる"));
        QVERIFY(!image->pixmap().isNull());
        QCOMPARE(image->pixmap().size(), QSize(32, 32));
        QCOMPARE(line->frameShape(), QFrame::HLine);

        zemo::TwipsPlacer tw(&box);
        QCOMPARE(line->geometry().topLeft(), QPoint(tw.toPixels(360), tw.toPixels(2040)));
        QCOMPARE(line->width(), tw.toPixels(3840));
        QCOMPARE(close->geometry(),
                 QRect(tw.toPixels(1440), tw.toPixels(3360), tw.toPixels(1455), tw.toPixels(375)));
        QCOMPARE(box.size(), tw.clientPixels(4740, 3840));
        QCOMPARE(tw.outerSize(), (zemo::TwipsSize{4860, 4245}));
        // resizing snaps back
        box.show();
        box.resize(900, 900);
        QApplication::processEvents();
        QCOMPARE(box.size(), tw.clientPixels(4740, 3840));
    }

    // Opened from the menu: centred over the main window, 閉じる has the focus and closes it for good.
    void opensCentredOverTheMainWindow() {
        Form1 main;
        main.move(60, 45);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        zemo::TwipsPlacer tw(&main);
        QCOMPARE(tw.outerSize(main.centralWidget()), (zemo::TwipsSize{10650, 8295}));
        const zemo::TwipsPoint expected =
            zemo::centreOver(tw.toTwips(main.pos().x()), tw.toTwips(main.pos().y()), 10650, 8295, 4860, 4245);

        QPoint shownAt;
        QString focused;
        bool sawBox = false;
        zemo::test::whenModal<Form5>([&](Form5* box) {
            sawBox = true;
            shownAt = box->pos();
            focused = box->focusWidget() ? box->focusWidget()->objectName() : QString();
            QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        });
        main.findChild<QAction*>(QStringLiteral("Version"))->trigger();
        QVERIFY(sawBox);
        QCOMPARE(shownAt, QPoint(tw.toPixels(expected.left), tw.toPixels(expected.top)));
        if (tw.dpi() == 96.0)
            QCOMPARE(shownAt, QPoint(60 + 193, 45 + 135)); // 2895 and 2025 twips
        QCOMPARE(focused, QStringLiteral("Command1"));
        QVERIFY(main.findChildren<Form5*>().isEmpty());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

QTEST_MAIN(TestForm5)
#include "test_form5.moc"
