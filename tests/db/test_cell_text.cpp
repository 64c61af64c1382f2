// Cell text as the server adapters make it, and how the ODBC path sizes a bound cell from what the
// driver declares; no server needed.
#include "db/CellText.h"
#include "db/OdbcResultSet.h"

#include <QtTest>

using namespace zemo;

namespace {

std::string utf8Of(const std::u16string& s) {
    std::string out;
    appendUtf8(out, s.data(), s.size());
    return out;
}

} // namespace

class TestCellText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void utf16BecomesValidUtf8() {
        // ASCII, two- and three-byte characters and a character beyond the BMP as a surrogate pair,
        // the same bytes Qt makes of the same text.
        const std::u16string text = u"a\u00e9\u65e5\u672c\U00020B9Fz";
        QCOMPARE(QByteArray::fromStdString(utf8Of(text)), QString::fromStdU16String(text).toUtf8());
        // A surrogate without its partner, at the end, alone or reversed, becomes U+FFFD and the text
        // stays valid UTF-8.
        QCOMPARE(utf8Of(std::u16string{u'x', char16_t(0xD840)}), std::string("x\xEF\xBF\xBD"));
        QCOMPARE(utf8Of(std::u16string{char16_t(0xDC00), u'y'}), std::string("\xEF\xBF\xBDy"));
        QCOMPARE(utf8Of(std::u16string{char16_t(0xDC00), char16_t(0xD800)}),
                 std::string("\xEF\xBF\xBD\xEF\xBF\xBD"));
        // The last BMP characters before and after the surrogates keep their three bytes.
        QCOMPARE(utf8Of(u"\uD7FF\uE000\uFFFF"), std::string("\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"));
        std::string appended = "keep:";
        appendUtf8(appended, u"\u00df", 1);
        QCOMPARE(appended, std::string("keep:\xC3\x9F"));
    }

    void datesTimesAndBytes() {
        std::string s;
        appendTimestamp(s, 2024, 2, 29, 23, 59, 59, 123456000);
        QCOMPARE(s, std::string("2024-02-29 23:59:59.123456"));
        s.clear();
        appendTimestamp(s, 1, 1, 1, 0, 0, 0, 0);
        QCOMPARE(s, std::string("0001-01-01 00:00:00"));
        s.clear();
        appendTime(s, 13, 14, 15, 1000); // one microsecond
        QCOMPARE(s, std::string("13:14:15.000001"));
        s.clear();
        appendTime(s, 0, 0, 0, 500000000);
        QCOMPARE(s, std::string("00:00:00.5"));
        s.clear();
        appendTime(s, 1, 2, 3, 1000000000u); // no valid fraction: none shown
        QCOMPARE(s, std::string("01:02:03"));
        s.clear();
        appendDate(s, -44, 3, 15);
        QCOMPARE(s, std::string("-0044-03-15"));
        s.clear();
        const unsigned char bytes[] = {0x00, 0x0a, 0xff, 0x5a};
        appendHex(s, bytes, sizeof bytes);
        QCOMPARE(s, std::string("000AFF5A"));
        QVERIFY(isAscii("plain, 0-9", 10));
        QVERIFY(!isAscii("caf\xC3\xA9", 5));
    }

    // A cell gets the room its declared size needs; types without a useful size get the long-cell
    // room and are read in pieces when a value does not fit.
    void boundCellsAreSizedFromTheDeclaredColumn() {
        OdbcFetchTuning tuning;
        tuning.longCellChars = 100;
        const OdbcColumn varchar40 = planOdbcColumn(SQL_VARCHAR, 40, tuning);
        QCOMPARE(varchar40.form, OdbcColumn::Form::Text);
        QCOMPARE(varchar40.cType, SQL_C_WCHAR);
        QCOMPARE(varchar40.cellBytes, size_t(82)); // 40 UTF-16 units and the terminator
        QVERIFY(!varchar40.mayOverflow);
        const OdbcColumn text = planOdbcColumn(SQL_LONGVARCHAR, 8190, tuning);
        QCOMPARE(text.cellBytes, size_t(202));
        QVERIFY(text.mayOverflow);
        QVERIFY(planOdbcColumn(SQL_WVARCHAR, 0, tuning).mayOverflow);
        QVERIFY(planOdbcColumn(SQL_WVARCHAR, 100000, tuning).mayOverflow);

        const OdbcColumn num38 = planOdbcColumn(SQL_NUMERIC, 38, tuning);
        QCOMPARE(num38.kind, ValueKind::Decimal);
        QCOMPARE(num38.cType, SQL_C_CHAR);
        QVERIFY(num38.cellBytes >= 38 + 3); // sign, point, terminator
        QVERIFY(!num38.mayOverflow);
        QVERIFY(planOdbcColumn(SQL_NUMERIC, 0, tuning).mayOverflow);
        QCOMPARE(planOdbcColumn(SQL_BIGINT, 19, tuning).kind, ValueKind::Integer);
        QVERIFY(planOdbcColumn(SQL_BIGINT, 19, tuning).cellBytes >= 21); // "-9223372036854775808"

        const OdbcColumn stamp = planOdbcColumn(SQL_TYPE_TIMESTAMP, 26, tuning);
        QCOMPARE(stamp.form, OdbcColumn::Form::Timestamp);
        QCOMPARE(stamp.cellBytes, sizeof(SQL_TIMESTAMP_STRUCT));
        QCOMPARE(stamp.kind, ValueKind::DateTime);
        // A time of day as text: the driver's struct has no fraction of a second.
        QCOMPARE(planOdbcColumn(SQL_TYPE_TIME, 8, tuning).cType, SQL_C_CHAR);
        QCOMPARE(planOdbcColumn(SQL_TYPE_TIME, 8, tuning).kind, ValueKind::DateTime);

        const OdbcColumn raw16 = planOdbcColumn(SQL_VARBINARY, 16, tuning);
        QCOMPARE(raw16.kind, ValueKind::Blob);
        QCOMPARE(raw16.cellBytes, size_t(16));
        QVERIFY(!raw16.mayOverflow);
        QVERIFY(planOdbcColumn(SQL_LONGVARBINARY, 0, tuning).mayOverflow);
    }
};

QTEST_GUILESS_MAIN(TestCellText)
#include "test_cell_text.moc"
