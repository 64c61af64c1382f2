#include "results/Form4Logic.h"

#include <algorithm>

namespace zemo {

namespace {
void shift(float& value, double delta) {
    value = toSingle(static_cast<double>(value) + delta);
}
} // namespace

Form4LayoutResult layoutForm4(const Form4Rects& rects, TwipsSize remembered, TwipsSize current,
                              bool minimized) {
    Form4LayoutResult out;
    out.rects = rects;
    out.remembered = remembered;
    out.enforced = current;
    if (minimized)
        return out;

    out.enforced = {std::max(current.width, kForm4MinWidth), std::max(current.height, kForm4MinHeight)};
    const double dW = static_cast<double>(out.enforced.width) - remembered.width;
    const double dH = static_cast<double>(out.enforced.height) - remembered.height;

    Form4Rects& r = out.rects;
    shift(r.Text1.width, dW / 2);
    shift(r.List2.left, dW / 2);
    shift(r.List2.width, dW / 2);
    shift(r.Label4.left, dW / 2);
    shift(r.Command1.left, dW / 2);
    shift(r.Command2.left, dW);
    shift(r.Command3.left, dW);
    shift(r.Image1.left, dW / 2);
    shift(r.VSFlexGrid1.width, dW);
    shift(r.VSFlexGrid1.height, dH);

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
