#pragma once

#include "ui/FormSupport.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Profile editor: takes a profile's four values and hands them back through gProfileEdit.
class Form3 : public zemo::FixedDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);

    // The change command puts the stored values in before showing the editor.
    void setFields(const QString& user, const QString& password, const QString& service, const QString& name);

private slots:
    void Command1_Click();
    void Command2_Click();

private:
    void Form_Load();
    void HandBack();

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
