#pragma once

#include "profiles/ProfileStore.h"
#include "ui/FormSupport.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Profile editor: takes a profile's four values and hands them back through gProfileEdit, and where
// its password is to live (passwordPlace).
class Form3 : public zemo::FixedDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);

    // The change command puts the stored values in before showing the editor.
    void setFields(const QString& user, const QString& password, const QString& service, const QString& name);
    // Where the stored profile keeps its password; for the keyring an empty password field stands for
    // the keyring's.
    void setPasswordPlace(zemo::PasswordPlace place);
    // The place chosen in the editor.
    zemo::PasswordPlace passwordPlace() const;

private slots:
    void Command1_Click();
    void Command2_Click();

private:
    void Form_Load();
    void HandBack();
    // The password field as the chosen place wants it: masked for the keyring, unused when asked.
    void Combo1_Click();

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr;
    QComboBox* Combo1 = nullptr;
    bool m_keyringStored = false;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
