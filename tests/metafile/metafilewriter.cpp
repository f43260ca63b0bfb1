#include "metafilewriter.h"

#include <QHash>

#include <bit>
#include <cmath>

namespace mv::test {

Bytes &Bytes::u8(uint8_t v)
{
    mData.append(char(v));
    return *this;
}

Bytes &Bytes::u16(uint16_t v)
{
    return u8(uint8_t(v)).u8(uint8_t(v >> 8));
}

Bytes &Bytes::u32(uint32_t v)
{
    return u16(uint16_t(v)).u16(uint16_t(v >> 16));
}

Bytes &Bytes::f32(float v)
{
    return u32(std::bit_cast<uint32_t>(v));
}

Bytes &Bytes::raw(const QByteArray &b)
{
    mData.append(b);
    return *this;
}

Bytes &Bytes::pad4()
{
    while (mData.size() % 4)
        mData.append('\0');
    return *this;
}

Bytes &Bytes::pad2()
{
    if (mData.size() % 2)
        mData.append('\0');
    return *this;
}

// --- bitmaps -------------------------------------------------------------------------------

namespace {

Bytes infoHeader(int w, int h, int bpp, uint32_t compression, uint32_t imageSize, uint32_t colors)
{
    Bytes b;
    b.u32(40).i32(w).i32(h).u16(1).u16(uint16_t(bpp)).u32(compression).u32(imageSize).i32(3780).i32(3780).u32(colors).u32(0);
    return b;
}

QList<QRgb> colorsOf(const QImage &image, QHash<QRgb, int> &index)
{
    QList<QRgb> colors;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000u;
            if (!index.contains(c)) {
                index.insert(c, int(colors.size()));
                colors.append(c);
            }
        }
    }
    return colors;
}

} // namespace

Dib MakeDib(const QImage &image, int bpp)
{
    const int w = image.width(), h = image.height();
    const int stride = ((w * bpp + 31) / 32) * 4;
    QHash<QRgb, int> index;
    QList<QRgb> table;
    if (bpp <= 8) {
        table = colorsOf(image, index);
        table.resize(1 << bpp, qRgb(0, 0, 0));
    }
    Bytes info = infoHeader(w, h, bpp, 0, uint32_t(stride * h), bpp <= 8 ? uint32_t(table.size()) : 0);
    for (QRgb c : table)
        info.u8(uint8_t(qBlue(c))).u8(uint8_t(qGreen(c))).u8(uint8_t(qRed(c))).u8(0);
    QByteArray bits(stride * h, '\0');
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        auto *dst = reinterpret_cast<uint8_t *>(bits.data() + row * stride);
        for (int x = 0; x < w; ++x) {
            const QRgb c = image.pixel(x, y);
            switch (bpp) {
            case 1:
                if (index.value(c | 0xFF000000u))
                    dst[x / 8] |= uint8_t(0x80 >> (x % 8));
                break;
            case 8:
                dst[x] = uint8_t(index.value(c | 0xFF000000u));
                break;
            case 24:
                dst[3 * x] = uint8_t(qBlue(c)), dst[3 * x + 1] = uint8_t(qGreen(c)), dst[3 * x + 2] = uint8_t(qRed(c));
                break;
            default: {
                const QRgb p = qPremultiply(c);
                dst[4 * x] = uint8_t(qBlue(p)), dst[4 * x + 1] = uint8_t(qGreen(p)), dst[4 * x + 2] = uint8_t(qRed(p));
                dst[4 * x + 3] = uint8_t(qAlpha(p));
                break;
            }
            }
        }
    }
    return {info.data(), bits};
}

Dib MakeRle8Dib(const QImage &image)
{
    const int w = image.width(), h = image.height();
    QHash<QRgb, int> index;
    QList<QRgb> table = colorsOf(image, index);
    Bytes bits;
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        int x = 0;
        while (x < w) {
            const int v = index.value(image.pixel(x, y) | 0xFF000000u);
            int run = 1;
            while (x + run < w && run < 255 && index.value(image.pixel(x + run, y) | 0xFF000000u) == v)
                ++run;
            bits.u8(uint8_t(run)).u8(uint8_t(v));
            x += run;
        }
        bits.u8(0).u8(0);
    }
    bits.u8(0).u8(1);
    Bytes info = infoHeader(w, h, 8, 1, uint32_t(bits.size()), uint32_t(table.size()));
    for (QRgb c : table)
        info.u8(uint8_t(qBlue(c))).u8(uint8_t(qGreen(c))).u8(uint8_t(qRed(c))).u8(0);
    return {info.data(), bits.data()};
}

// --- EMF -------------------------------------------------------------------------------------

EmfWriter::EmfWriter(int width, int height) : mWidth(width), mHeight(height) {}

void EmfWriter::record(uint32_t type, const Bytes &params)
{
    Bytes r;
    Bytes p = params;
    p.pad4();
    r.u32(type).u32(uint32_t(8 + p.size())).raw(p.data());
    mRecords.append(r.data());
    ++mCount;
}

namespace {
Bytes rectL(int l, int t, int r, int b)
{
    Bytes x;
    x.i32(l).i32(t).i32(r).i32(b);
    return x;
}
Bytes one(uint32_t v)
{
    Bytes x;
    x.u32(v);
    return x;
}
Bytes two(int32_t a, int32_t b)
{
    Bytes x;
    x.i32(a).i32(b);
    return x;
}
Bytes xform(float m11, float m12, float m21, float m22, float dx, float dy)
{
    Bytes x;
    x.f32(m11).f32(m12).f32(m21).f32(m22).f32(dx).f32(dy);
    return x;
}
} // namespace

void EmfWriter::setMapMode(int mode) { record(17, one(uint32_t(mode))); }
void EmfWriter::setWindowOrg(int x, int y) { record(10, two(x, y)); }
void EmfWriter::setWindowExt(int cx, int cy) { record(9, two(cx, cy)); }
void EmfWriter::setViewportOrg(int x, int y) { record(12, two(x, y)); }
void EmfWriter::setViewportExt(int cx, int cy) { record(11, two(cx, cy)); }
void EmfWriter::setWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy)
{
    record(35, xform(m11, m12, m21, m22, dx, dy));
}
void EmfWriter::modifyWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy, uint32_t mode)
{
    Bytes b = xform(m11, m12, m21, m22, dx, dy);
    b.u32(mode);
    record(36, b);
}
void EmfWriter::saveDc() { record(33, Bytes()); }
void EmfWriter::restoreDc(int which) { record(34, one(uint32_t(which))); }

void EmfWriter::createPen(uint32_t index, uint32_t style, int width, uint32_t color)
{
    Bytes b;
    b.u32(index).u32(style).i32(width).i32(0).u32(color);
    record(38, b);
}

void EmfWriter::extCreatePen(uint32_t index, uint32_t style, int width, uint32_t color, const QList<uint32_t> &dashes)
{
    Bytes b;
    b.u32(index).u32(0).u32(0).u32(0).u32(0).u32(style).u32(uint32_t(width)).u32(0).u32(color).u32(0);
    b.u32(uint32_t(dashes.size()));
    for (uint32_t d : dashes)
        b.u32(d);
    record(95, b);
}

void EmfWriter::createBrush(uint32_t index, uint32_t style, uint32_t color, uint32_t hatch)
{
    Bytes b;
    b.u32(index).u32(style).u32(color).u32(hatch);
    record(39, b);
}

void EmfWriter::createDibPatternBrush(uint32_t index, const QImage &pattern)
{
    createDibPatternBrush(index, MakeDib(pattern, 24));
}

namespace {
Bytes brushDib(uint32_t index, uint32_t usage, const Dib &dib)
{
    Bytes b;
    const uint32_t offBmi = 32, offBits = offBmi + uint32_t(dib.info.size());
    b.u32(index).u32(usage).u32(offBmi).u32(uint32_t(dib.info.size())).u32(offBits).u32(uint32_t(dib.bits.size()));
    b.raw(dib.info).raw(dib.bits);
    return b;
}
} // namespace

void EmfWriter::createDibPatternBrush(uint32_t index, const Dib &dib, uint32_t usage)
{
    record(94, brushDib(index, usage, dib));
}

void EmfWriter::createMonoBrush(uint32_t index, const Dib &dib)
{
    record(93, brushDib(index, 0, dib));
}

void EmfWriter::createFont(uint32_t index, int height, const QString &face, int weight, bool italic, int escapement,
                           uint8_t charset, bool underline)
{
    Bytes b;
    b.u32(index).i32(height).i32(0).i32(escapement).i32(escapement).i32(weight);
    b.u8(italic).u8(underline).u8(0).u8(charset).u8(0).u8(0).u8(0).u8(0);
    for (int i = 0; i < 32; ++i)
        b.u16(i < face.size() ? face[i].unicode() : 0);
    record(82, b);
}

void EmfWriter::createFont(uint32_t index, const FontSpec &f)
{
    Bytes b;
    b.u32(index).i32(f.height).i32(f.width).i32(f.escapement).i32(f.orientation).i32(f.weight);
    b.u8(f.italic).u8(0).u8(0).u8(f.charset).u8(0).u8(0).u8(0).u8(f.pitchAndFamily);
    for (int i = 0; i < 32; ++i)
        b.u16(i < f.face.size() ? f.face[i].unicode() : 0);
    record(82, b);
}

void EmfWriter::selectObject(uint32_t index) { record(37, one(index)); }
void EmfWriter::deleteObject(uint32_t index) { record(40, one(index)); }
void EmfWriter::setTextColor(uint32_t color) { record(24, one(color)); }
void EmfWriter::setBkColor(uint32_t color) { record(25, one(color)); }
void EmfWriter::setBkMode(int mode) { record(18, one(uint32_t(mode))); }
void EmfWriter::setTextAlign(uint32_t align) { record(22, one(align)); }
void EmfWriter::setPolyFillMode(int mode) { record(19, one(uint32_t(mode))); }
void EmfWriter::setRop2(int rop) { record(20, one(uint32_t(rop))); }
void EmfWriter::setArcDirection(int direction) { record(57, one(uint32_t(direction))); }

void EmfWriter::rectangle(int l, int t, int r, int b) { record(43, rectL(l, t, r, b)); }
void EmfWriter::ellipse(int l, int t, int r, int b) { record(42, rectL(l, t, r, b)); }
void EmfWriter::roundRect(int l, int t, int r, int b, int cw, int ch)
{
    Bytes x = rectL(l, t, r, b);
    x.i32(cw).i32(ch);
    record(44, x);
}

namespace {
Bytes points(const QList<QPoint> &pts, bool sixteen)
{
    Bytes b;
    for (const QPoint &p : pts) {
        if (sixteen)
            b.i16(int16_t(p.x())).i16(int16_t(p.y()));
        else
            b.i32(p.x()).i32(p.y());
    }
    return b;
}
Bytes poly(const QList<QPoint> &pts, bool sixteen)
{
    Bytes b = rectL(0, 0, 0, 0);
    b.u32(uint32_t(pts.size())).raw(points(pts, sixteen).data());
    return b;
}
} // namespace

void EmfWriter::polygon(const QList<QPoint> &pts, bool sixteen) { record(sixteen ? 86 : 3, poly(pts, sixteen)); }
void EmfWriter::polyline(const QList<QPoint> &pts, bool sixteen) { record(sixteen ? 87 : 4, poly(pts, sixteen)); }
void EmfWriter::polyBezier(const QList<QPoint> &pts, bool sixteen) { record(sixteen ? 85 : 2, poly(pts, sixteen)); }

void EmfWriter::polyPolygon(const QList<QList<QPoint>> &polygons, bool sixteen)
{
    Bytes b = rectL(0, 0, 0, 0);
    uint32_t total = 0;
    for (const auto &p : polygons)
        total += uint32_t(p.size());
    b.u32(uint32_t(polygons.size())).u32(total);
    for (const auto &p : polygons)
        b.u32(uint32_t(p.size()));
    for (const auto &p : polygons)
        b.raw(points(p, sixteen).data());
    record(sixteen ? 91 : 8, b);
}

void EmfWriter::polyDraw(const QList<QPoint> &pts, const QByteArray &types)
{
    Bytes b = poly(pts, false);
    b.raw(types);
    record(56, b);
}

void EmfWriter::polyPolyline(const QList<QList<QPoint>> &lines, bool sixteen)
{
    Bytes b = rectL(0, 0, 0, 0);
    uint32_t total = 0;
    for (const auto &l : lines)
        total += uint32_t(l.size());
    b.u32(uint32_t(lines.size())).u32(total);
    for (const auto &l : lines)
        b.u32(uint32_t(l.size()));
    for (const auto &l : lines)
        b.raw(points(l, sixteen).data());
    record(sixteen ? 90 : 7, b);
}

void EmfWriter::polylineTo(const QList<QPoint> &pts, bool sixteen) { record(sixteen ? 89 : 6, poly(pts, sixteen)); }
void EmfWriter::polyBezierTo(const QList<QPoint> &pts, bool sixteen) { record(sixteen ? 88 : 5, poly(pts, sixteen)); }

void EmfWriter::moveTo(int x, int y) { record(27, two(x, y)); }
void EmfWriter::lineTo(int x, int y) { record(54, two(x, y)); }

void EmfWriter::arc(uint32_t type, QRect box, QPoint start, QPoint end)
{
    Bytes b = rectL(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
    b.i32(start.x()).i32(start.y()).i32(end.x()).i32(end.y());
    record(type, b);
}

void EmfWriter::angleArc(int x, int y, uint32_t radius, float start, float sweep)
{
    Bytes b;
    b.i32(x).i32(y).u32(radius).f32(start).f32(sweep);
    record(41, b);
}

void EmfWriter::setPixel(int x, int y, uint32_t color)
{
    Bytes b = two(x, y);
    b.u32(color);
    record(15, b);
}

void EmfWriter::gradientRect(QRect box, uint32_t from, uint32_t to, bool vertical)
{
    Bytes b = rectL(0, 0, 0, 0);
    b.u32(2).u32(1).u32(vertical ? 1 : 0);
    const auto vertex = [&](int x, int y, uint32_t c) {
        b.i32(x).i32(y).u16(uint16_t((c & 0xFF) << 8)).u16(uint16_t(((c >> 8) & 0xFF) << 8));
        b.u16(uint16_t(((c >> 16) & 0xFF) << 8)).u16(0);
    };
    vertex(box.left(), box.top(), from);
    vertex(box.right() + 1, box.bottom() + 1, to);
    b.u32(0).u32(1);
    record(118, b);
}

void EmfWriter::gradientTriangles(const QList<QPoint> &vertices, const QList<uint32_t> &colors,
                                  const QList<uint32_t> &triangles)
{
    Bytes b = rectL(0, 0, 0, 0);
    b.u32(uint32_t(vertices.size())).u32(uint32_t(triangles.size() / 3)).u32(2);
    for (qsizetype i = 0; i < vertices.size(); ++i) {
        const uint32_t c = colors.value(i);
        b.i32(vertices[i].x()).i32(vertices[i].y()).u16(uint16_t((c & 0xFF) << 8));
        b.u16(uint16_t(((c >> 8) & 0xFF) << 8)).u16(uint16_t(((c >> 16) & 0xFF) << 8)).u16(0);
    }
    for (qsizetype i = 0; i + 2 < triangles.size(); i += 3)
        b.u32(triangles[i]).u32(triangles[i + 1]).u32(triangles[i + 2]);
    record(118, b);
}

void EmfWriter::beginPath() { record(59, Bytes()); }
void EmfWriter::endPath() { record(60, Bytes()); }
void EmfWriter::closeFigure() { record(61, Bytes()); }
void EmfWriter::fillPath() { record(62, rectL(0, 0, 0, 0)); }
void EmfWriter::strokeAndFillPath() { record(63, rectL(0, 0, 0, 0)); }
void EmfWriter::strokePath() { record(64, rectL(0, 0, 0, 0)); }
void EmfWriter::widenPath() { record(66, Bytes()); }
void EmfWriter::flattenPath() { record(65, Bytes()); }
void EmfWriter::selectClipPath(uint32_t mode) { record(67, one(mode)); }

void EmfWriter::intersectClipRect(int l, int t, int r, int b) { record(30, rectL(l, t, r, b)); }
void EmfWriter::excludeClipRect(int l, int t, int r, int b) { record(29, rectL(l, t, r, b)); }

void EmfWriter::extSelectClipRgn(const QList<QRect> &rects, uint32_t mode)
{
    Bytes region;
    region.u32(32).u32(1).u32(uint32_t(rects.size())).u32(uint32_t(16 * rects.size()));
    region.raw(rectL(0, 0, 0, 0).data());
    for (const QRect &r : rects)
        region.raw(rectL(r.left(), r.top(), r.right() + 1, r.bottom() + 1).data());
    Bytes b;
    b.u32(uint32_t(region.size())).u32(mode).raw(region.data());
    record(75, b);
}

void EmfWriter::extTextOutW(int x, int y, const QString &text, uint32_t options, QRect rect, const QList<int> &dx)
{
    Bytes b = rectL(0, 0, 0, 0);
    b.u32(uint32_t(textGraphicsMode)).f32(1).f32(1);
    const uint32_t n = uint32_t(text.size());
    const uint32_t offString = 76;
    const uint32_t stringBytes = (2 * n + 3) / 4 * 4;
    const uint32_t offDx = dx.isEmpty() ? 0 : offString + stringBytes;
    b.i32(x).i32(y).u32(n).u32(offString).u32(options);
    if (rect.isNull())
        b.raw(rectL(0, 0, -1, -1).data());
    else
        b.raw(rectL(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1).data());
    b.u32(offDx);
    for (QChar c : text)
        b.u16(c.unicode());
    b.pad4();
    for (int d : dx)
        b.i32(d);
    record(84, b);
}

void EmfWriter::extTextOutA(int x, int y, const QByteArray &text, const QList<int> &dx)
{
    Bytes b = rectL(0, 0, 0, 0);
    b.u32(1).f32(1).f32(1);
    const uint32_t n = uint32_t(text.size());
    const uint32_t offString = 76;
    const uint32_t offDx = dx.isEmpty() ? 0 : offString + (n + 3) / 4 * 4;
    b.i32(x).i32(y).u32(n).u32(offString).u32(0).raw(rectL(0, 0, -1, -1).data()).u32(offDx);
    b.raw(text).pad4();
    for (int d : dx)
        b.i32(d);
    record(83, b);
}

void EmfWriter::polyTextOutW(const QList<QPoint> &references, const QString &text)
{
    Bytes b = rectL(0, 0, 0, 0);
    b.u32(uint32_t(textGraphicsMode)).f32(1).f32(1).u32(uint32_t(references.size()));
    const uint32_t offString = 40 + 40 * uint32_t(references.size());
    for (const QPoint &p : references) {
        b.i32(p.x()).i32(p.y()).u32(uint32_t(text.size())).u32(offString).u32(0);
        b.raw(rectL(0, 0, -1, -1).data()).u32(0);
    }
    for (QChar c : text)
        b.u16(c.unicode());
    record(97, b);
}

void EmfWriter::stretchDiBits(QRect dest, QRect src, const Dib &dib, uint32_t rop, uint32_t usage)
{
    Bytes b = rectL(0, 0, 0, 0);
    const uint32_t offBmi = 80, offBits = offBmi + uint32_t(dib.info.size());
    b.i32(dest.x()).i32(dest.y()).i32(src.x()).i32(src.y()).i32(src.width()).i32(src.height());
    b.u32(offBmi).u32(uint32_t(dib.info.size())).u32(offBits).u32(uint32_t(dib.bits.size())).u32(usage).u32(rop);
    b.i32(dest.width()).i32(dest.height()).raw(dib.info).raw(dib.bits);
    record(81, b);
}

void EmfWriter::bitBlt(QRect dest, QPoint src, const Dib &dib, uint32_t rop)
{
    Bytes b = rectL(0, 0, 0, 0);
    const uint32_t offBmi = 100, offBits = offBmi + uint32_t(dib.info.size());
    b.i32(dest.x()).i32(dest.y()).i32(dest.width()).i32(dest.height()).u32(rop).i32(src.x()).i32(src.y());
    b.raw(xform(1, 0, 0, 1, 0, 0).data()).u32(0).u32(0);
    b.u32(offBmi).u32(uint32_t(dib.info.size())).u32(offBits).u32(uint32_t(dib.bits.size()));
    b.raw(dib.info).raw(dib.bits);
    record(76, b);
}

void EmfWriter::bitBltNoSource(QRect dest, uint32_t rop)
{
    Bytes b = rectL(0, 0, 0, 0);
    b.i32(dest.x()).i32(dest.y()).i32(dest.width()).i32(dest.height()).u32(rop).i32(0).i32(0);
    b.raw(xform(1, 0, 0, 1, 0, 0).data()).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    record(76, b);
}

void EmfWriter::alphaBlend(QRect dest, QRect src, const Dib &dib, uint8_t constantAlpha, bool perPixel)
{
    Bytes b = rectL(0, 0, 0, 0);
    const uint32_t offBmi = 108, offBits = offBmi + uint32_t(dib.info.size());
    b.i32(dest.x()).i32(dest.y()).i32(dest.width()).i32(dest.height());
    b.u8(0).u8(0).u8(constantAlpha).u8(perPixel ? 1 : 0);
    b.i32(src.x()).i32(src.y()).raw(xform(1, 0, 0, 1, 0, 0).data()).u32(0).u32(0);
    b.u32(offBmi).u32(uint32_t(dib.info.size())).u32(offBits).u32(uint32_t(dib.bits.size()));
    b.i32(src.width()).i32(src.height()).raw(dib.info).raw(dib.bits);
    record(114, b);
}

void EmfWriter::stretchBlt(QRect dest, QRect src, const Dib &dib, uint32_t rop)
{
    Bytes b = rectL(0, 0, 0, 0);
    const uint32_t offBmi = 108, offBits = offBmi + uint32_t(dib.info.size());
    b.i32(dest.x()).i32(dest.y()).i32(dest.width()).i32(dest.height()).u32(rop).i32(src.x()).i32(src.y());
    b.raw(xform(1, 0, 0, 1, 0, 0).data()).u32(0).u32(0);
    b.u32(offBmi).u32(uint32_t(dib.info.size())).u32(offBits).u32(uint32_t(dib.bits.size()));
    b.i32(src.width()).i32(src.height()).raw(dib.info).raw(dib.bits);
    record(77, b);
}

void EmfWriter::transparentBlt(QRect dest, QRect src, const Dib &dib, uint32_t color)
{
    Bytes b = rectL(0, 0, 0, 0);
    const uint32_t offBmi = 108, offBits = offBmi + uint32_t(dib.info.size());
    b.i32(dest.x()).i32(dest.y()).i32(dest.width()).i32(dest.height()).u32(color);
    b.i32(src.x()).i32(src.y()).raw(xform(1, 0, 0, 1, 0, 0).data()).u32(0).u32(0);
    b.u32(offBmi).u32(uint32_t(dib.info.size())).u32(offBits).u32(uint32_t(dib.bits.size()));
    b.i32(src.width()).i32(src.height()).raw(dib.info).raw(dib.bits);
    record(116, b);
}

void EmfWriter::setDiBitsToDevice(QPoint dest, QRect src, const Dib &dib)
{
    Bytes b = rectL(0, 0, 0, 0);
    const uint32_t offBmi = 76, offBits = offBmi + uint32_t(dib.info.size());
    b.i32(dest.x()).i32(dest.y()).i32(src.x()).i32(src.y()).i32(src.width()).i32(src.height());
    b.u32(offBmi).u32(uint32_t(dib.info.size())).u32(offBits).u32(uint32_t(dib.bits.size())).u32(0).u32(0);
    b.u32(uint32_t(src.height())).raw(dib.info).raw(dib.bits);
    record(80, b);
}

void EmfWriter::maskBlt(QRect dest, const Dib &dib, const Dib &mask)
{
    Bytes b = rectL(0, 0, 0, 0);
    const uint32_t offBmi = 128, offBits = offBmi + uint32_t(dib.info.size());
    const uint32_t offMask = offBits + uint32_t(dib.bits.size()), offMaskBits = offMask + uint32_t(mask.info.size());
    b.i32(dest.x()).i32(dest.y()).i32(dest.width()).i32(dest.height()).u32(0xAACC0020).i32(0).i32(0);
    b.raw(xform(1, 0, 0, 1, 0, 0).data()).u32(0).u32(0);
    b.u32(offBmi).u32(uint32_t(dib.info.size())).u32(offBits).u32(uint32_t(dib.bits.size()));
    b.i32(0).i32(0).u32(0).u32(offMask).u32(uint32_t(mask.info.size())).u32(offMaskBits).u32(uint32_t(mask.bits.size()));
    b.raw(dib.info).raw(dib.bits).raw(mask.info).raw(mask.bits);
    record(78, b);
}

void EmfWriter::regionRecord(uint32_t type, const QList<QRect> &rects, uint32_t brush, QSize frame)
{
    Bytes region;
    region.u32(32).u32(1).u32(uint32_t(rects.size())).u32(uint32_t(16 * rects.size()));
    region.raw(rectL(0, 0, 0, 0).data());
    for (const QRect &r : rects)
        region.raw(rectL(r.left(), r.top(), r.right() + 1, r.bottom() + 1).data());
    Bytes b = rectL(0, 0, 0, 0);
    b.u32(uint32_t(region.size()));
    if (type == 71 || type == 72)
        b.u32(brush);
    if (type == 72)
        b.i32(frame.width()).i32(frame.height());
    b.raw(region.data());
    record(type, b);
}

void EmfWriter::createPalette(uint32_t index, const QList<QRgb> &colors)
{
    Bytes b;
    b.u32(index).u16(0x300).u16(uint16_t(colors.size()));
    for (QRgb c : colors)
        b.u8(uint8_t(qRed(c))).u8(uint8_t(qGreen(c))).u8(uint8_t(qBlue(c))).u8(0);
    record(49, b);
}

void EmfWriter::selectPalette(uint32_t index) { record(48, one(index)); }
void EmfWriter::resizePalette(uint32_t index, uint32_t entries) { record(51, two(int32_t(index), int32_t(entries))); }

void EmfWriter::comment(const QByteArray &data)
{
    Bytes b;
    b.u32(uint32_t(data.size())).raw(data);
    record(70, b);
}

QByteArray EmfWriter::finish()
{
    Bytes eof;
    eof.u32(14).u32(20).u32(0).u32(16).u32(20);
    const uint32_t total = 108 + uint32_t(mRecords.size()) + 20;
    Bytes h;
    h.u32(1).u32(108).raw(rectL(0, 0, mWidth - 1, mHeight - 1).data());
    h.raw(rectL(0, 0, int(std::lround(mWidth * 2540.0 / 96)), int(std::lround(mHeight * 2540.0 / 96))).data());
    h.u32(0x464D4520).u32(0x10000).u32(total).u32(uint32_t(mCount + 2)).u16(uint16_t(mHandles)).u16(0);
    h.u32(0).u32(0).u32(0).i32(1024).i32(768).i32(271).i32(203).u32(0).u32(0).u32(0).i32(270933).i32(203200);
    return h.data() + mRecords + eof.data();
}

// --- WMF -------------------------------------------------------------------------------------

WmfWriter::WmfWriter(QRect box, int unitsPerInch) : mPlaceable(true), mBox(box), mInch(unitsPerInch) {}
WmfWriter::WmfWriter() = default;

void WmfWriter::record(uint16_t function, const Bytes &params)
{
    Bytes p = params;
    p.pad2();
    const uint32_t words = uint32_t(3 + p.size() / 2);
    Bytes r;
    r.u32(words).u16(function).raw(p.data());
    mRecords.append(r.data());
    mMaxRecord = qMax(mMaxRecord, words);
}

namespace {
Bytes words(std::initializer_list<int> values)
{
    Bytes b;
    for (int v : values)
        b.i16(int16_t(v));
    return b;
}
Bytes xyPoints(const QList<QPoint> &pts)
{
    Bytes b;
    for (const QPoint &p : pts)
        b.i16(int16_t(p.x())).i16(int16_t(p.y()));
    return b;
}
} // namespace

void WmfWriter::setWindowOrg(int x, int y) { record(0x020B, words({y, x})); }
void WmfWriter::setWindowExt(int cx, int cy) { record(0x020C, words({cy, cx})); }
void WmfWriter::setMapMode(int mode) { record(0x0103, words({mode})); }
void WmfWriter::saveDc() { record(0x001E, Bytes()); }
void WmfWriter::restoreDc(int which) { record(0x0127, words({which})); }
void WmfWriter::setBkMode(int mode) { record(0x0102, words({mode})); }
void WmfWriter::setTextColor(uint32_t color) { record(0x0209, Bytes().u32(color)); }
void WmfWriter::setBkColor(uint32_t color) { record(0x0201, Bytes().u32(color)); }
void WmfWriter::setTextAlign(uint16_t align) { record(0x012E, Bytes().u16(align)); }
void WmfWriter::setPolyFillMode(int mode) { record(0x0106, words({mode})); }

void WmfWriter::createPen(uint16_t style, int width, uint32_t color)
{
    Bytes b;
    b.u16(style).i16(int16_t(width)).i16(0).u32(color);
    record(0x02FA, b);
    ++mObjects;
}

void WmfWriter::createBrush(uint16_t style, uint32_t color, uint16_t hatch)
{
    Bytes b;
    b.u16(style).u32(color).u16(hatch);
    record(0x02FC, b);
    ++mObjects;
}

void WmfWriter::createFont(int height, const QByteArray &face, uint8_t charset, int escapement)
{
    Bytes b;
    b.i16(int16_t(height)).i16(0).i16(int16_t(escapement)).i16(int16_t(escapement)).i16(400);
    b.u8(0).u8(0).u8(0).u8(charset).u8(0).u8(0).u8(0).u8(0);
    QByteArray name = face.left(31);
    name.resize(32, '\0');
    b.raw(name);
    record(0x02FB, b);
    ++mObjects;
}

void WmfWriter::createFont(const FontSpec &f)
{
    Bytes b;
    b.i16(int16_t(f.height)).i16(int16_t(f.width)).i16(int16_t(f.escapement)).i16(int16_t(f.orientation));
    b.i16(int16_t(f.weight)).u8(f.italic).u8(0).u8(0).u8(f.charset).u8(0).u8(0).u8(0).u8(f.pitchAndFamily);
    QByteArray name = f.face.toLatin1().left(31);
    name.resize(32, '\0');
    b.raw(name);
    record(0x02FB, b);
    ++mObjects;
}

void WmfWriter::createRegion(const QList<QRect> &rects)
{
    QRect bounds;
    for (const QRect &r : rects)
        bounds |= r;
    Bytes b;
    b.u16(0).u16(6).u32(0).i16(int16_t(22 + 12 * rects.size())).i16(int16_t(rects.size())).i16(1);
    b.i16(int16_t(bounds.left())).i16(int16_t(bounds.top())).i16(int16_t(bounds.right() + 1)).i16(int16_t(bounds.bottom() + 1));
    for (const QRect &r : rects) {
        b.u16(2).i16(int16_t(r.top())).i16(int16_t(r.bottom() + 1));
        b.i16(int16_t(r.left())).i16(int16_t(r.right() + 1)).u16(2);
    }
    record(0x06FF, b);
    ++mObjects;
}

void WmfWriter::dibCreatePatternBrush(const Dib &dib)
{
    Bytes b;
    b.u16(5).u16(0).raw(dib.packed());
    record(0x0142, b);
    ++mObjects;
}

void WmfWriter::resizePalette(uint16_t entries) { record(0x0139, Bytes().u16(entries)); }
void WmfWriter::fillRegion(uint16_t region, uint16_t brush) { record(0x0228, Bytes().u16(region).u16(brush)); }

void WmfWriter::selectObject(uint16_t index) { record(0x012D, Bytes().u16(index)); }
void WmfWriter::deleteObject(uint16_t index) { record(0x01F0, Bytes().u16(index)); }
void WmfWriter::moveTo(int x, int y) { record(0x0214, words({y, x})); }
void WmfWriter::lineTo(int x, int y) { record(0x0213, words({y, x})); }
void WmfWriter::rectangle(int l, int t, int r, int b) { record(0x041B, words({b, r, t, l})); }
void WmfWriter::ellipse(int l, int t, int r, int b) { record(0x0418, words({b, r, t, l})); }
void WmfWriter::intersectClipRect(int l, int t, int r, int b) { record(0x0416, words({b, r, t, l})); }
void WmfWriter::excludeClipRect(int l, int t, int r, int b) { record(0x0415, words({b, r, t, l})); }
void WmfWriter::selectClipRegion(uint16_t index) { record(0x012C, Bytes().u16(index)); }

void WmfWriter::polygon(const QList<QPoint> &pts)
{
    Bytes b;
    b.u16(uint16_t(pts.size())).raw(xyPoints(pts).data());
    record(0x0324, b);
}

void WmfWriter::polyline(const QList<QPoint> &pts)
{
    Bytes b;
    b.u16(uint16_t(pts.size())).raw(xyPoints(pts).data());
    record(0x0325, b);
}

void WmfWriter::polyPolygon(const QList<QList<QPoint>> &polygons)
{
    Bytes b;
    b.u16(uint16_t(polygons.size()));
    for (const auto &p : polygons)
        b.u16(uint16_t(p.size()));
    for (const auto &p : polygons)
        b.raw(xyPoints(p).data());
    record(0x0538, b);
}

void WmfWriter::pie(QRect box, QPoint start, QPoint end)
{
    record(0x081A, words({end.y(), end.x(), start.y(), start.x(), box.bottom() + 1, box.right() + 1, box.top(), box.left()}));
}

void WmfWriter::textOut(int x, int y, const QByteArray &text)
{
    Bytes b;
    b.u16(uint16_t(text.size())).raw(text).pad2().i16(int16_t(y)).i16(int16_t(x));
    record(0x0521, b);
}

void WmfWriter::extTextOut(int x, int y, const QByteArray &text, uint16_t options, QRect rect, const QList<int> &dx)
{
    Bytes b;
    b.i16(int16_t(y)).i16(int16_t(x)).u16(uint16_t(text.size())).u16(options);
    if (options & 6)
        b.i16(int16_t(rect.left())).i16(int16_t(rect.top())).i16(int16_t(rect.right() + 1)).i16(int16_t(rect.bottom() + 1));
    b.raw(text).pad2();
    for (int d : dx)
        b.i16(int16_t(d));
    record(0x0A32, b);
}

void WmfWriter::dibStretchBlt(QRect dest, QRect src, const Dib &dib, uint32_t rop)
{
    Bytes b;
    b.u32(rop).i16(int16_t(src.height())).i16(int16_t(src.width())).i16(int16_t(src.y())).i16(int16_t(src.x()));
    b.i16(int16_t(dest.height())).i16(int16_t(dest.width())).i16(int16_t(dest.y())).i16(int16_t(dest.x()));
    b.raw(dib.packed());
    record(0x0B41, b);
}

void WmfWriter::dibBitBlt(QRect dest, QPoint src, const Dib &dib, uint32_t rop)
{
    Bytes b;
    b.u32(rop).i16(int16_t(src.y())).i16(int16_t(src.x()));
    b.i16(int16_t(dest.height())).i16(int16_t(dest.width())).i16(int16_t(dest.y())).i16(int16_t(dest.x()));
    b.raw(dib.packed());
    record(0x0940, b);
}

void WmfWriter::stretchDib(QRect dest, QRect src, const Dib &dib)
{
    Bytes b;
    b.u32(0x00CC0020).u16(0).i16(int16_t(src.height())).i16(int16_t(src.width())).i16(int16_t(src.y())).i16(int16_t(src.x()));
    b.i16(int16_t(dest.height())).i16(int16_t(dest.width())).i16(int16_t(dest.y())).i16(int16_t(dest.x()));
    b.raw(dib.packed());
    record(0x0F43, b);
}

void WmfWriter::patBlt(QRect box, uint32_t rop)
{
    Bytes b;
    b.u32(rop).i16(int16_t(box.height())).i16(int16_t(box.width())).i16(int16_t(box.y())).i16(int16_t(box.x()));
    record(0x061D, b);
}

QByteArray WmfWriter::finish()
{
    Bytes eof;
    eof.u32(3).u16(0);
    const QByteArray records = mRecords + eof.data();
    Bytes header;
    header.u16(1).u16(9).u16(0x0300).u32(uint32_t((18 + records.size()) / 2)).u16(uint16_t(mObjects)).u32(qMax<uint32_t>(mMaxRecord, 3)).u16(0);
    QByteArray out;
    if (mPlaceable) {
        Bytes p;
        p.u32(0x9AC6CDD7).u16(0).i16(int16_t(mBox.left())).i16(int16_t(mBox.top()));
        p.i16(int16_t(mBox.right() + 1)).i16(int16_t(mBox.bottom() + 1)).u16(uint16_t(mInch)).u32(0);
        uint16_t sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= uint16_t(uint8_t(p.data()[2 * i]) | (uint8_t(p.data()[2 * i + 1]) << 8));
        p.u16(sum);
        out = p.data();
    }
    return out + header.data() + records;
}

} // namespace mv::test
