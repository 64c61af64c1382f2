#pragma once

#include <QDialog>

// Profile list and connect.
class Form6 : public QDialog {
    Q_OBJECT
public:
    explicit Form6(QWidget* parent = nullptr);
};
