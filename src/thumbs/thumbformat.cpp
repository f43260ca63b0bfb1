#include "thumbs/thumbformat.h"

#include "imaging/cdib.h"

#include <climits>
#include <cstring>

namespace mv {

namespace {

// Far above any thumbnail: a damaged cache row can claim any size.
constexpr int MaxDrawnSide = 4096;

} // namespace

ThumbnailBytes ThumbnailFromImage(const QImage &picture)
{
    ThumbnailBytes bytes;
    BitmapInfoHeader header;
    header.biSize = 40;
    header.biPlanes = 1;
    header.biBitCount = 16;
    if (picture.isNull()) {
        bytes.header = header.ToBytes();
        return bytes;
    }
    const QImage image = picture.format() == QImage::Format_RGB555 ? picture
                                                                   : picture.convertToFormat(QImage::Format_RGB555);
    const int row = *ScanlineBytes(image.width(), 16);
    header.biWidth = image.width();
    header.biHeight = image.height();
    header.biSizeImage = quint32(row) * quint32(image.height());
    bytes.header = header.ToBytes();
    bytes.pixels = QByteArray(qsizetype(header.biSizeImage), '\0');
    // QImage keeps 5-5-5 pixels as little-endian 16-bit words, as the bitmap does; only the
    // row order differs.
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bytes.pixels.data() + qsizetype(image.height() - 1 - y) * row, image.constScanLine(y),
                    size_t(image.width()) * 2);
    return bytes;
}

QImage ThumbnailToImage(const QByteArray &header, const QByteArray &pixels)
{
    const std::optional<BitmapInfoHeader> h = BitmapInfoHeader::FromBytes(header);
    if (!h || h->biBitCount != 16 || h->biCompression != 0 || h->biPlanes != 1 || h->biHeight == INT_MIN)
        return {};
    const int width = h->biWidth;
    const int height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
    if (width <= 0 || height <= 0 || width > MaxDrawnSide || height > MaxDrawnSide)
        return {};
    const int row = *ScanlineBytes(width, 16);
    if (pixels.size() < qint64(row) * height)
        return {};
    QImage image(width, height, QImage::Format_RGB555);
    if (image.isNull())
        return {};
    const bool bottomUp = h->biHeight > 0;
    for (int y = 0; y < height; ++y) {
        const char *src = pixels.constData() + qsizetype(bottomUp ? height - 1 - y : y) * row;
        uchar *dst = image.scanLine(y);
        std::memcpy(dst, src, size_t(width) * 2);
        // The top bit of each word is unused in 5-5-5 and must be clear for QImage.
        auto *words = reinterpret_cast<quint16 *>(dst);
        for (int x = 0; x < width; ++x)
            words[x] &= 0x7FFF;
    }
    return image;
}

QSize ThumbnailHeaderSize(const QByteArray &header)
{
    const std::optional<BitmapInfoHeader> h = BitmapInfoHeader::FromBytes(header);
    return h ? QSize(h->biWidth, h->biHeight) : QSize(0, 0);
}

quint32 ThumbnailImageBytes(const QByteArray &header)
{
    const std::optional<BitmapInfoHeader> h = BitmapInfoHeader::FromBytes(header);
    return h ? h->biSizeImage : 0;
}

} // namespace mv
