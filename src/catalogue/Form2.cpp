#include "catalogue/Form2.h"

#include "base/ZemoError.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueReads.h"
#include "session/Module1.h"
#include "ui/BusyPointer.h"
#include "ui/DbWait.h"
#include "ui/ErrorTrap.h"
#include "ui/LogicalNameList.h"
#include "ui/QueryBuilderWindow.h"

#include <QListWidget>
#include <QPushButton>

Form2::Form2(QWidget* parent)
    : FixedDialog(parent, "Form2", QStringLiteral("ZEMO-DB　テーブル選択"), {5250, 4710}) {

    zemo::ControlMaker make(this, m_placer);
    Command1 = make.button("Command1", QStringLiteral("ＯＫ"), {720, 4080, 1335, 375});
    Command2 = make.button("Command2", QStringLiteral("ＣＡＮＣＥＬ"), {3120, 4080, 1335, 375});
    List1 = make.add<QListWidget>("List1", {240, 360, 4695, 3480});
    // A click marks or unmarks one entry and leaves the others alone.
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    // Each table with its logical name beside it; the entry's text stays the table's name.
    zemo::useLogicalNames(List1, true);
    zemo::setTabChain({Command1, Command2, List1});

    zemo::connectClicks(this, {{Command1, &Form2::Command1_Click}, {Command2, &Form2::Command2_Click}});

    Form_Load();
}

void Form2::Form_Load() {
    centreOverMain();
    if (!zemo::catalogueSavedForConnection()) {
        zemo::whenFirstShown(this, [this] { ReadTableList(); });
        return;
    }
    for (int i = 0; i < gTableCount; ++i) {
        QListWidgetItem* item = zemo::addNamedItem(List1, gTableList.at(i).name, gTableList.at(i).logical);
        item->setSelected(gTableList.at(i).selected == QLatin1String("1"));
    }
}

// Read on the connection's thread once the dialog is up; the names read before a failure or 中止 are
// listed.
void Form2::ReadTableList() {
    zemo::runTrapped(this, [this] {
        auto names = std::make_shared<QStringList>();
        auto logical = std::make_shared<zemo::CommentMap>();
        const auto call = RunDictionaryQuery(
            [names, logical](zemo::OracleDatabase& db, const zemo::DbCall& call) {
                zemo::readTableNames(db, [&names](const QString& name) { names->append(name); });
                if (call.stopRequested())
                    zemo::throwStopped();
                *logical = zemo::readTableLogicalNames(db);
            },
            QStringLiteral("テーブルの一覧を読んでいます…"));
        if (!call)
            return;
        for (const QString& name : *names)
            zemo::addNamedItem(List1, name, logical->value(name));
        if (call->outcome() == zemo::DbCall::Outcome::Failed)
            call->rethrow();
    });
}

void Form2::Command1_Click() {
    zemo::BusyPointer busy;
    zemo::runTrapped(this, [this] {
        const int n = List1->count();
        bool anyMarked = false;
        QList<TableListRow> rows;
        rows.reserve(n);
        for (int i = 0; i < n; ++i) {
            const QListWidgetItem* item = List1->item(i);
            anyMarked = anyMarked || item->isSelected();
            rows.append({item->text(), item->isSelected() ? QStringLiteral("1") : QStringLiteral("0"),
                         item->data(zemo::kLogicalNameRole).toString()});
        }
        zemo::saveCatalogue(rows);

        zemo::QueryBuilderWindow* main = zemo::queryBuilder();
        if (!anyMarked) {
            if (main)
                main->resetColumnPicker();
            gFromList.clear();
            return;
        }
        LoadSelectedTables();
        if (main)
            main->applyAttributeColumns();
    });
    accept();
}

void Form2::LoadSelectedTables() {
    zemo::runTrapped(this, [this] {
        if (zemo::QueryBuilderWindow* main = zemo::queryBuilder())
            main->clearColumnPicker();
        gFromList.clear();
        int ordinal = 0;
        m_stopped = false;
        for (int i = 0; i < gTableCount && !m_stopped; ++i) {
            if (gTableList.at(i).selected != QLatin1String("1"))
                continue;
            LoadTableColumns(i, ordinal);
            ++ordinal; // a failed table keeps its number
        }
    });
}

// A failure ends the loading of this one table where it happened: what was written stays. 中止 ends
// the loading of the marked tables.
void Form2::LoadTableColumns(const int& tableIndex, const int& ordinal) {
    zemo::runTrapped(this, [&] {
        const QString name = gTableList.at(tableIndex).name;
        auto read = std::make_shared<zemo::TableColumns>();
        const auto call = RunDictionaryQuery(
            [read, name](zemo::OracleDatabase& db, const zemo::DbCall&) {
                *read = zemo::readNamedTableColumns(db, name);
            },
            QStringLiteral("%1 の列を読んでいます…").arg(name));
        if (!call || (m_stopped && call->failure()))
            return;
        call->rethrow(); // the query itself failed: nothing of this table is written
        if (zemo::QueryBuilderWindow* main = zemo::queryBuilder())
            main->showTableColumns(ordinal, name, read->columns, gTableList.at(tableIndex).logical);
        zemo::appendFromEntry(gFromList, name, ordinal);
        if (read->failure && !m_stopped)
            throw *read->failure;
    });
}

std::shared_ptr<zemo::DbCall> Form2::RunDictionaryQuery(const zemo::DbConnection::Work& work,
                                                        const QString& what) {
    const auto call = zemo::connectedDatabase().run(work);
    zemo::DbWait wait(this, [what] { return what; });
    const bool finished = wait.wait(*call) == zemo::CallWait::End::Finished;
    m_stopped = m_stopped || !finished || call->stoppedWhileRunning();
    return finished ? call : nullptr;
}

void Form2::Command2_Click() {
    reject();
}
