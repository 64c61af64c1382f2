#pragma once

#include "app/FormSupport.h"

#include <QDialog>

class QListWidget;
class QPushButton;

// Table selection dialog.
class Form2 : public QDialog {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);

    static constexpr zemo::TwipsSize kOuterSize{5370, 5115};

protected:
    void resizeEvent(QResizeEvent* event) override;

private Q_SLOTS:
    void Command1_Click();
    void Command2_Click();

private:
    void Form_Load();
    void Form_Resize();
    void LoadSelectedTables();
    void LoadTableColumns(const int& tableIndex, const int& ordinal);

    zemo::TwipsPlacer m_placer;
    QListWidget* List1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};
