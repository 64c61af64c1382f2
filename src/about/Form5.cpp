#include "about/Form5.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

Form5::Form5(QWidget* parent) : FixedDialog(parent, {4740, 3840}) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("ZEMO-DB　ツールについて"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(zemo::programIcon().pixmap(QSize(32, 32)));
    m_placer.setRect(Image1, {240, 360, 480, 480});

    const auto label = [this](const char* name, const QString& text, const QFont& font,
                              const zemo::TwipsRect& r) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setFont(font);
        m_placer.setRect(l, r);
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

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setLineWidth(1);
    m_placer.setRect(Line1, {360, 2040, 3840, 15});

    Command1 = new QPushButton(QStringLiteral("閉じる"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    m_placer.setRect(Command1, {1440, 3360, 1455, 375});
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
