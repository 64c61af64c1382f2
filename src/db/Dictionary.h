#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace zemo {

// What a database's dictionary knows beyond the column list: comments on tables and columns, and
// foreign keys. Names are written as the table dialog lists them (USER_OBJECTS, user_tab_columns),
// so they can be looked up with the names the main window holds.

// One column of a table as the column query gives it: its name and its type text ("VARCHAR2[20]"),
// and the logical name its comment gives, for display only.
struct TableColumn {
    QString name;
    QString typeLen;
    QString logical = {};
    bool operator==(const TableColumn&) const = default;
};

// Comments by table or column name; a name without a comment is absent.
using CommentMap = QHash<QString, QString>;

// One column of a foreign key and the column of the referenced table it points at.
struct ColumnPair {
    QString column;
    QString refColumn;
    bool operator==(const ColumnPair&) const = default;
};

struct ForeignKey {
    QString name;              // the constraint's name; empty where the database keeps none (SQLite)
    QString table;             // the table that holds the key
    QString refTable;          // the table it refers to (the same one for a key to itself)
    QList<ColumnPair> columns; // in the key's column order
    bool operator==(const ForeignKey&) const = default;
};

} // namespace zemo
