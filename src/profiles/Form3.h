#pragma once

#include <QDialog>

// Profile editor.
class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);
};
