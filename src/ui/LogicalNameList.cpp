#include "ui/LogicalNameList.h"

#include "grid/TextTable.h"

#include <QListWidget>

namespace zemo {

namespace {

LogicalNameDelegate* delegateOf(const QListWidget* list) {
    return qobject_cast<LogicalNameDelegate*>(list->itemDelegate());
}

void setTip(QListWidgetItem* item, bool shown) {
    item->setToolTip(shown ? item->data(kLogicalNameRole).toString() : QString());
}

} // namespace

QString LogicalNameDelegate::displayedText(const QModelIndex& index) const {
    const QString text = index.data(Qt::DisplayRole).toString();
    return m_shown ? withLogicalName(text, index.data(kLogicalNameRole).toString()) : text;
}

void LogicalNameDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_shown)
        option->text = displayedText(index);
}

void useLogicalNames(QListWidget* list, bool shown) {
    list->setItemDelegate(new LogicalNameDelegate(list));
    showLogicalNames(list, shown);
}

void showLogicalNames(QListWidget* list, bool shown) {
    LogicalNameDelegate* delegate = delegateOf(list);
    if (!delegate)
        return;
    delegate->setShown(shown);
    for (int i = 0; i < list->count(); ++i)
        setTip(list->item(i), shown);
    // The entries' widths change with their text.
    list->doItemsLayout();
    list->viewport()->update();
}

QListWidgetItem* addNamedItem(QListWidget* list, const QString& text, const QString& logical) {
    auto* item = new QListWidgetItem(text, list);
    item->setData(kLogicalNameRole, logical);
    const LogicalNameDelegate* delegate = delegateOf(list);
    setTip(item, delegate && delegate->shown());
    return item;
}

} // namespace zemo
