// EMF+ images: bitmaps stored as raw pixels or as compressed files (decoded by the codec
// layer's decoders, their pixels paid for first), and metafiles, drawn by our own player
// inside the picture, a few levels deep at most, on the same budgets.

#include "imaging/bmpdecoder.h"
#include "imaging/gifdecoder.h"
#include "imaging/metafile/dib.h"
#include "imaging/metafile/emfplayer.h"
#include "imaging/metafile/emfplushandlers.h"
#include "imaging/tiffdecoder.h"

#include <QBuffer>
#include <QImageReader>

#include <cmath>

namespace mv::metafile {

using namespace emfplus;

namespace {

// A picture drawn inside another one: setting its drawing up, and walking its records
// (per byte), paid for on top of what it draws, however small it is drawn.
constexpr double NestedDrawing = 100000;
constexpr double NestedByte = 2;

enum PixelFormat : uint32_t {
    Indexed1 = 0x00030101, Indexed4 = 0x00030402, Indexed8 = 0x00030803, Gray16 = 0x00101004,
    Rgb555 = 0x00021005, Rgb565 = 0x00021006, Argb1555 = 0x00061007, Rgb24 = 0x00021808, Rgb32 = 0x00022009,
    Argb32 = 0x0026200A, Pargb32 = 0x000E200B, Rgb48 = 0x0010300C, Argb64 = 0x0034400D, Pargb64 = 0x001A400E,
};

int bitsOf(uint32_t format)
{
    switch (format) {
    case Indexed1: return 1;
    case Indexed4: return 4;
    case Indexed8: return 8;
    case Gray16: case Rgb555: case Rgb565: case Argb1555: return 16;
    case Rgb24: return 24;
    case Rgb32: case Argb32: case Pargb32: return 32;
    case Rgb48: return 48;
    case Argb64: case Pargb64: return 64;
    default: return 0;
    }
}

QRgb pixelAt(uint32_t format, const uint8_t *row, int x, const QList<QRgb> &palette)
{
    const auto u16 = [&](int i) { return uint32_t(row[i]) | (uint32_t(row[i + 1]) << 8); };
    const auto index = [&](int i) { return i < palette.size() ? palette[i] : qRgba(0, 0, 0, 255); };
    switch (format) {
    case Indexed1: return index((row[x / 8] >> (7 - x % 8)) & 1);
    case Indexed4: return index((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F);
    case Indexed8: return index(row[x]);
    case Gray16: {
        const int v = int(u16(2 * x) >> 8);
        return qRgb(v, v, v);
    }
    case Rgb555: case Argb1555: {
        const uint32_t v = u16(2 * x);
        const int r = int((v >> 10) & 31) * 255 / 31, g = int((v >> 5) & 31) * 255 / 31, b = int(v & 31) * 255 / 31;
        return qRgba(r, g, b, format == Argb1555 && !(v & 0x8000) ? 0 : 255);
    }
    case Rgb565: {
        const uint32_t v = u16(2 * x);
        return qRgb(int((v >> 11) & 31) * 255 / 31, int((v >> 5) & 63) * 255 / 63, int(v & 31) * 255 / 31);
    }
    case Rgb24: return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    case Rgb32: return qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    case Argb32: case Pargb32: return qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
    case Rgb48: return qRgb(row[6 * x + 5], row[6 * x + 3], row[6 * x + 1]);
    case Argb64: case Pargb64: return qRgba(row[8 * x + 5], row[8 * x + 3], row[8 * x + 1], row[8 * x + 7]);
    default: return 0;
    }
}

bool rawBitmap(ByteReader &r, Player &player, int width, int height, int stride, uint32_t format, PlusImage &out)
{
    const int bits = bitsOf(format);
    if (bits == 0 || width <= 0 || height <= 0 || width > 0x7FFFFF || height > 0x7FFFFF
        || qint64(width) * height > MaxDibPixels)
        return false;
    QList<QRgb> palette;
    if (bits <= 8) {
        r.u32(); // palette flags
        const uint32_t count = r.u32();
        if (!r.ok() || count > 256 || !r.has(4 * qint64(count)))
            return false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t argb = r.u32();
            palette.append(qRgba(int((argb >> 16) & 0xFF), int((argb >> 8) & 0xFF), int(argb & 0xFF), int(argb >> 24)));
        }
    }
    const qint64 rowBytes = (qint64(width) * bits + 7) / 8;
    if (stride < rowBytes || !r.has(qint64(stride) * (height - 1) + rowBytes))
        return false;
    const qint64 pixels = qint64(width) * height;
    if (!player.keep(out.charge, 4 * pixels) || !player.spend(cost::Pixel * double(pixels)))
        return false;
    const bool premultiplied = format == Pargb32 || format == Pargb64;
    QImage image(width, height, premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_ARGB32);
    if (image.isNull())
        return false;
    const auto *base = reinterpret_cast<const uint8_t *>(r.data() + r.pos());
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = base + qint64(stride) * y;
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            dst[x] = pixelAt(format, row, x, palette);
    }
    if (premultiplied) {
        // Stored premultiplied: a colour above its alpha is damage, kept within range.
        for (int y = 0; y < height; ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const int a = qAlpha(row[x]);
                row[x] = qRgba(qMin(qRed(row[x]), a), qMin(qGreen(row[x]), a), qMin(qBlue(row[x]), a), a);
            }
        }
    }
    out.bitmap = image;
    return true;
}

// A picture file inside the record (PNG, JPEG, GIF, BMP, TIFF): its size read first, its
// pixels paid for before they are decoded.
bool compressedBitmap(ByteReader &r, Player &player, PlusImage &out)
{
    if (!player.makeRoom(r.remaining()))
        return false;
    const QByteArray bytes(r.data() + r.pos(), r.remaining());
    const auto allow = [&](QSize size) {
        const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : 0;
        // The decoder's own pixels and their converted copy are held together for a moment.
        return pixels > 0 && pixels <= MaxDibPixels && player.keep(out.charge, 8 * pixels)
            && player.spend(cost::Pixel * double(pixels));
    };
    QImage image;
    if (bytes.startsWith("\x89PNG") || bytes.startsWith("\xFF\xD8\xFF")) {
        QByteArray raw = QByteArray::fromRawData(bytes.constData(), bytes.size());
        QBuffer buffer(&raw);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, bytes.startsWith("\x89PNG") ? "png" : "jpeg");
        reader.setAutoTransform(false);
        if (!allow(reader.size()))
            return false;
        image = reader.read();
    } else if (bytes.startsWith("GIF8")) {
        ByteReader head(bytes);
        head.seek(6);
        const int w = head.u16(), h = head.u16();
        if (!head.ok() || !allow(QSize(w, h)))
            return false;
        GifDecoder decoder(bytes, QSize(w, h));
        image = decoder.NextFrame();
    } else if (bytes.startsWith("BM")) {
        const BmpFamilyInfo info = ReadBmpFamilyInfo(bytes, ImageFormat::Bmp);
        if (!info.error.isEmpty() || !allow(info.size))
            return false;
        image = DecodeBmpFamily(bytes, ImageFormat::Bmp, 0, QSize()).image;
    } else if (bytes.startsWith(QByteArrayLiteral("II*\0")) || bytes.startsWith(QByteArrayLiteral("MM\0*"))) {
        const TiffInfo info = ReadTiffInfo(bytes);
        if (!info.error.isEmpty() || !allow(info.size))
            return false;
        image = DecodeTiff(bytes, QSize()).image;
    } else {
        return false;
    }
    if (image.isNull())
        return false;
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.bitmap = image;
    return player.keep(out.charge, image.sizeInBytes()); // the peak is over: never more than it
}

// The source rectangle in image pixels: bitmaps count 96 per inch.
QRectF sourcePixels(QRectF source, int unit)
{
    const double k = unit == UnitPixel || unit == UnitWorld ? 1 : UnitToPixels(unit, 96, true);
    return QRectF(source.x() * k, source.y() * k, source.width() * k, source.height() * k);
}

void drawBitmap(EmfPlusPlayer &p, const QImage &image, QRectF source, const QPointF (&dest)[3])
{
    if (source.width() == 0 || source.height() == 0)
        return;
    const QPointF ux = (dest[1] - dest[0]) / source.width(), uy = (dest[2] - dest[0]) / source.height();
    const QTransform imageToWorld(ux.x(), ux.y(), uy.x(), uy.y(), dest[0].x() - ux.x() * source.x() - uy.x() * source.y(),
                                  dest[0].y() - ux.y() * source.x() - uy.y() * source.y());
    const QTransform imageToTarget = imageToWorld * p.worldToTarget();
    const QRectF visible = source.normalized().intersected(QRectF(image.rect()));
    if (visible.isEmpty() || !UsableTransform(imageToTarget))
        return;
    const QRectF onSurface = imageToTarget.mapRect(visible).intersected(QRectF(p.surface()));
    if (onSurface.isEmpty()
        || !p.player().spend(onSurface.width() * onSurface.height() + visible.width() * visible.height() / 16 + cost::PaintCall))
        return;
    QPainter &painter = p.beginPainting();
    // Bands of one picture must meet without seams: no edge smoothing when upright.
    painter.setRenderHint(QPainter::Antialiasing, imageToTarget.m12() != 0 || imageToTarget.m21() != 0);
    painter.setTransform(imageToTarget);
    painter.drawImage(visible, image, visible);
    painter.resetTransform();
}

void drawMetafile(EmfPlusPlayer &p, const PlusImage &picture, QRectF source, int unit, const QPointF (&given)[3])
{
    // A source measured backwards mirrors the picture: the same as a mirrored destination.
    QPointF dest[3] = {given[0], given[1], given[2]};
    if (source.width() < 0) {
        dest[0] = given[1];
        dest[1] = given[0];
        dest[2] = given[2] + (given[1] - given[0]);
    }
    if (source.height() < 0) {
        const QPointF down = dest[2] - dest[0];
        dest[0] += down;
        dest[1] += down;
        dest[2] -= down;
    }
    source = source.normalized();
    // Only EMF is drawn inside a picture (with or without EMF+); a nested WMF is left out.
    if (picture.metafileType < 3 || p.nesting().depth + 1 > MaxNesting)
        return;
    EmfHeader header;
    EmfGeometry geometry;
    QString error;
    if (!ReadEmfHeader(picture.metafile, header, error) || !EmfGeometryOf(header, geometry, error))
        return;
    // The source counts the metafile's own device pixels; a source that covers it all
    // (in whichever resolution it was measured) draws the whole frame.
    if (unit != UnitPixel && unit != UnitWorld) {
        const double dpi = geometry.devicePixels.width() / geometry.deviceMillimeters.width() * 25.4;
        const double k = UnitToPixels(unit, dpi, true);
        source = QRectF(source.x() * k, source.y() * k, source.width() * k, source.height() * k);
    }
    const QRectF frame = geometry.deviceFrame;
    const bool whole = std::abs(source.width() - frame.width()) <= 0.02 * frame.width() + 1
                    && std::abs(source.height() - frame.height()) <= 0.02 * frame.height() + 1;
    if (!whole && source.width() > 0 && source.height() > 0)
        geometry.deviceFrame = source;
    const QTransform &t = p.worldToTarget();
    const QPointF a = t.map(dest[0]), b = t.map(dest[1]), c = t.map(dest[2]);
    double w = QLineF(a, b).length(), h = QLineF(a, c).length();
    if (!(w >= 0.5) || !(h >= 0.5) || !std::isfinite(w * h))
        return;
    // Drawn at its size on the target, never larger than twice the target or than a
    // bitmap may be.
    const QRect surface = p.surface();
    const double most = qMin(double(MaxDibPixels), 4.0 * surface.width() * surface.height());
    const double shrink = qMin(1.0, qMin(2.0 * surface.width() / w, 2.0 * surface.height() / h));
    w *= shrink;
    h *= shrink;
    if (w * h > most) {
        const double k = std::sqrt(most / (w * h));
        w *= k;
        h *= k;
    }
    const QSize size(qMax(1, int(std::ceil(w))), qMax(1, int(std::ceil(h))));
    Charge held;
    if (!p.player().keep(held, 4 * qint64(size.width()) * size.height())
        || !p.player().spend(NestedDrawing + NestedByte * double(picture.metafile.size())))
        return;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return;
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::transparent);
    (void)PlayEmf(picture.metafile, header, geometry, image, Nesting{&p.player(), p.nesting().depth + 1});
    if (p.player().stopped())
        return;
    drawBitmap(p, image, QRectF(image.rect()), dest);
}

void drawImage(EmfPlusPlayer &p, const Record &r, int unit, QRectF source, const QPointF (&dest)[3])
{
    const PlusImage *image = p.object<PlusImage>(r.flags & 0xFF);
    if (!image || !p.transformUsable() || !FiniteRect(source))
        return;
    if (image->isMetafile())
        drawMetafile(p, *image, source, unit, dest);
    else if (!image->bitmap.isNull())
        drawBitmap(p, image->bitmap, sourcePixels(source, unit), dest);
}

void drawImageRect(EmfPlusPlayer &p, Record &r)
{
    r.data.u32(); // image attributes: not applied
    const int unit = r.data.i32();
    const QRectF source = Rect(r.data, false);
    const QRectF dest = Rect(r.data, r.flags & Compressed);
    if (!r.data.ok() || !FiniteRect(dest))
        return;
    const QPointF corners[3] = {dest.topLeft(), dest.topRight(), dest.bottomLeft()};
    drawImage(p, r, unit, source, corners);
}

void drawImagePoints(EmfPlusPlayer &p, Record &r)
{
    r.data.u32(); // image attributes: not applied
    const int unit = r.data.i32();
    const QRectF source = Rect(r.data, false);
    const uint32_t count = r.data.u32();
    QPolygonF points;
    if (!r.data.ok() || count != 3
        || !ReadPaidPoints(r.data, p.player(), count, r.flags & Compressed, r.flags & Relative, points))
        return;
    const QPointF corners[3] = {points[0], points[1], points[2]};
    drawImage(p, r, unit, source, corners);
}

} // namespace

namespace emfplus {

bool ParseImage(ByteReader &r, Player &player, PlusImage &out)
{
    r.u32(); // version
    const uint32_t type = r.u32();
    if (type == 1) {
        const int32_t width = r.i32(), height = r.i32(), stride = r.i32();
        const uint32_t format = r.u32();
        const uint32_t coding = r.u32();
        if (!r.ok())
            return false;
        return coding == 0 ? rawBitmap(r, player, width, height, stride, format, out) : compressedBitmap(r, player, out);
    }
    if (type == 2) {
        out.metafileType = int(r.u32());
        const uint32_t size = r.u32();
        if (!r.ok() || size == 0 || !r.has(size) || !player.keep(out.charge, size))
            return false;
        out.metafile = QByteArray(r.data() + r.pos(), size);
        r.skip(size);
        return true;
    }
    return false;
}

void AddImageHandlers(HandlerTable &t)
{
    Add(t, DrawImage, drawImageRect, 32);
    Add(t, DrawImagePoints, drawImagePoints, 28);
}

} // namespace emfplus

} // namespace mv::metafile
