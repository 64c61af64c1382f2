#pragma once

#include "profiles/Keyring.h"
#include "profiles/ProfileStore.h"

#include <QRandomGenerator>
#include <QString>
#include <functional>
#include <optional>

namespace zemo {

// Waits for a keyring call to finish: the windows wait in an event loop with the busy pointer and
// input refused (DbWait); tools and tests block in KeyringCall::waitFinished.
using KeyringWait = std::function<void(KeyringCall&)>;

// The profile commands for the profiles whose password lives in the keyring: the keyring entry
// follows the profile when it is saved under a new name, copied or deleted. Every keyring failure
// is thrown as err::Keyring saying what was and was not done; the profile file is written only
// once what it depends on in the keyring has been done.
class ProfilePasswords {
public:
    explicit ProfilePasswords(QString path, KeyringWait wait = {});

    // The keyring's password of profile `section`; none when the keyring holds none.
    std::optional<QString> stored(const QString& section);
    // Keeps `password` in the keyring for `section`; a profile that asked at each connect then keeps it
    // there.
    void remember(const QString& section, const QString& password);

    // Saves what the editor handed back, for a new profile (`beforeSection` empty) or the profile
    // `beforeSection` whose password lived at `beforePlace`. An empty password of a profile whose
    // password was in the keyring stands for the keyring's: it moves with a new name or place. The
    // entry under the old name is removed when the profile no longer uses it (the old section itself
    // stays, as a change under a new name always left it).
    void save(const Profile& edited, const QString& beforeSection = {},
              PasswordPlace beforePlace = PasswordPlace::File);
    // CopyProfile, with the keyring entry of `section` copied to the new name. Returns the new name.
    QString copy(const QString& section, const Profile& source,
                 QRandomGenerator& random = *QRandomGenerator::global());
    // DeleteProfile, and the keyring entry of a profile whose password lives there. The profile is
    // deleted even when the keyring refuses; the failure then names the entry left behind.
    void remove(const QString& section, PasswordPlace place);

private:
    std::shared_ptr<KeyringCall> run(std::shared_ptr<KeyringCall> call) const;
    QString key(const QString& section) const { return keyringKey(m_path, section); }
    // The password of `section` in the keyring, "" when it holds none.
    QString keyringPassword(const QString& section, const QString& what);

    QString m_path;
    KeyringWait m_wait;
};

} // namespace zemo
