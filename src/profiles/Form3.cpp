#include "profiles/Form3.h"

#include "session/Module1.h"

#include <QLineEdit>
#include <QPushButton>

Form3::Form3(QWidget* parent)
    : FixedDialog(parent, "Form3", QStringLiteral("ZEMO-DB　ＤＢ接続"), {4680, 2910}) {

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
    Label3 = label("Label3", QStringLiteral("サービス"), 1800);
    Text3 = field("Text3", 1800);
    // Neither button answers Enter on its own.
    Command1 = make.button("Command1", QStringLiteral("ＯＫ"), {840, 2280, 1215, 375});
    Command2 = make.button("Command2", QStringLiteral("ＣＡＮＣＥＬ"), {2400, 2280, 1335, 375});
    zemo::setTabChain({Text4, Text1, Text2, Text3, Command1, Command2});

    zemo::connectClicks(this, {{Command1, &Form3::Command1_Click}, {Command2, &Form3::Command2_Click}});

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
