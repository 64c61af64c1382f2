#pragma once

// Texts and what the databases' own parsers make of them, checked against the real parsers:
// SQLite 3.40's prepare and tail in test_statement_check, PostgreSQL 15 with
// standard_conforming_strings on and off in test_server_statements. The check must agree with
// each (PostgreSQL tells one statement from several, written 2).

#include <QString>
#include <QTest>
#include <string_view>

namespace zemo::test {

inline constexpr int kUnread = -1; // the parser stops at an error in the first statement: nothing runs

struct ParserCase {
    const char* name;
    std::string_view sql;
    int sqlite, postgresOn, postgresOff;
    bool refusedThoughOne = false; // the check reads more statements than the parser: safe, not exact
};

using namespace std::string_view_literals;

inline constexpr ParserCase kParserCases[] = {
    // PostgreSQL joins string constants split by blanks holding a line break (-- comments too); the
    // joined parts keep the first part's escapes.
    {"E string continued on the next line", "select E'x'\n'\\'; drop table t; --'", kUnread, 1, 1},
    {"E string continued after a comment line", "select E'x' -- c;\n  '\\'; drop table t; --'", kUnread, 1,
     1},
    {"E string continued after a CR", "select E'x'\r'\\'; drop table t; --'", kUnread, 1, 1},
    {"bit string continued takes no escapes", "select B'0'\n'\\'; drop table t; --'", kUnread, 2, 2},
    {"plain string continued after a blank line", "select 'a'\n\n  'b;c' as v", kUnread, 1, 1},
    // Bit and hex strings never take backslash escapes.
    {"bit string ending in a backslash", "select B'1\\'; drop table t; --'", kUnread, 2, 2},
    {"hex string ending in a backslash", "select X'1F\\'; drop table t; --'", kUnread, 2, 2},
    {"E string after a bit string", "select B'1', E'\\'; drop table t; --'", kUnread, 1, 1},
    // SQLite: a byte-order mark where a token starts is a blank; $name(...) is one token.
    {"byte-order mark before a parameter", "select \xEF\xBB\xBF$a(') ; drop table t; -- '", 2, kUnread,
     kUnread},
    {"byte-order mark between statements", "select 1;\xEF\xBB\xBFselect 2", 2, kUnread, kUnread},
    {"parameter holding a semicolon", "select $a(;) as v", 1, kUnread, kUnread},
    {"parameter holding a quoted semicolon", "select @a(';') as v", 1, 1, 1},
    // Bodies that hold semicolons.
    {"trigger body",
     "create trigger tr after insert on t begin delete from victim; insert into victim values (1); end", 1,
     kUnread, kUnread},
    {"trigger body then a statement",
     "create trigger tr after insert on t begin delete from victim; end; drop table victim", 2, kUnread,
     kUnread},
    {"trigger body with CASE ... END",
     "create temp trigger tr after insert on t begin select case when 1 then 2 end; end;", 1, kUnread,
     kUnread},
    {"explained trigger then a statement",
     "explain query plan create trigger tr after insert on t begin delete from victim; end; select 2", 2,
     kUnread, kUnread},
    {"function body", "create function f() returns int language sql begin atomic select 1; select 2; end",
     kUnread, 1, 1},
    {"procedure body",
     "create or replace procedure p() language sql begin atomic insert into t values (1); end;", kUnread, 1,
     1},
    {"empty function body", "create function f() returns int language sql begin atomic end", kUnread, 1, 1},
    {"function body then a statement",
     "create function f() returns int language sql begin atomic select 1; end; drop table t", kUnread, 2, 2},
    {"BEGIN ATOMIC in a body is a column and its alias",
     "create function f() returns int language sql begin atomic select begin atomic from t; end; "
     "drop table t; select 1 end",
     kUnread, 2, 2},
    {"BEGIN ATOMIC as a parameter",
     "create function f(begin atomic) returns int language sql return 1; drop table t", kUnread, 2, 2},
    {"rule actions",
     "create rule r as on insert to t do also (insert into t values (1); insert into t values (2))", kUnread,
     1, 1},
    {"rule actions then a statement",
     "create rule r as on insert to t do instead (delete from t; select 1); drop table t", kUnread, 2, 2},
    {"function body inside a function body",
     "create function f() returns int language sql begin atomic "
     "create function g() returns int language sql begin atomic select 1; end; end",
     kUnread, 1, 1, true},
    // Nothing after a NUL reaches a database.
    {"text after a NUL", "select 1\0; drop table t"sv, 1, 1, 1},
};

// One test row a case, holding its index.
inline void addParserCaseRows() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kParserCases)); ++i)
        QTest::newRow(kParserCases[i].name) << i;
}

inline QString textOf(const ParserCase& c) {
    return QString::fromUtf8(c.sql.data(), qsizetype(c.sql.size()));
}

} // namespace zemo::test
