// Saved queries: the ファイル menu's 開く and 保存, and the placeholders' values asked at 抽出.
#include "mainwindow/Form1.h"

#include "catalogue/Catalogue.h"
#include "grid/GridWidget.h"
#include "mainwindow/ParameterDialog.h"
#include "mainwindow/QueryRestore.h"
#include "profiles/Form6.h"
#include "session/Module1.h"
#include "ui/DbWait.h"
#include "ui/ErrorTrap.h"
#include "ui/MessagePresenter.h"

#include <QAction>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>

namespace {

Form1::QueryFileChooser& chooserSlot() {
    static Form1::QueryFileChooser chooser;
    return chooser;
}

const QString kQueryFilter = QStringLiteral("抽出条件 (*.") + zemo::kSavedQuerySuffix + QLatin1Char(')');

QString askQueryFile(QWidget* parent, bool forSaving) {
    if (const Form1::QueryFileChooser& chooser = chooserSlot())
        return chooser(parent, forSaving);
    QFileDialog dlg(parent);
    dlg.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setNameFilters({kQueryFilter, QStringLiteral("すべてのファイル (*)")});
    dlg.setDefaultSuffix(zemo::kSavedQuerySuffix);
    if (forSaving)
        dlg.selectFile(QStringLiteral("抽出条件.") + zemo::kSavedQuerySuffix);
    return dlg.exec() == QDialog::Accepted ? dlg.selectedFiles().value(0) : QString();
}

} // namespace

void Form1::setQueryFileChooser(QueryFileChooser chooser) {
    chooserSlot() = std::move(chooser);
}

zemo::SavedQuery Form1::BuiltQuery() const {
    zemo::SavedQuery q;
    q.profile = gProfileName;
    for (int k = 0; k < m_loadedTables.size(); ++k)
        if (!m_loadedTables.at(k).isEmpty())
            q.tables.append({k, m_loadedTables.at(k)});
    for (const zemo::DisplayItem& item : displayItems())
        if (item.selected)
            q.items << item.text;
    for (int i = 0; i < gCondCount; ++i)
        q.conditions.append(zemo::storedCondition(i));
    q.attributesShown = TypeDisp->isChecked();
    q.logicalNamesShown = LogicalDisp->isChecked();
    // The last values of the placeholders the query has.
    for (const QString& name :
         zemo::placeholderNames(zemo::assembleSavedQuery(q), zemo::dialectOfService(gServiceName)))
        if (m_values.contains(name))
            q.values.insert(name, m_values.value(name));
    return q;
}

void Form1::QuerySave_Click() {
    if (m_queryPath.isEmpty()) {
        QuerySaveAs_Click();
        return;
    }
    SaveQueryAs(m_queryPath);
}

void Form1::QuerySaveAs_Click() {
    SaveQueryAs(QString());
}

// Saves under `path`, or under a name asked for when it is empty.
void Form1::SaveQueryAs(const QString& path) {
    zemo::runTrapped(this, [&] {
        zemo::connectedDatabase();
        const QString target = path.isEmpty() ? askQueryFile(this, true) : path;
        if (target.isEmpty())
            return;
        zemo::writeSavedQuery(BuiltQuery(), target);
        m_queryPath = target;
    });
}

void Form1::QueryOpen_Click() {
    zemo::runTrapped(this, [this] {
        const QString path = askQueryFile(this, false);
        if (path.isEmpty())
            return;
        const zemo::SavedQuery query = zemo::readSavedQuery(path);
        if (!zemo::isConnected()) {
            // 接続 with the query's profile: the same messages and waits, the list not shown.
            Form6 dlg(this);
            const bool connected = dlg.ConnectProfile(query.profile);
            setConnectedCommands(zemo::isConnected());
            if (!connected)
                return;
        }
        if (RestoreQuery(query))
            m_queryPath = path;
    });
}

bool Form1::RestoreQuery(const zemo::SavedQuery& query) {
    auto read = std::make_shared<zemo::QueryRestoreRead>();
    const auto call = zemo::connectedDatabase().run(
        [read, tables = query.tables](zemo::OracleDatabase& db, const zemo::DbCall& c) {
            *read = zemo::readForRestore(db, tables, c);
        });
    zemo::DbWait wait(this, [] { return QStringLiteral("抽出条件のテーブルを読んでいます…"); });
    // Stopped or given up: the window stays as it was.
    if (wait.wait(*call) != zemo::CallWait::End::Finished ||
        call->outcome() == zemo::DbCall::Outcome::Stopped)
        return false;
    call->rethrow();

    resetColumnPicker();
    gFromList.clear();
    zemo::saveCatalogue(zemo::restoredCatalogue(*read, query.tables));
    for (const zemo::SavedTable& t : query.tables) {
        if (!read->columns.contains(t.ordinal))
            continue;
        showTableColumns(t.ordinal, t.name, read->columns.value(t.ordinal), read->tableLogical.value(t.name));
        zemo::appendFromEntry(gFromList, t.name, t.ordinal);
    }
    TypeDisp->setChecked(query.attributesShown);
    applyAttributeColumns();
    LogicalDisp->setChecked(query.logicalNamesShown);
    ApplyLogicalNames();
    for (int i = 0; i < List2->count(); ++i)
        List2->item(i)->setSelected(query.items.contains(List2->item(i)->text()));
    for (const zemo::Condition& c : query.conditions)
        zemo::addCondition(c);
    RefreshConditionList();
    Command5->setEnabled(List1->count() > 0);
    Command6->setEnabled(List1->count() > 0);
    m_values = query.values;

    const QStringList gone = zemo::vanishedNames(query, *read);
    if (!gone.isEmpty())
        zemo::MessagePresenter::show(this, zemo::vanishedMessage(gone));
    return true;
}

bool Form1::AskPlaceholderValues() {
    const QStringList names = zemo::placeholderNames(gSqlText, zemo::dialectOfService(gServiceName));
    gSqlValues.clear();
    if (names.isEmpty())
        return true;
    ParameterDialog dlg(this, names, m_values);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    gSqlValues = dlg.values();
    m_values.insert(gSqlValues);
    return true;
}
