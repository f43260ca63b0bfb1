#include "emfpluswriter.h"

#include <QBuffer>

namespace mv::test {

namespace {

constexpr uint32_t Version = 0xDBC01002;

enum Type : uint16_t {
    Header = 0x4001, EndOfFile = 0x4002, GetDc = 0x4004, Object = 0x4008, Clear = 0x4009, FillRects = 0x400A,
    DrawRects = 0x400B, FillPolygon = 0x400C, DrawLines = 0x400D, FillEllipse = 0x400E, DrawEllipse = 0x400F,
    FillPie = 0x4010, DrawPie = 0x4011, DrawArc = 0x4012, FillRegion = 0x4013, FillPath = 0x4014, DrawPath = 0x4015,
    FillClosedCurve = 0x4016, DrawClosedCurve = 0x4017, DrawCurve = 0x4018, DrawBeziers = 0x4019, DrawImage = 0x401A,
    DrawImagePoints = 0x401B, DrawString = 0x401C, SetCompositingMode = 0x4023, Save = 0x4025, Restore = 0x4026,
    BeginContainer = 0x4027, BeginContainerNoParams = 0x4028, EndContainer = 0x4029, SetWorldTransform = 0x402A,
    ResetWorldTransform = 0x402B, MultiplyWorldTransform = 0x402C, TranslateWorldTransform = 0x402D,
    ScaleWorldTransform = 0x402E, RotateWorldTransform = 0x402F, SetPageTransform = 0x4030, ResetClip = 0x4031,
    SetClipRect = 0x4032, SetClipPath = 0x4033, SetClipRegion = 0x4034, OffsetClip = 0x4035, DrawDriverString = 0x4036,
};

constexpr uint16_t Solid = 0x8000, Compressed = 0x4000, Relative = 0x0800, Append = 0x2000;

Bytes &rectF(Bytes &b, QRectF r)
{
    return b.f32(float(r.x())).f32(float(r.y())).f32(float(r.width())).f32(float(r.height()));
}

Bytes &pointF(Bytes &b, QPointF p)
{
    return b.f32(float(p.x())).f32(float(p.y()));
}

Bytes &matrix(Bytes &b, const QTransform &m)
{
    return b.f32(float(m.m11())).f32(float(m.m12())).f32(float(m.m21())).f32(float(m.m22())).f32(float(m.dx())).f32(float(m.dy()));
}

// A relative coordinate: 7 bits in one byte, otherwise 15 bits in two, high byte first.
void relative(Bytes &b, int v)
{
    if (v >= -64 && v <= 63)
        b.u8(uint8_t(v & 0x7F));
    else
        b.u8(uint8_t(0x80 | ((v >> 8) & 0x7F))).u8(uint8_t(v & 0xFF));
}

Bytes points(const QList<QPointF> &list)
{
    Bytes b;
    b.u32(uint32_t(list.size()));
    for (const QPointF &p : list)
        pointF(b, p);
    return b;
}

} // namespace

// --- objects -------------------------------------------------------------------------------

namespace plusobject {

QByteArray SolidBrush(uint32_t argb)
{
    return Bytes().u32(Version).u32(0).u32(argb).data();
}

QByteArray HatchBrush(int style, uint32_t fore, uint32_t back)
{
    return Bytes().u32(Version).u32(1).u32(uint32_t(style)).u32(fore).u32(back).data();
}

QByteArray LinearGradientBrush(QRectF rect, uint32_t from, uint32_t to, int wrap, const QTransform &transform,
                               const QList<QPair<float, uint32_t>> &preset)
{
    const uint32_t flags = (transform.isIdentity() ? 0 : 0x2) | (preset.isEmpty() ? 0 : 0x4);
    Bytes b;
    b.u32(Version).u32(4).u32(flags).i32(wrap);
    rectF(b, rect).u32(from).u32(to).u32(0).u32(0);
    if (!transform.isIdentity())
        matrix(b, transform);
    if (!preset.isEmpty()) {
        b.u32(uint32_t(preset.size()));
        for (const auto &p : preset)
            b.f32(p.first);
        for (const auto &p : preset)
            b.u32(p.second);
    }
    return b.data();
}

QByteArray PathGradientBrush(QPointF center, uint32_t centerColor, const QList<QPointF> &boundary,
                             const QList<uint32_t> &surround)
{
    Bytes b;
    b.u32(Version).u32(3).u32(0).i32(0).u32(centerColor);
    pointF(b, center).u32(uint32_t(surround.size()));
    for (uint32_t c : surround)
        b.u32(c);
    b.raw(points(boundary).data());
    return b.data();
}

QByteArray TextureBrush(const QByteArray &image, int wrap, const QTransform &transform)
{
    Bytes b;
    b.u32(Version).u32(2).u32(transform.isIdentity() ? 0 : 0x2).i32(wrap);
    if (!transform.isIdentity())
        matrix(b, transform);
    return b.raw(image).data();
}

QByteArray Pen(float width, const QByteArray &brush, int unit, int lineStyle, const QList<float> &dashes, int startCap,
               int endCap)
{
    uint32_t flags = 0;
    if (startCap >= 0)
        flags |= 0x2;
    if (endCap >= 0)
        flags |= 0x4;
    if (lineStyle >= 0)
        flags |= 0x20;
    if (!dashes.isEmpty())
        flags |= 0x100;
    Bytes b;
    b.u32(Version).u32(0).u32(flags).u32(uint32_t(unit)).f32(width);
    if (startCap >= 0)
        b.i32(startCap);
    if (endCap >= 0)
        b.i32(endCap);
    if (lineStyle >= 0)
        b.i32(lineStyle);
    if (!dashes.isEmpty()) {
        b.u32(uint32_t(dashes.size()));
        for (float d : dashes)
            b.f32(d);
    }
    return b.raw(brush).data();
}

QByteArray Path(const QList<QPointF> &list, const QByteArray &types)
{
    Bytes b;
    b.u32(Version).u32(uint32_t(list.size())).u32(0);
    for (const QPointF &p : list)
        pointF(b, p);
    return b.raw(types).pad4().data();
}

QByteArray CompressedPath(const QList<QPointF> &list, const QByteArray &types)
{
    Bytes b;
    b.u32(Version).u32(uint32_t(list.size())).u32(0x4000);
    for (const QPointF &p : list)
        b.i16(int16_t(p.x())).i16(int16_t(p.y()));
    return b.raw(types).pad4().data();
}

QByteArray RelativePath(const QList<QPoint> &list, const QByteArray &types)
{
    Bytes b;
    b.u32(Version).u32(uint32_t(list.size())).u32(0x0800);
    QPoint last(0, 0);
    for (const QPoint &p : list) {
        relative(b, p.x() - last.x());
        relative(b, p.y() - last.y());
        last = p;
    }
    // Run-length types: runs of one type, up to 63 each.
    for (qsizetype i = 0; i < types.size();) {
        qsizetype run = 1;
        while (i + run < types.size() && types[i + run] == types[i] && run < 63)
            ++run;
        b.u8(uint8_t(0x40 | run | ((types[i] & 0x07) == plus::Bezier ? 0x80 : 0))).u8(uint8_t(types[i]));
        i += run;
    }
    return b.pad4().data();
}

QByteArray RegionRectNode(QRectF rect)
{
    Bytes b;
    b.u32(0x10000000);
    return rectF(b, rect).data();
}

QByteArray RegionPathNode(const QByteArray &path)
{
    return Bytes().u32(0x10000001).u32(uint32_t(path.size())).raw(path).data();
}

QByteArray RegionCombineNode(uint32_t type, const QByteArray &left, const QByteArray &right)
{
    return Bytes().u32(type).raw(left).raw(right).data();
}

QByteArray Region(const QByteArray &root, uint32_t childNodes)
{
    return Bytes().u32(Version).u32(childNodes).raw(root).data();
}

QByteArray BitmapImage(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    Bytes b;
    b.u32(Version).u32(1).i32(argb.width()).i32(argb.height()).i32(4 * argb.width()).u32(0x0026200A).u32(0);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            b.u8(uint8_t(qBlue(row[x]))).u8(uint8_t(qGreen(row[x]))).u8(uint8_t(qRed(row[x]))).u8(uint8_t(qAlpha(row[x])));
    }
    return b.data();
}

QByteArray CompressedImage(const QByteArray &file)
{
    return Bytes().u32(Version).u32(1).i32(0).i32(0).i32(0).u32(0).u32(1).raw(file).pad4().data();
}

QByteArray PngImage(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return CompressedImage(png);
}

QByteArray MetafileImage(const QByteArray &metafile, int type)
{
    return Bytes().u32(Version).u32(2).u32(uint32_t(type)).u32(uint32_t(metafile.size())).raw(metafile).pad4().data();
}

QByteArray Font(float emSize, const QString &family, int unit, int style)
{
    Bytes b;
    b.u32(Version).f32(emSize).u32(uint32_t(unit)).i32(style).u32(0).u32(uint32_t(family.size()));
    for (QChar c : family)
        b.u16(c.unicode());
    return b.pad4().data();
}

QByteArray StringFormat(int align, int lineAlign, uint32_t flags)
{
    Bytes b;
    b.u32(Version).u32(flags).u32(0).u32(uint32_t(align)).u32(uint32_t(lineAlign)).u32(0).u32(0).f32(0).i32(0);
    b.f32(0).f32(0).f32(1).u32(0).i32(0).i32(0); // no margins, no tracking, no tab stops or ranges
    return b.data();
}

} // namespace plusobject

// --- records --------------------------------------------------------------------------------

void EmfPlusWriter::record(uint16_t type, uint16_t flags, const Bytes &data)
{
    Bytes d = data;
    d.pad4();
    Bytes r;
    r.u16(type).u16(flags).u32(uint32_t(12 + d.size())).u32(uint32_t(d.size())).raw(d.data());
    mRecords.append(r.data());
}

QByteArray EmfPlusWriter::payload() const
{
    return QByteArray("EMF+", 4) + mRecords;
}

void EmfPlusWriter::flush(EmfWriter &emf)
{
    emf.comment(payload());
    mRecords.clear();
}

void EmfPlusWriter::header(bool dual, int dpi)
{
    record(Header, dual ? 1 : 0, Bytes().u32(Version).u32(1).u32(uint32_t(dpi)).u32(uint32_t(dpi)));
}

void EmfPlusWriter::endOfFile() { record(EndOfFile, 0, Bytes()); }
void EmfPlusWriter::getDc() { record(GetDc, 0, Bytes()); }

void EmfPlusWriter::object(uint8_t id, int type, const QByteArray &data, int pieces)
{
    const uint16_t flags = uint16_t(id | (type << 8));
    if (pieces <= 1) {
        record(Object, flags, Bytes().raw(data));
        return;
    }
    const qsizetype chunk = ((data.size() + pieces - 1) / pieces + 3) / 4 * 4;
    for (qsizetype at = 0; at < data.size(); at += chunk) {
        const bool last = at + chunk >= data.size();
        Bytes b;
        if (!last)
            b.u32(uint32_t(data.size()));
        record(Object, uint16_t(flags | (last ? 0 : 0x8000)), b.raw(data.mid(at, chunk)));
    }
}

void EmfPlusWriter::clear(uint32_t argb) { record(Clear, 0, Bytes().u32(argb)); }

void EmfPlusWriter::fillRects(uint32_t brush, const QList<QRectF> &rects, bool solid, bool compressed)
{
    Bytes b;
    b.u32(brush).u32(uint32_t(rects.size()));
    for (const QRectF &r : rects) {
        if (compressed)
            b.i16(int16_t(r.x())).i16(int16_t(r.y())).i16(int16_t(r.width())).i16(int16_t(r.height()));
        else
            rectF(b, r);
    }
    record(FillRects, uint16_t((solid ? Solid : 0) | (compressed ? Compressed : 0)), b);
}

void EmfPlusWriter::drawRects(uint8_t pen, const QList<QRectF> &rects)
{
    Bytes b;
    b.u32(uint32_t(rects.size()));
    for (const QRectF &r : rects)
        rectF(b, r);
    record(DrawRects, pen, b);
}

void EmfPlusWriter::fillPolygon(uint32_t brush, const QList<QPointF> &list, bool solid)
{
    record(FillPolygon, solid ? Solid : 0, Bytes().u32(brush).raw(points(list).data()));
}

void EmfPlusWriter::fillPolygonRelative(uint32_t brush, const QList<QPoint> &list, bool solid)
{
    Bytes b;
    b.u32(brush).u32(uint32_t(list.size()));
    QPoint last(0, 0);
    for (const QPoint &p : list) {
        relative(b, p.x() - last.x());
        relative(b, p.y() - last.y());
        last = p;
    }
    record(FillPolygon, uint16_t((solid ? Solid : 0) | Relative), b);
}

void EmfPlusWriter::drawLines(uint8_t pen, const QList<QPointF> &list, bool closed)
{
    record(DrawLines, uint16_t(pen | (closed ? 0x2000 : 0)), points(list));
}

void EmfPlusWriter::fillEllipse(uint32_t brush, QRectF box, bool solid)
{
    Bytes b;
    b.u32(brush);
    record(FillEllipse, solid ? Solid : 0, rectF(b, box));
}

void EmfPlusWriter::drawEllipse(uint8_t pen, QRectF box)
{
    Bytes b;
    record(DrawEllipse, pen, rectF(b, box));
}

void EmfPlusWriter::fillPie(uint32_t brush, float start, float sweep, QRectF box, bool solid)
{
    Bytes b;
    b.u32(brush).f32(start).f32(sweep);
    record(FillPie, solid ? Solid : 0, rectF(b, box));
}

void EmfPlusWriter::drawPie(uint8_t pen, float start, float sweep, QRectF box)
{
    Bytes b;
    b.f32(start).f32(sweep);
    record(DrawPie, pen, rectF(b, box));
}

void EmfPlusWriter::drawArc(uint8_t pen, float start, float sweep, QRectF box)
{
    Bytes b;
    b.f32(start).f32(sweep);
    record(DrawArc, pen, rectF(b, box));
}

void EmfPlusWriter::fillPath(uint8_t path, uint32_t brush, bool solid)
{
    record(FillPath, uint16_t(path | (solid ? Solid : 0)), Bytes().u32(brush));
}

void EmfPlusWriter::drawPath(uint8_t path, uint8_t pen) { record(DrawPath, path, Bytes().u32(pen)); }

void EmfPlusWriter::fillRegion(uint8_t region, uint32_t brush, bool solid)
{
    record(FillRegion, uint16_t(region | (solid ? Solid : 0)), Bytes().u32(brush));
}

void EmfPlusWriter::fillClosedCurve(uint32_t brush, float tension, const QList<QPointF> &list, bool solid)
{
    record(FillClosedCurve, solid ? Solid : 0, Bytes().u32(brush).f32(tension).raw(points(list).data()));
}

void EmfPlusWriter::drawClosedCurve(uint8_t pen, float tension, const QList<QPointF> &list)
{
    record(DrawClosedCurve, pen, Bytes().f32(tension).raw(points(list).data()));
}

void EmfPlusWriter::drawCurve(uint8_t pen, float tension, const QList<QPointF> &list, uint32_t offset, uint32_t segments)
{
    record(DrawCurve, pen, Bytes().f32(tension).u32(offset).u32(segments).raw(points(list).data()));
}

void EmfPlusWriter::drawBeziers(uint8_t pen, const QList<QPointF> &list) { record(DrawBeziers, pen, points(list)); }

void EmfPlusWriter::drawImage(uint8_t image, QRectF source, QRectF dest)
{
    Bytes b;
    b.u32(0xFFFFFFFF).i32(plus::Pixel);
    rectF(b, source);
    record(DrawImage, image, rectF(b, dest));
}

void EmfPlusWriter::drawImagePoints(uint8_t image, QRectF source, QPointF topLeft, QPointF topRight, QPointF bottomLeft)
{
    Bytes b;
    b.u32(0xFFFFFFFF).i32(plus::Pixel);
    rectF(b, source);
    record(DrawImagePoints, image, b.raw(points({topLeft, topRight, bottomLeft}).data()));
}

void EmfPlusWriter::drawString(uint8_t font, uint32_t brush, uint32_t format, const QString &text, QRectF layout, bool solid)
{
    Bytes b;
    b.u32(brush).u32(format).u32(uint32_t(text.size()));
    rectF(b, layout);
    for (QChar c : text)
        b.u16(c.unicode());
    record(DrawString, uint16_t(font | (solid ? Solid : 0)), b);
}

void EmfPlusWriter::drawDriverString(uint8_t font, uint32_t brush, const QString &glyphs, const QList<QPointF> &positions,
                                     uint32_t options, bool solid)
{
    Bytes b;
    b.u32(brush).u32(options).u32(0).u32(uint32_t(glyphs.size()));
    for (QChar c : glyphs)
        b.u16(c.unicode());
    for (const QPointF &p : positions)
        pointF(b, p);
    record(DrawDriverString, uint16_t(font | (solid ? Solid : 0)), b);
}

void EmfPlusWriter::setWorldTransform(const QTransform &m)
{
    Bytes b;
    record(SetWorldTransform, 0, matrix(b, m));
}

void EmfPlusWriter::resetWorldTransform() { record(ResetWorldTransform, 0, Bytes()); }

void EmfPlusWriter::multiplyWorldTransform(const QTransform &m, bool append)
{
    Bytes b;
    record(MultiplyWorldTransform, append ? Append : 0, matrix(b, m));
}

void EmfPlusWriter::translateWorldTransform(float dx, float dy, bool append)
{
    record(TranslateWorldTransform, append ? Append : 0, Bytes().f32(dx).f32(dy));
}

void EmfPlusWriter::scaleWorldTransform(float sx, float sy, bool append)
{
    record(ScaleWorldTransform, append ? Append : 0, Bytes().f32(sx).f32(sy));
}

void EmfPlusWriter::rotateWorldTransform(float degrees, bool append)
{
    record(RotateWorldTransform, append ? Append : 0, Bytes().f32(degrees));
}

void EmfPlusWriter::setPageTransform(int unit, float scale) { record(SetPageTransform, uint16_t(unit), Bytes().f32(scale)); }
void EmfPlusWriter::save(uint32_t index) { record(Save, 0, Bytes().u32(index)); }
void EmfPlusWriter::restore(uint32_t index) { record(Restore, 0, Bytes().u32(index)); }

void EmfPlusWriter::beginContainer(QRectF dest, QRectF source, uint32_t index)
{
    Bytes b;
    rectF(b, dest);
    rectF(b, source);
    record(BeginContainer, uint16_t(plus::Pixel << 8), b.u32(index));
}

void EmfPlusWriter::beginContainerNoParams(uint32_t index) { record(BeginContainerNoParams, 0, Bytes().u32(index)); }
void EmfPlusWriter::endContainer(uint32_t index) { record(EndContainer, 0, Bytes().u32(index)); }
void EmfPlusWriter::setCompositingMode(int mode) { record(SetCompositingMode, uint16_t(mode), Bytes()); }

void EmfPlusWriter::setClipRect(QRectF box, int mode)
{
    Bytes b;
    record(SetClipRect, uint16_t(mode << 8), rectF(b, box));
}

void EmfPlusWriter::setClipPath(uint8_t path, int mode) { record(SetClipPath, uint16_t(path | (mode << 8)), Bytes()); }

void EmfPlusWriter::setClipRegion(uint8_t region, int mode)
{
    record(SetClipRegion, uint16_t(region | (mode << 8)), Bytes());
}

void EmfPlusWriter::resetClip() { record(ResetClip, 0, Bytes()); }
void EmfPlusWriter::offsetClip(float dx, float dy) { record(OffsetClip, 0, Bytes().f32(dx).f32(dy)); }

} // namespace mv::test
