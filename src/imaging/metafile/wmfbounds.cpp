// The area the drawing records of a WMF touch, for files that give no picture size. Text
// counts too: its box is estimated from the selected font's height, the recorded advances
// or a typical advance, the alignment and the escapement.

#include "imaging/metafile/wmfhandlers.h"
#include "imaging/metafile/wmfplayer.h"

#include <cmath>
#include <optional>
#include <vector>

namespace mv::metafile {

namespace {

struct Extent {
    double left = 0, top = 0, right = 0, bottom = 0;
    bool any = false;
    void add(QPointF p)
    {
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            return;
        if (!any) {
            left = right = p.x();
            top = bottom = p.y();
            any = true;
        }
        left = qMin(left, p.x());
        right = qMax(right, p.x());
        top = qMin(top, p.y());
        bottom = qMax(bottom, p.y());
    }
};

struct FontSize {
    double height = 16; // the cell, logical units
    double escapement = 0; // degrees
};

// The object table as far as fonts go: which slot holds which font size (empty: a slot
// held by another kind of object).
class FontSlots {
public:
    void create(std::optional<FontSize> font)
    {
        for (; mFirstFree < mSlots.size(); ++mFirstFree) {
            if (!mSlots[mFirstFree].used) {
                mSlots[mFirstFree++] = {true, font};
                return;
            }
        }
        if (mSlots.size() < size_t(ObjectTable::MaxObjects)) {
            mSlots.push_back({true, font});
            mFirstFree = mSlots.size();
        }
    }
    void remove(uint16_t index)
    {
        if (index < mSlots.size()) {
            mSlots[index] = Slot();
            mFirstFree = qMin(mFirstFree, size_t(index));
        }
    }
    void select(uint16_t index, FontSize &current) const
    {
        if (index < mSlots.size() && mSlots[index].used && mSlots[index].font)
            current = *mSlots[index].font;
    }

private:
    struct Slot {
        bool used = false;
        std::optional<FontSize> font;
    };
    std::vector<Slot> mSlots;
    size_t mFirstFree = 0; // no free slot below this one
};

FontSize readFont(ByteReader r)
{
    const double height = r.i16();
    r.i16(); // width
    const double escapement = r.i16();
    FontSize f;
    if (height != 0)
        f.height = height < 0 ? -height * 1.2 : height; // an em is about 5/6 of the cell
    f.escapement = escapement / 10;
    return f;
}

// A text of `bytes` bytes (or the advances' sum) at `at`, laid out as the alignment says.
void addText(Extent &e, QPointF at, qint64 bytes, double advances, const FontSize &font, uint16_t align)
{
    const double width = advances > 0 ? advances : double(bytes) * 0.55 * font.height / 1.2; // about the average advance
    const double cell = font.height;
    double x0 = 0, y0 = 0;
    switch (align & gdi::TaHorizontalMask) {
    case gdi::TaCenter: x0 = -width / 2; break;
    case gdi::TaRight: x0 = -width; break;
    default: break;
    }
    switch (align & gdi::TaVerticalMask) {
    case gdi::TaBaseline: y0 = -0.8 * cell; break;
    case gdi::TaBottom: y0 = -cell; break;
    default: break;
    }
    // Escapement turns the box about the reference point, counter-clockwise as shown.
    const double a = font.escapement * M_PI / 180, c = std::cos(a), s = std::sin(a);
    for (const QPointF corner : {QPointF(x0, y0), QPointF(x0 + width, y0), QPointF(x0, y0 + cell),
                                 QPointF(x0 + width, y0 + cell)})
        e.add(at + QPointF(corner.x() * c + corner.y() * s, -corner.x() * s + corner.y() * c));
}

void addRect(Extent &e, const QRectF &box)
{
    e.add(box.topLeft());
    e.add(box.bottomRight());
}

} // namespace

QRectF WmfDrawingBounds(const QByteArray &data, const WmfHeader &header)
{
    Extent e;
    FontSlots fonts;
    FontSize font;
    uint16_t align = 0;
    WmfRecordIterator records(data, header);
    WmfRecord record;
    while (records.next(record)) {
        ByteReader &r = record.bytes;
        if (wmf::CreatesObject(record.function)) {
            fonts.create(record.function == meta::CreateFontIndirect ? std::optional(readFont(r)) : std::nullopt);
            continue;
        }
        switch (record.function) {
        case meta::DeleteObject:
            fonts.remove(r.u16());
            break;
        case meta::SelectObject:
            fonts.select(r.u16(), font);
            break;
        case meta::SetTextAlign:
            align = r.u16();
            break;
        case meta::MoveTo:
        case meta::LineTo:
            e.add(wmf::PointYX(r));
            break;
        case meta::Polyline:
        case meta::Polygon: {
            const uint16_t n = r.u16();
            for (uint16_t i = 0; i < n && r.has(4); ++i)
                e.add(wmf::PointXY(r));
            break;
        }
        case meta::PolyPolygon: {
            const uint16_t parts = r.u16();
            uint32_t total = 0;
            for (uint16_t i = 0; i < parts && r.has(2); ++i)
                total += r.u16();
            for (uint32_t i = 0; i < total && r.has(4); ++i)
                e.add(wmf::PointXY(r));
            break;
        }
        case meta::RoundRect:
            r.skip(4);
            [[fallthrough]];
        case meta::Rectangle:
        case meta::Ellipse:
            addRect(e, wmf::RectBRTL(r));
            break;
        case meta::Arc:
        case meta::Pie:
        case meta::Chord:
            r.skip(8);
            addRect(e, wmf::RectBRTL(r));
            break;
        case meta::SetPixel:
            r.skip(4);
            e.add(wmf::PointYX(r));
            break;
        case meta::PatBlt: {
            r.skip(4);
            const double h = r.i16(), w = r.i16();
            const QPointF at = wmf::PointYX(r);
            addRect(e, QRectF(at, QSizeF(w, h)));
            break;
        }
        case meta::StretchDib:
        case meta::DibStretchBlt: {
            r.skip(record.function == meta::StretchDib ? 14 : 12); // raster operation (usage), source
            const double h = r.i16(), w = r.i16();
            const QPointF at = wmf::PointYX(r);
            addRect(e, QRectF(at, QSizeF(w, h)));
            break;
        }
        case meta::TextOut: {
            const uint16_t length = r.u16();
            r.skip(length + (length & 1));
            const QPointF at = wmf::PointYX(r);
            if (r.ok())
                addText(e, at, length, 0, font, align);
            break;
        }
        case meta::ExtTextOut: {
            const QPointF at = wmf::PointYX(r);
            const uint16_t length = r.u16();
            const uint16_t options = r.u16();
            if (options & (gdi::EtoOpaque | gdi::EtoClipped))
                r.skip(8);
            r.skip(length + (length & 1));
            double advances = 0;
            for (uint16_t i = 0; i < length && r.has(2); ++i)
                advances += r.i16();
            if (r.ok())
                addText(e, at, length, advances, font, align);
            break;
        }
        default:
            break;
        }
    }
    return e.any ? QRectF(QPointF(e.left, e.top), QPointF(e.right, e.bottom)) : QRectF();
}

} // namespace mv::metafile
