// WMF records that create, select and delete drawing objects. Every creating record takes
// the lowest free slot, even when its object cannot be made, so later indices still match.

#include "imaging/metafile/dib.h"
#include "imaging/metafile/region.h"
#include "imaging/metafile/textcodec.h"
#include "imaging/metafile/wmfhandlers.h"

namespace mv::metafile::wmf {

namespace {

void put(Player &p, GdiObject object)
{
    p.objects().putLowestFree(std::move(object));
}

void createPen(Player &p, ByteReader &r)
{
    LogPen pen;
    pen.style = r.u16();
    pen.width = r.i16();
    r.i16();
    pen.color = r.u32();
    put(p, r.ok() ? GdiObject(pen) : GdiObject(NoObject()));
}

void createBrush(Player &p, ByteReader &r)
{
    LogBrush brush;
    brush.style = r.u16();
    brush.color = r.u32();
    brush.hatch = r.u16();
    if (!r.ok())
        return put(p, NoObject());
    if (brush.style != gdi::BsSolid && brush.style != gdi::BsNull && brush.style != gdi::BsHatched)
        brush.style = gdi::BsSolid; // pattern styles need a bitmap this record cannot carry
    put(p, brush);
}

void createFont(Player &p, ByteReader &r)
{
    LogFont font;
    font.height = r.i16();
    font.width = r.i16();
    font.escapement = r.i16();
    font.orientation = r.i16();
    font.weight = r.i16();
    font.italic = r.u8();
    font.underline = r.u8();
    font.strikeOut = r.u8();
    font.charset = r.u8();
    r.skip(3);
    font.pitchAndFamily = r.u8();
    if (!r.ok())
        return put(p, NoObject());
    QByteArray face = r.bytes(qMin<qint64>(32, r.remaining()));
    const qsizetype end = face.indexOf('\0');
    if (end >= 0)
        face.truncate(end);
    font.face = DecodeCharsetText(face, font.charset);
    put(p, font);
}

void createPalette(Player &p, ByteReader &r)
{
    r.u16(); // version
    const uint16_t count = r.u16();
    if (!r.ok() || !r.has(qint64(count) * 4)) {
        put(p, NoObject());
        return MarkDamaged(r);
    }
    auto palette = std::make_shared<LogPalette>();
    if (!p.resizePalette(*palette, count))
        return;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t red = r.u8(), green = r.u8(), blue = r.u8();
        r.u8();
        palette->entries[i] = qRgb(red, green, blue);
    }
    put(p, palette);
}

void dibPatternBrush(Player &p, ByteReader &r)
{
    const uint16_t style = r.u16();
    const uint16_t usage = r.u16();
    if (!r.ok())
        return put(p, NoObject());
    const ByteReader dib = r.sub(r.pos(), r.remaining());
    LogBrush brush;
    brush.style = gdi::BsDibPatternPt;
    DibOptions o;
    // Pattern-style brushes always carry colours; two-colour ones then follow the text and
    // background colours.
    o.usage = style == gdi::BsPattern ? 0 : usage;
    o.palette = p.dcPalette();
    brush.monochrome = style == gdi::BsPattern && DibBitCount(dib) == 1;
    o.monoIndices = brush.monochrome;
    brush.pattern = p.decodePackedDib(dib, o, brush.patternCharge);
    if (p.stopped())
        return;
    if (brush.pattern.isNull())
        brush.style = gdi::BsSolid, brush.color = 0x808080;
    put(p, brush);
}

void patternBrush(Player &p, ByteReader &r)
{
    r.u16(); // type
    const int16_t width = r.i16(), height = r.i16(), widthBytes = r.i16();
    const uint8_t planes = r.u8(), bitsPixel = r.u8();
    r.skip(18);
    if (!r.ok())
        return put(p, NoObject());
    LogBrush brush;
    brush.style = gdi::BsPattern;
    brush.pattern = p.decodeBitmap16(r.sub(r.pos(), r.remaining()), width, height, widthBytes, planes, bitsPixel,
                                     brush.patternCharge);
    if (p.stopped())
        return;
    brush.monochrome = bitsPixel == 1;
    if (brush.pattern.isNull())
        brush.style = gdi::BsSolid, brush.color = 0x808080;
    put(p, brush);
}

void createRegion(Player &p, ByteReader &r)
{
    LogRegion region;
    if (!ReadWmfRegion(r.sub(r.pos(), r.remaining()), region.rects)) {
        put(p, NoObject());
        return MarkDamaged(r);
    }
    if (p.keepRegion(region))
        put(p, region);
}

void selectObject(Player &p, ByteReader &r)
{
    const uint16_t index = r.u16();
    if (!r.ok())
        return;
    if (const GdiObject *object = p.objects().get(index))
        p.selectObject(*object);
}

void setPalEntries(Player &p, ByteReader &r)
{
    const uint16_t start = r.u16();
    const uint16_t count = r.u16();
    if (!r.ok() || !r.has(qint64(count) * 4))
        return MarkDamaged(r);
    // The selected palette changes: a copy, so that saved states keep theirs.
    auto palette = std::make_shared<LogPalette>();
    palette->entries = p.dc().palette->entries;
    const qsizetype end = qMax(palette->entries.size(), qsizetype(start) + count);
    if (!p.resizePalette(*palette, end))
        return;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t red = r.u8(), green = r.u8(), blue = r.u8();
        r.u8();
        palette->entries[start + i] = qRgb(red, green, blue);
    }
    p.dc().palette = palette;
}

} // namespace

void AddObjectHandlers(HandlerTable &t)
{
    Add(t, meta::CreatePenIndirect, createPen, 5);
    Add(t, meta::CreateBrushIndirect, createBrush, 4);
    Add(t, meta::CreateFontIndirect, createFont, 9);
    Add(t, meta::CreatePalette, createPalette, 2);
    Add(t, meta::DibCreatePatternBrush, dibPatternBrush, 2);
    Add(t, meta::CreatePatternBrush, patternBrush, 14);
    Add(t, meta::CreateRegion, createRegion, 11);
    Add(t, meta::SelectObject, selectObject, 1);
    Add(t, meta::SelectPalette, selectObject, 1);
    Add(t, meta::DeleteObject, [](Player &p, ByteReader &r) {
            const uint16_t index = r.u16();
            if (r.ok())
                p.objects().remove(index);
        }, 1);
    Add(t, meta::SetPalEntries, setPalEntries, 2);
    Add(t, meta::ResizePalette, [](Player &p, ByteReader &r) {
            const uint16_t count = r.u16();
            if (!r.ok())
                return;
            auto palette = std::make_shared<LogPalette>();
            palette->entries = p.dc().palette->entries;
            if (p.resizePalette(*palette, count))
                p.dc().palette = palette;
        }, 1);
}

} // namespace mv::metafile::wmf
