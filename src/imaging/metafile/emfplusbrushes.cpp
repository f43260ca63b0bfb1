// EMF+ brushes made into painter brushes: solid colours, hatches, linear gradients with
// their blends, textures, and path gradients (drawn as a fan of triangles from the centre,
// each shaded from the centre colour to its edge of the boundary).

#include "imaging/metafile/emfplusformat.h"
#include "imaging/metafile/emfplusplayer.h"

#include <QLinearGradient>

#include <cmath>

namespace mv::metafile {

using namespace emfplus;

namespace {

// An 8 x 8 ordered dither: a pixel is on when its threshold is below the share asked for.
constexpr int Bayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21},
};

bool dither(int x, int y, int percent)
{
    return Bayer[y][x] < percent * 64 / 100;
}

int mod(int a, int n)
{
    return ((a % n) + n) % n;
}

// The hatch styles' 8 x 8 patterns: the line styles as drawn, the shaded and textured ones
// by how much of the tile they cover.
bool hatchBit(int style, int x, int y)
{
    static const int percents[] = {5, 10, 20, 25, 30, 40, 50, 60, 70, 75, 80, 90};
    switch (style) {
    case 0: return y == 0;
    case 1: return x == 0;
    case 2: return x == y;
    case 3: return x + y == 7;
    case 4: return x == 0 || y == 0;
    case 5: return x == y || x + y == 7;
    case 18: return mod(x - y, 4) == 0;
    case 19: return mod(x + y, 4) == 3;
    case 20: return mod(x - y, 4) < 2;
    case 21: return mod(x + y, 4) >= 2;
    case 22: return mod(x - y, 8) < 3;
    case 23: return mod(x + y, 8) >= 5;
    case 24: return x % 4 == 0;
    case 25: return y % 4 == 0;
    case 26: return x % 2 == 0;
    case 27: return y % 2 == 0;
    case 28: return x % 4 < 2;
    case 29: return y % 4 < 2;
    case 30: return mod(x - y, 4) == 0 && y < 4;
    case 31: return mod(x + y, 4) == 3 && y < 4;
    case 32: return (y == 0 && x < 4) || (y == 4 && x >= 4);
    case 33: return (x == 0 && y < 4) || (x == 4 && y >= 4);
    case 34: return dither(x, y, 15);
    case 35: return dither(x, y, 30);
    case 36: return y == qAbs(x % 8 - 4) || y == qAbs(x % 8 - 4) + 1;
    case 37: return y == (x % 8 < 4 ? x % 4 / 2 : 2 - x % 4 / 2);
    case 38: return x + y == 7 || (y >= 4 && x == 0);
    case 39: case 45: return y == 0 || y == 4 || (y < 4 ? x == 0 : x == 4);
    case 43: return (y == 0 && x % 2 == 0) || (x == 0 && y % 2 == 0);
    case 44: return (mod(x - y, 8) == 0 || mod(x + y, 8) == 0) && x % 2 == 0;
    case 46: return y % 2 == 0 || mod(x + y, 4) == 0;
    case 48: return x % 4 == 0 || y % 4 == 0;
    case 49: return (x + y) % 2 == 0;
    case 50: return (x / 4 + y / 4) % 2 == 0;
    case 51: return mod(x - y, 8) == 0 || mod(x + y, 8) == 7;
    case 52: return std::abs(x - 3.5) + std::abs(y - 3.5) <= 4;
    case 42: return dither(x, y, 15);
    default:
        if (style >= 6 && style <= 17)
            return dither(x, y, percents[style - 6]);
        return dither(x, y, 50);
    }
}

QGradient::Spread spreadOf(int wrap)
{
    switch (wrap) {
    case 0: return QGradient::RepeatSpread;
    case 1: case 2: case 3: return QGradient::ReflectSpread;
    default: return QGradient::PadSpread;
    }
}

QColor mix(QColor a, QColor b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2,
                  (a.alpha() + b.alpha()) / 2);
}

} // namespace

QBrush EmfPlusPlayer::paintBrush(const PlusBrush &b, const QTransform &paintToTarget, const QRectF &area, bool stroke)
{
    bool invertible = false;
    const QTransform targetToPaint = paintToTarget.inverted(&invertible);
    if (!invertible)
        return QBrush(Qt::NoBrush);
    const QTransform worldToPaint = worldToTarget() * targetToPaint;
    QBrush brush;
    switch (b.kind) {
    case PlusBrush::Solid:
        return QBrush(b.color);
    case PlusBrush::Hatch:
        brush = hatchBrush(b);
        brush.setTransform(targetToPaint);
        return brush;
    case PlusBrush::LinearGradient: {
        if (b.rect.width() == 0 || b.stops.isEmpty())
            return QBrush(b.stops.isEmpty() ? QColor(Qt::transparent) : b.stops.first().second);
        QLinearGradient gradient(b.rect.left(), b.rect.top(), b.rect.right(), b.rect.top());
        gradient.setStops(b.stops);
        gradient.setSpread(spreadOf(b.wrap));
        brush = QBrush(gradient);
        brush.setTransform(b.transform * worldToPaint);
        return brush;
    }
    case PlusBrush::PathGradient:
        if (stroke)
            return QBrush(b.centerColor); // lines take the centre colour
        brush = pathGradientBrush(b, area);
        if (brush.style() != Qt::NoBrush)
            brush.setTransform(brush.transform() * targetToPaint);
        return brush;
    case PlusBrush::Texture:
        brush = textureBrush(b);
        if (brush.style() != Qt::NoBrush)
            brush.setTransform(b.transform * worldToPaint);
        return brush;
    default:
        return QBrush(Qt::NoBrush);
    }
}

QBrush EmfPlusPlayer::hatchBrush(const PlusBrush &b)
{
    // Hatches are 8 x 8 pixels of the recording device, their lines kept sharp.
    const int scale = int(qBound(1.0, std::round(mDeviceScale), 32.0));
    const int n = 8 * scale;
    if (!mPlayer.spend(cost::Pixel * n * n))
        return QBrush(Qt::NoBrush);
    QImage tile(n, n, QImage::Format_ARGB32);
    const QRgb fore = b.color.rgba(), back = b.back.rgba();
    for (int y = 0; y < n; ++y) {
        auto *row = reinterpret_cast<QRgb *>(tile.scanLine(y));
        for (int x = 0; x < n; ++x)
            row[x] = hatchBit(b.hatch, x / scale, y / scale) ? fore : back;
    }
    return QBrush(tile);
}

QBrush EmfPlusPlayer::pathGradientBrush(const PlusBrush &b, const QRectF &area)
{
    const QRect box = area.toAlignedRect().intersected(mSurface);
    const qsizetype n = b.boundary.size();
    if (box.isEmpty() || n < 3)
        return QBrush(Qt::NoBrush);
    const qint64 pixels = qint64(box.width()) * box.height();
    if (!mPlayer.makeRoom(4 * pixels) || !mPlayer.spend(cost::Pixel * double(pixels) + cost::GradientPiece * double(n)))
        return QBrush(Qt::NoBrush);
    const QTransform toTarget = b.transform * worldToTarget();
    const QPointF c = toTarget.map(b.center);
    QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QBrush(Qt::NoBrush);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.translate(-box.left(), -box.top());
        p.setPen(Qt::NoPen);
        const auto surroundAt = [&](qsizetype i) {
            return b.surround.isEmpty() ? b.centerColor : b.surround[qMin(i, b.surround.size() - 1)];
        };
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF a = toTarget.map(b.boundary[i]), e = toTarget.map(b.boundary[(i + 1) % n]);
            const QPointF ab = e - a;
            const double len2 = QPointF::dotProduct(ab, ab);
            if (!(len2 > 0) || !std::isfinite(len2))
                continue;
            // Colours are constant along lines parallel to the edge: the gradient runs from
            // the centre straight towards it.
            const QPointF foot = a + ab * (QPointF::dotProduct(c - a, ab) / len2);
            if (QLineF(c, foot).length() < 1e-6)
                continue;
            QLinearGradient gradient(c, foot);
            if (b.stops.isEmpty()) {
                gradient.setColorAt(0, b.centerColor);
                gradient.setColorAt(1, mix(surroundAt(i), surroundAt((i + 1) % n)));
            } else {
                for (const QGradientStop &stop : b.stops)
                    gradient.setColorAt(1 - stop.first, stop.second);
            }
            p.setBrush(gradient);
            p.drawPolygon(QPolygonF({c, a, e}));
        }
    }
    QBrush brush(image);
    brush.setTransform(QTransform::fromTranslate(box.left(), box.top()));
    return brush;
}

QBrush EmfPlusPlayer::textureBrush(const PlusBrush &b)
{
    if (b.texture.isNull())
        return QBrush(Qt::NoBrush);
    const int flips = b.wrap >= 1 && b.wrap <= 3 ? b.wrap : 0; // 1 across, 2 down, 3 both
    if (flips == 0)
        return QBrush(b.texture);
    // A tile and its mirror images side by side.
    const int w = b.texture.width(), h = b.texture.height();
    const int tw = flips & 1 ? 2 * w : w, th = flips & 2 ? 2 * h : h;
    const qint64 pixels = qint64(tw) * th;
    if (!mPlayer.makeRoom(4 * pixels) || !mPlayer.spend(cost::Pixel * double(pixels)))
        return QBrush(Qt::NoBrush);
    QImage tile(tw, th, QImage::Format_ARGB32_Premultiplied);
    if (tile.isNull())
        return QBrush(Qt::NoBrush);
    tile.fill(Qt::transparent);
    QPainter p(&tile);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, b.texture);
    if (flips & 1)
        p.drawImage(w, 0, b.texture.mirrored(true, false));
    if (flips & 2)
        p.drawImage(0, h, b.texture.mirrored(false, true));
    if (flips == 3)
        p.drawImage(w, h, b.texture.mirrored(true, true));
    p.end();
    return QBrush(tile);
}

} // namespace mv::metafile
