#include "app/ErrorText.h"
#include "app/FormSupport.h"
#include "app/MessagePresenter.h"
#include "support/Modal.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace zemo;

class TestErrorBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textIsExact_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("expected");
        QTest::newRow("440") << 440 << "abc" << QStringLiteral("エラー番号：440\rメッセージ：abc");
        QTest::newRow("negative") << -2147217900 << "x"
                                  << QStringLiteral("エラー番号：-2147217900\rメッセージ：x");
        QTest::newRow("empty description") << 7 << "" << QStringLiteral("エラー番号：7\rメッセージ：");
    }
    void textIsExact() {
        QFETCH(int, number);
        QFETCH(QString, description);
        QFETCH(QString, expected);
        QString title, text;
        MessagePresenter::setHandler([&](QWidget*, const QString& t, const QString& m) {
            title = t;
            text = m;
        });
        ShowErrorBox(ZemoError(number, description));
        MessagePresenter::setHandler({});
        QCOMPARE(title, QStringLiteral("エラーメッセージ"));
        QCOMPARE(text, expected);
        QVERIFY(!text.contains(QChar(10)));
    }

    // The real box: no icon, one OK button, and the CR shown as a line break.
    void realBoxHasOneOkAndNoIcon() {
        bool inspected = false;
        zemo::test::whenModal<QMessageBox>([&](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("エラーメッセージ"));
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
            QCOMPARE(box->text(), QStringLiteral("エラー番号：440\nメッセージ：abc"));
            inspected = true;
            box->button(QMessageBox::Ok)->click();
        });
        ShowErrorBox(440, QStringLiteral("abc"));
        QVERIFY(inspected);
    }

    void twipsMapToPixelsAtTheScreenDpi() {
        QCOMPARE(twipsToPixels(1440, 96), 96);
        QCOMPARE(twipsToPixels(15, 96), 1);
        QCOMPARE(twipsToPixels(10530, 192), 1404);
        QCOMPARE(pixelsToTwips(702, 96), 10530.0);
    }
};

QTEST_MAIN(TestErrorBox)
#include "test_error_box.moc"
