#include "imaging/tiffdecoder.h"

#include "imaging/pixelbudget.h"
#include "imaging/tiffsamples.h"

#include <QTransform>
#include <QtEndian>

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace mv {

namespace {

// libtiff reads through these from the bytes in memory, and maps them whole so that
// strips are decoded straight from them.
struct Memory {
    const QByteArray *data = nullptr;
    quint64 pos = 0;
};

tmsize_t ReadProc(thandle_t handle, void *buffer, tmsize_t size)
{
    auto *m = static_cast<Memory *>(handle);
    const quint64 length = quint64(m->data->size());
    if (size <= 0 || m->pos >= length)
        return 0;
    const quint64 n = std::min<quint64>(quint64(size), length - m->pos);
    std::memcpy(buffer, m->data->constData() + m->pos, size_t(n));
    m->pos += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void *, tmsize_t)
{
    return -1;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    auto *m = static_cast<Memory *>(handle);
    const quint64 base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? quint64(m->data->size()) : 0;
    const quint64 target = base + offset; // negative offsets arrive wrapped
    if (target > quint64(LLONG_MAX))
        return toff_t(-1);
    m->pos = target;
    return target;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t handle)
{
    return toff_t(static_cast<Memory *>(handle)->data->size());
}

int MapProc(thandle_t handle, void **base, toff_t *size)
{
    auto *m = static_cast<Memory *>(handle);
    *base = const_cast<char *>(m->data->constData());
    *size = toff_t(m->data->size());
    return 1;
}

void UnmapProc(thandle_t, void *, toff_t) {}

// Keeps the first error as the reason; nothing goes on to libtiff's global handlers.
int OnError(TIFF *, void *user, const char *, const char *format, va_list arguments)
{
    auto *first = static_cast<QString *>(user);
    if (first->isEmpty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, arguments);
        *first = QString::fromUtf8(text);
    }
    return 1;
}

int OnWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

class TiffFile
{
public:
    explicit TiffFile(const QByteArray &data)
    {
        // Some paths in libtiff still report to the global handlers: those say nothing.
        static const bool quiet = [] {
            TIFFSetErrorHandler(nullptr);
            TIFFSetWarningHandler(nullptr);
            return true;
        }();
        Q_UNUSED(quiet);
        mMemory.data = &data;
        TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(MaxPixelBytes));
        TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &mError);
        TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, nullptr);
        mTif = TIFFClientOpenExt("picture", "r", &mMemory, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                 MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffFile()
    {
        if (mTif)
            TIFFClose(mTif);
    }
    TiffFile(const TiffFile &) = delete;
    TiffFile &operator=(const TiffFile &) = delete;

    TIFF *get() const { return mTif; }
    QString error(const QString &fallback) const { return mError.isEmpty() ? fallback : mError; }

private:
    Memory mMemory;
    QString mError;
    TIFF *mTif = nullptr;
};

int OrientationOf(TIFF *tif)
{
    quint16 orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    return orientation >= 1 && orientation <= 8 ? orientation : ORIENTATION_TOPLEFT;
}

// Tags 5 to 8 store the picture on its side.
QSize AsSeen(QSize stored, int orientation)
{
    return orientation >= 5 ? stored.transposed() : stored;
}

QImage Turn(QImage image, int orientation)
{
    switch (orientation) {
    case 2: return std::move(image).mirrored(true, false);
    case 3: return std::move(image).mirrored(true, true);
    case 4: return std::move(image).mirrored(false, true);
    case 5: return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: return image.transformed(QTransform().rotate(90));
    case 7: return image.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8: return image.transformed(QTransform().rotate(270));
    default: return image;
    }
}

// Whether the current page can be decoded at all; why not when it cannot.
bool Decodable(TIFF *tif, QString &why)
{
    quint16 compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFIsCODECConfigured(compression)) {
        why = QStringLiteral("TIFF compression %1 is not supported").arg(compression);
        return false;
    }
    if (HasOwnSamples(tif))
        return true;
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) {
        why = QString::fromUtf8(message);
        return false;
    }
    return true;
}

QSize PageSize(TIFF *tif)
{
    quint32 width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    return QSize(int(std::min<quint32>(width, INT_MAX)), int(std::min<quint32>(height, INT_MAX)));
}

// A page to read instead of the first one.
struct Level {
    bool sub = false;   // a SubIFD of the first page, else a page of the main chain
    quint64 where = 0;  // its offset, or its page number
    QSize size;
};

// The smallest reduced-resolution version of the first page (a SubIFD of it or a later
// page marked as reduced) that is at least want in both directions, shows the same
// picture (same proportions and orientation) and can be decoded.
std::optional<Level> SmallestLevel(TIFF *tif, QSize full, int orientation, QSize want)
{
    constexpr int MaxLevels = 32;
    std::optional<Level> best;
    const auto consider = [&](bool sub, quint64 where) {
        quint32 kind = 0;
        TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &kind);
        const QSize size = PageSize(tif);
        QString why;
        const qint64 skew = qAbs(qint64(size.width()) * full.height() - qint64(size.height()) * full.width());
        if (!(kind & FILETYPE_REDUCEDIMAGE) || size.width() < want.width() || size.height() < want.height()
            || size.width() >= full.width() || skew > qint64(full.width()) + full.height()
            || OrientationOf(tif) != orientation || !Decodable(tif, why))
            return;
        if (!best || qint64(size.width()) * size.height() < qint64(best->size.width()) * best->size.height())
            best = Level{sub, where, size};
    };
    quint16 count = 0;
    quint64 *offsets = nullptr;
    QList<quint64> subs;
    if (TIFFGetField(tif, TIFFTAG_SUBIFD, &count, &offsets) && offsets)
        subs = QList<quint64>(offsets, offsets + std::min<int>(count, MaxLevels));
    for (const quint64 offset : subs) {
        if (TIFFSetSubDirectory(tif, offset))
            consider(true, offset);
    }
    for (tdir_t page = 1; page < MaxLevels; ++page) {
        if (!TIFFSetDirectory(tif, page))
            break;
        consider(false, page);
    }
    return best;
}

// Packed raster pixels of libtiff (R in the low byte) as RGBA8888 bytes.
void ToByteOrder(quint32 *pixels, qint64 count)
{
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
        for (qint64 i = 0; i < count; ++i)
            pixels[i] = qToLittleEndian(pixels[i]);
    } else {
        Q_UNUSED(pixels);
        Q_UNUSED(count);
    }
}

// The current page through libtiff's RGBA reader, in stored order, band by band: straight
// into the picture, or (want at least twice smaller) averaged over k x k blocks on the way.
// A band that does not decode stays transparent.
SamplePicture ReadRgba(TIFF *tif, QSize want)
{
    SamplePicture result;
    TIFFRGBAImage img;
    char message[1024] = {};
    if (!TIFFRGBAImageBegin(&img, tif, 1, message)) {
        result.error = QString::fromUtf8(message);
        return result;
    }
    struct End {
        TIFFRGBAImage *img;
        ~End() { TIFFRGBAImageEnd(img); }
    } end{&img};
    img.req_orientation = img.orientation; // stored order: turned afterwards
    const quint32 width = img.width;
    const quint32 height = img.height;

    quint32 base = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &base);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &base);
    base = std::clamp<quint32>(base, 1, height);
    const qint64 baseBytes = qint64(width) * base * 4;
    // Bands of whole strips or tile rows, about 64 rows or 32 MB.
    const quint32 band = base * quint32(std::max<qint64>(1, std::min<qint64>(64 / base, (qint64(32) << 20) / baseBytes)));

    quint32 k = 1;
    if (want.isValid() && !want.isEmpty())
        k = std::max<quint32>(1, std::min(width / quint32(want.width()), height / quint32(want.height())));
    const QSize size(int((width + k - 1) / k), int((height + k - 1) / k));
    if (!FitsPixelBudget(size) || !FitsPixelBudget(k > 1 ? qint64(width) * band * 4 : baseBytes)) {
        result.error = QStringLiteral("image too large to decode");
        result.tooLarge = true;
        return result;
    }
    QImage image(size, QImage::Format_RGBA8888_Premultiplied);
    std::vector<quint32> buffer;
    std::vector<quint64> sums;
    try {
        if (k > 1) {
            buffer.resize(size_t(width) * band);
            sums.resize(size_t(size.width()) * 4);
        }
    } catch (const std::bad_alloc &) {
        image = QImage();
    }
    if (image.isNull()) {
        result.error = QStringLiteral("out of memory");
        result.tooLarge = true;
        return result;
    }

    bool any = false;
    quint32 rowsIn = 0; // source rows added into sums
    for (quint32 top = 0; top < height; top += band) {
        const quint32 rows = std::min(band, height - top);
        quint32 *raster = k > 1 ? buffer.data() : reinterpret_cast<quint32 *>(image.scanLine(int(top)));
        img.row_offset = int(top);
        img.col_offset = 0;
        const bool decoded = TIFFRGBAImageGet(&img, raster, width, rows);
        if (decoded) {
            any = true;
            ToByteOrder(raster, qint64(width) * rows);
        } else if (k == 1) {
            std::memset(raster, 0, size_t(width) * rows * 4);
        }
        if (k == 1)
            continue;
        for (quint32 r = 0; r < rows; ++r) {
            const uchar *p = reinterpret_cast<const uchar *>(raster + size_t(width) * r);
            // A band that did not decode adds transparent rows: nothing to add up.
            for (quint32 x0 = 0, ox = 0; decoded && x0 < width; x0 += k, ++ox) {
                // One row of a block: at most 65535 x 255, well inside 32 bits.
                quint32 red = 0, green = 0, blue = 0, alpha = 0;
                for (const uchar *end = p + 4 * size_t(std::min(k, width - x0)); p < end; p += 4) {
                    red += p[0];
                    green += p[1];
                    blue += p[2];
                    alpha += p[3];
                }
                quint64 *sum = sums.data() + size_t(ox) * 4;
                sum[0] += red;
                sum[1] += green;
                sum[2] += blue;
                sum[3] += alpha;
            }
            ++rowsIn;
            const quint32 y = top + r;
            if ((y + 1) % k != 0 && y + 1 != height)
                continue;
            uchar *out = image.scanLine(int(y / k));
            for (int ox = 0; ox < size.width(); ++ox) {
                const quint64 columns = std::min<quint64>(k, width - quint64(ox) * k);
                const quint64 n = columns * rowsIn;
                for (int c = 0; c < 4; ++c)
                    out[4 * ox + c] = uchar((sums[size_t(ox) * 4 + size_t(c)] + n / 2) / n);
            }
            std::fill(sums.begin(), sums.end(), 0);
            rowsIn = 0;
        }
    }
    if (!any) {
        result.error = QStringLiteral("damaged TIFF data");
        return result;
    }
    result.image = image;
    return result;
}

} // namespace

TiffInfo ReadTiffInfo(const QByteArray &data)
{
    TiffInfo info;
    TiffFile file(data);
    TIFF *tif = file.get();
    if (!tif) {
        info.error = file.error(QStringLiteral("damaged TIFF header"));
        return info;
    }
    const QSize size = PageSize(tif);
    QString why;
    if (size.isEmpty()) {
        info.error = file.error(QStringLiteral("damaged TIFF header"));
    } else if (!Decodable(tif, why)) {
        info.error = why;
    } else {
        info.size = AsSeen(size, OrientationOf(tif));
    }
    return info;
}

TiffPicture DecodeTiff(const QByteArray &data, QSize target)
{
    TiffPicture result;
    TiffFile file(data);
    TIFF *tif = file.get();
    if (!tif) {
        result.error = file.error(QStringLiteral("damaged TIFF header"));
        return result;
    }
    const QSize full = PageSize(tif);
    const int orientation = OrientationOf(tif);
    QSize want;
    if (target.isValid() && !target.isEmpty()) {
        want = AsSeen(target, orientation); // as stored
        if (want.width() >= full.width() && want.height() >= full.height())
            want = QSize();
    }
    const std::optional<Level> level = want.isValid() ? SmallestLevel(tif, full, orientation, want) : std::nullopt;
    const bool found = level && (level->sub ? TIFFSetSubDirectory(tif, level->where)
                                            : TIFFSetDirectory(tif, tdir_t(level->where)));
    if (!found && !TIFFSetDirectory(tif, 0)) {
        result.error = file.error(QStringLiteral("damaged TIFF header"));
        return result;
    }
    QString why;
    if (!Decodable(tif, why)) {
        result.error = why;
        return result;
    }
    const SamplePicture picture = HasOwnSamples(tif) ? ReadOwnSamples(tif) : ReadRgba(tif, want);
    if (picture.image.isNull()) {
        result.error = picture.tooLarge ? picture.error : file.error(picture.error);
        result.tooLarge = picture.tooLarge;
        return result;
    }
    result.image = Turn(picture.image, orientation);
    if (result.image.isNull()) {
        result.error = QStringLiteral("out of memory");
        result.tooLarge = true;
    }
    return result;
}

} // namespace mv
