#pragma once

#include "app/FormSupport.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// About box.
class Form5 : public QDialog {
    Q_OBJECT
public:
    explicit Form5(QWidget* parent = nullptr);

    static constexpr zemo::TwipsSize kOuterSize{4860, 4245};

protected:
    void resizeEvent(QResizeEvent* event) override;

private Q_SLOTS:
    void Command1_Click();

private:
    void Form_Load();
    void Form_Resize();

    zemo::TwipsPlacer m_placer;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QFrame* Line1 = nullptr;
    QPushButton* Command1 = nullptr;
};
