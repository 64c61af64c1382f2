#pragma once

#include "profiles/TextEncoding.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace zemo {

// A profile file is a few hundred bytes; anything this large is not one and is refused, not parsed.
inline constexpr qint64 kMaxIniFileBytes = 4 * 1024 * 1024;

// Removes blanks (spaces and tabs) from both ends, as the private-profile functions do with names
// and values.
QString trimBlanks(const QString& text);

// An ini file held as its lines. Section and key names compare case-insensitively and without the
// blanks around them. Lines the program does not change are written back byte for byte, so comments,
// blank lines, foreign keys and bytes this program cannot decode all survive a rewrite.
// Errors are thrown as ZemoError: err::ProfileRead while reading, err::ProfileWrite while writing.
class IniFile {
public:
    // An empty new file: UTF-8 without BOM, CR LF.
    IniFile() = default;

    static IniFile fromBytes(const QByteArray& bytes, const QString& pathForMessages = QString());
    // No ordinary file at `path` gives an empty new file.
    static IniFile load(const QString& path);

    // The file as it is to be written; throws err::ProfileWrite when reading those bytes would not
    // give back these lines (so nothing written is lost to another choice of encoding).
    QByteArray toBytes(const QString& pathForMessages = QString()) const;
    // Writes the whole file beside the old one and renames it over; a new file is private to its owner.
    void save(const QString& path) const;

    TextEncoding encoding() const { return m_encoding; }
    // "\r\n" or "\n": the line end new lines get (the first line end of the file).
    QString lineEnd() const { return m_lineEnd; }

    // Header lines as the profile list shows them: lines that begin with "[" and end with "]", with
    // those two outer brackets removed, in file order.
    QStringList listedSections() const;
    // Lines that open a section without closing it, as written; their keys belong to no section.
    QStringList brokenHeaders() const;
    bool hasSection(const QString& section) const;
    QString value(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    // Replaces the key's value in place, appends the key to its section or appends the section.
    // Line ends and other control characters are refused.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Removes the key's line; false when the section has no such key.
    bool removeKey(const QString& section, const QString& key);
    // Removes the header and every line up to the next header; false when there is no such section.
    bool removeSection(const QString& section);

private:
    struct Line {
        QByteArray raw; // bytes as read, without the line end; rewritten only when `changed`
        QByteArray eol; // line end bytes as read; empty on a last line without one
        QString text;
        bool changed = false;
    };
    enum class Kind { Other, Header, BrokenHeader, Key };
    struct Parsed {
        Kind kind = Kind::Other;
        QString name; // section name for a header, key name for a key
        QString value;
    };
    static Parsed parse(const QString& text);
    // Sets the encoding from a byte-order mark or the bytes themselves; where the text starts.
    qsizetype chooseEncoding(const QByteArray& bytes, const QString& pathForMessages);

    // Index of the section's header line, or -1. An exact match wins over one that differs in case.
    qsizetype findSection(const QString& section) const;
    // One past the section's last line (the next header or the end of the file).
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype findKey(qsizetype header, const QString& key) const;
    void insertLine(qsizetype at, const QString& text);
    // Rewrites a header line the list would not show as "[" name "]".
    void showHeader(qsizetype header);
    void requireReadsBack(const QByteArray& bytes, const QString& path) const;
    QByteArray encodedEol() const;

    QList<Line> m_lines;
    TextEncoding m_encoding = TextEncoding::Utf8;
    QString m_lineEnd = QStringLiteral("\r\n");
};

} // namespace zemo
