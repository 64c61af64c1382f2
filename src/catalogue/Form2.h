#pragma once

#include "app/FormSupport.h"

class QListWidget;
class QPushButton;

// Table selection dialog.
class Form2 : public zemo::FixedDialog {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);

    static constexpr zemo::TwipsSize kOuterSize{5370, 5115};

private Q_SLOTS:
    void Command1_Click();
    void Command2_Click();

private:
    void Form_Load();
    void LoadSelectedTables();
    void LoadTableColumns(const int& tableIndex, const int& ordinal);

    QListWidget* List1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
