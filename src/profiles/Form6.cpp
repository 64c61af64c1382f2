#include "profiles/Form6.h"

#include "profiles/ConnectValues.h"
#include "profiles/Form3.h"
#include "profiles/Form7.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileStore.h"
#include "session/Module1.h"
#include "ui/BusyPointer.h"
#include "ui/DbWait.h"
#include "ui/ErrorTrap.h"
#include "ui/MessagePresenter.h"

#include <QListWidget>
#include <QPushButton>

namespace {
const QString kAlreadyConnected = QStringLiteral("メッセージ：既にＤＢに接続されています！");
const QString kNothingSelected = QStringLiteral("メッセージ：項目が選択されていません！");
} // namespace

Form6::Form6(QWidget* parent) : FixedDialog(parent, "Form6", QStringLiteral("ZEMO-DB　接続"), {5310, 3720}) {

    zemo::ControlMaker make(this, m_placer);
    List1 = make.add<QListWidget>("List1", {240, 240, 3495, 2760});
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);

    const auto button = [&](const char* name, const QString& caption, float left, float top) {
        return make.button(name, caption, {left, top, 1215, 375});
    };
    Command1 = button("Command1", QStringLiteral("接続"), 240, 3120);
    Command2 = button("Command2", QStringLiteral("閉じる"), 2520, 3120);
    Command3 = button("Command3", QStringLiteral("新規"), 3840, 240);
    Command4 = button("Command4", QStringLiteral("変更"), 3840, 720);
    Command5 = button("Command5", QStringLiteral("コピー"), 3840, 1200);
    Command6 = button("Command6", QStringLiteral("削除"), 3840, 1680);

    zemo::setTabChain({List1, Command1, Command2, Command3, Command4, Command5, Command6});

    zemo::connectClicks(this, {{Command1, &Form6::Command1_Click},
                               {Command2, &Form6::Command2_Click},
                               {Command3, &Form6::Command3_Click},
                               {Command4, &Form6::Command4_Click},
                               {Command5, &Form6::Command5_Click},
                               {Command6, &Form6::Command6_Click}});
    connect(List1, &QListWidget::itemDoubleClicked, this, &Form6::List1_DblClick);

    Form_Load();
}

void Form6::Form_Load() {
    centreOverMain();
    // A file that cannot be read is reported; the dialog stays usable with an empty list. A profile
    // that cannot be listed is reported too, beside the ones that can.
    if (!zemo::runTrapped(this, [this] { LoadProfileList(); }))
        List1->clear();
    else
        zemo::runTrapped(this, [] { zemo::CheckProfileHeaders(zemo::profileFilePath()); });
}

void Form6::LoadProfileList() {
    List1->clear();
    List1->addItems(zemo::ListProfileNames(zemo::profileFilePath()));
}

bool Form6::selectedSection(QString& section) const {
    const QList<QListWidgetItem*> items = List1->selectedItems();
    if (items.isEmpty())
        return false;
    section = items.first()->text();
    return true;
}

void Form6::ReadSelectedProfile(zemo::Profile& profile) {
    QString section;
    if (!selectedSection(section))
        return;
    zemo::runTrapped(this, [&] { profile = zemo::ReadProfile(section, zemo::profileFilePath()); });
}

zemo::ProfilePasswords Form6::keyringPasswords() {
    return zemo::ProfilePasswords(zemo::profileFilePath(), [this](zemo::KeyringCall& call) {
        zemo::DbWait(this, [] { return QStringLiteral("キーリングの応答を待っています…"); }).wait(call);
    });
}

void Form6::Command1_Click() {
    if (zemo::isConnected()) {
        zemo::MessagePresenter::show(this, kAlreadyConnected);
        accept();
        return;
    }
    zemo::BusyPointer busy(this);
    QString section;
    if (!selectedSection(section)) {
        zemo::MessagePresenter::show(this, kNothingSelected);
        return;
    }
    zemo::Profile profile;
    ReadSelectedProfile(profile);
    gUserName = profile.user;
    gPassword = profile.password;
    gServiceName = profile.service;
    // A password kept out of the file never reaches gPassword, which a new profile starts from.
    QString password = profile.password;
    const zemo::WipeOnExit wipe(password);
    bool remember = false;
    if (profile.place != zemo::PasswordPlace::File && zemo::needsPassword(gServiceName) &&
        !gUserName.isEmpty() && !PasswordForConnect(section, profile, password, remember))
        return;
    // A server needs all three values, a database file only its service; the dialog closes either way.
    const QString missing = zemo::missingConnectValuesMessage(gServiceName, gUserName, password);
    if (!missing.isEmpty()) {
        zemo::MessagePresenter::show(this, missing);
    } else if (!OpenDatabase(password)) {
        // After a failure or 中止 the dialog stays open so that another profile can be chosen.
        return;
    } else {
        gProfileName = section;
        if (remember)
            zemo::runTrapped(this, [&] { keyringPasswords().remember(section, password); });
    }
    accept();
}

bool Form6::PasswordForConnect(const QString& section, const zemo::Profile& profile, QString& password,
                               bool& remember) {
    bool keyringAnswered = true;
    if (profile.place == zemo::PasswordPlace::Keyring) {
        std::optional<QString> stored;
        // A keyring that cannot answer is reported; the password is asked for instead.
        keyringAnswered = zemo::runTrapped(this, [&] { stored = keyringPasswords().stored(section); });
        if (stored) {
            password = std::move(*stored);
            return true;
        }
    }
    Form7 prompt(this, section, profile.user, keyringAnswered);
    if (prompt.exec() != QDialog::Accepted)
        return false;
    password = prompt.takePassword();
    remember = prompt.rememberInKeyring();
    return true;
}

bool Form6::ConnectProfile(const QString& section) {
    const QList<QListWidgetItem*> found = List1->findItems(section, Qt::MatchExactly);
    if (found.isEmpty())
        throw zemo::profileMissing(section, zemo::profileFilePath());
    List1->setCurrentItem(found.first());
    found.first()->setSelected(true);
    Command1_Click();
    return zemo::isConnected();
}

// Opens the database on a connection thread of its own while the window waits; false when it failed
// (the error box has been shown) or the user stopped the attempt.
bool Form6::OpenDatabase(const QString& password) {
    bool opened = false;
    zemo::runTrapped(this, [this, &opened, &password] {
        gOraSession = std::make_shared<zemo::OracleSession>();
        auto connection = std::make_shared<zemo::DbConnection>();
        QString connect = gUserName + QLatin1Char('/') + password;
        const zemo::WipeOnExit wipe(connect);
        const auto call = connection->open(gOraSession, gServiceName, connect);
        zemo::DbWait wait(this, [] { return QStringLiteral("接続しています…"); });
        // A connection that opened is kept, also when 中止 came too late to stop it.
        if (wait.wait(*call) != zemo::CallWait::End::Finished ||
            call->outcome() == zemo::DbCall::Outcome::Stopped)
            return;
        call->rethrow();
        zemo::setConnection(std::move(connection));
        opened = true;
    });
    return opened;
}

void Form6::List1_DblClick() {
    Command1_Click();
}

void Form6::Command2_Click() {
    close();
}

namespace {
// Runs a profile command and rebuilds the list afterwards, also when the keyring failed after the file
// was written.
template <class Command, class Reload> void thenReload(Command&& command, Reload&& reload) {
    try {
        command();
    } catch (...) {
        reload();
        throw;
    }
    reload();
}
} // namespace

// After the editor has closed: saves what it handed back unless the name is blank.
void Form6::SaveEditedProfile(zemo::PasswordPlace place, const QString& beforeSection,
                              zemo::PasswordPlace beforePlace) {
    if (zemo::trimBlanks(gProfileEdit.ProfileName).isEmpty())
        return;
    // Cleared before writing, so that a failed write cannot leave a name behind that a later editor
    // closed by its close box would save.
    ProfileEditRecord edit = gProfileEdit;
    gProfileEdit = {};
    const zemo::WipeOnExit wipe(edit.Password);
    thenReload(
        [&] {
            keyringPasswords().save({edit.ServiceName, edit.UserName, edit.Password, edit.ProfileName, place},
                                    beforeSection, beforePlace);
        },
        [this] { LoadProfileList(); });
}

// Opens the editor, filled with the stored profile when there is one, and saves what it hands back.
void Form6::EditProfile(const zemo::Profile* stored, const QString& section) {
    Form3 editor(this);
    if (stored) {
        editor.setFields(zemo::trimBlanks(stored->user), zemo::trimBlanks(stored->password),
                         zemo::trimBlanks(stored->service), zemo::trimBlanks(stored->name));
        editor.setPasswordPlace(stored->place);
    }
    editor.exec();
    SaveEditedProfile(editor.passwordPlace(), section, stored ? stored->place : zemo::PasswordPlace::File);
}

void Form6::Command3_Click() {
    zemo::runTrapped(this, [this] { EditProfile(nullptr, QString()); });
}

void Form6::Command4_Click() {
    QString section;
    if (!selectedSection(section))
        return;
    zemo::runTrapped(this, [&] {
        const zemo::Profile stored = zemo::ReadProfile(section, zemo::profileFilePath());
        EditProfile(&stored, section);
    });
}

void Form6::Command5_Click() {
    QString section;
    if (!selectedSection(section))
        return;
    zemo::Profile source;
    ReadSelectedProfile(source);
    if (zemo::trimBlanks(source.name).isEmpty())
        return;
    zemo::runTrapped(this, [&] {
        thenReload(
            [&] {
                keyringPasswords().copy(section, source);
                gProfileEdit = {};
            },
            [this] { LoadProfileList(); });
    });
}

void Form6::Command6_Click() {
    QString section;
    if (!selectedSection(section))
        return;
    zemo::runTrapped(this, [&] {
        const QString path = zemo::profileFilePath();
        const zemo::PasswordPlace place = zemo::ReadProfile(section, path).place;
        thenReload([&] { keyringPasswords().remove(section, place); }, [this] { LoadProfileList(); });
    });
}
