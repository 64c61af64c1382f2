#include "app/UnattendedRun.h"

#include "base/ZemoError.h"
#include "db/DbConnection.h"
#include "mainwindow/SavedQuery.h"
#include "profiles/ConnectValues.h"
#include "profiles/ProfileStore.h"
#include "results/CsvWriter.h"
#include "results/Form4Logic.h"
#include "results/ResultFetch.h"
#include "results/ResultModel.h"
#include "results/XlsxWriter.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zemo {

namespace {

const QString kRun = QStringLiteral("--run");
const QString kOut = QStringLiteral("--out");
const QString kParam = QStringLiteral("--param");

bool isTerminal(std::FILE* f) {
#ifdef Q_OS_WIN
    return _isatty(_fileno(f)) != 0;
#else
    return isatty(fileno(f)) != 0;
#endif
}

[[noreturn]] void badArguments(const QString& why) {
    throw ZemoError(err::BadArguments, why + QStringLiteral("（使い方は zemo-db --help で表示されます）"));
}

// "--out FILE" or "--out=FILE" at args[i]: its value; `i` moves past the arguments it took.
bool optionValue(const QStringList& args, qsizetype& i, const QString& name, QString& value) {
    const QString& a = args.at(i);
    if (a.startsWith(name + QLatin1Char('='))) {
        value = a.mid(name.size() + 1);
        return true;
    }
    if (a != name)
        return false;
    if (i + 1 >= args.size())
        badArguments(name + QStringLiteral(" の後に値がありません"));
    value = args.at(++i);
    return true;
}

enum class OutputKind { Csv, Xlsx };

OutputKind outputKind(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return OutputKind::Csv;
    if (suffix == QLatin1String("xlsx"))
        return OutputKind::Xlsx;
    badArguments(QStringLiteral("--out のファイル名は .csv か .xlsx で終えてください：") + path);
}

// The query's profile from the profile file, with the values a connect needs.
Profile runProfile(const QString& section) {
    const QString path = profileFilePath();
    if (section.isEmpty() || !ListProfileNames(path).contains(section))
        throw profileMissing(section, path);
    const Profile p = ReadProfile(section, path);
    QString missing = missingConnectValuesMessage(p.service, p.user, p.password);
    if (!missing.isEmpty())
        throw ZemoError(err::BadConnect, missing.remove(QStringLiteral("メッセージ：")) +
                                             QStringLiteral("（プロファイル「%1」）").arg(section));
    return p;
}

// The open connection, as 接続 makes it.
std::shared_ptr<DbConnection> connect(const Profile& p) {
    auto connection = std::make_shared<DbConnection>();
    const auto call = connection->open(std::make_shared<OracleSession>(), p.service,
                                       p.user + QLatin1Char('/') + p.password);
    call->waitFinished();
    call->rethrow();
    return connection;
}

// Every value the statement needs and no other: a name given for nothing is a typing error that
// would otherwise run the query with another value missing or unused.
void checkValues(const QString& sql, const QString& service, const ParameterValues& values) {
    const QStringList names = placeholderNames(sql, dialectOfService(service));
    QStringList missing, unknown;
    for (const QString& name : names)
        if (!values.contains(name))
            missing << QLatin1Char(':') + name;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        if (!names.contains(it.key()))
            unknown << it.key();
    if (!unknown.isEmpty())
        badArguments(QStringLiteral("抽出条件にないパラメータです：") + unknown.join(QStringLiteral("、")));
    if (!missing.isEmpty())
        throw ZemoError(err::MissingValue, QStringLiteral("値が指定されていないパラメータがあります：") +
                                               missing.join(QStringLiteral("、")) +
                                               QStringLiteral("（--param 名前=値 で指定してください）"));
}

QString oneLine(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

void writeLine(std::FILE* err, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), err);
    std::fflush(err);
}

// The failure's one line, as the error box says it; the exit status it gives.
int tellFailure(std::FILE* err, const ZemoError& e) {
    writeLine(err, QStringLiteral("zemo-db: エラー番号：%1 メッセージ：%2\n")
                       .arg(e.number())
                       .arg(oneLine(e.description())));
    return e.number() == err::BadArguments ? 2 : 1;
}

} // namespace

bool wantsUnattendedRun(const QStringList& args) {
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return true;
        for (const QString& option : {kRun, kOut, kParam})
            if (a == option || a.startsWith(option + QLatin1Char('=')))
                return true;
    }
    return false;
}

RunArguments parseRunArguments(const QStringList& args) {
    RunArguments out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        QString value;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out.help = true;
        } else if (optionValue(args, i, kRun, value)) {
            if (!out.queryFile.isEmpty())
                badArguments(QStringLiteral("--run が二つあります"));
            out.queryFile = value;
        } else if (optionValue(args, i, kOut, value)) {
            if (!out.outFile.isEmpty())
                badArguments(QStringLiteral("--out が二つあります"));
            out.outFile = value;
        } else if (optionValue(args, i, kParam, value)) {
            const qsizetype eq = value.indexOf(QLatin1Char('='));
            QString name = value.left(eq);
            if (name.startsWith(QLatin1Char(':')))
                name.remove(0, 1);
            if (eq < 0 || name.isEmpty())
                badArguments(QStringLiteral("--param は 名前=値 の形で書いてください：") + value);
            if (out.values.contains(name))
                badArguments(QStringLiteral("--param %1 が二度あります").arg(name));
            out.values.insert(name, value.mid(eq + 1));
        } else {
            badArguments(QStringLiteral("わからない引数です：") + a);
        }
    }
    if (out.help)
        return out;
    if (out.queryFile.isEmpty())
        badArguments(QStringLiteral("--run で抽出条件のファイルを指定してください"));
    if (out.outFile.isEmpty())
        badArguments(QStringLiteral("--out で出力ファイルを指定してください"));
    outputKind(out.outFile);
    return out;
}

QString runHelpText() {
    return QString::fromUtf8(
        R"(使い方: zemo-db --run 抽出条件ファイル --out 出力ファイル.csv|.xlsx [--param 名前=値]...

保存した抽出条件（ファイル → 名前を付けて保存）をウィンドウなしで実行し、結果を CSV か Excel ブックに書きます。
接続には、抽出条件に保存したプロファイルをプロファイルファイル（KESTO.ini）から読んで使います。

  --run ファイル     実行する抽出条件のファイル（.zemoq）
  --out ファイル     結果を書くファイル。拡張子 .csv で CSV（UTF-8、BOM 付き）、.xlsx で Excel ブック。
                     一時ファイルに書き終えてから置き換えるので、失敗しても元のファイルはそのまま残ります。
  --param 名前=値    条件の :名前 に渡す値。パラメータごとに一つずつ。値は SQL 文に埋め込まず、
                     パラメータとしてデータベースに渡します。
  --help             この説明を表示します。

終了コード: 0 = 出力ファイルを書き終えて置き換えた、1 = 失敗（プロファイルがない、接続できない、
SQL 文の誤り、値のないパラメータ、ディスクやファイルサイズの上限など）、2 = 引数の誤り。
失敗は「エラー番号：番号 メッセージ：内容」の 1 行を標準エラー出力に書きます。
標準エラー出力が端末のときは進み具合も表示します。
引数なしで起動するとウィンドウが開きます。
)");
}

QString runSavedQuery(const RunArguments& args, const RunProgressReport& progress) {
    const auto report = [&](RunProgress::Stage stage, int rows) {
        if (progress)
            progress({stage, rows});
    };
    const OutputKind kind = outputKind(args.outFile);
    const SavedQuery query = readSavedQuery(args.queryFile);
    const QString sql = assembleSavedQuery(query);
    if (sql.isEmpty())
        throw ZemoError(err::QueryFileRead,
                        QStringLiteral("抽出条件にテーブルがありません：") + args.queryFile);

    const Profile profile = runProfile(query.profile);
    checkValues(sql, profile.service, args.values);
    report(RunProgress::Stage::Connecting, 0);
    const std::shared_ptr<DbConnection> connection = connect(profile);

    auto fetch = std::make_shared<ResultFetch>();
    const ParameterValues values = args.values;
    const auto call = connection->run([fetch, sql, values](OracleDatabase& db, const DbCall& c) {
        fetch->run(db, statementToRun(sql), c.stopFlag(), values);
    });
    while (!call->waitFinished(200))
        report(RunProgress::Stage::Fetching, fetch->rowsTaken());
    report(RunProgress::Stage::Fetching, fetch->rowsTaken());
    call->rethrow();
    ResultFetch::Taken taken = fetch->take();

    report(RunProgress::Stage::Writing, fetch->rowsTaken());
    ResultModel grid;
    grid.adopt(taken.fieldNames, std::move(taken.store));
    if (kind == OutputKind::Xlsx)
        return xlsxNotice(writeGridXlsx(grid, {}, args.outFile));
    writeGridCsv(grid, {}, args.outFile);
    return {};
}

int runUnattended(const QStringList& args, std::FILE* err) {
    RunArguments parsed;
    try {
        parsed = parseRunArguments(args);
    } catch (const ZemoError& e) {
        return tellFailure(err, e);
    }
    if (parsed.help) {
        writeLine(stdout, runHelpText());
        return 0;
    }
    const bool terminal = isTerminal(err);
    bool progressShown = false;
    const auto progress = [&](const RunProgress& p) {
        if (!terminal)
            return;
        QString line;
        switch (p.stage) {
        case RunProgress::Stage::Connecting:
            line = QStringLiteral("接続しています…");
            break;
        case RunProgress::Stage::Fetching:
            line = QStringLiteral("取得中 %1件").arg(p.rows);
            break;
        case RunProgress::Stage::Writing:
            line = QStringLiteral("%1件を書き込んでいます…").arg(p.rows);
            break;
        }
        // The line is written over in place; ESC [K clears what a longer line left.
        writeLine(err, QLatin1Char('\r') + line + QStringLiteral("\x1b[K"));
        progressShown = true;
    };
    const auto endProgress = [&] {
        if (progressShown)
            writeLine(err, QStringLiteral("\r\x1b[K"));
    };
    try {
        const QString notice = runSavedQuery(parsed, progress);
        endProgress();
        if (!notice.isEmpty())
            writeLine(err, QStringLiteral("zemo-db: ") + oneLine(notice) + QLatin1Char('\n'));
        return 0;
    } catch (...) {
        endProgress();
        return tellFailure(err, currentFailure());
    }
}

} // namespace zemo
