#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Reads comma-separated text strictly: quoted fields with doubled quotes, every record ended by
// CR LF. Returns false on anything else (a bare CR or LF between fields, a stray quote).
inline bool readCsv(const QByteArray& bytes, QList<QStringList>& records) {
    const QString text = QString::fromUtf8(bytes);
    QStringList record;
    QString field;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == QLatin1Char('"')) {
            for (++i;; ++i) {
                if (i >= text.size())
                    return false;
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
        } else {
            while (i < text.size() && text[i] != QLatin1Char(',') && text[i] != QLatin1Char('\r') &&
                   text[i] != QLatin1Char('\n')) {
                if (text[i] == QLatin1Char('"'))
                    return false;
                field += text[i++];
            }
        }
        record << field;
        field.clear();
        if (i < text.size() && text[i] == QLatin1Char(',')) {
            ++i;
            if (i == text.size())
                return false;
            continue;
        }
        if (text.mid(i, 2) != QStringLiteral("\r\n"))
            return false;
        i += 2;
        records << record;
        record.clear();
    }
    return record.isEmpty();
}
