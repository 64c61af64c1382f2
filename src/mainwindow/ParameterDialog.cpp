#include "mainwindow/ParameterDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kTop = 360;
constexpr int kLine = 480;

zemo::TwipsSize clientFor(qsizetype lines) {
    return {5310, kTop + int(lines) * kLine + 615};
}

} // namespace

ParameterDialog::ParameterDialog(QWidget* parent, const QStringList& names,
                                 const zemo::ParameterValues& lastValues)
    : FixedDialog(parent, "ParameterDialog", QStringLiteral("ZEMO-DB　値の入力"), clientFor(names.size())),
      m_names(names) {
    zemo::ControlMaker make(this, m_placer);
    QList<QWidget*> chain;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto top = float(kTop + int(i) * kLine);
        const QByteArray label = "Label" + QByteArray::number(i + 1);
        const QByteArray box = "Text" + QByteArray::number(i + 1);
        QLabel* l = make.label(label.constData(), QLatin1Char(':') + names.at(i), {240, top, 1935, 255});
        l->setToolTip(l->text());
        auto* t = make.add<QLineEdit>(box.constData(), {2280, top, 2775, 270});
        t->setText(lastValues.value(names.at(i)));
        m_boxes << t;
        chain << t;
    }
    const auto buttons = float(kTop + int(names.size()) * kLine + 120);
    Command1 = make.button("Command1", QStringLiteral("ＯＫ"), {1080, buttons, 1215, 375});
    Command2 = make.button("Command2", QStringLiteral("ＣＡＮＣＥＬ"), {2760, buttons, 1335, 375});
    chain << Command1 << Command2;
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
    zemo::connectClicks(
        this, {{Command1, &ParameterDialog::Command1_Click}, {Command2, &ParameterDialog::Command2_Click}});
    centreOverMain();
}

zemo::ParameterValues ParameterDialog::values() const {
    zemo::ParameterValues out;
    for (qsizetype i = 0; i < m_names.size(); ++i)
        out.insert(m_names.at(i), m_boxes.at(i)->text());
    return out;
}

void ParameterDialog::Command1_Click() {
    accept();
}

void ParameterDialog::Command2_Click() {
    reject();
}
