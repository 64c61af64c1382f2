// Logical names and join conditions through the real windows on the private PostgreSQL cluster, over
// Qt's driver and over psqlODBC: the table dialog and 表示 → 論理名表示 show the comments, the joins
// come from the server's keys, and the statement and the CSV keep the names the server knows.
#include "profiles/ProfileStore.h"
#include "session/Module1.h"
#include "support/CsvReader.h"
#include "support/Files.h"
#include "support/MainWindowDriver.h"
#include "support/PgCluster.h"
#include "support/WindowTests.h"
#include "ui/DbWait.h"
#include "ui/FormSupport.h"
#include "ui/LogicalNameList.h"
#include "ui/MessagePresenter.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace zemo::test;

namespace {

// The tables behind the aliases of a FROM body ("EMPLOYEES T1,\r\nCUSTOMERS T2" gives T1 → EMPLOYEES).
QHash<QString, QString> tablesByAlias(const QString& from) {
    QHash<QString, QString> out;
    for (const QString& entry : from.split(QStringLiteral(",\r\n"))) {
        const QStringList parts = entry.split(QLatin1Char(' '));
        out.insert(parts.value(1), parts.value(0));
    }
    return out;
}

// A join line with table names for the aliases and its two sides in order, so that lines can be
// compared whatever aliases the listing order gave: "Where T4.CUST_ID = T1.CUST_ID " gives
// "CUSTOMERS.CUST_ID = ORDERS.CUST_ID".
QString byTable(const QString& line, const QHash<QString, QString>& tables) {
    static const QRegularExpression re(
        QStringLiteral("^(?:Where|And) (T\\d+)\\.(\\w+) = (T\\d+)\\.(\\w+) $"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return QStringLiteral("unexpected line: ") + line;
    QStringList sides{tables.value(m.captured(1)) + QLatin1Char('.') + m.captured(2),
                      tables.value(m.captured(3)) + QLatin1Char('.') + m.captured(4)};
    sides.sort();
    return sides.join(QStringLiteral(" = "));
}

} // namespace

class TestServerNames : public QObject {
    Q_OBJECT

    PgCluster pg;
    QTemporaryDir m_dir;
    QStringList m_boxes;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MainWindowDriver> m_ui;

    QString aliasOf(const QString& table) {
        zemo::GridWidget* g = m_ui->grid();
        for (int c = 0; c < g->Cols(); c += 2)
            if (g->TextMatrix(0, c) == table)
                return g->TextMatrix(1, c);
        return {};
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        QVERIFY(m_dir.isValid());
        zemo::test::startWindowTests(m_boxes, m_dir.path());
        zemo::DbWait::setProgressDelay(0);
        for (const char* via : {"QPSQL", "QODBC"})
            zemo::WriteProfile(pg.serviceVia(QLatin1String(via)), pg.user(), pg.password(),
                               QLatin1String(via), zemo::profileFilePath());
    }
    void init() {
        m_boxes.clear();
        QVERIFY(openMainWindow(m_form, m_ui));
    }
    void cleanup() { closeMainWindow(m_form, m_ui); }

    void namesAndJoins_data() { addBackendRows(); }
    void namesAndJoins() {
        QFETCH(QString, via);
        QVERIFY(!m_ui->connectWith(via));
        QVERIFY2(gOraDatabase, qPrintable(m_boxes.join(u'\n')));

        // The dialog lists each table with its comment's first line beside it.
        QStringList entries, shown;
        whenModal<Form2>([&](Form2* dlg) {
            auto* list = child<QListWidget>(dlg, QStringLiteral("List1"));
            entries = texts(list);
            shown = shownTexts(list);
            for (const char* t : {"ORDERS", "CUSTOMERS", "EMPLOYEES", "ORDER_LINES", "PRODUCTS"})
                select(list, QLatin1String(t));
            click(dlg, "Command1");
        });
        m_ui->button(3)->click();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        for (const auto& [table, logical] :
             {std::pair{"CUSTOMERS", "顧客"}, std::pair{"ORDER_LINES", "受注明細"},
              std::pair{"部署別売上", "部署別の売上"}}) {
            const qsizetype i = entries.indexOf(QString::fromUtf8(table));
            QVERIFY2(i >= 0, table);
            QCOMPARE(shown.at(i), QString::fromUtf8(table) + QStringLiteral("（") +
                                      QString::fromUtf8(logical) + QStringLiteral("）"));
        }
        QVERIFY(shown.contains(QStringLiteral("VALUE_SAMPLES"))); // no comment: the name alone
        QCOMPARE(gTableList.at(int(entries.indexOf(QStringLiteral("CUSTOMERS")))).name,
                 QStringLiteral("CUSTOMERS"));

        // The column grid and the display items with the column comments.
        const QString c = aliasOf(QStringLiteral("CUSTOMERS"));
        const QString o = aliasOf(QStringLiteral("ORDERS"));
        QVERIFY(!c.isEmpty() && !o.isEmpty());
        m_ui->menu("LogicalDisp")->trigger();
        const QStringList items = texts(m_ui->list(2));
        const QStringList itemsShown = shownTexts(m_ui->list(2));
        QCOMPARE(itemsShown.at(items.indexOf(c + QStringLiteral(".CUST_NAME"))),
                 c + QStringLiteral(".CUST_NAME（顧客名）"));
        QCOMPARE(m_ui->list(2)->item(int(items.indexOf(o + QStringLiteral(".EMP_ID"))))->toolTip(),
                 QStringLiteral("担当社員ID"));

        // One line per key between the five tables, whatever aliases the listing gave them.
        m_ui->menu("JoinAdd")->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        const QStringList lines = texts(m_ui->list(1));
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith(QLatin1String("Where ")));
        const QHash<QString, QString> tables = tablesByAlias(gFromList);
        QStringList joined;
        for (const QString& line : lines)
            joined << byTable(line, tables);
        joined.sort();
        QCOMPARE(joined,
                 QStringList({"CUSTOMERS.CUST_ID = ORDERS.CUST_ID", "EMPLOYEES.EMP_ID = ORDERS.EMP_ID",
                              "ORDERS.ORDER_NO = ORDER_LINES.ORDER_NO",
                              "ORDER_LINES.PRODUCT_ID = PRODUCTS.PRODUCT_ID"}));
        m_ui->menu("JoinAdd")->trigger();
        QCOMPARE(texts(m_ui->list(1)), lines);

        // The statement and the CSV keep the names; the headings show the comments beside them.
        m_ui->pickDisplayItems({c + QStringLiteral(".CUST_NAME"), o + QStringLiteral(".ORDER_NO")});
        const QString csvPath = m_dir.filePath(via + QStringLiteral(".csv"));
        QStringList headings;
        QString caption;
        m_ui->extract([&](Form4* f) {
            auto* g = child<zemo::GridWidget>(f, QStringLiteral("VSFlexGrid1"));
            for (int col = 1; col < g->Cols(); ++col)
                headings << g->gridModel()->headerData(col - 1, Qt::Horizontal).toString();
            caption = child<QLabel>(f, QStringLiteral("Label3"))->text();
            Form4::setSaveFileChooser([csvPath](QWidget*) { return csvPath; });
            click(f, "Command3");
            Form4::setSaveFileChooser({});
        });
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        QCOMPARE(gSqlText, QStringLiteral("select \r\n%1.CUST_NAME,\r\n%2.ORDER_NO \r\nFROM \r\n").arg(c, o) +
                               gFromList + QStringLiteral(" \r\n") + lines.join(QStringLiteral(" \r\n")) +
                               QStringLiteral(" \r\n"));
        QVERIFY(!gSqlText.contains(QStringLiteral("顧客")));
        QCOMPARE(caption, QStringLiteral(":10000件"));
        // The server folds unquoted names to lower case; the logical names follow them.
        QCOMPARE(headings, QStringList({"cust_name（顧客名）", "order_no（受注番号）"}));
        QList<QStringList> csv;
        QVERIFY(readCsv(readFile(csvPath), csv));
        QCOMPARE(csv.size(), 10001);
        QCOMPARE(csv.first().mid(1), QStringList({"cust_name", "order_no"}));
    }
};

QTEST_MAIN(TestServerNames)
#include "test_server_names.moc"
