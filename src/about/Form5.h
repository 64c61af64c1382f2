#pragma once

#include "ui/FormSupport.h"

class QFrame;
class QLabel;
class QPushButton;

// About box.
class Form5 : public zemo::FixedDialog {
    Q_OBJECT
public:
    explicit Form5(QWidget* parent = nullptr);

    static constexpr zemo::TwipsSize kOuterSize{4860, 4245};

private Q_SLOTS:
    void Command1_Click();

private:
    void Form_Load();

    QLabel *Image1 = nullptr, *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr;
    QFrame* Line1 = nullptr;
    QPushButton* Command1 = nullptr;
};
