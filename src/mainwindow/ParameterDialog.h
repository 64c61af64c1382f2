#pragma once

#include "db/StatementParameters.h"
#include "ui/FormSupport.h"

class QLineEdit;
class QPushButton;

// The values of a statement's `:name` placeholders, asked at 抽出 in one dialog: a line each, the
// placeholder's name beside a box (Text1, Text2, ...) that starts with its last value.
class ParameterDialog : public zemo::FixedDialog {
    Q_OBJECT
public:
    ParameterDialog(QWidget* parent, const QStringList& names, const zemo::ParameterValues& lastValues);

    // The values as the boxes hold them, by name.
    zemo::ParameterValues values() const;

private Q_SLOTS:
    void Command1_Click();
    void Command2_Click();

private:
    QStringList m_names;
    QList<QLineEdit*> m_boxes;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
