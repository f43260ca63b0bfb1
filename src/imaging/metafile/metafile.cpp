#include "imaging/metafile/metafile.h"

#include "imaging/metafile/bytereader.h"
#include "imaging/metafile/emfplayer.h"
#include "imaging/metafile/wmfplayer.h"

namespace mv {

using namespace metafile;

MetafileKind DetectMetafile(const QByteArray &head)
{
    ByteReader r(head);
    const uint32_t first = r.u32();
    if (!r.ok())
        return MetafileKind::None;
    if (first == PlaceableKey)
        return MetafileKind::PlaceableWmf;
    if (first == emr::Header) {
        r.seek(40);
        if (r.u32() == EmfSignature && r.ok())
            return MetafileKind::Emf;
        return MetafileKind::None;
    }
    // Standard WMF header: type 1 (memory) or 2 (disk), a header of 9 words, version.
    r.seek(0);
    const uint16_t type = r.u16(), words = r.u16(), version = r.u16();
    if (r.ok() && (type == 1 || type == 2) && words == 9 && (version == 0x0100 || version == 0x0300))
        return MetafileKind::Wmf;
    return MetafileKind::None;
}

namespace {

struct Parsed {
    MetafileKind kind = MetafileKind::None;
    EmfHeader emf;
    EmfGeometry emfGeometry;
    WmfHeader wmf;
    WmfGeometry wmfGeometry;
    QSize pixelSize;
    QString error;
};

Parsed parse(const QByteArray &data)
{
    Parsed p;
    p.kind = DetectMetafile(data);
    switch (p.kind) {
    case MetafileKind::None:
        p.error = QStringLiteral("not a metafile");
        break;
    case MetafileKind::Emf:
        if (ReadEmfHeader(data, p.emf, p.error) && EmfGeometryOf(p.emf, p.emfGeometry, p.error))
            p.pixelSize = p.emfGeometry.pixelSize;
        break;
    case MetafileKind::Wmf:
    case MetafileKind::PlaceableWmf:
        if (ReadWmfHeader(data, p.wmf, p.error) && WmfGeometryOf(data, p.wmf, p.wmfGeometry, p.error))
            p.pixelSize = p.wmfGeometry.pixelSize;
        break;
    }
    return p;
}

} // namespace

MetafileInfo ReadMetafileInfo(const QByteArray &data)
{
    const Parsed p = parse(data);
    MetafileInfo info;
    info.kind = p.kind;
    info.pixelSize = p.pixelSize;
    info.error = p.error;
    return info;
}

MetafileRender RenderMetafileReport(const QByteArray &data, QSize target)
{
    MetafileRender out;
    const Parsed p = parse(data);
    if (p.pixelSize.isEmpty()) {
        out.error = p.error;
        return out;
    }
    if (target.width() <= 0 || target.height() <= 0 || target.width() > MaxMetafileTargetSide
        || target.height() > MaxMetafileTargetSide || qint64(target.width()) * target.height() > MaxMetafileTargetPixels) {
        out.error = QStringLiteral("target size %1x%2 is out of range").arg(target.width()).arg(target.height());
        return out;
    }
    QImage image(target, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        out.error = QStringLiteral("not enough memory for a %1x%2 picture").arg(target.width()).arg(target.height());
        return out;
    }
    // 96 DPI, so that font sizes given in points mean what the picture's pixels mean.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::transparent);
    const PlayReport report = p.kind == MetafileKind::Emf ? PlayEmf(data, p.emf, p.emfGeometry, image)
                                                          : PlayWmf(data, p.wmf, p.wmfGeometry, image);
    out.image = image;
    out.problem = report.problem;
    out.records = report.records;
    out.skipped = report.skipped;
    out.emfPlusOnly = report.emfPlusOnly;
    return out;
}

QImage RenderMetafile(const QByteArray &data, QSize target)
{
    return RenderMetafileReport(data, target).image;
}

} // namespace mv
