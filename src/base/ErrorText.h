#pragma once

#include <QString>

namespace zemo {

// Title of every error and warning box of the program.
inline const QString kMessageTitle = QStringLiteral("エラーメッセージ");
// Title of a box that only informs (a file was written, with something to tell about it).
inline const QString kInformationTitle = QStringLiteral("ZEMO-DB　お知らせ");

// Text of the common error box: number and description on two lines joined by a bare CR.
inline QString errorBoxText(int number, const QString& description) {
    return QStringLiteral("エラー番号：") + QString::number(number) + QChar(13) +
           QStringLiteral("メッセージ：") + description;
}

} // namespace zemo
