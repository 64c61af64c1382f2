#pragma once

#include <QString>
#include <functional>
#include <memory>

class QObject;

namespace zemo {

// The desktop keyring (Secret Service on Linux, Credential Manager on Windows) through QtKeychain.
// Every call is asynchronous: it answers in the event loop of the thread that started it (the
// window's), within a time limit, so that a keyring that does not answer never holds the window.

// Every entry of the program is filed under this service name.
inline const QString kKeyringService = QStringLiteral("ZEMO-DB");

// The entry of profile `name` in the profile file at `profilePath`: the file's absolute path and the
// trimmed name in brackets, "/home/u/zemo/KESTO.ini[本番]", so that two program folders never share
// an entry.
QString keyringKey(const QString& profilePath, const QString& name);

enum class KeyringStatus {
    Running,
    Ok,
    NotFound,  // the keyring answered and holds no such entry
    Locked,    // the entry or the keyring is locked, or the keyring refused
    NoKeyring, // no keyring service on this desktop
    TimedOut,  // no answer within the time limit
    Busy,      // an earlier call that ran out of time still waits for its answer
    Stopped,   // the user stopped waiting
    Failed,    // anything else, in the library's words
};

// One call to the keyring, started when it is made.
class KeyringCall : public std::enable_shared_from_this<KeyringCall> {
public:
    enum class Kind { Read, Write, Delete };

    // Use readKeyring, writeKeyring and deleteKeyring.
    KeyringCall(Kind kind, QString key);
    ~KeyringCall();
    KeyringCall(const KeyringCall&) = delete;
    KeyringCall& operator=(const KeyringCall&) = delete;

    Kind kind() const { return m_kind; }
    const QString& key() const { return m_key; }
    bool finished() const { return m_status != KeyringStatus::Running; }
    KeyringStatus status() const { return m_status; }
    // What the keyring said of a failure; never holds a password.
    const QString& detail() const { return m_detail; }

    // `callback` runs once the call has finished, or here and now when it has; an empty one removes it.
    void onFinished(std::function<void()> callback);
    // Gives up waiting (status Stopped); the keyring may still carry the call out.
    void stop();
    // Runs an event loop until the call has finished (the time limit bounds it); for tools and tests.
    void waitFinished();

    // The password a read found; the call keeps no copy afterwards.
    QString takeSecret();
    // Throws err::Keyring with `what` and the reason unless the call ended Ok (or NotFound, when that
    // is an answer the caller can use).
    void check(const QString& what, bool notFoundIsAnswer = false) const;

    // Internal: starts the call; `secret` is what a write stores.
    void start(const QString& secret);

private:
    // One job of the library for this call.
    void launch();
    void jobDone(int error, const QString& errorString);
    void probeAfter(int error, const QString& errorString);
    void finish(KeyringStatus status, const QString& detail = {});

    Kind m_kind;
    QString m_key;
    KeyringStatus m_status = KeyringStatus::Running;
    QString m_detail;
    QString m_secret; // what a read found, or what a write stores until it has finished
    bool m_retried = false;
    std::function<void()> m_onFinished;
    // Owns the connections to the job, the time limit and the bus; gone with the call.
    std::unique_ptr<QObject> m_context;
};

std::shared_ptr<KeyringCall> readKeyring(const QString& key);
std::shared_ptr<KeyringCall> writeKeyring(const QString& key, const QString& secret);
// Removing an entry that does not exist ends Ok.
std::shared_ptr<KeyringCall> deleteKeyring(const QString& key);

// The reason a call failed, in the words the message box shows.
QString keyringFailureText(KeyringStatus status, const QString& detail);

// How long a call may take, in milliseconds (30 s: long enough for the user to answer the keyring's
// own unlock prompt).
void setKeyringTimeLimit(int ms);
int keyringTimeLimit();

// Overwrites the characters of `secret` when no other string shares them, then empties it.
void wipeSecret(QString& secret);

// wipeSecret when the scope ends, however it is left.
class WipeOnExit {
public:
    explicit WipeOnExit(QString& secret) : m_secret(secret) {}
    ~WipeOnExit() { wipeSecret(m_secret); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    QString& m_secret;
};

} // namespace zemo
