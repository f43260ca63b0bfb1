#include "imaging/metafile/emfplayer.h"

#include "imaging/metafile/emfhandlers.h"
#include "imaging/metafile/emfplus.h"
#include "imaging/metafile/emfplusplayer.h"

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

// A picture drawn inside another shares its budgets: it may spend no more than the outer
// drawing has left, and what it spends is charged to the outer drawing when it ends.
class SharedBudget {
public:
    SharedBudget(Player &inner, Player *outer) : mInner(inner), mOuter(outer)
    {
        if (!mOuter)
            return;
        const double extra = inner.budget().workLeft() - outer->budget().workLeft();
        if (extra > 0)
            (void)inner.spend(extra);
        (void)inner.keep(mOuterMemory, outer->budget().kept());
        mStart = inner.budget().workLeft();
    }
    ~SharedBudget()
    {
        if (mOuter)
            (void)mOuter->spend(qMax(0.0, mStart - mInner.budget().workLeft()));
    }
    SharedBudget(const SharedBudget &) = delete;
    SharedBudget &operator=(const SharedBudget &) = delete;

private:
    Player &mInner;
    Player *mOuter;
    Charge mOuterMemory;
    double mStart = 0;
};

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

namespace {

// One pass over the records; `emfPlus` false draws the EMF records alone. `fallBack` tells
// that the EMF+ records of a dual file broke.
PlayReport playRecords(const QByteArray &data, const EmfHeader &header, const EmfGeometry &g, QImage &image,
                       const Nesting &nesting, bool emfPlus, bool &fallBack)
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
    SharedBudget shared(player, nesting.outer);
    EmfPlusPlayer plus(player, painter, image.size(), setup, g, nesting);
    EmfRecordIterator records(data, header);
    EmfRecord record;
    while (!player.stopped() && records.next(record)) {
        ++report.records;
        if (record.type == emr::Comment) {
            if (emfPlus && ClassifyComment(record.bytes) == CommentKind::EmfPlus) {
                plus.playComment(record.bytes, record.offset);
                if (plus.fallBack())
                    break;
            }
            continue;
        }
        if (!plus.drawsEmfRecords())
            continue; // drawn in EMF+: these records are its fallback
        plus.handBack();
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
    plus.handBack();
    painter.end();
    report.problem = player.stopped() ? player.stopReason() : records.error();
    report.emfPlusOnly = plus.active() && !plus.dual();
    fallBack = plus.fallBack();
    return report;
}

} // namespace

PlayReport PlayEmf(const QByteArray &data, const EmfHeader &header, const EmfGeometry &g, QImage &image,
                   const Nesting &nesting)
{
    bool fallBack = false;
    PlayReport report = playRecords(data, header, g, image, nesting, true, fallBack);
    if (fallBack) {
        image.fill(Qt::transparent);
        report = playRecords(data, header, g, image, nesting, false, fallBack);
    }
    return report;
}

} // namespace mv::metafile
