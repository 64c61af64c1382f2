#include "db/OracleAccess.h"

#include "base/ZemoError.h"
#include "db/SqliteBackend.h"

#include <QCoreApplication>
#include <QDir>

namespace zemo {

QVariant OracleField::Value() const {
    return m_rs->value(m_pos);
}

int OracleFields::Count() const {
    return m_rs->columnCount();
}
OracleField OracleFields::operator()(int pos) const {
    return m_rs->Fields(pos);
}
OracleField OracleFields::operator()(const QString& name) const {
    return m_rs->Fields(name);
}

OracleField OracleResultSet::Fields(int pos) const {
    if (pos < 0 || pos >= columnCount())
        throw ZemoError(err::NoSuchField, QStringLiteral("列番号 %1 はありません").arg(pos));
    return OracleField(this, pos);
}

OracleField OracleResultSet::Fields(const QString& name) const {
    return OracleField(this, fieldIndex(name));
}

QString OracleResultSet::FieldName(int pos) const {
    if (pos < 0 || pos >= columnCount())
        throw ZemoError(err::NoSuchField, QStringLiteral("列番号 %1 はありません").arg(pos));
    return columnName(pos);
}

int OracleResultSet::fieldIndex(const QString& name) const {
    for (int i = 0; i < columnCount(); ++i)
        if (columnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw ZemoError(err::NoSuchField, QStringLiteral("列 %1 はありません").arg(name));
}

ValueKind valueKindOf(const QVariant& v) {
    if (v.isNull())
        return ValueKind::Null;
    switch (v.typeId()) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return ValueKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return ValueKind::Real;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QTime:
        return ValueKind::DateTime;
    case QMetaType::QByteArray:
        return ValueKind::Blob;
    default:
        return ValueKind::Text;
    }
}

ValueKind OracleResultSet::kind(int col) const {
    return valueKindOf(value(col));
}

bool OracleResultSet::textUtf8(int col, std::string_view& out) const {
    const QVariant v = value(col);
    if (v.isNull())
        return false;
    m_scratch = v.typeId() == QMetaType::QByteArray ? binaryText(v.toByteArray()) : v.toString().toUtf8();
    out = std::string_view(m_scratch.constData(), static_cast<size_t>(m_scratch.size()));
    return true;
}

std::unique_ptr<OracleResultSet> OracleDatabase::createBoundResultSet(const BoundStatement&) {
    throw ZemoError(err::ParameterForm,
                    QStringLiteral("この接続先（%1）にはパラメータを渡せません").arg(backendName()));
}

QString sqlText(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QByteArray binaryText(QByteArrayView bytes) {
    return bytes.toByteArray().toHex().toUpper();
}

ServiceKind classifyService(const QString& serviceName) {
    const QString s = serviceName.trimmed();
    if (s.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive))
        return ServiceKind::Sqlite;
    const QString lower = s.toLower();
    if (lower.endsWith(QLatin1String(".db")) || lower.endsWith(QLatin1String(".sqlite")) ||
        lower.endsWith(QLatin1String(".sqlite3")))
        return ServiceKind::Sqlite;
    if (lower.startsWith(QLatin1String("odbc:")))
        return ServiceKind::Odbc;
    if (lower.startsWith(QLatin1String("postgresql://")) || lower.startsWith(QLatin1String("postgres://")))
        return ServiceKind::Postgres;
    return ServiceKind::Oracle;
}

QString sqlitePathOf(const QString& serviceName) {
    QString p = serviceName.trimmed();
    if (p.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive))
        p = p.mid(7);
    if (QDir::isRelativePath(p)) {
        const QString base =
            QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
        p = QDir(base).filePath(p);
    }
    return QDir::cleanPath(p);
}

void splitConnect(const QString& connect, QString& user, QString& password) {
    const qsizetype slash = connect.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        user = connect;
        password.clear();
    } else {
        user = connect.left(slash);
        password = connect.mid(slash + 1);
    }
}

std::shared_ptr<OracleDatabase> OracleSession::OpenDatabase(const QString& serviceName,
                                                            const QString& connect, int options) {
    Q_UNUSED(options);
    QString user, password;
    splitConnect(connect, user, password);
    const ServiceKind kind = classifyService(serviceName);
    if (kind == ServiceKind::Sqlite)
        return SqliteDatabase::open(sqlitePathOf(serviceName));
    return openServerDatabase(kind, serviceName, user, password);
}

} // namespace zemo
