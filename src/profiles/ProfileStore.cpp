#include "profiles/ProfileStore.h"

#include "base/ZemoError.h"
#include "profiles/IniFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace zemo {

namespace {

QString& folderOverride() {
    static QString folder;
    return folder;
}

bool isWritableFolder(const QString& folder) {
    const QFileInfo info(folder);
    return !folder.isEmpty() && info.isDir() && info.isWritable();
}

constexpr int kMaxCopyNumber = 10;

// How long a save waits for another running program to finish its own.
constexpr int kLockWaitMs = 5000;

// Held from reading the file to renaming the new one over it, so that two programs saving at the
// same time both keep their changes: the lock file "KESTO.ini.lock" beside the profile file.
class ProfileFileLock {
public:
    explicit ProfileFileLock(const QString& path) : m_lock(path + QStringLiteral(".lock")) {
        // Short polls: a save holds the lock for milliseconds, and a long sleep would let the other
        // program take it again and again.
        const QDeadlineTimer deadline(kLockWaitMs);
        while (!m_lock.tryLock(0)) {
            if (m_lock.error() != QLockFile::LockFailedError)
                throw ZemoError(err::ProfileWrite,
                                QStringLiteral("プロファイルファイルのロックファイルを作れません：") + path +
                                    QStringLiteral(".lock"));
            if (deadline.hasExpired())
                throw ZemoError(
                    err::ProfileWrite,
                    QStringLiteral("ほかの ZEMO-DB がプロファイルファイルを更新中のため保存できません。"
                                   "しばらくしてからやり直してください：") +
                        path);
            QThread::msleep(2);
        }
    }

private:
    QLockFile m_lock;
};

} // namespace

QString profilePathIn(const QString& folder) {
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder + kProfileFileName;
    return folder + QLatin1Char('/') + kProfileFileName;
}

void setProfileFolderOverride(const QString& folder) {
    folderOverride() = folder;
}

QString chooseProfileFolder(const QString& programFolder, const QString& configFolder) {
    // An installed copy cannot write beside itself; the user's own configuration folder can.
    return isWritableFolder(programFolder) ? programFolder : configFolder;
}

QString profileFilePath() {
    if (!folderOverride().isEmpty())
        return profilePathIn(folderOverride());
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString folder = chooseProfileFolder(
        programFolder, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    if (folder == programFolder)
        return profilePathIn(folder);
    QDir().mkpath(folder);
    return startFromInstalledProfiles(profilePathIn(folder), profilePathIn(programFolder));
}

QString startFromInstalledProfiles(const QString& path, const QString& installed) {
    if (QFileInfo::exists(path) || !QFileInfo(installed).isFile())
        return path;
    try {
        const ProfileFileLock lock(path);
        if (!QFileInfo::exists(path))
            IniFile::load(installed).save(path);
    } catch (const ZemoError&) {
        // Without the copy the user starts with an empty list, as with no installed file at all.
    }
    return path;
}

QStringList ListProfileNames(const QString& path) {
    return IniFile::load(path).listedSections();
}

void CheckProfileHeaders(const QString& path) {
    const QStringList broken = IniFile::load(path).brokenHeaders();
    if (!broken.isEmpty())
        throw ZemoError(err::ProfileRead,
                        QStringLiteral("プロファイルファイルの見出し行「") + broken.first() +
                            QStringLiteral("」に閉じ括弧「]」がないため、この設定は一覧に出ません：") + path);
}

Profile ReadProfile(const QString& section, const QString& path) {
    const IniFile ini = IniFile::load(path);
    Profile p;
    p.name = ini.value(section, QStringLiteral("NAME"));
    p.user = ini.value(section, QStringLiteral("LOG"));
    p.password = ini.value(section, QStringLiteral("PAS"));
    p.service = ini.value(section, QStringLiteral("SRV"));
    if (p.password.isEmpty())
        p.place = placeNamed(ini.value(section, kPasswordPlaceKey));
    return p;
}

namespace {
void setPlace(IniFile& ini, const QString& name, PasswordPlace place) {
    if (place == PasswordPlace::File)
        ini.removeKey(name, kPasswordPlaceKey);
    else
        ini.setValue(name, kPasswordPlaceKey, placeName(place));
}

void setProfile(IniFile& ini, const QString& service, const QString& user, const QString& password,
                const QString& name, PasswordPlace place) {
    ini.setValue(name, QStringLiteral("NAME"), name);
    ini.setValue(name, QStringLiteral("LOG"), user);
    // A password kept elsewhere never reaches the file.
    ini.setValue(name, QStringLiteral("PAS"), place == PasswordPlace::File ? password : QString());
    ini.setValue(name, QStringLiteral("SRV"), service);
    setPlace(ini, name, place);
}
} // namespace

QString placeName(PasswordPlace place) {
    switch (place) {
    case PasswordPlace::Keyring:
        return QStringLiteral("keyring");
    case PasswordPlace::Ask:
        return QStringLiteral("ask");
    default:
        return QString();
    }
}

PasswordPlace placeNamed(const QString& text) {
    const QString name = trimBlanks(text).toLower();
    if (name == placeName(PasswordPlace::Keyring))
        return PasswordPlace::Keyring;
    if (name == placeName(PasswordPlace::Ask))
        return PasswordPlace::Ask;
    return PasswordPlace::File;
}

void WriteProfile(const QString& service, const QString& user, const QString& password, const QString& name,
                  const QString& path, PasswordPlace place) {
    const ProfileFileLock lock(path);
    IniFile ini = IniFile::load(path);
    setProfile(ini, service, user, password, name, place);
    ini.save(path);
}

void SetPasswordPlace(const QString& section, PasswordPlace place, const QString& path) {
    const ProfileFileLock lock(path);
    IniFile ini = IniFile::load(path);
    if (!ini.hasSection(section) || !ini.value(section, QStringLiteral("PAS")).isEmpty() ||
        placeNamed(ini.value(section, kPasswordPlaceKey)) == place)
        return;
    setPlace(ini, section, place);
    ini.save(path);
}

void DeleteProfile(const QString& section, const QString& path) {
    const ProfileFileLock lock(path);
    IniFile ini = IniFile::load(path);
    if (ini.removeSection(section))
        ini.save(path);
}

QString CopyProfile(const Profile& source, const QString& path, QRandomGenerator& random) {
    const ProfileFileLock lock(path);
    IniFile ini = IniFile::load(path);
    const QString base = trimBlanks(source.name) + QLatin1Char('_');
    QStringList free;
    for (int n = 1; n <= kMaxCopyNumber; ++n) {
        const QString candidate = base + QString::number(n);
        if (!ini.hasSection(candidate))
            free.append(candidate);
    }
    if (free.isEmpty())
        throw ZemoError(err::ProfileCopyFull, QStringLiteral("コピーの名前 ") + base + QStringLiteral("1～") +
                                                  base + QString::number(kMaxCopyNumber) +
                                                  QStringLiteral(" はすべて使われています"));
    const QString name = free.at(static_cast<qsizetype>(random.bounded(static_cast<quint32>(free.size()))));
    setProfile(ini, trimBlanks(source.service), trimBlanks(source.user), trimBlanks(source.password), name,
               source.place);
    ini.save(path);
    return name;
}

} // namespace zemo
