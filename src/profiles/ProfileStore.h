#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace zemo {

// Where a profile's password lives. Only File writes it into the profile file; the other two write
// PAS empty and name the place in the key PAS_STORE, which a profile that keeps its password in the
// file does not have (a profile written by an older copy reads as File).
enum class PasswordPlace {
    File,    // PAS, in plain text
    Keyring, // the desktop keyring (Keyring.h)
    Ask,     // nowhere: asked at every connect
};

inline const QString kPasswordPlaceKey = QStringLiteral("PAS_STORE");
// "keyring", "ask", and "" for File.
QString placeName(PasswordPlace place);
// The place a PAS_STORE value names; anything else than "keyring" or "ask" is File.
PasswordPlace placeNamed(const QString& text);

// The four values of one connection profile, and where its password lives.
struct Profile {
    QString service;  // SRV
    QString user;     // LOG
    QString password; // PAS
    QString name;     // NAME
    PasswordPlace place = PasswordPlace::File;
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
// The profile in section `section`; missing keys, section or file read as "". A password in PAS
// always counts as kept in the file, whatever PAS_STORE says (an older copy may have written it).
Profile ReadProfile(const QString& section, const QString& path);
// Writes NAME, LOG, PAS and SRV, in this order, into the section `name`; other keys there stay. For
// a password kept elsewhere PAS is written empty and PAS_STORE names the place; for File PAS_STORE
// is removed, so the section holds what an older copy would write.
void WriteProfile(const QString& service, const QString& user, const QString& password, const QString& name,
                  const QString& path, PasswordPlace place = PasswordPlace::File);
// Names `place` as where the password of section `section` lives, when that section exists and keeps
// no password in PAS; nothing else changes.
void SetPasswordPlace(const QString& section, PasswordPlace place, const QString& path);
// Removes the section and all its keys.
void DeleteProfile(const QString& section, const QString& path);

// Writes a copy of `source` under its trimmed name, "_" and a number drawn from 1 to 10 among those
// no section has yet; service, user and password are written trimmed, the password's place kept
// (the keyring entry is copied by ProfilePasswords). Returns the new name. When all
// ten names exist, throws err::ProfileCopyFull and writes nothing.
QString CopyProfile(const Profile& source, const QString& path,
                    QRandomGenerator& random = *QRandomGenerator::global());

} // namespace zemo
