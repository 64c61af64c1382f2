// Where a profile's password lives, through the windows: every profile command with the password in
// the file, in the keyring or asked for, against a real Secret Service on the test's own bus and the
// private cluster's password logins; then a keyring that is locked, does not answer or is not there.
#include "session/Module1.h"
#include "profiles/Form3.h"
#include "profiles/Form6.h"
#include "profiles/Form7.h"
#include "support/Files.h"
#include "support/KeyringSession.h"
#include "support/Modal.h"
#include "support/PgCluster.h"
#include "support/ProfileDialogs.h"
#include "support/WindowTests.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>

using zemo::PasswordPlace;
using zemo::test::click;
using zemo::test::KeyringSession;
using zemo::test::listed;
using zemo::test::select;

namespace {
void type(QWidget* w, const char* field, const QString& text) {
    w->findChild<QLineEdit*>(field)->setText(text);
}
// Answers the password prompt; `offered`: whether it offered to keep the password in the keyring.
void whenPrompted(const QString& password, bool remember, bool* offered = nullptr) {
    zemo::test::whenModal<Form7>([=](Form7* prompt) {
        auto* keep = prompt->findChild<QCheckBox*>("Check1");
        if (offered)
            *offered = keep->isEnabled();
        type(prompt, "Text1", password);
        keep->setChecked(remember);
        click(*prompt, "Command1");
    });
}
// Counts and cancels every password prompt that comes up while it lives.
struct NoPrompt {
    int seen = 0;
    QTimer timer;
    NoPrompt() {
        timer.callOnTimeout([this] {
            if (auto* prompt = qobject_cast<Form7*>(QApplication::activeModalWidget())) {
                ++seen;
                prompt->reject();
            }
        });
        timer.start(10);
    }
};
} // namespace

class TestKeyringWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void profileCommands_data();
    void profileCommands();
    void promptKeepsOnlyAPasswordThatConnects();
    void keyringThatCannotAnswer_data();
    void keyringThatCannotAnswer();

private:
    QString key(const QString& name) const { return zemo::keyringKey(m_path, name); }
    // A profile on the cluster as the program writes it, its password put into the keyring with secret-tool.
    QByteArray write(const QString& name, PasswordPlace place) {
        zemo::WriteProfile(m_pg.postgresService(), m_pg.user(), m_pg.password(), name, m_path, place);
        if (place == PasswordPlace::Keyring)
            KeyringSession::store(key(name), m_pg.password());
        return section(name, place);
    }
    // The bytes of such a profile's section.
    QByteArray section(const QString& name, PasswordPlace place) const {
        const QString pas = place == PasswordPlace::File ? m_pg.password() : QString();
        const QString marker =
            place == PasswordPlace::File ? QString() : "PAS_STORE=" + zemo::placeName(place) + "\r\n";
        return QString("[%1]\r\nNAME=%1\r\nLOG=%2\r\nPAS=%3\r\nSRV=%4\r\n%5")
            .arg(name, m_pg.user(), pas, m_pg.postgresService(), marker)
            .toUtf8();
    }

    zemo::test::PgCluster m_pg;
    QTemporaryDir* m_dir = nullptr;
    QString m_path;
    QStringList m_boxes;
    bool m_broken = false;
};

void TestKeyringWindows::initTestCase() {
    QVERIFY2(KeyringSession::active(), "run through tests/support/keyring_session.sh");
    QVERIFY2(m_pg.ok(), "the private cluster is not running");
}

void TestKeyringWindows::init() {
    zemo::resetSession();
    m_dir = new QTemporaryDir;
    zemo::test::startWindowTests(m_boxes, m_dir->path());
    m_path = zemo::profileFilePath();
    m_boxes.clear();
}

void TestKeyringWindows::cleanup() {
    // No box ever shows the password.
    for (const QString& box : std::as_const(m_boxes))
        QVERIFY2(!box.contains(m_pg.password()), qPrintable(box));
    zemo::test::closeAllModals();
    zemo::setKeyringTimeLimit(30000);
    if (std::exchange(m_broken, false) || QTest::currentTestFailed()) {
        KeyringSession::signal("CONT");
        QVERIFY(KeyringSession::restart());
    }
    delete m_dir;
    zemo::resetSession();
}

void TestKeyringWindows::profileCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<PasswordPlace>("before"); // where p keeps its password
    QTest::addColumn<PasswordPlace>("after");  // chosen in the editor
    // The profiles whose keyring entry holds the password afterwards ("copy": the copy).
    QTest::addColumn<QStringList>("entries");
    const auto F = PasswordPlace::File, K = PasswordPlace::Keyring, A = PasswordPlace::Ask;
    struct Row {
        const char* command;
        PasswordPlace before, after;
        QStringList entries;
    };
    const std::initializer_list<Row> rows = {
        {"new", F, F, {}},       {"new", K, K, {"p"}},          {"new", A, A, {}},
        {"change", F, F, {}},    {"change", K, K, {"p"}},       {"change", A, A, {}},
        {"change", F, K, {"p"}}, {"change", K, F, {}},          {"change", K, A, {}},
        {"rename", F, F, {}},    {"rename", K, K, {"q"}},       {"rename", A, A, {}},
        {"copy", F, F, {}},      {"copy", K, K, {"p", "copy"}}, {"copy", A, A, {}},
        {"delete", F, F, {}},    {"delete", K, K, {}},          {"delete", A, A, {}},
        {"connect", F, F, {}},   {"connect", K, K, {"p"}},      {"connect", A, A, {}}};
    const char* names[] = {"file", "keyring", "ask"};
    for (const Row& r : rows)
        QTest::addRow("%s %s>%s", r.command, names[int(r.before)], names[int(r.after)])
            << QString(r.command) << r.before << r.after << r.entries;
}

// Each command as a user gives it; the file compared byte for byte, the keyring read with secret-tool.
void TestKeyringWindows::profileCommands() {
    QFETCH(QString, command);
    QFETCH(PasswordPlace, before);
    QFETCH(PasswordPlace, after);
    QFETCH(QStringList, entries);
    const QByteArray other = write("other", PasswordPlace::File);
    const QByteArray file = other + (command == "new" ? QByteArray() : write("p", before));
    Form6 dlg;
    dlg.show();
    if (command != "new")
        select(dlg, "p");
    const bool asks = command == "connect" && before == PasswordPlace::Ask;
    std::optional<NoPrompt> noPrompt;
    if (!asks)
        noPrompt.emplace();
    QStringList shown; // the password field as the editor showed it
    if (command == "new" || command == "change" || command == "rename") {
        zemo::test::whenModal<Form3>([&](Form3* editor) {
            auto* field = editor->findChild<QLineEdit*>("Text2");
            shown << field->text() << field->placeholderText() << QString::number(field->echoMode())
                  << QString::number(field->isEnabled());
            if (command == "new") {
                type(editor, "Text1", m_pg.user());
                type(editor, "Text2", m_pg.password());
                type(editor, "Text3", m_pg.postgresService());
            }
            editor->findChild<QComboBox*>("Combo1")->setCurrentIndex(int(after));
            type(editor, "Text4", command == "rename" ? "q" : "p");
            click(*editor, "Command1");
        });
        click(dlg, command == "new" ? "Command3" : "Command4");
    } else {
        if (asks)
            whenPrompted(m_pg.password(), false);
        click(dlg, command == "copy" ? "Command5" : command == "delete" ? "Command6" : "Command1");
    }
    QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
    QCOMPARE(noPrompt ? noPrompt->seen : 0, 0);

    const QString copy = listed(dlg).filter(QRegularExpression("^p_\\d+$")).value(0);
    QByteArray expected = command == "delete"    ? other
                          : command == "connect" ? file
                                                 : other + section("p", after);
    if (command == "rename" || command == "copy")
        expected = file + section(command == "copy" ? copy : "q", after);
    QCOMPARE(zemo::test::readFile(m_path), expected);
    QStringList keys;
    for (const QString& name : std::as_const(entries))
        keys << key(name == "copy" ? copy : name) + '=' + m_pg.password();
    keys.sort();
    QCOMPARE(KeyringSession::entries({key("p"), key("q"), key(copy), key("other")}), keys);

    if (command == "change" || command == "rename") {
        // The file's password shown as typed; the keyring's never, masked and hinted; none for "ask".
        const bool keyring = before == PasswordPlace::Keyring;
        const QStringList field = {before == PasswordPlace::File ? m_pg.password() : "",
                                   keyring ? "（キーリングの値）" : "",
                                   QString::number(keyring ? QLineEdit::Password : QLineEdit::Normal),
                                   QString::number(before != PasswordPlace::Ask)};
        QCOMPARE(shown, field);
    }
    if (command == "connect") {
        QVERIFY(zemo::isConnected());
        // A password from outside the file never becomes what a new profile starts from.
        QCOMPARE(gPassword, before == PasswordPlace::File ? m_pg.password() : QString());
    }
}

// Typed at the prompt with 「キーリングに保存する」: kept only once the server took it; a profile that
// asked at each connect then keeps it in the keyring.
void TestKeyringWindows::promptKeepsOnlyAPasswordThatConnects() {
    zemo::WriteProfile(m_pg.postgresService(), m_pg.user(), "", "p", m_path, PasswordPlace::Keyring);
    write("a", PasswordPlace::Ask);
    const QByteArray before = zemo::test::readFile(m_path);
    Form6 dlg;
    dlg.show();
    bool offered = false;
    select(dlg, "p");
    whenPrompted("wrong", true, &offered);
    click(dlg, "Command1");
    QVERIFY(offered);
    QCOMPARE(m_boxes.size(), 1); // the server's refusal
    QVERIFY(!zemo::isConnected() && dlg.isVisible());
    QCOMPARE(KeyringSession::entry(key("p")), std::nullopt);

    select(dlg, "a");
    whenPrompted(m_pg.password(), true);
    click(dlg, "Command1");
    QVERIFY(zemo::isConnected());
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(KeyringSession::entry(key("a")), std::optional<QString>(m_pg.password()));
    QCOMPARE(zemo::test::readFile(m_path), QByteArray(before).replace("PAS_STORE=ask", "PAS_STORE=keyring"));
}

void TestKeyringWindows::keyringThatCannotAnswer_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("words");
    QTest::newRow("locked") << "locked"
                            << "ロックされているか";
    QTest::newRow("no answer") << "frozen"
                               << "秒以内に応答しませんでした";
    QTest::newRow("no keyring") << "none"
                                << "Secret Service）が見つかりません";
}

// Connect reports the keyring and asks; saving refuses and leaves the file as it was; deleting deletes
// the profile and names the entry left behind, which the keyring still has once it is back.
void TestKeyringWindows::keyringThatCannotAnswer() {
    QFETCH(QString, fault);
    QFETCH(QString, words);
    const QByteArray file = write("p", PasswordPlace::Keyring);
    zemo::setKeyringTimeLimit(1500);
    m_broken = true;
    QVERIFY(fault == "locked"   ? KeyringSession::lock()
            : fault == "frozen" ? KeyringSession::signal("STOP")
                                : KeyringSession::stop());
    Form6 dlg;
    dlg.show();
    select(dlg, "p");
    bool offered = true;
    whenPrompted(m_pg.password(), true, &offered);
    QElapsedTimer clock;
    clock.start();
    click(dlg, "Command1");
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes[0].contains("エラー番号：1104") && m_boxes[0].contains(words), qPrintable(m_boxes[0]));
    QVERIFY(!offered && zemo::isConnected());
    QCOMPARE(zemo::test::readFile(m_path), file);

    dlg.show();
    select(dlg, "p");
    zemo::test::whenModal<Form3>([&](Form3* editor) {
        type(editor, "Text2", "new secret");
        click(*editor, "Command1");
    });
    click(dlg, "Command4");
    QCOMPARE(m_boxes.size(), 2);
    QVERIFY2(m_boxes[1].contains("エラー番号：1104") && m_boxes[1].contains("設定を保存していません"),
             qPrintable(m_boxes[1]));
    QCOMPARE(zemo::test::readFile(m_path), file);

    select(dlg, "p");
    click(dlg, "Command6");
    QCOMPARE(listed(dlg), QStringList());
    QCOMPARE(m_boxes.size(), 3);
    QVERIFY2(m_boxes[2].contains("設定は削除しましたが") && m_boxes[2].contains(key("p")),
             qPrintable(m_boxes[2]));

    // Back again, the keyring answers the program (after the call that ran out of time) with the entry
    // nothing could remove.
    QVERIFY((fault != "frozen" || KeyringSession::signal("CONT")) && KeyringSession::restart());
    zemo::setKeyringTimeLimit(30000);
    std::shared_ptr<zemo::KeyringCall> read;
    for (int tries = 0; tries < 100 && (!read || read->status() == zemo::KeyringStatus::Busy); ++tries) {
        QTest::qWait(read ? 50 : 0);
        read = zemo::readKeyring(key("p"));
        read->waitFinished();
    }
    QCOMPARE(read->takeSecret(), m_pg.password());
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zemo::setUpApplication();
    TestKeyringWindows t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_keyring_windows.moc"
