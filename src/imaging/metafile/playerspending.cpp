// What the player pays for, and how: the prices of painting, decoding, palettes, regions
// and the path, asked of the budget before the work is done or the memory taken.

#include "imaging/metafile/player.h"

#include <cmath>

namespace mv::metafile {

// Work limit: every pixel of the picture may be painted a few hundred times over; small
// pictures get the allowance of a megapixel, large ones no more than of eight, so that
// no picture takes more than a second or two of work.
double Player::workFor(QSize target)
{
    const double pixels = double(target.width()) * target.height();
    return 256.0 * qBound(double(1 << 20), pixels, double(8 << 20));
}

const QString &Player::workReason()
{
    static const QString reason = QStringLiteral("drawing stopped: the picture needs far more work than its size allows");
    return reason;
}

const QString &Player::memoryReason()
{
    static const QString reason = QStringLiteral("drawing stopped: the picture needs more than %1 MB of memory")
                                      .arg(MaxKeptBytes >> 20);
    return reason;
}

bool Player::spend(double units)
{
    if (!mBudget.spend(units))
        stop(workReason());
    return !mStopped;
}

bool Player::keep(Charge &charge, qint64 bytes)
{
    if (!mStopped && !mBudget.keep(charge, bytes))
        stop(memoryReason());
    return !mStopped;
}

bool Player::makeRoom(qint64 bytes)
{
    if (!mBudget.fits(bytes))
        stop(memoryReason());
    return !mStopped;
}

bool Player::charge(double targetArea)
{
    return spend(targetArea + cost::PaintCall);
}

bool Player::chargeShape(const QPainterPath &target, double targetArea, Edges edges)
{
    // The painter's edge-smoothing rasteriser slows down far beyond the area when many long
    // edges cross the same rows: a zigzag of 200 points over 1000 rows takes seconds. The
    // price counts the rows the edges cross (r), how many cross each row on average (a)
    // and the elements, fitted to measurements with room to spare; a stroke's outline has
    // about twice the edges of its line, and hairlines go through a cheap path of their own.
    const double top = mSurface.top(), bottom = mSurface.bottom() + 1;
    double r = 0, low = bottom, high = top;
    const auto edge = [&](QPointF a, QPointF b) {
        const double y0 = qBound(top, qMin(a.y(), b.y()), bottom), y1 = qBound(top, qMax(a.y(), b.y()), bottom);
        r += y1 - y0;
        low = qMin(low, y0);
        high = qMax(high, y1);
    };
    const int n = target.elementCount();
    QPointF start, last;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = target.elementAt(i);
        if (e.isMoveTo()) {
            if (i > 0)
                edge(last, start); // fills close every figure
            start = e;
        } else {
            edge(last, e);
        }
        last = e;
    }
    if (n > 0)
        edge(last, start);
    double units = targetArea + cost::PaintCall + cost::PaintedElement * n + cost::EdgeRow * r;
    if (edges != Edges::Hairline) {
        if (edges == Edges::Outlined)
            r *= 2;
        const double a = r / qMax(1.0, high - low);
        units += qMin(cost::CrowdedRowsSquare * r * r, cost::CrowdedEdgeRow * r * a);
    }
    if (!std::isfinite(units))
        units = HUGE_VAL;
    return spend(units);
}

QImage Player::decodeDib(ByteReader info, ByteReader bits, DibOptions options, Charge &charge)
{
    options.allow = [this, &charge](qint64 pixels, qint64 peakBytes) {
        return keep(charge, peakBytes) && spend(cost::Pixel * double(pixels));
    };
    QImage image = DecodeDib(info, bits, options);
    keep(charge, image.isNull() ? 0 : image.sizeInBytes()); // the peak is over: never more than it
    return image;
}

QImage Player::decodePackedDib(ByteReader packed, DibOptions options, Charge &charge)
{
    options.allow = [this, &charge](qint64 pixels, qint64 peakBytes) {
        return keep(charge, peakBytes) && spend(cost::Pixel * double(pixels));
    };
    QImage image = DecodePackedDib(packed, options);
    keep(charge, image.isNull() ? 0 : image.sizeInBytes());
    return image;
}

QImage Player::decodeBitmap16(ByteReader bits, int width, int height, int widthBytes, int planes, int bitsPixel,
                              Charge &charge)
{
    const auto allow = [this, &charge](qint64 pixels, qint64 peakBytes) {
        return keep(charge, peakBytes) && spend(cost::Pixel * double(pixels));
    };
    QImage image = DecodeBitmap16(bits, width, height, widthBytes, planes, bitsPixel, allow);
    keep(charge, image.isNull() ? 0 : image.sizeInBytes());
    return image;
}

bool Player::resizePalette(LogPalette &palette, qsizetype entries)
{
    if (!keep(palette.charge, qint64(entries) * qint64(sizeof(QRgb))) || !spend(double(entries)))
        return false;
    palette.entries.resize(entries, qRgb(0, 0, 0));
    return true;
}

bool Player::keepRegion(LogRegion &region)
{
    return keep(region.charge, region.rects.size() * qint64(sizeof(QRectF)))
        && spend(cost::RegionRect * double(region.rects.size()));
}

bool Player::growPath(qint64 more)
{
    return keep(mDc.pathCharge, (mDc.path.elementCount() + more) * PathElementBytes)
        && spend(cost::PathElement * double(more));
}

void Player::clearPath()
{
    mDc.path = QPainterPath();
    mDc.pathCharge = Charge();
    mDc.pathIsOutline = false;
}

void Player::addToPath(const QPainterPath &target, bool connect)
{
    if (!growPath(target.elementCount()))
        return;
    if (connect && !mPathNeedsMove && mDc.path.elementCount() > 0)
        mDc.path.connectPath(target);
    else
        mDc.path.addPath(target);
    mPathNeedsMove = !connect;
}

} // namespace mv::metafile
