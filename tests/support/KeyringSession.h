#pragma once

// The private keyring a keyring test runs with (tests/support/keyring_session.sh): a real Secret
// Service on a D-Bus session bus of the test's own. Entries are read and written with libsecret's
// own secret-tool, not through the program, and passwords travel on its standard input only.

#include "profiles/Keyring.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>

namespace zemo::test {

class KeyringSession {
public:
    // Whether the test runs inside keyring_session.sh.
    static bool active() { return !qEnvironmentVariableIsEmpty("ZEMO_TEST_KEYRING_DIR"); }
    static QString folder() { return qEnvironmentVariable("ZEMO_TEST_KEYRING_DIR"); }

    // The keyring's entry for `key` as libsecret finds it; none when there is no such entry.
    static std::optional<QString> entry(const QString& key) {
        QProcess p;
        p.start(QStringLiteral("secret-tool"), {QStringLiteral("lookup"), QStringLiteral("user"), key,
                                                QStringLiteral("server"), kKeyringService});
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // Stores an entry the way the program files its own.
    static bool store(const QString& key, const QString& secret) {
        QProcess p;
        p.start(QStringLiteral("secret-tool"),
                {QStringLiteral("store"),
                 QStringLiteral("--label=") + kKeyringService + QLatin1Char(':') + key,
                 QStringLiteral("user"), key, QStringLiteral("server"), kKeyringService,
                 QStringLiteral("type"), QStringLiteral("plaintext")});
        p.write(secret.toUtf8());
        p.closeWriteChannel();
        return p.waitForFinished(10000) && p.exitCode() == 0;
    }
    // Every entry the program has in the keyring, as "key=secret", sorted.
    static QStringList entries(const QStringList& keys) {
        QStringList found;
        for (const QString& key : keys)
            if (const auto secret = entry(key))
                found << key + QLatin1Char('=') + *secret;
        found.sort();
        return found;
    }

    // Locks the login keyring, as the desktop does after a while or on the screen lock.
    static bool lock() {
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
            QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
        m << QVariant::fromValue(QList<QDBusObjectPath>{
            QDBusObjectPath(QStringLiteral("/org/freedesktop/secrets/collection/login"))});
        return QDBusConnection::sessionBus().call(m, QDBus::Block, 10000).type() ==
               QDBusMessage::ReplyMessage;
    }
    // A keyring process started afresh, unlocked; or ended, which leaves no Secret Service on the bus.
    static bool restart() { return script(QStringLiteral("start")); }
    static bool stop() { return script(QStringLiteral("stop")); }
    // Freezes (SIGSTOP) or thaws (SIGCONT) the keyring: a keyring that does not answer.
    static bool signal(const char* sig) {
        QFile f(folder() + QStringLiteral("/keyring.pid"));
        if (!f.open(QIODevice::ReadOnly))
            return false;
        return QProcess::execute(QStringLiteral("kill"), {QLatin1Char('-') + QLatin1String(sig),
                                                          QString::fromLatin1(f.readAll()).trimmed()}) == 0;
    }

private:
    static bool script(const QString& command) {
        return QProcess::execute(
                   QStringLiteral("bash"),
                   {QStringLiteral(ZEMO_SOURCE_DIR "/tests/support/keyring_session.sh"), command}) == 0;
    }
};

} // namespace zemo::test
