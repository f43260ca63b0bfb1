#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QStyledItemDelegate>

#include <functional>

namespace mv {

// What the drawing of an item needs from its list.
struct ThumbDrawSource {
    std::function<QSize()> thumbnailSize;
    std::function<int()> labelHeight;
    // The picture of a slot: whether a header is stored, its width and height, and the
    // pixels ready to draw (null when they do not make a picture).
    struct Picture {
        bool hasHeader = false;
        QSize headerSize;
        QImage image;
    };
    std::function<Picture(int slot)> picture;
    // Whether selected items show as selected now (not while hidden without the focus).
    std::function<bool()> selectionShown;
};

// Draws a thumbnail item entirely: the frame (etched, or filled with the highlight when
// selected), the stored picture unscaled and centred, "Error!" for a 0 x 0 picture, and the
// file name under it, on one line with an ellipsis when too wide.
class ThumbItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    ThumbItemDelegate(ThumbDrawSource source, QObject *parent);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    ThumbDrawSource mSource;
};

} // namespace mv
