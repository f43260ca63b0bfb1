// EMF+ text: strings laid out in a rectangle by their string format, and driver strings
// placed glyph by glyph. Glyphs are drawn at their size in target pixels, the rest of the
// mapping (rotation, shear, a flipped axis) applied by the painter.

#include "imaging/metafile/emfplushandlers.h"
#include "imaging/metafile/fontmapper.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QRawFont>

#include <cmath>

namespace mv::metafile {

using namespace emfplus;

namespace {

constexpr double MaxFontPixels = 20000;
constexpr double LargeGlyph = 48; // pixels: from about here on glyphs are not cached

enum DriverOptions : uint32_t { CmapLookup = 0x1, RealizedAdvance = 0x4 };

// Text space: world scaled evenly so that one unit is a target pixel along the text's
// vertical; `toTarget` does the rest.
struct TextSpace {
    double scale = 0;        // text-space units per world unit
    QTransform toTarget;
    QFont font;
    double em = 0;           // target pixels
    bool lookedUp = false;
};

bool textSpace(EmfPlusPlayer &p, const PlusFont &f, TextSpace &space)
{
    // Fonts need the GUI application; without one (a console tool) the letters are left out.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()) || !p.transformUsable())
        return false;
    const QTransform &t = p.worldToTarget();
    const QPointF up = t.map(QPointF(0, 1)) - t.map(QPointF(0, 0));
    space.scale = std::hypot(up.x(), up.y());
    // Sizes in other units than the world's are page lengths, which the world transform
    // then maps like everything else.
    const QTransform page = p.pageTransform();
    const double pagePixels = std::sqrt(std::abs(page.determinant()));
    const double emWorld = f.unit == UnitWorld ? f.emSize : f.emSize * p.unitToPixels(f.unit) / pagePixels;
    space.em = std::abs(emWorld) * space.scale;
    if (!(space.scale > 0) || !std::isfinite(space.em) || space.em > MaxFontPixels || space.em < 0.3)
        return false;
    space.toTarget = QTransform::fromScale(1 / space.scale, 1 / space.scale) * t;
    LogFont lf;
    lf.face = f.family;
    lf.weight = f.style & 1 ? 700 : 400;
    lf.italic = f.style & 2;
    lf.underline = f.style & 4;
    lf.strikeOut = f.style & 8;
    space.font = MapFont(lf, &space.lookedUp);
    space.font.setPixelSize(qMax(1, int(std::lround(space.em))));
    if (space.em < 1.5 || std::abs(space.em - std::round(space.em)) > 0.01) {
        // Fractional sizes keep the recorded extent of small text.
        space.font.setPointSizeF(space.em * 72 / 96);
    }
    return true;
}

// The painting price of `n` glyphs of `em` pixels, as the EMF player prices its text.
bool chargeGlyphs(EmfPlusPlayer &p, const TextSpace &space, qsizetype n)
{
    const double chars = double(n);
    if (!p.player().spend(cost::TextRun + (space.lookedUp ? cost::FontLookup : 0) + cost::Character * chars))
        return false;
    const double surface = double(p.surface().width()) * p.surface().height();
    const double em = space.em;
    const double glyph = qMax(cost::LargeGlyphPixel * qMin(em * em, surface), cost::LargeGlyphRow * em);
    const double paint = em >= LargeGlyph ? chars * glyph : qMin(chars * em * em, surface);
    return p.player().spend(paint + cost::PaintCall);
}

QString readText(ByteReader &r, uint32_t length)
{
    if (!r.has(qint64(length) * 2)) {
        r.skip(r.remaining() + 1);
        return QString();
    }
    QString text(qsizetype(length), Qt::Uninitialized);
    for (uint32_t i = 0; i < length; ++i)
        text[i] = QChar(r.u16());
    return text;
}

void drawString(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    const uint32_t formatId = r.data.u32();
    const uint32_t length = r.data.u32();
    const QRectF layout = Rect(r.data, false);
    const QString text = readText(r.data, length);
    const PlusFont *font = p.object<PlusFont>(r.flags & 0xFF);
    const PlusBrush *brush = p.brush(r.flags, brushField);
    if (!r.data.ok() || !font || !brush || text.isEmpty() || !FiniteRect(layout))
        return;
    const PlusStringFormat *given = p.object<PlusStringFormat>(formatId);
    const PlusStringFormat format = given ? *given : PlusStringFormat();
    TextSpace space;
    if (!textSpace(p, *font, space) || !chargeGlyphs(p, space, text.size()))
        return;

    // The layout rectangle in text space, narrowed by the format's margins; an empty one
    // is a point the text is aligned at, without wrapping or clipping.
    QRectF box(layout.x() * space.scale, layout.y() * space.scale, layout.width() * space.scale,
               layout.height() * space.scale);
    const bool rtl = format.flags & PlusStringFormat::RightToLeft;
    const double lead = format.leadingMargin * space.em, trail = format.trailingMargin * space.em;
    if (box.width() > 0) {
        const double narrowed = qMax(0.0, box.width() - lead - trail);
        box.setLeft(box.left() + (rtl ? trail : lead));
        box.setWidth(narrowed);
    } else {
        box.translate(rtl ? -lead : lead, 0);
    }
    int flags = Qt::TextDontClip;
    switch (format.align) {
    case 1: flags |= Qt::AlignHCenter; break;
    case 2: flags |= rtl ? Qt::AlignLeft : Qt::AlignRight; break;
    default: flags |= rtl ? Qt::AlignRight : Qt::AlignLeft; break;
    }
    switch (format.lineAlign) {
    case 1: flags |= Qt::AlignVCenter; break;
    case 2: flags |= Qt::AlignBottom; break;
    default: flags |= Qt::AlignTop; break;
    }
    if (box.width() > 0 && !(format.flags & PlusStringFormat::NoWrap))
        flags |= Qt::TextWordWrap;

    const QRectF area = box.width() > 0 && box.height() > 0 ? space.toTarget.mapRect(box).intersected(QRectF(p.surface()))
                                                           : QRectF(p.surface());
    const QBrush paint = p.paintBrush(*brush, space.toTarget, area, false);
    if (paint.style() == Qt::NoBrush || p.player().stopped())
        return;
    QPainter &painter = p.beginPainting();
    painter.save();
    painter.setTransform(space.toTarget);
    if (box.width() > 0 && box.height() > 0 && !(format.flags & PlusStringFormat::NoClip))
        painter.setClipRect(box, Qt::IntersectClip);
    painter.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    painter.setFont(space.font);
    painter.setPen(QPen(paint, 0));
    painter.drawText(box, flags, text);
    painter.restore();
}

void drawDriverString(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    const uint32_t options = r.data.u32();
    const uint32_t matrixPresent = r.data.u32();
    const uint32_t count = r.data.u32();
    const QString glyphs = readText(r.data, count);
    // Positions follow for every glyph; with realised advances only the first one counts.
    const qint64 positionBytes = qint64(count) * 8;
    if (!r.data.ok() || count == 0 || !r.data.has(options & RealizedAdvance ? 8 : positionBytes))
        return;
    QPolygonF positions;
    const uint32_t given = options & RealizedAdvance ? 1 : count;
    if (!ReadPaidPoints(r.data, p.player(), given, false, false, positions))
        return;
    QTransform glyphTransform;
    if (matrixPresent) {
        ByteReader m = r.data.sub(r.data.pos() + (options & RealizedAdvance ? positionBytes - 8 : 0), 24);
        const QTransform t = Matrix(m);
        if (m.ok() && UsableTransform(t))
            glyphTransform = QTransform(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0);
    }
    const PlusFont *font = p.object<PlusFont>(r.flags & 0xFF);
    const PlusBrush *brush = p.brush(r.flags, brushField);
    TextSpace space;
    if (!font || !brush || !textSpace(p, *font, space) || !chargeGlyphs(p, space, count))
        return;
    const bool characters = options & CmapLookup;
    // Glyph numbers belong to the recording font; they only mean the same glyphs when that
    // very font is installed here. Otherwise they are not drawn.
    QRawFont raw;
    if (!characters) {
        raw = QRawFont::fromFont(space.font);
        if (!raw.isValid() || raw.familyName().compare(font->family.trimmed(), Qt::CaseInsensitive) != 0)
            return;
    }
    const QBrush paint = p.paintBrush(*brush, space.toTarget, QRectF(p.surface()), false);
    if (paint.style() == Qt::NoBrush || p.player().stopped())
        return;
    QPainter &painter = p.beginPainting();
    painter.save();
    painter.setFont(space.font);
    painter.setPen(QPen(paint, 0));
    const QPointF first = positions[0] * space.scale;
    if (options & RealizedAdvance) {
        // One run from the first position, laid out by the font's own advances.
        painter.setTransform(glyphTransform * QTransform::fromTranslate(first.x(), first.y()) * space.toTarget);
        if (characters) {
            painter.drawText(QPointF(0, 0), glyphs);
        } else {
            QList<quint32> indexes;
            for (QChar c : glyphs)
                indexes.append(c.unicode());
            QList<QPointF> advances = raw.advancesForGlyphIndexes(indexes);
            QList<QPointF> at;
            QPointF pen(0, 0);
            for (const QPointF &a : advances) {
                at.append(pen);
                pen += a;
            }
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes(indexes);
            run.setPositions(at);
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
        painter.restore();
        return;
    }
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i].isLowSurrogate() && i > 0 && glyphs[i - 1].isHighSurrogate())
            continue;
        const QPointF at = positions[i] * space.scale;
        if (!std::isfinite(at.x()) || !std::isfinite(at.y()))
            continue;
        painter.setTransform(glyphTransform * QTransform::fromTranslate(at.x(), at.y()) * space.toTarget);
        if (characters) {
            const bool pair = glyphs[i].isHighSurrogate() && i + 1 < glyphs.size() && glyphs[i + 1].isLowSurrogate();
            painter.drawText(QPointF(0, 0), glyphs.mid(i, pair ? 2 : 1));
        } else {
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes({glyphs[i].unicode()});
            run.setPositions({QPointF(0, 0)});
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
    }
    painter.restore();
}

} // namespace

namespace emfplus {

void AddTextHandlers(HandlerTable &t)
{
    Add(t, DrawString, drawString, 28);
    Add(t, DrawDriverString, drawDriverString, 16);
}

} // namespace emfplus

} // namespace mv::metafile
