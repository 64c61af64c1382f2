#pragma once

// The databases' own parsers as judges of how many statements a text holds: SQLite's prepare and
// its tail here, a PostgreSQL server in PostgresParser.h. For the statement check's tests and its
// differential fuzz target.

#include <QByteArray>
#include <sqlite3.h>

namespace zemo::test {

// What a parser made of a text: how many statements it runs one after the other before the first
// it cannot read (a server that parses the whole text first runs none then), and whether it read
// the text to its end. PostgreSQL tells one from several, not how many: several counts as 2.
struct ParserVerdict {
    int runs = 0;
    bool whole = false;
};

// SQLite 3 in memory, holding the tables T and VICTIM.
class SqliteParser {
public:
    SqliteParser() {
        sqlite3_open(":memory:", &m_db);
        sqlite3_exec(m_db, "create table t (a); create table victim (a)", nullptr, nullptr, nullptr);
    }
    ~SqliteParser() { sqlite3_close(m_db); }
    SqliteParser(const SqliteParser&) = delete;
    SqliteParser& operator=(const SqliteParser&) = delete;

    ParserVerdict judge(const QByteArray& text) const {
        ParserVerdict v;
        const char* rest = text.constData();
        while (*rest) {
            sqlite3_stmt* stmt = nullptr;
            const char* tail = nullptr;
            if (sqlite3_prepare_v2(m_db, rest, -1, &stmt, &tail) != SQLITE_OK)
                return v;
            if (stmt)
                ++v.runs;
            sqlite3_finalize(stmt);
            if (!tail || tail == rest)
                break;
            rest = tail;
        }
        v.whole = true;
        return v;
    }

private:
    sqlite3* m_db = nullptr;
};

} // namespace zemo::test
