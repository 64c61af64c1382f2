#pragma once

// A workbook read back as a spreadsheet shows it, by tests/support/xlsx_cells.py (python3-openpyxl).

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QtGlobal>

namespace zemo::test {

// The helper's JSON; a null document (and the helper's complaint in the test log) when it failed.
// With `partSizes` each part of the zip file and its size unpacked.
inline QJsonDocument readXlsx(const QString& path, bool dimensionsOnly = false, bool partSizes = false) {
    QStringList args{QStringLiteral(ZEMO_SOURCE_DIR "/tests/support/xlsx_cells.py")};
    if (dimensionsOnly || partSizes)
        args << QLatin1String(partSizes ? "--part-sizes" : "--dimensions");
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
