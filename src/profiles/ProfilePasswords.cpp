#include "profiles/ProfilePasswords.h"

#include "base/ZemoError.h"

namespace zemo {

ProfilePasswords::ProfilePasswords(QString path, KeyringWait wait)
    : m_path(std::move(path)), m_wait(std::move(wait)) {
    if (!m_wait)
        m_wait = [](KeyringCall& call) { call.waitFinished(); };
}

std::shared_ptr<KeyringCall> ProfilePasswords::run(std::shared_ptr<KeyringCall> call) const {
    m_wait(*call);
    // A wait that ended early gives up on the call.
    if (!call->finished())
        call->stop();
    return call;
}

QString ProfilePasswords::keyringPassword(const QString& section, const QString& what) {
    const auto read = run(readKeyring(key(section)));
    read->check(what, true);
    return read->takeSecret();
}

std::optional<QString> ProfilePasswords::stored(const QString& section) {
    const auto read = run(readKeyring(key(section)));
    read->check(QStringLiteral("パスワードをキーリングから読めません"), true);
    if (read->status() == KeyringStatus::NotFound)
        return std::nullopt;
    return read->takeSecret();
}

void ProfilePasswords::remember(const QString& section, const QString& password) {
    run(writeKeyring(key(section), password))
        ->check(QStringLiteral("パスワードをキーリングに保存できません"));
    SetPasswordPlace(section, PasswordPlace::Keyring, m_path);
}

void ProfilePasswords::save(const Profile& edited, const QString& beforeSection, PasswordPlace beforePlace) {
    const bool wasKeyring = !beforeSection.isEmpty() && beforePlace == PasswordPlace::Keyring;
    const bool sameEntry =
        wasKeyring && edited.place == PasswordPlace::Keyring && key(beforeSection) == key(edited.name);
    QString password = edited.place == PasswordPlace::Ask ? QString() : edited.password;
    const WipeOnExit wipe(password);
    if (password.isEmpty() && wasKeyring && !sameEntry && edited.place != PasswordPlace::Ask)
        password = keyringPassword(
            beforeSection, QStringLiteral("パスワードをキーリングから読めないため、設定を保存していません"));
    if (edited.place == PasswordPlace::Keyring && !password.isEmpty())
        run(writeKeyring(key(edited.name), password))
            ->check(QStringLiteral("パスワードをキーリングに保存できないため、設定を保存していません"));
    WriteProfile(edited.service, edited.user, password, edited.name, m_path, edited.place);
    if (wasKeyring && !sameEntry)
        run(deleteKeyring(key(beforeSection)))
            ->check(QStringLiteral("設定は保存しましたが、キーリングの古い項目「") + key(beforeSection) +
                    QStringLiteral("」を削除できません"));
}

QString ProfilePasswords::copy(const QString& section, const Profile& source, QRandomGenerator& random) {
    QString password;
    const WipeOnExit wipe(password);
    if (source.place == PasswordPlace::Keyring)
        password = keyringPassword(
            section, QStringLiteral("パスワードをキーリングから読めないため、コピーしていません"));
    const QString name = CopyProfile(source, m_path, random);
    if (!password.isEmpty())
        run(writeKeyring(key(name), password))
            ->check(QStringLiteral("「") + name +
                    QStringLiteral("」にコピーしましたが、パスワードをキーリングに写せません"));
    return name;
}

void ProfilePasswords::remove(const QString& section, PasswordPlace place) {
    std::shared_ptr<KeyringCall> removed;
    if (place == PasswordPlace::Keyring)
        removed = run(deleteKeyring(key(section)));
    DeleteProfile(section, m_path);
    if (removed)
        removed->check(QStringLiteral("設定は削除しましたが、キーリングの項目「") + key(section) +
                       QStringLiteral("」を削除できません"));
}

} // namespace zemo
