#pragma once

#include "db/StatementParameters.h"
#include "mainwindow/ConditionStore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace zemo {

// A built query kept in a file to open again: what the main window holds, not the statement, so that
// the window comes back as it was and 抽出 assembles the same statement. The file is JSON, one value a
// line, readable and diffable; it holds no password.

// The version this program writes; a file of a later version is refused.
inline constexpr int kSavedQueryVersion = 1;
// What the file's "format" says it is.
inline const QString kSavedQueryFormat = QStringLiteral("ZEMO-DB saved query");
// The suffix the save dialog gives a name typed without one.
inline const QString kSavedQuerySuffix = QStringLiteral("zemoq");

// A marked table and the place that gives its alias (ordinal k: alias T(k+1)).
struct SavedTable {
    int ordinal = 0;
    QString name;
    bool operator==(const SavedTable&) const = default;
};

struct SavedQuery {
    QString profile;          // the profile's section name
    QList<SavedTable> tables; // by ordinal, rising
    QStringList items;        // the selected display items, in list order
    QList<Condition> conditions;
    bool attributesShown = false;   // 表示 → 属性表示
    bool logicalNamesShown = false; // 表示 → 論理名表示
    ParameterValues values;         // the placeholders' last values
    bool operator==(const SavedQuery&) const = default;
};

// The file's text.
QByteArray savedQueryText(const SavedQuery& query);
// The query a file's text holds; throws err::QueryFileRead naming what is wrong and `path`.
SavedQuery parseSavedQuery(const QByteArray& text, const QString& path);

// Written beside the target, synced and renamed over it, so that a failure leaves an old file whole.
// Throws err::QueryFileWrite.
void writeSavedQuery(const SavedQuery& query, const QString& path);
// Throws err::QueryFileRead.
SavedQuery readSavedQuery(const QString& path);

// The FROM body the table dialog built for these tables.
QString savedFromList(const QList<SavedTable>& tables);
// The statement 抽出 assembles for the saved query.
QString assembleSavedQuery(const SavedQuery& query);

} // namespace zemo
