#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;
class QWidget;

namespace mv {

// Rows of a fixed height, drawn the usual way.
class RowHeightDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    RowHeightDelegate(int height, QObject *parent);
    int RowHeight() const { return mHeight; }
    void setRowHeight(int height) { mHeight = height; }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int mHeight;
};

// The favourites rows: filled by row parity (or in the focus colour for the row that has
// the focus), the text at 5 pixels right and below the row's corner.
class FavRowDelegate : public RowHeightDelegate
{
    Q_OBJECT
public:
    using RowHeightDelegate::RowHeightDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// Item height of a list or of a combo box's list; other widgets are ignored.
void SetListItemHeight(QWidget *control, int height);
int ListItemHeight(QWidget *control);

// Puts the favourites row drawing on the list and keeps the drawing it replaces; only one
// list is drawn this way at a time (hooking another gives the first its drawing back).
void HookDrawList(QAbstractItemView *list);
// Gives the hooked list its previous drawing back.
void UnhookDrawList();
QAbstractItemView *HookedDrawList();

} // namespace mv
