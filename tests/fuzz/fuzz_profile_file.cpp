// The profile file reader and writer on any bytes: a file it accepts is written back byte for
// byte; after a value is set in a section with an awkward name and the file rewritten, reading it
// again gives the value, every other listed section keeps its values, and the section is listed.
#include "FuzzCheck.h"
#include "base/ZemoError.h"
#include "profiles/IniFile.h"

#include <QStringList>
#include <algorithm>

using namespace zemo;

namespace {

const QStringList kKeys = {QStringLiteral("NAME"), QStringLiteral("LOG"), QStringLiteral("PAS"),
                           QStringLiteral("SRV")};

const QStringList kNames = {QStringLiteral("x"),      QStringLiteral("X"),     QStringLiteral(" x "),
                            QStringLiteral("[x]"),    QStringLiteral("a[b]c"), QStringLiteral("x]"),
                            QStringLiteral("["),      QStringLiteral(""),      QStringLiteral("本番 DB"),
                            QStringLiteral("ﾃｽﾄ"),    QStringLiteral("x=y"),   QStringLiteral(";x"),
                            QStringLiteral("\u00e9"), QStringLiteral("😀"),     QStringLiteral("\t[x] ")};

const QStringList kValues = {
    QStringLiteral("v"), QStringLiteral("値"),  QStringLiteral(" padded "), QStringLiteral("a=b"),
    QStringLiteral(""),  QStringLiteral("[x]"), QStringLiteral("ﾊﾟｽ"),      QString(130, QLatin1Char('p'))};

// A section name: one of the awkward ones, or a name already in the file with its case or blanks
// changed, so that writes into existing sections are tried too.
QString sectionName(uint8_t pick, const QStringList& listed) {
    if (listed.isEmpty() || pick < 128)
        return kNames[pick % kNames.size()];
    QString name = listed[(pick >> 2) % listed.size()];
    switch (pick & 3) {
    case 0:
        return name.toUpper();
    case 1:
        return name.toLower();
    case 2:
        return QLatin1Char(' ') + name + QLatin1Char('\t');
    default:
        return name;
    }
}

bool sameName(const QString& a, const QString& b) {
    return trimBlanks(a).compare(trimBlanks(b), Qt::CaseInsensitive) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t valuePick = in.byte();
    const uint8_t keyPick = in.byte();
    const uint8_t namePick = in.byte();
    const QByteArray bytes = in.rest();

    IniFile ini;
    try {
        ini = IniFile::fromBytes(bytes);
    } catch (const ZemoError& e) {
        FUZZ_CHECK(e.number() == err::ProfileRead);
        return 0;
    }
    FUZZ_CHECK(ini.toBytes() == bytes);

    const QStringList listed = ini.listedSections();
    const QString section = sectionName(namePick, listed);
    const QString key = kKeys[keyPick % kKeys.size()];
    const QString value = kValues[valuePick % kValues.size()];

    IniFile changed = ini;
    try {
        changed.setValue(section, key, value);
    } catch (const ZemoError& e) {
        // Names taken from the file may hold a lone CR, which would break the line.
        FUZZ_CHECK(e.number() == err::ProfileWrite);
        FUZZ_CHECK(std::any_of(section.begin(), section.end(), [](QChar c) { return c.unicode() < 0x20; }));
        return 0;
    }
    QByteArray written;
    try {
        written = changed.toBytes();
    } catch (const ZemoError& e) {
        // Only a Shift-JIS file may refuse: a character it cannot hold, or a rewrite that would
        // read back as another encoding.
        FUZZ_CHECK(e.number() == err::ProfileWrite);
        FUZZ_CHECK(ini.encoding() == TextEncoding::ShiftJis);
        return 0;
    }

    const IniFile again = IniFile::fromBytes(written);
    FUZZ_CHECK(again.toBytes() == written);
    FUZZ_CHECK(again.value(section, key) == trimBlanks(value));
    bool listedAgain = false;
    for (const QString& name : again.listedSections())
        listedAgain = listedAgain || (sameName(name, section) && again.value(name, key) == trimBlanks(value));
    FUZZ_CHECK(listedAgain);
    for (const QString& other : listed) {
        if (sameName(other, section))
            continue;
        for (const QString& k : kKeys)
            FUZZ_CHECK(again.value(other, k) == ini.value(other, k));
    }
    return 0;
}
