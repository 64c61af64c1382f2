#pragma once

// The private PostgreSQL cluster that CTest starts for the server tests (tests/support/pg_cluster.sh):
// its connection details come from the info file the script writes into the build folder.

#include "base/ZemoError.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTest>

namespace zemo::test {

class PgCluster {
public:
    PgCluster() {
        QFile f(QStringLiteral(ZEMO_PG_INFO));
        if (!f.open(QIODevice::ReadOnly))
            return;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                m_values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    bool ok() const { return m_values.contains(QStringLiteral("PORT")); }
    QString value(const char* key) const { return m_values.value(QLatin1String(key)); }
    int port() const { return value("PORT").toInt(); }
    QString user() const { return value("USER"); }
    QString password() const { return value("PASSWORD"); }
    QString connect() const { return user() + QLatin1Char('/') + password(); }

    // Service names of the same database through Qt's PostgreSQL driver and through psqlODBC.
    QString postgresService(const QString& database = QStringLiteral("zemo_demo"), int port = 0) const {
        return QStringLiteral("postgresql://127.0.0.1:%1/%2").arg(port ? port : this->port()).arg(database);
    }
    // The service of a test row: "QPSQL" reaches the server through libpq, anything else through psqlODBC.
    QString serviceVia(const QString& via) const {
        return via == QLatin1String("QPSQL") ? postgresService() : odbcService();
    }
    // Declare/fetch keeps psqlODBC from reading a whole result before handing out the first row.
    QString odbcService(const QString& database = QStringLiteral("zemo_demo"), int port = 0,
                        const QString& host = QStringLiteral("127.0.0.1"), int fetchRows = 50) const {
        return QStringLiteral("odbc:DRIVER={PostgreSQL Unicode};SERVER=%1;PORT=%2;DATABASE=%3;"
                              "UseDeclareFetch=1;Fetch=%4")
            .arg(host)
            .arg(port ? port : this->port())
            .arg(database)
            .arg(fetchRows);
    }

    // Stops the server without removing the cluster, or starts it again.
    static bool run(const char* command) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral("bash"), {QStringLiteral(ZEMO_SOURCE_DIR "/tests/support/pg_cluster.sh"),
                                         QLatin1String(command), QStringLiteral(ZEMO_PG_INFO)});
        return p.waitForFinished(90000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    // Freezes (SIGSTOP) or thaws (SIGCONT) the server and every process it started, connections left
    // open: a server that hangs. `signal` is "STOP" or "CONT".
    bool signalServer(const char* signal) const {
        QFile pidFile(value("DIR") + QStringLiteral("/data/postmaster.pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return false;
        const QString pid = QString::fromLatin1(pidFile.readLine()).trimmed();
        if (pid.isEmpty())
            return false;
        const QString sig = QLatin1Char('-') + QLatin1String(signal);
        const bool ok = QProcess::execute(QStringLiteral("kill"), {sig, pid}) == 0;
        QProcess::execute(QStringLiteral("pkill"), {sig, QStringLiteral("-P"), pid});
        return ok;
    }

    // Rows of a statement as psql prints them unaligned: fields separated by a unit separator, NULL
    // as the given marker.
    QList<QStringList> psqlRows(const QString& sql,
                                const QString& nullText = QStringLiteral("<NULL>")) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), password());
        env.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
        p.setProcessEnvironment(env);
        p.start(value("BINDIR") + QStringLiteral("/psql"),
                {QStringLiteral("-X"), QStringLiteral("-A"),
                 QStringLiteral("-t"), QStringLiteral("-q"),
                 QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                 QStringLiteral("-F"), QStringLiteral("\x1f"),
                 QStringLiteral("-R"), QStringLiteral("\x1e"),
                 QStringLiteral("-P"), QStringLiteral("null=") + nullText,
                 QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                 QStringLiteral("-p"), value("PORT"),
                 QStringLiteral("-U"), user(),
                 QStringLiteral("-d"), QStringLiteral("zemo_demo"),
                 QStringLiteral("-c"), sql});
        QList<QStringList> rows;
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            qWarning() << "psql failed:" << p.readAllStandardError();
            return rows;
        }
        QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (out.endsWith(QLatin1Char('\n')))
            out.chop(1);
        if (out.isEmpty())
            return rows;
        for (const QString& r : out.split(QChar(0x1e)))
            rows << r.split(QChar(0x1f));
        return rows;
    }

private:
    QMap<QString, QString> m_values;
};

// The two ways the server tests reach the cluster, as the data column "via": Qt's PostgreSQL driver
// and psqlODBC.
inline void addBackendRows() {
    QTest::addColumn<QString>("via");
    QTest::newRow("QPSQL") << QStringLiteral("QPSQL");
    QTest::newRow("QODBC") << QStringLiteral("QODBC");
}

// Runs a test's body: a ZemoError escaping it fails that test only, with the error's number and text.
template <class F> void guarded(F&& body) {
    try {
        body();
    } catch (const ZemoError& e) {
        QTest::qFail(qPrintable(QStringLiteral("ZemoError %1: %2").arg(e.number()).arg(e.description())),
                     __FILE__, __LINE__);
    }
}

} // namespace zemo::test
