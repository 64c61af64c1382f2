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

namespace {

// Characters that end a block when the box is filled (U+FDD0 and U+FDD1 mark frames there).
bool breaksBlock(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator ||
           c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
}

} // namespace

void StatementBoxText::load(const QString& text, const QString& boxRaw) {
    QString image;
    std::vector<qsizetype> start;
    start.reserve(size_t(text.size()) + 1);
    for (qsizetype i = 0; i < text.size();) {
        start.push_back(i);
        const QChar c = text[i];
        const bool crLf = c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n');
        image += breaksBlock(c) ? QChar(QChar::ParagraphSeparator) : c;
        i += crLf ? 2 : 1;
    }
    start.push_back(text.size());
    *this = StatementBoxText();
    // A box that made something else of the text: what it shows counts as typed.
    if (image != boxRaw) {
        edited(boxRaw);
        return;
    }
    m_text = text;
    m_raw = boxRaw;
    m_start = std::move(start);
}

void StatementBoxText::edited(const QString& boxRaw) {
    if (boxRaw == m_raw)
        return;
    // One edit: what lies between the longest unchanged beginning and the longest unchanged end.
    const qsizetype shorter = std::min(m_raw.size(), boxRaw.size());
    qsizetype head = 0;
    while (head < shorter && m_raw[head] == boxRaw[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && m_raw[m_raw.size() - 1 - tail] == boxRaw[boxRaw.size() - 1 - tail])
        ++tail;
    const qsizetype keptEnd = m_start[size_t(m_raw.size() - tail)];
    QString text = m_text.left(m_start[size_t(head)]);
    std::vector<qsizetype> start(m_start.begin(), m_start.begin() + head);
    for (qsizetype i = head; i < boxRaw.size() - tail; ++i) {
        start.push_back(text.size());
        if (boxRaw[i] == QChar::ParagraphSeparator)
            text += QStringLiteral("\r\n");
        else
            text += boxRaw[i];
    }
    const qsizetype shift = text.size() - keptEnd;
    for (auto it = m_start.begin() + (m_raw.size() - tail); it != m_start.end(); ++it)
        start.push_back(*it + shift);
    text += QStringView(m_text).mid(keptEnd);
    m_text = std::move(text);
    m_raw = boxRaw;
    m_start = std::move(start);
}

QString StatementBoxText::statement(const QString& boxRaw) {
    edited(boxRaw);
    return statementToRun(m_text);
}

QString rowCountCaption(int rows) {
    return QStringLiteral(":") + QString::number(rows) + QStringLiteral("件");
}

} // namespace zemo
