#pragma once

#include "ui/FormSupport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Password prompt of a connect whose profile keeps no password in the profile file: the password
// masked, and whether to keep it in the keyring from now on.
class Form7 : public zemo::FixedDialog {
    Q_OBJECT
public:
    // `offerKeyring` false leaves the keyring choice off (the keyring has just failed).
    Form7(QWidget* parent, const QString& profileName, const QString& user, bool offerKeyring);
    ~Form7() override;

    // After OK: the password typed; the dialog keeps no copy of it.
    QString takePassword();
    bool rememberInKeyring() const;

private slots:
    void Command1_Click();
    void Command2_Click();

private:
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
    QString m_password;
};
