#include "BenchTable.h"

#include "base/ZemoError.h"

#include <QFile>
#include <array>
#include <cstdint>
#include <cstdio>
#include <sqlite3.h>
#include <string>

namespace {

// splitmix64: small, fast and the same everywhere.
struct Random {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
};

const std::array<const char*, 16> kSurnames = {"佐藤",   "鈴木", "高橋", "田中", "伊藤", "渡辺",
                                               "山本",   "中村", "小林", "加藤", "吉田", "山田",
                                               "佐々木", "山口", "松本", "井上"};
const std::array<const char*, 12> kGiven = {"太郎", "花子", "一郎", "美咲",   "健太", "陽子",
                                            "大輔", "由美", "翔",   "さくら", "直樹", "恵"};
const std::array<const char*, 8> kNotes = {"rush",       "gift, wrap", "call \"AM\"", "n/a",
                                           "back order", "ok",         "fragile",     "see memo"};

// Days since 1970-01-01 to year, month, day (proleptic Gregorian).
void civilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

void check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw zemo::ZemoError(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace

void generateBenchTable(const QString& path, int rows) {
    QFile::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw zemo::ZemoError(zemo::err::FileWrite, msg + QStringLiteral("：") + path);
    }
    sqlite3_stmt* insert = nullptr;
    try {
        check(db, sqlite3_exec(db,
                               "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                               "CREATE TABLE BENCH (ID NUMBER(10) PRIMARY KEY, CODE VARCHAR2(8), "
                               "NAME VARCHAR2(40), QTY NUMBER(6), PRICE NUMBER(10,2), ORDER_DATE DATE, "
                               "AMOUNT NUMBER(14,2), NOTE VARCHAR2(40));"
                               "BEGIN;",
                               nullptr, nullptr, nullptr));
        check(db, sqlite3_prepare_v2(db, "INSERT INTO BENCH VALUES (?,?,?,?,?,?,?,?)", -1, &insert, nullptr));
        Random rnd{20240601};
        std::string code, name, date, note;
        for (int i = 1; i <= rows; ++i) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "K%06d", rnd.below(1000000));
            code = buf;
            name = std::string(kSurnames[size_t(rnd.below(int(kSurnames.size())))]) + " " +
                   kGiven[size_t(rnd.below(int(kGiven.size())))];
            const int qty = 1 + rnd.below(rnd.below(10) == 0 ? 999 : 20);
            const int64_t priceCents = 50 + rnd.below(2000000);
            int y = 0;
            unsigned m = 0, d = 0;
            civilFromDays(16436 + rnd.below(3650), y, m, d); // from 2015-01-01
            std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, m, d);
            date = buf;

            sqlite3_bind_int64(insert, 1, i);
            sqlite3_bind_text(insert, 2, code.c_str(), int(code.size()), SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, name.c_str(), int(name.size()), SQLITE_STATIC);
            const bool noQty = rnd.below(20) == 0;
            if (noQty)
                sqlite3_bind_null(insert, 4);
            else
                sqlite3_bind_int(insert, 4, qty);
            sqlite3_bind_double(insert, 5, double(priceCents) / 100.0);
            sqlite3_bind_text(insert, 6, date.c_str(), int(date.size()), SQLITE_STATIC);
            if (noQty)
                sqlite3_bind_null(insert, 7);
            else
                sqlite3_bind_double(insert, 7, double(priceCents * qty) / 100.0);
            if (rnd.below(10) < 7) {
                sqlite3_bind_null(insert, 8);
            } else {
                note = kNotes[size_t(rnd.below(int(kNotes.size())))];
                sqlite3_bind_text(insert, 8, note.c_str(), int(note.size()), SQLITE_STATIC);
            }
            check(db, sqlite3_step(insert));
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        insert = nullptr;
        check(db, sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr));
    } catch (...) {
        sqlite3_finalize(insert);
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}
