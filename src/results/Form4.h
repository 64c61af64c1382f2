#pragma once

#include "results/Form4Logic.h"
#include "ui/FormSupport.h"

#include "ui/BusyPointer.h"

#include <QDialog>
#include <functional>
#include <optional>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace zemo {
class GridWidget;
class ResultModel;
class ResultRun;
class ZemoError;
enum class ExportFormat;
} // namespace zemo

// Result window: runs the statement, shows the rows as they arrive, copies the selection and saves
// the grid as CSV or as an Excel workbook.
//
// While a run goes on the window stays usable: the rows that have arrived can be scrolled, selected and
// copied, 中止 (Command4) stops the run and keeps them, and what needs every row (heading-click sort,
// ＣＳＶ出力, Excel 出力) waits for the end. 抽出 during a run and closing the window stop it first.
class Form4 : public zemo::SizableWindow<QDialog, zemo::Form4Rects> {
    Q_OBJECT
public:
    explicit Form4(QWidget* parent = nullptr);
    ~Form4() override;
    // Closing the window while rows arrive stops the run first.
    void done(int result) override;

    // Outer size at design: the client area 10440 × 8565 and the window frame.
    static constexpr zemo::TwipsSize kOuterSize{10440 + zemo::kFrameWidthTwips,
                                                8565 + zemo::kFrameHeightTwips};

    // Asks for the file that ＣＳＶ出力 and the grid's menu write; an empty path means the user
    // cancelled, a path ending in ".xlsx" asks for a workbook. Tests put a function here instead of the
    // save dialog; an empty function restores the dialog.
    using SaveFileChooser = std::function<QString(QWidget* parent)>;
    static void setSaveFileChooser(SaveFileChooser chooser);

private Q_SLOTS:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void VSFlexGrid1_KeyDown(int keyCode, int shift);
    void VSFlexGrid1_AfterSort(int col, int order);
    void VSFlexGrid1_SortFailed(const zemo::ZemoError& error);
    void VSFlexGrid1_ContextMenu(const QPoint& pos);

private:
    void buildControls();
    void Form_Load();
    void RunQuery();
    void ShowRunning(bool running);
    void ShowArrivedRows(int rows);
    void FinishRun();
    void ShowRowCount(const QString& caption);
    void CopyDisplayItems();
    void ShowHeadingLogicalNames(bool assembledStatement);
    void ExportGrid(zemo::ExportFormat format);

    QLabel *Label1 = nullptr, *Label4 = nullptr, *Image1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QListWidget* List2 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr;
    zemo::GridWidget* VSFlexGrid1 = nullptr;
    zemo::ResultModel* m_results = nullptr;
    zemo::StatementBoxText m_statement;
    zemo::ResultRun* m_run = nullptr;
    QString m_ranSql;            // the statement of the last run, as it was run
    QString m_countBefore;       // Label3 before the run: what a failed run leaves there
    bool m_widthsFitted = false; // the columns were fitted to the first rows of the run
    int m_label3Width = 0;       // pixels at design
    std::optional<zemo::BusyPointer> m_busy;
};
