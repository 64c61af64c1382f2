#include "results/Form4Logic.h"

namespace zemo {

Form4LayoutResult layoutForm4(const Form4Rects& rects, TwipsSize remembered, TwipsSize current,
                              bool minimized) {
    Form4LayoutResult out;
    out.rects = rects;
    out.remembered = remembered;
    out.enforced = current;
    if (minimized)
        return out;

    const ResizeDelta d = resizeDelta(remembered, current, {kForm4MinWidth, kForm4MinHeight});
    out.enforced = d.enforced;
    const double dW = d.dW;
    const double dH = d.dH;

    Form4Rects& r = out.rects;
    shiftTwips(r.Text1.width, dW / 2);
    shiftTwips(r.List2.left, dW / 2);
    shiftTwips(r.List2.width, dW / 2);
    shiftTwips(r.Label4.left, dW / 2);
    shiftTwips(r.Command1.left, dW / 2);
    shiftTwips(r.Command2.left, dW);
    shiftTwips(r.Command3.left, dW);
    shiftTwips(r.Image1.left, dW / 2);
    shiftTwips(r.VSFlexGrid1.width, dW);
    shiftTwips(r.VSFlexGrid1.height, dH);

    out.laidOut = true;
    out.remembered = out.enforced;
    return out;
}

QString statementToRun(const QString& boxText) {
    QString sql = boxText;
    sql.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return sql;
}

QString rowCountCaption(int rows) {
    return QStringLiteral(":") + QString::number(rows) + QStringLiteral("件");
}

} // namespace zemo
