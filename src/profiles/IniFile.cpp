#include "profiles/IniFile.h"

#include "base/SaveFileSync.h"
#include "base/ZemoError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>

namespace zemo {

namespace {

QString readError(const QString& path, const QString& why) {
    return QStringLiteral("プロファイルファイルを読めません：") + path + QStringLiteral("（") + why +
           QStringLiteral("）");
}

QString writeError(const QString& path, const QString& why) {
    return QStringLiteral("プロファイルファイルに書き込めません：") + path + QStringLiteral("（") + why +
           QStringLiteral("）");
}

// The message of a write refused for `why`, naming the file.
std::function<QString(const QString&)> writeErrorFor(const QString& path) {
    return [path](const QString& why) { return writeError(path, why); };
}

// Control characters other than tab and line ends do not occur in a text file.
bool isBinaryChar(uint c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString trimBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

IniFile IniFile::fromBytes(const QByteArray& bytes, const QString& pathForMessages) {
    if (bytes.size() > kMaxIniFileBytes)
        throw ZemoError(err::ProfileRead,
                        readError(pathForMessages, QStringLiteral("ファイルが大きすぎます")));
    IniFile ini;
    const qsizetype start = ini.chooseEncoding(bytes, pathForMessages);
    const bool wide = isUtf16(ini.m_encoding);
    const qsizetype unit = wide ? 2 : 1;
    if ((bytes.size() - start) % unit != 0)
        throw ZemoError(err::ProfileRead,
                        readError(pathForMessages, QStringLiteral("UTF-16 のファイルが途中で切れています")));
    const auto unitAt = [&](qsizetype i) -> uint {
        if (!wide)
            return static_cast<uchar>(bytes[i]);
        const uint a = static_cast<uchar>(bytes[i]), b = static_cast<uchar>(bytes[i + 1]);
        return ini.m_encoding == TextEncoding::Utf16LE ? (a | (b << 8)) : ((a << 8) | b);
    };

    bool lineEndSeen = false;
    qsizetype lineStart = start;
    const auto addLine = [&](qsizetype rawEnd, qsizetype next) {
        Line line;
        line.raw = bytes.mid(lineStart, rawEnd - lineStart);
        line.eol = bytes.mid(rawEnd, next - rawEnd);
        line.text = decodeLine(line.raw, ini.m_encoding);
        const bool loneCr = next - rawEnd == unit && unitAt(rawEnd) == '\r';
        if (!lineEndSeen && next > rawEnd && !loneCr) {
            ini.m_lineEnd = line.eol.size() == 2 * unit ? QStringLiteral("\r\n") : QStringLiteral("\n");
            lineEndSeen = true;
        }
        ini.m_lines.append(std::move(line));
        lineStart = next;
    };
    for (qsizetype i = start; i < bytes.size(); i += unit) {
        const uint c = unitAt(i);
        if (isBinaryChar(c))
            throw ZemoError(err::ProfileRead,
                            readError(pathForMessages, QStringLiteral("テキストファイルではありません")));
        if (c == '\n') {
            const bool crBefore = i - unit >= lineStart && unitAt(i - unit) == '\r';
            addLine(crBefore ? i - unit : i, i + unit);
        }
    }
    // A CR that ends the file ends its last line, as the LF a later write puts after it will.
    if (lineStart < bytes.size()) {
        const bool crLast = bytes.size() - unit >= lineStart && unitAt(bytes.size() - unit) == '\r';
        addLine(crLast ? bytes.size() - unit : bytes.size(), bytes.size());
    }
    return ini;
}

qsizetype IniFile::chooseEncoding(const QByteArray& bytes, const QString& pathForMessages) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_encoding = TextEncoding::Utf8Bom;
        return 3;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        m_encoding = bytes.startsWith("\xFF\xFE") ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
        return 2;
    }
    if (isValidUtf8(bytes)) {
        m_encoding = TextEncoding::Utf8;
        return 0;
    }
    m_encoding = TextEncoding::ShiftJis;
    if (!QStringDecoder(kShiftJisName).isValid())
        throw ZemoError(err::ProfileRead,
                        readError(pathForMessages, QStringLiteral("Shift-JIS を読めません")));
    return 0;
}

IniFile IniFile::load(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return IniFile();
    if (info.size() > kMaxIniFileBytes)
        throw ZemoError(err::ProfileRead, readError(path, QStringLiteral("ファイルが大きすぎます")));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw ZemoError(err::ProfileRead, readError(path, f.errorString()));
    // Read one byte past the limit so that a file that grew since the size check is still refused.
    const QByteArray bytes = f.read(kMaxIniFileBytes + 1);
    if (f.error() != QFileDevice::NoError)
        throw ZemoError(err::ProfileRead, readError(path, f.errorString()));
    return fromBytes(bytes, path);
}

QByteArray IniFile::encodedEol() const {
    return encodeLine(m_lineEnd, m_encoding, writeErrorFor({}));
}

QByteArray IniFile::toBytes(const QString& pathForMessages) const {
    QByteArray out = bomOf(m_encoding);
    for (const Line& line : m_lines) {
        out += line.changed ? encodeLine(line.text, m_encoding, writeErrorFor(pathForMessages)) : line.raw;
        out += line.eol;
    }
    if (out.size() > kMaxIniFileBytes)
        throw ZemoError(err::ProfileWrite,
                        writeError(pathForMessages, QStringLiteral("ファイルが大きくなりすぎます")));
    requireReadsBack(out, pathForMessages);
    return out;
}

void IniFile::requireReadsBack(const QByteArray& bytes, const QString& path) const {
    // A file that reads back otherwise (another encoding chosen for it) would lose what was written.
    bool same = false;
    try {
        const IniFile back = fromBytes(bytes, path);
        same = back.m_lines.size() == m_lines.size();
        for (qsizetype i = 0; same && i < m_lines.size(); ++i)
            same = back.m_lines[i].text == m_lines[i].text;
    } catch (const ZemoError&) {
        same = false;
    }
    if (!same)
        throw ZemoError(
            err::ProfileWrite,
            writeError(path, QStringLiteral("書き込むと内容が正しく読み戻せなくなるため保存しません")));
}

void IniFile::save(const QString& path) const {
    const QByteArray bytes = toBytes(path);
    const bool isNew = !QFileInfo::exists(path);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw ZemoError(err::ProfileWrite, writeError(path, f.errorString()));
    // Passwords are kept in plain text, so a new file is readable by its owner only.
    if (isNew)
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const bool written = f.write(bytes) == bytes.size() && flushAndSync(f);
    if (!written) {
        const QString why = f.error() != QFileDevice::NoError ? f.errorString() : qt_error_string(errno);
        f.cancelWriting();
        throw ZemoError(err::ProfileWrite, writeError(path, why));
    }
    if (!f.commit())
        throw ZemoError(err::ProfileWrite, writeError(path, f.errorString()));
}

IniFile::Parsed IniFile::parse(const QString& text) {
    const QString t = trimBlanks(text);
    Parsed p;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.lastIndexOf(QLatin1Char(']'));
        if (close < 1) {
            // Its keys belong to no section rather than to the one above it.
            p.kind = Kind::BrokenHeader;
            return p;
        }
        p.kind = Kind::Header;
        p.name = trimBlanks(t.mid(1, close - 1));
        return p;
    }
    if (t.startsWith(QLatin1Char(';')))
        return p;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq < 0)
        return p;
    p.kind = Kind::Key;
    p.name = trimBlanks(t.left(eq));
    p.value = trimBlanks(t.mid(eq + 1));
    return p;
}

QStringList IniFile::listedSections() const {
    QStringList names;
    for (const Line& line : m_lines) {
        const QString& t = line.text;
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')) && t.size() >= 2)
            names.append(t.mid(1, t.size() - 2));
    }
    return names;
}

QStringList IniFile::brokenHeaders() const {
    QStringList lines;
    for (const Line& line : m_lines)
        if (parse(line.text).kind == Kind::BrokenHeader)
            lines.append(line.text);
    return lines;
}

qsizetype IniFile::findSection(const QString& section) const {
    const QString wanted = trimBlanks(section);
    qsizetype caseless = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Parsed p = parse(m_lines[i].text);
        if (p.kind != Kind::Header)
            continue;
        if (p.name == wanted)
            return i;
        if (caseless < 0 && sameName(p.name, wanted))
            caseless = i;
    }
    return caseless;
}

qsizetype IniFile::sectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < m_lines.size()) {
        const Kind k = parse(m_lines[i].text).kind;
        if (k == Kind::Header || k == Kind::BrokenHeader)
            break;
        ++i;
    }
    return i;
}

qsizetype IniFile::findKey(qsizetype header, const QString& key) const {
    const QString wanted = trimBlanks(key);
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Parsed p = parse(m_lines[i].text);
        if (p.kind == Kind::Key && sameName(p.name, wanted))
            return i;
    }
    return -1;
}

bool IniFile::hasSection(const QString& section) const {
    return findSection(section) >= 0;
}

QString IniFile::value(const QString& section, const QString& key, const QString& defaultValue) const {
    const qsizetype h = findSection(section);
    if (h < 0)
        return defaultValue;
    const qsizetype k = findKey(h, key);
    return k < 0 ? defaultValue : parse(m_lines[k].text).value;
}

void IniFile::insertLine(qsizetype at, const QString& text) {
    // A last line without a line end gets one before anything follows it; a file that ends in a
    // lone CR gets the LF that makes it a CR LF.
    if (at > 0 && m_lines[at - 1].eol.isEmpty())
        m_lines[at - 1].eol = encodedEol();
    else if (at > 0 && m_lines[at - 1].eol == encodeLine(QStringLiteral("\r"), m_encoding, writeErrorFor({})))
        m_lines[at - 1].eol += encodeLine(QStringLiteral("\n"), m_encoding, writeErrorFor({}));
    Line line;
    line.text = text;
    line.changed = true;
    line.eol = encodedEol();
    m_lines.insert(at, std::move(line));
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    // A line end would split the line, and control characters make the file unreadable as text.
    for (const QString* s : {&section, &key, &value})
        for (QChar c : *s)
            if (isBinaryChar(c.unicode()) || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                throw ZemoError(err::ProfileWrite,
                                QStringLiteral("改行や制御文字を含む名前や値は保存できません"));
    const QString keyLine = key + QLatin1Char('=') + value;
    qsizetype h = findSection(section);
    if (h < 0) {
        insertLine(m_lines.size(), QLatin1Char('[') + section + QLatin1Char(']'));
        insertLine(m_lines.size(), keyLine);
        return;
    }
    showHeader(h);
    const qsizetype k = findKey(h, key);
    if (k >= 0) {
        // The key keeps the spelling it has in the file.
        m_lines[k].text = parse(m_lines[k].text).name + QLatin1Char('=') + value;
        m_lines[k].changed = true;
        return;
    }
    // After the section's last non-blank line, so that blank lines before the next header stay there.
    qsizetype at = sectionEnd(h);
    while (at > h + 1 && trimBlanks(m_lines[at - 1].text).isEmpty())
        --at;
    insertLine(at, keyLine);
}

void IniFile::showHeader(qsizetype header) {
    // A section the program writes must be listed again: a hand-written "[x] " or " [x]" is not.
    Line& line = m_lines[header];
    if (line.text.startsWith(QLatin1Char('[')) && line.text.endsWith(QLatin1Char(']')))
        return;
    line.text = QLatin1Char('[') + parse(line.text).name + QLatin1Char(']');
    line.changed = true;
}

bool IniFile::removeKey(const QString& section, const QString& key) {
    const qsizetype h = findSection(section);
    const qsizetype k = h < 0 ? -1 : findKey(h, key);
    if (k < 0)
        return false;
    m_lines.remove(k);
    return true;
}

bool IniFile::removeSection(const QString& section) {
    const qsizetype h = findSection(section);
    if (h < 0)
        return false;
    qsizetype end = sectionEnd(h);
    // Blank lines that separate it from the next section stay.
    if (end < m_lines.size())
        while (end > h + 1 && trimBlanks(m_lines[end - 1].text).isEmpty())
            --end;
    m_lines.remove(h, end - h);
    return true;
}

} // namespace zemo
