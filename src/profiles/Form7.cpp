#include "profiles/Form7.h"

#include "profiles/Keyring.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Form7::Form7(QWidget* parent, const QString& profileName, const QString& user, bool offerKeyring)
    : FixedDialog(parent, "Form7", QStringLiteral("ZEMO-DB　パスワード"), {4680, 2235}) {

    zemo::ControlMaker make(this, m_placer);
    Label1 = make.label("Label1",
                        QStringLiteral("「") + profileName + QStringLiteral("」（ユーザ ") + user +
                            QStringLiteral("）\nパスワードを入力してください。"),
                        {240, 240, 4200, 495});
    Label1->setWordWrap(true);
    Text1 = make.add<QLineEdit>("Text1", {240, 840, 4200, 270});
    Text1->setEchoMode(QLineEdit::Password);
    Check1 = make.add<QCheckBox>("Check1", {240, 1260, 4200, 255});
    Check1->setText(QStringLiteral("キーリングに保存する"));
    Check1->setEnabled(offerKeyring);
    Command1 = make.button("Command1", QStringLiteral("ＯＫ"), {840, 1680, 1215, 375});
    Command2 = make.button("Command2", QStringLiteral("ＣＡＮＣＥＬ"), {2400, 1680, 1335, 375});
    zemo::setTabChain({Text1, Check1, Command1, Command2});

    zemo::connectClicks(this, {{Command1, &Form7::Command1_Click}, {Command2, &Form7::Command2_Click}});
    // Enter after the password is OK; the buttons themselves answer no Enter.
    connect(Text1, &QLineEdit::returnPressed, this, &Form7::Command1_Click);

    centreOverMain();
    Text1->setFocus();
}

Form7::~Form7() {
    zemo::wipeSecret(m_password);
}

void Form7::Command1_Click() {
    m_password = Text1->text();
    Text1->clear();
    accept();
}

void Form7::Command2_Click() {
    Text1->clear();
    reject();
}

QString Form7::takePassword() {
    QString password = std::move(m_password);
    m_password = QString();
    return password;
}

bool Form7::rememberInKeyring() const {
    return Check1->isEnabled() && Check1->isChecked();
}
