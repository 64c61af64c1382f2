#pragma once

#include "app/FormSupport.h"
#include "db/DbConnection.h"

class QListWidget;
class QPushButton;

// Table selection dialog.
class Form2 : public zemo::FixedDialog {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);

    static constexpr zemo::TwipsSize kOuterSize{5370, 5115};

private Q_SLOTS:
    void Command1_Click();
    void Command2_Click();

private:
    void Form_Load();
    void LoadSelectedTables();
    void LoadTableColumns(const int& tableIndex, const int& ordinal);
    // Runs `work` on the connection's thread while the dialog waits, saying `what` it does. The call,
    // finished (its failure not thrown yet), or null when the wait was given up after 中止; a stop
    // is noted in m_stopped.
    std::shared_ptr<zemo::DbCall> RunDictionaryQuery(const zemo::DbConnection::Work& work, const QString& what);

    bool m_stopped = false; // 中止 was pressed while the dialog read the dictionary
    QListWidget* List1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
