// The one-statement check on any text in every dialect: no crash, no time that grows faster than
// the text, comments and blanks around an accepted text change nothing, and two accepted
// statements joined by a semicolon are refused.
#include "FuzzCheck.h"
#include "db/StatementCheck.h"

#include <QElapsedTimer>
#include <QString>

using namespace zemo;

namespace {

constexpr SqlDialect kDialects[] = {SqlDialect::Generic, SqlDialect::Oracle, SqlDialect::Postgres,
                                    SqlDialect::Sqlite};

// One statement under every reading, none of them left inside a quote or a comment. (A text that
// is a statement to one reading and a comment to another does not count: joined to another, no
// reading need find two.)
bool oneClosedStatement(const QString& text, SqlDialect dialect) {
    const StatementCount n = countStatements(text, dialect);
    return n.fewest == 1 && n.statements == 1 && !n.unterminated;
}

#ifdef ZEMO_FUZZING
// Now and then the input repeated to 256K characters: a scan that is not linear takes hours there.
void checkLinear(const QString& text) {
    static unsigned calls = 0;
    if (text.isEmpty() || ++calls % 4096 != 0)
        return;
    QString big;
    big.reserve(1 << 18);
    while (big.size() < (1 << 18))
        big += text;
    QElapsedTimer clock;
    clock.start();
    countStatements(big, SqlDialect::Generic);
    FUZZ_CHECK(clock.elapsed() < 10000);
}
#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const SqlDialect dialect = kDialects[in.byte() % std::size(kDialects)];
    const unsigned split = in.byte();
    const QString text = QString::fromUtf8(in.rest());

    const StatementCount n = countStatements(text, dialect);
    FUZZ_CHECK(n.fewest >= 0 && n.fewest <= n.statements && n.statements <= text.size());
    FUZZ_CHECK(countStatements(text, SqlDialect::Generic).statements >= n.statements);

    if (n.statements <= 1 && !n.unterminated) {
        const QString wrapped =
            QStringLiteral("/* lead; */ \r\n") + text + QStringLiteral(" -- tail;\n ;  \t/* end; */;\r\n");
        FUZZ_CHECK(holdsOneStatement(wrapped, dialect));
    }

    const qsizetype cut = qsizetype(split) % (text.size() + 1);
    const QString first = text.left(cut), second = text.mid(cut);
    // (Nothing after a NUL is read: a first part holding one hides the second.)
    if (!first.contains(QChar(0)) && oneClosedStatement(first, dialect) && oneClosedStatement(second, dialect))
        FUZZ_CHECK(countStatements(QString(first + QStringLiteral("\n;\n") + second), dialect).statements >=
                   2);

#ifdef ZEMO_FUZZING
    checkLinear(text);
#endif
    return 0;
}
