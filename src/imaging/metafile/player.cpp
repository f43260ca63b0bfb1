#include "imaging/metafile/player.h"

#include <QPainterPathStroker>

#include <cmath>

namespace mv::metafile {

namespace {

constexpr size_t MaxSavedDcs = 1024;
bool finiteRect(const QRectF &r)
{
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

bool finiteTransform(const QTransform &t)
{
    const double v[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    for (double x : v) {
        if (!std::isfinite(x) || std::abs(x) > 1e12)
            return false;
    }
    const double det = t.m11() * t.m22() - t.m12() * t.m21();
    return std::isfinite(det) && std::abs(det) > 1e-18;
}

QImage hatchTile(uint32_t hatch, QRgb line, QRgb back, double scale)
{
    scale = qBound(1.0, scale, 32.0);
    const int n = qMax(8, int(std::lround(8 * scale)));
    const int t = qMax(1, int(std::lround(scale)));
    QImage tile(n, n, QImage::Format_ARGB32);
    for (int y = 0; y < n; ++y) {
        auto *row = reinterpret_cast<QRgb *>(tile.scanLine(y));
        for (int x = 0; x < n; ++x) {
            const bool h = y % n < t, v = x % n < t;
            const bool f = ((x - y) % n + n) % n < t, b = (x + y) % n < t;
            bool on = false;
            switch (hatch) {
            case gdi::HsHorizontal: on = h; break;
            case gdi::HsVertical: on = v; break;
            case gdi::HsFDiagonal: on = f; break;
            case gdi::HsBDiagonal: on = b; break;
            case gdi::HsCross: on = h || v; break;
            case gdi::HsDiagCross: on = f || b; break;
            default: on = h; break;
            }
            row[x] = on ? line : back;
        }
    }
    return tile;
}

QRgb invertRgb(QRgb c)
{
    return qRgba(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c), qAlpha(c));
}

} // namespace

Player::Player(QPainter &painter, QSize target, const PlayerSetup &setup)
    : mPainter(painter), mSurface(QPoint(0, 0), target), mSetup(setup), mBudget(workFor(target), MaxKeptBytes),
      mObjects(setup.objectTableSize)
{
    mDc.palette = DefaultPalette();
    mDc.pen = std::get<LogPen>(StockObject(gdi::StockObjectBit | gdi::BlackPen));
    mDc.brush = std::get<LogBrush>(StockObject(gdi::StockObjectBit | gdi::WhiteBrush));
    mDc.font = std::get<LogFont>(StockObject(gdi::StockObjectBit | gdi::SystemFont));
    mPainter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
}

void Player::stop(const QString &reason)
{
    if (!mStopped) {
        mStopped = true;
        mStopReason = reason;
    }
}

// --- state ------------------------------------------------------------------------------

QTransform Player::pageToDevice() const
{
    double sx = 1, sy = 1;
    if (mDc.mapMode != gdi::MmText) {
        const QSizeF &w = mDc.windowExt, &v = mDc.viewportExt;
        sx = w.width() != 0 ? v.width() / w.width() : 1;
        sy = w.height() != 0 ? v.height() / w.height() : 1;
        if (mDc.mapMode == gdi::MmIsotropic) {
            const double m = qMin(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    }
    return QTransform(sx, 0, 0, sy, mDc.viewportOrg.x() - mDc.windowOrg.x() * sx,
                      mDc.viewportOrg.y() - mDc.windowOrg.y() * sy);
}

void Player::setMapMode(int mode)
{
    // Fixed-unit modes set both extents from the device's size, as the drawing model does,
    // so that a later switch to a scalable mode starts from the same scale.
    const QSizeF px = mSetup.devicePixels, mm = mSetup.deviceMillimeters;
    const auto fixed = [&](double unitsPerMm) {
        mDc.windowExt = QSizeF(mm.width() * unitsPerMm, mm.height() * unitsPerMm);
        mDc.viewportExt = QSizeF(px.width(), -px.height());
    };
    switch (mode) {
    case gdi::MmText:
        mDc.windowExt = mDc.viewportExt = QSizeF(1, 1);
        break;
    case gdi::MmLoMetric: fixed(10); break;
    case gdi::MmHiMetric: fixed(100); break;
    case gdi::MmLoEnglish: fixed(100 / 25.4); break;
    case gdi::MmHiEnglish: fixed(1000 / 25.4); break;
    case gdi::MmTwips: fixed(1440 / 25.4); break;
    case gdi::MmIsotropic:
    case gdi::MmAnisotropic:
        break;
    default:
        return;
    }
    mDc.mapMode = mode;
    mappingChanged();
}

void Player::setWindowOrg(QPointF org)
{
    mDc.windowOrg = org;
    mappingChanged();
}

void Player::setViewportOrg(QPointF org)
{
    mDc.viewportOrg = org;
    mappingChanged();
}

void Player::setWindowExt(QSizeF ext)
{
    // Extents only count in the scalable modes, and a zero extent is refused.
    if ((mDc.mapMode != gdi::MmIsotropic && mDc.mapMode != gdi::MmAnisotropic) || ext.width() == 0 || ext.height() == 0)
        return;
    mDc.windowExt = ext;
    mappingChanged();
}

void Player::setViewportExt(QSizeF ext)
{
    if ((mDc.mapMode != gdi::MmIsotropic && mDc.mapMode != gdi::MmAnisotropic) || ext.width() == 0 || ext.height() == 0)
        return;
    mDc.viewportExt = ext;
    mappingChanged();
}

void Player::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setWindowExt(QSizeF(mDc.windowExt.width() * xNum / xDenom, mDc.windowExt.height() * yNum / yDenom));
}

void Player::scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setViewportExt(QSizeF(mDc.viewportExt.width() * xNum / xDenom, mDc.viewportExt.height() * yNum / yDenom));
}

void Player::setWorldTransform(const QTransform &world)
{
    if (!finiteTransform(world))
        return;
    mDc.world = world;
    mappingChanged();
}

void Player::modifyWorldTransform(const QTransform &xform, int mode)
{
    switch (mode) {
    case 1: // identity
        mDc.world = QTransform();
        mappingChanged();
        break;
    case 2: // the new transform applies first
        setWorldTransform(xform * mDc.world);
        break;
    case 3:
        setWorldTransform(mDc.world * xform);
        break;
    case 4:
        setWorldTransform(xform);
        break;
    default:
        break;
    }
}

const QTransform &Player::logicalToTarget()
{
    if (!mTransformValid) {
        mTransform = mDc.world * pageToDevice() * mSetup.deviceToTarget;
        mTransformUsable = finiteTransform(mTransform);
        mTransformValid = true;
    }
    return mTransform;
}

bool Player::transformUsable()
{
    logicalToTarget();
    return mTransformUsable && !mStopped;
}

void Player::saveDc()
{
    // Levels past the limit are only counted, so that their restores still pair up;
    // restoring one of them keeps the current state.
    if (mSaved.size() < MaxSavedDcs)
        mSaved.push_back(mDc);
    else
        ++mUnsavedLevels;
}

void Player::restoreDc(int which)
{
    const qint64 depth = qint64(mSaved.size()) + mUnsavedLevels;
    qint64 levels = which < 0 ? -qint64(which) : depth - which + 1;
    if (levels <= 0 || levels > depth)
        return;
    const qint64 unsaved = qMin(levels, mUnsavedLevels);
    mUnsavedLevels -= unsaved;
    levels -= unsaved;
    if (levels == 0)
        return;
    const size_t keep = mSaved.size() - size_t(levels);
    mDc = mSaved[keep];
    mSaved.resize(keep);
    mTransformValid = false;
    mClipDirty = true;
    mPathNeedsMove = true;
}

QRgb Player::color(uint32_t ref) const
{
    return ResolveColor(ref, mDc.palette.get());
}

void Player::selectObject(const GdiObject &object)
{
    if (const auto *pen = std::get_if<LogPen>(&object))
        mDc.pen = *pen;
    else if (const auto *brush = std::get_if<LogBrush>(&object))
        mDc.brush = *brush;
    else if (const auto *font = std::get_if<LogFont>(&object))
        mDc.font = *font;
    else if (const auto *palette = std::get_if<std::shared_ptr<LogPalette>>(&object))
        mDc.palette = *palette;
    else if (const auto *region = std::get_if<LogRegion>(&object))
        selectClipRects(region->rects, gdi::RgnCopy, false);
}

// --- pens, brushes, raster operations ---------------------------------------------------

bool Player::ropColors(QColor &c, QPainter::CompositionMode &mode) const
{
    mode = QPainter::CompositionMode_SourceOver;
    switch (mDc.rop2) {
    case gdi::R2Nop: return false;
    case gdi::R2Black: c = QColor(0, 0, 0, c.alpha()); break;
    case gdi::R2White: c = QColor(255, 255, 255, c.alpha()); break;
    case gdi::R2NotCopyPen: c = QColor::fromRgba(invertRgb(c.rgba())); break;
    case gdi::R2XorPen: mode = QPainter::RasterOp_SourceXorDestination; break;
    case gdi::R2Not: mode = QPainter::RasterOp_NotDestination; break;
    case gdi::R2MaskPen: mode = QPainter::RasterOp_SourceAndDestination; break;
    case gdi::R2MergePen: mode = QPainter::RasterOp_SourceOrDestination; break;
    case gdi::R2NotXorPen: mode = QPainter::RasterOp_NotSourceXorDestination; break;
    case gdi::R2MaskNotPen: mode = QPainter::RasterOp_NotSourceAndDestination; break;
    case gdi::R2MergeNotPen: mode = QPainter::RasterOp_NotSourceOrDestination; break;
    case gdi::R2NotMaskPen: mode = QPainter::RasterOp_NotSourceOrNotDestination; break;
    case gdi::R2NotMergePen: mode = QPainter::RasterOp_NotSourceAndNotDestination; break;
    case gdi::R2MaskPenNot: mode = QPainter::RasterOp_SourceAndNotDestination; break;
    case gdi::R2MergePenNot: mode = QPainter::RasterOp_SourceOrNotDestination; break;
    default: break;
    }
    return true;
}

QPen Player::makePen(double *targetWidth)
{
    const LogPen &p = mDc.pen;
    const QTransform &t = logicalToTarget();
    const double scale = std::sqrt(std::abs(t.determinant()));
    const double minWidth = MinPenWidth;
    const bool thin = p.cosmetic || p.width <= 0;
    double width = thin ? minWidth : qMax(minWidth, p.width * scale);
    // Lines about a pixel wide go through the painter's much faster hairline path.
    const bool hairline = width < 1.5;
    if (hairline)
        width = 1;
    *targetWidth = width;

    QPen pen(QColor::fromRgb(color(p.color)), width);
    pen.setCosmetic(hairline);
    switch (p.style & gdi::PsEndCapMask) {
    case gdi::PsEndCapSquare: pen.setCapStyle(Qt::SquareCap); break;
    case gdi::PsEndCapFlat: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(Qt::RoundCap); break;
    }
    switch (p.style & gdi::PsJoinMask) {
    case gdi::PsJoinBevel: pen.setJoinStyle(Qt::BevelJoin); break;
    case gdi::PsJoinMiter:
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setMiterLimit(qBound(1.0, mDc.miterLimit / 2, 50.0));
        break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
    }

    // Dash lengths: thin pens count device pixels, geometric pens count pen widths.
    // Wide pens made without the geometric flag ignore their dash style.
    const uint32_t kind = p.kind();
    if (kind == gdi::PsSolid || kind == gdi::PsInsideFrame || kind == gdi::PsNull)
        return pen;
    if (!thin && !p.geometric())
        return pen;
    QList<qreal> pattern;
    if (kind == gdi::PsUserStyle) {
        const double unit = thin ? mSetup.deviceScale : scale;
        for (double d : p.dashes)
            pattern.append(qMax(1e-3, std::abs(d) * unit / width));
    } else {
        static const QList<qreal> device[] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}, {1, 1}};
        static const QList<qreal> widths[] = {{3, 1}, {1, 1}, {3, 1, 1, 1}, {3, 1, 1, 1, 1, 1}, {1, 1}};
        const int index = kind == gdi::PsAlternate ? 4 : int(kind) - 1;
        if (index < 0 || index > 4)
            return pen;
        pattern = thin ? device[index] : widths[index];
        if (thin) {
            for (qreal &d : pattern)
                d = d * mSetup.deviceScale / width;
        }
    }
    if (pattern.isEmpty())
        return pen;
    if (pattern.size() % 2)
        pattern += pattern;
    pen.setDashPattern(pattern);
    if (thin)
        pen.setCapStyle(Qt::FlatCap);
    return pen;
}

QBrush Player::makeBrush(const LogBrush &b)
{
    switch (b.style) {
    case gdi::BsNull:
        return QBrush(Qt::NoBrush);
    case gdi::BsHatched: {
        const QRgb back = mDc.bkMode == gdi::Opaque ? color(mDc.bkColor) : qRgba(0, 0, 0, 0);
        const double scale = qMax(1.0, mSetup.deviceScale);
        if (!spend(64 * qMin(scale, 32.0) * qMin(scale, 32.0)))
            return QBrush(Qt::NoBrush);
        return QBrush(hatchTile(b.hatch, color(b.color), back, scale));
    }
    case gdi::BsPattern:
    case gdi::BsDibPattern:
    case gdi::BsDibPatternPt: {
        if (b.pattern.isNull())
            return QBrush(QColor::fromRgb(color(b.color)));
        QImage tile = b.pattern;
        if (b.monochrome) {
            const qint64 pixels = qint64(tile.width()) * tile.height();
            if (!makeRoom(4 * pixels) || !spend(cost::Pixel * double(pixels)))
                return QBrush(Qt::NoBrush);
            // Set bits take the background colour, clear bits the text colour.
            const QRgb fore = color(mDc.textColor), back = color(mDc.bkColor);
            tile = tile.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < tile.height(); ++y) {
                auto *row = reinterpret_cast<QRgb *>(tile.scanLine(y));
                for (int x = 0; x < tile.width(); ++x)
                    row[x] = qGray(row[x]) >= 128 ? back : fore;
            }
        }
        QBrush brush(tile);
        brush.setTransform(QTransform::fromScale(mSetup.deviceScale, mSetup.deviceScale));
        return brush;
    }
    default:
        return QBrush(QColor::fromRgb(color(b.color)));
    }
}

void Player::applyClip()
{
    if (!mClipDirty)
        return;
    mClipDirty = false;
    mPainter.resetTransform();
    if (mDc.clip.active())
        mPainter.setClipRegion(mDc.clip.region());
    else
        mPainter.setClipping(false);
}

// --- the funnel ----------------------------------------------------------------------------

double Player::roughLength(const QPainterPath &path)
{
    double length = 0;
    QPointF last;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (!e.isMoveTo()) {
            const double dx = e.x - last.x(), dy = e.y - last.y();
            length += std::sqrt(dx * dx + dy * dy);
        }
        last = QPointF(e.x, e.y);
    }
    return length;
}

void Player::emitShape(const QPainterPath &logical, Paint paint)
{
    if (!transformUsable())
        return;
    const QPainterPath target = logicalToTarget().map(logical);
    if (mDc.inPath) {
        addToPath(target, false);
        return;
    }
    paintTarget(target, paint);
}

void Player::emitConnected(const QPainterPath &logical)
{
    if (!transformUsable())
        return;
    const QPainterPath target = logicalToTarget().map(logical);
    if (mDc.inPath) {
        addToPath(target, true);
        return;
    }
    paintTarget(target, Paint::Stroke);
}

void Player::fillTarget(const QPainterPath &target, const QBrush &brush, QPainter::CompositionMode mode)
{
    const QRectF bounds = target.controlPointRect();
    const QRectF onSurface = bounds.intersected(mSurface);
    if (!finiteRect(bounds) || !chargeShape(target, onSurface.width() * onSurface.height(), Edges::Filled))
        return;
    applyClip();
    mPainter.resetTransform();
    mPainter.setCompositionMode(mode);
    mPainter.fillPath(target, brush);
    mPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Player::paintTarget(QPainterPath target, Paint paint, bool windingFill)
{
    if (mStopped)
        return;
    const bool fill = paint != Paint::Stroke && mDc.brush.style != gdi::BsNull;
    const bool stroke = paint != Paint::Fill && mDc.pen.kind() != gdi::PsNull;
    if (!fill && !stroke)
        return;
    if (fill) {
        target.setFillRule(windingFill || mDc.polyFillMode == gdi::Winding ? Qt::WindingFill : Qt::OddEvenFill);
        QBrush brush = makeBrush(mDc.brush);
        QColor c = brush.color();
        QPainter::CompositionMode mode;
        if (ropColors(c, mode)) {
            if (brush.style() == Qt::SolidPattern)
                brush.setColor(c);
            fillTarget(target, brush, mode);
        }
    }
    if (stroke && !mStopped) {
        double width = 1;
        QPen pen = makePen(&width);
        QColor c = pen.color();
        QPainter::CompositionMode mode;
        if (!ropColors(c, mode))
            return;
        pen.setColor(c);
        const double offset = StrokeOffset;
        target.translate(offset, offset);
        const QRectF bounds = target.controlPointRect();
        if (!finiteRect(bounds))
            return;
        const double length = roughLength(target);
        double dashes = 0;
        if (pen.style() == Qt::CustomDashLine) {
            double period = 0;
            for (qreal d : pen.dashPattern())
                period += d * width;
            dashes = period > 0 ? length / period : HUGE_VAL;
            if (dashes > MaxDashes) {
                pen.setStyle(Qt::SolidLine);
                dashes = 0;
            }
        }
        const double area = QRectF(mSurface).width() * mSurface.height();
        if (!chargeShape(target, qMin(area, length * (width + 2)), pen.isCosmetic() ? Edges::Hairline : Edges::Outlined,
                         width, dashes))
            return;
        applyClip();
        mPainter.resetTransform();
        mPainter.setCompositionMode(mode);
        mPainter.strokePath(target, pen);
        mPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

} // namespace mv::metafile
