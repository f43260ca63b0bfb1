#include "controls/flatcmd.h"

#include "controls/theme.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

namespace mv {

QSize ButtonPicture::ownSize() const
{
    if (!bitmap.isNull())
        return bitmap.size();
    if (!icon.isNull()) {
        const QList<QSize> sizes = icon.availableSizes();
        return sizes.isEmpty() ? icon.actualSize(QSize(32, 32)) : sizes.first();
    }
    return {};
}

namespace {

bool isKey(QRgb pixel)
{
    return qAlpha(pixel) == 255 && (pixel & 0xFFFFFF) == (theme::KeyColour.rgb() & 0xFFFFFF);
}

// The slice with its key-colour pixels see-through.
QImage keyedSlice(const QImage &raw)
{
    QImage keyed = raw.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < keyed.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if (isKey(line[x]))
                line[x] = 0;
    }
    return keyed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A disabled picture: its dark pixels (outlines, marks) as a silhouette in one colour.
QImage silhouette(const QImage &picture, const QColor &colour)
{
    QImage out(picture.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const QRgb p = in[x];
            if (qAlpha(p) >= 128 && qGray(p) < 170)
                line[x] = colour.rgb() | 0xFF000000;
        }
    }
    return out;
}

} // namespace

FlatCmd::FlatCmd(QWidget *parent)
    : ButtonBase(parent)
    , mBackColor(theme::ButtonFace)
    , mForeColor(theme::ButtonText)
{
}

void FlatCmd::setCaption(const QString &caption)
{
    mCaption = caption;
    update();
}

void FlatCmd::setOwnSize(const ButtonPicture &picture)
{
    const QSize own = picture.ownSize();
    if (own.isValid() && !own.isEmpty())
        mOriginalSize = own;
}

void FlatCmd::setPicture(const QIcon &icon)
{
    mPicture = {icon, {}};
    setOwnSize(mPicture);
    update();
}

void FlatCmd::setPictureBitmap(const QImage &bitmap)
{
    mPicture = {{}, bitmap};
    setOwnSize(mPicture);
    update();
}

void FlatCmd::setPictureHover(const QIcon &icon)
{
    mPictureHover = {icon, {}};
    update();
}

void FlatCmd::setPictureHoverBitmap(const QImage &bitmap)
{
    mPictureHover = {{}, bitmap};
    update();
}

void FlatCmd::setPictureBG(const QImage &strip)
{
    mPictureBG = strip;
    applySize();
    update();
}

void FlatCmd::applySize()
{
    mSliceCount = 0;
    for (QImage &slice : mSlices)
        slice = QImage();
    if (mPictureBG.isNull())
        return;
    const int count = mChecked ? 3 : 2;
    const int width = mPictureBG.width() / count;
    if (width <= 0)
        return;
    for (int i = 0; i < count; ++i)
        mSlices[i] = mPictureBG.copy(i * width, 0, width, mPictureBG.height());
    mSliceCount = count;
    setFixedSize(width, mPictureBG.height());
}

void FlatCmd::setPicturePosition(int position)
{
    mPicturePosition = position;
    update();
}

void FlatCmd::setPictureSize(int size)
{
    mPictureSize = size;
    update();
}

void FlatCmd::setPictureWidth(int width)
{
    mPictureWidth = width;
    update();
}

void FlatCmd::setPictureHeight(int height)
{
    mPictureHeight = height;
    update();
}

void FlatCmd::setChecked(bool checked)
{
    mChecked = checked;
    applySize();
    update();
}

void FlatCmd::setStatus(bool on)
{
    mStatus = on;
    update();
}

void FlatCmd::setBackColor(const QColor &colour)
{
    mBackColor = colour;
    update();
}

void FlatCmd::setForeColor(const QColor &colour)
{
    mForeColor = colour;
    update();
}

void FlatCmd::setMaskColor(const QColor &colour)
{
    mMaskColor = colour;
    update();
}

void FlatCmd::setNoBorderEffect(bool on)
{
    mNoBorderEffect = on;
    update();
}

void FlatCmd::setTransparentBG(bool on)
{
    mTransparentBG = on;
    update();
}

void FlatCmd::changeEvent(QEvent *event)
{
    ButtonBase::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

void FlatCmd::HoverChanged(bool hovering)
{
    mShowHover = hovering;
}

int FlatCmd::ShownSlice() const
{
    if (mNoBorderEffect)
        return -1;
    int slice = -1;
    if (ShowsPressed())
        slice = 1;
    else if (Hovering())
        slice = mStatus ? 1 : 0;
    else if (mStatus)
        slice = 2;
    return slice < mSliceCount ? slice : -1;
}

const ButtonPicture &FlatCmd::drawnPicture() const
{
    return mShowHover && !mPictureHover.isNull() ? mPictureHover : mPicture;
}

QSize FlatCmd::pictureBoxSize() const
{
    switch (mPictureSize) {
    case 0:
        return {16, 16};
    case 1:
        return {32, 32};
    case 2:
        return drawnPicture().isNull() ? QSize(32, 32) : mOriginalSize;
    default:
        return {mPictureWidth, mPictureHeight};
    }
}

void FlatCmd::layoutBoxes(QRect *pictureBox, QRect *captionBox) const
{
    const int margin = theme::FlatInnerMargin;
    const QRect inner = rect().adjusted(margin, margin, -margin, -margin);
    const bool hasPicture = !drawnPicture().isNull();
    const bool hasCaption = !mCaption.isEmpty();
    *pictureBox = QRect();
    *captionBox = QRect();
    if (hasPicture && hasCaption) {
        const QSize p = pictureBoxSize();
        const QSize c = fontMetrics().boundingRect(inner, Qt::AlignCenter | Qt::TextWordWrap, mCaption).size();
        const int gap = theme::PictureCaptionGap;
        const bool stacked = mPicturePosition == 0 || mPicturePosition == 3;
        const QSize pair = stacked ? QSize(qMax(p.width(), c.width()), p.height() + gap + c.height())
                                   : QSize(p.width() + gap + c.width(), qMax(p.height(), c.height()));
        const QPoint origin(inner.left() + (inner.width() - pair.width()) / 2,
                            inner.top() + (inner.height() - pair.height()) / 2);
        QRect pic(QPoint(), p);
        QRect cap(QPoint(), c);
        if (stacked) {
            pic.moveLeft(origin.x() + (pair.width() - p.width()) / 2);
            cap.moveLeft(origin.x() + (pair.width() - c.width()) / 2);
            const bool pictureFirst = mPicturePosition == 0;
            pic.moveTop(pictureFirst ? origin.y() : origin.y() + c.height() + gap);
            cap.moveTop(pictureFirst ? origin.y() + p.height() + gap : origin.y());
        } else {
            pic.moveTop(origin.y() + (pair.height() - p.height()) / 2);
            cap.moveTop(origin.y() + (pair.height() - c.height()) / 2);
            const bool pictureFirst = mPicturePosition != 2;
            pic.moveLeft(pictureFirst ? origin.x() : origin.x() + c.width() + gap);
            cap.moveLeft(pictureFirst ? origin.x() + p.width() + gap : origin.x());
        }
        *pictureBox = pic;
        *captionBox = cap;
    } else if (hasPicture) {
        const QSize p = pictureBoxSize();
        *pictureBox = QRect(QPoint(inner.left() + (inner.width() - p.width()) / 2,
                                   inner.top() + (inner.height() - p.height()) / 2),
                            p);
    } else if (hasCaption) {
        *captionBox = inner;
    }
}

QRect FlatCmd::PictureRect() const
{
    QRect picture, caption;
    layoutBoxes(&picture, &caption);
    return ShowsPressed() && !picture.isNull() ? picture.translated(1, 1) : picture;
}

QRect FlatCmd::CaptionRect() const
{
    QRect picture, caption;
    layoutBoxes(&picture, &caption);
    return ShowsPressed() && !caption.isNull() ? caption.translated(1, 1) : caption;
}

QImage FlatCmd::renderPicture(const ButtonPicture &picture, QSize size) const
{
    if (size.isEmpty())
        return {};
    if (!picture.icon.isNull()) {
        QPixmap pixmap = picture.icon.pixmap(size, 1.0);
        if (pixmap.size() != size)
            pixmap = pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return pixmap.toImage();
    }
    QImage image = picture.bitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                       .convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = mMaskColor.rgb() & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == mask)
                line[x] = 0;
    }
    return image;
}

void FlatCmd::paintEvent(QPaintEvent *)
{
    QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(mTransparentBG ? QColor(Qt::transparent) : mBackColor);
    const int slice = ShownSlice();
    if (slice >= 0 && !mTransparentBG) {
        // Key-colour pixels show the container, not the back colour.
        const QImage raw = mSlices[slice].convertToFormat(QImage::Format_ARGB32);
        const int w = qMin(raw.width(), buffer.width());
        const int h = qMin(raw.height(), buffer.height());
        for (int y = 0; y < h; ++y) {
            const auto *in = reinterpret_cast<const QRgb *>(raw.constScanLine(y));
            auto *out = reinterpret_cast<QRgb *>(buffer.scanLine(y));
            for (int x = 0; x < w; ++x)
                if (isKey(in[x]))
                    out[x] = 0;
        }
    }
    QPainter painter(&buffer);
    if (slice >= 0)
        painter.drawImage(0, 0, keyedSlice(mSlices[slice]));

    const QRect pictureBox = PictureRect();
    if (!pictureBox.isNull()) {
        const QImage picture = renderPicture(drawnPicture(), pictureBox.size());
        if (isEnabled()) {
            painter.drawImage(pictureBox.topLeft(), picture);
        } else {
            painter.drawImage(pictureBox.topLeft() + QPoint(1, 1), silhouette(picture, theme::EmbossHighlight));
            painter.drawImage(pictureBox.topLeft(), silhouette(picture, theme::EmbossShadow));
        }
    }
    const QRect captionBox = CaptionRect();
    if (!captionBox.isNull()) {
        painter.setFont(font());
        const int flags = Qt::AlignCenter | Qt::TextWordWrap;
        if (isEnabled()) {
            painter.setPen(mForeColor);
            painter.drawText(captionBox, flags, mCaption);
        } else {
            painter.setPen(theme::EmbossHighlight);
            painter.drawText(captionBox.translated(1, 1), flags, mCaption);
            painter.setPen(theme::EmbossShadow);
            painter.drawText(captionBox, flags, mCaption);
        }
    }
    painter.end();
    QPainter(this).drawImage(0, 0, buffer);
}

QString FlatCmd::GetRGB(int x, int y) const
{
    if (!rect().contains(x, y))
        return {};
    QWidget *top = window();
    const QPoint at = mapTo(top, QPoint(x, y));
    const QColor colour = top->grab(QRect(at, QSize(1, 1))).toImage().pixelColor(0, 0);
    return QString::number(colour.red()) + QString::number(colour.green()) + QString::number(colour.blue());
}

} // namespace mv
