#pragma once

#include "db/OracleAccess.h"

namespace zemo {

// The dictionary through Oracle's views, or PostgreSQL's temporary views of the same names: comments
// from USER_TAB_COMMENTS and USER_COL_COMMENTS; keys from USER_CONSTRAINTS and USER_CONS_COLUMNS
// (Oracle's dialect) or user_foreign_key_columns (any other).
CommentMap viewTableComments(OracleDatabase& db);
CommentMap viewColumnComments(OracleDatabase& db, const QString& table);
QList<ForeignKey> viewForeignKeys(OracleDatabase& db, const QStringList& tables);

// A database whose dictionary is read through those views.
class ViewDictionaryDatabase : public OracleDatabase {
public:
    CommentMap tableComments() override { return viewTableComments(*this); }
    CommentMap columnComments(const QString& table) override { return viewColumnComments(*this, table); }
    QList<ForeignKey> foreignKeys(const QStringList& tables) override {
        return viewForeignKeys(*this, tables);
    }
};

} // namespace zemo
