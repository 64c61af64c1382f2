// The profile list and the profile editor driven as a user would: connect, new, change, copy, delete.
#include "base/ErrorText.h"
#include "profiles/Form3.h"
#include "profiles/Form6.h"
#include "profiles/ProfileStore.h"
#include "session/Module1.h"
#include "support/Connect.h"
#include "support/Files.h"
#include "support/Modal.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"
#include "support/ProfileDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using zemo::Profile;
using zemo::test::click;
using zemo::test::listed;
using zemo::test::select;

namespace {
struct Shown {
    QString title;
    QString text;
    Qt::CursorShape cursor; // the pointer over the dialog while the box is up
};

// The widgets Tab visits from `start`, in order.
QStringList tabChain(QWidget* start, int count) {
    QStringList names{start->objectName()};
    for (QWidget* w = start->nextInFocusChain(); names.size() < count && w != start;
         w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().startsWith("qt_"))
            names << w->objectName();
    return names;
}

// Runs `drive` on the editor once it is shown modally, then presses its OK or CANCEL.
void whenEditorOpens(std::function<void(Form3&)> drive, const char* button = "Command1") {
    zemo::test::whenModal<Form3>([drive, button](Form3* editor) {
        drive(*editor);
        click(*editor, button);
    });
}

void type(Form3& editor, const char* field, const QString& text) {
    auto* edit = editor.findChild<QLineEdit*>(field);
    edit->selectAll();
    edit->insert(text); // keyClicks types Latin-1 only
}

QString text(Form3& editor, const char* field) {
    return editor.findChild<QLineEdit*>(field)->text();
}
} // namespace

class TestProfileDialogs : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listDialogLayout();
    void editorLayout();
    void noFileMeansEmptyListAndNothingSelected();
    void connectWithTheDemoDatabase();
    void doubleClickConnects();
    void connectWhileConnectedOnlyCloses();
    void emptyServerValuesAreNamedAndCloseWithoutConnecting_data();
    void emptyServerValuesAreNamedAndCloseWithoutConnecting();
    void fileProfileConnectsWithoutUserOrPassword();
    void missingDatabaseKeepsTheDialogOpen();
    void newProfileThroughTheEditor();
    void editorStartsFromTheLastConnection();
    void blankNameOrCancelSavesNothing();
    void changeUnderANewNameKeepsTheOld();
    void copyAddsANumberedProfile();
    void copyWhenAllNumbersAreTaken();
    void deleteRemovesAtOnce();
    void failedWriteShowsTheErrorBox();
    void unreadableFileStillOpensTheDialog();

private:
    QTemporaryDir* m_dir = nullptr;
    QString m_path;
    QList<Shown> m_shown;
};

void TestProfileDialogs::init() {
    zemo::resetSession();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    zemo::setProfileFolderOverride(m_dir->path());
    m_path = zemo::profileFilePath();
    m_shown.clear();
    zemo::MessagePresenter::setHandler([this](QWidget* parent, const QString& title, const QString& text) {
        m_shown.append({title, text, parent ? parent->window()->cursor().shape() : Qt::ArrowCursor});
    });
}

void TestProfileDialogs::cleanup() {
    zemo::MessagePresenter::setHandler({});
    zemo::setProfileFolderOverride(QString());
    zemo::setMainWindow(nullptr);
    delete m_dir;
    m_dir = nullptr;
    zemo::resetSession();
}

void TestProfileDialogs::listDialogLayout() {
    QWidget main;
    main.setGeometry(200, 150, 900, 700);
    zemo::setMainWindow(&main);
    Form6 dlg;
    QCOMPARE(dlg.windowTitle(), QString("ZEMO-DB　接続"));
    zemo::TwipsPlacer px(&dlg);
    QCOMPARE(dlg.size(), px.clientPixels(5310, 3720));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QCOMPARE(px.outerSize().width, 5430);
    QCOMPARE(px.outerSize().height, 4125);

    auto* list = dlg.findChild<QListWidget*>("List1");
    QVERIFY(list);
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->geometry(),
             QRect(px.toPixels(240), px.toPixels(240), px.toPixels(3495), px.toPixels(2760)));
    const QList<std::tuple<const char*, QString, int, int>> buttons = {
        {"Command1", "接続", 240, 3120},    {"Command2", "閉じる", 2520, 3120},
        {"Command3", "新規", 3840, 240},    {"Command4", "変更", 3840, 720},
        {"Command5", "コピー", 3840, 1200}, {"Command6", "削除", 3840, 1680}};
    for (const auto& [name, caption, left, top] : buttons) {
        auto* b = dlg.findChild<QPushButton*>(name);
        QVERIFY2(b, name);
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->geometry(),
                 QRect(px.toPixels(left), px.toPixels(top), px.toPixels(1215), px.toPixels(375)));
        QCOMPARE(b->font().family(), zemo::gothicFont(9).family());
        QCOMPARE(b->font().pointSizeF(), 9.0);
        QVERIFY(b->isEnabled());
    }
    QCOMPARE(tabChain(list, 7),
             (QStringList{"List1", "Command1", "Command2", "Command3", "Command4", "Command5", "Command6"}));

    // Centred over the main window, frame included.
    const QPoint centre = dlg.pos() + QPoint(px.toPixels(5430) / 2, px.toPixels(4125) / 2);
    const QPoint mainCentre =
        main.pos() + QPoint(px.toPixels(px.toTwips(900) + 120) / 2, px.toPixels(px.toTwips(700) + 405) / 2);
    QVERIFY2((centre - mainCentre).manhattanLength() <= 2, qPrintable(QString("%1,%2 vs %3,%4")
                                                                          .arg(centre.x())
                                                                          .arg(centre.y())
                                                                          .arg(mainCentre.x())
                                                                          .arg(mainCentre.y())));
}

void TestProfileDialogs::editorLayout() {
    Form3 editor;
    QCOMPARE(editor.windowTitle(), QString("ZEMO-DB　ＤＢ接続"));
    zemo::TwipsPlacer px(&editor);
    QCOMPARE(editor.size(), px.clientPixels(4680, 3390));
    QCOMPARE(px.outerSize().width, 4800);
    QCOMPARE(px.outerSize().height, 3795);
    const QList<std::tuple<const char*, const char*, QString, int>> rows = {
        {"Label4", "Text4", "設定名称", 360},
        {"Label1", "Text1", "ユーザ", 840},
        {"Label2", "Text2", "パスワード", 1320},
        {"Label3", "Text3", "サービス", 2280}};
    for (const auto& [labelName, fieldName, caption, top] : rows) {
        auto* label = editor.findChild<QLabel*>(labelName);
        auto* field = editor.findChild<QLineEdit*>(fieldName);
        QVERIFY(label && field);
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->geometry(),
                 QRect(px.toPixels(720), px.toPixels(top), px.toPixels(975), px.toPixels(255)));
        QCOMPARE(field->geometry(),
                 QRect(px.toPixels(1680), px.toPixels(top), px.toPixels(1815), px.toPixels(270)));
        QCOMPARE(field->echoMode(), QLineEdit::Normal);
        QCOMPARE(field->font().family(), zemo::gothicFont(9).family());
    }
    // Where the password lives, right below it; the file by default.
    QCOMPARE(editor.findChild<QLabel*>("Label5")->text(), QString("保存先"));
    auto* place = editor.findChild<QComboBox*>("Combo1");
    QCOMPARE(place->geometry(),
             QRect(px.toPixels(1680), px.toPixels(1800), px.toPixels(1815), px.toPixels(300)));
    QCOMPARE(place->currentText(), QString("設定ファイル"));
    QCOMPARE(place->count(), 3);
    auto* ok = editor.findChild<QPushButton*>("Command1");
    auto* cancel = editor.findChild<QPushButton*>("Command2");
    QCOMPARE(ok->text(), QString("ＯＫ"));
    QCOMPARE(cancel->text(), QString("ＣＡＮＣＥＬ"));
    QCOMPARE(ok->geometry(), QRect(px.toPixels(840), px.toPixels(2760), px.toPixels(1215), px.toPixels(375)));
    QCOMPARE(cancel->geometry(),
             QRect(px.toPixels(2400), px.toPixels(2760), px.toPixels(1335), px.toPixels(375)));
    for (auto* b : {ok, cancel}) {
        QVERIFY(!b->isDefault());
        QVERIFY(!b->autoDefault());
    }
    QCOMPARE(tabChain(editor.findChild<QLineEdit*>("Text4"), 7),
             (QStringList{"Text4", "Text1", "Text2", "Combo1", "Text3", "Command1", "Command2"}));

    // Enter in a field neither saves nor closes; Esc closes as the close box does, handing nothing back.
    editor.show();
    QTest::keyClick(editor.findChild<QLineEdit*>("Text4"), Qt::Key_Return);
    QVERIFY(editor.isVisible());
    QTest::keyClick(editor.findChild<QLineEdit*>("Text4"), Qt::Key_Escape);
    QVERIFY(!editor.isVisible());
    QCOMPARE(gProfileEdit.ProfileName, QString());
}

void TestProfileDialogs::noFileMeansEmptyListAndNothingSelected() {
    Form6 dlg;
    dlg.show();
    QCOMPARE(listed(dlg), QStringList());
    click(dlg, "Command1");
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].title, QString("エラーメッセージ"));
    QCOMPARE(m_shown[0].text, QString("メッセージ：項目が選択されていません！"));
    QCOMPARE(m_shown[0].cursor, Qt::WaitCursor);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!zemo::isConnected());
    // The other commands need a selection and say nothing without one.
    click(dlg, "Command4");
    click(dlg, "Command5");
    click(dlg, "Command6");
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(!QFile::exists(m_path));
}

void TestProfileDialogs::connectWithTheDemoDatabase() {
    zemo::WriteProfile(ZEMO_DEMO_DB, "demo", "demo", "デモ", m_path);
    Form6 dlg;
    dlg.show();
    QCOMPARE(listed(dlg), QStringList{"デモ"});
    select(dlg, "デモ");
    click(dlg, "Command1");
    QVERIFY(m_shown.isEmpty());
    QVERIFY(zemo::isConnected());
    QVERIFY(gOraSession);
    QCOMPARE(gServiceName, QString(ZEMO_DEMO_DB));
    QCOMPARE(gUserName, QString("demo"));
    QCOMPARE(gPassword, QString("demo"));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.cursor().shape(), Qt::ArrowCursor);
    // The connection answers.
    bool answered = false;
    gOraDatabase->runNow(
        [&](zemo::OracleDatabase& db) { answered = !db.CreateDynaset("SELECT 1 AS ONE", 0)->Eof(); });
    QVERIFY(answered);
}

void TestProfileDialogs::doubleClickConnects() {
    zemo::WriteProfile(ZEMO_DEMO_DB, "demo", "demo", "デモ", m_path);
    Form6 dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto* list = dlg.findChild<QListWidget*>("List1");
    const QPoint at = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(zemo::isConnected());
    QVERIFY(!dlg.isVisible());
}

void TestProfileDialogs::connectWhileConnectedOnlyCloses() {
    zemo::WriteProfile(ZEMO_DEMO_DB, "demo", "demo", "デモ", m_path);
    zemo::WriteProfile("other.db", "x", "y", "別", m_path);
    gOraSession = std::make_shared<zemo::OracleSession>();
    gOraDatabase = zemo::test::openDemo();
    const auto database = gOraDatabase;
    const auto session = gOraSession;
    gServiceName = ZEMO_DEMO_DB;
    Form6 dlg;
    dlg.show();
    select(dlg, "別");
    click(dlg, "Command1");
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].text, QString("メッセージ：既にＤＢに接続されています！"));
    QCOMPARE(m_shown[0].cursor, Qt::ArrowCursor);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(gOraDatabase, database);
    QCOMPARE(gOraSession, session);
    QCOMPARE(gServiceName, QString(ZEMO_DEMO_DB));
    QCOMPARE(gUserName, QString());
}

void TestProfileDialogs::emptyServerValuesAreNamedAndCloseWithoutConnecting_data() {
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("password") << "ORCL"
                              << "scott"
                              << ""
                              << "メッセージ：パスワードが入力されていません！";
    QTest::newRow("user") << "postgresql://127.0.0.1/x"
                          << ""
                          << "tiger"
                          << "メッセージ：ユーザが入力されていません！";
    QTest::newRow("both") << "odbc:DSN=x"
                          << ""
                          << ""
                          << "メッセージ：ユーザ、パスワードが入力されていません！";
    QTest::newRow("service") << ""
                             << "scott"
                             << "tiger"
                             << "メッセージ：サービスが入力されていません！";
    QTest::newRow("all") << ""
                         << ""
                         << ""
                         << "メッセージ：ユーザ、パスワード、サービスが入力されていません！";
}

void TestProfileDialogs::emptyServerValuesAreNamedAndCloseWithoutConnecting() {
    QFETCH(QString, service);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    zemo::WriteProfile(service, user, password, "incomplete", m_path);
    Form6 dlg;
    dlg.show();
    select(dlg, "incomplete");
    click(dlg, "Command1");
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].title, QString("エラーメッセージ"));
    QCOMPARE(m_shown[0].text, message);
    QVERIFY(!dlg.isVisible());
    QVERIFY(!zemo::isConnected());
    QVERIFY(!gOraSession);
    QCOMPARE(gUserName, user);
    QCOMPARE(gPassword, password);
    QCOMPARE(gServiceName, service);
    QCOMPARE(dlg.cursor().shape(), Qt::ArrowCursor);
}

void TestProfileDialogs::fileProfileConnectsWithoutUserOrPassword() {
    zemo::WriteProfile(ZEMO_DEMO_DB, "", "", "file", m_path);
    zemo::WriteProfile(QStringLiteral("sqlite:") + ZEMO_DEMO_DB, "demo", "", "prefixed", m_path);
    for (const char* name : {"file", "prefixed"}) {
        zemo::resetSession();
        Form6 dlg;
        dlg.show();
        select(dlg, name);
        click(dlg, "Command1");
        QVERIFY2(m_shown.isEmpty(), qPrintable(m_shown.value(0).text));
        QVERIFY2(zemo::isConnected(), name);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(gPassword, QString());
        bool answered = false;
        gOraDatabase->runNow(
            [&](zemo::OracleDatabase& db) { answered = !db.CreateDynaset("SELECT 1 AS ONE", 0)->Eof(); });
        QVERIFY(answered);
    }
}

void TestProfileDialogs::missingDatabaseKeepsTheDialogOpen() {
    const QString missing = m_dir->filePath("nowhere/missing.db");
    zemo::WriteProfile(missing, "demo", "demo", "lost", m_path);
    zemo::WriteProfile(ZEMO_DEMO_DB, "demo", "demo", "デモ", m_path);
    Form6 dlg;
    dlg.show();
    select(dlg, "lost");
    click(dlg, "Command1");
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].title, QString("エラーメッセージ"));
    QVERIFY2(m_shown[0].text.startsWith("エラー番号："), qPrintable(m_shown[0].text));
    QVERIFY(m_shown[0].text.contains(QChar(13) + QString("メッセージ：")));
    QCOMPARE(m_shown[0].cursor, Qt::WaitCursor);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!zemo::isConnected());
    QVERIFY(gOraSession);
    QCOMPARE(gServiceName, missing);
    QCOMPARE(gUserName, QString("demo"));
    QCOMPARE(gPassword, QString("demo"));
    QVERIFY(!QFile::exists(missing));

    // The user can choose again from the same dialog.
    const auto failedSession = gOraSession;
    select(dlg, "デモ");
    click(dlg, "Command1");
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(zemo::isConnected());
    QVERIFY(gOraSession != failedSession);
    QCOMPARE(gServiceName, QString(ZEMO_DEMO_DB));
    QVERIFY(!dlg.isVisible());
}

void TestProfileDialogs::newProfileThroughTheEditor() {
    Form6 dlg;
    dlg.show();
    whenEditorOpens([](Form3& e) {
        type(e, "Text4", "本番");
        type(e, "Text1", " scott ");
        type(e, "Text2", "tiger");
        type(e, "Text3", "ORCL");
    });
    click(dlg, "Command3");
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(listed(dlg), QStringList{"本番"});
    // Saved exactly as typed; the record is cleared afterwards.
    QVERIFY(zemo::test::readFile(m_path).contains(QString("LOG= scott \r\n").toUtf8()));
    QCOMPARE(zemo::ReadProfile("本番", m_path), (Profile{"ORCL", "scott", "tiger", "本番"}));
    QCOMPARE(gProfileEdit.ProfileName, QString());
    QCOMPARE(gProfileEdit.UserName, QString());
    QVERIFY(dlg.isVisible());
}

void TestProfileDialogs::editorStartsFromTheLastConnection() {
    gUserName = "scott";
    gPassword = "tiger";
    gServiceName = "ORCL";
    Form6 dlg;
    dlg.show();
    QStringList seen;
    whenEditorOpens([&seen](Form3& e) {
        seen << text(e, "Text1") << text(e, "Text2") << text(e, "Text3") << text(e, "Text4");
        type(e, "Text4", "copy of last");
    });
    click(dlg, "Command3");
    QCOMPARE(seen, (QStringList{"scott", "tiger", "ORCL", ""}));
    QCOMPARE(zemo::ReadProfile("copy of last", m_path), (Profile{"ORCL", "scott", "tiger", "copy of last"}));
}

void TestProfileDialogs::blankNameOrCancelSavesNothing() {
    Form6 dlg;
    dlg.show();
    whenEditorOpens([](Form3& e) {
        type(e, "Text4", "   ");
        type(e, "Text1", "u");
    });
    click(dlg, "Command3");
    QVERIFY(!QFile::exists(m_path));
    QCOMPARE(gProfileEdit.ProfileName, QString("   "));
    QCOMPARE(gProfileEdit.UserName, QString("u"));

    whenEditorOpens(
        [](Form3& e) {
            type(e, "Text4", "named");
            type(e, "Text1", "u");
        },
        "Command2");
    click(dlg, "Command3");
    QVERIFY(!QFile::exists(m_path));
    QCOMPARE(gProfileEdit.ServiceName, QString());
    QCOMPARE(gProfileEdit.UserName, QString());
    QCOMPARE(gProfileEdit.Password, QString());
    QCOMPARE(gProfileEdit.ProfileName, QString());
    QCOMPARE(listed(dlg), QStringList());
    QVERIFY(m_shown.isEmpty());
}

void TestProfileDialogs::changeUnderANewNameKeepsTheOld() {
    QFile f(m_path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[old]\r\nNAME=  old  \r\nLOG=u\r\nPAS=p\r\nSRV=s\r\nCOLOR=blue\r\n");
    f.close();
    Form6 dlg;
    dlg.show();
    select(dlg, "old");
    QStringList seen;
    whenEditorOpens([&seen](Form3& e) {
        seen << text(e, "Text1") << text(e, "Text2") << text(e, "Text3") << text(e, "Text4");
        type(e, "Text4", "new");
        type(e, "Text2", "p2");
    });
    click(dlg, "Command4");
    QCOMPARE(seen, (QStringList{"u", "p", "s", "old"}));
    QCOMPARE(listed(dlg), (QStringList{"old", "new"}));
    QCOMPARE(zemo::ReadProfile("old", m_path), (Profile{"s", "u", "p", "old"}));
    QCOMPARE(zemo::ReadProfile("new", m_path), (Profile{"s", "u", "p2", "new"}));

    // Changed in place under the same name: the foreign key stays.
    select(dlg, "old");
    whenEditorOpens([](Form3& e) { type(e, "Text3", "s2"); });
    click(dlg, "Command4");
    QCOMPARE(listed(dlg), (QStringList{"old", "new"}));
    QVERIFY(zemo::test::readFile(m_path).startsWith(
        "[old]\r\nNAME=old\r\nLOG=u\r\nPAS=p\r\nSRV=s2\r\nCOLOR=blue\r\n"));
}

void TestProfileDialogs::copyAddsANumberedProfile() {
    zemo::WriteProfile(" s ", "u", "p", "デモ", m_path);
    Form6 dlg;
    dlg.show();
    select(dlg, "デモ");
    click(dlg, "Command5");
    select(dlg, "デモ");
    click(dlg, "Command5");
    const QStringList names = listed(dlg);
    QCOMPARE(names.size(), 3);
    QVERIFY(names[1] != names[2]);
    for (const QString& copy : names.mid(1)) {
        QVERIFY2(copy.startsWith("デモ_"), qPrintable(copy));
        const int n = copy.mid(3).toInt();
        QVERIFY(n >= 1 && n <= 10);
        QCOMPARE(zemo::ReadProfile(copy, m_path), (Profile{"s", "u", "p", copy}));
    }
    QVERIFY(m_shown.isEmpty());
}

void TestProfileDialogs::copyWhenAllNumbersAreTaken() {
    zemo::WriteProfile("s", "u", "p", "full", m_path);
    for (int n = 1; n <= 10; ++n)
        zemo::WriteProfile("s", "u", "p", "full_" + QString::number(n), m_path);
    const QByteArray before = zemo::test::readFile(m_path);
    Form6 dlg;
    dlg.show();
    select(dlg, "full");
    click(dlg, "Command5");
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(
        m_shown[0].text.startsWith("エラー番号：" + QString::number(zemo::err::ProfileCopyFull) + QChar(13)),
        qPrintable(m_shown[0].text));
    QCOMPARE(zemo::test::readFile(m_path), before);
    QVERIFY(dlg.isVisible());
}

void TestProfileDialogs::deleteRemovesAtOnce() {
    zemo::WriteProfile("s", "u", "p", "a", m_path);
    zemo::WriteProfile("s", "u", "p", "b", m_path);
    Form6 dlg;
    dlg.show();
    select(dlg, "a");
    click(dlg, "Command6");
    QCOMPARE(listed(dlg), QStringList{"b"});
    QVERIFY(dlg.findChild<QListWidget*>("List1")->selectedItems().isEmpty());
    QCOMPARE(zemo::ReadProfile("a", m_path), Profile{});
    QVERIFY(m_shown.isEmpty());
}

void TestProfileDialogs::failedWriteShowsTheErrorBox() {
    // A folder where the file should be: nothing can be listed or written there.
    QVERIFY(QDir(m_dir->path()).mkdir("KESTO.ini"));
    Form6 dlg;
    dlg.show();
    QCOMPARE(listed(dlg), QStringList());
    whenEditorOpens([](Form3& e) { type(e, "Text4", "x"); });
    click(dlg, "Command3");
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(
        m_shown[0].text.startsWith("エラー番号：" + QString::number(zemo::err::ProfileWrite) + QChar(13)),
        qPrintable(m_shown[0].text));
    QVERIFY(dlg.isVisible());
    // The failed name is not left in the record for a later editor to save.
    QCOMPARE(gProfileEdit.ProfileName, QString());
}

void TestProfileDialogs::unreadableFileStillOpensTheDialog() {
    QFile f(m_path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(5 * 1024 * 1024, 'x'));
    f.close();
    Form6 dlg;
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown[0].text.startsWith("エラー番号：" + QString::number(zemo::err::ProfileRead) + QChar(13)),
             qPrintable(m_shown[0].text));
    QCOMPARE(listed(dlg), QStringList());
    dlg.show();
    click(dlg, "Command1");
    QCOMPARE(m_shown.last().text, QString("メッセージ：項目が選択されていません！"));
    click(dlg, "Command2");
    QVERIFY(!dlg.isVisible());
    QCOMPARE(QFileInfo(m_path).size(), 5 * 1024 * 1024);

    // A header without its closing bracket: said once on opening, the other profiles listed and
    // usable, the line kept through a change.
    m_shown.clear();
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[ok]\r\nNAME=ok\r\nLOG=u\r\n[broken\r\nLOG=x\r\n");
    f.close();
    Form6 again;
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown[0].text.startsWith("エラー番号：" + QString::number(zemo::err::ProfileRead) + QChar(13)),
             qPrintable(m_shown[0].text));
    QVERIFY2(m_shown[0].text.contains("[broken"), qPrintable(m_shown[0].text));
    QCOMPARE(listed(again), QStringList{"ok"});
    again.show();
    select(again, "ok");
    click(again, "Command5");
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(listed(again).size(), 2);
    QVERIFY(zemo::test::readFile(m_path).startsWith("[ok]\r\nNAME=ok\r\nLOG=u\r\n[broken\r\nLOG=x\r\n"));
}

QTEST_MAIN(TestProfileDialogs)
#include "test_profile_dialogs.moc"
