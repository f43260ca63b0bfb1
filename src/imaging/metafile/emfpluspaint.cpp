// The painting that EMF+ drawing records share: fills and strokes in world coordinates,
// priced before they are painted, with pens sized in their own units.

#include "imaging/metafile/emfplusformat.h"
#include "imaging/metafile/emfplusplayer.h"

#include <cmath>

namespace mv::metafile {

using namespace emfplus;

namespace {

// More dashes than a picture can show: the line is drawn whole instead.
constexpr double MaxDashes = 20000;

// The length of the control polygon: never shorter than the path, and cheap.
double roughLength(const QPainterPath &path)
{
    double length = 0;
    QPointF last;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (!e.isMoveTo())
            length += std::hypot(e.x - last.x(), e.y - last.y());
        last = QPointF(e.x, e.y);
    }
    return length;
}

} // namespace

void EmfPlusPlayer::fill(const QPainterPath &world, const PlusBrush &brush)
{
    if (!transformUsable() || world.isEmpty())
        return;
    fillTarget(worldToTarget().map(world), brush);
}

void EmfPlusPlayer::fillTarget(const QPainterPath &target, const PlusBrush &brush)
{
    const QRectF bounds = target.controlPointRect();
    if (!FiniteRect(bounds))
        return;
    const QRectF onSurface = bounds.intersected(QRectF(mSurface));
    if (onSurface.isEmpty() || !mPlayer.chargeFill(target, onSurface.width() * onSurface.height()))
        return;
    const QBrush paint = paintBrush(brush, QTransform(), onSurface, false);
    if (paint.style() == Qt::NoBrush || mPlayer.stopped())
        return;
    beginPainting().fillPath(target, paint);
}

void EmfPlusPlayer::fillTargetRegion(const QRegion &target, const PlusBrush &brush)
{
    if (target.isEmpty() || !transformUsable())
        return;
    const qint64 rects = target.rectCount();
    if (!mPlayer.makeRoom(rects * 5 * qint64(sizeof(QPainterPath::Element))) || !mPlayer.spend(cost::PathElement * 5 * double(rects)))
        return;
    QPainterPath path;
    path.addRegion(target);
    fillTarget(path, brush);
}

void EmfPlusPlayer::clear(QColor color)
{
    if (!mPlayer.spend(double(mSurface.width()) * mSurface.height() + cost::PaintCall))
        return;
    QPainter &painter = beginPainting();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(mSurface, color);
}

QPen EmfPlusPlayer::makePen(const PlusPen &pen, double scale, double *targetWidth, bool *hairline)
{
    // Widths in world units follow the whole mapping; other units are device lengths.
    const double world = pen.unit == UnitWorld ? pen.width : pen.width * unitToPixels(pen.unit) * mDeviceScale / scale;
    double width = world * scale;
    if (!std::isfinite(width))
        return QPen(Qt::NoPen);
    // Lines about a pixel wide go through the painter's much faster hairline path.
    *hairline = width < 1.5;
    *targetWidth = qMax(width, 1.0);
    QPen q;
    if (*hairline) {
        q.setCosmetic(true);
        q.setWidthF(1);
    } else {
        q.setWidthF(world);
    }
    q.setCapStyle(pen.cap);
    q.setJoinStyle(pen.join);
    q.setMiterLimit(pen.miterLimit);
    static const QList<qreal> patterns[] = {{}, {3, 1}, {1, 1}, {3, 1, 1, 1}, {3, 1, 1, 1, 1, 1}};
    QList<qreal> dashes = pen.lineStyle >= 1 && pen.lineStyle <= 4 ? patterns[pen.lineStyle]
                        : pen.lineStyle == 5 ? pen.dashes
                                             : QList<qreal>();
    if (!dashes.isEmpty()) {
        if (dashes.size() % 2)
            dashes += dashes;
        if (*hairline) {
            for (qreal &d : dashes)
                d *= *targetWidth; // dash lengths count pen widths, never less than a pixel
        }
        q.setDashPattern(dashes);
        double period = 0;
        for (qreal d : dashes)
            period += d;
        q.setDashOffset(period > 0 ? std::fmod(pen.dashOffset, period) : 0);
        q.setCapStyle(pen.dashCap);
    }
    return q;
}

void EmfPlusPlayer::stroke(const QPainterPath &world, const PlusPen &pen)
{
    if (!transformUsable() || world.isEmpty())
        return;
    const QTransform &t = worldToTarget();
    const double scale = std::sqrt(std::abs(t.determinant()));
    double width = 1;
    bool hairline = true;
    QPen q = makePen(pen, scale, &width, &hairline);
    if (q.style() == Qt::NoPen)
        return;
    // Pixel centres lie on whole device coordinates unless the file shifts them by half.
    const double offset = mState.halfPixelOffset ? 0 : 0.5 * mDeviceScale;
    const QTransform shift = QTransform::fromTranslate(offset, offset);
    const QTransform paint = t * shift;
    const QPainterPath target = paint.map(world);
    // Pens in world units are drawn in world space, where the mapping shapes them as it
    // shapes everything else; the others are as wide in every direction.
    const bool inWorld = pen.unit == UnitWorld && !hairline;
    const QRectF bounds = target.controlPointRect();
    if (!FiniteRect(bounds))
        return;
    const double length = roughLength(target);
    double dashes = 0;
    if (q.style() == Qt::CustomDashLine) {
        double period = 0;
        for (qreal d : q.dashPattern())
            period += d * width;
        dashes = period > 0 ? length / period : HUGE_VAL;
        if (dashes > MaxDashes) {
            q.setStyle(Qt::SolidLine);
            dashes = 0;
        }
    }
    const double area = double(mSurface.width()) * mSurface.height();
    if (!mPlayer.chargeStroke(target, qMin(area, length * (width + 2)), width, dashes, hairline))
        return;
    const QRectF onSurface = bounds.adjusted(-width, -width, width, width).intersected(QRectF(mSurface));
    const QTransform paintToTarget = inWorld ? paint : shift;
    const QBrush brush = paintBrush(pen.brush, paintToTarget, onSurface, true);
    if (brush.style() == Qt::NoBrush || mPlayer.stopped())
        return;
    q.setBrush(brush);
    if (!inWorld && !hairline)
        q.setWidthF(width);
    QPainter &painter = beginPainting();
    painter.setTransform(paintToTarget);
    painter.strokePath(inWorld ? world : t.map(world), q);
    painter.resetTransform();
    if (pen.startArrow)
        drawArrow(target, false, width, brush, paintToTarget);
    if (pen.endArrow)
        drawArrow(target, true, width, brush, paintToTarget);
}

void EmfPlusPlayer::drawArrow(const QPainterPath &target, bool atEnd, double width, const QBrush &paintBrush,
                              const QTransform &paintToTarget)
{
    // An arrow head as wide and as long as four pen widths, its tip on the line's end.
    const int n = target.elementCount();
    if (n < 2)
        return;
    const QPointF tip = atEnd ? QPointF(target.elementAt(n - 1)) : QPointF(target.elementAt(0));
    QPointF from = tip;
    for (int k = 1; k < n && from == tip; ++k)
        from = atEnd ? QPointF(target.elementAt(n - 1 - k)) : QPointF(target.elementAt(k));
    const QPointF d = tip - from;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0 || !std::isfinite(len))
        return;
    const QPointF u = d / len, v(-u.y(), u.x());
    const double size = 4 * width;
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - u * size + v * size / 2);
    head.lineTo(tip - u * size - v * size / 2);
    head.closeSubpath();
    const QRectF box = head.boundingRect().intersected(QRectF(mSurface));
    if (box.isEmpty() || !mPlayer.chargeFill(head, box.width() * box.height()))
        return;
    QBrush brush = paintBrush;
    brush.setTransform(paintBrush.transform() * paintToTarget);
    beginPainting().fillPath(head, brush);
}

} // namespace mv::metafile
