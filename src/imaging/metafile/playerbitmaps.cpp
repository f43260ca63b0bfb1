// Bitmap output of the player: placement, stretching, transparency and raster operations.

#include "imaging/metafile/player.h"

#include <cmath>

namespace mv::metafile {

namespace {

constexpr int HalftoneStretch = 4;

// The ternary raster operation's truth table: bit (P << 2 | S << 1 | D) of the code.
uint32_t rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d)
{
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (code & (1 << i))
            r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return r & 0xFFFFFF;
}

bool usesSource(uint8_t code)
{
    return ((code >> 2) & 0x33) != (code & 0x33);
}

bool usesPattern(uint8_t code)
{
    return ((code >> 4) & 0x0F) != (code & 0x0F);
}

QImage withoutColor(const QImage &image, QRgb key)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    key &= 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == key)
                row[x] = 0;
        }
    }
    return out;
}

QImage masked(const QImage &image, const QImage &mask)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (mask.size() != out.size())
        return out;
    for (int y = 0; y < out.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        const auto *m = reinterpret_cast<const QRgb *>(mask.constScanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (qGray(m[x]) < 128)
                row[x] = 0;
        }
    }
    return out;
}

} // namespace

void Player::drawBitmap(const BitmapDraw &d)
{
    if (!transformUsable() || mDc.inPath)
        return;
    const uint8_t code = uint8_t(d.rop >> 16);
    if (code == 0xAA)
        return; // leaves the destination alone

    QPolygonF corners;
    corners << d.dest[0] << d.dest[1] << (d.dest[1] + d.dest[2] - d.dest[0]) << d.dest[2];
    if (!usesSource(code)) {
        // Pattern and destination only: a fill of the destination area.
        QPainterPath area;
        area.addPolygon(corners);
        area.closeSubpath();
        const QPainterPath target = logicalToTarget().map(area);
        if (code == 0x00)
            fillTarget(target, QColor(Qt::black), QPainter::CompositionMode_SourceOver);
        else if (code == 0xFF)
            fillTarget(target, QColor(Qt::white), QPainter::CompositionMode_SourceOver);
        else if (code == 0x55)
            fillTarget(target, QColor(Qt::white), QPainter::RasterOp_NotDestination);
        else if (code == 0xF0 && mDc.brush.style != gdi::BsNull)
            fillTarget(target, makeBrush(mDc.brush), QPainter::CompositionMode_SourceOver);
        else if (code == 0x5A && mDc.brush.style != gdi::BsNull)
            fillTarget(target, makeBrush(mDc.brush), QPainter::RasterOp_SourceXorDestination);
        return;
    }
    if (d.image.isNull())
        return;

    // Image pixels -> logical: the source rectangle onto the parallelogram of `dest`.
    const QRectF src = d.source;
    if (src.width() == 0 || src.height() == 0)
        return;
    const QPointF ux = (d.dest[1] - d.dest[0]) / src.width();
    const QPointF uy = (d.dest[2] - d.dest[0]) / src.height();
    const QTransform imageToLogical(ux.x(), ux.y(), uy.x(), uy.y(), d.dest[0].x() - ux.x() * src.x() - uy.x() * src.y(),
                                    d.dest[0].y() - ux.y() * src.x() - uy.y() * src.y());
    const QTransform imageToTarget = imageToLogical * logicalToTarget();
    const QRectF visible = src.normalized().intersected(QRectF(d.image.rect()));
    if (visible.isEmpty())
        return;
    const QRectF bounds = imageToTarget.mapRect(visible);
    if (!std::isfinite(bounds.width()) || !std::isfinite(bounds.height()))
        return;
    const QRectF onSurface = bounds.intersected(mSurface);
    if (onSurface.isEmpty())
        return;
    if (!charge(onSurface.width() * onSurface.height() + visible.width() * visible.height() / 16))
        return;

    // Each change below makes a whole copy of the bitmap; two at most are held beside the
    // decoded one at a time.
    QImage image = d.image;
    const qint64 pixels = qint64(image.width()) * image.height();
    const int copies = int(d.hasTransparentColor) + int(!d.mask.isNull()) + int(code == 0x33);
    if (copies > 0 && (!makeRoom(4 * pixels * qMin(copies, 2)) || !spend(cost::Pixel * double(pixels) * copies)))
        return;
    if (d.hasTransparentColor)
        image = withoutColor(image, d.transparentColor);
    if (!d.mask.isNull())
        image = masked(image, d.mask);
    if (code == 0x33) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        image.invertPixels(QImage::InvertRgb);
    }

    applyClip();
    const bool axisAligned = imageToTarget.m12() == 0 && imageToTarget.m21() == 0;
    if (code == 0xCC || code == 0x33 || code == 0xC0) {
        mPainter.save();
        // Bands of one picture must meet without seams: no edge smoothing when upright.
        mPainter.setRenderHint(QPainter::Antialiasing, !axisAligned);
        // Enlarged bitmaps keep their pixels unless the file asked for halftone stretching;
        // reduced ones are smoothed, which reads better than dropped rows.
        const bool reduced = std::abs(imageToTarget.determinant()) < 1;
        mPainter.setRenderHint(QPainter::SmoothPixmapTransform, reduced || mDc.stretchMode == HalftoneStretch);
        mPainter.setTransform(imageToTarget);
        mPainter.setOpacity(qBound(0, d.constantAlpha, 255) / 255.0);
        mPainter.drawImage(visible, image, visible);
        mPainter.restore();
        return;
    }

    // Any other operation: combine source, pattern and destination pixel by pixel. Where
    // the result would be the destination itself, it stays as it was, transparency
    // included, so masks drawn onto an empty picture keep it empty.
    if (mPainter.device()->devType() != QInternal::Image)
        return;
    const QRect area = onSurface.toAlignedRect().intersected(mSurface);
    const qint64 areaPixels = qint64(area.width()) * area.height();
    // Source, pattern and result, each the size of the area.
    if (area.isEmpty() || !makeRoom(12 * areaPixels) || !spend(2 * cost::Pixel * double(areaPixels)))
        return;
    const QTransform toArea = imageToTarget * QTransform::fromTranslate(-area.left(), -area.top());
    QImage source(area.size(), QImage::Format_ARGB32_Premultiplied);
    source.fill(Qt::transparent);
    {
        QPainter p(&source);
        p.setTransform(toArea); // no smoothing: masks must keep their edges
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(visible, image, visible);
    }
    QImage pattern;
    if (usesPattern(code)) {
        pattern = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        pattern.fill(Qt::black);
        QPainter p(&pattern);
        p.translate(-area.left(), -area.top());
        p.fillRect(area, makeBrush(mDc.brush));
    }
    const auto *canvas = static_cast<const QImage *>(mPainter.device());
    QImage result(area.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < area.height(); ++y) {
        const auto *s = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        const auto *dst = reinterpret_cast<const QRgb *>(canvas->constScanLine(area.top() + y)) + area.left();
        const auto *pat = pattern.isNull() ? nullptr : reinterpret_cast<const QRgb *>(pattern.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < area.width(); ++x) {
            if (qAlpha(s[x]) < 128) {
                out[x] = dst[x];
                continue;
            }
            const uint32_t sv = qUnpremultiply(s[x]) & 0xFFFFFF;
            const uint32_t pv = pat ? qUnpremultiply(pat[x]) & 0xFFFFFF : 0;
            const bool keep = rop3(code, pv, sv, 0xFFFFFF) == 0xFFFFFF && rop3(code, pv, sv, 0) == 0;
            out[x] = keep ? dst[x] : (0xFF000000u | rop3(code, pv, sv, qUnpremultiply(dst[x]) & 0xFFFFFF));
        }
    }
    mPainter.save();
    mPainter.resetTransform();
    mPainter.setCompositionMode(QPainter::CompositionMode_Source);
    mPainter.drawImage(area.topLeft(), result);
    mPainter.restore();
}

} // namespace mv::metafile
