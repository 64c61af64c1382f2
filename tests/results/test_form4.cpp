#include "base/Twips.h"
#include "grid/GridWidget.h"
#include "results/Form4.h"
#include "results/Form4Logic.h"
#include "session/Module1.h"
#include "support/Connect.h"
#include "support/CsvReader.h"
#include "support/Files.h"
#include "support/GridText.h"
#include "support/Modal.h"
#include "support/WindowTests.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"
#include "ui/QueryBuilderWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <sqlite3.h>

using namespace zemo;
using test::gridColumn;

namespace {

QStringList numbersUpTo(int n) {
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QString::number(i);
    return out;
}

using zemo::test::whenModal;

// How a run whose rows still arrive ends.
enum EndBy { ByStop, ByRunAgain, ByClose };

// A main window that offers its display items, as the result window asks for them.
class DisplayItemsWindow : public QWidget, public zemo::QueryBuilderWindow {
public:
    QStringList items;
    void resetColumnPicker() override {}
    void clearColumnPicker() override {}
    void showTableColumns(int, const QString&, const QList<zemo::TableColumn>&, const QString&) override {}
    void applyAttributeColumns() override {}
    QStringList displayItemTexts() const override { return items; }
};

} // namespace

class TestForm4 : public QObject {
    Q_OBJECT

    DisplayItemsWindow* m_main = nullptr;
    QStringList m_boxes;
    QTemporaryDir m_dir;

    GridWidget* grid(Form4& f) { return f.findChild<GridWidget*>(QStringLiteral("VSFlexGrid1")); }
    QLabel* label3(Form4& f) { return f.findChild<QLabel*>(QStringLiteral("Label3")); }
    QPlainTextEdit* text1(Form4& f) { return f.findChild<QPlainTextEdit*>(QStringLiteral("Text1")); }
    // A click, then every row of a run it started.
    void click(Form4& f, const char* button) {
        f.findChild<QPushButton*>(QLatin1String(button))->click();
        QVERIFY(zemo::test::waitForRuns());
    }
    void clickHeading(GridWidget* g, int section) {
        QHeaderView* h = g->horizontalHeader();
        const QPoint p(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
    }
    void openDemo() { gOraDatabase = zemo::test::openDemo(); }
    // A database with table t holding x = 1 .. 10.
    void openTenRows() {
        const QString path = m_dir.filePath(QStringLiteral("ten.db"));
        if (!QFile::exists(path)) {
            sqlite3* raw = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
            sqlite3_exec(raw,
                         "create table t(x integer); with recursive n(i) as (select 1 union all select i + 1 "
                         "from n where i < 10) insert into t select i from n;",
                         nullptr, nullptr, nullptr);
            sqlite3_close(raw);
        }
        gOraDatabase = zemo::DbConnection::openNow(path, QStringLiteral("u/p"));
    }
    QString exportCsv(Form4& f, const QString& name) {
        const QString path = m_dir.filePath(name);
        Form4::setSaveFileChooser([path](QWidget*) { return path; });
        click(f, "Command3");
        Form4::setSaveFileChooser({});
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        installFontSubstitutes();
        m_main = new DisplayItemsWindow;
        m_main->items = {QStringLiteral("T1.ORDER_NO"), QStringLiteral("T1.LINE_NO"),
                         QStringLiteral("T1.AMOUNT")};
        setMainWindow(m_main);
        zemo::test::collectMessageBoxes(m_boxes);
    }
    void cleanupTestCase() {
        MessagePresenter::setHandler({});
        zemo::resetSession();
        delete m_main;
    }
    void init() {
        m_boxes.clear();
        gSqlText.clear();
        openDemo();
        setMainWindow(m_main);
    }

    void designStateWhenNothingToRun() {
        Form4 f(m_main);
        zemo::test::showWindow(f);
        QCOMPARE(f.windowTitle(), QStringLiteral("ZEMO-DB　抽出"));
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(text1(f)->toPlainText(), QString());
        QCOMPARE(f.findChild<QListWidget*>(QStringLiteral("List2"))->count(), 0);
        QCOMPARE(grid(f)->Rows(), 1);
        QCOMPARE(grid(f)->Cols(), 10);
        QCOMPARE(zemo::test::readFile(exportCsv(f, QStringLiteral("design.csv"))),
                 QByteArray("\xEF\xBB\xBF,,,,,,,,,\r\n"));

        // A statement typed over several lines runs with its line breaks as blanks.
        text1(f)->setPlainText(QStringLiteral("select DEPT_ID,\nDEPT_NAME\nfrom DEPARTMENTS"));
        click(f, "Command1");
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        QCOMPARE(grid(f)->Rows(), 7);
        QCOMPARE(grid(f)->TextMatrix(0, 2), QStringLiteral("DEPT_NAME"));
        QCOMPARE(label3(f)->text(), QStringLiteral(":6件"));
        QCOMPARE(statementToRun(QStringLiteral("a\r\nb\rc\nd\r\n")), QStringLiteral("a b\rc\nd "));
    }

    // Only a CR LF pair becomes a blank: no-break spaces, line separators and lone CR or LF inside
    // literals reach the database as they stand, also after the user has edited other parts of the box.
    void statementCharactersReachTheDatabaseUnchanged() {
        const QString nbsp(QChar(0x00A0)), ls(QChar::LineSeparator), ps(QChar::ParagraphSeparator);
        gSqlText = QStringLiteral("select\r\n'a") + nbsp + QStringLiteral("b' as V1,\r\n'c") + ls +
                   QStringLiteral("d' as V2, 'e\nf' as V3, 'g\rh' as V4, 'i") + ps +
                   QStringLiteral("j' as V5\r\n");
        const QStringList want{QStringLiteral("a") + nbsp + QStringLiteral("b"),
                               QStringLiteral("c") + ls + QStringLiteral("d"), QStringLiteral("e\nf"),
                               QStringLiteral("g\rh"), QStringLiteral("i") + ps + QStringLiteral("j")};
        Form4 f(m_main);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(zemo::test::waitForRuns());
        GridWidget* g = grid(f);
        const auto row = [g] {
            QStringList out;
            for (int c = 1; c < g->Cols(); ++c)
                out << g->TextMatrix(1, c);
            return out;
        };
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        QCOMPARE(row(), want);

        // Typed at the end: a new line and a condition that holds only when the loaded and the typed
        // no-break spaces both arrive.
        QPlainTextEdit* box = text1(f);
        box->setFocus();
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, QStringLiteral("where V1 = 'a") + nbsp + QStringLiteral("b' and 'x") + nbsp +
                                  QStringLiteral("y' <> 'x y'"));
        click(f, "Command1");
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        QCOMPARE(row(), want);
        // An edit in the middle leaves the characters on either side alone.
        QTextCursor c = box->document()->find(QStringLiteral("V2"));
        c.insertText(QStringLiteral("W2"));
        click(f, "Command1");
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        QCOMPARE(g->TextMatrix(0, 2), QStringLiteral("W2"));
        QCOMPARE(row(), want);
    }

    void statementBoxTextFollowsEachEdit() {
        StatementBoxText t;
        // Never loaded: everything counts as typed, block breaks run as blanks.
        QCOMPARE(t.statement(QStringLiteral("a\u2029b\u00A0")), QStringLiteral("a b\u00A0"));
        t.load(QStringLiteral("x\r\ny\nz\r"), QStringLiteral("x\u2029y\u2029z\u2029"));
        QCOMPARE(t.statement(QStringLiteral("x\u2029y\u2029z\u2029")), QStringLiteral("x y\nz\r"));
        // A block break typed beside the lone LF: a CR LF of its own (a blank), the LF stays.
        QCOMPARE(t.statement(QStringLiteral("x\u2029y\u2029\u2029z\u2029")), QStringLiteral("x y\n z\r"));
        // Two edits far apart leave the characters between them alone.
        t.edited(QStringLiteral("Ax\u2029y\u2029\u2029z\u2029"));
        QCOMPARE(t.statement(QStringLiteral("Ax\u2029y\u2029\u2029z\u2029B")), QStringLiteral("Ax y\n z\rB"));
        // Everything deleted, then typed anew.
        QCOMPARE(t.statement(QString()), QString());
        QCOMPARE(t.statement(QStringLiteral("q")), QStringLiteral("q"));
        // A box that did not hold what the text gives: what it holds counts as typed.
        t.load(QStringLiteral("x\r\ny"), QStringLiteral("x y"));
        QCOMPARE(t.statement(QStringLiteral("x y")), QStringLiteral("x y"));
        QCOMPARE(t.statement(QStringLiteral("x\u2029y")), QStringLiteral("x y"));
    }

    void everyRowArrivesAndASecondRunStartsAfresh() {
        gSqlText = QStringLiteral(
            "select \r\nT1.ORDER_NO,\r\nT1.LINE_NO,\r\nT1.AMOUNT \r\nFROM \r\nORDER_LINES T1 \r\n");
        Form4 f(m_main);
        zemo::test::showWindow(f);
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(text1(f)->toPlainText(),
                 QString(gSqlText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        auto* list = f.findChild<QListWidget*>(QStringLiteral("List2"));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(2)->text(), QStringLiteral("T1.AMOUNT"));
        GridWidget* g = grid(f);
        QCOMPARE(g->Rows(), 10001);
        QCOMPARE(g->Cols(), 4);
        QCOMPARE(label3(f)->text(), QStringLiteral(":10000件"));
        QCOMPARE(g->TextMatrix(0, 1), QStringLiteral("ORDER_NO"));

        auto rs = OracleSession()
                      .OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("u/p"))
                      ->CreateDynaset(QStringLiteral("select cast(ORDER_NO as text), cast(LINE_NO as text), "
                                                     "cast(AMOUNT as text) from ORDER_LINES"));
        int row = 1;
        for (; !rs->Eof(); rs->MoveNext(), ++row) {
            QStringList want{QString::number(row)}, got{g->TextMatrix(row, 0)};
            for (int j = 0; j < 3; ++j) {
                want << rs->Fields(j).Value().toString();
                got << g->TextMatrix(row, j + 1);
            }
            if (want != got)
                QFAIL(qPrintable(QStringLiteral("row %1: %2").arg(row).arg(got.join(QLatin1Char('|')))));
        }
        QCOMPARE(row, 10001);

        text1(f)->setPlainText(QStringLiteral("select 1 as ONE"));
        click(f, "Command1");
        QCOMPARE(g->Rows(), 2);
        QCOMPARE(g->Cols(), 2);
        QCOMPARE(g->TextMatrix(0, 1), QStringLiteral("ONE"));
        QCOMPARE(g->TextMatrix(1, 1), QStringLiteral("1"));
        QCOMPARE(label3(f)->text(), QStringLiteral(":1件"));

        text1(f)->setPlainText(QStringLiteral("select DEPT_ID, DEPT_NAME from DEPARTMENTS where 0"));
        click(f, "Command1");
        QCOMPARE(g->Rows(), 1);
        QCOMPARE(g->Cols(), 3);
        QCOMPARE(g->TextMatrix(0, 2), QStringLiteral("DEPT_NAME"));
        QCOMPARE(label3(f)->text(), QStringLiteral(":0件"));
        QVERIFY(m_boxes.isEmpty());
    }

    void noMainWindowMeansNoDisplayItems() {
        setMainWindow(nullptr);
        gSqlText = QStringLiteral("select 1");
        Form4 f;
        zemo::test::showWindow(f);
        QCOMPARE(f.findChild<QListWidget*>(QStringLiteral("List2"))->count(), 0);
        QCOMPARE(grid(f)->Rows(), 2);
    }

    void failuresAreShownAndKeepWhatArrived() {
        openTenRows();
        gSqlText = QStringLiteral("select x from t where x <= 3");
        Form4 f(m_main);
        zemo::test::showWindow(f);
        QCOMPARE(label3(f)->text(), QStringLiteral(":3件"));
        GridWidget* g = grid(f);

        text1(f)->setPlainText(
            QStringLiteral("select x, case when x = 6 then abs(-9223372036854775808) end from t"));
        click(f, "Command1");
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].startsWith(QStringLiteral("エラーメッセージ|エラー番号：")),
                 qPrintable(m_boxes[0]));
        QVERIFY2(m_boxes[0].contains(QStringLiteral("\rメッセージ：integer overflow")),
                 qPrintable(m_boxes[0]));
        QCOMPARE(g->Rows(), 6);
        QCOMPARE(gridColumn(g, 1), numbersUpTo(5));
        QCOMPARE(gridColumn(g, 0), numbersUpTo(5));
        QCOMPARE(label3(f)->text(), QStringLiteral(":3件"));
        QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);

        // Rejected at the query step: one empty cell.
        text1(f)->setPlainText(QStringLiteral("select * from nowhere"));
        click(f, "Command1");
        QCOMPARE(m_boxes.size(), 2);
        QVERIFY(m_boxes[1].contains(QStringLiteral("no such table: nowhere")));
        QCOMPARE(g->Rows(), 1);
        QCOMPARE(g->Cols(), 1);
        QCOMPARE(g->TextMatrix(0, 0), QString());
        QCOMPARE(label3(f)->text(), QStringLiteral(":3件"));
    }

    void headingClicksSortAndRenumber() {
        gSqlText = QStringLiteral("select DEPT_ID * 25 - 240 as N, DEPT_NAME, LOCATION from DEPARTMENTS");
        Form4 f(m_main);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(zemo::test::waitForRuns());
        GridWidget* g = grid(f);
        const QStringList names = gridColumn(g, 2);

        clickHeading(g, 0);
        QCOMPARE(gridColumn(g, 1), QStringList({"10", "260", "510", "760", "1010", "1260"}));
        QCOMPARE(gridColumn(g, 0), numbersUpTo(6));
        clickHeading(g, 0);
        QCOMPARE(gridColumn(g, 1), QStringList({"1260", "1010", "760", "510", "260", "10"}));
        QCOMPARE(gridColumn(g, 0), numbersUpTo(6));

        clickHeading(g, 1);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.toUcs4() < b.toUcs4(); });
        QCOMPARE(gridColumn(g, 2), sorted);
        QCOMPARE(gridColumn(g, 0), numbersUpTo(6));
        clickHeading(g, 1);
        std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(gridColumn(g, 2), sorted);
        QCOMPARE(gridColumn(g, 0), numbersUpTo(6));

        // The file follows the rows and the dragged column order on screen.
        g->horizontalHeader()->moveSection(2, 0);
        QList<QStringList> records;
        QVERIFY(readCsv(zemo::test::readFile(exportCsv(f, QStringLiteral("sorted.csv"))).mid(3), records));
        QCOMPARE(records.size(), 7);
        QCOMPARE(records[0], QStringList({"", "LOCATION", "N", "DEPT_NAME"}));
        for (int r = 1; r <= 6; ++r)
            QCOMPARE(records[r], QStringList({QString::number(r), g->TextMatrix(r, 3), g->TextMatrix(r, 1),
                                              sorted[r - 1]}));

        // New rows are in no sorted order: the next click on the same heading sorts ascending.
        clickHeading(g, 1); // ascending again
        click(f, "Command1");
        clickHeading(g, 1);
        std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(gridColumn(g, 2), sorted);
    }

    // Widths are fitted with the sort arrow's room, so a heading shows whole beside its arrow; the
    // arrow points up for ascending order and down for descending.
    void sortArrowHasRoomAndPointsUpForAscending() {
        gSqlText = QStringLiteral("select 1 as ORDER_DATE, 'x' as O, 12345678901234567890 as WIDE_VALUES");
        Form4 f(m_main);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(zemo::test::waitForRuns());
        GridWidget* g = grid(f);
        QHeaderView* h = g->horizontalHeader();
        for (int s = 0; s < h->count(); ++s) {
            QStyleOptionHeader opt;
            opt.initFrom(h);
            opt.state |= QStyle::State_Horizontal;
            opt.rect = QRect(0, 0, h->sectionSize(s), h->height());
            opt.text = g->TextMatrix(0, s + 1);
            opt.sortIndicator = QStyleOptionHeader::SortDown;
            const QRect label = h->style()->subElementRect(QStyle::SE_HeaderLabel, &opt, h);
            QVERIFY2(label.width() >= h->fontMetrics().horizontalAdvance(opt.text),
                     qPrintable(QStringLiteral("%1: %2 px for the text").arg(opt.text).arg(label.width())));
        }
        // Rows of the arrow's pixels, top to bottom: an arrow pointing up widens downwards.
        const auto arrowRows = [&](int section) {
            const QImage shot = h->grab().toImage();
            const int left = h->sectionViewportPosition(section);
            // Inside the section's borders.
            const QRect area(left + h->sectionSize(section) / 2, 2, h->sectionSize(section) / 2 - 3,
                             h->height() - 4);
            const int ground = qGray(shot.pixel(left + 2, h->height() / 2));
            QList<int> widths;
            for (int y = area.top(); y <= area.bottom(); ++y) {
                int n = 0;
                for (int x = area.left(); x <= area.right() && x < shot.width(); ++x)
                    n += qGray(shot.pixel(x, y)) < ground - 60 ? 1 : 0;
                if (n > 0)
                    widths << n;
            }
            return widths;
        };
        clickHeading(g, 1); // "O": its text leaves the right half to the arrow
        QList<int> rows = arrowRows(1);
        QVERIFY2(rows.size() >= 3 && rows.first() < rows.last(), qPrintable(QString::number(rows.size())));
        clickHeading(g, 1);
        rows = arrowRows(1);
        QVERIFY2(rows.size() >= 3 && rows.first() > rows.last(), qPrintable(QString::number(rows.size())));
    }

    void csvReadsBackCellForCell() {
        gSqlText = QStringLiteral("select 'a,b' as C1, 'say \"hi\"' as C2, 'cr' || char(13) || 'x' as C3, "
                                  "'lf' || char(10) || 'y' as C4, "
                                  "'crlf' || char(13, 10) || 'z' as C5, '  lead' as C6, 'trail  ' as C7, "
                                  "'日本語の値' as C8, '' as C9, "
                                  "NULL as C10, 9223372036854775807 as C11, -1234567890123456789 as C12");
        Form4 f(m_main);
        zemo::test::showWindow(f);
        QCOMPARE(grid(f)->TextMatrix(1, 11), QStringLiteral("9223372036854775807"));
        const QByteArray bytes = zemo::test::readFile(exportCsv(f, QStringLiteral("values.csv")));
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF") && bytes.endsWith("\r\n"));
        QList<QStringList> records;
        QVERIFY(readCsv(bytes.mid(3), records));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0], QStringList({"", "C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "C10",
                                          "C11", "C12"}));
        QCOMPARE(records[1],
                 QStringList({"1", "a,b", "say \"hi\"", "cr\rx", "lf\ny", "crlf\r\nz", "  lead", "trail  ",
                              "日本語の値", "", "", "9223372036854775807", "-1234567890123456789"}));
    }

    // Binary values as hex digits, text that is not UTF-8 decoded once: the grid, the clipboard and the
    // file agree, and the file is UTF-8.
    void binaryAndBrokenTextReadTheSameEverywhere() {
        gSqlText = QStringLiteral("select x'41FF005A' as B, x'' as E, cast(x'41FF42C3' as text) as T, "
                                  "'日本' as J");
        Form4 f(m_main);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(zemo::test::waitForRuns());
        GridWidget* g = grid(f);
        const QString bad = QStringLiteral("A\uFFFDB\uFFFD");
        const QStringList want{QStringLiteral("1"), QStringLiteral("41FF005A"), QString(), bad,
                               QStringLiteral("日本")};
        QStringList shown;
        for (int c = 0; c < g->Cols(); ++c)
            shown << g->TextMatrix(1, c);
        QCOMPARE(shown, want);
        QCOMPARE(g->model()->index(0, 0).data().toString(), QStringLiteral("41FF005A"));

        g->setFocus();
        g->selectionModel()->select(QItemSelection(g->model()->index(0, 0), g->model()->index(0, 3)),
                                    QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringList(want.mid(1)).join(QLatin1Char('\t')) + QStringLiteral("\r\n"));

        const QByteArray bytes = zemo::test::readFile(exportCsv(f, QStringLiteral("binary.csv")));
        QVERIFY(QByteArrayView(bytes).isValidUtf8());
        QList<QStringList> records;
        QVERIFY(readCsv(bytes.mid(3), records));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1], want);
    }

    void cancelledOrFailedExportWritesNothing() {
        gSqlText = QStringLiteral("select DEPT_ID from DEPARTMENTS");
        Form4 f(m_main);
        zemo::test::showWindow(f);
        QTemporaryDir dir;
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());

        Form4::setSaveFileChooser([](QWidget*) { return QString(); });
        click(f, "Command3");
        Form4::setSaveFileChooser({});

        // The real save dialog: its settings, then cancelled.
        QString suffix, name;
        QStringList filters;
        bool saveMode = false;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            suffix = d->defaultSuffix();
            filters = d->nameFilters();
            saveMode = d->acceptMode() == QFileDialog::AcceptSave;
            name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            d->reject();
        });
        click(f, "Command3");
        QCOMPARE(suffix, QStringLiteral("csv"));
        QCOMPARE(filters, QStringList({"csv(*.csv)", "Excel ブック (*.xlsx)"}));
        QVERIFY(saveMode);
        QCOMPARE(name, QStringLiteral("ZEMO_tbl.csv"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

        // Accepted unchanged: the default name in the folder it starts in; a name without extension gets
        // ".csv".
        whenModal<QFileDialog>([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
        click(f, "Command3");
        whenModal<QFileDialog>([](QFileDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("result"));
            static_cast<QDialog*>(d)->accept();
        });
        click(f, "Command3");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"result.csv", "ZEMO_tbl.csv"}));
        QDir::setCurrent(oldCwd);
        QVERIFY(m_boxes.isEmpty());

        // A file that cannot be written: the common box, and the window goes on working.
        Form4::setSaveFileChooser([&dir](QWidget*) { return dir.filePath(QStringLiteral("missing/x.csv")); });
        click(f, "Command3");
        Form4::setSaveFileChooser({});
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].startsWith(QStringLiteral("エラーメッセージ|エラー番号：1201\rメッセージ：")),
                 qPrintable(m_boxes[0]));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing/x.csv"))));
        click(f, "Command1");
        QCOMPARE(label3(f)->text(), QStringLiteral(":6件"));
    }

    void ctrlCAloneCopiesTheSelection() {
        gSqlText = QStringLiteral(
            "select 'a' || char(9) || 'b', 'x\"y' union all select 'p', 'q' union all select 'r', 's'");
        Form4 f(m_main);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(zemo::test::waitForRuns());
        GridWidget* g = grid(f);
        g->setFocus();
        g->selectionModel()->select(QItemSelection(g->model()->index(0, 0), g->model()->index(1, 1)),
                                    QItemSelectionModel::ClearAndSelect);
        QClipboard* clip = QGuiApplication::clipboard();
        for (const auto mods : {Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier),
                                Qt::KeyboardModifiers(Qt::NoModifier),
                                Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier)}) {
            clip->setText(QStringLiteral("before"));
            QTest::keyClick(g, Qt::Key_C, mods);
            QCOMPARE(clip->text(), QStringLiteral("before"));
        }
        QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clip->text(), QStringLiteral("\"a\tb\"\t\"x\"\"y\"\r\np\tq\r\n"));
        // Columns as the user dragged them.
        g->horizontalHeader()->moveSection(1, 0);
        QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clip->text(), QStringLiteral("\"x\"\"y\"\t\"a\tb\"\r\nq\tp\r\n"));
        // A sort takes the selected rows apart (q, s, x"y): the row between them is not copied.
        clickHeading(g, 1);
        QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clip->text(), QStringLiteral("q\tp\r\n\"x\"\"y\"\t\"a\tb\"\r\n"));
    }

    // The IPA fonts draw "_" below the line height Qt computes, where the next line paints over it
    // (seen under X at 96 DPI). The box leaves room below every line, also between the lines of a
    // statement line that wraps, as lists and grids do.
    void statementLinesLeaveRoomForUnderscores() {
        Form4 f(m_main);
        zemo::test::showWindow(f);
        QPlainTextEdit* box = text1(f);
        box->setPlainText(QStringLiteral("T1.CUST_NAME,\nT1.ORDER_DATE\n") + QString(400, QLatin1Char('_')));
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(zemo::test::waitForRuns());
        const int natural = QFontMetrics(box->font()).height();
        const auto lineTop = [box](int pos) {
            QTextCursor c(box->document());
            c.setPosition(pos);
            return box->cursorRect(c).top();
        };
        QVERIFY2(
            lineTop(14) - lineTop(0) >= natural + 2,
            qPrintable(
                QStringLiteral("%1 px apart, the font needs %2").arg(lineTop(14) - lineTop(0)).arg(natural)));
        QTextLayout* wrapped = box->document()->lastBlock().layout();
        QVERIFY(wrapped->lineCount() > 1);
        QVERIFY(wrapped->lineAt(1).y() - wrapped->lineAt(0).y() >= natural + 2);
        // The cursor still lands where it is clicked: on the second line, not the first.
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(8, lineTop(14) + 2));
        QCOMPARE(box->textCursor().blockNumber(), 1);
    }

    void layoutFollowsTheWindowSize() {
        const Form4Rects design{{240, 600, 5055, 3015},  {6000, 600, 4095, 2940}, {6000, 360, 975, 255},
                                {6000, 3600, 1335, 375}, {8760, 120, 1335, 375},  {8760, 3600, 1335, 375},
                                {5400, 1800, 480, 480},  {240, 4080, 9855, 4335}};
        const TwipsSize start = Form4::kOuterSize;
        auto res = layoutWindow(kForm4Resize, design, start, {start.width + 1000, start.height}, false);
        QVERIFY(res.laidOut);
        QCOMPARE(res.rects.Text1, (TwipsRect{240, 600, 5555, 3015}));
        QCOMPARE(res.rects.List2, (TwipsRect{6500, 600, 4595, 2940}));
        QCOMPARE(res.rects.Label4.left, 6500.f);
        QCOMPARE(res.rects.Command1.left, 6500.f);
        QCOMPARE(res.rects.Image1.left, 5900.f);
        QCOMPARE(res.rects.Command2, (TwipsRect{9760, 120, 1335, 375}));
        QCOMPARE(res.rects.Command3.left, 9760.f);
        QCOMPARE(res.rects.VSFlexGrid1, (TwipsRect{240, 4080, 10855, 4335}));
        QCOMPARE(res.remembered, (TwipsSize{start.width + 1000, start.height}));
        // An odd difference is halved exactly; height goes to the grid alone.
        res = layoutWindow(kForm4Resize, design, start, {start.width + 1001, start.height + 500}, false);
        QCOMPARE(res.rects.Text1.width, 5555.5f);
        QCOMPARE(res.rects.VSFlexGrid1.height, 4835.f);
        QCOMPARE(res.rects.Text1.height, 3015.f);
        // Too small springs back to the minimum; minimised changes nothing.
        res = layoutWindow(kForm4Resize, design, start, {5000, 3000}, false);
        QCOMPARE(res.enforced, (TwipsSize{7830, 5385}));
        QCOMPARE(res.rects.Command2.left, float(8760 + 7830 - start.width));
        res = layoutWindow(kForm4Resize, design, start, {5000, 3000}, true);
        QVERIFY(!res.laidOut);
        QCOMPARE(res.rects, design);

        // The window itself, widened by an inch (1440 twips).
        Form4 f(m_main);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(zemo::test::waitForRuns());
        const double dpi = f.screen()->logicalDotsPerInchX();
        const auto geo = [&f](const char* n) { return f.findChild<QWidget*>(QLatin1String(n))->geometry(); };
        const QRect text = geo("Text1"), list = geo("List2"), back = geo("Command2"),
                    grid = geo("VSFlexGrid1");
        f.resize(f.width() + twipsToPixels(1440, dpi), f.height());
        QTRY_COMPARE(geo("VSFlexGrid1").width(), grid.width() + twipsToPixels(1440, dpi));
        QCOMPARE(geo("Text1").width(), text.width() + twipsToPixels(720, dpi));
        QCOMPARE(geo("List2").left(), list.left() + twipsToPixels(720, dpi));
        QCOMPARE(geo("Command2").left(), back.left() + twipsToPixels(1440, dpi));
        QCOMPARE(geo("VSFlexGrid1").height(), grid.height());
        f.resize(50, 50);
        QTRY_COMPARE(f.width(), twipsToPixels(7830 - kFrameWidthTwips, dpi));
        QCOMPARE(f.height(), twipsToPixels(5385 - kFrameHeightTwips, dpi));
    }

    void stoppingAFetchKeepsItsRows_data() {
        QTest::addColumn<int>("endBy");
        QTest::newRow("中止") << int(ByStop);
        QTest::newRow("抽出 again") << int(ByRunAgain);
        QTest::newRow("window closed") << int(ByClose);
    }
    // Rows that arrive slowly (most of a millisecond each, seconds in all) show while they come, and the
    // window stays usable: the rows that arrived scroll, select and copy, 中止 is on the window itself,
    // what needs every row waits. 中止, a second 抽出 and closing the window each end the run at once.
    void stoppingAFetchKeepsItsRows() {
        QFETCH(int, endBy);
        gSqlText = QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < "
                                  "20000) select i, length(hex(zeroblob(400000 + i % 2))) as L from n");
        Form4 f(m_main);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        GridWidget* g = grid(f);
        QTRY_VERIFY_WITH_TIMEOUT(g->Rows() - 1 >= 200, 20000);
        QCOMPARE(zemo::CallWatch::active(), 1);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY2(label3(f)->text().startsWith(QStringLiteral("取得中 ")), qPrintable(label3(f)->text()));
        QCOMPARE(f.cursor().shape(), Qt::BusyCursor);
        auto* stop = f.findChild<QPushButton*>(QStringLiteral("Command4"));
        QVERIFY(stop->isVisible() && stop->isEnabled());
        QCOMPARE(stop->text(), QStringLiteral("中止"));
        QVERIFY(!f.findChild<QPushButton*>(QStringLiteral("Command3"))->isEnabled());

        // Scrolled down, a block selected and copied.
        g->verticalScrollBar()->setValue(100);
        QCOMPARE(g->rowAt(0), 100);
        g->setFocus();
        g->selectionModel()->select(QItemSelection(g->model()->index(100, 0), g->model()->index(101, 0)),
                                    QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("101\r\n102\r\n"));
        // A heading click does not sort a part of the result.
        clickHeading(g, 0);
        QCOMPARE(g->TextMatrix(1, 1), QStringLiteral("1"));
        QVERIFY(!g->horizontalHeader()->isSortIndicatorShown());

        QElapsedTimer clock;
        clock.start();
        if (endBy == ByStop) {
            stop->click();
            QVERIFY(zemo::test::waitForRuns(2000));
            QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
            const int rows = g->Rows() - 1;
            QVERIFY2(rows >= 200 && rows < 20000, qPrintable(QString::number(rows)));
            QCOMPARE(label3(f)->text(), rowCountCaption(rows, true));
            QCOMPARE(g->TextMatrix(rows, 0), QString::number(rows));
            QCOMPARE(g->TextMatrix(rows, 1), QString::number(rows));
            QVERIFY(!stop->isVisible());
            QVERIFY(f.findChild<QPushButton*>(QStringLiteral("Command3"))->isEnabled());
            QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
            // The rows kept sort now.
            clickHeading(g, 0);
            clickHeading(g, 0);
            QCOMPARE(g->TextMatrix(1, 1), QString::number(rows));
            QCOMPARE(g->TextMatrix(1, 0), QStringLiteral("1"));
        } else if (endBy == ByRunAgain) {
            text1(f)->setPlainText(QStringLiteral("select 1 as ONE"));
            click(f, "Command1");
            QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(g->Rows(), 2);
            QCOMPARE(g->TextMatrix(0, 1), QStringLiteral("ONE"));
            QCOMPARE(label3(f)->text(), QStringLiteral(":1件"));
        } else {
            f.close();
            QCOMPARE(zemo::CallWatch::active(), 0);
            // The connection is free for the next statement at once.
            gSqlText = QStringLiteral("select 2 as TWO");
            Form4 next(m_main);
            zemo::test::showWindow(next);
            QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(label3(next)->text(), QStringLiteral(":1件"));
        }
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestForm4)
#include "test_form4.moc"
