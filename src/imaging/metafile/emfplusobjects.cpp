// EMF+ graphics objects from their bytes: brushes, pens, paths, regions, fonts and string
// formats (images: emfplusimages.cpp). Counts are checked against the bytes present, and
// what an object keeps is charged before it is built.

#include "imaging/metafile/emfplusobjects.h"

#include "imaging/metafile/emfplusformat.h"
#include "imaging/metafile/player.h"

#include <algorithm>

namespace mv::metafile::emfplus {

namespace {

constexpr qint64 ElementBytes = sizeof(QPainterPath::Element);
// Gradients and boundaries with more entries than a picture can show are thinned out.
constexpr qsizetype MaxStops = 1024;
constexpr qsizetype MaxBoundary = 4096;

enum BrushFlags : uint32_t {
    BrushPath = 0x1, BrushTransform = 0x2, BrushPresetColors = 0x4, BrushBlendH = 0x8, BrushBlendV = 0x10,
    BrushFocusScales = 0x40,
};

enum PenFlags : uint32_t {
    PenTransform = 0x1, PenStartCap = 0x2, PenEndCap = 0x4, PenJoin = 0x8, PenMiterLimit = 0x10,
    PenLineStyle = 0x20, PenDashedLineCap = 0x40, PenDashedLineOffset = 0x80, PenDashedLine = 0x100,
    PenNonCenter = 0x200, PenCompoundLine = 0x400, PenCustomStartCap = 0x800, PenCustomEndCap = 0x1000,
};

// `count` 32-bit values, checked against the bytes before anything is read.
bool hasValues(ByteReader &r, uint32_t count, int perEntry = 1)
{
    if (!r.has(qint64(count) * 4 * perEntry)) {
        r.skip(r.remaining() + 1);
        return false;
    }
    return true;
}

QList<qsizetype> thinnedIndices(qsizetype count, qsizetype most)
{
    QList<qsizetype> out;
    const qsizetype n = qMin(count, most);
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        out.append(n == count ? i : i * (count - 1) / qMax<qsizetype>(1, n - 1));
    return out;
}

// Blend entries: `count` positions, then `count` values (colours or factors), read only
// at the entries kept.
template <typename ColorAt>
bool readBlend(ByteReader &r, QGradientStops &stops, ColorAt colorAt)
{
    const uint32_t count = r.u32();
    if (!hasValues(r, count, 2))
        return false;
    const qint64 positions = r.pos(), values = r.pos() + 4 * qint64(count);
    QGradientStops out;
    for (qsizetype i : thinnedIndices(count, MaxStops)) {
        ByteReader p = r.sub(positions + 4 * i, 4), v = r.sub(values + 4 * i, 4);
        const double t = p.f32();
        if (!std::isfinite(t))
            return false;
        out.append({qBound(0.0, t, 1.0), colorAt(v)});
    }
    r.skip(8 * qint64(count));
    std::stable_sort(out.begin(), out.end(), [](const QGradientStop &a, const QGradientStop &b) { return a.first < b.first; });
    if (out.size() >= 2)
        stops = out;
    return r.ok();
}

// Preset colours.
bool readBlendColors(ByteReader &r, QGradientStops &stops)
{
    return readBlend(r, stops, [](ByteReader &v) { return Argb(v.u32()); });
}

// Blend factors: how far from the first colour to the second.
bool readBlendFactors(ByteReader &r, QColor from, QColor to, QGradientStops &stops)
{
    return readBlend(r, stops, [&](ByteReader &v) {
        double f = v.f32();
        f = std::isfinite(f) ? qBound(0.0, f, 1.0) : 0.0;
        const auto mix = [f](float a, float b) { return float(a + (b - a) * f); };
        return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                                mix(from.blueF(), to.blueF()), mix(from.alphaF(), to.alphaF()));
    });
}

bool readPathGradient(ByteReader &r, Player &player, PlusBrush &b)
{
    const uint32_t flags = r.u32();
    b.wrap = r.i32();
    b.centerColor = Argb(r.u32());
    b.center = PointF(r);
    const uint32_t surroundCount = r.u32();
    if (!hasValues(r, surroundCount))
        return false;
    for (qsizetype i : thinnedIndices(surroundCount, MaxBoundary)) {
        ByteReader at = r.sub(r.pos() + 4 * i, 4);
        b.surround.append(Argb(at.u32()));
    }
    r.skip(qint64(surroundCount) * 4);
    if (flags & BrushPath) {
        const uint32_t size = r.u32();
        ByteReader pathBytes = r.sub(r.pos(), size);
        r.skip(size);
        pathBytes.u32(); // version
        QPainterPath path;
        Charge pathCharge;
        if (!r.ok() || !ReadPathData(pathBytes, player, path, pathCharge))
            return false;
        // Curves flatten into many more points than they have: paid for first.
        if (!player.spend(cost::PathElement * 32 * double(path.elementCount())))
            return false;
        b.boundary = path.toFillPolygon();
    } else {
        const uint32_t count = r.u32();
        QPolygonF points;
        if (!ReadPaidPoints(r, player, count, false, false, points))
            return false;
        b.boundary = points;
    }
    if (b.boundary.size() > MaxBoundary) {
        QPolygonF thinned;
        for (qsizetype i : thinnedIndices(b.boundary.size(), MaxBoundary))
            thinned.append(b.boundary[i]);
        b.boundary = thinned;
    }
    if (flags & BrushTransform)
        b.transform = Matrix(r);
    const QColor outer = b.surround.isEmpty() ? b.centerColor : b.surround.first();
    if (flags & BrushPresetColors) {
        if (!readBlendColors(r, b.stops))
            return false;
    } else if (flags & BrushBlendH) {
        if (!readBlendFactors(r, outer, b.centerColor, b.stops))
            return false;
    }
    // Focus scales follow; they are not drawn.
    return r.ok() && FinitePoints(b.boundary) && Finite(b.center.x()) && Finite(b.center.y());
}

bool readLinearGradient(ByteReader &r, PlusBrush &b)
{
    const uint32_t flags = r.u32();
    b.wrap = r.i32();
    b.rect = Rect(r, false);
    const QColor start = Argb(r.u32());
    const QColor end = Argb(r.u32());
    r.u32();
    r.u32();
    b.stops = {{0.0, start}, {1.0, end}};
    if (flags & BrushTransform)
        b.transform = Matrix(r);
    if (flags & BrushPresetColors) {
        if (!readBlendColors(r, b.stops))
            return false;
    } else if (flags & (BrushBlendH | BrushBlendV)) {
        // Colours vary along the gradient line only: the horizontal blend when both are given.
        if (!readBlendFactors(r, start, end, b.stops))
            return false;
    }
    return r.ok() && FiniteRect(b.rect);
}

Qt::PenCapStyle capStyle(int32_t cap)
{
    switch (cap) {
    case 1: case 0x11: case 0x13: return Qt::SquareCap;
    case 2: case 0x12: return Qt::RoundCap;
    default: return Qt::FlatCap;
    }
}

} // namespace

bool ReadPaidPoints(ByteReader &r, Player &player, uint32_t count, bool compressed, bool relative, QPolygonF &out)
{
    // The points, and the path or polygon made of them, are held for a moment.
    if (!PointsFit(r, count, compressed, relative) || !player.makeRoom(qint64(count) * (ElementBytes + 16))
        || !player.spend(cost::PathElement * double(count)))
        return false;
    return ReadPoints(r, count, compressed, relative, out) && FinitePoints(out);
}

bool ParseBrush(ByteReader &r, Player &player, PlusBrush &b)
{
    r.u32(); // version
    b.kind = int(r.u32());
    switch (b.kind) {
    case PlusBrush::Solid:
        b.color = Argb(r.u32());
        return r.ok();
    case PlusBrush::Hatch:
        b.hatch = r.i32();
        b.color = Argb(r.u32());
        b.back = Argb(r.u32());
        return r.ok();
    case PlusBrush::Texture: {
        const uint32_t flags = r.u32();
        b.wrap = r.i32();
        if (flags & BrushTransform)
            b.transform = Matrix(r);
        if (!r.ok())
            return false;
        ByteReader image = r.sub(r.pos(), r.remaining());
        PlusImage picture;
        if (!ParseImage(image, player, picture))
            return false;
        // A metafile as a texture is not drawn; the brush then paints nothing.
        b.texture = picture.bitmap;
        b.charge = picture.charge;
        return true;
    }
    case PlusBrush::PathGradient:
        if (!readPathGradient(r, player, b))
            return false;
        return player.keep(b.charge, (b.boundary.size() + b.surround.size()) * qint64(sizeof(QPointF))
                                         + b.stops.size() * qint64(sizeof(QGradientStop)));
    case PlusBrush::LinearGradient:
        if (!readLinearGradient(r, b))
            return false;
        return player.keep(b.charge, b.stops.size() * qint64(sizeof(QGradientStop)));
    default:
        return false;
    }
}

bool ParsePen(ByteReader &r, Player &player, PlusPen &pen)
{
    r.u32(); // version
    r.u32(); // type: always 0
    const uint32_t flags = r.u32();
    pen.unit = int(r.u32());
    pen.width = r.f32();
    int32_t startCap = 0, endCap = 0;
    if (flags & PenTransform)
        Matrix(r); // the pen's own transform is not applied
    if (flags & PenStartCap)
        startCap = r.i32();
    if (flags & PenEndCap)
        endCap = r.i32();
    if (flags & PenJoin) {
        switch (r.i32()) {
        case 1: pen.join = Qt::BevelJoin; break;
        case 2: pen.join = Qt::RoundJoin; break;
        case 3: pen.join = Qt::MiterJoin; break;     // clipped at the limit
        default: pen.join = Qt::SvgMiterJoin; break; // bevelled past the limit
        }
    } else {
        pen.join = Qt::SvgMiterJoin;
    }
    if (flags & PenMiterLimit)
        pen.miterLimit = r.f32();
    if (flags & PenLineStyle)
        pen.lineStyle = r.i32();
    if (flags & PenDashedLineCap)
        pen.dashCap = capStyle(r.i32());
    if (flags & PenDashedLineOffset)
        pen.dashOffset = r.f32();
    if (flags & PenDashedLine) {
        const uint32_t count = r.u32();
        if (!hasValues(r, count))
            return false;
        for (qsizetype i : thinnedIndices(count, MaxStops)) {
            ByteReader at = r.sub(r.pos() + 4 * i, 4);
            const double d = at.f32();
            pen.dashes.append(std::isfinite(d) ? qBound(1e-3, std::abs(d), 1e4) : 1.0);
        }
        r.skip(qint64(count) * 4);
    }
    if (flags & PenNonCenter)
        r.i32(); // alignment: drawn centred
    if (flags & PenCompoundLine) {
        const uint32_t count = r.u32(); // compound lines are drawn whole
        if (!hasValues(r, count))
            return false;
        r.skip(qint64(count) * 4);
    }
    if (flags & PenCustomStartCap)
        r.skip(r.u32());
    if (flags & PenCustomEndCap)
        r.skip(r.u32());
    if (!r.ok() || !std::isfinite(pen.width) || !std::isfinite(pen.miterLimit) || !std::isfinite(pen.dashOffset))
        return false;
    pen.width = std::abs(pen.width);
    pen.miterLimit = qBound(1.0, pen.miterLimit, 1000.0);
    // One cap style for both ends: the end cap, unless only the start names one.
    pen.cap = capStyle(flags & PenEndCap ? endCap : startCap);
    pen.startArrow = startCap == 0x14;
    pen.endArrow = endCap == 0x14;
    ByteReader brush = r.sub(r.pos(), r.remaining());
    return ParseBrush(brush, player, pen.brush);
}

bool ReadPathData(ByteReader &r, Player &player, QPainterPath &out, Charge &charge)
{
    const uint32_t count = r.u32();
    const uint32_t flags = r.u32();
    // The relative coding comes with run-length types; older writers mark the runs apart.
    const bool relative = flags & 0x0800;
    const bool runs = flags & (0x0800 | 0x1000);
    const bool compressed = (flags & 0x4000) && !relative;
    QPolygonF points;
    if (!r.ok() || !PointsFit(r, count, compressed, relative)
        || !player.keep(charge, qint64(count) * ElementBytes) || !ReadPaidPoints(r, player, count, compressed, relative, points))
        return false;
    QByteArray types(qsizetype(count), '\0');
    for (uint32_t i = 0; i < count && r.ok();) {
        const uint8_t b = r.u8();
        if (runs && (b & 0x40)) {
            const uint8_t type = r.u8();
            const uint32_t n = qMin<uint32_t>(b & 0x3F, count - i);
            for (uint32_t k = 0; k < n; ++k)
                types[i + k] = char(type);
            i += n;
            if (n == 0)
                return false;
        } else {
            types[i++] = char(b);
        }
    }
    if (!r.ok())
        return false;
    QPainterPath path;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t type = uint8_t(types[i]);
        const int kind = type & 0x07;
        if (kind == 0 || path.elementCount() == 0) {
            path.moveTo(points[i]);
        } else if (kind == 3 && i + 2 < count) {
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
            type = uint8_t(types[i]);
        } else {
            path.lineTo(points[i]);
        }
        if (type & 0x80)
            path.closeSubpath();
    }
    out = path;
    return true;
}

bool ParsePath(ByteReader &r, Player &player, PlusPath &out)
{
    r.u32(); // version
    return ReadPathData(r, player, out.path, out.charge);
}

namespace {

bool readRegionNode(ByteReader &r, Player &player, PlusRegion &region, uint32_t most, int depth, qint64 &elements)
{
    if (depth > MaxRegionDepth || region.nodes.size() >= most)
        return false;
    const size_t index = region.nodes.size();
    region.nodes.push_back({});
    const uint32_t type = r.u32();
    region.nodes[index].type = type;
    switch (type) {
    case PlusRegion::And:
    case PlusRegion::Union:
    case PlusRegion::Xor:
    case PlusRegion::Exclude:
    case PlusRegion::Complement:
        region.nodes[index].left = int(region.nodes.size());
        if (!readRegionNode(r, player, region, most, depth + 1, elements))
            return false;
        region.nodes[index].right = int(region.nodes.size());
        return readRegionNode(r, player, region, most, depth + 1, elements);
    case PlusRegion::Rect:
        region.nodes[index].rect = Rect(r, false);
        return r.ok() && FiniteRect(region.nodes[index].rect);
    case PlusRegion::Path: {
        const uint32_t size = r.u32();
        ByteReader bytes = r.sub(r.pos(), size);
        r.skip(size);
        bytes.u32(); // version
        Charge charge;
        QPainterPath path;
        if (!r.ok() || !ReadPathData(bytes, player, path, charge))
            return false;
        elements += path.elementCount();
        region.nodes[index].path = path;
        return true;
    }
    case PlusRegion::Empty:
    case PlusRegion::Infinite:
        return r.ok();
    default:
        return false;
    }
}

} // namespace

bool ParseRegion(ByteReader &r, Player &player, PlusRegion &out)
{
    r.u32(); // version
    const uint32_t children = r.u32();
    // Every node takes at least four bytes.
    if (!r.ok() || children >= uint32_t(r.remaining() / 4))
        return false;
    qint64 elements = 0;
    if (!readRegionNode(r, player, out, children + 1, 0, elements))
        return false;
    return player.keep(out.charge, qint64(out.nodes.size()) * qint64(sizeof(PlusRegion::Node)) + elements * ElementBytes);
}

bool ParseFont(ByteReader &r, PlusFont &out)
{
    r.u32(); // version
    out.emSize = r.f32();
    out.unit = int(r.u32());
    out.style = r.i32();
    r.u32();
    const uint32_t length = r.u32();
    if (!r.ok() || !r.has(qint64(length) * 2) || !std::isfinite(out.emSize))
        return false;
    QString family(qsizetype(length), Qt::Uninitialized);
    for (uint32_t i = 0; i < length; ++i)
        family[i] = QChar(r.u16());
    const qsizetype end = family.indexOf(QChar(0));
    out.family = end >= 0 ? family.left(end) : family;
    return r.ok();
}

bool ParseStringFormat(ByteReader &r, PlusStringFormat &out)
{
    r.u32(); // version
    out.flags = r.u32();
    r.u32(); // language
    out.align = int(r.u32());
    out.lineAlign = int(r.u32());
    r.u32(); // digit substitution
    r.u32(); // digit language
    r.f32(); // first tab offset
    r.i32(); // hot-key prefix
    const double leading = r.f32();
    const double trailing = r.f32();
    if (!r.ok())
        return false;
    out.leadingMargin = std::isfinite(leading) ? qBound(0.0, leading, 1.0) : 0;
    out.trailingMargin = std::isfinite(trailing) ? qBound(0.0, trailing, 1.0) : 0;
    return true;
}

} // namespace mv::metafile::emfplus
