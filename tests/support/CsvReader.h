#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QStringView>

// Reads delimited text strictly, apart from the program's writers: fields split by one separator,
// quoted fields with doubled quotes, every record ended by CR LF; an empty line is a record of one
// empty field. Returns false on anything else (a bare CR or LF between fields, a stray quote).
inline bool readDelimited(QStringView text, QChar separator, QList<QStringList>& records) {
    QStringList record;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        QString field;
        if (text[i] == u'"') {
            for (++i;; ++i) {
                if (i >= n)
                    return false;
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
        } else {
            for (; i < n && text[i] != separator && text[i] != u'\r' && text[i] != u'\n'; ++i) {
                if (text[i] == u'"')
                    return false;
                field += text[i];
            }
        }
        record << field;
        if (i < n && text[i] == separator) {
            ++i;
            if (i == n)
                return false;
            continue;
        }
        if (i + 1 >= n || text[i] != u'\r' || text[i + 1] != u'\n')
            return false;
        i += 2;
        records << record;
        record.clear();
    }
    return true;
}

// Comma-separated UTF-8 text.
inline bool readCsv(const QByteArray& bytes, QList<QStringList>& records) {
    return readDelimited(QString::fromUtf8(bytes), u',', records);
}
