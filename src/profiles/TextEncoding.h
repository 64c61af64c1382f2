#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace zemo {

// How a profile file is encoded on disk; a rewrite keeps it.
enum class TextEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, ShiftJis };

// Files written by the Windows program are in its ANSI code page; Qt reaches CP932 through ICU.
inline constexpr const char* kShiftJisName = "windows-31j";

bool isUtf16(TextEncoding e);
QByteArray bomOf(TextEncoding e);
// Decodes one line. Each line is decoded on its own, so no state crosses line ends.
QString decodeLine(const QByteArray& raw, TextEncoding e);
// Encodes text the program writes; a character the file's encoding cannot hold is an error (a
// ZemoError whose description `writeError` makes from the reason), never a silently replaced byte.
QByteArray encodeLine(const QString& text, TextEncoding e,
                      const std::function<QString(const QString&)>& writeError);
// Strict UTF-8: no overlong forms, surrogates or code points past U+10FFFF, and no sequence cut off
// at the end.
bool isValidUtf8(const QByteArray& bytes);

} // namespace zemo
