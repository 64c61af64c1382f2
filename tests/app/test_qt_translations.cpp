// Qt's own dialogs speak Japanese once the program has set itself up, as the program's windows do.
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/Files.h"
#include "support/Modal.h"
#include "ui/FormSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestQtTranslations : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { zemo::setUpApplication(); }
    void cleanupTestCase() { zemo::resetSession(); }

    // The CSV export's save dialog and the question it asks before replacing a file; answering いいえ
    // leaves the file alone.
    void saveDialogAndItsReplaceQuestion() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const QString existing = dir.filePath(QStringLiteral("ZEMO_tbl.csv"));
        {
            QFile f(existing);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        gSqlText.clear();
        Form4 form;
        QString title, nameLabel, question;
        QStringList buttons;
        zemo::test::whenModal<QFileDialog>([&](QFileDialog* d) {
            title = d->windowTitle();
            if (auto* label = d->findChild<QLabel*>(QStringLiteral("fileNameLabel")))
                nameLabel = label->text();
            zemo::test::whenModal<QMessageBox>([&](QMessageBox* box) {
                question = box->text();
                for (QAbstractButton* b : box->buttons())
                    buttons << b->text();
                box->button(QMessageBox::No)->click();
            });
            static_cast<QDialog*>(d)
                ->accept(); // the replace question comes from here; after いいえ the dialog stays
            d->reject();
        });
        form.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        QDir::setCurrent(oldCwd);

        QCOMPARE(title, QStringLiteral("名前を付けて保存"));
        QCOMPARE(nameLabel, QStringLiteral("ファイル名(&N):"));
        QCOMPARE(question, QStringLiteral("ZEMO_tbl.csv は既に存在します。\n置き換えますか?"));
        buttons.sort();
        QCOMPARE(buttons, QStringList({QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)")}));
        QCOMPARE(zemo::test::readFile(existing), QByteArray("old"));
    }
};

QTEST_MAIN(TestQtTranslations)
#include "test_qt_translations.moc"
