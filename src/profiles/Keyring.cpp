#include "profiles/Keyring.h"

#include "base/ZemoError.h"
#include "profiles/IniFile.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <qt6keychain/keychain.h>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#define ZEMO_SECRET_SERVICE 1
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLibrary>
#endif

namespace zemo {

namespace {

int& timeLimitSlot() {
    static int ms = 30000;
    return ms;
}

// The job that ran out of time and still waits for its answer: the library runs its jobs one after the
// other, so a later call would only queue behind it.
QPointer<QKeychain::Job>& pendingJob() {
    static QPointer<QKeychain::Job> job;
    return job;
}

KeyringStatus statusOf(int error) {
    switch (error) {
    case QKeychain::NoError:
        return KeyringStatus::Ok;
    case QKeychain::EntryNotFound:
        return KeyringStatus::NotFound;
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
        return KeyringStatus::Locked;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return KeyringStatus::NoKeyring;
    default:
        return KeyringStatus::Failed;
    }
}

#ifdef ZEMO_SECRET_SERVICE
// libsecret keeps its session with the keyring process for the program's life: once that process has
// been replaced, every call fails ("The session does not exist") until the session is dropped.
bool forgetSecretServiceSession() {
    static const auto disconnect = reinterpret_cast<void (*)()>(
        QLibrary::resolve(QStringLiteral("secret-1"), 0, "secret_service_disconnect"));
    if (!disconnect)
        return false;
    disconnect();
    return true;
}
#endif

} // namespace

QString keyringKey(const QString& profilePath, const QString& name) {
    return QFileInfo(profilePath).absoluteFilePath() + QLatin1Char('[') + trimBlanks(name) + QLatin1Char(']');
}

void setKeyringTimeLimit(int ms) {
    timeLimitSlot() = ms;
}

int keyringTimeLimit() {
    return timeLimitSlot();
}

void wipeSecret(QString& secret) {
    if (secret.isDetached())
        std::fill(secret.begin(), secret.end(), QChar(0));
    secret = QString();
}

QString keyringFailureText(KeyringStatus status, const QString& detail) {
    const QString words = detail.isEmpty() ? QString() : QStringLiteral("（") + detail + QStringLiteral("）");
    switch (status) {
    case KeyringStatus::Locked:
        return QStringLiteral("キーリングがロックされているか、使用を拒否されました") + words;
    case KeyringStatus::NoKeyring:
        return QStringLiteral("デスクトップのキーリング（Secret Service）が見つかりません") + words;
    case KeyringStatus::TimedOut:
        return QStringLiteral("キーリングが %1 秒以内に応答しませんでした")
            .arg((keyringTimeLimit() + 999) / 1000);
    case KeyringStatus::Busy:
        return QStringLiteral("キーリングが前の要求にまだ応答していません");
    case KeyringStatus::Stopped:
        return QStringLiteral("キーリングの応答待ちを中止しました");
    case KeyringStatus::NotFound:
        return QStringLiteral("キーリングに項目がありません");
    default:
        return QStringLiteral("キーリングのエラーです") + words;
    }
}

KeyringCall::KeyringCall(Kind kind, QString key)
    : m_kind(kind), m_key(std::move(key)), m_context(std::make_unique<QObject>()) {}

KeyringCall::~KeyringCall() {
    wipeSecret(m_secret);
}

void KeyringCall::onFinished(std::function<void()> callback) {
    if (finished()) {
        if (callback)
            callback();
        return;
    }
    m_onFinished = std::move(callback);
}

void KeyringCall::stop() {
    finish(KeyringStatus::Stopped);
}

void KeyringCall::waitFinished() {
    if (finished())
        return;
    QEventLoop loop;
    QObject notifier;
    onFinished([&] {
        QMetaObject::invokeMethod(
            &notifier, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    m_onFinished = {};
}

QString KeyringCall::takeSecret() {
    QString secret = std::move(m_secret);
    m_secret = QString();
    return secret;
}

void KeyringCall::check(const QString& what, bool notFoundIsAnswer) const {
    if (m_status == KeyringStatus::Ok || (notFoundIsAnswer && m_status == KeyringStatus::NotFound))
        return;
    throw ZemoError(err::Keyring, what + QStringLiteral("：") + keyringFailureText(m_status, m_detail));
}

void KeyringCall::finish(KeyringStatus status, const QString& detail) {
    if (finished())
        return;
    m_status = status;
    m_detail = detail;
    if (m_kind == Kind::Write)
        wipeSecret(m_secret);
    // Nothing more is taken from the job, the bus or the clock. Deleted later: this may run inside one
    // of their signals.
    m_context.release()->deleteLater();
    m_context = std::make_unique<QObject>();
    if (auto callback = std::move(m_onFinished))
        callback();
}

void KeyringCall::start(const QString& secret) {
    if (pendingJob()) {
        finish(KeyringStatus::Busy);
        return;
    }
    if (m_kind == Kind::Write)
        m_secret = secret;
    const std::weak_ptr<KeyringCall> self = weak_from_this();
    auto* limit = new QTimer(m_context.get());
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, m_context.get(), [self] {
        if (const auto call = self.lock())
            call->finish(KeyringStatus::TimedOut);
    });
    limit->start(keyringTimeLimit());
    launch();
}

void KeyringCall::launch() {
    QKeychain::Job* job = nullptr;
    switch (m_kind) {
    case Kind::Read:
        job = new QKeychain::ReadPasswordJob(kKeyringService);
        break;
    case Kind::Write: {
        auto* write = new QKeychain::WritePasswordJob(kKeyringService);
        write->setTextData(m_secret);
        job = write;
        break;
    }
    case Kind::Delete:
        job = new QKeychain::DeletePasswordJob(kKeyringService);
        break;
    }
    job->setKey(m_key);
    // Never a plain-text file in place of the keyring.
    job->setInsecureFallback(false);
    // The job deletes itself once it has answered, also after this call has given up on it: deleting it
    // earlier would leave the library's callback pointing at nothing.
    job->setAutoDelete(true);
    pendingJob() = job;
    QObject::connect(job, &QKeychain::Job::finished, job, [job] {
        if (pendingJob() == job)
            pendingJob() = nullptr;
    });
    const std::weak_ptr<KeyringCall> self = weak_from_this();
    QObject::connect(job, &QKeychain::Job::finished, m_context.get(), [self](QKeychain::Job* done) {
        const auto call = self.lock();
        if (!call || call->finished())
            return;
        if (call->m_kind == Kind::Read && done->error() == QKeychain::NoError) {
            // The job's buffer shares these bytes: wiped here, as the library keeps them until it is deleted.
            const QByteArray raw = static_cast<QKeychain::ReadPasswordJob*>(done)->binaryData();
            call->m_secret = QString::fromUtf8(raw);
            std::memset(const_cast<char*>(raw.constData()), 0, static_cast<size_t>(raw.size()));
        }
        call->jobDone(done->error(), done->errorString());
    });
    job->start();
}

void KeyringCall::jobDone(int error, const QString& errorString) {
    const bool notFound = error == QKeychain::EntryNotFound;
    // A delete of an entry that is not there has nothing left to do.
    if (m_kind == Kind::Delete && notFound)
        error = QKeychain::NoError;
#ifdef ZEMO_SECRET_SERVICE
    // The Secret Service answers "not found" for an entry of a locked keyring, and a bare D-Bus error
    // when there is no keyring at all; the bus tells which.
    if ((m_kind == Kind::Read && notFound) || m_kind == Kind::Delete ||
        statusOf(error) == KeyringStatus::Failed) {
        probeAfter(error, errorString);
        return;
    }
#endif
    finish(statusOf(error), error == QKeychain::NoError || notFound ? QString() : errorString);
}

#ifdef ZEMO_SECRET_SERVICE
void KeyringCall::probeAfter(int error, const QString& errorString) {
    const QString detail =
        error == QKeychain::NoError || error == QKeychain::EntryNotFound ? QString() : errorString;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        finish(KeyringStatus::NoKeyring, bus.lastError().message());
        return;
    }
    const bool search = statusOf(error) != KeyringStatus::Failed;
    QDBusMessage message;
    if (search) {
        using Attributes = QMap<QString, QString>;
        static const QMetaType registered = qDBusRegisterMetaType<Attributes>();
        Q_UNUSED(registered);
        // The attributes QtKeychain files its entries under.
        const Attributes attributes{{QStringLiteral("user"), m_key},
                                    {QStringLiteral("server"), kKeyringService}};
        message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
            QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
        message << QVariant::fromValue(attributes);
    } else {
        message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
        message << QStringLiteral("org.freedesktop.secrets");
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, keyringTimeLimit()), m_context.get());
    const std::weak_ptr<KeyringCall> self = weak_from_this();
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, m_context.get(),
                     [self, search, error, detail](QDBusPendingCallWatcher* answered) {
                         answered->deleteLater();
                         const auto call = self.lock();
                         if (!call || call->finished())
                             return;
                         if (search) {
                             const QDBusPendingReply<QList<QDBusObjectPath>, QList<QDBusObjectPath>> items =
                                 *answered;
                             if (!items.isError() && !items.argumentAt<1>().isEmpty())
                                 call->finish(KeyringStatus::Locked);
                             else
                                 call->finish(statusOf(error), detail);
                             return;
                         }
                         const QDBusPendingReply<bool> owned = *answered;
                         if (!owned.isError() && !owned.value()) {
                             call->finish(KeyringStatus::NoKeyring, detail);
                         } else if (!call->m_retried && forgetSecretServiceSession()) {
                             call->m_retried = true;
                             call->launch();
                         } else {
                             call->finish(statusOf(error), detail);
                         }
                     });
}
#else
void KeyringCall::probeAfter(int error, const QString& errorString) {
    finish(statusOf(error), errorString);
}
#endif

namespace {
std::shared_ptr<KeyringCall> startCall(KeyringCall::Kind kind, const QString& key,
                                       const QString& secret = {}) {
    auto call = std::make_shared<KeyringCall>(kind, key);
    call->start(secret);
    return call;
}
} // namespace

std::shared_ptr<KeyringCall> readKeyring(const QString& key) {
    return startCall(KeyringCall::Kind::Read, key);
}

std::shared_ptr<KeyringCall> writeKeyring(const QString& key, const QString& secret) {
    return startCall(KeyringCall::Kind::Write, key, secret);
}

std::shared_ptr<KeyringCall> deleteKeyring(const QString& key) {
    return startCall(KeyringCall::Kind::Delete, key);
}

} // namespace zemo
