// WMF text records: 8-bit text in the code page of the selected font's charset.

#include "imaging/metafile/textcodec.h"
#include "imaging/metafile/wmfhandlers.h"

namespace mv::metafile::wmf {

namespace {

void textOut(Player &p, ByteReader &r)
{
    const uint16_t length = r.u16();
    const QByteArray bytes = r.bytes(length);
    r.skip(length & 1);
    const QPointF pt = PointYX(r);
    if (!r.ok())
        return;
    Player::TextRun run;
    run.reference = pt;
    run.text = DecodeCharsetText(bytes, p.dc().font.charset);
    p.drawText(run);
}

void extTextOut(Player &p, ByteReader &r)
{
    Player::TextRun run;
    run.reference = PointYX(r);
    const uint16_t length = r.u16();
    run.options = r.u16();
    if (run.options & (gdi::EtoOpaque | gdi::EtoClipped)) {
        const double left = r.i16(), top = r.i16(), right = r.i16(), bottom = r.i16();
        run.rect = QRectF(QPointF(left, top), QPointF(right, bottom));
        run.hasRect = true;
    }
    const QByteArray bytes = r.bytes(length);
    if (!r.ok())
        return;
    r.skip(qMin<qint64>(length & 1, r.remaining()));
    QList<double> dx;
    if (r.has(qint64(length) * 2)) {
        for (uint16_t i = 0; i < length; ++i)
            dx.append(r.i16());
    }
    run.text = DecodeCharsetText(bytes, p.dc().font.charset, dx, run.dx);
    p.drawText(run);
}

} // namespace

void AddTextHandlers(HandlerTable &t)
{
    Add(t, meta::TextOut, textOut, 3);
    Add(t, meta::ExtTextOut, extTextOut, 4);
}

} // namespace mv::metafile::wmf
