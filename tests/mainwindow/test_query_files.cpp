// Saved queries through the real windows on the demo file: saved, then opened by a fresh main window
// that connects through the saved profile; the values asked at 抽出; what is gone named once.
#include "mainwindow/ParameterDialog.h"
#include "mainwindow/SavedQuery.h"
#include "support/Files.h"
#include "support/MainWindowDriver.h"
#include "support/WindowTests.h"

#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace zemo::test;

class TestQueryFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_boxes;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MainWindowDriver> m_ui;
    QString m_chosen; // what the file dialog answers

    // 抽出 with the values dialog's labels and boxes as it came up, answered with `values`; the
    // result window's statement box.
    QString extract(const QStringList& values, QStringList& shown) {
        whenModal<ParameterDialog>([&](ParameterDialog* d) {
            for (qsizetype i = 0; i < values.size(); ++i) {
                auto* box = child<QLineEdit>(d, QStringLiteral("Text%1").arg(i + 1));
                shown << child<QLabel>(d, QStringLiteral("Label%1").arg(i + 1))->text() + box->text();
                box->setText(values[i]);
            }
            click(d, "Command1");
        });
        QString statement;
        m_ui->extract([&](Form4* f) {
            QTRY_VERIFY(!zemo::CallWait::waiting());
            statement = child<QPlainTextEdit>(f, QStringLiteral("Text1"))->toPlainText();
            click(f, "Command2");
        });
        return statement;
    }
    // The window as 抽出 reads it and as the user sees it.
    QStringList windowState() {
        QStringList state = texts(m_ui->list(1));
        for (int i = 0; i < m_ui->list(2)->count(); ++i)
            if (m_ui->list(2)->item(i)->isSelected())
                state << m_ui->list(2)->item(i)->text();
        state << QStringLiteral("%1 %2 %3")
                     .arg(m_ui->menu("TypeDisp")->isChecked())
                     .arg(m_ui->menu("LogicalDisp")->isChecked())
                     .arg(m_ui->button(5)->isEnabled());
        for (const QStringList& row : gridCells(m_ui->grid()))
            state << row.join(QLatin1Char('|'));
        return state;
    }
    void openFresh() {
        closeMainWindow(m_form, m_ui);
        QVERIFY(openMainWindow(m_form, m_ui));
        m_boxes.clear();
        m_ui->menu("QueryOpen")->trigger();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        startWindowTests(m_boxes, m_dir.path());
        zemo::WriteProfile(QStringLiteral(ZEMO_DEMO_DB), QString(), QString(), QStringLiteral("デモ"),
                           zemo::profileFilePath());
        Form1::setQueryFileChooser([this](QWidget*, bool) { return m_chosen; });
    }
    void init() { QVERIFY(openMainWindow(m_form, m_ui)); }
    void cleanup() { closeMainWindow(m_form, m_ui); }

    // Saved, then opened by a new main window that is not connected: the window as it was, the values
    // as last given, and 抽出 assembles the same statement byte for byte.
    void reopenedQueryAssemblesTheSameStatement() {
        QVERIFY(!m_ui->connectWith(QStringLiteral("デモ")));
        m_ui->markTables({QStringLiteral("部署別売上"), QStringLiteral("ORDERS")});
        m_ui->pickDisplayItems({QStringLiteral("T2.部署名"), QStringLiteral("T1.ORDER_NO")});
        m_ui->addCondition(QStringLiteral("Where"), QStringLiteral(" T1.ORDER_DATE "), QStringLiteral(">="),
                           QStringLiteral(":開始日"));
        for (const char* op : {"=", "!=", "<>", "^=", "<=", ">", "<", "In", "Not In", "Is Null",
                               "Is Not Null", "Like", "Not Like", "Between", "Not Between"})
            m_ui->addCondition(QStringLiteral("Or"), QStringLiteral("T2.部署名"), QString::fromLatin1(op),
                               QByteArray(op).startsWith("Is") ? QString()
                                                               : QStringLiteral("'O''Reilly \"営業\" ; --'"));
        m_ui->addCondition(QStringLiteral("And"), QStringLiteral("T1.STATUS"), QStringLiteral("="),
                           QStringLiteral(":状態"));
        m_ui->menu("TypeDisp")->trigger();
        m_ui->menu("LogicalDisp")->trigger();
        const QStringList values{QStringLiteral("2024-11-01"), QStringLiteral("出荷済")};
        QStringList shown;
        extract(values, shown);
        const QString before = gSqlText;
        const QStringList state = windowState();
        m_chosen = m_dir.filePath(QStringLiteral("query.zemoq"));
        m_ui->menu("QuerySaveAs")->trigger();

        openFresh();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        QVERIFY(zemo::isConnected() && m_ui->button(7)->isEnabled());
        QCOMPARE(windowState(), state);
        // One dialog for every placeholder in the order of first use, with the last values; the
        // statement box keeps the placeholders.
        shown.clear();
        QVERIFY(extract(values, shown).contains(QStringLiteral("= :状態")));
        QCOMPARE(shown, (QStringList{QStringLiteral(":開始日2024-11-01"), QStringLiteral(":状態出荷済")}));
        QCOMPARE(gSqlText, before);
        // 上書き保存 writes the same file again.
        const QByteArray saved = readFile(m_chosen);
        m_ui->menu("QuerySave")->trigger();
        QCOMPARE(readFile(m_chosen), saved);
    }

    // What is gone is named in one message; the rest comes back.
    void goneTablesAndColumns() {
        zemo::SavedQuery q;
        q.profile = QStringLiteral("デモ");
        q.tables = {{0, QStringLiteral("NO_SUCH_TABLE")}, {1, QStringLiteral("ORDERS")}};
        q.items = {QStringLiteral("T2.ORDER_NO"), QStringLiteral("T2.FAX")};
        q.conditions = {
            {QStringLiteral("Where"), QStringLiteral("T2.OLD"), QStringLiteral("="), QStringLiteral("T1.X")}};
        m_chosen = m_dir.filePath(QStringLiteral("gone.zemoq"));
        zemo::writeSavedQuery(q, m_chosen);
        openFresh();
        QCOMPARE(m_boxes,
                 QStringList{QStringLiteral(
                     "エラーメッセージ|メッセージ：保存したときのテーブル・列のうち、次のものは"
                     "もうありません。残りを元に戻しました。\rNO_SUCH_TABLE（T1）、T2.FAX、T2.OLD")});
        QCOMPARE(m_ui->list(2)->selectedItems().size(), 1);
        QCOMPARE(texts(m_ui->list(1)), QStringList{QStringLiteral("Where T2.OLD = T1.X ")});
        QCOMPARE(gFromList, QStringLiteral(",\r\nORDERS T2"));
        // A profile the profile file lacks: told with its number, nothing connects.
        q.profile = QStringLiteral("どこにもない");
        zemo::writeSavedQuery(q, m_chosen);
        openFresh();
        QVERIFY(m_boxes.value(0).startsWith(QStringLiteral("エラーメッセージ|エラー番号：1105\r")));
        QVERIFY(!zemo::isConnected());
    }
};

QTEST_MAIN(TestQueryFiles)
#include "test_query_files.moc"
