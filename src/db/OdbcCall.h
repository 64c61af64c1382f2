#pragma once

// The ODBC API as the adapter calls it: the wide (UTF-16) functions on every platform, so that no
// text depends on the process's locale or the Windows code page. For src/db only.

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include "base/ZemoError.h"

#include <QString>

namespace zemo::odbc {

static_assert(sizeof(SQLWCHAR) == 2, "the adapter passes text to the driver manager as UTF-16");

inline const SQLWCHAR* wide(const QString& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

inline QString fromWide(const SQLWCHAR* text, qsizetype units) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), units);
}

// What a handle reports of its last call: the first record's SQLSTATE and native number, and the
// messages of all records, one a line. `fallback` is the text when the driver says nothing.
struct Diagnostic {
    QString state;
    int native = 0;
    QString text;
};
Diagnostic readDiagnostic(SQLSMALLINT type, SQLHANDLE handle, const QString& fallback);

// The failure the handle reports: the driver's native number when it has one, its messages, and
// the SQLSTATE of the first record.
ZemoError diagnostics(SQLSMALLINT type, SQLHANDLE handle, const QString& fallback);

// The SQLSTATE of the handle's first diagnostic record; empty when there is none.
QString firstSqlState(SQLSMALLINT type, SQLHANDLE handle);

// One handle, freed with its owner.
class Handle {
public:
    Handle() = default;
    Handle(SQLSMALLINT type, SQLHANDLE handle) : m_type(type), m_handle(handle) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : m_type(other.m_type), m_handle(other.m_handle) {
        other.m_handle = nullptr;
    }
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            m_type = other.m_type;
            m_handle = other.m_handle;
            other.m_handle = nullptr;
        }
        return *this;
    }

    SQLHANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    SQLHANDLE release() {
        SQLHANDLE h = m_handle;
        m_handle = nullptr;
        return h;
    }
    void reset() {
        if (m_handle)
            SQLFreeHandle(m_type, m_handle);
        m_handle = nullptr;
    }

    // Allocates a handle of `type` under `parent`; throws what the parent reports.
    static Handle allocate(SQLSMALLINT type, SQLSMALLINT parentType, SQLHANDLE parent);

private:
    SQLSMALLINT m_type = SQL_HANDLE_STMT;
    SQLHANDLE m_handle = nullptr;
};

} // namespace zemo::odbc
