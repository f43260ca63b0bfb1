// Drawing operations of the player: lines, curves, closed shapes, arcs, pixels, region
// fills and gradients, all in logical coordinates.

#include "imaging/metafile/player.h"

#include <cmath>

namespace mv::metafile {

namespace {

bool finiteRect(const QRectF &r)
{
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

} // namespace

void Player::moveTo(QPointF p)
{
    mDc.current = p;
    mPathNeedsMove = true;
}

void Player::lineTo(QPointF p)
{
    QPainterPath path(mDc.current);
    path.lineTo(p);
    emitConnected(path);
    mDc.current = p;
}

void Player::polyline(const QPolygonF &points)
{
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    emitShape(path, Paint::Stroke);
}

void Player::polylineTo(const QPolygonF &points)
{
    if (points.isEmpty())
        return;
    QPainterPath path(mDc.current);
    for (const QPointF &p : points)
        path.lineTo(p);
    emitConnected(path);
    mDc.current = points.last();
}

void Player::polyPolyline(const QList<QPolygonF> &lines)
{
    QPainterPath path;
    for (const QPolygonF &line : lines) {
        if (line.size() >= 2)
            path.addPolygon(line);
    }
    if (!path.isEmpty())
        emitShape(path, Paint::Stroke);
}

void Player::polygons(const QList<QPolygonF> &polygons)
{
    QPainterPath path;
    for (const QPolygonF &polygon : polygons) {
        if (polygon.size() < 2)
            continue;
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    if (!path.isEmpty())
        emitShape(path, Paint::FillAndStroke);
}

void Player::polyBezier(const QPolygonF &points)
{
    if (points.size() < 4)
        return;
    QPainterPath path(points[0]);
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    emitShape(path, Paint::Stroke);
}

void Player::polyBezierTo(const QPolygonF &points)
{
    if (points.size() < 3)
        return;
    QPainterPath path(mDc.current);
    qsizetype i = 0;
    for (; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    emitConnected(path);
    mDc.current = points[i - 1];
}

void Player::polyDraw(const QPolygonF &points, const QByteArray &types)
{
    const qsizetype n = qMin(points.size(), types.size());
    QPainterPath path(mDc.current);
    QPointF figureStart = mDc.current;
    for (qsizetype i = 0; i < n; ++i) {
        const uint8_t type = uint8_t(types[i]);
        const uint8_t kind = type & ~gdi::PtCloseFigure;
        uint8_t last = type;
        if (kind == gdi::PtMoveTo) {
            path.moveTo(points[i]);
            figureStart = points[i];
        } else if (kind == gdi::PtLineTo) {
            path.lineTo(points[i]);
        } else if (kind == gdi::PtBezierTo && i + 2 < n) {
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
            last = uint8_t(types[i]);
        } else {
            break; // a malformed sequence ends the figure list, as the drawing model does
        }
        mDc.current = points[i];
        if ((last & gdi::PtCloseFigure) && kind != gdi::PtMoveTo) {
            path.closeSubpath();
            mDc.current = figureStart;
        }
    }
    emitConnected(path);
}

QRectF Player::insideFrame(QRectF box)
{
    box = box.normalized();
    const LogPen &p = mDc.pen;
    if (p.kind() == gdi::PsInsideFrame && !p.cosmetic && p.width > 1) {
        const double half = qMin(p.width / 2, qMin(box.width(), box.height()) / 2);
        box.adjust(half, half, -half, -half);
    }
    return box;
}

void Player::rectangle(QRectF box)
{
    box = insideFrame(box);
    if (box.isEmpty())
        return;
    QPainterPath path;
    path.addRect(box);
    emitShape(path, Paint::FillAndStroke);
}

void Player::roundRect(QRectF box, QSizeF corner)
{
    box = insideFrame(box);
    if (box.isEmpty())
        return;
    const double rx = qMin(std::abs(corner.width()) / 2, box.width() / 2);
    const double ry = qMin(std::abs(corner.height()) / 2, box.height() / 2);
    QPainterPath path;
    path.addRoundedRect(box, rx, ry);
    emitShape(path, Paint::FillAndStroke);
}

void Player::ellipse(QRectF box)
{
    box = insideFrame(box);
    if (box.isEmpty())
        return;
    QPainterPath path;
    path.addEllipse(box);
    emitShape(path, Paint::FillAndStroke);
}

double Player::qtSweepSign()
{
    // The arc direction is seen on the device in compatible mode and in logical space in
    // advanced mode; a mapping that flips one axis turns the device's sense around.
    const double want = mDc.arcDirection == gdi::Clockwise ? -1 : 1;
    // Only advanced mode allows a world transform, so one in place tells the mode too.
    if (mDc.graphicsMode == gdi::GmAdvanced || !mDc.world.isIdentity())
        return want;
    return logicalToTarget().determinant() < 0 ? -want : want;
}

QPainterPath Player::arcPath(QRectF box, QPointF start, QPointF end, ArcKind kind)
{
    box = kind == ArcKind::Arc || kind == ArcKind::ArcTo ? box.normalized() : insideFrame(box);
    QPainterPath path;
    if (box.width() <= 0 || box.height() <= 0)
        return path;
    const QPointF c = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    const auto angleOf = [&](QPointF p) {
        const double dx = (p.x() - c.x()) / rx, dy = (p.y() - c.y()) / ry;
        return (dx == 0 && dy == 0) ? 0.0 : std::atan2(-dy, dx) * 180 / M_PI;
    };
    const double a0 = angleOf(start), a1 = angleOf(end);
    if (!std::isfinite(a0) || !std::isfinite(a1))
        return path;
    const double sign = qtSweepSign();
    double sweep = std::fmod((a1 - a0) * sign + 720, 360);
    if (sweep <= 1e-9)
        sweep = 360;
    sweep *= sign;
    if (kind == ArcKind::Pie) {
        path.moveTo(c);
        path.arcTo(box, a0, sweep);
        path.closeSubpath();
    } else if (kind == ArcKind::ArcTo) {
        // arcTo joins the arc's start to the current position with a line.
        path.moveTo(mDc.current);
        path.arcTo(box, a0, sweep);
    } else {
        path.arcMoveTo(box, a0);
        path.arcTo(box, a0, sweep);
        if (kind == ArcKind::Chord)
            path.closeSubpath();
    }
    return path;
}

void Player::arc(QRectF box, QPointF start, QPointF end, ArcKind kind)
{
    const QPainterPath path = arcPath(box, start, end, kind);
    if (path.isEmpty())
        return;
    switch (kind) {
    case ArcKind::Arc:
        emitShape(path, Paint::Stroke);
        break;
    case ArcKind::ArcTo:
        emitConnected(path);
        mDc.current = path.currentPosition();
        break;
    case ArcKind::Chord:
    case ArcKind::Pie:
        emitShape(path, Paint::FillAndStroke);
        break;
    }
}

void Player::angleArc(QPointF center, double radius, double startDeg, double sweepDeg)
{
    if (!std::isfinite(radius) || !std::isfinite(startDeg) || !std::isfinite(sweepDeg) || radius < 0)
        return;
    // Sweeps past a full turn only go round again.
    sweepDeg = qBound(-720.0, sweepDeg, 720.0);
    startDeg = std::fmod(startDeg, 360);
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    // arcTo joins the arc's start to the current position with a line.
    QPainterPath path(mDc.current);
    path.arcTo(box, startDeg, sweepDeg);
    emitConnected(path);
    mDc.current = path.currentPosition();
}

void Player::setPixel(QPointF p, uint32_t colorRef)
{
    if (!transformUsable())
        return;
    const QPointF q = logicalToTarget().map(p);
    const double size = qMax(1.0, mSetup.deviceScale);
    QPainterPath path;
    path.addRect(QRectF(q, QSizeF(size, size)));
    fillTarget(path, QColor::fromRgb(color(colorRef)), QPainter::CompositionMode_SourceOver);
}

void Player::fillRects(const QList<QRectF> &rects, const LogBrush &brush)
{
    if (!transformUsable() || rects.isEmpty())
        return;
    // Regions are referenced by handle: one record can fill a big one again and again.
    if (!spend(cost::PathElement * 10 * double(rects.size())))
        return;
    QPainterPath path;
    for (const QRectF &r : rects)
        path.addRect(r);
    path.setFillRule(Qt::WindingFill);
    fillTarget(logicalToTarget().map(path), makeBrush(brush), QPainter::CompositionMode_SourceOver);
}

void Player::frameRects(const QList<QRectF> &rects, const LogBrush &brush, QSizeF stroke)
{
    if (!transformUsable() || rects.isEmpty())
        return;
    if (!spend(cost::PathElement * 10 * double(rects.size())))
        return;
    const double w = std::abs(stroke.width()), h = std::abs(stroke.height());
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const QRectF &r : rects) {
        path.addRect(r);
        if (r.width() > 2 * w && r.height() > 2 * h)
            path.addRect(r.adjusted(w, h, -w, -h));
    }
    fillTarget(logicalToTarget().map(path), makeBrush(brush), QPainter::CompositionMode_SourceOver);
}

void Player::invertRects(const QList<QRectF> &rects)
{
    if (!transformUsable() || rects.isEmpty())
        return;
    if (!spend(cost::PathElement * 10 * double(rects.size())))
        return;
    QPainterPath path;
    for (const QRectF &r : rects)
        path.addRect(r);
    path.setFillRule(Qt::WindingFill);
    fillTarget(logicalToTarget().map(path), QColor(Qt::white), QPainter::RasterOp_NotDestination);
}

void Player::patBlt(QRectF box, uint32_t rop)
{
    if (!transformUsable())
        return;
    QPainterPath path;
    path.addRect(box.normalized());
    const QPainterPath target = logicalToTarget().map(path);
    switch (rop) {
    case gdi::RopBlackness:
        fillTarget(target, QColor(Qt::black), QPainter::CompositionMode_SourceOver);
        break;
    case gdi::RopWhiteness:
        fillTarget(target, QColor(Qt::white), QPainter::CompositionMode_SourceOver);
        break;
    case gdi::RopDstInvert:
        fillTarget(target, QColor(Qt::white), QPainter::RasterOp_NotDestination);
        break;
    case gdi::RopNoOp:
        break;
    case gdi::RopPatInvert:
        if (mDc.brush.style != gdi::BsNull)
            fillTarget(target, makeBrush(mDc.brush), QPainter::RasterOp_SourceXorDestination);
        break;
    default:
        if (mDc.brush.style != gdi::BsNull)
            fillTarget(target, makeBrush(mDc.brush), QPainter::CompositionMode_SourceOver);
        break;
    }
}

void Player::gradientRect(QRectF box, QRgb from, QRgb to, bool vertical)
{
    if (!transformUsable())
        return;
    box = box.normalized();
    QPainterPath path;
    path.addRect(box);
    const QTransform &t = logicalToTarget();
    QLinearGradient gradient(t.map(box.topLeft()), t.map(vertical ? box.bottomLeft() : box.topRight()));
    gradient.setColorAt(0, QColor::fromRgb(from));
    gradient.setColorAt(1, QColor::fromRgb(to));
    fillTarget(t.map(path), QBrush(gradient), QPainter::CompositionMode_SourceOver);
}

void Player::gradientTriangle(const QPointF (&points)[3], const QRgb (&colors)[3])
{
    if (!transformUsable())
        return;
    // Split into small triangles, each filled with the colour at its centre.
    const QTransform &t = logicalToTarget();
    const QPointF a = t.map(points[0]), b = t.map(points[1]), c = t.map(points[2]);
    const double extent = qMax(QLineF(a, b).length(), qMax(QLineF(b, c).length(), QLineF(a, c).length()));
    const int n = int(qBound(1.0, extent / 4, 32.0));
    const auto at = [&](double u, double v) { return a + (b - a) * u + (c - a) * v; };
    const auto mix = [&](double u, double v) {
        const double w = 1 - u - v;
        const auto ch = [&](int (*f)(QRgb)) {
            return qBound(0, int(std::lround(w * f(colors[0]) + u * f(colors[1]) + v * f(colors[2]))), 255);
        };
        return QColor(ch(qRed), ch(qGreen), ch(qBlue));
    };
    const QRectF bounds = QPolygonF({a, b, c}).boundingRect();
    const QRectF onSurface = bounds.intersected(mSurface);
    if (!finiteRect(bounds) || !spend(cost::GradientPiece * n * n) || !charge(onSurface.width() * onSurface.height()))
        return;
    applyClip();
    mPainter.resetTransform();
    mPainter.setPen(Qt::NoPen);
    mPainter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n - i; ++j) {
            const double u = double(i) / n, v = double(j) / n, d = 1.0 / n;
            mPainter.setBrush(mix(u + d / 3, v + d / 3));
            mPainter.drawPolygon(QPolygonF({at(u, v), at(u + d, v), at(u, v + d)}));
            if (j < n - i - 1) {
                mPainter.setBrush(mix(u + 2 * d / 3, v + 2 * d / 3));
                mPainter.drawPolygon(QPolygonF({at(u + d, v), at(u + d, v + d), at(u, v + d)}));
            }
        }
    }
    mPainter.setRenderHint(QPainter::Antialiasing, true);
}

void Player::rectCorners(QRectF box, QPointF (&dest)[3])
{
    dest[0] = box.topLeft();
    dest[1] = box.topRight();
    dest[2] = box.bottomLeft();
}

} // namespace mv::metafile
