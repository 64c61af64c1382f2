// The one-statement check against the databases' own parsers, on the bytes that are sent: SQLite's
// prepare and its tail always, and with ZEMO_PG_INFO naming the private cluster's info file, the
// server under standard_conforming_strings on and off. A text the check lets through while a parser
// runs two statements aborts; one it refuses while every parser reads it whole as one statement is
// counted and shown (a finding of lower weight).
#include "FuzzCheck.h"
#include "db/StatementCheck.h"
#include "support/PostgresParser.h"

#include <memory>

using namespace zemo;
using namespace zemo::test;

namespace {

struct Judges {
    SqliteParser sqlite;
    std::unique_ptr<PostgresParser> on, off;
    long inputs = 0, sqliteWhole = 0, postgresWhole = 0, letThrough = 0, lower = 0;

    Judges() {
        if (const QString path = qEnvironmentVariable("ZEMO_PG_INFO"); !path.isEmpty()) {
            const QMap<QString, QString> info = readClusterInfo(path);
            FUZZ_CHECK(!info.isEmpty());
            on = std::make_unique<PostgresParser>(info, true);
            off = std::make_unique<PostgresParser>(info, false);
        }
    }
    ~Judges() {
        std::fprintf(stderr,
                     "statement_parsers: %ld inputs judged; read whole by SQLite %ld, by PostgreSQL %s%ld; "
                     "findings: %ld; refused while the parsers read one statement: %ld\n",
                     inputs, sqliteWhole, on ? "" : "(no cluster) ", postgresWhole, letThrough, lower);
    }
    void judged(bool letThroughTwo, bool refusedOne, const char* parser, const QByteArray& text) {
        letThrough += letThroughTwo;
        if (letThroughTwo || (refusedOne && ++lower <= 20))
            std::fprintf(stderr, "%s: %s by %s: %s\n", letThroughTwo ? "FINDING" : "lower weight",
                         letThroughTwo ? "two statements let through" : "one statement refused", parser,
                         text.toPercentEncoding(" ").constData());
        FUZZ_CHECK(!letThroughTwo);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Judges j;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray sent = textAsSent(text).toUtf8();
    ++j.inputs;
    const int lite = countStatements(text, SqlDialect::Sqlite).statements;
    const int pg = countStatements(text, SqlDialect::Postgres).statements;
    FUZZ_CHECK(countStatements(text, SqlDialect::Generic).statements >= std::max(lite, pg));

    const ParserVerdict s = j.sqlite.judge(sent);
    j.sqliteWhole += s.whole;
    j.judged(lite <= 1 && s.runs >= 2, lite >= 2 && s.whole && s.runs <= 1, "SQLite", sent);
    if (j.on) {
        // Whether the server reads a text whole as one statement matters only where the check refuses it.
        const auto [on, off] = PostgresParser::judge(*j.on, *j.off, sent, pg >= 2);
        j.postgresWhole += on.whole && off.whole;
        j.judged(pg <= 1 && std::max(on.runs, off.runs) >= 2,
                 pg >= 2 && on.whole && off.whole && std::max(on.runs, off.runs) <= 1, "PostgreSQL", sent);
    }
    return 0;
}
