#pragma once

#include <QMainWindow>

// The main window and query builder.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
};
