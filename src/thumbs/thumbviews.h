#pragma once

// The two list windows of ucThumbnailView; only its own files use them.

#include "controls/plaintext.h"
#include "controls/theme.h"
#include "thumbs/thumbgeometry.h"
#include "thumbs/ucthumbnailview.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTreeView>

#include <type_traits>

namespace mv {

// The list window of either mode: mouse, keys and tool tips go through the control first.
template <typename Base>
class ThumbViewOf : public Base
{
public:
    explicit ThumbViewOf(ucThumbnailView *owner) : Base(owner), mOwner(owner) {}

    // In the thumbnail grid only an item's picture box and label are the item; the space
    // between them is empty space.
    QModelIndex indexAt(const QPoint &point) const override
    {
        const QModelIndex index = Base::indexAt(point);
        if constexpr (std::is_same_v<Base, QListView>) {
            if (index.isValid()) {
                const ThumbItemGeometry g =
                    ThumbItemLayout(Base::visualRect(index), mOwner->mThumbSize, mOwner->mLabelHeight);
                if (!g.frame.contains(point) && !g.label.contains(point))
                    return {};
            }
        }
        return index;
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        Base::mousePressEvent(event);
        mOwner->AfterPress(event->button(), event->position().toPoint());
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        Base::mouseDoubleClickEvent(event);
        mOwner->AfterDoubleClick(event->position().toPoint());
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!mOwner->KeyPressed(event->key(), event->modifiers()))
            Base::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent *event) override
    {
        if (!event->isAutoRepeat())
            mOwner->KeyReleased(event->key(), event->modifiers());
        Base::keyReleaseEvent(event);
    }
    bool viewportEvent(QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return Base::viewportEvent(event);
        // Thumbnails get no tips; details show a text that does not fit, as plain text.
        if constexpr (std::is_same_v<Base, QTreeView>) {
            const auto *help = static_cast<QHelpEvent *>(event);
            const QModelIndex index = Base::indexAt(help->pos());
            const QString text = index.data().toString();
            const QRect cell = Base::visualRect(index);
            if (index.isValid() && Base::fontMetrics().horizontalAdvance(text) > cell.width() - 8)
                QToolTip::showText(help->globalPos(), PlainToolTip(text), Base::viewport(), cell);
            else
                QToolTip::hideText();
        }
        return true;
    }

private:
    ucThumbnailView *mOwner;
};

// Details rows drawn the usual way, with grid lines under and beside each cell.
class GridLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(theme::ButtonFace);
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

} // namespace mv
