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

    // The real boxes: one OK button and the CR shown as a line break; the error box has no icon, a
    // box that only informs has the information icon and a title of its own.
    void realBoxesHaveOneOk_data() {
        QTest::addColumn<bool>("information");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::newRow("error") << false << QStringLiteral("エラーメッセージ") << int(QMessageBox::NoIcon);
        QTest::newRow("information") << true << QStringLiteral("ZEMO-DB　お知らせ")
                                     << int(QMessageBox::Information);
    }
    void realBoxesHaveOneOk() {
        QFETCH(bool, information);
        QFETCH(QString, title);
        QFETCH(int, icon);
        bool inspected = false;
        zemo::test::whenModal<QMessageBox>([&](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), title);
            QCOMPARE(int(box->icon()), icon);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
            QCOMPARE(box->text(), QStringLiteral("エラー番号：440\nメッセージ：abc"));
            inspected = true;
            box->button(QMessageBox::Ok)->click();
        });
        if (information)
            MessagePresenter::show(nullptr, errorBoxText(440, QStringLiteral("abc")),
                                   MessageKind::Information);
        else
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
