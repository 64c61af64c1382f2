#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace zemo {

// The `--` comments that end lines of a CREATE TABLE or CREATE VIEW text, the way SQLite keeps it.
// SQLite stores no comments of its own, so a schema written for it keeps the logical names there:
//
//   CREATE TABLE CUSTOMERS ( -- 顧客
//     CUST_ID   NUMBER(8) PRIMARY KEY, -- 顧客ID
//     CUST_NAME VARCHAR2(80)           -- 顧客名
//   );
//
// The comment ending a line of the head (the text up to the opening parenthesis of the column list,
// or up to AS when there is none) belongs to the table. The comment ending a line that holds part of
// the k-th entry of the column list belongs to that entry; the comma after an entry is part of it.
// A comment on a line of its own, inside quotes or brackets, or after the column list counts for
// nothing, and when several lines of one entry end in a comment the first one counts.
struct DefinitionComments {
    QString table;
    QStringList entries; // one per entry of the column list (column definitions, then constraints)
    QStringList names;   // per entry the column it defines (quotes removed); "" for a constraint
};

DefinitionComments definitionComments(QStringView createText);

} // namespace zemo
