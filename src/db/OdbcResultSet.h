#pragma once

#include "db/OdbcBackend.h"
#include "db/OdbcCall.h"

#include <string>
#include <vector>

namespace zemo {

// One result column and its bound buffers: a cell a row, `cellBytes` each, with its length.
struct OdbcColumn {
    // How values arrive: UTF-16 text, ASCII text (numbers, times), date and time structs, bytes.
    enum class Form { Text, Ascii, Timestamp, Date, Binary };

    QString name;
    Form form = Form::Text;
    ValueKind kind = ValueKind::Text;
    SQLSMALLINT cType = SQL_C_WCHAR;
    size_t cellBytes = 0;     // room of one cell, terminator included
    size_t terminator = 2;    // bytes the driver adds after text
    bool mayOverflow = false; // values may be longer than the room: they are then read in pieces

    std::vector<char> cells;
    std::vector<SQLLEN> lengths;
    // The current row's value when it was read in pieces.
    bool pieced = false;
    bool piecedNull = false;
    std::string pieces;
};

// The form, kind and cell room of a column of `sqlType` with the size the driver declares.
OdbcColumn planOdbcColumn(SQLSMALLINT sqlType, SQLULEN size, const OdbcFetchTuning& tuning);

// Rows of one statement, fetched as arrays of rows into bound buffers. Cells are handed out as
// views into those buffers (ASCII) or converted once into a scratch buffer (UTF-16, dates, bytes).
class OdbcResultSet : public OracleResultSet {
public:
    // `values` go to the "?" parameters of `sql`, one each, as text.
    OdbcResultSet(std::shared_ptr<OdbcDatabase> db, const QString& sql, const QStringList& values = {});

    int columnCount() const override { return int(m_cols.size()); }
    QString columnName(int col) const override;
    bool atEnd() const override { return m_end; }
    void next() override;
    QVariant value(int col) const override;
    ValueKind kind(int col) const override;
    bool textUtf8(int col, std::string_view& out) const override;

    // Rows one fetch call asks for at most, and whether values are read in pieces only.
    int rowsPerFetch() const { return m_rows; }
    bool readsRowByRow() const { return m_rowByRow; }

private:
    // Keeps the statement known to cancel() from before execution until its handle is freed.
    struct Attachment {
        OdbcDatabase* db;
        OdbcRunning* running;
        Attachment(OdbcDatabase* d, OdbcRunning* r) : db(d), running(r) { db->attach(running); }
        ~Attachment() { db->detach(running); }
        Attachment(const Attachment&) = delete;
        Attachment& operator=(const Attachment&) = delete;
    };

    SQLHSTMT stmt() const { return static_cast<SQLHSTMT>(m_stmt.get()); }
    [[noreturn]] void fail(const QString& fallback) const;
    void bindParameters(const QStringList& values);
    void describe();
    void bind();
    bool fetchBlock();
    void setRowArraySize(int rows);
    void loadRow();
    void readPieces(OdbcColumn& col, int index);
    void finish();
    bool raw(int col, const char*& data, size_t& size) const;

    std::shared_ptr<OdbcDatabase> m_db;
    odbc::Handle m_stmt;
    OdbcRunning m_running;
    Attachment m_attachment;
    std::vector<OdbcColumn> m_cols;
    std::vector<SQLUSMALLINT> m_status;
    SQLULEN m_fetched = 0;
    int m_rows = 1; // bound room, in rows
    int m_ask = 1;  // rows the next call asks for, up to m_rows
    bool m_rowByRow = false;
    bool m_reread = false; // a cell longer than its room can be read again in pieces
    SQLULEN m_pos = 0;     // current row in the array
    bool m_end = true;
    std::vector<char> m_piece;
    mutable std::string m_text;
    QStringList m_params;             // bound parameter values
    std::vector<SQLLEN> m_paramBytes; // their lengths in bytes
};

} // namespace zemo
