#include "db/QtSqlBackend.h"

#include "base/ZemoError.h"
#include "db/CellText.h"
#include "db/ServerError.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QUuid>

namespace zemo {

namespace {

bool isDateOrTime(int type) {
    return type == QMetaType::QDate || type == QMetaType::QTime || type == QMetaType::QDateTime;
}

// The "?" Qt takes for parameters when it rewrites them for a driver: outside '...', "..." and `...`
// (and [...] except for PostgreSQL), comments included, which it does not know.
qsizetype questionMarksQtSees(QStringView sql, bool postgres) {
    qsizetype count = 0;
    QChar closing;
    for (const QChar c : sql) {
        if (!closing.isNull()) {
            if (c == closing)
                closing = QChar();
        } else if (c == u'?') {
            ++count;
        } else if (c == u'\'' || c == u'"' || c == u'`') {
            closing = c;
        } else if (c == u'[' && !postgres) {
            closing = u']';
        }
    }
    return count;
}

} // namespace

QString dateTimeText(const QVariant& value) {
    std::string out;
    const auto time = [&out](const QTime& t) {
        appendTime(out, t.hour(), t.minute(), t.second(), uint32_t(t.msec()) * 1000000u);
    };
    switch (value.typeId()) {
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        appendDate(out, d.year(), d.month(), d.day());
        break;
    }
    case QMetaType::QTime:
        time(value.toTime());
        break;
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        appendDate(out, dt.date().year(), dt.date().month(), dt.date().day());
        out += ' ';
        time(dt.time());
        break;
    }
    default:
        return value.toString();
    }
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

ZemoError QtSqlDatabase::toZemoError(const QSqlError& error, const QString& context) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (!context.isEmpty())
        text = context + QStringLiteral("：") + text;
    const QString code = error.nativeErrorCode().trimmed();
    bool numeric = false;
    const int number = code.toInt(&numeric);
    return serverError(numeric ? number : 0, text, numeric ? QString() : code);
}

QtSqlDatabase::QtSqlDatabase(QSqlDatabase db, QString name, QString backend)
    : m_db(std::move(db)), m_name(std::move(name)), m_backend(std::move(backend)) {}

std::shared_ptr<QtSqlDatabase> QtSqlDatabase::open(const Params& params) {
    // Qt keeps its connections in one process-wide list by name: a fresh id per connection keeps the
    // names apart without a counter shared by the connection threads.
    const QString name =
        QStringLiteral("zemo-%1-%2").arg(params.backend, QUuid::createUuid().toString(QUuid::Id128));
    QSqlError failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(params.driver, name);
        if (db.isValid()) {
            db.setDatabaseName(params.databaseName);
            if (!params.host.isEmpty())
                db.setHostName(params.host);
            if (params.port > 0)
                db.setPort(params.port);
            if (!params.user.isEmpty())
                db.setUserName(params.user);
            if (!params.password.isEmpty())
                db.setPassword(params.password);
            db.setConnectOptions(params.options);
            db.setNumericalPrecisionPolicy(QSql::HighPrecision);
            if (db.open())
                return std::shared_ptr<QtSqlDatabase>(new QtSqlDatabase(db, name, params.backend));
            failure = db.lastError();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isValid())
        throw ZemoError(err::NoDriver,
                        QStringLiteral("Qt の SQL ドライバ %1 を読み込めません").arg(params.driver));
    throw toZemoError(failure);
}

QtSqlDatabase::~QtSqlDatabase() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

std::unique_ptr<OracleResultSet> QtSqlDatabase::createResultSet(const QString& sql) {
    return std::make_unique<QtSqlResultSet>(shared_from_this(), sql);
}

void QtSqlDatabase::execute(const QString& sql) {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        throw toZemoError(q.lastError());
}

std::unique_ptr<OracleResultSet> QtSqlDatabase::createBoundResultSet(const BoundStatement& statement) {
    const QString text = boundText(statement, ParameterStyle::Question);
    const QStringList values = useValues(statement);
    // A "?" in a comment would move every value one place on.
    if (questionMarksQtSees(text, m_db.driver()->dbmsType() == QSqlDriver::PostgreSQL) != values.size())
        throw ZemoError(err::ParameterForm,
                        QStringLiteral("「:名前」のパラメータのある文のコメントには「?」を書けません"));
    return std::make_unique<QtSqlResultSet>(shared_from_this(), text, values);
}

QtSqlResultSet::QtSqlResultSet(std::shared_ptr<QtSqlDatabase> db, const QString& sql,
                               const QStringList& values)
    : m_db(std::move(db)), m_query(m_db->connection()) {
    m_query.setForwardOnly(true);
    m_query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    bool ran = false;
    if (values.isEmpty()) {
        ran = m_query.exec(sql);
    } else if (m_query.prepare(sql)) {
        for (const QString& v : values)
            m_query.addBindValue(v);
        ran = m_query.exec();
    }
    if (!ran)
        throw QtSqlDatabase::toZemoError(m_query.lastError());
    m_record = m_query.record();
    for (int i = 0; i < m_record.count(); ++i)
        m_declared.push_back(m_record.field(i).metaType().id());
    m_end = !fetchRow(m_row);
}

bool QtSqlResultSet::fetchRow(QList<QVariant>& row) {
    if (!m_query.next()) {
        // A failed fetch also ends with next() == false; it must not pass for the end of the data.
        const QSqlError error = m_query.lastError();
        if (error.isValid())
            throw QtSqlDatabase::toZemoError(error);
        return false;
    }
    const int n = m_record.count();
    row.resize(n);
    for (int i = 0; i < n; ++i)
        row[i] = m_query.value(i);
    return true;
}

void QtSqlResultSet::next() {
    if (m_end)
        return;
    try {
        m_end = !fetchRow(m_row);
    } catch (...) {
        m_end = true;
        throw;
    }
}

const QVariant& QtSqlResultSet::cell(int col) const {
    if (m_end)
        throw ZemoError(err::NoSuchField, QStringLiteral("現在の行がありません"));
    if (col < 0 || col >= m_row.size())
        throw ZemoError(err::NoSuchField, QStringLiteral("列番号 %1 はありません").arg(col));
    return m_row[col];
}

QVariant QtSqlResultSet::value(int col) const {
    return cell(col);
}

ValueKind QtSqlResultSet::kind(int col) const {
    const QVariant& v = cell(col);
    if (v.isNull() || v.typeId() != QMetaType::QString)
        return valueKindOf(v);
    // Exact numbers and exact dates and times arrive as their text.
    const int declared = m_declared[size_t(col)];
    if (isDateOrTime(declared))
        return ValueKind::DateTime;
    return declared == QMetaType::Double || declared == QMetaType::Float ? ValueKind::Decimal
                                                                         : ValueKind::Text;
}

bool QtSqlResultSet::textUtf8(int col, std::string_view& out) const {
    const QVariant& v = cell(col);
    if (v.isNull())
        return false;
    switch (kind(col)) {
    case ValueKind::DateTime:
        m_text = dateTimeText(v).toUtf8();
        break;
    case ValueKind::Blob: // binary as hex digits, as Oracle's tools show RAW
        m_text = binaryText(v.toByteArray());
        break;
    default:
        m_text = v.toString().toUtf8();
    }
    out = std::string_view(m_text.constData(), static_cast<size_t>(m_text.size()));
    return true;
}

} // namespace zemo
