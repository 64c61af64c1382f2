#include "mainwindow/ConditionStore.h"

#include "base/WindowThread.h"
#include "session/Module1.h"

namespace zemo {

bool conditionAcceptable(const Condition& c) {
    if (c.connector.isEmpty() || c.left.isEmpty() || c.op.isEmpty())
        return false;
    if (!c.right.isEmpty())
        return true;
    const QString op = c.op.toUpper();
    return op == QLatin1String("IS NOT NULL") || op == QLatin1String("IS NULL");
}

QString conditionLine(const Condition& c) {
    const QChar sp(QLatin1Char(' '));
    return c.connector + sp + c.left + sp + c.op + sp + c.right + sp;
}

Condition storedCondition(int index) {
    return {gCondConnector.at(index), gCondLeft.at(index), gCondOperator.at(index), gCondRight.at(index)};
}

QStringList storedConditionLines() {
    QStringList lines;
    lines.reserve(gCondCount);
    for (int i = 0; i < gCondCount; ++i)
        lines << conditionLine(storedCondition(i));
    return lines;
}

bool addCondition(const Condition& c) {
    requireWindowThread("addCondition");
    if (!conditionAcceptable(c) || gCondCount >= kMaxConditions)
        return false;
    gCondConnector << c.connector;
    gCondLeft << c.left;
    gCondOperator << c.op;
    gCondRight << c.right;
    ++gCondCount;
    return true;
}

bool changeCondition(int index, const Condition& c) {
    requireWindowThread("changeCondition");
    if (index < 0 || index >= gCondCount || !conditionAcceptable(c))
        return false;
    gCondConnector[index] = c.connector;
    gCondLeft[index] = c.left;
    gCondOperator[index] = c.op;
    gCondRight[index] = c.right;
    return true;
}

bool deleteCondition(int index) {
    requireWindowThread("deleteCondition");
    if (index < 0 || index >= gCondCount)
        return false;
    gCondConnector.removeAt(index);
    gCondLeft.removeAt(index);
    gCondOperator.removeAt(index);
    gCondRight.removeAt(index);
    --gCondCount;
    return true;
}

} // namespace zemo
