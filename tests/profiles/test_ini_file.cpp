// The ini reader and writer behind the profile file: lookup rules, byte-exact rewrites, encodings
// and the input it refuses.
#include "base/ZemoError.h"
#include "profiles/IniFile.h"

#include <QStringEncoder>
#include <QTest>

using zemo::IniFile;
using zemo::TextEncoding;

namespace {
QByteArray sjis(const QString& text) {
    QStringEncoder enc("windows-31j");
    QByteArray out = enc(text);
    return out;
}

QByteArray utf16(const QString& text, bool littleEndian) {
    QStringEncoder enc(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    QByteArray out = enc(text);
    return out;
}

int readErrorOf(const QByteArray& bytes) {
    try {
        IniFile::fromBytes(bytes);
    } catch (const zemo::ZemoError& e) {
        return e.number();
    }
    return 0;
}
} // namespace

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void lookupIgnoresCaseAndBlanks();
    void rewriteKeepsEverythingItDoesNotChange();
    void newKeyGoesToItsSectionAndNewSectionToTheEnd();
    void lineEnds_data();
    void lineEnds();
    void longValuesReadBackWhole();
    void shiftJisFileStaysShiftJis();
    void shiftJisRefusesCharactersItCannotHold();
    void unicodeFilesKeepTheirBom_data();
    void unicodeFilesKeepTheirBom();
    void newFileIsUtf8WithCrLf();
    void listingTakesOnlyOuterBrackets();
    void brokenHeaderOwnsItsKeys();
    void removeSectionTakesAllItsLines();
    void refusesWhatIsNotAProfileFile();
    void refusesLineBreaksInNamesAndValues();
    void writtenSectionIsListedAgain_data();
    void writtenSectionIsListedAgain();
    void fileCutMidCharacterIsNotUtf8();
    void rewriteThatWouldReadBackOtherwiseIsRefused();
    void fileEndingInALoneCrTakesANewSection();
};

void TestIniFile::lookupIgnoresCaseAndBlanks() {
    const IniFile ini = IniFile::fromBytes("[ Prod ]\r\n  log  =  scott  \r\nPAS=\r\n[other]\r\nLOG=x\r\n");
    QCOMPARE(ini.value("prod", "LOG"), QString("scott"));
    QCOMPARE(ini.value("PROD", "Log"), QString("scott"));
    QCOMPARE(ini.value(" prod ", "log"), QString("scott"));
    QCOMPARE(ini.value("prod", "PAS", "dflt"), QString());
    QCOMPARE(ini.value("prod", "SRV", "dflt"), QString("dflt"));
    QCOMPARE(ini.value("missing", "LOG"), QString());
    QVERIFY(ini.hasSection("OTHER"));

    // An exact spelling wins over one that only differs in case.
    const IniFile twins = IniFile::fromBytes("[abc]\nK=lower\n[ABC]\nK=upper\n");
    QCOMPARE(twins.value("ABC", "K"), QString("upper"));
    QCOMPARE(twins.value("abc", "K"), QString("lower"));
    QCOMPARE(twins.value("Abc", "K"), QString("lower"));
}

void TestIniFile::rewriteKeepsEverythingItDoesNotChange() {
    const QByteArray before = "; profiles of the team\r\n"
                              "\r\n"
                              "[prod]\r\n"
                              "NAME=prod\r\n"
                              "  ; note about prod  \r\n"
                              "LOG = scott\r\n"
                              "COLOR=red\r\n"
                              "PAS=tiger\r\n"
                              "\r\n"
                              "[other]\r\n"
                              "X=1\r\n";
    IniFile ini = IniFile::fromBytes(before);
    ini.setValue("PROD", "pas", "lion");
    QByteArray expected = before;
    expected.replace("PAS=tiger", "PAS=lion");
    QCOMPARE(ini.toBytes(), expected);

    // Writing the value it already has changes no byte that matters to a reader.
    IniFile same = IniFile::fromBytes(before);
    same.setValue("other", "X", "1");
    QCOMPARE(same.toBytes(), before);
}

void TestIniFile::newKeyGoesToItsSectionAndNewSectionToTheEnd() {
    IniFile ini = IniFile::fromBytes("[a]\r\nK=1\r\n\r\n[b]\r\nK=2\r\n");
    ini.setValue("a", "NEW", "v");
    ini.setValue("c", "NAME", "c");
    ini.setValue("c", "LOG", "u");
    QCOMPARE(ini.toBytes(),
             QByteArray("[a]\r\nK=1\r\nNEW=v\r\n\r\n[b]\r\nK=2\r\n[c]\r\nNAME=c\r\nLOG=u\r\n"));
    QCOMPARE(ini.value("a", "new"), QString("v"));
    QCOMPARE(ini.value("c", "LOG"), QString("u"));
}

void TestIniFile::lineEnds_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("afterAppend");
    QTest::newRow("CR LF") << QByteArray("[a]\r\nK=v\r\n") << QByteArray("[a]\r\nK=v\r\n[b]\r\nK=w\r\n");
    QTest::newRow("LF") << QByteArray("[a]\nK=v\n") << QByteArray("[a]\nK=v\n[b]\nK=w\n");
    QTest::newRow("no final CR LF") << QByteArray("[a]\r\nK=v") << QByteArray("[a]\r\nK=v\r\n[b]\r\nK=w\r\n");
    QTest::newRow("no final LF") << QByteArray("[a]\nK=v") << QByteArray("[a]\nK=v\n[b]\nK=w\n");
    QTest::newRow("single line") << QByteArray("[a]") << QByteArray("[a]\r\n[b]\r\nK=w\r\n");
}

void TestIniFile::lineEnds() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, afterAppend);
    IniFile ini = IniFile::fromBytes(file);
    QCOMPARE(ini.listedSections(), QStringList{"a"});
    if (file.contains('K'))
        QCOMPARE(ini.value("a", "K"), QString("v"));
    ini.setValue("b", "K", "w");
    QCOMPARE(ini.toBytes(), afterAppend);
}

void TestIniFile::longValuesReadBackWhole() {
    const QString ascii = QString("p").repeated(5000);
    const QString japanese = QString("パスワード").repeated(100); // 1500 bytes in UTF-8, 1000 in CP932
    IniFile ini;
    ini.setValue("s", "PAS", ascii);
    ini.setValue("s", "JP", japanese);
    const IniFile back = IniFile::fromBytes(ini.toBytes());
    QCOMPARE(back.value("s", "PAS"), ascii);
    QCOMPARE(back.value("s", "JP"), japanese);

    const IniFile cp932 = IniFile::fromBytes(sjis("[s]\r\nJP=" + japanese + "\r\n"));
    QCOMPARE(cp932.encoding(), TextEncoding::ShiftJis);
    QCOMPARE(cp932.value("s", "JP"), japanese);
}

void TestIniFile::shiftJisFileStaysShiftJis() {
    // "ソ" and "表" end in the byte of "\" in CP932, the classic trap of byte-wise parsing.
    const QString text =
        "; 開発用の接続\r\n[デモ]\r\nNAME=デモ\r\nLOG=ソ表\r\nMEMO=①～髙\r\n[本番]\r\nSRV=ORCL\r\n";
    const QByteArray before = sjis(text);
    IniFile ini = IniFile::fromBytes(before);
    QCOMPARE(ini.encoding(), TextEncoding::ShiftJis);
    QCOMPARE(ini.lineEnd(), QString("\r\n"));
    QCOMPARE(ini.listedSections(), (QStringList{"デモ", "本番"}));
    QCOMPARE(ini.value("デモ", "LOG"), QString("ソ表"));
    QCOMPARE(ini.value("デモ", "MEMO"), QString("①～髙"));

    ini.setValue("デモ", "PAS", "秘密");
    ini.setValue("新規", "NAME", "新規");
    const QByteArray after = ini.toBytes();
    QCOMPARE(after,
             sjis("; 開発用の接続\r\n[デモ]\r\nNAME=デモ\r\nLOG=ソ表\r\nMEMO=①～髙\r\nPAS=秘密\r\n[本番]\r\n"
                  "SRV=ORCL\r\n[新規]\r\nNAME=新規\r\n"));

    // Bytes that are not valid CP932 in a line the program does not touch survive as they are.
    const QByteArray odd = sjis("[a]\r\n") + QByteArray("BAD=\x81\x20\xA0\r\n") + sjis("K=値\r\n");
    IniFile withOdd = IniFile::fromBytes(odd);
    QCOMPARE(withOdd.encoding(), TextEncoding::ShiftJis);
    withOdd.setValue("a", "K", "新");
    QCOMPARE(withOdd.toBytes(), sjis("[a]\r\n") + QByteArray("BAD=\x81\x20\xA0\r\n") + sjis("K=新\r\n"));
}

void TestIniFile::shiftJisRefusesCharactersItCannotHold() {
    IniFile ini = IniFile::fromBytes(sjis("[デモ]\r\nLOG=a\r\n"));
    ini.setValue("デモ", "PAS", QString::fromUtf8("pass😀"));
    try {
        ini.toBytes();
        QFAIL("an emoji was written into a CP932 file");
    } catch (const zemo::ZemoError& e) {
        QCOMPARE(e.number(), zemo::err::ProfileWrite);
    }
}

void TestIniFile::unicodeFilesKeepTheirBom_data() {
    QTest::addColumn<QByteArray>("bom");
    QTest::addColumn<int>("kind");
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF") << int(TextEncoding::Utf8Bom);
    QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE") << int(TextEncoding::Utf16LE);
    QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF") << int(TextEncoding::Utf16BE);
}

void TestIniFile::unicodeFilesKeepTheirBom() {
    QFETCH(QByteArray, bom);
    QFETCH(int, kind);
    const auto encode = [&](const QString& s) {
        if (kind == int(TextEncoding::Utf8Bom))
            return s.toUtf8();
        return utf16(s, kind == int(TextEncoding::Utf16LE));
    };
    const QString text = "[デモ]\nNAME=デモ\n; 😀 stays\nLOG=demo";
    IniFile ini = IniFile::fromBytes(bom + encode(text));
    QCOMPARE(int(ini.encoding()), kind);
    QCOMPARE(ini.lineEnd(), QString("\n"));
    QCOMPARE(ini.listedSections(), QStringList{"デモ"});
    QCOMPARE(ini.value("デモ", "log"), QString("demo"));
    ini.setValue("デモ", "PAS", "パス😀");
    QCOMPARE(ini.toBytes(), bom + encode("[デモ]\nNAME=デモ\n; 😀 stays\nLOG=demo\nPAS=パス😀\n"));
}

void TestIniFile::newFileIsUtf8WithCrLf() {
    IniFile ini;
    ini.setValue("デモ", "NAME", "デモ");
    QCOMPARE(ini.encoding(), TextEncoding::Utf8);
    QCOMPARE(ini.toBytes(), QString("[デモ]\r\nNAME=デモ\r\n").toUtf8());

    // Plain ASCII reads as UTF-8, so Japanese added to it is written as UTF-8.
    IniFile ascii = IniFile::fromBytes("[a]\r\n");
    QCOMPARE(ascii.encoding(), TextEncoding::Utf8);
    ascii.setValue("a", "NAME", "名前");
    QCOMPARE(ascii.toBytes(), QString("[a]\r\nNAME=名前\r\n").toUtf8());
}

void TestIniFile::listingTakesOnlyOuterBrackets() {
    const IniFile ini = IniFile::fromBytes(" [blank before]\r\n"
                                           "[comment after] ; x\r\n"
                                           "[]\r\n"
                                           "[\r\n"
                                           "]\r\n"
                                           "[a[b]c]\r\n"
                                           "NAME=inner\r\n"
                                           "[[x]]\r\n"
                                           "[dup]\r\n"
                                           "[dup]\r\n");
    QCOMPARE(ini.listedSections(), (QStringList{"", "a[b]c", "[x]", "dup", "dup"}));
    // Every listed name reads back.
    QCOMPARE(ini.value("a[b]c", "NAME"), QString("inner"));
    QVERIFY(ini.hasSection(""));
    QVERIFY(ini.hasSection("[x]"));
    QVERIFY(!ini.hasSection("abc"));
}

void TestIniFile::brokenHeaderOwnsItsKeys() {
    IniFile ini = IniFile::fromBytes("[good]\r\nK=1\r\n[broken\r\nK=2\r\nL=3\r\n");
    QCOMPARE(ini.listedSections(), QStringList{"good"});
    QCOMPARE(ini.value("good", "K"), QString("1"));
    QCOMPARE(ini.value("good", "L"), QString());
    QVERIFY(!ini.hasSection("broken"));
    QCOMPARE(ini.brokenHeaders(), QStringList{"[broken"});
    // A key added to the section above goes above the broken header, not below it.
    ini.setValue("good", "L", "new");
    QCOMPARE(ini.toBytes(), QByteArray("[good]\r\nK=1\r\nL=new\r\n[broken\r\nK=2\r\nL=3\r\n"));
}

void TestIniFile::removeSectionTakesAllItsLines() {
    IniFile ini = IniFile::fromBytes("; head\r\n[a]\r\nK=1\r\n\r\n[gone]\r\nNAME=gone\r\n; its note\r\n"
                                     "FOREIGN=x\r\n\r\n[b]\r\nK=2\r\n[gone2]\r\nK=3");
    QVERIFY(ini.removeSection("GONE"));
    QCOMPARE(ini.toBytes(), QByteArray("; head\r\n[a]\r\nK=1\r\n\r\n\r\n[b]\r\nK=2\r\n[gone2]\r\nK=3"));
    QVERIFY(ini.removeSection("gone2"));
    QCOMPARE(ini.toBytes(), QByteArray("; head\r\n[a]\r\nK=1\r\n\r\n\r\n[b]\r\nK=2\r\n"));
    QVERIFY(!ini.removeSection("gone"));
    QCOMPARE(ini.value("gone", "FOREIGN"), QString());
}

void TestIniFile::refusesWhatIsNotAProfileFile() {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) & 0xFF));
    QCOMPARE(readErrorOf(garbage), zemo::err::ProfileRead);
    QCOMPARE(readErrorOf(QByteArray("[a]\r\nK=\0v\r\n", 11)), zemo::err::ProfileRead);
    QCOMPARE(readErrorOf(QByteArray("\xFF\xFE[\0a\0]", 7)), zemo::err::ProfileRead); // torn UTF-16
    QCOMPARE(readErrorOf(QByteArray(zemo::kMaxIniFileBytes + 1, 'a')), zemo::err::ProfileRead);
    QCOMPARE(readErrorOf(QByteArray(1000, '\n')), 0);
    QCOMPARE(readErrorOf(QByteArray()), 0);
    try {
        IniFile::fromBytes(garbage, "/x/KESTO.ini");
        QFAIL("garbage was read");
    } catch (const zemo::ZemoError& e) {
        QVERIFY2(e.description().contains("/x/KESTO.ini"), qPrintable(e.description()));
    }
}

void TestIniFile::refusesLineBreaksInNamesAndValues() {
    const QByteArray before = "[a]\r\nK=1\r\n";
    for (const QString& bad : QStringList{"x\ny", "x\ry", QString("x") + QChar(1)}) {
        IniFile ini = IniFile::fromBytes(before);
        QVERIFY_THROWS_EXCEPTION(zemo::ZemoError, ini.setValue("a", "K", bad));
        QVERIFY_THROWS_EXCEPTION(zemo::ZemoError, ini.setValue(bad, "K", "v"));
        QCOMPARE(ini.toBytes(), before);
    }
    IniFile tab = IniFile::fromBytes(before);
    tab.setValue("a", "K", "x\ty");
    QCOMPARE(tab.value("a", "K"), QString("x\ty"));
}

void TestIniFile::writtenSectionIsListedAgain_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("rewritten");
    QTest::newRow("blank after the bracket") << QByteArray("[x] ") << QByteArray("[x]");
    QTest::newRow("blank before the bracket") << QByteArray(" [x]") << QByteArray("[x]");
    QTest::newRow("comment behind") << QByteArray("[x]\t; note") << QByteArray("[x]");
    QTest::newRow("other case keeps its own") << QByteArray("[X] ") << QByteArray("[X]");
    QTest::newRow("blanks inside") << QByteArray("\t[ x ] ") << QByteArray("[x]");
}

// Only the header line of the section written changes, to the form the list shows.
void TestIniFile::writtenSectionIsListedAgain() {
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, rewritten);
    const QByteArray own = "\r\nNAME=x\r\n", other = "[y] \r\nLOG=b\r\n";
    IniFile ini = IniFile::fromBytes(header + own + other);
    QVERIFY(ini.listedSections().isEmpty());
    ini.setValue(QStringLiteral("x"), QStringLiteral("LOG"), QStringLiteral("u"));
    const QByteArray written = ini.toBytes();
    QCOMPARE(written, rewritten + own + "LOG=u\r\n" + other);
    const IniFile again = IniFile::fromBytes(written);
    QCOMPARE(again.listedSections().size(), 1);
    QCOMPARE(again.value(again.listedSections().first(), QStringLiteral("LOG")), QStringLiteral("u"));
    QCOMPARE(again.value(QStringLiteral("y"), QStringLiteral("LOG")), QStringLiteral("b"));
}

// The bytes "a EF BF" end in the first two bytes of a three-byte character: read as UTF-8, a
// Japanese name appended after them would make the file Shift-JIS on the next reading.
void TestIniFile::fileCutMidCharacterIsNotUtf8() {
    IniFile ini = IniFile::fromBytes("a\xEF\xBF");
    QCOMPARE(ini.encoding(), TextEncoding::ShiftJis);
    ini.setValue(QStringLiteral("本番"), QStringLiteral("NAME"), QStringLiteral("本番"));
    const IniFile again = IniFile::fromBytes(ini.toBytes());
    QCOMPARE(again.encoding(), TextEncoding::ShiftJis);
    QVERIFY(again.listedSections().contains(QStringLiteral("本番")));
    QCOMPARE(again.value(QStringLiteral("本番"), QStringLiteral("NAME")), QStringLiteral("本番"));
    // Whole characters, and one cut in the middle of a line rather than at the end.
    QCOMPARE(IniFile::fromBytes("[\xE6\x9C\xAC]\r\n").encoding(), TextEncoding::Utf8);
    QCOMPARE(IniFile::fromBytes("[\xE6\x9C]\r\n").encoding(), TextEncoding::ShiftJis);
}

// A Shift-JIS file whose only bytes that are not UTF-8 sit in a value being replaced: the rewrite
// would read as UTF-8, and "ﾃｩ" (C3 A9) in the other section as "é". Refused, nothing changes.
void TestIniFile::rewriteThatWouldReadBackOtherwiseIsRefused() {
    const QByteArray bytes = "[a]\r\nNAME=\xC3\xA9\r\n[b]\r\nNAME=\x82\xA0\r\n";
    IniFile ini = IniFile::fromBytes(bytes);
    QCOMPARE(ini.encoding(), TextEncoding::ShiftJis);
    QCOMPARE(ini.value(QStringLiteral("a"), QStringLiteral("NAME")), QStringLiteral("ﾃｩ"));
    ini.setValue(QStringLiteral("b"), QStringLiteral("NAME"), QStringLiteral("b"));
    try {
        ini.toBytes();
        QFAIL("a file that reads back otherwise was written");
    } catch (const zemo::ZemoError& e) {
        QCOMPARE(e.number(), zemo::err::ProfileWrite);
    }
    QCOMPARE(IniFile::fromBytes(bytes).toBytes(), bytes);
}

// A lone CR at the very end ends the last line (its value has no CR); what is appended after it
// turns it into a CR LF, and the rewrite reads back as written rather than being refused.
void TestIniFile::fileEndingInALoneCrTakesANewSection() {
    for (const bool wide : {false, true}) {
        const auto bytes = [wide](const QString& text) {
            return wide ? QByteArray("\xFF\xFE") + utf16(text, true) : text.toUtf8();
        };
        IniFile ini = IniFile::fromBytes(bytes(QStringLiteral("[a]\nNAME=a\nPAS=p\r")));
        QCOMPARE(ini.value(QStringLiteral("a"), QStringLiteral("PAS")), QStringLiteral("p"));
        QCOMPARE(ini.toBytes(), bytes(QStringLiteral("[a]\nNAME=a\nPAS=p\r")));
        ini.setValue(QStringLiteral("b"), QStringLiteral("NAME"), QStringLiteral("b"));
        QCOMPARE(ini.toBytes(), bytes(QStringLiteral("[a]\nNAME=a\nPAS=p\r\n[b]\nNAME=b\n")));
        const IniFile again = IniFile::fromBytes(ini.toBytes());
        QCOMPARE(again.listedSections(), QStringList({"a", "b"}));
        QCOMPARE(again.value(QStringLiteral("a"), QStringLiteral("PAS")), QStringLiteral("p"));
    }
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_ini_file.moc"
