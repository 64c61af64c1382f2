#pragma once

#include "app/FormSupport.h"

#include <QDialog>

class QListWidget;
class QPushButton;

// Profile list and connect.
class Form6 : public QDialog {
    Q_OBJECT
public:
    explicit Form6(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void Command1_Click();
    void List1_DblClick();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();

private:
    void Form_Load();
    void Form_Resize();
    void LoadProfileList();
    void ReadSelectedProfile(QString& service, QString& user, QString& password, QString& name);
    void SaveEditedProfile();
    // Text of the selected entry; false when none is selected.
    bool selectedSection(QString& section) const;

    zemo::TwipsPlacer m_placer{this};
    QListWidget* List1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
};
