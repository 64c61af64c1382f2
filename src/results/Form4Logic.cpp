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

QString rowCountCaption(int rows, bool stopped) {
    return QStringLiteral(":") + QString::number(rows) + QStringLiteral("件") +
           (stopped ? QStringLiteral("（中止）") : QString());
}

QString runningCountCaption(int rows) {
    return QStringLiteral("取得中 %L1件").arg(rows);
}

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The one logical name the display items of column `field` agree on, or none.
QString agreedLogicalName(const QString& field, const QList<DisplayItem>& items) {
    bool found = false;
    QString agreed;
    for (const DisplayItem& item : items) {
        if (!sameName(displayItemColumn(item.text), field))
            continue;
        if (found && item.logical != agreed)
            return {};
        found = true;
        agreed = item.logical;
    }
    return agreed;
}

} // namespace

QStringList headingLogicalNames(const QStringList& fieldNames, const QList<DisplayItem>& items,
                                bool assembledStatement) {
    QList<const DisplayItem*> selected;
    if (assembledStatement)
        for (const DisplayItem& item : items)
            if (item.selected)
                selected << &item;
    QStringList out;
    out.reserve(fieldNames.size());
    for (qsizetype j = 0; j < fieldNames.size(); ++j) {
        if (j < selected.size() && sameName(displayItemColumn(selected[j]->text), fieldNames[j]))
            out << selected[j]->logical;
        else
            out << agreedLogicalName(fieldNames[j], items);
    }
    return out;
}

} // namespace zemo
