#include "db/StatementCheck.h"

#include "base/ZemoError.h"

#include <algorithm>
#include <iterator>

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
};

constexpr Reading kReadings[] = {
    // Oracle: whether it takes characters past ASCII as part of a name before q'...' is not
    // written down, nor whether CR ends a comment.
    {.qQuotes = true, .hashInNames = true},
    {.qQuotes = true, .crEndsLine = true, .hashInNames = true},
    {.qQuotes = true, .nonAsciiInNames = false, .hashInNames = true},
    {.qQuotes = true, .crEndsLine = true, .nonAsciiInNames = false, .hashInNames = true},
    // PostgreSQL, standard_conforming_strings on and off.
    {.nestedComments = true, .dollarQuotes = true, .escapePrefix = true, .crEndsLine = true},
    {.nestedComments = true,
     .dollarQuotes = true,
     .escapePrefix = true,
     .backslashSingle = true,
     .crEndsLine = true},
    // SQLite.
    {.brackets = true, .backticks = true, .tclVariables = true},
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

class Scanner {
public:
    Scanner(QStringView text, const Reading& r) : m_s(text.utf16()), m_n(size_t(text.size())), m_r(r) {}
    // Where the `:name` placeholders of the text are to be recorded, or null.
    void recordPlaceholders(std::vector<PlaceholderSpan>* marks) { m_marks = marks; }

    StatementCount run() {
        size_t i = 0;
        bool inName = false;
        while (i < m_n) {
            const char16_t c = m_s[i];
            if (inName && continuesName(c)) {
                ++i;
                continue;
            }
            inName = false;
            size_t end = i;
            if (c == u';') {
                endPiece();
                end = i + 1;
            } else if (isBlank(c)) {
                end = i + 1;
            } else if ((end = bang(i)) == i && (end = comment(i)) == i) {
                m_code = true;
                if ((end = placeholder(i)) == i && (end = quoted(i)) == i) {
                    inName = startsName(c);
                    end = i + 1;
                }
            }
            i = end;
        }
        endPiece();
        if (m_inBang)
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

    size_t lineEnd(size_t i) const {
        while (i < m_n && m_s[i] != u'\n' && !(m_s[i] == u'\r' && m_r.crEndsLine))
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
            return string(i + 2, u'\'', true);
        switch (c) {
        case u'\'':
            return string(i + 1, c, m_r.backslashSingle);
        case u'"':
            return string(i + 1, c, m_r.backslashDouble);
        case u'`':
            return m_r.backticks ? string(i + 1, c, false) : i;
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

    // '...' or "..." or `...`; a doubled quote stays inside.
    size_t string(size_t i, char16_t quote, bool backslash) {
        for (; i < m_n; ++i) {
            if (backslash && m_s[i] == u'\\') {
                ++i;
            } else if (m_s[i] == quote) {
                if (at(i + 1) != quote)
                    return i + 1;
                ++i;
            }
        }
        return unterminated();
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
    std::vector<PlaceholderSpan>* m_marks = nullptr;
    int m_statements = 0;
    bool m_code = false;
    bool m_inBang = false;
    bool m_unterminated = false;
};

} // namespace

StatementCount countStatements(QStringView sql, SqlDialect dialect) {
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
