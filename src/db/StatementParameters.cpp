#include "db/StatementParameters.h"

#include "base/ZemoError.h"
#include "db/OracleAccess.h"

#include <QSet>

namespace zemo {

namespace {

QString nameOf(QStringView sql, const PlaceholderSpan& span) {
    return sql.mid(span.offset + 1, span.length - 1).toString();
}

std::vector<PlaceholderSpan> named(const std::vector<PlaceholderSpan>& spans) {
    std::vector<PlaceholderSpan> out;
    for (const PlaceholderSpan& s : spans)
        if (s.kind == PlaceholderSpan::Kind::Named)
            out.push_back(s);
    return out;
}

} // namespace

QStringList placeholderNames(QStringView sql, SqlDialect dialect) {
    QStringList names;
    if (!sql.contains(u':'))
        return names;
    QSet<QString> seen;
    for (const auto& reading : placeholderSpans(sql, dialect)) {
        for (const PlaceholderSpan& s : named(reading)) {
            const QString name = nameOf(sql, s);
            if (!seen.contains(name)) {
                seen.insert(name);
                names << name;
            }
        }
    }
    return names;
}

BoundStatement bindStatement(const QString& sql, SqlDialect dialect, const ParameterValues& values) {
    BoundStatement b;
    b.text = sql;
    if (!sql.contains(u':'))
        return b;
    const auto readings = placeholderSpans(sql, dialect);
    b.uses = named(readings.front());
    if (b.uses.empty())
        return b;
    for (const auto& reading : readings) {
        if (reading != readings.front())
            throw ZemoError(err::ParameterForm,
                            QStringLiteral("引用符やコメントの読み方によってパラメータの位置が変わるため、"
                                           "この文には値を渡せません"));
    }
    for (const PlaceholderSpan& s : readings.front())
        if (s.kind != PlaceholderSpan::Kind::Named)
            b.others.push_back(s);
    QStringList missing;
    for (const PlaceholderSpan& s : b.uses) {
        const QString name = nameOf(sql, s);
        qsizetype at = b.names.indexOf(name);
        if (at < 0) {
            at = b.names.size();
            b.names << name;
            b.values << values.value(name);
            if (!values.contains(name))
                missing << QLatin1Char(':') + name;
        }
        b.useNames << int(at);
    }
    if (!missing.isEmpty())
        throw ZemoError(err::MissingValue, QStringLiteral("値が指定されていないパラメータがあります：") +
                                               missing.join(QStringLiteral("、")));
    return b;
}

QString boundText(const BoundStatement& statement, ParameterStyle style) {
    const PlaceholderSpan::Kind clash =
        style == ParameterStyle::Dollar ? PlaceholderSpan::Kind::Dollar : PlaceholderSpan::Kind::Question;
    for (const PlaceholderSpan& s : statement.others)
        if (s.kind == clash)
            throw ZemoError(err::ParameterForm,
                            QStringLiteral("「:名前」のパラメータと「%1」を一つの文に混ぜることはできません")
                                .arg(statement.text.mid(s.offset, s.length)));
    QString out;
    out.reserve(statement.text.size() + qsizetype(statement.uses.size()) * 4);
    qsizetype from = 0;
    for (size_t i = 0; i < statement.uses.size(); ++i) {
        const PlaceholderSpan& s = statement.uses[i];
        out += QStringView(statement.text).mid(from, s.offset - from);
        const int number = statement.useNames.at(qsizetype(i)) + 1;
        switch (style) {
        case ParameterStyle::NumberedQuestion:
            out += QLatin1Char('?') + QString::number(number);
            break;
        case ParameterStyle::Dollar:
            out += QLatin1Char('$') + QString::number(number);
            break;
        case ParameterStyle::Question:
            out += QLatin1Char('?');
            break;
        }
        from = s.offset + s.length;
    }
    out += QStringView(statement.text).mid(from);
    return out;
}

QStringList useValues(const BoundStatement& statement) {
    QStringList out;
    for (int at : statement.useNames)
        out << statement.values.at(at);
    return out;
}

SqlDialect dialectOfService(const QString& serviceName) {
    switch (classifyService(serviceName)) {
    case ServiceKind::Sqlite:
        return SqlDialect::Sqlite;
    case ServiceKind::Postgres:
        return SqlDialect::Postgres;
    case ServiceKind::Oracle:
        return SqlDialect::Oracle;
    case ServiceKind::Odbc:
        break;
    }
    return SqlDialect::Generic;
}

} // namespace zemo
