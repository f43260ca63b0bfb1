#include "imaging/metafile/wmfplayer.h"

#include "imaging/metafile/wmfhandlers.h"

#include <cmath>

namespace mv::metafile {

namespace {

const wmf::HandlerTable &handlers()
{
    static const wmf::HandlerTable table = [] {
        wmf::HandlerTable t{};
        wmf::AddStateHandlers(t);
        wmf::AddObjectHandlers(t);
        wmf::AddDrawingHandlers(t);
        wmf::AddClippingHandlers(t);
        wmf::AddTextHandlers(t);
        wmf::AddBitmapHandlers(t);
        return t;
    }();
    return table;
}


} // namespace

bool WmfGeometryOf(const QByteArray &data, const WmfHeader &h, WmfGeometry &g, QString &error)
{
    if (h.placeable) {
        const double inch = h.unitsPerInch > 0 ? h.unitsPerInch : 1440;
        const QRectF box = QRectF(QPointF(h.boxLeft, h.boxTop), QPointF(h.boxRight, h.boxBottom)).normalized();
        if (box.width() > 0 && box.height() > 0) {
            g.window = box;
            g.pixelSize = PictureSizeWithinLimit(box.width() * 96 / inch, box.height() * 96 / inch);
            return true;
        }
    }
    // The first window origin and extent that the records set.
    QPointF org;
    QSizeF ext(0, 0);
    bool haveOrg = false;
    WmfRecordIterator records(data, h);
    WmfRecord record;
    while (ext.width() == 0 && records.next(record)) {
        if (record.function == meta::SetWindowOrg && !haveOrg) {
            org = wmf::PointYX(record.bytes);
            haveOrg = record.bytes.ok();
        } else if (record.function == meta::SetWindowExt) {
            const QPointF e = wmf::PointYX(record.bytes);
            if (record.bytes.ok() && e.x() != 0 && e.y() != 0)
                ext = QSizeF(e.x(), e.y());
        } else if (record.function == meta::SetMapMode) {
            g.isotropic = record.bytes.u16() == gdi::MmIsotropic;
        }
    }
    if (ext.width() != 0 && ext.height() != 0) {
        g.window = QRectF(org, ext);
        g.pixelSize = PictureSizeWithinLimit(std::abs(ext.width()), std::abs(ext.height()));
        return true;
    }
    const QRectF bounds = WmfDrawingBounds(data, h);
    if (bounds.width() > 0 && bounds.height() > 0) {
        g.window = bounds;
        g.pixelSize = PictureSizeWithinLimit(bounds.width(), bounds.height());
        return true;
    }
    error = QStringLiteral("WMF file gives no picture size");
    return false;
}

PlayReport PlayWmf(const QByteArray &data, const WmfHeader &header, const WmfGeometry &g, QImage &image)
{
    PlayReport report;
    const wmf::HandlerTable &table = handlers();

    // Device space is the picture at 96 DPI; the window maps onto all of it.
    const QSizeF picture(g.pixelSize);
    PlayerSetup setup;
    const double sx = image.width() / picture.width(), sy = image.height() / picture.height();
    setup.deviceToTarget = QTransform::fromScale(sx, sy);
    setup.deviceScale = std::sqrt(sx * sy);
    setup.objectTableSize = header.objects;

    QPainter painter(&image);
    Player player(painter, image.size(), setup);
    player.setMapMode(g.isotropic ? gdi::MmIsotropic : gdi::MmAnisotropic);
    player.setWindowOrg(g.window.topLeft());
    player.setWindowExt(g.window.size());
    player.setViewportOrg(QPointF(0, 0));
    player.setViewportExt(picture);

    WmfRecordIterator records(data, header);
    WmfRecord record;
    while (!player.stopped() && records.next(record)) {
        ++report.records;
        const wmf::HandlerEntry &entry = table[record.function & 0xFF];
        if (!entry.handler || record.function == meta::Eof)
            continue; // unknown and unsupported records are skipped
        // As with EMF: a well-framed record that cannot be read is left out, and the
        // drawing goes on.
        if (record.bytes.size() < entry.minSize) {
            ++report.skipped;
            if (wmf::CreatesObject(record.function))
                player.objects().putLowestFree(NoObject());
            continue;
        }
        entry.handler(player, record.bytes);
        if (!record.bytes.ok())
            ++report.skipped;
    }
    painter.end();
    report.problem = player.stopped() ? player.stopReason() : records.error();
    return report;
}

} // namespace mv::metafile
