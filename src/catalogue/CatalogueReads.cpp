#include "catalogue/CatalogueReads.h"

#include "base/ZemoError.h"
#include "db/OracleAccess.h"

namespace zemo {

QString columnQuery(const QString& tableName) {
    return QStringLiteral("select column_name,DATA_TYPE||'['||DATA_LENGTH||']' TypeLen from user_tab_columns "
                          "where table_name = ") +
           sqlText(tableName);
}

void readTableNames(OracleDatabase& db, const std::function<void(const QString&)>& add) {
    auto rs = db.CreateDynaset(kTableListQuery, 0);
    while (!rs->Eof()) {
        add(rs->Fields(QStringLiteral("OBJECT_NAME")).Value().toString());
        rs->MoveNext();
    }
}

TableColumns readTableColumns(OracleDatabase& db, const QString& tableName) {
    auto rs = db.CreateDynaset(columnQuery(tableName), 0);
    TableColumns out;
    try {
        while (!rs->Eof()) {
            out.columns.append({rs->Fields(QStringLiteral("column_name")).Value().toString(),
                                rs->Fields(QStringLiteral("TypeLen")).Value().toString()});
            rs->MoveNext();
        }
    } catch (...) {
        out.failure = currentFailure();
    }
    return out;
}

QString logicalName(const QString& comment) {
    for (const QStringView line : QStringView(comment).split(QLatin1Char('\n'))) {
        const QStringView name = line.trimmed();
        if (!name.isEmpty())
            return name.toString();
    }
    return {};
}

namespace {

CommentMap logicalNames(const CommentMap& comments) {
    CommentMap out;
    for (auto it = comments.cbegin(); it != comments.cend(); ++it) {
        const QString logical = logicalName(it.value());
        if (!logical.isEmpty())
            out.insert(it.key(), logical);
    }
    return out;
}

} // namespace

CommentMap readTableLogicalNames(OracleDatabase& db) {
    return logicalNames(db.tableComments());
}

CommentMap readColumnLogicalNames(OracleDatabase& db, const QString& tableName) {
    return logicalNames(db.columnComments(tableName));
}

void attachLogicalNames(QList<TableColumn>& columns, const CommentMap& logical) {
    for (TableColumn& c : columns)
        c.logical = logical.value(c.name);
}

TableColumns readNamedTableColumns(OracleDatabase& db, const QString& tableName) {
    TableColumns out = readTableColumns(db, tableName);
    if (out.failure)
        return out;
    try {
        attachLogicalNames(out.columns, readColumnLogicalNames(db, tableName));
    } catch (...) {
        out.failure = currentFailure();
    }
    return out;
}

QList<ForeignKey> readForeignKeys(OracleDatabase& db, const QStringList& markedTables) {
    return db.foreignKeys(markedTables);
}

} // namespace zemo
