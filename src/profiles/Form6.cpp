#include "profiles/Form6.h"

#include "profiles/ConnectValues.h"
#include "profiles/Form3.h"
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

void Form6::ReadSelectedProfile(QString& service, QString& user, QString& password, QString& name) {
    QString section;
    if (!selectedSection(section))
        return;
    zemo::runTrapped(this, [&] {
        const zemo::Profile p = zemo::ReadProfile(section, zemo::profileFilePath());
        service = p.service;
        user = p.user;
        password = p.password;
        name = p.name;
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
    QString service, user, password, name;
    ReadSelectedProfile(service, user, password, name);
    gUserName = user;
    gPassword = password;
    gServiceName = service;
    // A server needs all three values, a database file only its service; the dialog closes either way.
    const QString missing = zemo::missingConnectValuesMessage(gServiceName, gUserName, gPassword);
    if (!missing.isEmpty()) {
        zemo::MessagePresenter::show(this, missing);
    } else if (!OpenDatabase()) {
        // After a failure or 中止 the dialog stays open so that another profile can be chosen.
        return;
    } else {
        gProfileName = section;
    }
    accept();
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
bool Form6::OpenDatabase() {
    bool opened = false;
    zemo::runTrapped(this, [this, &opened] {
        gOraSession = std::make_shared<zemo::OracleSession>();
        auto connection = std::make_shared<zemo::DbConnection>();
        const auto call =
            connection->open(gOraSession, gServiceName, gUserName + QLatin1Char('/') + gPassword);
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

// After the editor has closed: saves what it handed back unless the name is blank.
void Form6::SaveEditedProfile() {
    if (zemo::trimBlanks(gProfileEdit.ProfileName).isEmpty())
        return;
    // Cleared before writing, so that a failed write cannot leave a name behind that a later editor
    // closed by its close box would save.
    const ProfileEditRecord edit = gProfileEdit;
    gProfileEdit = {};
    zemo::WriteProfile(edit.ServiceName, edit.UserName, edit.Password, edit.ProfileName,
                       zemo::profileFilePath());
    LoadProfileList();
}

// Opens the editor, filled with the stored profile when there is one, and saves what it hands back.
void Form6::EditProfile(const zemo::Profile* stored) {
    Form3 editor(this);
    if (stored)
        editor.setFields(zemo::trimBlanks(stored->user), zemo::trimBlanks(stored->password),
                         zemo::trimBlanks(stored->service), zemo::trimBlanks(stored->name));
    editor.exec();
    SaveEditedProfile();
}

void Form6::Command3_Click() {
    zemo::runTrapped(this, [this] { EditProfile(nullptr); });
}

void Form6::Command4_Click() {
    QString section;
    if (!selectedSection(section))
        return;
    zemo::runTrapped(this, [&] {
        const zemo::Profile stored = zemo::ReadProfile(section, zemo::profileFilePath());
        EditProfile(&stored);
    });
}

void Form6::Command5_Click() {
    QString section;
    if (!selectedSection(section))
        return;
    const QString path = zemo::profileFilePath();
    QString service, user, password, name;
    ReadSelectedProfile(service, user, password, name);
    if (zemo::trimBlanks(name).isEmpty())
        return;
    zemo::runTrapped(this, [&] {
        zemo::CopyProfile({service, user, password, name}, path);
        gProfileEdit = {};
        LoadProfileList();
    });
}

void Form6::Command6_Click() {
    QString section;
    if (!selectedSection(section))
        return;
    zemo::runTrapped(this, [&] {
        zemo::DeleteProfile(section, zemo::profileFilePath());
        LoadProfileList();
    });
}
