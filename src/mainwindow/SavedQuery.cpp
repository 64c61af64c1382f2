#include "mainwindow/SavedQuery.h"

#include "base/SaveFileSync.h"
#include "base/ZemoError.h"
#include "catalogue/Catalogue.h"
#include "mainwindow/StatementAssembly.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

namespace zemo {

namespace {

// A saved query is a few kilobytes; anything this large is not one.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
constexpr int kMaxTables = 999;

[[noreturn]] void unreadable(const QString& path, const QString& why) {
    throw ZemoError(err::QueryFileRead,
                    QStringLiteral("抽出条件のファイルを読めません（%1）：%2").arg(why, path));
}

QString aliasText(int ordinal) {
    return tableAlias(ordinal);
}

// "T1" ... "T999" as the ordinal 0 ... 998; -1 for anything else.
int ordinalOf(const QString& alias) {
    if (alias.size() < 2 || alias.at(0) != QLatin1Char('T') || alias.at(1) == QLatin1Char('0'))
        return -1;
    bool ok = false;
    const int n = alias.mid(1).toInt(&ok);
    return ok && n >= 1 && n <= kMaxTables && aliasText(n - 1) == alias ? n - 1 : -1;
}

// Reads one typed value; names what is wrong otherwise.
class Reader {
public:
    explicit Reader(QString path) : m_path(std::move(path)) {}

    QString text(const QJsonValue& v, const QString& what) const {
        if (!v.isString())
            unreadable(m_path, what + QStringLiteral(" が文字列ではありません"));
        return v.toString();
    }
    QJsonArray array(const QJsonValue& v, const QString& what) const {
        if (!v.isArray())
            unreadable(m_path, what + QStringLiteral(" が一覧ではありません"));
        return v.toArray();
    }
    QJsonObject object(const QJsonValue& v, const QString& what) const {
        if (!v.isObject())
            unreadable(m_path, what + QStringLiteral(" の形が違います"));
        return v.toObject();
    }
    bool flag(const QJsonValue& v, const QString& what) const {
        if (v.isUndefined())
            return false;
        if (!v.isBool())
            unreadable(m_path, what + QStringLiteral(" が true / false ではありません"));
        return v.toBool();
    }

private:
    QString m_path;
};

} // namespace

QByteArray savedQueryText(const SavedQuery& q) {
    QJsonArray tables;
    for (const SavedTable& t : q.tables)
        tables.append(
            QJsonObject{{QStringLiteral("alias"), aliasText(t.ordinal)}, {QStringLiteral("table"), t.name}});
    QJsonArray conditions;
    for (const Condition& c : q.conditions)
        conditions.append(QJsonObject{{QStringLiteral("connector"), c.connector},
                                      {QStringLiteral("left"), c.left},
                                      {QStringLiteral("operator"), c.op},
                                      {QStringLiteral("right"), c.right}});
    QJsonObject values;
    for (auto it = q.values.cbegin(); it != q.values.cend(); ++it)
        values.insert(it.key(), it.value());
    const QJsonObject root{
        {QStringLiteral("format"), kSavedQueryFormat},
        {QStringLiteral("version"), kSavedQueryVersion},
        {QStringLiteral("profile"), q.profile},
        {QStringLiteral("tables"), tables},
        {QStringLiteral("items"), QJsonArray::fromStringList(q.items)},
        {QStringLiteral("conditions"), conditions},
        {QStringLiteral("display"), QJsonObject{{QStringLiteral("attributes"), q.attributesShown},
                                                {QStringLiteral("logicalNames"), q.logicalNamesShown}}},
        {QStringLiteral("values"), values},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

SavedQuery parseSavedQuery(const QByteArray& text, const QString& path) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        unreadable(path, QStringLiteral("%1 文字目：%2").arg(error.offset).arg(error.errorString()));
    const Reader r(path);
    const QJsonObject root = doc.object();
    if (!doc.isObject() || root.value(QStringLiteral("format")).toString() != kSavedQueryFormat)
        unreadable(path, QStringLiteral("ZEMO-DB の抽出条件のファイルではありません"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != double(version.toInt()) || version.toInt() < 1)
        unreadable(path, QStringLiteral("版の番号がありません"));
    if (version.toInt() > kSavedQueryVersion)
        unreadable(path,
                   QStringLiteral("このプログラムより新しい版（%1）のファイルです").arg(version.toInt()));

    SavedQuery q;
    q.profile = r.text(root.value(QStringLiteral("profile")), QStringLiteral("profile"));
    QSet<int> ordinals;
    for (const QJsonValue& v : r.array(root.value(QStringLiteral("tables")), QStringLiteral("tables"))) {
        const QJsonObject t = r.object(v, QStringLiteral("tables の項目"));
        const QString alias = r.text(t.value(QStringLiteral("alias")), QStringLiteral("alias"));
        const int ordinal = ordinalOf(alias);
        if (ordinal < 0 || ordinals.contains(ordinal))
            unreadable(path, QStringLiteral("テーブルの別名 %1 が正しくないか重なっています").arg(alias));
        ordinals.insert(ordinal);
        q.tables.append({ordinal, r.text(t.value(QStringLiteral("table")), QStringLiteral("table"))});
    }
    std::sort(q.tables.begin(), q.tables.end(),
              [](const SavedTable& a, const SavedTable& b) { return a.ordinal < b.ordinal; });
    for (const QJsonValue& v : r.array(root.value(QStringLiteral("items")), QStringLiteral("items")))
        q.items << r.text(v, QStringLiteral("items の項目"));
    for (const QJsonValue& v :
         r.array(root.value(QStringLiteral("conditions")), QStringLiteral("conditions"))) {
        const QJsonObject c = r.object(v, QStringLiteral("conditions の項目"));
        const Condition cond{r.text(c.value(QStringLiteral("connector")), QStringLiteral("connector")),
                             r.text(c.value(QStringLiteral("left")), QStringLiteral("left")),
                             r.text(c.value(QStringLiteral("operator")), QStringLiteral("operator")),
                             r.text(c.value(QStringLiteral("right")), QStringLiteral("right"))};
        // The editor would not have accepted it: the file was changed by hand.
        if (!conditionAcceptable(cond))
            unreadable(path, QStringLiteral("条件「%1」が欠けています").arg(conditionLine(cond)));
        q.conditions.append(cond);
    }
    if (q.conditions.size() > kMaxConditions)
        unreadable(path, QStringLiteral("条件が多すぎます"));
    const QJsonValue display = root.value(QStringLiteral("display"));
    if (!display.isUndefined()) {
        const QJsonObject d = r.object(display, QStringLiteral("display"));
        q.attributesShown = r.flag(d.value(QStringLiteral("attributes")), QStringLiteral("attributes"));
        q.logicalNamesShown = r.flag(d.value(QStringLiteral("logicalNames")), QStringLiteral("logicalNames"));
    }
    const QJsonValue values = root.value(QStringLiteral("values"));
    if (!values.isUndefined()) {
        const QJsonObject vals = r.object(values, QStringLiteral("values"));
        for (auto it = vals.constBegin(); it != vals.constEnd(); ++it)
            q.values.insert(it.key(), r.text(it.value(), it.key()));
    }
    return q;
}

void writeSavedQuery(const SavedQuery& query, const QString& path) {
    const QByteArray bytes = savedQueryText(query);
    QSaveFile f(path);
    const auto fail = [&](const QString& why) {
        throw ZemoError(err::QueryFileWrite,
                        QStringLiteral("抽出条件のファイルに書き込めません（%1）：%2").arg(why, path));
    };
    if (!f.open(QIODevice::WriteOnly))
        fail(f.errorString());
    if (f.write(bytes) != bytes.size() || !flushAndSync(f)) {
        const QString why = f.error() != QFileDevice::NoError ? f.errorString() : qt_error_string(errno);
        f.cancelWriting();
        fail(why);
    }
    if (!f.commit())
        fail(f.errorString());
}

SavedQuery readSavedQuery(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        unreadable(path, f.errorString());
    const QByteArray bytes = f.read(kMaxFileBytes + 1);
    if (f.error() != QFileDevice::NoError)
        unreadable(path, f.errorString());
    if (bytes.size() > kMaxFileBytes)
        unreadable(path, QStringLiteral("大きすぎます"));
    return parseSavedQuery(bytes, path);
}

QString savedFromList(const QList<SavedTable>& tables) {
    QString from;
    for (const SavedTable& t : tables)
        appendFromEntry(from, t.name, t.ordinal);
    return from;
}

QString assembleSavedQuery(const SavedQuery& query) {
    QStringList lines;
    for (const Condition& c : query.conditions)
        lines << conditionLine(c);
    return assembleSelect(query.items, savedFromList(query.tables), lines);
}

} // namespace zemo
