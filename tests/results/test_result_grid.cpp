#include "grid/GridWidget.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/AllocationLimit.h"
#include "support/Connect.h"
#include "support/Files.h"
#include "support/GridText.h"
#include "support/Modal.h"
#include "support/WindowTests.h"
#include "support/XlsxReader.h"
#include "ui/DbWait.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace zemo;
using namespace zemo::test;

namespace {

const QString kXlsxFilter = QStringLiteral("Excel ブック (*.xlsx)");

// Every grid row in the order shown, the cells in the order the columns are shown.
QList<QStringList> shownRows(const GridWidget* g) {
    QList<QStringList> out;
    const QList<int> cols = g->visualColumns();
    for (int r = 0; r < g->Rows(); ++r) {
        QStringList row;
        for (const int c : cols)
            row << g->TextMatrix(r, c);
        out << row;
    }
    return out;
}

// Orders with values a spreadsheet would change if it could: 19-digit numbers, leading zeros, a
// formula, Japanese, an emoji, line breaks.
const char* const kAwkwardOrders =
    "select o.ORDER_NO, o.TRACKING_NO, o.ORDER_DATE, c.CUST_NAME, '000' || o.ORDER_NO as CODE, "
    "'=SUM(A1:A' || o.CUST_ID || ')' as F, '+81-' || c.PHONE as TEL, '1e' || (o.ORDER_NO % 7) as E, "
    "c.CUST_NAME || ' 😀' || char(13, 10) || '二行目' as NOTE "
    "from ORDERS o join CUSTOMERS c on c.CUST_ID = o.CUST_ID where o.ORDER_NO % 100 = 7";

} // namespace

// The result grid beyond its design: its right-click menu, the copies with headings, the Excel
// workbook, and what a heading click does when memory runs out.
class TestResultGrid : public QObject {
    Q_OBJECT

    QWidget* m_main = nullptr;
    QStringList m_boxes;
    QTemporaryDir m_dir;

    GridWidget* grid(Form4& f) { return f.findChild<GridWidget*>(QStringLiteral("VSFlexGrid1")); }
    // The result window after running `sql`, on screen; null when it did not come up.
    std::unique_ptr<Form4> openWith(const QString& sql) {
        gSqlText = sql;
        auto f = std::make_unique<Form4>(m_main);
        f->show();
        return QTest::qWaitForWindowExposed(f.get()) && zemo::test::waitForRuns() ? std::move(f) : nullptr;
    }
    // A right click on the grid's cells; the menu it brings up.
    QMenu* rightClick(Form4& f) {
        GridWidget* g = grid(f);
        const QPoint p = g->visualRect(g->model()->index(0, 0)).center();
        QTest::mouseClick(g->viewport(), Qt::RightButton, {}, p);
        QContextMenuEvent ev(QContextMenuEvent::Mouse, p, g->viewport()->mapToGlobal(p));
        QApplication::sendEvent(g->viewport(), &ev);
        return f.findChild<QMenu*>(QStringLiteral("ResultGridMenu"));
    }
    // Clicks a menu entry as the user does: the menu closes, then the entry runs.
    void choose(QMenu* menu, const char* action) {
        QAction* a = menu->findChild<QAction*>(QLatin1String(action));
        QVERIFY(a);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    }

private Q_SLOTS:
    void initTestCase() {
        installFontSubstitutes();
        m_main = new QWidget;
        new QListWidget(m_main);
        setMainWindow(m_main);
        gOraDatabase = zemo::test::openDemo();
    }
    void cleanupTestCase() {
        MessagePresenter::setHandler({});
        zemo::resetSession();
        delete m_main;
    }
    void init() {
        m_boxes.clear();
        zemo::test::collectMessageBoxes(m_boxes);
    }

    void menuCopiesAsCtrlCAndWithHeadings() {
        const auto form = openWith(
            QStringLiteral("select 'a' || char(9) || 'b' as 'X Y', 'x\"y' as Q union all select 'p', 'q' "
                           "union all select 'r', 's'"));
        QVERIFY(form);
        Form4& f = *form;
        GridWidget* g = grid(f);
        g->setFocus();
        g->horizontalHeader()->moveSection(1, 0);
        g->selectionModel()->select(QItemSelection(g->model()->index(0, 0), g->model()->index(1, 1)),
                                    QItemSelectionModel::ClearAndSelect);
        QClipboard* clip = QGuiApplication::clipboard();
        QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
        const QString ctrlC = clip->text();
        QCOMPARE(ctrlC, QStringLiteral("\"x\"\"y\"\t\"a\tb\"\r\nq\tp\r\n"));

        QMenu* menu = rightClick(f);
        QVERIFY(menu);
        QStringList texts;
        for (const QAction* a : menu->actions())
            if (!a->isSeparator())
                texts << a->text();
        QCOMPARE(texts, QStringList({"コピー", "見出し付きでコピー", "ＣＳＶ出力...", "Excel 出力..."}));
        clip->setText(QStringLiteral("before"));
        choose(menu, "CopyAction");
        QCOMPARE(clip->text(), ctrlC);
        choose(rightClick(f), "CopyWithHeadingsAction");
        QCOMPARE(clip->text(), QStringLiteral("Q\tX Y\r\n") + ctrlC);
        // The right click on a selected cell keeps the selection.
        QCOMPARE(g->selectionModel()->selectedIndexes().size(), 4);
    }

    // Through the menu and the real save dialog: every cell reads back as the grid shows it, after a
    // sort and a column drag.
    void workbookFromTheMenuReadsBack() {
        const auto form = openWith(QString::fromUtf8(kAwkwardOrders));
        QVERIFY(form);
        Form4& f = *form;
        GridWidget* g = grid(f);
        QVERIFY(g->Rows() > 10);
        clickHeading(g, 1);
        clickHeading(g, 1); // TRACKING_NO descending
        g->horizontalHeader()->moveSection(8, 0);
        QStringList filters;
        QString selected, suffix, name;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            d->setDirectory(m_dir.path());
            filters = d->nameFilters();
            selected = d->selectedNameFilter();
            suffix = d->defaultSuffix();
            name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            static_cast<QDialog*>(d)->accept();
        });
        choose(rightClick(f), "XlsxExportAction");
        QCOMPARE(filters, QStringList({"csv(*.csv)", kXlsxFilter}));
        QCOMPARE(selected, kXlsxFilter);
        QCOMPARE(suffix, QStringLiteral("xlsx"));
        QCOMPARE(name, QStringLiteral("ZEMO_tbl.xlsx"));
        QVERIFY(m_boxes.isEmpty());

        const QJsonDocument book = readXlsx(m_dir.filePath(QStringLiteral("ZEMO_tbl.xlsx")));
        QVERIFY(!book.isNull());
        QCOMPARE(xlsxTexts(book), shownRows(g));
        // NOTE was dragged first: ORDER_NO is the third sheet column, TRACKING_NO the fourth.
        QCOMPARE(xlsxKind(book, 1, 2), QStringLiteral("n"));
        QCOMPARE(xlsxKind(book, 1, 3), QStringLiteral("s"));
        QCOMPARE(xlsxTexts(book)[1][3].size(), 19);
    }

    // ＣＳＶ出力's dialog: choosing the Excel filter makes the name and the file a workbook.
    void saveDialogFilterDecidesTheFormat() {
        const auto form = openWith(QStringLiteral("select DEPT_ID, DEPT_NAME from DEPARTMENTS"));
        QVERIFY(form);
        Form4& f = *form;
        QTemporaryDir dir;
        QString before, after;
        // A bare name gets the chosen filter's suffix (first, while the folder is empty: a name in the
        // box that exists is selected in the list and would be asked about).
        whenModal<QFileDialog>([&](QFileDialog* d) {
            d->setDirectory(dir.path());
            auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Down);
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("book"));
            static_cast<QDialog*>(d)->accept();
        });
        f.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        // The name in the box follows the filter.
        whenModal<QFileDialog>([&](QFileDialog* d) {
            d->setDirectory(dir.path());
            before = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Down);
            after = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            static_cast<QDialog*>(d)->accept();
        });
        f.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        QCOMPARE(before, QStringLiteral("ZEMO_tbl.csv"));
        QCOMPARE(after, QStringLiteral("ZEMO_tbl.xlsx"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"book.xlsx", "ZEMO_tbl.xlsx"}));
        for (const char* file : {"book.xlsx", "ZEMO_tbl.xlsx"})
            QVERIFY(readFile(dir.filePath(QLatin1String(file))).startsWith("PK\x03\x04"));
        QVERIFY(m_boxes.isEmpty());
    }

    // A typed .csv or .xlsx decides the format whatever filter is shown; another name gets the shown
    // filter's suffix, and a file of that final name is asked about.
    void typedNameDecidesTheFormat_data() {
        QTest::addColumn<bool>("excelShown");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("exists");
        QTest::newRow(".xlsx, CSV shown") << false << "report.xlsx"
                                          << "report.xlsx" << false;
        QTest::newRow(".csv, Excel shown") << true << "data.csv"
                                           << "data.csv" << false;
        QTest::newRow("bare, Excel shown") << true << "book"
                                           << "book.xlsx" << false;
        QTest::newRow(".txt, CSV shown") << false << "report.txt"
                                         << "report.txt.csv" << false;
        QTest::newRow(".txt, final name exists") << false << "report.txt"
                                                 << "report.txt.csv" << true;
    }
    void typedNameDecidesTheFormat() {
        QFETCH(bool, excelShown);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(bool, exists);
        const auto form = openWith(QStringLiteral("select DEPT_ID, DEPT_NAME from DEPARTMENTS"));
        QVERIFY(form);
        QTemporaryDir dir;
        QFile old(dir.filePath(written));
        QVERIFY(!exists || (old.open(QIODevice::WriteOnly) && old.write("old") == 3));
        old.close();
        QString asked;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            d->setDirectory(dir.path());
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
            if (exists)
                whenModal<QMessageBox>([&asked](QMessageBox* box) {
                    asked = box->text();
                    box->button(QMessageBox::Yes)->click();
                });
            static_cast<QDialog*>(d)->accept();
        });
        if (excelShown)
            choose(rightClick(*form), "XlsxExportAction");
        else
            form->findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({written}));
        QCOMPARE(asked.contains(written), exists);
        const QByteArray bytes = readFile(dir.filePath(written));
        QVERIFY(written.endsWith(QLatin1String(".xlsx"))
                    ? bytes.startsWith("PK\x03\x04")
                    : bytes.startsWith("\xEF\xBB\xBF,DEPT_ID,DEPT_NAME\r\n"));
        QVERIFY(m_boxes.isEmpty());
    }

    // Told only once the file is there; a failure is the common error box and leaves nothing.
    void workbookLimitsAndFailuresAreTold() {
        gSqlText = QStringLiteral(
            "select 'x' as A, substr(replace(hex(zeroblob(20000)), '0', 'ab'), 1, 40000) as B");
        Form4 f(m_main);
        zemo::test::showWindow(f);
        const QString path = m_dir.filePath(QStringLiteral("long.xlsx"));
        bool writtenWhenTold = false;
        MessagePresenter::setHandler([&](QWidget*, const QString& title, const QString& text) {
            m_boxes << title + QLatin1Char('|') + text;
            writtenWhenTold = QFile::exists(path);
        });
        Form4::setSaveFileChooser([path](QWidget*) { return path; });
        f.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        QCOMPARE(m_boxes, QStringList({"ZEMO-DB　お知らせ|1個のセルが "
                                       "32,767文字を超えていたため、32,767文字までを保存しました。"}));
        QVERIFY(writtenWhenTold);
        QCOMPARE(xlsxTexts(readXlsx(path))[1][2].size(), 32767);

        m_boxes.clear();
        const QString nowhere = m_dir.filePath(QStringLiteral("missing/x.xlsx"));
        Form4::setSaveFileChooser([nowhere](QWidget*) { return nowhere; });
        f.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        Form4::setSaveFileChooser({});
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].startsWith(QStringLiteral("エラーメッセージ|エラー番号：1201\rメッセージ：")),
                 qPrintable(m_boxes[0]));
        QVERIFY(!QFile::exists(nowhere));
    }

    // A large export shows a bar of rows written of rows with 中止 once it has lasted the delay; 中止
    // leaves the old file as it was, without a box, and the next export writes it whole.
    void longExportShowsProgressAndStops_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("CSV") << QStringLiteral("big.csv");
        QTest::newRow("Excel") << QStringLiteral("big.xlsx");
    }
    void longExportShowsProgressAndStops() {
        QFETCH(QString, name);
        const auto form = openWith(
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 300000) "
                           "select i, 'row ' || i as T from n"));
        QVERIFY(form);
        Form4& f = *form;
        const QString path = m_dir.filePath(name);
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old contents");
        }
        zemo::DbWait::setProgressDelay(0);
        QString label;
        int maximum = -1, value = -1;
        bool modal = false;
        whenModal<QProgressDialog>([&](QProgressDialog* d) {
            QTRY_VERIFY(d->value() > 0);
            label = d->labelText();
            maximum = d->maximum();
            value = d->value();
            modal = d->windowModality() == Qt::ApplicationModal;
            auto* stop = d->findChild<QPushButton*>();
            QCOMPARE(stop->text(), QStringLiteral("中止"));
            stop->click();
        });
        Form4::setSaveFileChooser([path](QWidget*) { return path; });
        f.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        zemo::DbWait::setProgressDelay(1000);
        QVERIFY2(label.startsWith(QStringLiteral("書き込み中 ")) &&
                     label.endsWith(QStringLiteral(" / 300,000行")),
                 qPrintable(label));
        QCOMPARE(maximum, 300000);
        QVERIFY(value > 0 && value < 300000);
        QVERIFY(modal);
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        QCOMPARE(readFile(path), QByteArray("old contents"));
        QCOMPARE(QDir(m_dir.path())
                     .entryList({QLatin1Char('*') + name + QLatin1Char('*')}, QDir::Files | QDir::Hidden),
                 QStringList({name}));

        // Without 中止 the file is written whole.
        f.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        Form4::setSaveFileChooser({});
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        if (name.endsWith(QLatin1String(".xlsx"))) {
            QCOMPARE(readXlsx(path, true).array(), QJsonArray({QJsonArray{"sheet1.xml", "A1:C300001"}}));
        } else {
            const QByteArray written = readFile(path);
            QCOMPARE(written.count('\n'), 300001);
            QVERIFY(written.endsWith("300000,300000,row 300000\r\n"));
        }
    }

    void sortWithoutMemoryShowsTheErrorBox() {
        const auto form = openWith(
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000) "
                           "select (i * 7919) % 20000 as N from n"));
        QVERIFY(form);
        Form4& f = *form;
        GridWidget* g = grid(f);
        const QStringList before = gridColumn(g, 1);
        QCOMPARE(before.size(), 20000);
        {
            const test::AllocationLimit limit(256 * 1024);
            clickHeading(g, 0);
        }
        QCOMPARE(m_boxes, QStringList({QStringLiteral(
                              "エラーメッセージ|エラー番号：7\rメッセージ：メモリが不足しています")}));
        QCOMPARE(gridColumn(g, 1), before);
        QCOMPARE(g->horizontalHeader()->sortIndicatorSection(), -1);
        // With memory again the same click sorts.
        clickHeading(g, 0);
        QCOMPARE(g->TextMatrix(1, 1), QStringLiteral("0"));
        QCOMPARE(g->TextMatrix(20000, 1), QStringLiteral("19999"));
        QCOMPARE(m_boxes.size(), 1);
    }
};

QTEST_MAIN(TestResultGrid)
#include "test_result_grid.moc"
