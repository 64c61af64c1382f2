#pragma once

// A PostgreSQL server as the judge of how many statements a text holds: its Parse message refuses a
// second command. The server parses the whole text before anything runs, so a text it cannot parse
// runs nothing.

#include "support/RealParsers.h"

#include <QMap>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <libpq-fe.h>
#include <utility>

namespace zemo::test {

// One session with standard_conforming_strings on or off; `info` is a cluster info file's lines.
class PostgresParser {
public:
    PostgresParser(const QMap<QString, QString>& info, bool conforming) {
        const char* keys[] = {"host", "port", "dbname", "user", "password", "client_encoding", nullptr};
        const char* names[] = {"HOST", "PORT", "DATABASE", "USER", "PASSWORD"};
        QByteArray v[5];
        for (int i = 0; i < 5; ++i)
            v[i] = info.value(QLatin1String(names[i])).toUtf8();
        const char* values[] = {v[0], v[1], v[2], v[3], v[4], "UTF8", nullptr};
        m_conn = PQconnectdbParams(keys, values, 0);
        PQsetNoticeProcessor(
            m_conn, [](void*, const char*) {}, nullptr);
        PQclear(PQexec(
            m_conn, conforming ? "set standard_conforming_strings = on"
                               : "set standard_conforming_strings = off; set escape_string_warning = off"));
        check();
    }
    ~PostgresParser() { PQfinish(m_conn); }
    PostgresParser(const PostgresParser&) = delete;
    PostgresParser& operator=(const PostgresParser&) = delete;

    // Two sessions judge a text at once. When a prepare fails for another reason than a second
    // command (a missing table, a syntax error), the text followed by a second statement tells
    // whether the text itself parsed, as one statement; `whole` asks for that.
    static std::pair<ParserVerdict, ParserVerdict> judge(const PostgresParser& a, const PostgresParser& b,
                                                         const QByteArray& text, bool whole = true) {
        a.send(text);
        b.send(text);
        ParserVerdict va = a.receive(), vb = b.receive();
        const bool againA = whole && !va.whole, againB = whole && !vb.whole;
        for (const auto& [again, p] : {std::pair{againA, &a}, std::pair{againB, &b}})
            if (again)
                p->send(text + "\n;select 1");
        if (againA && a.receive().runs == 2)
            va = {1, true};
        if (againB && b.receive().runs == 2)
            vb = {1, true};
        return {va, vb};
    }

private:
    void check() const {
        if (PQstatus(m_conn) == CONNECTION_OK)
            return;
        std::fprintf(stderr, "PostgreSQL: %s", PQerrorMessage(m_conn));
        std::abort();
    }
    void send(const QByteArray& text) const {
        PQsendPrepare(m_conn, "", text.constData(), 0, nullptr);
        check();
    }
    // Prepared: one statement; refused by exec_parse_message with 42601: several; else not read.
    ParserVerdict receive() const {
        ParserVerdict v;
        for (bool first = true; PGresult* r = PQgetResult(m_conn); first = false) {
            const char* function = PQresultErrorField(r, PG_DIAG_SOURCE_FUNCTION);
            const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
            if (first && PQresultStatus(r) == PGRES_COMMAND_OK)
                v = {1, true};
            else if (first && qstrcmp(function, "exec_parse_message") == 0 && qstrcmp(state, "42601") == 0)
                v = {2, true};
            PQclear(r);
        }
        check();
        return v;
    }

    PGconn* m_conn = nullptr;
};

// The KEY=value lines of a cluster info file; empty when it cannot be read.
inline QMap<QString, QString> readClusterInfo(const QString& path) {
    QMap<QString, QString> info;
    if (FILE* f = std::fopen(path.toLocal8Bit().constData(), "r")) {
        for (char line[1024]; std::fgets(line, sizeof line, f);) {
            const QByteArray l = QByteArray(line).chopped(QByteArray(line).endsWith('\n') ? 1 : 0);
            if (const qsizetype eq = l.indexOf('='); eq > 0)
                info.insert(QString::fromUtf8(l.left(eq)), QString::fromUtf8(l.mid(eq + 1)));
        }
        std::fclose(f);
    }
    return info;
}

} // namespace zemo::test
