#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace zemo {

// The four values of one connection profile.
struct Profile {
    QString service;  // SRV
    QString user;     // LOG
    QString password; // PAS
    QString name;     // NAME
    bool operator==(const Profile&) const = default;
};

inline const QString kProfileFileName = QStringLiteral("KESTO.ini");

// "KESTO.ini" in `folder`, with one separator between them whether or not the folder ends with one.
QString profilePathIn(const QString& folder);

// The program's folder when the program can write there, otherwise the configuration folder.
QString chooseProfileFolder(const QString& programFolder, const QString& configFolder);

// The profile file at `path` in the per-user configuration folder: when there is none yet, it starts
// as a copy of `installed` (the read-only file installed beside the program, holding the demo
// profile), private to the user. Nothing happens when `installed` is missing or unreadable.
// Returns `path`.
QString startFromInstalledProfiles(const QString& path, const QString& installed);

// Where the profile file lives, computed afresh on every call: the program's folder when the program
// can write there, otherwise the per-user configuration folder (see startFromInstalledProfiles).
QString profileFilePath();

// Points profileFilePath() at `folder` instead; an empty folder restores the normal location.
void setProfileFolderOverride(const QString& folder);

// All of these throw ZemoError: err::ProfileRead when the file cannot be read, err::ProfileWrite when
// it cannot be written (and then the file is left as it was).

// Section names as the profile list shows them, in file order; empty when there is no file.
QStringList ListProfileNames(const QString& path);
// Throws err::ProfileRead naming the first header line without its closing bracket, whose profile
// cannot be listed or read; the file itself is fine to use.
void CheckProfileHeaders(const QString& path);
// The profile in section `section`; missing keys, section or file read as "".
Profile ReadProfile(const QString& section, const QString& path);
// Writes NAME, LOG, PAS and SRV, in this order, into the section `name`; other keys there stay.
void WriteProfile(const QString& service, const QString& user, const QString& password, const QString& name,
                  const QString& path);
// Removes the section and all its keys.
void DeleteProfile(const QString& section, const QString& path);

// Writes a copy of `source` under its trimmed name, "_" and a number drawn from 1 to 10 among those
// no section has yet; service, user and password are written trimmed. Returns the new name. When all
// ten names exist, throws err::ProfileCopyFull and writes nothing.
QString CopyProfile(const Profile& source, const QString& path,
                    QRandomGenerator& random = *QRandomGenerator::global());

} // namespace zemo
