#include "results/Form4.h"

#include "app/BusyPointer.h"
#include "app/ErrorTrap.h"
#include "app/MessagePresenter.h"
#include "app/Module1.h"
#include "app/ZemoError.h"
#include "grid/GridWidget.h"
#include "results/Form4Logic.h"
#include "results/ResultExport.h"
#include "results/ResultModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <optional>

using zemo::TwipsRect;

namespace {

constexpr double kClientWidth = 10440;
constexpr double kClientHeight = 8565;
// Once the dialog is up, how often it is redrawn and 中止 is looked at.
constexpr qint64 kPumpMs = 50;

Form4::SaveFileChooser& chooserSlot() {
    static Form4::SaveFileChooser chooser;
    return chooser;
}

int& progressDelaySlot() {
    static int ms = 1000;
    return ms;
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

// Shows the rows fetched so far once a fetch has run for a while, with 中止 to stop it. While it is
// up it is the only window that takes input.
class FetchProgress {
public:
    explicit FetchProgress(QWidget* owner) : m_owner(owner) { m_clock.start(); }
    ~FetchProgress() { delete m_dialog; }
    FetchProgress(const FetchProgress&) = delete;
    FetchProgress& operator=(const FetchProgress&) = delete;

    // False once the user has pressed 中止.
    bool update(int rows) {
        const qint64 now = m_clock.elapsed();
        if (now < m_nextLook)
            return true;
        if (!m_dialog) {
            if (now < progressDelaySlot())
                return true;
            m_dialog = new QProgressDialog(m_owner);
            m_dialog->setObjectName(QStringLiteral("FetchProgress"));
            m_dialog->setWindowTitle(QStringLiteral("ZEMO-DB　抽出"));
            m_dialog->setFont(zemo::gothicFont(9));
            m_dialog->setWindowModality(Qt::ApplicationModal);
            m_dialog->setCancelButtonText(QStringLiteral("中止"));
            m_dialog->setRange(0, 0);
            m_dialog->setAutoClose(false);
            m_dialog->setAutoReset(false);
            m_dialog->setMinimumDuration(0);
            // The busy pointer would hide that 中止 can be pressed.
            m_pointer.emplace();
            m_dialog->show();
        }
        m_nextLook = now + kPumpMs;
        m_dialog->setLabelText(QStringLiteral("取得中 %L1件").arg(rows));
        QCoreApplication::processEvents();
        return !m_dialog->wasCanceled();
    }

private:
    QWidget* m_owner;
    QElapsedTimer m_clock;
    qint64 m_nextLook = 0;
    QPointer<QProgressDialog> m_dialog;
    std::optional<zemo::NormalPointer> m_pointer;
};

} // namespace

void Form4::setSaveFileChooser(SaveFileChooser chooser) {
    chooserSlot() = std::move(chooser);
}
void Form4::setProgressDelay(int ms) {
    progressDelaySlot() = ms;
}

Form4::Form4(QWidget* parent) : QDialog(parent), m_placer(this) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("ZEMO-DB　抽出"));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setFont(zemo::gothicFont(9));
    buildControls();
    resize(m_placer.clientPixels(kClientWidth, kClientHeight));
    setMinimumSize(m_placer.toPixels(zemo::kForm4MinWidth - zemo::kFrameWidthTwips),
                   m_placer.toPixels(zemo::kForm4MinHeight - zemo::kFrameHeightTwips));
    Form_Load();
}

void Form4::buildControls() {
    const auto label = [this](const char* name, const QString& text, const TwipsRect& r) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        m_placer.place(l, r);
        return l;
    };
    const auto button = [this](const char* name, const QString& text, const TwipsRect& r) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        m_placer.place(b, r);
        return b;
    };

    Command1 = button("Command1", QStringLiteral("抽出"), {6000, 3600, 1335, 375});
    Command2 = button("Command2", QStringLiteral("戻る"), {8760, 120, 1335, 375});
    Command3 = button("Command3", QStringLiteral("ＣＳＶ出力"), {8760, 3600, 1335, 375});

    Label1 = label("Label1", QStringLiteral("ＳＱＬ文"), {240, 360, 1455, 255});
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setTabChangesFocus(true);
    m_placer.place(Text1, {240, 600, 5055, 3015});

    Label4 = label("Label4", QStringLiteral("表示項目"), {6000, 360, 975, 255});
    List2 = new QListWidget(this);
    List2->setObjectName(QStringLiteral("List2"));
    m_placer.place(List2, {6000, 600, 4095, 2940});

    Image1 = label("Image1", QString(), {5400, 1800, 480, 480});
    Image1->setPixmap(runPicture());
    Image1->setAlignment(Qt::AlignCenter);

    Label2 = label("Label2", QStringLiteral("検索結果"), {240, 3840, 975, 255});
    Label3 = label("Label3", QString(), {1080, 3840, 1215, 255});

    VSFlexGrid1 = new zemo::GridWidget(this);
    VSFlexGrid1->setObjectName(QStringLiteral("VSFlexGrid1"));
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
    m_placer.place(VSFlexGrid1, {240, 4080, 9855, 4335});

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Text1);
    setTabOrder(Text1, List2);
    setTabOrder(List2, VSFlexGrid1);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(VSFlexGrid1, &zemo::GridWidget::KeyDownEvent, this, &Form4::VSFlexGrid1_KeyDown);
    connect(VSFlexGrid1, &zemo::GridWidget::AfterSort, this, &Form4::VSFlexGrid1_AfterSort);
    connect(m_results, &zemo::ResultModel::sortFailed, this, &Form4::VSFlexGrid1_SortFailed);
    VSFlexGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(VSFlexGrid1, &QWidget::customContextMenuRequested, this, &Form4::VSFlexGrid1_ContextMenu);
}

void Form4::Form_Load() {
    const zemo::TwipsSize outer = m_placer.outerSize();
    zemo::centreOverMainWindow(this, outer);
    Form4Width = outer.width;
    Form4Height = outer.height;
    m_layoutReady = true;
    if (!gSqlText.isEmpty()) {
        zemo::BusyPointer busy;
        Text1->setPlainText(gSqlText);
        CopyDisplayItems();
        RunQuery();
    }
}

void Form4::CopyDisplayItems() {
    QWidget* main = zemo::mainWindow();
    const auto* source = main ? main->findChild<QListWidget*>(QStringLiteral("List2")) : nullptr;
    List2->clear();
    if (!source)
        return;
    for (int i = 0; i < source->count(); ++i)
        List2->addItem(source->item(i)->text());
}

void Form4::RunQuery() {
    VSFlexGrid1->setRows(1);
    VSFlexGrid1->setCols(1);
    zemo::BusyPointer busy(this);
    try {
        if (!gOraDatabase)
            throw zemo::ZemoError(zemo::err::NotConnected,
                                  QStringLiteral("データベースに接続されていません"));
        // The box's line breaks are CR LF pairs, as the statement was assembled.
        QString boxText = Text1->toPlainText();
        boxText.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        auto rs = gOraDatabase->CreateDynaset(zemo::statementToRun(boxText), 0);
        {
            FetchProgress progress(this);
            m_results->load(
                *rs, [&progress](int rows) { return progress.update(rows); }, zemo::kFetchTick);
        }
        rs.reset();
        VSFlexGrid1->AutoSize(0, VSFlexGrid1->Cols() - 1);
        Label3->setText(zemo::rowCountCaption(VSFlexGrid1->Rows() - 1));
    } catch (...) {
        ShowCurrentFailure(this);
    }
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

void Form4::ExportGrid(zemo::ExportFormat format) {
    const SaveFileChooser& chooser = chooserSlot();
    zemo::exportGrid(this, *VSFlexGrid1,
                     chooser ? zemo::exportTargetFor(chooser(this)) : zemo::askExportFile(this, format));
}

void Form4::VSFlexGrid1_KeyDown(int keyCode, int shift) {
    // Ctrl+C with Ctrl alone; Ctrl+Shift+C and Ctrl+Alt+C are left alone.
    if (keyCode == 67 && shift == 2)
        zemo::copyGridSelection(*VSFlexGrid1, false);
}

void Form4::VSFlexGrid1_ContextMenu(const QPoint& pos) {
    QMenu* menu =
        zemo::makeResultGridMenu(this, *VSFlexGrid1, [this](zemo::ExportFormat f) { ExportGrid(f); });
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

void Form4::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void Form4::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void Form4::Form_Resize() {
    if (!m_layoutReady)
        return;
    zemo::Form4Rects rects{m_placer.rect(Text1),    m_placer.rect(List2),      m_placer.rect(Label4),
                           m_placer.rect(Command1), m_placer.rect(Command2),   m_placer.rect(Command3),
                           m_placer.rect(Image1),   m_placer.rect(VSFlexGrid1)};
    const zemo::TwipsSize current = m_placer.outerSize();
    const auto res = zemo::layoutForm4(rects, {Form4Width, Form4Height}, current, isMinimized());
    if (!res.laidOut)
        return;
    m_placer.setRect(Text1, res.rects.Text1);
    m_placer.setRect(List2, res.rects.List2);
    m_placer.setRect(Label4, res.rects.Label4);
    m_placer.setRect(Command1, res.rects.Command1);
    m_placer.setRect(Command2, res.rects.Command2);
    m_placer.setRect(Command3, res.rects.Command3);
    m_placer.setRect(Image1, res.rects.Image1);
    m_placer.setRect(VSFlexGrid1, res.rects.VSFlexGrid1);
    Form4Width = res.remembered.width;
    Form4Height = res.remembered.height;
    if (res.enforced != current)
        resize(width() + m_placer.toPixels(res.enforced.width - current.width),
               height() + m_placer.toPixels(res.enforced.height - current.height));
}
