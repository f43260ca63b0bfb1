// What the player pays for, and how: the prices of painting, decoding, palettes, regions
// and the path, asked of the budget before the work is done or the memory taken.

#include "imaging/metafile/player.h"

#include <cmath>

namespace mv::metafile {

namespace {

// How the painter's edge-smoothing rasteriser splits a shape: bands of about this many
// rows at first, no more than this many of them, then halved until a band's cells fit
// its pool (which grows to hold the most crowded row).
constexpr double BandRows = 42;
constexpr double FirstBands = 39;
constexpr double BandCells = 320;
// A wide line's outline, per element of the line.
constexpr double OutlineElements = 9;

} // namespace

// Work limit: every pixel of the picture may be painted a few hundred times over, and the
// units are about a nanosecond each; small pictures get the allowance of a megapixel (half
// a second), large ones no more than of four (two seconds).
double Player::workFor(QSize target)
{
    const double pixels = double(target.width()) * target.height();
    return 512.0 * qBound(double(1 << 20), pixels, double(4 << 20));
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

bool Player::chargeShape(const QPainterPath &target, double targetArea, Edges edges, double penWidth, double dashes)
{
    // The painter's edge-smoothing rasteriser works in bands of rows sized to hold its
    // cells (one per pixel an edge touches), walks every slanted line edge row by row again
    // in each band, and keeps each row's cells in a sorted list. So the price counts the
    // cells, how crowded the rows are, the bands, and the squared rows of slanted edges;
    // a zigzag of 200 points over 1000 rows takes seconds. The prices are fitted to
    // measurements, with room to spare. A wide line is painted as its outline: two sides,
    // and at every joint and dash end an arc about as long as the pen is wide, in about
    // nine elements per element of the line. Hairlines go through a cheap path of their own.
    const double bottom = mSurface.height(), right = mSurface.width();
    double cells = 0, slantedRows = 0, low = bottom, high = 0;
    const auto edge = [&](QPointF a, QPointF b, bool line) {
        if (qMax(a.y(), b.y()) < 0 || qMin(a.y(), b.y()) > bottom)
            return;
        const double y0 = qBound(0.0, qMin(a.y(), b.y()), bottom), y1 = qBound(0.0, qMax(a.y(), b.y()), bottom);
        const double rows = y1 - y0;
        cells += qMax(rows, qMin(std::abs(b.x() - a.x()), right)) + 1;
        if (line && a.x() != b.x())
            slantedRows += rows * rows;
        low = qMin(low, y0);
        high = qMax(high, y1);
    };
    const int n = target.elementCount();
    QPointF start, last;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = target.elementAt(i);
        if (e.isMoveTo()) {
            if (i > 0)
                edge(last, start, true); // fills close every figure
            start = e;
        } else if (e.isCurveTo() && i + 2 < n) {
            // Curves are cut into short lines: their control polygon bounds the cells.
            const QPointF c1 = e, c2 = target.elementAt(i + 1), end = target.elementAt(i + 2);
            edge(last, c1, false);
            edge(c1, c2, false);
            edge(c2, end, false);
            last = end;
            i += 2;
            continue;
        } else {
            edge(last, e, true);
        }
        last = e;
    }
    if (n > 0)
        edge(last, start, true);

    double elements = n;
    double units = targetArea + cost::PaintCall;
    if (edges == Edges::Hairline) {
        units += cost::HairlinePixel * cells + cost::PaintedElement * elements;
    } else {
        if (edges == Edges::Outlined) {
            const double pieces = elements + dashes;
            units += cost::StrokedElement * pieces;
            cells = 2 * cells + pieces * (2 + 2 * penWidth);
            elements = OutlineElements * pieces;
            slantedRows *= 2;
        }
        const double h = qMax(1.0, high - low);
        const double crowding = cells / h;
        const double bands = qMax(1.0, qMax(qMin(h / BandRows, FirstBands), cells / qMax(BandCells, 3 * crowding)));
        units += cost::PaintedElement * elements * bands + cost::Cell * cells + cost::CrowdedCell * cells * crowding
               + cost::SlantedRow * slantedRows * bands / h;
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
