#include "results/Form4.h"

#include "base/ZemoError.h"
#include "grid/GridWidget.h"
#include "results/ResultExport.h"
#include "results/ResultFetch.h"
#include "results/ResultModel.h"
#include "results/ResultRun.h"
#include "session/Module1.h"
#include "ui/ErrorTrap.h"
#include "ui/LogicalNameList.h"
#include "ui/MessagePresenter.h"
#include "ui/QueryBuilderWindow.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

using zemo::TwipsRect;

namespace {

constexpr double kClientWidth = 10440;
constexpr double kClientHeight = 8565;

Form4::SaveFileChooser& chooserSlot() {
    static Form4::SaveFileChooser chooser;
    return chooser;
}

// The picture between the statement box and the list: a statement sheet and an arrow to the grid.
QPixmap runPicture() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(250, 250, 245));
    p.drawRect(QRectF(3.5, 2.5, 16, 21));
    p.setPen(QPen(QColor(90, 110, 160), 1.5));
    for (int y = 7; y <= 19; y += 4)
        p.drawLine(QPointF(6.5, y), QPointF(16.5, y));
    QPainterPath arrow;
    arrow.moveTo(14, 21);
    arrow.lineTo(22, 21);
    arrow.lineTo(22, 16);
    arrow.lineTo(30, 24);
    arrow.lineTo(22, 32);
    arrow.lineTo(22, 27);
    arrow.lineTo(14, 27);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(20, 90, 40), 1));
    p.setBrush(QColor(60, 170, 90));
    p.drawPath(arrow.translated(0, -2));
    return pm;
}

} // namespace

void Form4::setSaveFileChooser(SaveFileChooser chooser) {
    chooserSlot() = std::move(chooser);
}

Form4::Form4(QWidget* parent) : SizableWindow(parent, zemo::kForm4Resize) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("ZEMO-DB　抽出"));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setFont(zemo::gothicFont(9));
    buildControls();
    resize(m_placer.clientPixels(kClientWidth, kClientHeight));
    holdMinimumSize();
    Form_Load();
}

Form4::~Form4() {
    // Before the grid and its model go: the fetch writes nothing more into what they hold.
    m_run->leave();
}

void Form4::done(int result) {
    if (m_run->running()) {
        m_run->leave();
        ShowRunning(false);
    }
    QDialog::done(result);
}

void Form4::buildControls() {
    zemo::ControlMaker make(this, m_placer);
    const auto label = [&](const char* name, const QString& text, const TwipsRect& r) {
        return make.label(name, text, r);
    };
    const auto button = [&](const char* name, const QString& text, const TwipsRect& r) {
        return make.button(name, text, r);
    };

    Command1 = button("Command1", QStringLiteral("抽出"), {6000, 3600, 1335, 375});
    Command2 = button("Command2", QStringLiteral("戻る"), {8760, 120, 1335, 375});
    Command3 = button("Command3", QStringLiteral("ＣＳＶ出力"), {8760, 3600, 1335, 375});
    // 中止 beside the count while rows arrive, below the statement box and clear of 抽出 at the
    // smallest window size.
    Command4 = button("Command4", QStringLiteral("中止"), {3120, 3660, 1095, 375});
    Command4->hide();

    Label1 = label("Label1", QStringLiteral("ＳＱＬ文"), {240, 360, 1455, 255});
    Text1 = make.add<QPlainTextEdit>("Text1", {240, 600, 5055, 3015});
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setTabChangesFocus(true);
    zemo::giveLinesRoom(Text1);

    Label4 = label("Label4", QStringLiteral("表示項目"), {6000, 360, 975, 255});
    List2 = make.add<QListWidget>("List2", {6000, 600, 4095, 2940});
    zemo::useLogicalNames(List2, false);

    Image1 = label("Image1", QString(), {5400, 1800, 480, 480});
    Image1->setPixmap(runPicture());
    Image1->setAlignment(Qt::AlignCenter);

    Label2 = label("Label2", QStringLiteral("検索結果"), {240, 3840, 975, 255});
    Label3 = label("Label3", QString(), {1080, 3840, 1215, 255});
    m_label3Width = Label3->width();

    VSFlexGrid1 = make.add<zemo::GridWidget>("VSFlexGrid1", {240, 4080, 9855, 4335});
    m_results = new zemo::ResultModel(VSFlexGrid1);
    VSFlexGrid1->setGridModel(m_results);
    VSFlexGrid1->setFixed(1, 1);
    VSFlexGrid1->setCols(10);
    VSFlexGrid1->setRows(1);
    VSFlexGrid1->setRangeSelection(true);
    VSFlexGrid1->setUserSortAndMove(true);
    VSFlexGrid1->setDragEnabled(false);
    VSFlexGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    VSFlexGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    zemo::setTabChain({Command1, Command4, Command2, Command3, Text1, List2, VSFlexGrid1});
    Command1->setFocus();

    m_run = new zemo::ResultRun(*m_results, this);
    connect(m_run, &zemo::ResultRun::fieldsShown, this,
            [this] { ShowHeadingLogicalNames(m_ranSql == zemo::statementToRun(gSqlText)); });
    connect(m_run, &zemo::ResultRun::rowsAdded, this, &Form4::ShowArrivedRows);
    connect(m_run, &zemo::ResultRun::ended, this, &Form4::FinishRun);

    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form4::Command4_Click);
    connect(VSFlexGrid1, &zemo::GridWidget::KeyDownEvent, this, &Form4::VSFlexGrid1_KeyDown);
    connect(VSFlexGrid1, &zemo::GridWidget::AfterSort, this, &Form4::VSFlexGrid1_AfterSort);
    connect(m_results, &zemo::ResultModel::sortFailed, this, &Form4::VSFlexGrid1_SortFailed);
    // Every edit of the statement, so that the characters the user has not touched run as loaded.
    connect(Text1, &QPlainTextEdit::textChanged, this,
            [this] { m_statement.edited(Text1->document()->toRawText()); });
    VSFlexGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(VSFlexGrid1, &QWidget::customContextMenuRequested, this, &Form4::VSFlexGrid1_ContextMenu);
}

void Form4::Form_Load() {
    const zemo::TwipsSize outer = m_placer.outerSize();
    zemo::centreOverMainWindow(this, outer);
    using R = zemo::Form4Rects;
    m_resize.start({{&R::Text1, Text1},
                    {&R::List2, List2},
                    {&R::Label4, Label4},
                    {&R::Command1, Command1},
                    {&R::Command2, Command2},
                    {&R::Command3, Command3},
                    {&R::Image1, Image1},
                    {&R::VSFlexGrid1, VSFlexGrid1}},
                   outer);
    if (!gSqlText.isEmpty()) {
        Text1->setPlainText(gSqlText);
        m_statement.load(gSqlText, Text1->document()->toRawText());
        CopyDisplayItems();
        // The statement runs once the window is up, from its own event loop.
        zemo::whenFirstShown(this, [this] { RunQuery(); });
    }
}

void Form4::CopyDisplayItems() {
    List2->clear();
    const zemo::QueryBuilderWindow* main = zemo::queryBuilder();
    if (!main)
        return;
    // Shown as the main window shows them.
    zemo::showLogicalNames(List2, main->logicalNamesShown());
    for (const zemo::DisplayItem& item : main->displayItems())
        zemo::addNamedItem(List2, item.text, item.logical);
}

// The statement runs on the connection's thread; its rows show as they arrive, and the window stays
// usable meanwhile. A run still going is stopped first: the new result takes the grid.
void Form4::RunQuery() {
    if (m_run->running()) {
        m_run->leave();
        ShowRunning(false);
    }
    VSFlexGrid1->setRows(1);
    VSFlexGrid1->setCols(1);
    zemo::runTrapped(this, [this] {
        zemo::DbConnection& connection = zemo::connectedDatabase();
        m_ranSql = m_statement.statement(Text1->document()->toRawText());
        m_countBefore = Label3->text();
        m_widthsFitted = false;
        m_run->start(connection, m_ranSql, gSqlValues);
        ShowRunning(true);
        ShowRowCount(zemo::runningCountCaption(0));
    });
}

// While rows arrive: 中止 shows, the busy pointer says the window still takes input, and what needs
// every row waits, visibly.
void Form4::ShowRunning(bool running) {
    Command4->setVisible(running);
    Command4->setEnabled(running);
    Command3->setEnabled(!running);
    if (running) {
        m_busy.emplace(this, zemo::BusyPointer::Input::Taken);
        VSFlexGrid1->setSortingEnabled(false);
        VSFlexGrid1->horizontalHeader()->setSortIndicatorShown(false);
        VSFlexGrid1->horizontalHeader()->setToolTip(
            QStringLiteral("取得が終わると見出しのクリックで並べ替えられます"));
    } else {
        m_busy.reset();
        VSFlexGrid1->horizontalHeader()->setToolTip(QString());
        VSFlexGrid1->setUserSortAndMove(true);
    }
}

void Form4::ShowArrivedRows(int rows) {
    // The first screen readable at once: the columns fit its rows (a screenful measured, so that the
    // window turns on without a pause).
    if (!m_widthsFitted && rows > 0) {
        VSFlexGrid1->AutoSize(0, VSFlexGrid1->Cols() - 1, int(zemo::ResultFetch::kFirstRows));
        m_widthsFitted = true;
    }
    if (!m_run->stopping())
        ShowRowCount(zemo::runningCountCaption(rows));
}

void Form4::FinishRun() {
    ShowRunning(false);
    const zemo::DbCall::Outcome outcome = m_run->outcome();
    // A failure keeps the rows fetched before it and the count as it was before the run.
    if (outcome == zemo::DbCall::Outcome::Failed) {
        ShowRowCount(m_countBefore);
        zemo::runTrapped(this, [this] { std::rethrow_exception(m_run->failure()); });
        return;
    }
    // Running: 中止 that the server has not honoured yet; the rows so far are the result.
    VSFlexGrid1->AutoSize(0, VSFlexGrid1->Cols() - 1);
    ShowRowCount(zemo::rowCountCaption(VSFlexGrid1->Rows() - 1, outcome != zemo::DbCall::Outcome::Completed));
}

// A count longer than the label's design width (a large or a stopped result) stays readable: the
// label widens to the right, where nothing else stands.
void Form4::ShowRowCount(const QString& caption) {
    Label3->setText(caption);
    Label3->resize(std::max(m_label3Width, Label3->sizeHint().width()), Label3->height());
}

// With 表示 → 論理名表示 checked the headings show the logical names of the display items beside the
// field names; the heading cells keep the names, which the copies and the files take.
void Form4::ShowHeadingLogicalNames(bool assembledStatement) {
    const zemo::QueryBuilderWindow* main = zemo::queryBuilder();
    m_results->setLogicalNamesShown(main && main->logicalNamesShown());
    if (!m_results->logicalNamesShown())
        return;
    QStringList fields;
    for (int c = 1; c < m_results->gridCols(); ++c)
        fields << m_results->cellText(0, c);
    const QStringList logical = zemo::headingLogicalNames(fields, main->displayItems(), assembledStatement);
    for (qsizetype j = 0; j < logical.size(); ++j)
        m_results->setCellLogicalName(0, int(j) + 1, logical[j]);
}

void Form4::Command1_Click() {
    RunQuery();
}

void Form4::Command2_Click() {
    close();
}

void Form4::Command3_Click() {
    ExportGrid(zemo::ExportFormat::Csv);
}

void Form4::Command4_Click() {
    m_run->stop();
    Command4->setEnabled(false);
}

void Form4::ExportGrid(zemo::ExportFormat format) {
    const SaveFileChooser& chooser = chooserSlot();
    zemo::exportGrid(this, *VSFlexGrid1,
                     chooser ? zemo::exportTargetFor(chooser(this), format)
                             : zemo::askExportFile(this, format));
}

void Form4::VSFlexGrid1_KeyDown(int keyCode, int shift) {
    // Ctrl+C with Ctrl alone; Ctrl+Shift+C and Ctrl+Alt+C are left alone.
    if (keyCode == 67 && shift == 2)
        zemo::copyGridSelection(*VSFlexGrid1, false);
}

void Form4::VSFlexGrid1_ContextMenu(const QPoint& pos) {
    std::function<void(zemo::ExportFormat)> exportAs;
    if (!m_run->running())
        exportAs = [this](zemo::ExportFormat f) { ExportGrid(f); };
    QMenu* menu = zemo::makeResultGridMenu(this, *VSFlexGrid1, exportAs);
    menu->popup(VSFlexGrid1->viewport()->mapToGlobal(pos));
}

void Form4::VSFlexGrid1_AfterSort(int, int) {
    m_results->numberRows();
}

void Form4::VSFlexGrid1_SortFailed(const zemo::ZemoError& error) {
    // The rows kept their order, so the heading must not claim another.
    VSFlexGrid1->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    ShowErrorBox(error, this);
}
