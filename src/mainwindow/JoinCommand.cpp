#include "mainwindow/JoinCommand.h"

#include "app/DbWait.h"
#include "app/Module1.h"
#include "catalogue/Catalogue.h"
#include "mainwindow/JoinConditions.h"

namespace zemo {

int AddForeignKeyJoins(QWidget* owner, const QStringList& tables) {
    QStringList loaded;
    for (const QString& t : tables)
        if (!t.isEmpty())
            loaded << t;
    // One table has no other to join (the dialog lists every table once, so it is never marked twice).
    if (loaded.size() < 2 || !gOraDatabase)
        return 0;
    auto keys = std::make_shared<QList<ForeignKey>>();
    const auto call = gOraDatabase->run(
        [keys, loaded](OracleDatabase& db, const DbCall&) { *keys = readForeignKeys(db, loaded); });
    DbWait wait(owner, [] { return QStringLiteral("外部キーを読んでいます…"); });
    // Stopped: the user wants none of it, whatever the read got.
    if (!wait.wait(*call) || call->stopRequested())
        return 0;
    call->rethrow();
    return addJoinConditions(tables, *keys);
}

} // namespace zemo
