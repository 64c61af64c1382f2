#include "about/Form5.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

Form5::Form5(QWidget* parent)
    : FixedDialog(parent, "Form5", QStringLiteral("ZEMO-DB　ツールについて"), {4740, 3840}, false) {

    zemo::ControlMaker make(this, m_placer);
    Image1 = make.add<QLabel>("Image1", {240, 360, 480, 480});
    Image1->setPixmap(zemo::programIcon().pixmap(QSize(32, 32)));

    const auto label = [&](const char* name, const QString& text, const QFont& font,
                           const zemo::TwipsRect& r) {
        QLabel* l = make.label(name, text, r);
        l->setFont(font);
        return l;
    };
    Label1 = label("Label1", QStringLiteral("ＶＡＮＴＲＯ　ＴＯＯＬ"), zemo::minchoFont(11.25, true, true),
                   {960, 480, 3015, 375});
    Label2 = label("Label2", QStringLiteral("Ｖｅｒｓｉｏｎ："), zemo::minchoFont(9, true),
                   {1200, 1200, 1695, 375});
    Label3 =
        label("Label3", QStringLiteral(ZEMO_VERSION), zemo::minchoFont(9, true), {2880, 1200, 1095, 375});
    // One line that fits its design width.
    QFont small = font();
    small.setPointSizeF(8);
    Label5 = label("Label5", QStringLiteral("© 2026 ZEMO-DB Project"), small, {1200, 1800, 2295, 255});
    Label4 = label("Label4", QStringLiteral("\r\n\r\n\r\n"), font(), {240, 2400, 4215, 735});
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Line1 = make.add<QFrame>("Line1", {360, 2040, 3840, 15});
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setLineWidth(1);

    Command1 = make.button("Command1", QStringLiteral("閉じる"), {1440, 3360, 1455, 375});
    Command1->setAutoDefault(true);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    Command1->setFocus();

    Form_Load();
}

void Form5::Form_Load() {
    centreOverMain();
}

void Form5::Command1_Click() {
    close();
}
