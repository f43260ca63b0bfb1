#include "imaging/dibdecoder.h"

#include "imaging/bmpcanvas.h"
#include "imaging/bmphuffman.h"
#include "imaging/bmprle.h"
#include "imaging/bmprows.h"
#include "imaging/pixelbudget.h"

#include <QBuffer>
#include <QImageReader>

namespace mv {

namespace {

DibPicture Failure(GpStatus status, const char *why)
{
    DibPicture picture;
    picture.status = status;
    picture.error = QString::fromLatin1(why);
    return picture;
}

DibPicture Picture(QImage image)
{
    DibPicture picture;
    if (image.isNull())
        return Failure(GpStatus::OutOfMemory, "out of memory for the picture");
    picture.image = std::move(image);
    return picture;
}

// Printers' BMPs carry a whole JPEG or PNG file as their pixels: handed to those decoders.
class EmbeddedReader
{
public:
    EmbeddedReader(QByteArrayView bytes, const BmpHeader &header)
        : mStream(QByteArray::fromRawData(bytes.data() + header.dataOffset, header.dataSize))
    {
        mBuffer.setBuffer(&mStream);
        mBuffer.open(QIODevice::ReadOnly);
        mReader.setDevice(&mBuffer);
        mReader.setFormat(header.coding == BmpCoding::Jpeg ? "jpeg" : "png");
        mReader.setAutoTransform(false);
    }
    QImageReader &reader() { return mReader; }

private:
    QByteArray mStream;
    QBuffer mBuffer;
    QImageReader mReader;
};

DibPicture DecodeEmbedded(QByteArrayView bytes, const BmpHeader &header, QSize target)
{
    EmbeddedReader embedded(bytes, header);
    QImageReader &reader = embedded.reader();
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return Failure(GpStatus::GenericError, "damaged picture inside the BMP");
    QSize decodeSize = size;
    if (!target.isEmpty() && target.width() <= size.width() && target.height() <= size.height()
        && target != size && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        reader.setScaledSize(target);
        decodeSize = target;
    }
    if (!FitsPixelBudget(decodeSize))
        return Failure(GpStatus::OutOfMemory, "image too large to decode");
    QImage image = reader.read();
    if (image.isNull())
        return Failure(GpStatus::GenericError, "damaged picture inside the BMP");
    return Picture(std::move(image));
}

// Clears the pixels of one row whose mask bits are set; true when any was.
bool ApplyMask(const uchar *mask, qint64 maskBytes, int count, QRgb *out)
{
    bool any = false;
    const int bits = int(qMin<qint64>(count, maskBytes * 8));
    for (int x = 0; x < bits; ++x) {
        if ((mask[x >> 3] >> (7 - (x & 7))) & 1) {
            out[x] = 0;
            any = true;
        }
    }
    return any;
}

DibPicture DecodeRows(QByteArrayView bytes, const BmpHeader &header, QSize output, DibContainer container)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.data()) + header.dataOffset;
    const qint64 available = header.dataSize;
    const qint64 stride = header.rowBytes();
    const qint64 lastRowBytes = (qint64(header.width) * header.bitCount + 7) / 8;
    const bool complete = available >= stride * (header.height - 1) + lastRowBytes;
    // Pixels of row i: as many whole pixels as its bytes hold.
    const auto pixelsOf = [&](int i) {
        const qint64 at = qint64(i) * stride;
        return at >= available ? 0 : int(qMin<qint64>(header.width, (available - at) * 8 / header.bitCount));
    };

    BmpRowUnpacker unpacker(header);
    if (unpacker.hasAlpha()) {
        bool any = false;
        for (int i = 0; i < header.height && !any; ++i)
            any = unpacker.anyAlpha(data + qint64(i) * stride, pixelsOf(i));
        if (!any)
            unpacker.dropAlpha();
    }
    // An icon's mask follows its colour rows; one with an alpha channel of its own ignores it.
    const bool useMask = container == DibContainer::IconEntry && !unpacker.hasAlpha();
    const qint64 maskStride = (qint64(header.width) + 31) / 32 * 4;
    const qint64 maskStart = stride * header.height;

    BmpCanvas canvas(QSize(header.width, header.height), output, unpacker.hasAlpha() || useMask, !complete);
    if (canvas.isNull())
        return Failure(GpStatus::OutOfMemory, "out of memory for the picture");
    bool masked = false;
    for (int i = 0; i < header.height; ++i) {
        const int count = pixelsOf(i);
        if (count <= 0)
            break;
        const int y = header.topDown ? i : header.height - 1 - i;
        QRgb *out = canvas.row(y);
        unpacker.unpack(data + qint64(i) * stride, count, out);
        if (useMask) {
            const qint64 at = maskStart + qint64(i) * maskStride;
            if (at < available)
                masked = ApplyMask(data + at, qMin(maskStride, available - at), count, out) || masked;
        }
        canvas.commit(y, 0, count);
    }
    return Picture(canvas.finish(complete && !unpacker.hasAlpha() && !masked));
}

} // namespace

QSize DibPictureSize(QByteArrayView bytes, const BmpHeader &header)
{
    if (header.coding != BmpCoding::Jpeg && header.coding != BmpCoding::Png)
        return QSize(header.width, header.height);
    EmbeddedReader embedded(bytes, header);
    const QSize size = embedded.reader().size();
    return size.isValid() ? size : QSize();
}

DibPicture DecodeDib(QByteArrayView bytes, const BmpHeader &header, QSize target, DibContainer container)
{
    if (!header.ok())
        return Failure(GpStatus::GenericError, "damaged BMP header");
    if (header.coding == BmpCoding::Jpeg || header.coding == BmpCoding::Png)
        return DecodeEmbedded(bytes, header, target);

    const QSize source(header.width, header.height);
    const QSize output = BmpCanvas::OutputFor(source, target);
    if (!FitsPixelBudget(output))
        return Failure(GpStatus::OutOfMemory, "image too large to decode");

    switch (header.coding) {
    case BmpCoding::Rle4:
    case BmpCoding::Rle8:
    case BmpCoding::Rle24: {
        BmpCanvas canvas(source, output, true, true);
        if (canvas.isNull())
            return Failure(GpStatus::OutOfMemory, "out of memory for the picture");
        const bool complete = DecodeRle(bytes.sliced(header.dataOffset), header, canvas);
        return Picture(canvas.finish(complete));
    }
    case BmpCoding::Huffman1D: {
        BmpCanvas canvas(source, output, true, true);
        if (canvas.isNull())
            return Failure(GpStatus::OutOfMemory, "out of memory for the picture");
        const bool complete = DecodeHuffman1D(bytes.sliced(header.dataOffset), header, canvas);
        return Picture(canvas.finish(complete));
    }
    case BmpCoding::Rgb:
    case BmpCoding::BitFields:
        return DecodeRows(bytes, header, output, container);
    default:
        return Failure(GpStatus::UnknownImageFormat, "unsupported BMP compression");
    }
}

} // namespace mv
