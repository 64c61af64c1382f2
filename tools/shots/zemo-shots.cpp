// Walks the demo flow with the program's real windows and writes one PNG per window.
//
//   zemo-shots OUTDIR [SUFFIX]   the walk; files OUTDIR/<n>-<window>SUFFIX.png
//   zemo-shots --screen FILE     a picture of the whole screen (for checking an installed copy)
//
// Meant to run on an X server (xcb), e.g. under Xvfb; see tools/screenshots. Without a window
// manager there is no frame, so each picture gets a plain title strip with the window's caption.

#include "db/CallWait.h"
#include "grid/GridWidget.h"
#include "mainwindow/Form1.h"
#include "mainwindow/ParameterDialog.h"
#include "profiles/ProfileStore.h"
#include "session/Module1.h"
#include "ui/FormSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "zemo-shots: %s\n", qPrintable(what));
    std::exit(1);
}

void settle(int ms = 150) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void waitExposed(QWidget* w) {
    QElapsedTimer t;
    t.start();
    while (!(w->windowHandle() && w->windowHandle()->isExposed())) {
        if (t.elapsed() > 10000)
            fail(QStringLiteral("window not shown: ") + w->windowTitle());
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    settle();
}

template <typename T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        fail(QStringLiteral("%1 has no %2").arg(w->objectName(), QString::fromLatin1(name)));
    return c;
}

void click(QWidget* w, const char* button) {
    child<QAbstractButton>(w, button)->click();
}

// Runs `then` with the next modal window that opens, from inside its own event loop.
void onNextModal(std::function<void(QWidget*)> then) {
    QWidget* before = QApplication::activeModalWidget();
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* now = QApplication::activeModalWidget();
        // A window whose first database call still runs is left to it (its wait refuses input).
        if (now && now != before && now->isVisible() && !zemo::CallWait::waiting()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            waitExposed(now);
            then(now);
        } else if (clock->elapsed() > 15000) {
            fail(QStringLiteral("no dialog opened"));
        }
    });
    timer->start(30);
}

class Shooter {
public:
    Shooter(const QString& dir, const QString& suffix) : m_dir(dir), m_suffix(suffix) {}

    void shoot(QWidget* w, const QString& name) {
        settle();
        shoot(w, name, w->grab());
    }

    // The window with a popup (a menu) drawn where it stands on the screen; the popup is a window of
    // its own, which grabbing the window leaves out.
    void shootWithPopup(QWidget* w, QWidget* popup, const QString& name) {
        settle();
        QPixmap body = w->grab();
        QPainter p(&body);
        p.drawPixmap(popup->mapToGlobal(QPoint()) - w->mapToGlobal(QPoint()), popup->grab());
        p.end();
        shoot(w, name, body);
    }

private:
    void shoot(QWidget* w, const QString& name, const QPixmap& body) {
        const qreal dpr = body.devicePixelRatio();
        const QSize logical = body.deviceIndependentSize().toSize();
        const int strip = 26;
        QPixmap out(QSize(logical.width() + 2, logical.height() + strip + 1) * dpr);
        out.setDevicePixelRatio(dpr);
        out.fill(QColor(0x7a, 0x7a, 0x7a));
        QPainter p(&out);
        p.fillRect(QRect(1, 1, logical.width(), strip - 1), QColor(0x2b, 0x4f, 0x81));
        QApplication::windowIcon().paint(&p, QRect(6, 5, 16, 16));
        QFont f = zemo::gothicFont(10, true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(28, 1, logical.width() - 30, strip - 1), Qt::AlignVCenter | Qt::AlignLeft,
                   w->windowTitle());
        p.drawPixmap(QPoint(1, strip), body);
        p.end();
        const QString file = m_dir.filePath(QStringLiteral("%1-%2%3.png").arg(++m_count).arg(name, m_suffix));
        if (!out.save(file))
            fail(QStringLiteral("cannot write ") + file);
        std::printf("%s  %dx%d\n", qPrintable(file), out.width(), out.height());
    }

    QDir m_dir;
    QString m_suffix;
    int m_count = 0;
};

// Marks an entry as a click does: selects it (and makes it current in a single-selection list).
void mark(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        fail(QStringLiteral("no entry ") + text);
    if (list->selectionMode() == QAbstractItemView::SingleSelection)
        list->setCurrentItem(found.first());
    found.first()->setSelected(true);
}

// The alias the table dialog gave `table`, from the column grid's heading row.
QString aliasOf(zemo::GridWidget* grid, const QString& table) {
    for (int c = 0; c < grid->Cols(); c += 2)
        if (grid->TextMatrix(0, c) == table)
            return grid->TextMatrix(1, c);
    fail(QStringLiteral("table not in the grid: ") + table);
}

void addCondition(QWidget* main, const QString& connector, const QString& left, const QString& op,
                  const QString& right) {
    child<QComboBox>(main, "Combo1")->setCurrentText(connector);
    child<QLineEdit>(main, "Text2")->setText(left);
    child<QComboBox>(main, "Combo2")->setCurrentText(op);
    child<QLineEdit>(main, "Text4")->setText(right);
    click(main, "Command4");
}

int walk(const QString& outDir, const QString& suffix) {
    QDir().mkpath(outDir);
    // A profile file of our own with the demo profile only; "demo.db" lies beside this program.
    QTemporaryDir profiles;
    zemo::setProfileFolderOverride(profiles.path());
    zemo::WriteProfile(QStringLiteral("demo.db"), QStringLiteral("demo"), QStringLiteral("demo"),
                       QStringLiteral("デモ"), zemo::profileFilePath());

    Shooter shots(outDir, suffix);
    Form1 main;
    main.show();
    waitExposed(&main);
    shots.shoot(&main, QStringLiteral("main"));

    onNextModal([&](QWidget* form6) {
        mark(child<QListWidget>(form6, "List1"), QStringLiteral("デモ"));
        shots.shoot(form6, QStringLiteral("profiles"));
        onNextModal([&](QWidget* form3) {
            shots.shoot(form3, QStringLiteral("profile-editor"));
            click(form3, "Command2");
        });
        click(form6, "Command4");
        click(form6, "Command1");
    });
    child<QAction>(&main, "Connection")->trigger();
    if (!zemo::isConnected())
        fail(QStringLiteral("the demo profile did not connect"));

    onNextModal([&](QWidget* form2) {
        auto* list = child<QListWidget>(form2, "List1");
        mark(list, QStringLiteral("CUSTOMERS"));
        mark(list, QStringLiteral("ORDERS"));
        shots.shoot(form2, QStringLiteral("tables"));
        click(form2, "Command1");
    });
    click(&main, "Command3");

    auto* grid = child<zemo::GridWidget>(&main, "VSFlexGrid1");
    const QString c = aliasOf(grid, QStringLiteral("CUSTOMERS"));
    const QString o = aliasOf(grid, QStringLiteral("ORDERS"));
    auto* items = child<QListWidget>(&main, "List2");
    const QStringList shown = {c + QStringLiteral(".CUST_NAME"), c + QStringLiteral(".PREFECTURE"),
                               o + QStringLiteral(".ORDER_NO"), o + QStringLiteral(".ORDER_DATE"),
                               o + QStringLiteral(".STATUS")};
    for (const QString& col : shown)
        mark(items, col);
    // The join from the tables' foreign key, through the condition list's right-click menu.
    auto* conditions = child<QListWidget>(&main, "List1");
    const QPoint at = conditions->viewport()->rect().center();
    QContextMenuEvent listMenuEvent(QContextMenuEvent::Mouse, at, conditions->viewport()->mapToGlobal(at));
    QApplication::sendEvent(conditions->viewport(), &listMenuEvent);
    auto* listMenu = child<QMenu>(&main, "ConditionListMenu");
    waitExposed(listMenu);
    shots.shootWithPopup(&main, listMenu, QStringLiteral("join-menu"));
    listMenu->close();
    child<QAction>(&main, "JoinAdd")->trigger();
    if (conditions->count() != 1)
        fail(QStringLiteral("結合条件の追加 added %1 lines").arg(conditions->count()));
    addCondition(&main, QStringLiteral("And"), c + QStringLiteral(".PREFECTURE"), QStringLiteral("="),
                 QStringLiteral("'東京都'"));
    grid->setCurrentCell(2, 0);
    shots.shoot(&main, QStringLiteral("main-query"));
    // 表示 → 論理名表示: the grid, the display items and the result headings with the logical names.
    child<QAction>(&main, "LogicalDisp")->trigger();
    shots.shoot(&main, QStringLiteral("main-logical"));

    // A value asked at 抽出, and the query saved under a name of its own.
    addCondition(&main, QStringLiteral("And"), o + QStringLiteral(".ORDER_DATE"), QStringLiteral(">="),
                 QStringLiteral(":開始日"));
    auto* fileMenu = child<QMenu>(&main, "QueryFile");
    fileMenu->popup(main.mapToGlobal(main.menuBar()->actionGeometry(fileMenu->menuAction()).bottomLeft()));
    waitExposed(fileMenu);
    shots.shootWithPopup(&main, fileMenu, QStringLiteral("file-menu"));
    fileMenu->close();
    QTemporaryDir queries;
    const auto chooseFile = [&](const QString& shot) {
        onNextModal([&, shot](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            if (!dlg)
                fail(QStringLiteral("no file dialog"));
            dlg->setDirectory(queries.path());
            // The name as typed into the dialog's own box.
            child<QLineEdit>(dlg, "fileNameEdit")->setText(QStringLiteral("週次の受注.zemoq"));
            shots.shoot(dlg, shot);
            static_cast<QDialog*>(dlg)->accept();
        });
    };
    chooseFile(QStringLiteral("save-query"));
    child<QAction>(&main, "QuerySaveAs")->trigger();

    onNextModal([&](QWidget* values) {
        child<QLineEdit>(values, "Text1")->setText(QStringLiteral("2024-11-01"));
        shots.shoot(values, QStringLiteral("values"));
        onNextModal([&](QWidget* form4) {
            shots.shoot(form4, QStringLiteral("results"));
            // The grid's right-click menu over a block of selected cells.
            auto* results = child<zemo::GridWidget>(form4, "VSFlexGrid1");
            const QModelIndex from = results->model()->index(1, 1);
            results->selectionModel()->select(QItemSelection(from, results->model()->index(3, 3)),
                                              QItemSelectionModel::ClearAndSelect);
            const QPoint at = results->visualRect(results->model()->index(2, 2)).center();
            QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, results->viewport()->mapToGlobal(at));
            QApplication::sendEvent(results->viewport(), &menuEvent);
            auto* menu = child<QMenu>(form4, "ResultGridMenu");
            waitExposed(menu);
            shots.shootWithPopup(form4, menu, QStringLiteral("results-menu"));
            menu->close();
            click(form4, "Command2");
        });
        click(values, "Command1");
    });
    click(&main, "Command7");

    // 切断, then ファイル → 開く: the saved profile connects and the window comes back.
    child<QAction>(&main, "UnConnection")->trigger();
    chooseFile(QStringLiteral("open-query"));
    child<QAction>(&main, "QueryOpen")->trigger();
    if (!zemo::isConnected())
        fail(QStringLiteral("opening the saved query did not connect"));
    grid->setCurrentCell(2, 0);
    shots.shoot(&main, QStringLiteral("main-reopened"));

    onNextModal([&](QWidget* form5) {
        shots.shoot(form5, QStringLiteral("about"));
        click(form5, "Command1");
    });
    child<QAction>(&main, "Version")->trigger();

    // A long result while its rows arrive: the first screen shown, the count running, 中止 beside it.
    onNextModal([&](QWidget* values) {
        child<QLineEdit>(values, "Text1")->setText(QStringLiteral("2024-11-01"));
        onNextModal([&](QWidget* form4) {
            auto* rows = child<zemo::GridWidget>(form4, "VSFlexGrid1");
            auto* count = child<QLabel>(form4, "Label3");
            child<QPlainTextEdit>(form4, "Text1")
                ->setPlainText(QStringLiteral(
                    "with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000000)\r\n"
                    "select i as 受注番号, 'C' || (10000 + i % 997) as 顧客コード,\r\n"
                    "  (i * 7919) % 100000 as 金額, date('2024-11-01', '+' || (i % 30) || ' days') as "
                    "受注日\r\n"
                    "from n"));
            click(form4, "Command1");
            QElapsedTimer t;
            t.start();
            while (rows->Rows() < 2000 || !count->text().startsWith(QStringLiteral("取得中"))) {
                if (t.elapsed() > 15000)
                    fail(QStringLiteral("no rows arrived"));
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            }
            rows->verticalScrollBar()->setValue(40);
            shots.shoot(form4, QStringLiteral("results-fetching"));
            click(form4, "Command4");
            while (!child<QAbstractButton>(form4, "Command4")->isHidden())
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            click(form4, "Command2");
        });
        click(values, "Command1");
    });
    click(&main, "Command7");
    return 0;
}

int screen(const QString& file) {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    if (shot.isNull() || !shot.save(file))
        fail(QStringLiteral("cannot grab the screen into ") + file);
    std::printf("%s  %dx%d\n", qPrintable(file), shot.width(), shot.height());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zemo::setUpApplication();
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--screen"))
        return screen(args[1]);
    if (args.size() == 1 || args.size() == 2)
        return walk(args[0], args.value(1));
    std::fprintf(stderr, "usage: zemo-shots OUTDIR [SUFFIX] | zemo-shots --screen FILE\n");
    return 2;
}
