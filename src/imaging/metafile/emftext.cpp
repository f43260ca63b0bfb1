// EMF text records.

#include "imaging/metafile/emfhandlers.h"
#include "imaging/metafile/textcodec.h"

namespace mv::metafile::emf {

namespace {

// One EMRTEXT at `at`, its string and spacing found by offsets from the record's start.
bool readText(Player &p, ByteReader &record, qint64 at, bool wide, Player::TextRun &run)
{
    ByteReader r = record;
    r.seek(at);
    run.reference = PointL(r);
    const uint32_t count = r.u32();
    const uint32_t offString = r.u32();
    run.options = r.u32();
    if (!(run.options & gdi::EtoNoRect)) {
        run.rect = RectL(r);
        run.hasRect = true;
    }
    const uint32_t offDx = r.u32();
    if (!r.ok())
        return false;
    const qint64 bytes = qint64(count) * (wide ? 2 : 1);
    if (!record.contains(offString, bytes))
        return false;
    QList<double> dx;
    const bool pdy = run.options & gdi::EtoPdy;
    const qint64 dxBytes = qint64(count) * 4 * (pdy ? 2 : 1);
    if (offDx != 0 && record.contains(offDx, dxBytes)) {
        ByteReader d = record.sub(offDx, dxBytes);
        for (uint32_t i = 0; i < count; ++i) {
            dx.append(d.i32());
            if (pdy)
                run.dy.append(d.i32());
        }
    }
    ByteReader s = record.sub(offString, bytes);
    const uint8_t charset = p.dc().font.charset;
    run.glyphIndices = run.options & gdi::EtoGlyphIndex;
    if (wide) {
        run.text.resize(count);
        for (uint32_t i = 0; i < count; ++i)
            run.text[i] = QChar(s.u16());
        run.dx = dx;
    } else {
        run.text = DecodeCharsetText(s.bytes(count), charset, dx, run.dx);
        run.dy.clear(); // vertical steps of double-byte text cannot be matched up
    }
    return true;
}

void setGraphicsMode(Player &p, uint32_t mode)
{
    if (mode == gdi::GmCompatible || mode == gdi::GmAdvanced)
        p.dc().graphicsMode = int(mode);
}

template <bool wide>
void extTextOut(Player &p, ByteReader &r)
{
    r.skip(16);
    const uint32_t mode = r.u32();
    r.skip(8); // scales
    if (!r.ok())
        return;
    setGraphicsMode(p, mode);
    Player::TextRun run;
    if (!readText(p, r, 36, wide, run))
        return r.skip(r.remaining() + 1);
    p.drawText(run);
}

template <bool wide>
void polyTextOut(Player &p, ByteReader &r)
{
    r.skip(16);
    const uint32_t mode = r.u32();
    r.skip(8);
    const uint32_t strings = r.u32();
    if (!r.ok() || !r.has(qint64(strings) * 40))
        return r.skip(r.remaining() + 1);
    setGraphicsMode(p, mode);
    for (uint32_t i = 0; i < strings && !p.stopped(); ++i) {
        Player::TextRun run;
        if (!readText(p, r, 40 + qint64(i) * 40, wide, run))
            return r.skip(r.remaining() + 1);
        p.drawText(run);
    }
}

void smallTextOut(Player &p, ByteReader &r)
{
    Player::TextRun run;
    run.reference = PointL(r);
    const uint32_t count = r.u32();
    run.options = r.u32();
    const uint32_t mode = r.u32();
    r.skip(8);
    if (!(run.options & gdi::EtoNoRect)) {
        run.rect = RectL(r);
        run.hasRect = true;
    }
    const bool small = run.options & gdi::EtoSmallChars;
    const QByteArray bytes = r.bytes(qint64(count) * (small ? 1 : 2));
    if (!r.ok())
        return;
    setGraphicsMode(p, mode);
    if (small) {
        run.text = DecodeCharsetText(bytes, p.dc().font.charset);
    } else {
        run.text.resize(count);
        for (uint32_t i = 0; i < count; ++i)
            run.text[i] = QChar(uint16_t(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8)));
    }
    run.glyphIndices = run.options & gdi::EtoGlyphIndex;
    p.drawText(run);
}

} // namespace

void AddTextHandlers(HandlerTable &t)
{
    t[emr::ExtTextOutW] = {extTextOut<true>, 76};
    t[emr::ExtTextOutA] = {extTextOut<false>, 76};
    t[emr::PolyTextOutW] = {polyTextOut<true>, 40};
    t[emr::PolyTextOutA] = {polyTextOut<false>, 40};
    t[emr::SmallTextOut] = {smallTextOut, 36};
}

} // namespace mv::metafile::emf
