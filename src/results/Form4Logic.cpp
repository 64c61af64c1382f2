#include "results/Form4Logic.h"

namespace zemo {

namespace {
using R = Form4Rects;
} // namespace

const WindowResize<Form4Rects> kForm4Resize{{7830, 5385},
                                            {
                                                {&R::Text1, Edge::Width, Delta::Width, 2},
                                                {&R::List2, Edge::Left, Delta::Width, 2},
                                                {&R::List2, Edge::Width, Delta::Width, 2},
                                                {&R::Label4, Edge::Left, Delta::Width, 2},
                                                {&R::Command1, Edge::Left, Delta::Width, 2},
                                                {&R::Command2, Edge::Left, Delta::Width, 1},
                                                {&R::Command3, Edge::Left, Delta::Width, 1},
                                                {&R::Image1, Edge::Left, Delta::Width, 2},
                                                {&R::VSFlexGrid1, Edge::Width, Delta::Width, 1},
                                                {&R::VSFlexGrid1, Edge::Height, Delta::Height, 1},
                                            }};

QString statementToRun(const QString& boxText) {
    QString sql = boxText;
    sql.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return sql;
}

QString rowCountCaption(int rows) {
    return QStringLiteral(":") + QString::number(rows) + QStringLiteral("件");
}

} // namespace zemo
