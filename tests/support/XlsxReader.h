#pragma once

// A workbook read back as a spreadsheet shows it, by tests/support/xlsx_cells.py (python3-openpyxl).

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>

namespace zemo::test {

// The helper's JSON for `option` ("" for the whole book); a null document (and the helper's
// complaint in the test log) when it failed.
inline QJsonDocument runXlsxHelper(const QString& option, const QString& path) {
    QStringList args{QStringLiteral(ZEMO_SOURCE_DIR "/tests/support/xlsx_cells.py")};
    if (!option.isEmpty())
        args << option;
    args << path;
    QProcess helper;
    helper.start(QStringLiteral(ZEMO_PYTHON3), args);
    if (!helper.waitForFinished(60000) || helper.exitStatus() != QProcess::NormalExit ||
        helper.exitCode() != 0) {
        qWarning("xlsx_cells.py: %s", helper.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(helper.readAllStandardOutput());
}

// The book as a spreadsheet shows it; with `dimensionsOnly` each sheet's used range only.
inline QJsonDocument readXlsx(const QString& path, bool dimensionsOnly = false) {
    return runXlsxHelper(dimensionsOnly ? QStringLiteral("--dimensions") : QString(), path);
}

// The largest part of the book as it was before packing; -1 when it cannot be read.
inline qint64 largestXlsxPart(const QString& path) {
    const QJsonDocument sizes = runXlsxHelper(QStringLiteral("--part-sizes"), path);
    if (!sizes.isObject())
        return -1;
    qint64 largest = 0;
    for (const QJsonValue& v : sizes.object())
        largest = std::max(largest, qint64(v.toDouble()));
    return largest;
}

// Sheet `sheet`'s cells as shown text, row by row.
inline QList<QStringList> xlsxTexts(const QJsonDocument& book, int sheet = 0) {
    QList<QStringList> out;
    for (const QJsonValue& row : book[QStringLiteral("sheets")][sheet][QStringLiteral("rows")].toArray()) {
        QStringList texts;
        for (const QJsonValue& cell : row.toArray())
            texts << cell[1].toString();
        out << texts;
    }
    return out;
}

// The kind of one cell: "s" text, "n" number, "d" date or time, "" empty.
inline QString xlsxKind(const QJsonDocument& book, int row, int col, int sheet = 0) {
    return book[QStringLiteral("sheets")][sheet][QStringLiteral("rows")][row][col][0].toString();
}

} // namespace zemo::test
