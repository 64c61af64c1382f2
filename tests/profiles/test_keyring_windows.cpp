// Where a profile's password lives, through the windows: every profile command with the password in
// the file, in the keyring or asked for, against a real Secret Service on the test's own bus and the
// private cluster's password logins; then a keyring that is locked, does not answer or is not there.
#include "app/Module1.h"
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
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

using zemo::PasswordPlace;
using zemo::Profile;
using zemo::test::click;
using zemo::test::KeyringSession;
using zemo::test::listed;
using zemo::test::select;

namespace {
void type(QWidget* w, const char* field, const QString& text) {
    w->findChild<QLineEdit*>(field)->setText(text);
}
// Answers the password prompt; `seen` gets whether it offered the keyring.
void whenPrompted(const QString& password, bool remember, bool* offered = nullptr) {
    zemo::test::whenModal<Form7>([=](Form7* prompt) {
        if (offered)
            *offered = prompt->findChild<QCheckBox*>("Check1")->isEnabled();
        type(prompt, "Text1", password);
        prompt->findChild<QCheckBox*>("Check1")->setChecked(remember);
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
    void promptRemembersOnlyAPasswordThatConnects();
    void keyringThatCannotAnswer_data();
    void keyringThatCannotAnswer();

private:
    QString key(const QString& name) const { return zemo::keyringKey(m_path, name); }
    void write(const QString& name, PasswordPlace place);

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
    ResetGlobals();
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
    // A keyring a case left broken is started afresh.
    if (std::exchange(m_broken, false) || QTest::currentTestFailed()) {
        KeyringSession::signal("CONT");
        QVERIFY(KeyringSession::restart());
    }
    delete m_dir;
    ResetGlobals();
}

// A profile on the cluster whose password lives at `place`; in the keyring it is put with secret-tool.
void TestKeyringWindows::write(const QString& name, PasswordPlace place) {
    zemo::WriteProfile(m_pg.postgresService(), m_pg.user(), m_pg.password(), name, m_path, place);
    if (place == PasswordPlace::Keyring)
        QVERIFY(KeyringSession::store(key(name), m_pg.password()));
}

void TestKeyringWindows::profileCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<PasswordPlace>("place");
    // The profiles whose keyring entry holds the password afterwards ("copy": the copy).
    QTest::addColumn<QStringList>("entries");
    const QList<std::tuple<const char*, PasswordPlace, QStringList>> places = {
        {"file", PasswordPlace::File, {}},
        {"keyring", PasswordPlace::Keyring, {"p"}},
        {"ask", PasswordPlace::Ask, {}}};
    for (const auto& [where, place, entry] : places) {
        const bool keyring = place == PasswordPlace::Keyring;
        const auto row = [&](const char* command, const QStringList& entries) {
            QTest::addRow("%s/%s", command, where) << QString(command) << place << entries;
        };
        row("new", entry);
        row("change", entry);
        row("rename", keyring ? QStringList{"q"} : QStringList{});
        row("copy", keyring ? QStringList{"copy", "p"} : QStringList{});
        row("delete", {});
        row("connect", entry);
    }
}

void TestKeyringWindows::profileCommands() {
    QFETCH(QString, command);
    QFETCH(PasswordPlace, place);
    QFETCH(QStringList, entries);
    write("other", PasswordPlace::File);
    if (command != "new")
        write("p", place);
    const QByteArray before = zemo::test::readFile(m_path);
    const Profile other = zemo::ReadProfile("other", m_path);
    Form6 dlg;
    dlg.show();
    if (command != "new")
        select(dlg, "p");
    QStringList shown; // the password field as the editor shows it
    const auto edit = [&](const QString& name) {
        zemo::test::whenModal<Form3>([&, name](Form3* editor) {
            auto* field = editor->findChild<QLineEdit*>("Text2");
            shown << field->text() << field->placeholderText() << QString::number(field->echoMode())
                  << QString::number(field->isEnabled());
            if (command == "new") {
                type(editor, "Text1", m_pg.user());
                type(editor, "Text2", m_pg.password());
                type(editor, "Text3", m_pg.postgresService());
                editor->findChild<QComboBox*>("Combo1")->setCurrentIndex(int(place));
            }
            type(editor, "Text4", name);
            click(*editor, "Command1");
        });
    };
    const bool asks = command == "connect" && place == PasswordPlace::Ask;
    std::optional<NoPrompt> noPrompt;
    if (!asks)
        noPrompt.emplace();
    if (command == "new" || command == "change" || command == "rename") {
        edit(command == "rename" ? "q" : "p");
        click(dlg, command == "new" ? "Command3" : "Command4");
    } else if (command == "copy") {
        click(dlg, "Command5");
    } else if (command == "delete") {
        click(dlg, "Command6");
    } else {
        if (asks)
            whenPrompted(m_pg.password(), false);
        click(dlg, "Command1");
    }
    QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
    QCOMPARE(noPrompt ? noPrompt->seen : 0, 0);

    const QString copy = listed(dlg).filter(QRegularExpression("^p_\\d+$")).value(0);
    QStringList names = entries;
    names.replaceInStrings(QRegularExpression("^copy$"), copy);
    QStringList expected;
    for (const QString& name : std::as_const(names))
        expected << key(name) + '=' + m_pg.password();
    expected.sort();
    QCOMPARE(KeyringSession::entries({key("p"), key("q"), key(copy), key("other")}), expected);
    QCOMPARE(zemo::ReadProfile("other", m_path), other);

    const QString password = place == PasswordPlace::File ? m_pg.password() : QString();
    const QString target = command == "rename" ? "q" : command == "copy" ? copy : "p";
    if (command == "delete") {
        QCOMPARE(listed(dlg), QStringList{"other"});
    } else {
        QCOMPARE(zemo::ReadProfile(target, m_path),
                 (Profile{m_pg.postgresService(), m_pg.user(), password, target, place}));
    }
    if (command == "change" || command == "rename") {
        // The editor showed the file's password as typed, the keyring's not at all, and no field for
        // a password asked at each connect; saved unchanged, the old section is as it was.
        const QStringList field = {
            password, place == PasswordPlace::Keyring ? "（キーリングの値）" : "",
            QString::number(place == PasswordPlace::Keyring ? QLineEdit::Password : QLineEdit::Normal),
            QString::number(place != PasswordPlace::Ask)};
        QCOMPARE(shown, field);
        QVERIFY(zemo::test::readFile(m_path).startsWith(before));
    }
    if (command == "change" || command == "connect")
        QCOMPARE(zemo::test::readFile(m_path), before);
    if (command == "connect") {
        QVERIFY(isConnected());
        // A password from outside the file never reaches what a new profile starts from.
        QCOMPARE(gPassword, password);
    }
}

// Typed at the prompt with 「キーリングに保存する」: kept only once the server took it; a profile that
// asked at each connect then keeps it in the keyring.
void TestKeyringWindows::promptRemembersOnlyAPasswordThatConnects() {
    // In the keyring, but the keyring holds no entry for it yet.
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
    QVERIFY(!isConnected() && dlg.isVisible());
    QCOMPARE(KeyringSession::entry(key("p")), std::nullopt);

    select(dlg, "a");
    whenPrompted(m_pg.password(), true);
    click(dlg, "Command1");
    QVERIFY(isConnected());
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(KeyringSession::entry(key("a")), std::optional<QString>(m_pg.password()));
    QCOMPARE(zemo::ReadProfile("a", m_path).place, PasswordPlace::Keyring);
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
// the profile and names the entry left behind, which is still there once the keyring is back.
void TestKeyringWindows::keyringThatCannotAnswer() {
    QFETCH(QString, fault);
    QFETCH(QString, words);
    write("p", PasswordPlace::Keyring);
    const QByteArray before = zemo::test::readFile(m_path);
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
    QVERIFY(!offered);
    QVERIFY(isConnected());
    QCOMPARE(zemo::test::readFile(m_path), before);

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
    QCOMPARE(zemo::test::readFile(m_path), before);

    select(dlg, "p");
    click(dlg, "Command6");
    QCOMPARE(listed(dlg), QStringList());
    QCOMPARE(m_boxes.size(), 3);
    QVERIFY2(m_boxes[2].contains("設定は削除しましたが") && m_boxes[2].contains(key("p")),
             qPrintable(m_boxes[2]));

    // Back again, the keyring answers the program with the entry nothing could remove; the call that
    // ran out of time is answered first.
    QVERIFY((fault != "frozen" || KeyringSession::signal("CONT")) && KeyringSession::restart());
    zemo::setKeyringTimeLimit(30000);
    std::shared_ptr<zemo::KeyringCall> read;
    for (int tries = 0; tries < 100 && (!read || read->status() == zemo::KeyringStatus::Busy); ++tries) {
        QTest::qWait(read ? 50 : 0);
        read = zemo::readKeyring(key("p"));
        read->waitFinished();
    }
    QCOMPARE(read->status(), zemo::KeyringStatus::Ok);
    QCOMPARE(read->takeSecret(), m_pg.password());
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zemo::setUpApplication();
    TestKeyringWindows t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_keyring_windows.moc"
