#include "db/DefinitionComments.h"

namespace zemo {

namespace {

enum class Kind { Word, Quoted, Open, Close, Comma, Semicolon, LineComment, BlockComment };

struct Token {
    Kind kind = Kind::Word;
    qsizetype begin = 0;
    qsizetype end = 0;
    int line = 0;    // where the token starts
    int endLine = 0; // where it ends (a quoted name or a block comment may span lines)
};

// SQLite's tokens, as far as they matter here: quotes and brackets hide commas, parentheses and
// dashes; an unterminated quote or comment runs to the end of the text.
class Scanner {
public:
    explicit Scanner(QStringView text) : m_s(text) {}

    bool next(Token& t) {
        while (m_i < m_s.size() && m_s[m_i].isSpace())
            step();
        if (m_i >= m_s.size())
            return false;
        t.begin = m_i;
        t.line = m_line;
        t.kind = scanOne();
        t.end = m_i;
        t.endLine = m_line;
        return true;
    }

private:
    bool at(qsizetype i, char c) const { return i < m_s.size() && m_s[i] == QLatin1Char(c); }

    void step() {
        if (m_s[m_i] == QLatin1Char('\n'))
            ++m_line;
        ++m_i;
    }

    // Past the closing character; a doubled one stays inside when `doubling` is set.
    void skipQuoted(QChar close, bool doubling) {
        step();
        while (m_i < m_s.size()) {
            const bool closing = m_s[m_i] == close;
            step();
            if (!closing)
                continue;
            if (doubling && m_i < m_s.size() && m_s[m_i] == close) {
                step();
                continue;
            }
            return;
        }
    }

    bool startsComment(qsizetype i) const {
        return (at(i, '-') && at(i + 1, '-')) || (at(i, '/') && at(i + 1, '*'));
    }

    Kind scanOne() {
        const QChar c = m_s[m_i];
        if (at(m_i, '-') && at(m_i + 1, '-')) {
            while (m_i < m_s.size() && m_s[m_i] != QLatin1Char('\n'))
                ++m_i;
            return Kind::LineComment;
        }
        if (at(m_i, '/') && at(m_i + 1, '*')) {
            step();
            step();
            while (m_i < m_s.size() && !(at(m_i, '*') && at(m_i + 1, '/')))
                step();
            m_i = qMin(m_i + 2, m_s.size());
            return Kind::BlockComment;
        }
        switch (c.unicode()) {
        case '\'':
        case '"':
        case '`':
            skipQuoted(c, true);
            return Kind::Quoted;
        case '[':
            skipQuoted(QLatin1Char(']'), false);
            return Kind::Quoted;
        case '(':
            ++m_i;
            return Kind::Open;
        case ')':
            ++m_i;
            return Kind::Close;
        case ',':
            ++m_i;
            return Kind::Comma;
        case ';':
            ++m_i;
            return Kind::Semicolon;
        default:
            break;
        }
        static const QString kStops = QStringLiteral("()',;\"`[");
        while (m_i < m_s.size() && !m_s[m_i].isSpace() && !kStops.contains(m_s[m_i]) && !startsComment(m_i))
            ++m_i;
        return Kind::Word;
    }

    QStringView m_s;
    qsizetype m_i = 0;
    int m_line = 0;
};

constexpr int kNobody = -2;
constexpr int kTable = -1;

// The keywords that open a table constraint, which names no column.
bool startsConstraint(QStringView text, const Token& t) {
    const QStringView word = text.sliced(t.begin, t.end - t.begin);
    for (const char* k : {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"})
        if (word.compare(QLatin1String(k), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// A name as SQLite reads it: "…", `…` and '…' with their doubled quote inside, […] as it stands.
QString unquoted(QStringView token) {
    if (token.size() < 2)
        return token.toString();
    const QChar open = token.front();
    if (open == QLatin1Char('['))
        return token.sliced(1, token.size() - (token.back() == QLatin1Char(']') ? 2 : 1)).toString();
    if (open != QLatin1Char('"') && open != QLatin1Char('`') && open != QLatin1Char('\''))
        return token.toString();
    QStringView inner = token.sliced(1);
    if (inner.endsWith(open))
        inner.chop(1);
    return inner.toString().replace(QString(2, open), QString(open));
}

} // namespace

DefinitionComments definitionComments(QStringView text) {
    DefinitionComments out;
    enum class Phase { Head, List, After } phase = Phase::Head;
    int depth = 0;
    int lastLine = -1;       // the line on which the last token before a comment ended
    int lastOwner = kNobody; // whom that token belongs to: the table, an entry, or nobody
    Scanner scanner(text);
    Token t;
    while (scanner.next(t)) {
        if (t.kind == Kind::BlockComment)
            continue;
        if (t.kind == Kind::LineComment) {
            if (t.line == lastLine && lastOwner != kNobody) {
                QString& slot = lastOwner == kTable ? out.table : out.entries[lastOwner];
                if (slot.isEmpty())
                    slot = text.sliced(t.begin + 2, t.end - t.begin - 2).trimmed().toString();
            }
            continue;
        }
        int owner = kNobody;
        if (phase == Phase::Head) {
            owner = kTable;
            if (t.kind == Kind::Open) {
                phase = Phase::List;
                depth = 1;
                out.entries.append(QString());
                out.names.append(QString());
            } else if (t.kind == Kind::Word &&
                       text.sliced(t.begin, t.end - t.begin)
                               .compare(QLatin1String("AS"), Qt::CaseInsensitive) == 0) {
                phase = Phase::After;
            }
        } else if (phase == Phase::List) {
            owner = int(out.entries.size()) - 1;
            const bool first = depth == 1 && lastOwner != owner;
            if (first && (t.kind == Kind::Quoted || (t.kind == Kind::Word && !startsConstraint(text, t))))
                out.names[owner] = unquoted(text.sliced(t.begin, t.end - t.begin));
            if (t.kind == Kind::Open) {
                ++depth;
            } else if (t.kind == Kind::Close && --depth == 0) {
                // The closing parenthesis shares the last entry's line only when it follows it there.
                phase = Phase::After;
                owner = t.line == lastLine ? lastOwner : kNobody;
            } else if (t.kind == Kind::Comma && depth == 1) {
                out.entries.append(QString());
                out.names.append(QString());
            }
        }
        lastLine = t.endLine;
        lastOwner = owner;
    }
    return out;
}

} // namespace zemo
