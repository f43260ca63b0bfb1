#include "sheet.h"

#include <QWidget>

namespace mv::gallery {

namespace {
constexpr int Margin = 16;
constexpr int LabelWidth = 150;
constexpr int Gap = 10;
constexpr int CaptionHeight = 16;

QFont font(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}
} // namespace

Sheet::Sheet(int width)
    : mImage(width, 400, QImage::Format_RGB32)
    , mWidth(width)
{
    mImage.fill(QColor(246, 248, 250));
    mY = Margin;
}

void Sheet::ensureHeight(int bottom)
{
    if (bottom + Margin <= mImage.height())
        return;
    QImage grown(mWidth, std::max(bottom + Margin, mImage.height() * 2), QImage::Format_RGB32);
    grown.fill(QColor(246, 248, 250));
    QPainter(&grown).drawImage(0, 0, mImage);
    mImage = grown;
}

void Sheet::section(const QString &title)
{
    mY += mRowHeight + (mRowHeight ? Gap * 2 : 0);
    mRowHeight = 0;
    ensureHeight(mY + 30);
    QPainter p(&mImage);
    p.setFont(font(18, true));
    p.setPen(QColor(43, 86, 118));
    p.drawText(Margin, mY + 20, title);
    p.fillRect(Margin, mY + 26, mWidth - 2 * Margin, 1, QColor(143, 184, 218));
    mY += 34;
    mX = 0;
}

void Sheet::row(const QString &label, const QColor &background)
{
    if (mRowHeight)
        mY += mRowHeight + Gap;
    mRowHeight = 0;
    mX = Margin + LabelWidth;
    mBackground = background;
    ensureHeight(mY + 30);
    QPainter p(&mImage);
    p.setFont(font(13));
    p.setPen(QColor(60, 60, 60));
    p.drawText(QRect(Margin, mY, LabelWidth - 8, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label);
}

void Sheet::cell(const QImage &image, const QString &caption, int zoom)
{
    const QSize size = image.size() * zoom;
    const int captionWidth = caption.isEmpty() ? 0 : QFontMetrics(font(11)).horizontalAdvance(caption) + 4;
    const int width = std::max(size.width(), captionWidth) + 8;
    if (mX + width > mWidth - Margin) {
        mY += mRowHeight + Gap;
        mRowHeight = 0;
        mX = Margin + LabelWidth;
    }
    const int height = size.height() + 8 + (caption.isEmpty() ? 0 : CaptionHeight);
    ensureHeight(mY + height);
    QPainter p(&mImage);
    p.fillRect(QRect(mX, mY, width, size.height() + 8), mBackground);
    p.drawImage(QRect(QPoint(mX + 4, mY + 4), size), image);
    if (!caption.isEmpty()) {
        p.setFont(font(11));
        p.setPen(QColor(90, 90, 90));
        p.drawText(QRect(mX, mY + size.height() + 8, width, CaptionHeight), Qt::AlignHCenter | Qt::AlignTop, caption);
    }
    mX += width + Gap;
    mRowHeight = std::max(mRowHeight, height);
}

QImage Sheet::finish() const
{
    return mImage.copy(0, 0, mWidth, mY + mRowHeight + Margin);
}

QImage shot(QWidget *widget, const QColor &behind)
{
    // A widget without a parent paints its window background: make that the colour behind.
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, behind);
    widget->setPalette(palette);
    // Shown (off screen) so that rendering does not lay a hidden widget out again.
    if (widget->isWindow() && !widget->isVisible()) {
        widget->setAttribute(Qt::WA_DontShowOnScreen);
        widget->show();
    }
    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(behind);
    QPainter p(&image);
    p.drawImage(0, 0, widget->grab().toImage());
    return image;
}

} // namespace mv::gallery
