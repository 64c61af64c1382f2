#include "CsvCompare.h"

#include <QFile>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Reads RFC 4180 records one at a time; a record ends with LF or CR LF outside quotes.
class CsvRecords {
public:
    explicit CsvRecords(const QString& path) : m_file(path) {
        if (!m_file.open(QIODevice::ReadOnly))
            std::fprintf(stderr, "zemo-bench: cannot read %s\n", path.toLocal8Bit().constData());
    }
    bool ok() const { return m_file.isOpen(); }
    void skipBom() {
        if (peek() == '\xEF') {
            get();
            get();
            get();
        }
    }
    bool next(std::vector<std::string>& fields) {
        fields.clear();
        if (peek() < 0)
            return false;
        std::string field;
        bool quoted = false;
        for (int c = get();; c = get()) {
            if (quoted) {
                if (c < 0)
                    break;
                if (c == '"' && peek() == '"') {
                    field += '"';
                    get();
                } else if (c == '"') {
                    quoted = false;
                } else {
                    field += char(c);
                }
                continue;
            }
            if (c == '"') {
                quoted = true;
            } else if (c == ',') {
                fields.push_back(std::move(field));
                field.clear();
            } else if (c < 0 || c == '\n' || (c == '\r' && peek() == '\n')) {
                if (c == '\r')
                    get();
                break;
            } else {
                field += char(c);
            }
        }
        fields.push_back(std::move(field));
        return true;
    }

private:
    int peek() {
        fill();
        return m_pos < m_len ? static_cast<unsigned char>(m_buf[m_pos]) : -1;
    }
    int get() {
        const int c = peek();
        if (c >= 0)
            ++m_pos;
        return c;
    }
    void fill() {
        if (m_pos < m_len)
            return;
        m_len = m_file.read(m_buf, sizeof m_buf);
        m_pos = 0;
        if (m_len < 0)
            m_len = 0;
    }
    QFile m_file;
    char m_buf[1 << 16];
    qint64 m_len = 0;
    qint64 m_pos = 0;
};

std::string jsonText(const std::string& s) {
    std::string out;
    for (const char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

} // namespace

long long compareWithCopy(const QString& ours, const QString& copy) {
    CsvRecords a(ours), b(copy);
    if (!a.ok() || !b.ok())
        return -1;
    a.skipBom();
    std::vector<std::string> ra, rb;
    a.next(ra); // the heading row
    long long rows = 0, cells = 0, differences = 0;
    std::string first;
    for (;;) {
        const bool hasA = a.next(ra), hasB = b.next(rb);
        if (!hasA && !hasB)
            break;
        ++rows;
        if (hasA != hasB || ra.size() != rb.size() + 1) {
            ++differences;
            if (first.empty())
                first = "row " + std::to_string(rows) + ": " + (hasA ? std::to_string(ra.size() - 1) : "no") +
                        " fields here, " + (hasB ? std::to_string(rb.size()) : "no") + " in the \\copy file";
            continue;
        }
        for (size_t j = 0; j < rb.size(); ++j) {
            ++cells;
            if (ra[j + 1] != rb[j]) {
                ++differences;
                if (first.empty())
                    first = "row " + std::to_string(rows) + " field " + std::to_string(j) + ": '" +
                            ra[j + 1] + "' here, '" + rb[j] + "' in the \\copy file";
            }
        }
    }
    std::printf("{\"rows\":%lld,\"cells\":%lld,\"differences\":%lld,\"first_difference\":\"%s\"}\n", rows,
                cells, differences, jsonText(first).c_str());
    return differences;
}
