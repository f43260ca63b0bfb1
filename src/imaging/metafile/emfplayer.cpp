#include "imaging/metafile/emfplayer.h"

#include "imaging/metafile/emfhandlers.h"
#include "imaging/metafile/emfplus.h"

#include <cmath>

namespace mv::metafile {

namespace {

const emf::HandlerTable &handlers()
{
    static const emf::HandlerTable table = [] {
        emf::HandlerTable t{};
        emf::AddStateHandlers(t);
        emf::AddObjectHandlers(t);
        emf::AddDrawingHandlers(t);
        emf::AddPathHandlers(t);
        emf::AddClippingHandlers(t);
        emf::AddTextHandlers(t);
        emf::AddBitmapHandlers(t);
        return t;
    }();
    return table;
}


} // namespace

QSize PictureSizeWithinLimit(double width, double height)
{
    constexpr double MaxPictureSide = 16384;
    const double longer = qMax(width, height);
    if (longer > MaxPictureSide) {
        width = width * MaxPictureSide / longer;
        height = height * MaxPictureSide / longer;
    }
    return QSize(qMax(1, int(std::lround(width))), qMax(1, int(std::lround(height))));
}

bool EmfGeometryOf(const EmfHeader &h, EmfGeometry &g, QString &error)
{
    // The recording device: its resolution converts the frame's millimetres to its pixels.
    QSizeF px(h.devicePixels), mm(h.deviceMillimeters);
    if (h.deviceMicrometers.width() > 0 && h.deviceMicrometers.height() > 0)
        mm = QSizeF(h.deviceMicrometers.width() / 1000.0, h.deviceMicrometers.height() / 1000.0);
    const bool sane = px.width() > 0 && px.height() > 0 && mm.width() > 0 && mm.height() > 0
                   && px.width() / mm.width() > 0.1 && px.width() / mm.width() < 10000
                   && px.height() / mm.height() > 0.1 && px.height() / mm.height() < 10000;
    if (!sane) {
        px = QSizeF(1024, 768);
        mm = QSizeF(1024 * 25.4 / 96, 768 * 25.4 / 96);
    }
    g.devicePixels = px;
    g.deviceMillimeters = mm;
    const double pxPerMmX = px.width() / mm.width(), pxPerMmY = px.height() / mm.height();

    const double fw = double(h.frameRight) - h.frameLeft, fh = double(h.frameBottom) - h.frameTop;
    if (fw > 0 && fh > 0) {
        g.deviceFrame = QRectF(h.frameLeft * pxPerMmX / 100, h.frameTop * pxPerMmY / 100, fw * pxPerMmX / 100,
                               fh * pxPerMmY / 100);
        g.pixelSize = PictureSizeWithinLimit(fw * 96 / 2540, fh * 96 / 2540);
        return true;
    }
    const double bw = double(h.boundsRight) - h.boundsLeft + 1, bh = double(h.boundsBottom) - h.boundsTop + 1;
    if (bw > 0 && bh > 0) {
        g.deviceFrame = QRectF(h.boundsLeft, h.boundsTop, bw, bh);
        g.pixelSize = PictureSizeWithinLimit(bw * 96 / 25.4 / pxPerMmX, bh * 96 / 25.4 / pxPerMmY);
        return true;
    }
    error = QStringLiteral("EMF header gives no picture size");
    return false;
}

PlayReport PlayEmf(const QByteArray &data, const EmfHeader &header, const EmfGeometry &g, QImage &image)
{
    PlayReport report;
    const emf::HandlerTable &table = handlers();
    const QRectF frame = g.deviceFrame;
    const double sx = image.width() / frame.width(), sy = image.height() / frame.height();

    PlayerSetup setup;
    setup.deviceToTarget = QTransform::fromTranslate(-frame.left(), -frame.top()) * QTransform::fromScale(sx, sy);
    setup.deviceScale = std::sqrt(sx * sy);
    setup.devicePixels = g.devicePixels;
    setup.deviceMillimeters = g.deviceMillimeters;
    setup.objectTableSize = header.handles;

    QPainter painter(&image);
    Player player(painter, image.size(), setup);
    EmfRecordIterator records(data, header);
    EmfRecord record;
    EmfPlusInfo plus;
    while (!player.stopped() && records.next(record)) {
        ++report.records;
        if (record.type == emr::Comment) {
            if (ClassifyComment(record.bytes) == CommentKind::EmfPlus)
                ScanEmfPlusComment(record.bytes, plus);
            continue;
        }
        if (record.type > emr::MaxType || !table[record.type].handler)
            continue; // unknown and unsupported records are skipped
        // A record whose frame is sound but whose contents cannot be read is left out and
        // the drawing goes on; only broken framing (the iterator) ends it.
        const emf::HandlerEntry &entry = table[record.type];
        if (record.bytes.size() < entry.minSize) {
            ++report.skipped;
            continue;
        }
        entry.handler(player, record.bytes);
        if (!record.bytes.ok())
            ++report.skipped;
    }
    painter.end();
    report.problem = player.stopped() ? player.stopReason() : records.error();
    report.emfPlusOnly = plus.headerSeen && !plus.dual;
    return report;
}

} // namespace mv::metafile
