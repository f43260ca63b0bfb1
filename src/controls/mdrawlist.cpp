#include "controls/mdrawlist.h"

#include "controls/theme.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPainter>
#include <QPointer>

namespace mv {

RowHeightDelegate::RowHeightDelegate(int height, QObject *parent)
    : QStyledItemDelegate(parent)
    , mHeight(height)
{
}

QSize RowHeightDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (mHeight > 0)
        size.setHeight(mHeight);
    return size;
}

void FavRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool focus = option.state & QStyle::State_HasFocus;
    const QColor fill = focus ? theme::FavFocus : index.row() % 2 == 0 ? theme::FavEven : theme::FavOdd;
    painter->save();
    painter->fillRect(option.rect, fill);
    painter->setPen(focus ? theme::FavFocusText : theme::FavText);
    painter->setFont(option.font);
    const QPoint corner = option.rect.topLeft() + QPoint(theme::FavTextOffset, theme::FavTextOffset);
    painter->drawText(QRect(corner, option.rect.bottomRight()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}

namespace {

QAbstractItemView *viewOf(QWidget *control)
{
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return combo->view();
    return qobject_cast<QAbstractItemView *>(control);
}

// Only one list is hooked at a time.
QPointer<QAbstractItemView> hookedList;
QPointer<QAbstractItemDelegate> replacedDelegate;

} // namespace

void SetListItemHeight(QWidget *control, int height)
{
    QAbstractItemView *view = viewOf(control);
    if (!view)
        return;
    if (auto *rows = qobject_cast<RowHeightDelegate *>(view->itemDelegate()))
        rows->setRowHeight(height);
    else
        view->setItemDelegate(new RowHeightDelegate(height, view));
    view->doItemsLayout();
}

int ListItemHeight(QWidget *control)
{
    QAbstractItemView *view = viewOf(control);
    auto *rows = view ? qobject_cast<RowHeightDelegate *>(view->itemDelegate()) : nullptr;
    return rows ? rows->RowHeight() : -1;
}

void HookDrawList(QAbstractItemView *list)
{
    if (!list)
        return;
    if (hookedList == list)
        return;
    UnhookDrawList();
    QAbstractItemDelegate *previous = list->itemDelegate();
    const auto *rows = qobject_cast<RowHeightDelegate *>(previous);
    hookedList = list;
    replacedDelegate = previous;
    list->setItemDelegate(new FavRowDelegate(rows ? rows->RowHeight() : theme::FavRowHeight, list));
    list->viewport()->update();
}

void UnhookDrawList()
{
    if (!hookedList)
        return;
    QAbstractItemDelegate *ours = hookedList->itemDelegate();
    QAbstractItemDelegate *previous = replacedDelegate;
    if (!previous)
        previous = new QStyledItemDelegate(hookedList);
    hookedList->setItemDelegate(previous);
    if (ours != previous && ours && ours->parent() == hookedList)
        ours->deleteLater();
    hookedList->viewport()->update();
    hookedList.clear();
    replacedDelegate.clear();
}

QAbstractItemView *HookedDrawList()
{
    return hookedList;
}

} // namespace mv
