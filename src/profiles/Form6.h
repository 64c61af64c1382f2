#pragma once

#include "profiles/ProfilePasswords.h"
#include "profiles/ProfileStore.h"
#include "ui/FormSupport.h"

class QListWidget;
class QPushButton;

// Profile list and connect.
class Form6 : public zemo::FixedDialog {
    Q_OBJECT
public:
    explicit Form6(QWidget* parent = nullptr);

    // Connects with the profile `section` as 接続 does when it is selected, with the same messages
    // and waits, without the dialog being shown; whether the program is connected afterwards. Throws
    // err::ProfileMissing when the list does not hold the profile.
    bool ConnectProfile(const QString& section);

private slots:
    void Command1_Click();
    void List1_DblClick();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();

private:
    void Form_Load();
    void LoadProfileList();
    void ReadSelectedProfile(zemo::Profile& profile);
    bool OpenDatabase(const QString& password);
    // The password of a profile that keeps none in the file: from the keyring, or asked for; false when
    // the user cancelled. `remember`: keep it in the keyring once connected.
    bool PasswordForConnect(const QString& section, const zemo::Profile& profile, QString& password,
                            bool& remember);
    // `section` is the stored profile's section; empty for a new one.
    void EditProfile(const zemo::Profile* stored, const QString& section);
    void SaveEditedProfile(zemo::PasswordPlace place, const QString& beforeSection,
                           zemo::PasswordPlace beforePlace);
    // The profile commands with the keyring, waited for like a database call.
    zemo::ProfilePasswords keyringPasswords();
    // Text of the selected entry; false when none is selected.
    bool selectedSection(QString& section) const;

    QListWidget* List1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr;
};
