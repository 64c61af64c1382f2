#pragma once

#include <QStyledItemDelegate>

class QListWidget;
class QListWidgetItem;

namespace zemo {

// The item role holding a list entry's logical name.
inline constexpr int kLogicalNameRole = Qt::UserRole + 1;

// Paints a list entry as its text with its logical name beside it ("CUST_NAME（顧客名）") while
// logical names are shown. The entry's text, which is what is read, saved and assembled, stays the
// name alone.
class LogicalNameDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit LogicalNameDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

    void setShown(bool shown) { m_shown = shown; }
    bool shown() const { return m_shown; }
    // What the entry shows.
    QString displayedText(const QModelIndex& index) const;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool m_shown = false;
};

// Gives `list` a LogicalNameDelegate; `shown` as showLogicalNames sets it.
void useLogicalNames(QListWidget* list, bool shown);
// Shows or hides the logical names beside the entries of a list that uses them: the entries then
// also have their logical name as their tip, or no tip.
void showLogicalNames(QListWidget* list, bool shown);
// Appends an entry with its logical name, shown as the list shows them.
QListWidgetItem* addNamedItem(QListWidget* list, const QString& text, const QString& logical);

} // namespace zemo
