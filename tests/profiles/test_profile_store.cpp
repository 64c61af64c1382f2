// The profile file on disk: where it lives, the five operations, atomic writes and copy names.
#include "base/ZemoError.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileStore.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace zemo;

namespace {
void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

template <typename F> int errorOf(F&& f) {
    try {
        f();
    } catch (const ZemoError& e) {
        return e.number();
    }
    return 0;
}

// Makes a folder refuse new files, for root too (whose writes ignore the permission bits).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : m_folder(folder) {
        if (geteuid() != 0) {
            m_ok = QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            m_chmod = m_ok;
        } else {
            m_ok = QProcess::execute("chattr", {"+i", folder}) == 0;
        }
    }
    ~ReadOnlyFolder() {
        if (m_chmod)
            QFile::setPermissions(m_folder,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        else if (m_ok)
            QProcess::execute("chattr", {"-i", m_folder});
    }
    bool ok() const { return m_ok; }

private:
    QString m_folder;
    bool m_ok = false;
    bool m_chmod = false;
};
} // namespace

class TestProfileStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void location();
    void writeThenReadAndList();
    void passwordPlaceAsRead_data();
    void passwordPlaceAsRead();
    void bracketNamesCanBeReadChangedAndDeleted();
    void newFileIsPrivate();
    void failedWriteChangesNothing();
    void unencodableWriteChangesNothing();
    void unreadableFilesGiveAClearError();
    void copyNeverOverwrites();
    void copyTrimsAndUsesTheStoredName();
    void installedProfilesStartTheUsersFile();
    void savedProfileIsListed();
    void busyLockFailsTheSave();

private:
    QTemporaryDir* m_dir = nullptr;
    QString m_path;
};

void TestProfileStore::init() {
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    setProfileFolderOverride(m_dir->path());
    m_path = profileFilePath();
}

void TestProfileStore::cleanup() {
    setProfileFolderOverride(QString());
    delete m_dir;
    m_dir = nullptr;
}

void TestProfileStore::location() {
    QCOMPARE(profilePathIn("/"), QString("/KESTO.ini"));
    QCOMPARE(profilePathIn("/opt/zemo"), QString("/opt/zemo/KESTO.ini"));
    QCOMPARE(profilePathIn("/opt/zemo/"), QString("/opt/zemo/KESTO.ini"));
    QCOMPARE(profilePathIn("C:/"), QString("C:/KESTO.ini"));
    QCOMPARE(m_path, m_dir->path() + "/KESTO.ini");

    setProfileFolderOverride(QString());
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(programFolder).isWritable())
        QCOMPARE(profileFilePath(), programFolder + "/KESTO.ini");
    else
        QCOMPARE(profileFilePath(),
                 QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/KESTO.ini");

    // A folder the program cannot write to sends the file to the configuration folder.
    QCOMPARE(chooseProfileFolder(m_dir->path(), "/cfg"), m_dir->path());
    QCOMPARE(chooseProfileFolder(m_dir->path() + "/missing", "/cfg"), QString("/cfg"));
    QCOMPARE(chooseProfileFolder(QString(), "/cfg"), QString("/cfg"));
    QTemporaryDir locked;
    ReadOnlyFolder guard(locked.path());
    if (guard.ok())
        QCOMPARE(chooseProfileFolder(locked.path(), "/cfg"), QString("/cfg"));
}

void TestProfileStore::writeThenReadAndList() {
    QCOMPARE(ListProfileNames(m_path), QStringList());
    QCOMPARE(ReadProfile("x", m_path), Profile{});

    WriteProfile("ORCL", "scott", "", "本番", m_path);
    WriteProfile(" srv ", " u ", " p ", " spaced ", m_path);
    QCOMPARE(zemo::test::readFile(m_path),
             QString("[本番]\r\nNAME=本番\r\nLOG=scott\r\nPAS=\r\nSRV=ORCL\r\n"
                     "[ spaced ]\r\nNAME= spaced \r\nLOG= u \r\nPAS= p \r\nSRV= srv \r\n")
                 .toUtf8());
    QCOMPARE(ListProfileNames(m_path), (QStringList{"本番", " spaced "}));
    QCOMPARE(ReadProfile("本番", m_path), (Profile{"ORCL", "scott", "", "本番"}));
    // Blanks around values go on reading, as the private-profile functions do.
    QCOMPARE(ReadProfile(" spaced ", m_path), (Profile{"srv", "u", "p", "spaced"}));

    // Writing an existing profile replaces its values in place; long values read back whole.
    const QString longPassword = QString("0123456789").repeated(30) + QString("秘密").repeated(100);
    WriteProfile("ORCL2", "scott", longPassword, "本番", m_path);
    QCOMPARE(ReadProfile("本番", m_path), (Profile{"ORCL2", "scott", longPassword, "本番"}));
    QCOMPARE(ListProfileNames(m_path), (QStringList{"本番", " spaced "}));
}

// A password in PAS counts whatever PAS_STORE says (an older copy may have written it), and a place
// this program does not know reads as the file.
void TestProfileStore::passwordPlaceAsRead_data() {
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<PasswordPlace>("place");
    QTest::newRow("older copy, empty password") << QByteArray("PAS=\r\n") << PasswordPlace::File;
    QTest::newRow("older copy wrote a password over it")
        << QByteArray("PAS=pw\r\nPAS_STORE=keyring\r\n") << PasswordPlace::File;
    QTest::newRow("written by hand") << QByteArray("PAS_STORE = Keyring \r\n") << PasswordPlace::Keyring;
    QTest::newRow("ask") << QByteArray("pas_store=ask\r\n") << PasswordPlace::Ask;
    QTest::newRow("unknown place") << QByteArray("PAS_STORE=vault\r\n") << PasswordPlace::File;
}

void TestProfileStore::passwordPlaceAsRead() {
    QFETCH(QByteArray, keys);
    QFETCH(PasswordPlace, place);
    writeAll(m_path, "[p]\r\nNAME=p\r\nLOG=u\r\nSRV=s\r\n" + keys);
    QCOMPARE(ReadProfile("p", m_path).place, place);
}

void TestProfileStore::bracketNamesCanBeReadChangedAndDeleted() {
    WriteProfile("S", "U", "P", "a[b]c", m_path);
    WriteProfile("S2", "U2", "P2", "]x[", m_path);
    const QStringList names = ListProfileNames(m_path);
    QCOMPARE(names, (QStringList{"a[b]c", "]x["}));
    QCOMPARE(ReadProfile(names[0], m_path), (Profile{"S", "U", "P", "a[b]c"}));
    QCOMPARE(ReadProfile(names[1], m_path), (Profile{"S2", "U2", "P2", "]x["}));
    WriteProfile("S3", "U", "P", names[0], m_path);
    QCOMPARE(ListProfileNames(m_path), names);
    DeleteProfile(names[0], m_path);
    QCOMPARE(ListProfileNames(m_path), QStringList{"]x["});
}

void TestProfileStore::newFileIsPrivate() {
    WriteProfile("S", "U", "P", "n", m_path);
    const auto perms = QFile::permissions(m_path);
    QVERIFY(perms.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(!(perms & (QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                       QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther |
                       QFileDevice::ExeOther)));
    // A rewrite keeps them.
    WriteProfile("S2", "U", "P", "n", m_path);
    QCOMPARE(QFile::permissions(m_path), perms);
}

void TestProfileStore::failedWriteChangesNothing() {
    const QByteArray before = "[old]\r\nNAME=old\r\nPAS=secret\r\n";
    writeAll(m_path, before);
    {
        ReadOnlyFolder guard(m_dir->path());
        if (!guard.ok())
            QSKIP("cannot make a read-only folder here");
        QCOMPARE(errorOf([&] { WriteProfile("S", "U", "P", "new", m_path); }), err::ProfileWrite);
        QCOMPARE(errorOf([&] { DeleteProfile("old", m_path); }), err::ProfileWrite);
        QCOMPARE(errorOf([&] { CopyProfile({"S", "U", "P", "old"}, m_path); }), err::ProfileWrite);
    }
    QCOMPARE(zemo::test::readFile(m_path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"KESTO.ini"});

    // The disk fills up halfway through the write (a file size limit stands in for it): the old file
    // stays whole and no half-written file is left beside it.
    {
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
        const rlimit small{rlim_t(before.size() + 16), old.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const int error = errorOf([&] { WriteProfile("S", "U", QString(4096, 'p'), "new", m_path); });
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldSignal);
        QCOMPARE(error, err::ProfileWrite);
    }
    QCOMPARE(zemo::test::readFile(m_path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"KESTO.ini"});

    // A profile file that is a folder cannot be replaced either.
    QTemporaryDir other;
    QVERIFY(QDir(other.path()).mkdir("KESTO.ini"));
    const QString folderPath = profilePathIn(other.path());
    QCOMPARE(ListProfileNames(folderPath), QStringList());
    QCOMPARE(errorOf([&] { WriteProfile("S", "U", "P", "new", folderPath); }), err::ProfileWrite);
}

void TestProfileStore::unencodableWriteChangesNothing() {
    QStringEncoder enc("windows-31j");
    const QByteArray before = enc(QString("[デモ]\r\nNAME=デモ\r\n"));
    writeAll(m_path, before);
    QCOMPARE(errorOf([&] { WriteProfile("S", "U", QString::fromUtf8("🔑"), "デモ", m_path); }),
             err::ProfileWrite);
    QCOMPARE(zemo::test::readFile(m_path), before);
    WriteProfile("S", "U", "鍵", "デモ", m_path);
    QCOMPARE(zemo::test::readFile(m_path),
             QByteArray(enc(QString("[デモ]\r\nNAME=デモ\r\nLOG=U\r\nPAS=鍵\r\nSRV=S\r\n"))));
}

void TestProfileStore::unreadableFilesGiveAClearError() {
    // Ten megabytes, binary garbage: refused with the file's path named, and never rewritten.
    const QList<QByteArray> bad = {QByteArray(10 * 1024 * 1024, 'x'),
                                   QByteArray("[a]\r\nK=\x01\x02\x00\xFF", 11)};
    for (const QByteArray& bytes : bad) {
        writeAll(m_path, bytes);
        try {
            ListProfileNames(m_path);
            QFAIL("a bad file was listed");
        } catch (const ZemoError& e) {
            QCOMPARE(e.number(), err::ProfileRead);
            QVERIFY(e.description().contains(m_path));
        }
        QCOMPARE(errorOf([&] { ReadProfile("a", m_path); }), err::ProfileRead);
        QCOMPARE(errorOf([&] { WriteProfile("S", "U", "P", "a", m_path); }), err::ProfileRead);
        QCOMPARE(errorOf([&] { DeleteProfile("a", m_path); }), err::ProfileRead);
        QCOMPARE(zemo::test::readFile(m_path), bytes);
    }

    // A header without its closing bracket is no profile, and its keys belong to none.
    writeAll(m_path, "[ok]\r\nNAME=ok\r\n[broken\r\nLOG=x\r\n");
    QCOMPARE(ListProfileNames(m_path), QStringList{"ok"});
    QCOMPARE(ReadProfile("ok", m_path), (Profile{"", "", "", "ok"}));

    if (geteuid() == 0)
        QSKIP("root reads files whatever their permissions");
    writeAll(m_path, "[a]\r\n");
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::Permissions()));
    QCOMPARE(errorOf([&] { ListProfileNames(m_path); }), err::ProfileRead);
    QCOMPARE(errorOf([&] { WriteProfile("S", "U", "P", "a", m_path); }), err::ProfileRead);
}

void TestProfileStore::copyNeverOverwrites() {
    WriteProfile("S", "U", "P", "Demo", m_path);
    WriteProfile("other", "other", "other", "demo_4", m_path); // taken, in another case
    QRandomGenerator random(42);
    QSet<QString> made;
    for (int i = 0; i < 9; ++i) {
        const QString name = CopyProfile({"S", "U", "P", "Demo"}, m_path, random);
        QVERIFY2(name.startsWith("Demo_"), qPrintable(name));
        const int n = name.mid(5).toInt();
        QVERIFY(n >= 1 && n <= 10 && n != 4);
        QVERIFY2(!made.contains(name), qPrintable(name));
        made.insert(name);
    }
    QCOMPARE(ListProfileNames(m_path).size(), 11);
    QCOMPARE(ReadProfile("demo_4", m_path), (Profile{"other", "other", "other", "demo_4"}));

    const QByteArray full = zemo::test::readFile(m_path);
    QCOMPARE(errorOf([&] { CopyProfile({"S", "U", "P", "Demo"}, m_path, random); }), err::ProfileCopyFull);
    QCOMPARE(zemo::test::readFile(m_path), full);
}

void TestProfileStore::copyTrimsAndUsesTheStoredName() {
    // The only free number is drawn whatever the generator gives.
    for (int n = 1; n <= 10; ++n)
        if (n != 7)
            WriteProfile("S", "U", "P", "base_" + QString::number(n), m_path);
    QRandomGenerator random(1);
    QCOMPARE(CopyProfile({" srv ", " user ", " pw ", "  base "}, m_path, random), QString("base_7"));
    QCOMPARE(ReadProfile("base_7", m_path), (Profile{"srv", "user", "pw", "base_7"}));
    QVERIFY(zemo::test::readFile(m_path).contains(
        "[base_7]\r\nNAME=base_7\r\nLOG=user\r\nPAS=pw\r\nSRV=srv\r\n"));
}

void TestProfileStore::installedProfilesStartTheUsersFile() {
    // An installed copy: a read-only profile file beside the program, none yet for the user.
    QTemporaryDir program;
    const QString installed = profilePathIn(program.path());
    const QByteArray shipped =
        QString("[デモ]\r\nNAME=デモ\r\nLOG=demo\r\nPAS=demo\r\nSRV=demo.db\r\n").toUtf8();
    writeAll(installed, shipped);
    QVERIFY(QFile::setPermissions(installed,
                                  QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QVERIFY(QDir(m_dir->path()).mkdir("config"));
    const QString user = profilePathIn(m_dir->path() + "/config");

    QCOMPARE(startFromInstalledProfiles(user, installed), user);
    QCOMPARE(ListProfileNames(user), QStringList{"デモ"});
    QCOMPARE(ReadProfile("デモ", user), (Profile{"demo.db", "demo", "demo", "デモ"}));
    QCOMPARE(QFile::permissions(user) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions{});

    // The user's changes go to the user's file; the installed one stays as shipped.
    WriteProfile("ORCL", "scott", "tiger", "本番", user);
    QCOMPARE(ListProfileNames(user), (QStringList{"デモ", "本番"}));
    QCOMPARE(zemo::test::readFile(installed), shipped);

    // Once the user has a file it is never started again, not even when every profile is deleted.
    DeleteProfile("デモ", user);
    DeleteProfile("本番", user);
    QCOMPARE(startFromInstalledProfiles(user, installed), user);
    QCOMPARE(ListProfileNames(user), QStringList());

    // Nothing installed: no file is made.
    QCOMPARE(startFromInstalledProfiles(m_path, program.path() + "/none/KESTO.ini"), m_path);
    QVERIFY(!QFileInfo::exists(m_path));
}

// What the user saves appears in the list: under a hand-written "[x] " header, and after a file
// cut in the middle of a character.
void TestProfileStore::savedProfileIsListed() {
    writeAll(m_path, "[x] \r\nNAME=x\r\n");
    QVERIFY(ListProfileNames(m_path).isEmpty());
    WriteProfile("srv", "u", "p", "x", m_path);
    QCOMPARE(ListProfileNames(m_path), QStringList{"x"});
    QCOMPARE(ReadProfile("x", m_path), (Profile{"srv", "u", "p", "x"}));

    writeAll(m_path, "a\xEF\xBF");
    WriteProfile("srv", "u", "p", "本番", m_path);
    QCOMPARE(ListProfileNames(m_path), QStringList{"本番"});
    QCOMPARE(ReadProfile("本番", m_path).service, QString("srv"));
}

// A lock held by another program past the wait: the error box, and the file as it was.
void TestProfileStore::busyLockFailsTheSave() {
    writeAll(m_path, "[a]\r\nNAME=a\r\n");
    QProcess holder; // a live process that owns the lock file
    holder.start("sleep", {"30"});
    QVERIFY(holder.waitForStarted());
    writeAll(m_path + ".lock", QByteArray::number(holder.processId()) + "\nsleep\n\n");
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(errorOf([&] { WriteProfile("s", "u", "p", "b", m_path); }), err::ProfileWrite);
    QVERIFY(clock.elapsed() >= 4000);
    QCOMPARE(zemo::test::readFile(m_path), QByteArray("[a]\r\nNAME=a\r\n"));
    holder.kill();
    holder.waitForFinished();
    // Once its owner is gone the lock is stale and the next save goes through.
    WriteProfile("s", "u", "p", "b", m_path);
    QCOMPARE(ListProfileNames(m_path), QStringList({"a", "b"}));
}

QTEST_GUILESS_MAIN(TestProfileStore)
#include "test_profile_store.moc"
