#include "results/XlsxReadBack.h"

#include "base/ZemoError.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unzip.h>

namespace zemo {

namespace {

constexpr size_t kChunk = 1 << 16;
// Longest tag counted in a sheet: "</row>".
constexpr size_t kTagBytes = 6;
// The end of a sheet kept to see how it ends.
constexpr size_t kTailBytes = 32;

[[noreturn]] void notWhole(const QString& what, const QString& target) {
    throw ZemoError(err::FileWrite,
                    QStringLiteral("ファイルに書き込めません（書き込んだブックが壊れています：%1）：%2")
                        .arg(what, target));
}

// The tags of a sheet counted as the sheet streams by: every '<' opens a tag, because the text
// and attribute values of the XML carry '<' only as "&lt;".
class SheetScan {
public:
    void take(const char* data, size_t n) {
        m_work.assign(m_carry);
        m_work.append(data, n);
        m_carry.clear();
        const char* p = m_work.data();
        const char* end = p + m_work.size();
        while ((p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p))))) {
            if (size_t(end - p) < kTagBytes) {
                m_carry.assign(p, end); // finished with the next piece
                break;
            }
            count(std::string_view(p, kTagBytes));
            ++p;
        }
        const size_t last = std::min(n, kTailBytes);
        m_tail.append(data + n - last, last);
        if (m_tail.size() > kTailBytes)
            m_tail.erase(0, m_tail.size() - kTailBytes);
    }

    // Whole when it ends as a sheet does and every row and cell is there and closed.
    bool whole(const SheetTally& expected) {
        if (!m_carry.empty())
            count(m_carry);
        std::string_view tail(m_tail);
        while (!tail.empty() && std::string_view(" \r\n\t").find(tail.back()) != std::string_view::npos)
            tail.remove_suffix(1);
        return tail.ends_with("</worksheet>") && m_rows == expected.rows && m_rowEnds == expected.rows &&
               m_cells == expected.cells && m_cellEnds == expected.cells;
    }

private:
    void count(std::string_view tag) {
        if (tag.starts_with("<row "))
            ++m_rows;
        else if (tag.starts_with("</row>"))
            ++m_rowEnds;
        else if (tag.starts_with("<c "))
            ++m_cells;
        else if (tag.starts_with("</c>"))
            ++m_cellEnds;
    }

    std::string m_work, m_carry, m_tail;
    long long m_rows = 0, m_rowEnds = 0, m_cells = 0, m_cellEnds = 0;
};

// The open archive, closed on every way out.
class Archive {
public:
    explicit Archive(const QString& file) : m_zip(unzOpen64(QFile::encodeName(file).constData())) {}
    ~Archive() {
        if (m_zip)
            unzClose(m_zip);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    unzFile handle() const { return m_zip; }

private:
    unzFile m_zip;
};

} // namespace

void checkWorkbookWhole(const QString& file, const std::vector<SheetTally>& sheets, const QString& target) {
    static const QRegularExpression kSheetName(QStringLiteral("^xl/worksheets/sheet([1-9][0-9]*)\\.xml$"));
    Archive archive(file);
    unzFile zip = archive.handle();
    if (!zip)
        notWhole(QStringLiteral("zip"), target);
    std::vector<bool> seen(sheets.size(), false);
    std::string chunk(kChunk, '\0');
    int rc = unzGoToFirstFile(zip);
    for (; rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzOpenCurrentFile(zip) != UNZ_OK)
            notWhole(QStringLiteral("zip"), target);
        const QString part = QString::fromUtf8(name);
        const QRegularExpressionMatch sheet = kSheetName.match(part);
        const size_t index = sheet.hasMatch() ? size_t(sheet.captured(1).toULongLong() - 1) : 0;
        if (sheet.hasMatch() && index >= sheets.size())
            notWhole(part, target);
        SheetScan scan;
        QByteArray xml;
        int n = 0;
        while ((n = unzReadCurrentFile(zip, chunk.data(), unsigned(chunk.size()))) > 0) {
            if (sheet.hasMatch())
                scan.take(chunk.data(), size_t(n));
            else
                xml.append(chunk.data(), n);
        }
        // Closing the part compares its checksum.
        if (unzCloseCurrentFile(zip) != UNZ_OK || n < 0)
            notWhole(part, target);
        if (sheet.hasMatch()) {
            if (!scan.whole(sheets[index]))
                notWhole(part, target);
            seen[index] = true;
        } else if (part.endsWith(QLatin1String(".xml")) || part.endsWith(QLatin1String(".rels"))) {
            QXmlStreamReader reader(xml);
            while (!reader.atEnd())
                reader.readNext();
            if (reader.hasError())
                notWhole(part, target);
        }
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE)
        notWhole(QStringLiteral("zip"), target);
    for (size_t k = 0; k < seen.size(); ++k)
        if (!seen[k])
            notWhole(QStringLiteral("xl/worksheets/sheet%1.xml").arg(k + 1), target);
}

} // namespace zemo
