#pragma once

#include <QString>
#include <QStringList>

namespace zemo {

// One WHERE condition as the four editor fields hold it.
struct Condition {
    QString connector;
    QString left;
    QString op;
    QString right;
    bool operator==(const Condition&) const = default;
};

// Connector, left side and operator must be non-empty; the right side may be empty only for the
// operators IS NULL / IS NOT NULL (compared exactly after upper-casing). Blanks count as text.
bool conditionAcceptable(const Condition& c);

// The condition list's line: each part followed by one space.
QString conditionLine(const Condition& c);

// Operations on the condition store of the global state (gCondCount and the four gCond* lists).
Condition storedCondition(int index);
QStringList storedConditionLines();
// False when the fields are not acceptable or the store is full (kMaxConditions); nothing changes then.
bool addCondition(const Condition& c);
// False when the index is out of range or the fields are not acceptable.
bool changeCondition(int index, const Condition& c);
bool deleteCondition(int index);

} // namespace zemo
