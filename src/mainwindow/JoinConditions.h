#pragma once

#include "db/Dictionary.h"
#include "mainwindow/ConditionStore.h"

#include <QList>
#include <QStringList>

namespace zemo {

// The conditions that join the marked tables on their foreign keys (`markedTables[k]` is the table
// of alias T(k+1)), one per column pair of each key between two marked tables: the alias-qualified
// column of the table marked first on the left, "=", the other one on the right; the connector is
// left empty. Ordered by the two aliases, then as the keys come, then in the key's column order.
// A key to another table joins the first marking of each. A key from a table to itself joins its
// first marking (the referring row) to its second (the referred row); with one marking there is no
// line, since one alias can only compare a row with itself.
QList<Condition> joinConditions(const QStringList& markedTables, const QList<ForeignKey>& keys);

// Whether the store holds a condition with the same operator and sides, the sides in either order,
// whatever its connector, blanks around the parts and letter case.
bool conditionStored(const Condition& c);

// Adds the join conditions the store does not hold yet, as 追加 adds a condition: "Where" on the
// first line of an empty store, "And" on every other. Returns how many were added; stops when the
// store is full.
int addJoinConditions(const QStringList& markedTables, const QList<ForeignKey>& keys);

} // namespace zemo
