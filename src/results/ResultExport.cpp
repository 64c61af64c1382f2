#include "results/ResultExport.h"

#include "base/ZemoError.h"
#include "grid/GridWidget.h"
#include "results/CsvWriter.h"
#include "results/XlsxWriter.h"
#include "ui/ErrorTrap.h"
#include "ui/MessagePresenter.h"
#include "ui/WorkProgress.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

namespace zemo {

namespace {

const QString kCsvFilter = QStringLiteral("csv(*.csv)");
const QString kXlsxFilter = QStringLiteral("Excel ブック (*.xlsx)");

QString suffixOf(ExportFormat format) {
    return format == ExportFormat::Xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv");
}

ExportFormat formatOfFilter(const QString& filter) {
    return filter == kXlsxFilter ? ExportFormat::Xlsx : ExportFormat::Csv;
}

// The save dialog puts the final name in its box before it checks for a file to replace, so that
// the question names the file that is written.
class ExportDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QString typed = selectedFiles().value(0);
        if (!typed.isEmpty() && !QFileInfo(typed).isDir()) {
            const QString path = exportTargetFor(typed, formatOfFilter(selectedNameFilter())).path;
            if (path != typed)
                selectFile(path);
        }
        QFileDialog::accept();
    }
};

// The writers' progress on the window: a bar of rows written with 中止 after a second, the last step
// beside the window.
class ExportProgress : public WriteProgress {
public:
    explicit ExportProgress(QWidget* owner) : m_work(owner, QStringLiteral("書き込み中")) {}
    bool rowsWritten(qint64 done, qint64 total) override { return m_work.step(done, total); }
    void finishing(const std::function<void()>& work) override { m_work.runAside(work); }
    bool stopped() const override { return m_work.stopped(); }

private:
    WorkProgress m_work;
};

} // namespace

ExportTarget askExportFile(QWidget* parent, ExportFormat format) {
    ExportDialog dlg(parent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(suffixOf(format));
    dlg.selectFile(QStringLiteral("ZEMO_tbl.") + suffixOf(format));
    dlg.setNameFilters({kCsvFilter, kXlsxFilter});
    dlg.selectNameFilter(format == ExportFormat::Xlsx ? kXlsxFilter : kCsvFilter);
    // Another filter: its suffix for a bare name, and the name in the box follows it.
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg](const QString& filter) {
        const QString suffix = suffixOf(formatOfFilter(filter));
        dlg.setDefaultSuffix(suffix);
        const QFileInfo typed(dlg.selectedFiles().value(0));
        const QString old = typed.suffix().toLower();
        if ((old == QLatin1String("csv") || old == QLatin1String("xlsx")) && old != suffix)
            dlg.selectFile(typed.completeBaseName() + QLatin1Char('.') + suffix);
    });
    if (dlg.exec() != QDialog::Accepted)
        return {};
    return exportTargetFor(dlg.selectedFiles().value(0), formatOfFilter(dlg.selectedNameFilter()));
}

ExportTarget exportTargetFor(const QString& path, ExportFormat shown) {
    const QString suffix = QFileInfo(path).suffix();
    for (const ExportFormat f : {ExportFormat::Csv, ExportFormat::Xlsx})
        if (suffix.compare(suffixOf(f), Qt::CaseInsensitive) == 0)
            return {path, f};
    if (path.isEmpty())
        return {};
    return {path + QLatin1Char('.') + suffixOf(shown), shown};
}

void exportGrid(QWidget* parent, const GridWidget& grid, const ExportTarget& target) {
    if (target.path.isEmpty())
        return;
    QString notice;
    bool stopped = false;
    const bool written = zemo::runTrapped(parent, [&] {
        ExportProgress progress(parent);
        try {
            if (target.format == ExportFormat::Xlsx)
                notice = xlsxNotice(writeGridXlsx(*grid.gridModel(), grid.visualColumns(), target.path,
                                                  kSheetDataRows, &progress));
            else
                writeGridCsv(*grid.gridModel(), grid.visualColumns(), target.path, &progress);
        } catch (const ZemoError& e) {
            // 中止 is the user's own: the old file stays, and there is nothing to tell.
            if (e.number() != err::Cancelled || !progress.stopped())
                throw;
            stopped = true;
        }
    });
    if (written && !stopped && !notice.isEmpty())
        MessagePresenter::show(parent, notice, MessageKind::Information);
}

void copyGridSelection(const GridWidget& grid, bool withHeadings) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(grid.selectionText(withHeadings));
}

QMenu* makeResultGridMenu(QWidget* parent, const GridWidget& grid,
                          std::function<void(ExportFormat)> exportAs) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("ResultGridMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [menu](const char* name, const QString& text, auto act) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        QObject::connect(a, &QAction::triggered, menu, act);
    };
    add("CopyAction", QStringLiteral("コピー"), [&grid] { copyGridSelection(grid, false); });
    add("CopyWithHeadingsAction", QStringLiteral("見出し付きでコピー"),
        [&grid] { copyGridSelection(grid, true); });
    menu->addSeparator();
    add("CsvExportAction", QStringLiteral("ＣＳＶ出力..."), [exportAs] { exportAs(ExportFormat::Csv); });
    add("XlsxExportAction", QStringLiteral("Excel 出力..."), [exportAs] { exportAs(ExportFormat::Xlsx); });
    for (const char* name : {"CsvExportAction", "XlsxExportAction"})
        menu->findChild<QAction*>(QLatin1String(name))->setEnabled(bool(exportAs));
    return menu;
}

} // namespace zemo
