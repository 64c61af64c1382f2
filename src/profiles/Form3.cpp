#include "profiles/Form3.h"

#include "session/Module1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using zemo::PasswordPlace;

Form3::Form3(QWidget* parent)
    : FixedDialog(parent, "Form3", QStringLiteral("ZEMO-DB　ＤＢ接続"), {4680, 3390}) {

    zemo::ControlMaker make(this, m_placer);
    const auto label = [&](const char* name, const QString& caption, float top) {
        return make.label(name, caption, {720, top, 975, 255});
    };
    const auto field = [&](const char* name, float top) {
        return make.add<QLineEdit>(name, {1680, top, 1815, 270});
    };
    Label4 = label("Label4", QStringLiteral("設定名称"), 360);
    Text4 = field("Text4", 360);
    Label1 = label("Label1", QStringLiteral("ユーザ"), 840);
    Text1 = field("Text1", 840);
    Label2 = label("Label2", QStringLiteral("パスワード"), 1320);
    Text2 = field("Text2", 1320);
    // Where the password lives, right below it; in the order of PasswordPlace.
    Label5 = label("Label5", QStringLiteral("保存先"), 1800);
    Combo1 = make.add<QComboBox>("Combo1", {1680, 1800, 1815, 300});
    Combo1->addItems(
        {QStringLiteral("設定ファイル"), QStringLiteral("キーリング"), QStringLiteral("接続時に入力")});
    Combo1->setToolTip(
        QStringLiteral("パスワードの保存先：設定ファイル（KESTO.ini に平文）、"
                       "キーリング（デスクトップの安全な保管場所）、接続時に入力（どこにも保存しない）"));
    Label3 = label("Label3", QStringLiteral("サービス"), 2280);
    Text3 = field("Text3", 2280);
    // Neither button answers Enter on its own.
    Command1 = make.button("Command1", QStringLiteral("ＯＫ"), {840, 2760, 1215, 375});
    Command2 = make.button("Command2", QStringLiteral("ＣＡＮＣＥＬ"), {2400, 2760, 1335, 375});
    zemo::setTabChain({Text4, Text1, Text2, Combo1, Text3, Command1, Command2});

    zemo::connectClicks(this, {{Command1, &Form3::Command1_Click}, {Command2, &Form3::Command2_Click}});
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form3::Combo1_Click);

    Form_Load();
}

void Form3::Form_Load() {
    centreOverMain();
    Text1->setText(gUserName);
    Text2->setText(gPassword);
    Text3->setText(gServiceName);
    Text4->setText(QString());
}

void Form3::setFields(const QString& user, const QString& password, const QString& service,
                      const QString& name) {
    Text1->setText(user);
    Text2->setText(password);
    Text3->setText(service);
    Text4->setText(name);
}

void Form3::setPasswordPlace(PasswordPlace place) {
    m_keyringStored = place == PasswordPlace::Keyring;
    Text2->setPlaceholderText(m_keyringStored ? QStringLiteral("（キーリングの値）") : QString());
    Combo1->setCurrentIndex(static_cast<int>(place));
    Combo1_Click();
}

PasswordPlace Form3::passwordPlace() const {
    return static_cast<PasswordPlace>(std::max(0, Combo1->currentIndex()));
}

void Form3::Combo1_Click() {
    const PasswordPlace place = passwordPlace();
    Text2->setEnabled(place != PasswordPlace::Ask);
    Text2->setEchoMode(place == PasswordPlace::Keyring ? QLineEdit::Password : QLineEdit::Normal);
}

void Form3::HandBack() {
    gProfileEdit.ServiceName = Text3->text();
    gProfileEdit.UserName = Text1->text();
    gProfileEdit.Password = Text2->text();
    gProfileEdit.ProfileName = Text4->text();
}

void Form3::Command1_Click() {
    HandBack();
    accept();
}

void Form3::Command2_Click() {
    Text1->clear();
    Text2->clear();
    Text3->clear();
    Text4->clear();
    HandBack();
    reject();
}
