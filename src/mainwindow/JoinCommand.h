#pragma once

#include <QStringList>

class QWidget;

namespace zemo {

// 結合条件の追加: reads the foreign keys of the tables on the connection's thread while `owner` waits
// and adds the join conditions the store does not hold yet (addJoinConditions). `tables` holds the
// loaded tables by ordinal, an empty entry for one that could not be loaded. Returns how many were
// added: none with fewer than two tables, and none when 中止 stopped the read. A failure of the read
// is thrown.
int addForeignKeyJoins(QWidget* owner, const QStringList& tables);

} // namespace zemo
