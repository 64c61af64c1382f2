// Every window rendered offscreen: each caption fits its control in the control's own font, the
// Japanese fonts the windows name resolve to a font that has the glyphs, the menus carry their
// texts, and the controls stand at their design places converted at the screen's logical DPI.
// ctest runs this at 96 DPI and twice at 192 DPI (Qt's device-pixel scaling, and a logical DPI of
// 192 with scaling off); ZEMO_EXPECT_DPI and ZEMO_EXPECT_DPR say what the run must see.

#include "about/Form5.h"
#include "base/Twips.h"
#include "catalogue/Form2.h"
#include "grid/GridWidget.h"
#include "mainwindow/Form1.h"
#include "profiles/Form3.h"
#include "profiles/Form6.h"
#include "profiles/Form7.h"
#include "profiles/ProfileStore.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/Connect.h"
#include "ui/FormSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Place {
    const char* name;
    int left, top, width, height;
};

// Design places in twips, relative to the client area.
const QList<Place> kForm1 = {{"Command3", 480, 120, 1575, 375},   {"Command2", 8880, 120, 1215, 375},
                             {"Label6", 360, 720, 1095, 255},     {"VSFlexGrid1", 360, 960, 9735, 2535},
                             {"Command1", 3000, 3600, 615, 375},  {"Command8", 8040, 3600, 615, 375},
                             {"Label1", 480, 4080, 735, 255},     {"Label2", 3000, 4080, 615, 255},
                             {"Label4", 5400, 4080, 615, 255},    {"Label3", 8040, 4080, 615, 255},
                             {"Combo1", 360, 4320, 1095, 300},    {"Text2", 1560, 4320, 3495, 270},
                             {"Combo2", 5160, 4320, 1335, 300},   {"Text4", 6600, 4320, 3495, 270},
                             {"Command4", 1440, 4800, 1095, 375}, {"Command5", 2760, 4800, 1095, 375},
                             {"Command6", 4080, 4800, 1095, 375}, {"Command7", 9000, 4800, 1095, 375},
                             {"Label7", 360, 5040, 1095, 255},    {"Label5", 6000, 5040, 1095, 255},
                             {"List1", 360, 5280, 5415, 2220},    {"List2", 6000, 5280, 4095, 2220}};
const QList<Place> kForm2 = {
    {"List1", 240, 360, 4695, 3480}, {"Command1", 720, 4080, 1335, 375}, {"Command2", 3120, 4080, 1335, 375}};
const QList<Place> kForm3 = {{"Label4", 720, 360, 975, 255},     {"Text4", 1680, 360, 1815, 270},
                             {"Label1", 720, 840, 975, 255},     {"Text1", 1680, 840, 1815, 270},
                             {"Label2", 720, 1320, 975, 255},    {"Text2", 1680, 1320, 1815, 270},
                             {"Label5", 720, 1800, 975, 255},    {"Combo1", 1680, 1800, 1815, 300},
                             {"Label3", 720, 2280, 975, 255},    {"Text3", 1680, 2280, 1815, 270},
                             {"Command1", 840, 2760, 1215, 375}, {"Command2", 2400, 2760, 1335, 375}};
const QList<Place> kForm7 = {{"Label1", 240, 240, 4200, 495},
                             {"Text1", 240, 840, 4200, 270},
                             {"Check1", 240, 1260, 4200, 255},
                             {"Command1", 840, 1680, 1215, 375},
                             {"Command2", 2400, 1680, 1335, 375}};
const QList<Place> kForm4 = {{"Label1", 240, 360, 1455, 255},       {"Text1", 240, 600, 5055, 3015},
                             {"Label4", 6000, 360, 975, 255},       {"List2", 6000, 600, 4095, 2940},
                             {"Image1", 5400, 1800, 480, 480},      {"Command1", 6000, 3600, 1335, 375},
                             {"Command2", 8760, 120, 1335, 375},    {"Command3", 8760, 3600, 1335, 375},
                             {"Label2", 240, 3840, 975, 255},       {"Label3", 1080, 3840, 1215, 255},
                             {"VSFlexGrid1", 240, 4080, 9855, 4335}};
const QList<Place> kForm5 = {{"Image1", 240, 360, 480, 480},     {"Label1", 960, 480, 3015, 375},
                             {"Label2", 1200, 1200, 1695, 375},  {"Label3", 2880, 1200, 1095, 375},
                             {"Label5", 1200, 1800, 2295, 255},  {"Label4", 240, 2400, 4215, 735},
                             {"Command1", 1440, 3360, 1455, 375}};
const QList<Place> kForm6 = {{"List1", 240, 240, 3495, 2760},     {"Command1", 240, 3120, 1215, 375},
                             {"Command2", 2520, 3120, 1215, 375}, {"Command3", 3840, 240, 1215, 375},
                             {"Command4", 3840, 720, 1215, 375},  {"Command5", 3840, 1200, 1215, 375},
                             {"Command6", 3840, 1680, 1215, 375}};

bool namesJapaneseFont(const QFont& f) {
    return f.family() == QStringLiteral("ＭＳ ゴシック") || f.family() == QStringLiteral("ＭＳ 明朝");
}

} // namespace

class TestCaptions : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_profiles;
    Form1* m_main = nullptr;

    double dpi() const { return QGuiApplication::primaryScreen()->logicalDotsPerInchX(); }

    void showAndWait(QWidget* w) {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }

    // Each button's and label's caption fits inside the control, line by line, in the control's font;
    // a font the window names by its Japanese name has every glyph of the caption itself.
    void checkCaptions(QWidget* window) {
        int checked = 0;
        const auto controls = window->findChildren<QWidget*>();
        for (QWidget* w : controls) {
            QString text;
            int frame = 0;
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                text = b->text();
                frame = 2 * b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
            } else if (auto* l = qobject_cast<QLabel*>(w)) {
                text = l->text();
                frame = 2 * l->frameWidth() + 2 * l->margin();
            }
            // Blank lines show nothing that could be cut off.
            if (text.trimmed().isEmpty() || w->objectName().isEmpty() || !w->isVisible())
                continue;
            const QFontMetrics fm(w->font());
            QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
            while (lines.last().trimmed().isEmpty())
                lines.removeLast();
            int widest = 0;
            for (const QString& line : lines)
                widest = std::max(widest, fm.horizontalAdvance(line));
            const QString where = window->objectName() + QLatin1Char('.') + w->objectName() +
                                  QStringLiteral(" \"") + text + QStringLiteral("\" in ") +
                                  QFontInfo(w->font()).family();
            QVERIFY2(widest + frame <= w->width(),
                     qPrintable(where + QStringLiteral(": text %1 px + frame %2 px > width %3 px")
                                            .arg(widest)
                                            .arg(frame)
                                            .arg(w->width())));
            const int tall = fm.height() + (lines.size() - 1) * fm.lineSpacing();
            QVERIFY2(
                tall <= w->height(),
                qPrintable(where +
                           QStringLiteral(": text %1 px high > height %2 px").arg(tall).arg(w->height())));
            if (namesJapaneseFont(w->font())) {
                for (const QChar c : text)
                    if (c.unicode() > 0x7f)
                        QVERIFY2(fm.inFont(c), qPrintable(where + QStringLiteral(": no glyph for ") + c));
            }
            ++checked;
        }
        QVERIFY2(checked > 0, qPrintable(window->objectName() + QStringLiteral(": no captions found")));
    }

    // List rows leave room below the text, so that "_" and descenders are not painted over by the
    // next row.
    void checkListRows(QWidget* window) {
        const auto lists = window->findChildren<QListWidget*>();
        for (QListWidget* list : lists) {
            if (list->count() == 0)
                list->addItem(QStringLiteral("T1.CUST_ID"));
            const int row = list->visualItemRect(list->item(0)).height();
            QVERIFY2(row > list->fontMetrics().height(),
                     qPrintable(window->objectName() + QLatin1Char('.') + list->objectName() +
                                QStringLiteral(": row %1 px for text %2 px high")
                                    .arg(row)
                                    .arg(list->fontMetrics().height())));
        }
    }

    void checkPlaces(QWidget* window, const QList<Place>& places) {
        for (const Place& p : places) {
            auto* w = window->findChild<QWidget*>(QString::fromLatin1(p.name));
            QVERIFY2(w, p.name);
            const QRect expect(zemo::twipsToPixels(p.left, dpi()), zemo::twipsToPixels(p.top, dpi()),
                               zemo::twipsToPixels(p.width, dpi()), zemo::twipsToPixels(p.height, dpi()));
            // Left, top and width are the design's; combo boxes may keep the height their font needs.
            const QRect got = w->geometry();
            QVERIFY2(got.topLeft() == expect.topLeft() && got.width() == expect.width(),
                     qPrintable(window->objectName() + QLatin1Char('.') + QString::fromLatin1(p.name) +
                                QStringLiteral(": at %1,%2 %3x%4, design %5,%6 %7x%8")
                                    .arg(got.x())
                                    .arg(got.y())
                                    .arg(got.width())
                                    .arg(got.height())
                                    .arg(expect.x())
                                    .arg(expect.y())
                                    .arg(expect.width())
                                    .arg(expect.height())));
            if (qstrncmp(p.name, "Combo", 5) != 0)
                QCOMPARE(got.height(), expect.height());
        }
    }

    void checkWindow(QWidget* window, const QList<Place>& places) {
        showAndWait(window);
        checkPlaces(window, places);
        checkCaptions(window);
        checkListRows(window);
    }

private slots:
    void initTestCase() {
        const QByteArray expect = qgetenv("ZEMO_EXPECT_DPI");
        if (!expect.isEmpty())
            QCOMPARE(dpi(), expect.toDouble());
        const QByteArray ratio = qgetenv("ZEMO_EXPECT_DPR");
        if (!ratio.isEmpty())
            QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), ratio.toDouble());
        QVERIFY(m_profiles.isValid());
        zemo::setProfileFolderOverride(m_profiles.path());
        zemo::WriteProfile(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo"), QStringLiteral("demo"),
                           QStringLiteral("デモ"), zemo::profileFilePath());
        zemo::resetSession();
        m_main = new Form1;
        showAndWait(m_main);
    }

    void cleanupTestCase() {
        delete m_main;
        zemo::resetSession();
        zemo::setProfileFolderOverride(QString());
    }

    void mainWindowAndMenus() {
        QWidget* client = m_main->centralWidget() ? m_main->centralWidget() : m_main;
        checkPlaces(client, kForm1);
        checkCaptions(m_main);
        checkListRows(m_main);
        // The column grid's second heading row is a strip over the body: it draws in the grid's font
        // at the grid's row height, so its text is not cut off.
        auto* grid = m_main->findChild<zemo::GridWidget*>(QStringLiteral("VSFlexGrid1"));
        QVERIFY(grid);
        auto* strip = grid->findChild<QTableView*>(QStringLiteral("frozenRows"));
        QVERIFY(strip && strip->isVisible());
        QCOMPARE(strip->font(), grid->font());
        QCOMPARE(strip->rowHeight(0), grid->rowHeight(0));
        QVERIFY(QFontMetrics(strip->font()).height() <= strip->rowHeight(0));
        // Menus: titles and items in order, each text drawable in the menu bar's font.
        const QMenuBar* bar = m_main->menuBar();
        QStringList titles, items;
        for (QAction* menu : bar->actions()) {
            titles << menu->text();
            if (menu->menu())
                for (QAction* item : menu->menu()->actions())
                    items << item->text();
        }
        QCOMPARE(titles,
                 (QStringList{QStringLiteral("ファイル"), QStringLiteral("接続"), QStringLiteral("表示"),
                              QStringLiteral("条件"), QStringLiteral("その他")}));
        QCOMPARE(items, (QStringList{QStringLiteral("開く..."), QStringLiteral("上書き保存"),
                                     QStringLiteral("名前を付けて保存..."), QStringLiteral("接続"),
                                     QStringLiteral("切断"), QStringLiteral("属性表示"),
                                     QStringLiteral("論理名表示"), QStringLiteral("結合条件の追加"),
                                     QStringLiteral("ツールについて")}));
        for (QAction* menu : bar->actions())
            QVERIFY(bar->actionGeometry(menu).width() >= bar->fontMetrics().horizontalAdvance(menu->text()));
    }

    void profileList() {
        Form6 dlg(m_main);
        checkWindow(&dlg, kForm6);
    }

    void profileEditor() {
        Form6 list(m_main);
        Form3 dlg(&list);
        checkWindow(&dlg, kForm3);
    }

    void passwordPrompt() {
        Form6 list(m_main);
        Form7 dlg(&list, QStringLiteral("本番"), QStringLiteral("scott"), true);
        checkWindow(&dlg, kForm7);
    }

    void aboutBox() {
        Form5 dlg(m_main);
        checkWindow(&dlg, kForm5);
        // The title's font is the window's Mincho at 11.25 pt, bold and italic.
        auto* title = dlg.findChild<QLabel*>(QStringLiteral("Label1"));
        QVERIFY(title);
        QVERIFY(title->font().bold() && title->font().italic());
    }

    void connectedWindows() {
        gOraSession = std::make_shared<zemo::OracleSession>();
        gOraDatabase = zemo::test::openDemo();
        QVERIFY(zemo::isConnected());
        {
            Form2 dlg(m_main);
            checkWindow(&dlg, kForm2);
        }
        gSqlText = QStringLiteral("SELECT DEPT_ID, DEPT_NAME FROM DEPARTMENTS");
        Form4 dlg(m_main);
        checkWindow(&dlg, kForm4);
        // The row count label was filled by the run and still fits.
        auto* count = dlg.findChild<QLabel*>(QStringLiteral("Label3"));
        QVERIFY(count);
        QVERIFY(count->text().endsWith(QStringLiteral("件")));
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zemo::setUpApplication();
    TestCaptions t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_captions.moc"
