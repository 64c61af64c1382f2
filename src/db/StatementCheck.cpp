#include "db/StatementCheck.h"

#include "base/ZemoError.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace zemo {

namespace {

// One way a server may cut the text into tokens. Settings and versions change the rules (a
// backslash escapes a quote or not, a lone CR ends a comment or not), and a hostile text can be
// built to look like one statement under one rule and two under another, so a text passes only
// when every reading of its dialect finds one statement.
struct Reading {
    bool nestedComments = false;  // /* /* */ */ (PostgreSQL, SQL Server)
    bool dollarQuotes = false;    // $tag$ ... $tag$ (PostgreSQL)
    bool escapePrefix = false;    // E'...' takes backslash escapes (PostgreSQL)
    bool backslashSingle = false; // every '...' takes backslash escapes
    bool backslashDouble = false; // so does "..." (MySQL)
    bool qQuotes = false;         // q'[...]' (Oracle)
    bool brackets = false;        // [name]
    bool bracketDoubling = false; // ]] stays inside [name] (SQL Server)
    bool backticks = false;       // `name`
    bool hashComments = false;    // # runs to the end of the line (MySQL)
    bool dashNeedsBlank = false;  // -- is a comment only before a blank or control character (MySQL)
    bool bangComments = false;    // /*! ... */ is run, not skipped (MySQL, MariaDB)
    bool crEndsLine = false;      // a lone CR ends a -- comment
    bool nonAsciiInNames = true;  // characters past ASCII continue a name
    bool hashInNames = false;     // # continues a name (Oracle)
    bool tclVariables = false;    // $name(...) is one parameter, quotes inside included (SQLite)
    bool bomIsBlank = false;      // U+FEFF where a token starts is white space (SQLite)
    bool quoteContinues = false;  // 'a' <line break> 'b' is one constant in the rules of 'a' (PostgreSQL)
    bool triggerBodies = false;   // CREATE TRIGGER ... BEGIN ...; END holds semicolons (SQLite)
    bool routineBodies = false;   // BEGIN ATOMIC ...; END, CREATE RULE ... DO (...; ...) (PostgreSQL)
};

constexpr Reading kReadings[] = {
    // Oracle: whether it takes characters past ASCII as part of a name before q'...' is not
    // written down, nor whether CR ends a comment.
    {.qQuotes = true, .hashInNames = true},
    {.qQuotes = true, .crEndsLine = true, .hashInNames = true},
    {.qQuotes = true, .nonAsciiInNames = false, .hashInNames = true},
    {.qQuotes = true, .crEndsLine = true, .nonAsciiInNames = false, .hashInNames = true},
    // PostgreSQL, standard_conforming_strings on and off.
    {.nestedComments = true,
     .dollarQuotes = true,
     .escapePrefix = true,
     .crEndsLine = true,
     .quoteContinues = true,
     .routineBodies = true},
    {.nestedComments = true,
     .dollarQuotes = true,
     .escapePrefix = true,
     .backslashSingle = true,
     .crEndsLine = true,
     .quoteContinues = true,
     .routineBodies = true},
    // SQLite.
    {.brackets = true, .backticks = true, .tclVariables = true, .bomIsBlank = true, .triggerBodies = true},
    // Only for a product we cannot name. MySQL: default, ANSI_QUOTES, NO_BACKSLASH_ESCAPES.
    {.backslashSingle = true,
     .backslashDouble = true,
     .backticks = true,
     .hashComments = true,
     .dashNeedsBlank = true,
     .bangComments = true},
    {.backslashSingle = true,
     .backticks = true,
     .hashComments = true,
     .dashNeedsBlank = true,
     .bangComments = true},
    {.backticks = true, .hashComments = true, .dashNeedsBlank = true, .bangComments = true},
    // SQL Server.
    {.nestedComments = true, .brackets = true, .bracketDoubling = true},
    {.nestedComments = true, .brackets = true, .bracketDoubling = true, .crEndsLine = true},
};

struct Span {
    size_t first, last;
};

Span readingsOf(SqlDialect dialect) {
    switch (dialect) {
    case SqlDialect::Oracle:
        return {0, 4};
    case SqlDialect::Postgres:
        return {4, 6};
    case SqlDialect::Sqlite:
        return {6, 7};
    case SqlDialect::Generic:
        break;
    }
    return {0, std::size(kReadings)};
}

bool isBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

char16_t closingOf(char16_t open) {
    switch (open) {
    case u'[':
        return u']';
    case u'(':
        return u')';
    case u'{':
        return u'}';
    case u'<':
        return u'>';
    default:
        return open;
    }
}

// Whether a name token is the keyword, ASCII letters compared without case as both parsers do.
bool isKeyword(QStringView word, std::string_view keyword) {
    if (size_t(word.size()) != keyword.size())
        return false;
    for (size_t k = 0; k < keyword.size(); ++k) {
        const char16_t c = word[qsizetype(k)].unicode();
        if (!isAsciiLetter(c) || char(c | 0x20) != keyword[k])
            return false;
    }
    return true;
}

// Where a semicolon does not end the statement: SQLite's trigger body (the states of SQLite's own
// sqlite3_complete), PostgreSQL's BEGIN ATOMIC body and the parenthesised actions of CREATE RULE.
// A body here never reaches further than the parser's: it ends at the first "; END", where
// PostgreSQL's grammar ends it too (no statement of a body starts with END), and a text the
// parser cannot read runs nothing.
class StatementShape {
public:
    explicit StatementShape(const Reading& r) : m_r(r) {}

    void word(QStringView w) {
        if (m_r.triggerBodies)
            liteToken(liteClassOf(w));
        if (m_r.routineBodies)
            pgWord(w);
    }
    void other(char16_t c) {
        if (c == u'(')
            ++m_parens;
        else if (c == u')')
            --m_parens;
        if (m_r.triggerBodies)
            liteToken(Token::Other);
        if (m_r.routineBodies)
            pgOther();
    }
    // Whether this semicolon ends the statement; when it does, the shape starts afresh.
    bool semicolonEnds() {
        bool ends = true;
        if (m_r.triggerBodies && (m_lite == Lite::InTrigger || m_lite == Lite::TriggerSemi)) {
            m_lite = Lite::TriggerSemi;
            ends = false;
        }
        if (m_r.routineBodies) {
            if (m_pg == Pg::Body || m_pg == Pg::BodyOpen) {
                m_pg = Pg::BodyOpen;
                ends = false;
            } else if (m_pg == Pg::Rule && m_parens > 0) {
                ends = false;
            }
        }
        if (ends) {
            m_parens = 0;
            m_lite = Lite::Start;
            m_pg = Pg::Start;
        }
        return ends;
    }

    // Whether the text ended inside a body: a semicolon there would not end the statement.
    bool open() const {
        return (m_r.triggerBodies && (m_lite == Lite::InTrigger || m_lite == Lite::TriggerSemi)) ||
               (m_r.routineBodies &&
                (m_pg == Pg::Body || m_pg == Pg::BodyOpen || (m_pg == Pg::Rule && m_parens > 0)));
    }

private:
    enum class Lite { Start, Normal, Explain, Create, InTrigger, TriggerSemi, TriggerEnd };
    enum class Token { Other, Explain, Create, Temp, Trigger, End };
    enum class Pg {
        Start,
        Create,
        CreateOr,
        CreateOrReplace,
        Routine,
        RoutineBegin,
        Body,
        BodyOpen,
        Rule,
        Plain
    };

    static Token liteClassOf(QStringView w) {
        if (isKeyword(w, "explain"))
            return Token::Explain;
        if (isKeyword(w, "create"))
            return Token::Create;
        if (isKeyword(w, "temp") || isKeyword(w, "temporary"))
            return Token::Temp;
        if (isKeyword(w, "trigger"))
            return Token::Trigger;
        if (isKeyword(w, "end"))
            return Token::End;
        return Token::Other;
    }
    void liteToken(Token t) {
        switch (m_lite) {
        case Lite::Start:
            m_lite = t == Token::Explain ? Lite::Explain : t == Token::Create ? Lite::Create : Lite::Normal;
            break;
        case Lite::Explain: // EXPLAIN [QUERY PLAN] CREATE TRIGGER
            m_lite = t == Token::Other ? Lite::Explain : t == Token::Create ? Lite::Create : Lite::Normal;
            break;
        case Lite::Create:
            m_lite = t == Token::Temp ? Lite::Create : t == Token::Trigger ? Lite::InTrigger : Lite::Normal;
            break;
        case Lite::TriggerSemi:
            m_lite = t == Token::End ? Lite::TriggerEnd : Lite::InTrigger;
            break;
        case Lite::TriggerEnd:
            m_lite = Lite::InTrigger;
            break;
        case Lite::Normal:
        case Lite::InTrigger:
            break;
        }
    }

    void pgWord(QStringView w) {
        switch (m_pg) {
        case Pg::Start:
            m_pg = isKeyword(w, "create") ? Pg::Create : Pg::Plain;
            return;
        case Pg::Create:
        case Pg::CreateOrReplace:
            if (m_pg == Pg::Create && isKeyword(w, "or"))
                m_pg = Pg::CreateOr;
            else if (isKeyword(w, "function") || isKeyword(w, "procedure"))
                m_pg = Pg::Routine;
            else
                m_pg = isKeyword(w, "rule") ? Pg::Rule : Pg::Plain;
            return;
        case Pg::CreateOr:
            m_pg = isKeyword(w, "replace") ? Pg::CreateOrReplace : Pg::Plain;
            return;
        case Pg::RoutineBegin:
            if (isKeyword(w, "atomic")) {
                m_pg = Pg::BodyOpen; // an empty body may end at once
                return;
            }
            m_pg = Pg::Routine;
            [[fallthrough]];
        case Pg::Routine:
            if (m_parens == 0 && isKeyword(w, "begin"))
                m_pg = Pg::RoutineBegin;
            return;
        case Pg::BodyOpen:
            m_pg = isKeyword(w, "end") ? Pg::Plain : Pg::Body;
            return;
        case Pg::Body:
        case Pg::Rule:
        case Pg::Plain:
            return;
        }
    }
    void pgOther() {
        switch (m_pg) {
        case Pg::Start:
        case Pg::Create:
        case Pg::CreateOr:
        case Pg::CreateOrReplace:
            m_pg = Pg::Plain;
            return;
        case Pg::RoutineBegin:
            m_pg = Pg::Routine;
            return;
        case Pg::BodyOpen:
            m_pg = Pg::Body;
            return;
        case Pg::Routine:
        case Pg::Body:
        case Pg::Rule:
        case Pg::Plain:
            return;
        }
    }

    const Reading& m_r;
    int m_parens = 0;
    Lite m_lite = Lite::Start;
    Pg m_pg = Pg::Start;
};

class Scanner {
public:
    Scanner(QStringView text, const Reading& r)
        : m_s(text.utf16()), m_n(size_t(text.size())), m_r(r), m_shape(r),
          m_bodies(r.triggerBodies || r.routineBodies) {}
    // Where the `:name` placeholders of the text are to be recorded, or null.
    void recordPlaceholders(std::vector<PlaceholderSpan>* marks) { m_marks = marks; }

    StatementCount run() {
        size_t i = 0;
        size_t name = 0; // where the running name started
        bool inName = false;
        while (i < m_n) {
            const char16_t c = m_s[i];
            if (inName) {
                if (continuesName(c)) {
                    ++i;
                    continue;
                }
                if (m_bodies)
                    m_shape.word(QStringView(m_s + name, i - name));
                inName = false;
            }
            size_t end = i;
            if (c == u';') {
                if (!m_bodies || m_shape.semicolonEnds())
                    endPiece();
                end = i + 1;
            } else if (isBlank(c) || (c == 0xFEFF && m_r.bomIsBlank)) {
                end = i + 1;
            } else if ((end = bang(i)) == i && (end = comment(i)) == i) {
                m_code = true;
                if ((end = placeholder(i)) != i) {
                    if (m_bodies)
                        m_shape.other(u'?');
                } else if ((end = quoted(i)) != i) {
                    if (m_bodies)
                        m_shape.other(u'\'');
                } else if (startsName(c)) {
                    inName = true;
                    name = i;
                    end = i + 1;
                } else {
                    if (m_bodies)
                        m_shape.other(c);
                    end = i + 1;
                }
            }
            i = end;
        }
        if (inName && m_bodies)
            m_shape.word(QStringView(m_s + name, m_n - name));
        endPiece();
        if (m_inBang || m_shape.open())
            m_unterminated = true;
        return {m_statements, m_statements, m_unterminated};
    }

private:
    int at(size_t i) const { return i < m_n ? int(m_s[i]) : -1; }

    bool startsName(char16_t c) const {
        return isAsciiLetter(c) || c == u'_' || (c >= 0x80 && m_r.nonAsciiInNames);
    }
    bool continuesName(char16_t c) const {
        return startsName(c) || isDigit(c) || c == u'$' || (c == u'#' && m_r.hashInNames);
    }

    void endPiece() {
        if (m_code)
            ++m_statements;
        m_code = false;
    }

    // The opening or closing of a MySQL comment whose content runs.
    size_t bang(size_t i) {
        if (!m_r.bangComments)
            return i;
        if (m_inBang && m_s[i] == u'*' && at(i + 1) == u'/') {
            m_inBang = false;
            return i + 2;
        }
        if (m_inBang || m_s[i] != u'/' || at(i + 1) != u'*')
            return i;
        const size_t mark = at(i + 2) == u'M' ? i + 3 : i + 2;
        if (at(mark) != u'!')
            return i;
        m_inBang = true;
        return mark + 1;
    }

    size_t comment(size_t i) {
        const char16_t c = m_s[i];
        const int next = at(i + 1);
        if (c == u'-' && next == u'-') {
            const int after = at(i + 2);
            if (!m_r.dashNeedsBlank || after < 0 || after <= 0x20 || after == 0x7f)
                return lineEnd(i + 2);
        }
        if (c == u'#' && m_r.hashComments)
            return lineEnd(i + 1);
        if (c == u'/' && next == u'*')
            return blockEnd(i + 2);
        return i;
    }

    bool endsLine(char16_t c) const { return c == u'\n' || (c == u'\r' && m_r.crEndsLine); }

    size_t lineEnd(size_t i) const {
        while (i < m_n && !endsLine(m_s[i]))
            ++i;
        return i;
    }

    size_t blockEnd(size_t i) {
        int depth = 1;
        while (i + 1 < m_n) {
            if (m_s[i] == u'*' && m_s[i + 1] == u'/') {
                i += 2;
                if (--depth == 0)
                    return i;
            } else if (m_r.nestedComments && m_s[i] == u'/' && m_s[i + 1] == u'*') {
                i += 2;
                ++depth;
            } else {
                ++i;
            }
        }
        return unterminated();
    }

    size_t unterminated() {
        m_unterminated = true;
        return m_n;
    }

    // How the inside of a quoted token is read.
    struct Quote {
        char16_t mark;
        bool backslash; // a backslash takes the next character in
        bool doubled;   // a doubled mark stays inside
    };

    // The end of a quoted token starting at i, or i when none starts there. Called only where no
    // name is running, so that a prefix letter is a token of its own.
    size_t quoted(size_t i) {
        const char16_t c = m_s[i];
        if (m_r.qQuotes) {
            size_t j = (c == u'n' || c == u'N') ? i + 1 : i;
            if ((at(j) == u'q' || at(j) == u'Q') && at(j + 1) == u'\'') {
                if (const size_t end = qQuote(j + 2); end != 0)
                    return end;
            }
        }
        if (m_r.escapePrefix && (c == u'e' || c == u'E') && at(i + 1) == u'\'')
            return string(i + 2, {u'\'', true, true});
        // Bit and hex strings take no backslash escapes under any setting, and end at the next quote.
        if ((c == u'b' || c == u'B' || c == u'x' || c == u'X') && at(i + 1) == u'\'')
            return string(i + 2, {u'\'', false, false});
        switch (c) {
        case u'\'':
            return string(i + 1, {c, m_r.backslashSingle, true});
        case u'"':
            return string(i + 1, {c, m_r.backslashDouble, true}, false);
        case u'`':
            return m_r.backticks ? string(i + 1, {c, false, true}, false) : i;
        case u'[':
            return m_r.brackets ? bracketName(i + 1) : i;
        case u'$':
            return m_r.dollarQuotes ? dollarQuote(i) : (m_r.tclVariables ? tclVariable(i) : i);
        case u'@':
        case u':':
        case u'#':
            return m_r.tclVariables ? tclVariable(i) : i;
        default:
            return i;
        }
    }

    // `:name` outside quotes and comments, not a part of `::` (a cast); names take letters, digits, "_",
    // "$" and every character past ASCII, so that a name ends where no reading continues it. The
    // markers of other parameter forms, "?" and "$1", are recorded too: a text must not mix them.
    size_t placeholder(size_t i) {
        if (!m_marks)
            return i;
        const char16_t c = m_s[i];
        if (c == u'?') {
            m_marks->push_back({qsizetype(i), 1, PlaceholderSpan::Kind::Question});
            return i + 1;
        }
        if (c == u'$' && isDigit(char16_t(std::max(at(i + 1), 0)))) {
            size_t k = i + 1;
            while (k < m_n && isDigit(m_s[k]))
                ++k;
            m_marks->push_back({qsizetype(i), qsizetype(k - i), PlaceholderSpan::Kind::Dollar});
            return k;
        }
        if (c != u':' || (i > 0 && m_s[i - 1] == u':') || at(i + 1) == u':')
            return i;
        const auto inName = [](int n, bool first) {
            return (n >= 0 && isAsciiLetter(char16_t(n))) || n == u'_' || n >= 0x80 ||
                   (!first && (n == u'$' || (n >= u'0' && n <= u'9')));
        };
        if (!inName(at(i + 1), true))
            return i;
        size_t k = i + 2;
        while (inName(at(k), false))
            ++k;
        m_marks->push_back({qsizetype(i), qsizetype(k - i), PlaceholderSpan::Kind::Named});
        return k;
    }

    // SQLite's parameter $name, with "::" inside and a "(...)" suffix that runs to ")" or a blank
    // whatever it holds: $a(';') is one token to SQLite, not a string.
    size_t tclVariable(size_t i) const {
        size_t k = i + 1;
        bool named = false;
        while (k < m_n) {
            const char16_t c = m_s[k];
            if (isAsciiLetter(c) || isDigit(c) || c == u'_' || c == u'$' || c >= 0x80) {
                named = true;
                ++k;
            } else if (c == u'(' && named) {
                ++k;
                while (k < m_n && m_s[k] != 0 && !isBlank(m_s[k]) && m_s[k] != u')')
                    ++k;
                return k < m_n && m_s[k] == u')' ? k + 1 : k;
            } else if (c == u':' && at(k + 1) == u':') {
                k += 2;
            } else {
                break;
            }
        }
        return k;
    }

    // The inside of a quoted token from i, just past its opening mark, to just past its closing
    // mark. A string constant may go on after a line break in the rules it started with.
    size_t string(size_t i, Quote q, bool mayContinue = true) {
        for (;;) {
            for (; i < m_n; ++i) {
                if (q.backslash && m_s[i] == u'\\') {
                    ++i;
                } else if (m_s[i] == q.mark) {
                    if (!q.doubled || at(i + 1) != q.mark)
                        break;
                    ++i;
                }
            }
            if (i >= m_n)
                return unterminated();
            const size_t next = mayContinue && m_r.quoteContinues ? continuation(i + 1) : 0;
            if (next == 0)
                return i + 1;
            i = next;
        }
    }

    // PostgreSQL's continuation: blanks and -- comments holding a line break, then a quote. Just
    // past that quote, or 0 when none follows.
    size_t continuation(size_t i) const {
        bool lineBreak = false;
        while (i < m_n) {
            const char16_t c = m_s[i];
            if (c == u'\n' || c == u'\r') {
                lineBreak = true;
                ++i;
            } else if (c == u' ' || c == u'\t' || c == u'\f') {
                ++i;
            } else if (c == u'-' && at(i + 1) == u'-') {
                i = lineEnd(i + 2);
            } else {
                return c == u'\'' && lineBreak ? i + 1 : 0;
            }
        }
        return 0;
    }

    size_t bracketName(size_t i) {
        for (; i < m_n; ++i) {
            if (m_s[i] != u']')
                continue;
            if (!m_r.bracketDoubling || at(i + 1) != u']')
                return i + 1;
            ++i;
        }
        return unterminated();
    }

    // q'X...X' from the delimiter X at j; 0 when X cannot be a delimiter.
    size_t qQuote(size_t j) {
        if (j >= m_n)
            return unterminated();
        const char16_t open = m_s[j];
        if (open == u' ' || open == u'\t' || open == u'\n' || open == u'\r')
            return 0;
        const bool pair = QChar::isHighSurrogate(open) && QChar::isLowSurrogate(char16_t(at(j + 1)));
        const char16_t close = closingOf(open);
        const size_t width = pair ? 2 : 1;
        for (size_t k = j + width; k + width < m_n; ++k) {
            if (m_s[k] == close && (!pair || m_s[k + 1] == m_s[j + 1]) && m_s[k + width] == u'\'')
                return k + width + 1;
        }
        return unterminated();
    }

    bool startsTag(int c) const { return c >= 0 && (isAsciiLetter(char16_t(c)) || c == u'_' || c >= 0x80); }

    // $tag$...$tag$ from the first $ at i, or i when no tag follows (a positional $1, a lone $).
    size_t dollarQuote(size_t i) {
        size_t k = i + 1;
        if (startsTag(at(k))) {
            while (startsTag(at(k)) || (k < m_n && isDigit(m_s[k])))
                ++k;
        }
        if (at(k) != u'$')
            return i;
        const size_t tagWidth = k + 1 - i;
        // A mismatch stops at the next $ at the latest, so the search stays linear.
        for (size_t p = k + 1; p + tagWidth <= m_n; ++p) {
            if (m_s[p] != u'$')
                continue;
            size_t q = 1;
            while (q < tagWidth && m_s[p + q] == m_s[i + q])
                ++q;
            if (q == tagWidth)
                return p + tagWidth;
        }
        return unterminated();
    }

    const char16_t* m_s;
    size_t m_n;
    const Reading& m_r;
    StatementShape m_shape;
    const bool m_bodies; // whether the shape is followed at all
    std::vector<PlaceholderSpan>* m_marks = nullptr;
    int m_statements = 0;
    bool m_code = false;
    bool m_inBang = false;
    bool m_unterminated = false;
};

} // namespace

QStringView textAsSent(QStringView sql) {
    const qsizetype nul = sql.indexOf(QChar(0));
    return nul < 0 ? sql : sql.left(nul);
}

StatementCount countStatements(QStringView sql, SqlDialect dialect) {
    sql = textAsSent(sql);
    StatementCount total;
    const Span span = readingsOf(dialect);
    for (size_t r = span.first; r < span.last; ++r) {
        const StatementCount one = Scanner(sql, kReadings[r]).run();
        total.statements = std::max(total.statements, one.statements);
        total.fewest = r == span.first ? one.statements : std::min(total.fewest, one.statements);
        total.unterminated = total.unterminated || one.unterminated;
    }
    return total;
}

std::vector<std::vector<PlaceholderSpan>> placeholderSpans(QStringView sql, SqlDialect dialect) {
    const Span span = readingsOf(dialect);
    std::vector<std::vector<PlaceholderSpan>> out(span.last - span.first);
    for (size_t r = span.first; r < span.last; ++r) {
        Scanner scanner(sql, kReadings[r]);
        scanner.recordPlaceholders(&out[r - span.first]);
        scanner.run();
    }
    return out;
}

QString multiStatementMessage() {
    return QStringLiteral("一度に実行できるSQL文は一つだけです");
}

void requireOneStatement(QStringView sql, SqlDialect dialect) {
    if (!holdsOneStatement(sql, dialect))
        throw ZemoError(err::MultiStatement, multiStatementMessage());
}

} // namespace zemo
