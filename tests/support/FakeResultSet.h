#pragma once

#include "base/ZemoError.h"
#include "db/OracleAccess.h"

#include <QList>
#include <QStringList>
#include <optional>
#include <vector>

// A result set from a table in memory, with the value kinds a server database reports and an
// optional failure when moving onto a given row.
class FakeResultSet : public zemo::OracleResultSet {
public:
    using Row = std::vector<std::optional<QString>>;

    FakeResultSet(QStringList names, std::vector<zemo::ValueKind> kinds, std::vector<Row> rows,
                  int failAtRow = -1)
        : m_names(std::move(names)), m_kinds(std::move(kinds)), m_rows(std::move(rows)), m_failAt(failAtRow) {
    }

    int columnCount() const override { return int(m_names.size()); }
    QString columnName(int col) const override { return m_names[col]; }
    bool atEnd() const override { return m_pos >= int(m_rows.size()); }
    void next() override {
        ++m_pos;
        if (m_pos == m_failAt) {
            m_pos = int(m_rows.size());
            throw zemo::ZemoError(-3114, QStringLiteral("not connected to ORACLE"));
        }
    }
    QVariant value(int col) const override {
        const auto& v = m_rows[m_pos][col];
        return v ? QVariant(*v) : QVariant();
    }
    zemo::ValueKind kind(int col) const override {
        return m_rows[m_pos][col] ? m_kinds[col] : zemo::ValueKind::Null;
    }
    bool textUtf8(int col, std::string_view& out) const override {
        const auto& v = m_rows[m_pos][col];
        if (!v)
            return false;
        m_buf = v->toUtf8();
        out = std::string_view(m_buf.constData(), size_t(m_buf.size()));
        return true;
    }

private:
    QStringList m_names;
    std::vector<zemo::ValueKind> m_kinds;
    std::vector<Row> m_rows;
    int m_failAt;
    int m_pos = 0;
    mutable QByteArray m_buf;
};
