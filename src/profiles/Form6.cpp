#include "profiles/Form6.h"

#include "app/BusyPointer.h"
#include "app/ErrorTrap.h"
#include "app/MessagePresenter.h"
#include "app/Module1.h"
#include "profiles/ConnectValues.h"
#include "profiles/Form3.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileStore.h"

#include <QListWidget>
#include <QPushButton>

namespace {
constexpr int kClientWidth = 5310;
constexpr int kClientHeight = 3720;
constexpr zemo::TwipsSize kOuterSize{5430, 4125};

const QString kAlreadyConnected = QStringLiteral("メッセージ：既にＤＢに接続されています！");
const QString kNothingSelected = QStringLiteral("メッセージ：項目が選択されていません！");
} // namespace

Form6::Form6(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("ZEMO-DB　接続"));
    setFont(zemo::gothicFont(9));

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);
    m_placer.place(List1, {240, 240, 3495, 2760});

    const auto button = [this](const char* name, const QString& caption, float left, float top) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        m_placer.place(b, {left, top, 1215, 375});
        return b;
    };
    Command1 = button("Command1", QStringLiteral("接続"), 240, 3120);
    Command2 = button("Command2", QStringLiteral("閉じる"), 2520, 3120);
    Command3 = button("Command3", QStringLiteral("新規"), 3840, 240);
    Command4 = button("Command4", QStringLiteral("変更"), 3840, 720);
    Command5 = button("Command5", QStringLiteral("コピー"), 3840, 1200);
    Command6 = button("Command6", QStringLiteral("削除"), 3840, 1680);

    setTabOrder(List1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
    setTabOrder(Command4, Command5);
    setTabOrder(Command5, Command6);

    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &Form6::List1_DblClick);
    connect(Command2, &QPushButton::clicked, this, &Form6::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form6::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form6::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form6::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form6::Command6_Click);

    setFixedSize(m_placer.clientPixels(kClientWidth, kClientHeight));
    Form_Load();
}

void Form6::Form_Load() {
    zemo::centreOverMainWindow(this, kOuterSize);
    // A file that cannot be read is reported; the dialog stays usable with an empty list. A profile
    // that cannot be listed is reported too, beside the ones that can.
    if (!runTrapped(this, [this] { LoadProfileList(); }))
        List1->clear();
    else
        runTrapped(this, [] { zemo::CheckProfileHeaders(zemo::profileFilePath()); });
}

void Form6::Form_Resize() {
    if (!isMinimized())
        setFixedSize(m_placer.clientPixels(kClientWidth, kClientHeight));
}

void Form6::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
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
    runTrapped(this, [&] {
        const zemo::Profile p = zemo::ReadProfile(section, zemo::profileFilePath());
        service = p.service;
        user = p.user;
        password = p.password;
        name = p.name;
    });
}

void Form6::Command1_Click() {
    if (isConnected()) {
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
    } else {
        const bool opened = runTrapped(this, [] {
            gOraSession = std::make_shared<zemo::OracleSession>();
            gOraDatabase =
                gOraSession->OpenDatabase(gServiceName, gUserName + QLatin1Char('/') + gPassword, 0);
        });
        // After a failure the dialog stays open so that another profile can be chosen.
        if (!opened)
            return;
    }
    accept();
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

void Form6::Command3_Click() {
    runTrapped(this, [this] {
        Form3 editor(this);
        editor.exec();
        SaveEditedProfile();
    });
}

void Form6::Command4_Click() {
    QString section;
    if (!selectedSection(section))
        return;
    runTrapped(this, [&] {
        Form3 editor(this);
        const zemo::Profile p = zemo::ReadProfile(section, zemo::profileFilePath());
        editor.setFields(zemo::trimBlanks(p.user), zemo::trimBlanks(p.password), zemo::trimBlanks(p.service),
                         zemo::trimBlanks(p.name));
        editor.exec();
        SaveEditedProfile();
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
    runTrapped(this, [&] {
        zemo::CopyProfile({service, user, password, name}, path);
        gProfileEdit = {};
        LoadProfileList();
    });
}

void Form6::Command6_Click() {
    QString section;
    if (!selectedSection(section))
        return;
    runTrapped(this, [&] {
        zemo::DeleteProfile(section, zemo::profileFilePath());
        LoadProfileList();
    });
}
