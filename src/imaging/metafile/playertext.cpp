// Text output of the player: font mapping, alignment, spacing arrays, escapement.

#include "imaging/metafile/fontmapper.h"
#include "imaging/metafile/player.h"
#include "imaging/metafile/symbolfonts.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QRawFont>

#include <cmath>
#include <optional>

namespace mv::metafile {

namespace {

constexpr double MaxFontPixels = 20000;
constexpr double LargeGlyph = 48; // pixels: from about here on glyphs are not cached
const QString SymbolPiecesFamily = QStringLiteral("Standard Symbols PS");

double length(QPointF v)
{
    return std::hypot(v.x(), v.y());
}

// A point size that gives `pixels` on the painter's device.
void setPixelSize(QFont &font, double pixels, const QPaintDevice *device)
{
    const double dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    font.setPointSizeF(qMax(0.01, pixels * 72 / dpi));
}

// Recorded advances may be this much shorter than the drawn font's before its glyphs are
// narrowed: integer advances round, and metric-compatible faces differ by hinting.
constexpr double FitTolerance = 1.03;
// Below this size (thumbnails) letters are too small to be seen running into each other,
// and fitting them would only cost time.
constexpr double MinFitPixels = 8;

// Narrows the font's glyphs by `ratio`, in steps of 2 % so that runs share few font
// instances (each has its own glyph cache), at most to half their width.
void fitToAdvances(QFont &font, double ratio)
{
    const int stretch = font.stretch() > 0 ? font.stretch() : 100;
    const int fitted = qMax(50, int(std::floor(ratio * 50)) * 2);
    font.setStretch(qBound(1, stretch * fitted / 100, 4000));
}

} // namespace

void Player::drawText(const TextRun &run)
{
    if (!transformUsable())
        return;
    const QTransform &t = logicalToTarget();
    const LogFont &lf = mDc.font;
    const bool updateCp = mDc.textAlign & gdi::TaUpdateCp;
    const QPointF reference = updateCp ? mDc.current : run.reference;
    const QPointF origin = t.map(reference);
    if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()))
        return;

    // Text space: x along the baseline, y downwards, in target pixels. Angles turn the text
    // counter-clockwise as the device shows it: in logical units whose y axis the mapping
    // turns upwards, the sense of the angle is the other way round.
    const QTransform linear(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0);
    const bool yUp = t.m22() < 0 || (t.m22() == 0 && t.determinant() < 0);
    QTransform textToTarget;
    std::optional<QTransform> glyphToTarget; // glyphs turned apart from the baseline
    double advanceScale = 1; // logical advance -> text-space pixels
    double emScale = 1;      // logical font height -> target pixels
    if (mDc.graphicsMode == gdi::GmAdvanced) {
        // The whole mapping applies to the glyphs; y-up mappings keep text upright. The
        // baseline follows the escapement, the glyphs the orientation.
        const auto turned = [&](int tenths) {
            const double a = (tenths % 3600) / 10.0 * M_PI / 180, c = std::cos(a), s = std::sin(a);
            return (yUp ? QTransform(c, s, s, -c, 0, 0) : QTransform(c, -s, s, c, 0, 0)) * linear;
        };
        const QTransform m = turned(lf.escapement);
        const double down = length(m.map(QPointF(0, 1)));
        if (down <= 0)
            return;
        textToTarget = QTransform::fromScale(1 / down, 1 / down) * m * QTransform::fromTranslate(origin.x(), origin.y());
        if (lf.orientation % 3600 != lf.escapement % 3600)
            glyphToTarget = QTransform::fromScale(1 / down, 1 / down) * turned(lf.orientation);
        advanceScale = down;
        emScale = down;
    } else {
        // The device's own orientation; the escapement turns baseline and glyphs alike.
        const double a = (lf.escapement % 3600) / 10.0 * M_PI / 180, c = std::cos(a), s = std::sin(a);
        textToTarget = QTransform(c, -s, s, c, origin.x(), origin.y());
        advanceScale = length(linear.map(QPointF(1, 0)));
        emScale = length(linear.map(QPointF(0, 1)));
    }

    // Opaque rectangle first: it is filled even when there is no text.
    const QRgb back = color(mDc.bkColor);
    if (run.hasRect && (run.options & gdi::EtoOpaque)) {
        QPainterPath box;
        box.addRect(run.rect.normalized());
        fillTarget(t.map(box), QColor::fromRgb(back), QPainter::CompositionMode_SourceOver);
    }
    // Fonts need the GUI application; without one (a console tool) the letters are left out.
    if (run.text.isEmpty() || mStopped || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;

    // Font size: negative heights give the em, positive ones the cell (ascent + descent).
    bool lookedUp = false;
    QFont font = MapFont(lf, &lookedUp);
    // Runs can share one long string (PolyTextOut): the layout is paid for per character.
    const double characters = double(run.text.size());
    if (!spend(cost::TextRun + (lookedUp ? cost::FontLookup : 0) + cost::Character * characters))
        return;
    double em = std::abs(double(lf.height)) * emScale;
    if (lf.height == 0)
        em = 12 * mSetup.deviceScale;
    if (!std::isfinite(em) || em > MaxFontPixels)
        return;
    const QPaintDevice *device = mPainter.device();
    if (lf.height > 0 && em > 0) {
        QFont probe = font;
        setPixelSize(probe, 100, device);
        const QFontMetricsF pm(probe, device);
        const double cell = pm.ascent() + pm.descent();
        if (cell > 0)
            em = em * 100 / cell;
    }
    if (em < 0.3)
        return; // too small to show anything
    setPixelSize(font, em, device);
    if (lf.width != 0) {
        const QFontMetricsF natural(font, device);
        const double wanted = std::abs(double(lf.width)) * advanceScale;
        if (natural.averageCharWidth() > 0 && std::isfinite(wanted))
            font.setStretch(int(std::lround(qBound(1.0, 100 * wanted / natural.averageCharWidth(), 4000.0))));
    }
    const QFontMetricsF fm(font, device); // heights: the same whatever the width

    // Symbol fonts: their codes become the characters they draw, unless the font itself is
    // installed here and draws its own codes.
    QString text = run.text;
    QList<double> dx = run.dx, dy = run.dy;
    if (!run.glyphIndices) {
        SymbolEncoding encoding = SymbolEncodingOf(lf);
        if (encoding != SymbolEncoding::None && FamilyInstalled(lf.face.trimmed()))
            encoding = SymbolEncoding::Unknown;
        if (encoding != SymbolEncoding::None) {
            // A Symbol-compatible face draws the pieces of tall brackets with Symbol's own
            // geometry, so that stacked pieces join as the formula's author saw them.
            const bool pieces = encoding == SymbolEncoding::Symbol && FamilyInstalled(SymbolPiecesFamily);
            font.setFamilies((pieces ? QStringList(SymbolPiecesFamily) : QStringList()) + font.families()
                             + SymbolFamilies());
            if (!dy.isEmpty())
                MapSymbolText(text, encoding, pieces, &dy);
            text = MapSymbolText(text, encoding, pieces, &dx);
        }
    }

    // Positions along the baseline.
    const qsizetype n = text.size();
    QList<QPointF> positions;
    positions.reserve(n);
    double x = 0, y = 0;
    const double extra = mDc.textCharExtra * advanceScale;
    for (qsizetype i = 0; i < n; ++i) {
        positions.append(QPointF(x, y));
        double advance;
        if (i < dx.size()) {
            advance = dx[i] * advanceScale;
            if (i < dy.size())
                y -= dy[i] * advanceScale;
        } else if (run.glyphIndices || (text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())) {
            advance = 0; // the second half of a pair advances with the first
        } else {
            const bool pair = text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate();
            advance = fm.horizontalAdvance(text.mid(i, pair ? 2 : 1)) + extra;
        }
        if (!std::isfinite(advance))
            return;
        x += advance;
    }
    const double total = x;
    // A stand-in face wider than the recorded one would run its letters into each other
    // where the record gives the advances: its glyphs are narrowed to the recorded length.
    // Wider advances (spaced or justified text) leave the glyphs as they are.
    if (!dx.isEmpty() && !run.glyphIndices && total > 0 && em >= MinFitPixels) {
        const double natural = fm.horizontalAdvance(text) + extra * double(n);
        if (natural > total * FitTolerance)
            fitToAdvances(font, total / natural);
    }
    double x0 = 0;
    switch (mDc.textAlign & gdi::TaHorizontalMask) {
    case gdi::TaCenter: x0 = -total / 2; break;
    case gdi::TaRight: x0 = -total; break;
    default: break;
    }
    double baseline = 0;
    switch (mDc.textAlign & gdi::TaVerticalMask) {
    case gdi::TaBaseline: break;
    case gdi::TaBottom: baseline = -fm.descent(); break;
    default: baseline = fm.ascent(); break;
    }
    if (updateCp && advanceScale > 0) {
        const double logical = total / advanceScale;
        const uint32_t h = mDc.textAlign & gdi::TaHorizontalMask;
        if (h == gdi::TaRight)
            mDc.current.rx() -= logical;
        else if (h != gdi::TaCenter)
            mDc.current.rx() += logical;
    }

    const QPointF shift(x0, baseline);
    // Glyphs turned apart from the baseline stand each on their own point of it.
    const auto glyphPlace = [&](qsizetype i) {
        if (!glyphToTarget)
            return textToTarget;
        const QPointF at = textToTarget.map(positions[i] + QPointF(x0, 0));
        return *glyphToTarget * QTransform::fromTranslate(at.x(), at.y());
    };
    if (mDc.inPath) {
        // Outlines are slow to make and large to keep: paid for before they are made, and
        // added to the path one glyph at a time so that its memory is counted as it grows.
        if (!spend(cost::GlyphOutline * characters))
            return;
        for (qsizetype i = 0; i < n; ++i) {
            QPainterPath glyph;
            const QTransform place = glyphPlace(i);
            glyph.addText(glyphToTarget ? QPointF(0, baseline) : positions[i] + shift, font, QString(text[i]));
            const QPainterPath mapped = place.map(glyph);
            if (!growPath(mapped.elementCount()))
                return;
            mDc.path.addPath(mapped);
        }
        mPathNeedsMove = true;
        return;
    }

    // Small glyphs come from the painter's glyph cache; large ones are drawn as outlines,
    // each one in full, however many sit on the same spot.
    const double surface = double(mSurface.width()) * mSurface.height();
    const double glyph = qMax(cost::LargeGlyphPixel * qMin(em * em, surface), cost::LargeGlyphRow * em);
    const double paint = em >= LargeGlyph ? double(n) * glyph : qMin(double(n) * em * em, surface);
    if (!charge(paint))
        return;
    applyClip();
    mPainter.save();
    mPainter.resetTransform();
    if (run.hasRect && (run.options & gdi::EtoClipped)) {
        QPainterPath box;
        box.addRect(run.rect.normalized());
        mPainter.setClipPath(t.map(box), mPainter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    mPainter.setTransform(textToTarget);
    if (mDc.bkMode == gdi::Opaque && !(run.hasRect && (run.options & gdi::EtoOpaque)))
        mPainter.fillRect(QRectF(x0, baseline - fm.ascent(), total, fm.ascent() + fm.descent()), QColor::fromRgb(back));
    mPainter.setPen(QColor::fromRgb(color(mDc.textColor)));
    mPainter.setFont(font);

    if (run.glyphIndices) {
        // Glyph numbers belong to the recording font; they only mean the same glyphs when
        // that very font is installed here.
        const QRawFont raw = QRawFont::fromFont(font);
        if (raw.isValid() && raw.familyName().compare(lf.face.trimmed(), Qt::CaseInsensitive) == 0) {
            QList<quint32> glyphs;
            QList<QPointF> glyphPositions;
            for (qsizetype i = 0; i < n; ++i) {
                glyphs.append(text[i].unicode());
                glyphPositions.append(positions[i] + shift);
            }
            QGlyphRun glyphRun;
            glyphRun.setRawFont(raw);
            glyphRun.setGlyphIndexes(glyphs);
            glyphRun.setPositions(glyphPositions);
            glyphRun.setUnderline(lf.underline);
            glyphRun.setStrikeOut(lf.strikeOut);
            mPainter.drawGlyphRun(QPointF(0, 0), glyphRun);
        }
    } else if (dx.isEmpty() && mDc.textCharExtra == 0 && !glyphToTarget) {
        mPainter.drawText(shift, text);
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            if (text[i].isLowSurrogate())
                continue;
            const bool pair = text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate();
            if (glyphToTarget) {
                mPainter.setTransform(glyphPlace(i));
                mPainter.drawText(QPointF(0, baseline), text.mid(i, pair ? 2 : 1));
            } else {
                mPainter.drawText(positions[i] + shift, text.mid(i, pair ? 2 : 1));
            }
        }
    }
    mPainter.restore();
}

} // namespace mv::metafile
