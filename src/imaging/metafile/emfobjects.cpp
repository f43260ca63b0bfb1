// EMF records that create, select and delete drawing objects.

#include "imaging/metafile/dib.h"
#include "imaging/metafile/emfhandlers.h"

namespace mv::metafile::emf {

namespace {

constexpr uint32_t MaxPaletteEntries = 65536;
constexpr uint32_t MaxDashEntries = 64;

// A bitmap referenced by offset and size pairs inside the record.
QImage recordDib(Player &p, const ByteReader &r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits,
                 uint32_t usage, bool monoIndices, Charge &charge)
{
    if (cbBmi == 0 || !r.contains(offBmi, cbBmi) || !r.contains(offBits, cbBits))
        return QImage();
    DibOptions o;
    o.usage = usage;
    o.palette = p.dcPalette();
    o.monoIndices = monoIndices;
    return p.decodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), o, charge);
}

void createPen(Player &p, ByteReader &r)
{
    const uint32_t index = r.u32();
    LogPen pen;
    pen.style = r.u32();
    pen.width = r.i32();
    r.i32(); // the height of the width point is unused
    pen.color = r.u32();
    if (r.ok())
        p.objects().put(index, pen);
}

void extCreatePen(Player &p, ByteReader &r)
{
    const uint32_t index = r.u32();
    r.skip(16); // pattern bitmap of the pen's brush: drawn in the brush's colour instead
    LogPen pen;
    pen.style = r.u32();
    pen.width = r.u32();
    const uint32_t brushStyle = r.u32();
    pen.color = r.u32();
    r.u32(); // hatch
    const uint32_t entries = r.u32();
    if (!r.ok())
        return;
    pen.cosmetic = !pen.geometric();
    if ((pen.style & gdi::PsStyleMask) == gdi::PsUserStyle) {
        for (uint32_t i = 0; i < qMin(entries, MaxDashEntries) && r.has(4); ++i)
            pen.dashes.append(r.u32());
    }
    if (brushStyle == gdi::BsNull)
        pen.style = (pen.style & ~gdi::PsStyleMask) | gdi::PsNull;
    p.objects().put(index, pen);
}

void createBrush(Player &p, ByteReader &r)
{
    const uint32_t index = r.u32();
    LogBrush brush;
    brush.style = r.u32();
    brush.color = r.u32();
    brush.hatch = r.u32();
    if (r.ok())
        p.objects().put(index, brush);
}

void createPatternBrush(Player &p, ByteReader &r, bool mono)
{
    const uint32_t index = r.u32();
    const uint32_t usage = r.u32();
    const uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
    if (!r.ok())
        return;
    LogBrush brush;
    brush.style = gdi::BsDibPatternPt;
    brush.pattern = recordDib(p, r, offBmi, cbBmi, offBits, cbBits, mono ? 0 : usage, mono, brush.patternCharge);
    if (p.stopped())
        return;
    // Two-colour patterns made as monochrome brushes take the text and background colours.
    brush.monochrome = mono;
    if (brush.pattern.isNull())
        brush.style = gdi::BsSolid, brush.color = 0x808080;
    p.objects().put(index, brush);
}

void createPalette(Player &p, ByteReader &r)
{
    const uint32_t index = r.u32();
    r.u16(); // version
    const uint16_t count = r.u16();
    if (!r.ok() || !r.has(qint64(count) * 4))
        return r.skip(r.remaining() + 1);
    auto palette = std::make_shared<LogPalette>();
    if (!p.resizePalette(*palette, count))
        return;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t red = r.u8(), green = r.u8(), blue = r.u8();
        r.u8();
        palette->entries[i] = qRgb(red, green, blue);
    }
    p.objects().put(index, palette);
}

std::shared_ptr<LogPalette> paletteAt(Player &p, uint32_t index)
{
    GdiObject *object = p.objects().get(index);
    auto *palette = object ? std::get_if<std::shared_ptr<LogPalette>>(object) : nullptr;
    return palette ? *palette : nullptr;
}

void setPaletteEntries(Player &p, ByteReader &r)
{
    const uint32_t index = r.u32();
    const uint32_t start = r.u32();
    const uint32_t count = r.u32();
    if (!r.ok() || !r.has(qint64(count) * 4))
        return r.skip(r.remaining() + 1);
    const auto palette = paletteAt(p, index);
    if (!palette || start >= MaxPaletteEntries)
        return;
    const uint32_t end = uint32_t(qMin<qint64>(qint64(start) + count, MaxPaletteEntries));
    if (end > uint32_t(palette->entries.size()) && !p.resizePalette(*palette, end))
        return;
    for (uint32_t i = start; i < end; ++i) {
        const uint8_t red = r.u8(), green = r.u8(), blue = r.u8();
        r.u8();
        palette->entries[i] = qRgb(red, green, blue);
    }
}

void resizePalette(Player &p, ByteReader &r)
{
    const uint32_t index = r.u32();
    const uint32_t count = r.u32();
    if (!r.ok())
        return;
    if (const auto palette = paletteAt(p, index))
        p.resizePalette(*palette, qMin(count, MaxPaletteEntries));
}

void createFont(Player &p, ByteReader &r)
{
    const uint32_t index = r.u32();
    LogFont font;
    font.height = r.i32();
    font.width = r.i32();
    font.escapement = r.i32();
    font.orientation = r.i32();
    font.weight = r.i32();
    font.italic = r.u8();
    font.underline = r.u8();
    font.strikeOut = r.u8();
    font.charset = r.u8();
    r.u8(); // output precision
    r.u8(); // clip precision
    r.u8(); // quality
    font.pitchAndFamily = r.u8();
    QString face;
    for (int i = 0; i < 32; ++i) {
        const uint16_t c = r.u16();
        if (c == 0)
            break;
        face.append(QChar(c));
    }
    if (!r.ok())
        return;
    font.face = face;
    p.objects().put(index, font);
}

void selectObject(Player &p, ByteReader &r)
{
    const uint32_t index = r.u32();
    if (!r.ok())
        return;
    if (index & gdi::StockObjectBit) {
        p.selectObject(StockObject(index));
    } else if (const GdiObject *object = p.objects().get(index)) {
        p.selectObject(*object);
    }
}

} // namespace

void AddObjectHandlers(HandlerTable &t)
{
    t[emr::CreatePen] = {createPen, 28};
    t[emr::ExtCreatePen] = {extCreatePen, 52};
    t[emr::CreateBrushIndirect] = {createBrush, 24};
    t[emr::CreateDibPatternBrushPt] = {[](Player &p, ByteReader &r) { createPatternBrush(p, r, false); }, 32};
    t[emr::CreateMonoBrush] = {[](Player &p, ByteReader &r) { createPatternBrush(p, r, true); }, 32};
    t[emr::CreatePalette] = {createPalette, 16};
    t[emr::SetPaletteEntries] = {setPaletteEntries, 20};
    t[emr::ResizePalette] = {resizePalette, 16};
    t[emr::ExtCreateFontIndirectW] = {createFont, 104};
    t[emr::SelectObject] = {selectObject, 12};
    t[emr::SelectPalette] = {selectObject, 12};
    t[emr::DeleteObject] = {[](Player &p, ByteReader &r) {
                                const uint32_t index = r.u32();
                                if (r.ok() && !(index & gdi::StockObjectBit))
                                    p.objects().remove(index);
                            },
                            12};
}

} // namespace mv::metafile::emf
