#include "mainwindow/JoinConditions.h"

#include "catalogue/Catalogue.h"
#include "session/Module1.h"

#include <algorithm>

namespace zemo {

namespace {

// One key between two markings: `left` is the smaller ordinal.
struct Link {
    int left = 0;
    int right = 0;
    bool keyOnLeft = true; // the key's own table is the left one
    const ForeignKey* key = nullptr;
};

QList<int> ordinalsOf(const QStringList& markedTables, const QString& table) {
    QList<int> out;
    for (int k = 0; k < markedTables.size(); ++k)
        if (markedTables[k] == table)
            out << k;
    return out;
}

QList<Link> linksOf(const QStringList& markedTables, const QList<ForeignKey>& keys) {
    QList<Link> links;
    for (const ForeignKey& key : keys) {
        const QList<int> own = ordinalsOf(markedTables, key.table);
        const QList<int> referred = ordinalsOf(markedTables, key.refTable);
        int from = -1, to = -1;
        if (key.table == key.refTable && own.size() >= 2) {
            from = own[0];
            to = own[1];
        } else if (key.table != key.refTable && !own.isEmpty() && !referred.isEmpty()) {
            from = own[0];
            to = referred[0];
        }
        if (from >= 0)
            links.append({qMin(from, to), qMax(from, to), from < to, &key});
    }
    std::stable_sort(links.begin(), links.end(), [](const Link& a, const Link& b) {
        return a.left != b.left ? a.left < b.left : a.right < b.right;
    });
    return links;
}

bool samePart(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

QList<Condition> joinConditions(const QStringList& markedTables, const QList<ForeignKey>& keys) {
    QList<Condition> out;
    const QString dot(QLatin1Char('.'));
    for (const Link& link : linksOf(markedTables, keys)) {
        const QString left = tableAlias(link.left) + dot;
        const QString right = tableAlias(link.right) + dot;
        for (const ColumnPair& pair : link.key->columns) {
            if (pair.column.isEmpty() || pair.refColumn.isEmpty())
                continue;
            const QString& leftColumn = link.keyOnLeft ? pair.column : pair.refColumn;
            const QString& rightColumn = link.keyOnLeft ? pair.refColumn : pair.column;
            out.append({QString(), left + leftColumn, QStringLiteral("="), right + rightColumn});
        }
    }
    return out;
}

bool conditionStored(const Condition& c) {
    for (int i = 0; i < gCondCount; ++i) {
        const Condition s = storedCondition(i);
        if (!samePart(s.op, c.op))
            continue;
        if ((samePart(s.left, c.left) && samePart(s.right, c.right)) ||
            (samePart(s.left, c.right) && samePart(s.right, c.left)))
            return true;
    }
    return false;
}

int addJoinConditions(const QStringList& markedTables, const QList<ForeignKey>& keys) {
    int added = 0;
    for (Condition c : joinConditions(markedTables, keys)) {
        if (conditionStored(c))
            continue;
        c.connector = gCondCount == 0 ? QStringLiteral("Where") : QStringLiteral("And");
        if (!addCondition(c))
            break;
        ++added;
    }
    return added;
}

} // namespace zemo
