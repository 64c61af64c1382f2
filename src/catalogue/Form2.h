#pragma once

#include "db/DbConnection.h"
#include "ui/FormSupport.h"

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
    void ReadTableList();
    void LoadSelectedTables();
    void LoadTableColumns(const int& tableIndex, const int& ordinal);
    // Runs `work` on the connection's thread while the dialog waits, saying `what` it does. The call,
    // finished (its failure not thrown yet), or null when the wait ended first (given up after 中止, or
    // the program quitting); a stop is noted in m_stopped.
    std::shared_ptr<zemo::DbCall> RunDictionaryQuery(const zemo::DbConnection::Work& work,
                                                     const QString& what);

    bool m_stopped = false; // 中止 was pressed while the dialog read the dictionary
    QListWidget* List1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
