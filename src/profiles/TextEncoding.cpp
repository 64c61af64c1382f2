#include "profiles/TextEncoding.h"

#include "base/ZemoError.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace zemo {

bool isUtf16(TextEncoding e) {
    return e == TextEncoding::Utf16LE || e == TextEncoding::Utf16BE;
}

QByteArray bomOf(TextEncoding e) {
    switch (e) {
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF", 3);
    case TextEncoding::Utf16LE:
        return QByteArray("\xFF\xFE", 2);
    case TextEncoding::Utf16BE:
        return QByteArray("\xFE\xFF", 2);
    default:
        return {};
    }
}

// Decodes one line. Each line is decoded on its own, so no state crosses line ends.
QString decodeLine(const QByteArray& raw, TextEncoding e) {
    switch (e) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return QString::fromUtf8(raw);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        QStringDecoder d(e == TextEncoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                         QStringConverter::Flag::ConvertInitialBom);
        return d(raw);
    }
    case TextEncoding::ShiftJis: {
        QStringDecoder d(kShiftJisName, QStringConverter::Flag::ConvertInitialBom);
        return d(raw);
    }
    }
    return {};
}

// Encodes text the program writes; a character the file's encoding cannot hold is an error, never a
// silently replaced byte.
QByteArray encodeLine(const QString& text, TextEncoding e,
                      const std::function<QString(const QString&)>& writeError) {
    QByteArray out;
    switch (e) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        out = text.toUtf8();
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        QStringEncoder enc(e == TextEncoding::Utf16LE ? QStringConverter::Utf16LE
                                                      : QStringConverter::Utf16BE);
        out = enc(text);
        break;
    }
    case TextEncoding::ShiftJis: {
        QStringEncoder enc(kShiftJisName);
        if (!enc.isValid())
            throw ZemoError(err::ProfileWrite, writeError(QStringLiteral("Shift-JIS に変換できません")));
        out = enc(text);
        if (enc.hasError() || decodeLine(out, e) != text)
            throw ZemoError(
                err::ProfileWrite,
                writeError(QStringLiteral("ファイルの文字コード（Shift-JIS）で表せない文字があります")));
        break;
    }
    }
    return out;
}

// Strict UTF-8: no overlong forms, surrogates or code points past U+10FFFF, and no sequence cut
// off at the end. A file cut mid-character is not UTF-8: read as such, the next write would append
// valid text after the broken bytes and the whole file would read as Shift-JIS afterwards.
bool isValidUtf8(const QByteArray& bytes) {
    static constexpr uint kMin[] = {0, 0, 0x80, 0x800, 0x10000}; // below these a form is overlong
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = p[i];
        const int len = c < 0x80                 ? 1
                        : (c & 0xE0) == 0xC0     ? 2
                        : (c & 0xF0) == 0xE0     ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
        if (len == 0 || len > n - i)
            return false;
        uint cp = len == 1 ? c : c & (0x7Fu >> len);
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

} // namespace zemo
