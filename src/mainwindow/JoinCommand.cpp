#include "mainwindow/JoinCommand.h"

#include "catalogue/CatalogueReads.h"
#include "mainwindow/JoinConditions.h"
#include "session/Module1.h"
#include "ui/DbWait.h"

namespace zemo {

int addForeignKeyJoins(QWidget* owner, const QStringList& tables) {
    QStringList loaded;
    for (const QString& t : tables)
        if (!t.isEmpty())
            loaded << t;
    // One table has no other to join (the dialog lists every table once, so it is never marked twice).
    if (loaded.size() < 2 || !zemo::isConnected())
        return 0;
    auto keys = std::make_shared<QList<ForeignKey>>();
    const auto call = connectedDatabase().run(
        [keys, loaded](OracleDatabase& db, const DbCall&) { *keys = readForeignKeys(db, loaded); });
    DbWait wait(owner, [] { return QStringLiteral("外部キーを読んでいます…"); });
    // Stopped: the user wants none of it, whatever the read got.
    if (wait.wait(*call) != CallWait::End::Finished || call->outcome() == DbCall::Outcome::Stopped)
        return 0;
    call->rethrow();
    return addJoinConditions(tables, *keys);
}

} // namespace zemo
