#include "thumbs/thumbitemdelegate.h"

#include "app/paths.h"
#include "controls/theme.h"
#include "thumbs/thumbgeometry.h"
#include "thumbs/thumbitemmodel.h"

#include <QPainter>

namespace mv {

namespace {

// An etched edge: a sunken line with a raised one inside it.
void EtchedEdge(QPainter &painter, const QRect &r)
{
    const auto edge = [&painter](const QRect &box, const QColor &topLeft, const QColor &bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(box.left(), box.top(), box.right() - 1, box.top());
        painter.drawLine(box.left(), box.top(), box.left(), box.bottom() - 1);
        painter.setPen(bottomRight);
        painter.drawLine(box.left(), box.bottom(), box.right(), box.bottom());
        painter.drawLine(box.right(), box.top(), box.right(), box.bottom());
    };
    edge(r, theme::EdgeShadow, theme::EdgeHighlight);
    edge(r.adjusted(1, 1, -1, -1), theme::EdgeHighlight, theme::EdgeShadow);
}

} // namespace

ThumbItemDelegate::ThumbItemDelegate(ThumbDrawSource source, QObject *parent)
    : QStyledItemDelegate(parent), mSource(std::move(source))
{
}

QSize ThumbItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return ThumbItemSpacing(mSource.thumbnailSize(), mSource.labelHeight());
}

void ThumbItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize thumb = mSource.thumbnailSize();
    const int labelHeight = mSource.labelHeight();
    const ThumbItemGeometry g = ThumbItemLayout(option.rect, thumb, labelHeight);
    // Wholly above the visible area: nothing to draw.
    if (g.frame.bottom() + 1 + labelHeight <= -4)
        return;
    const bool selected = (option.state & QStyle::State_Selected) && mSource.selectionShown();

    painter->save();
    if (selected)
        painter->fillRect(g.frame, theme::Highlight);
    else
        EtchedEdge(*painter, g.frame);

    const ThumbDrawSource::Picture picture = mSource.picture(index.data(ThumbItemModel::ParamRole).toInt());
    if (picture.hasHeader) {
        if (picture.headerSize.width() != 0 || picture.headerSize.height() != 0) {
            if (!picture.image.isNull())
                painter->drawImage(ThumbPicturePosition(g.frame, thumb, picture.image.size()), picture.image);
        } else {
            painter->setPen(selected ? theme::HighlightText : theme::ButtonText);
            painter->setFont(option.font);
            painter->drawText(g.frame, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("Error!"));
        }
    }

    QRect label = g.label;
    if (selected)
        painter->fillRect(label, theme::Highlight);
    label.adjust(2, 0, -2, 0);
    painter->setPen(selected ? theme::HighlightText : theme::ThumbNameText);
    painter->setFont(option.font);
    const QString name = FileNameOf(index.data(Qt::DisplayRole).toString());
    const QString shown = option.fontMetrics.elidedText(name, Qt::ElideRight, label.width());
    // One line from the top of the label, centred, not clipped.
    painter->drawText(label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, shown);
    painter->restore();
}

} // namespace mv
