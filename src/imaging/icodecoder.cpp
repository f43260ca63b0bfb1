#include "imaging/icodecoder.h"

#include "imaging/metafile/bytereader.h"
#include "imaging/pixelbudget.h"

#include <QBuffer>
#include <QImageReader>

namespace mv {

namespace {

using metafile::ByteReader;

constexpr qint64 DirectoryHeadBytes = 6;
constexpr qint64 DirectoryEntryBytes = 16;

bool IsPng(QByteArrayView bytes)
{
    return bytes.startsWith(QByteArrayView("\x89PNG\r\n\x1A\n", 8));
}

// Entries whose directory record lies within the file.
int EntryCount(QByteArrayView file)
{
    ByteReader r(file.data(), file.size());
    r.seek(4);
    const qint64 declared = r.u16();
    return int(qMin(declared, (file.size() - DirectoryHeadBytes) / DirectoryEntryBytes));
}

// The bytes of one entry, cut at the end of the file; empty when it starts outside it.
QByteArrayView EntryData(QByteArrayView file, int entry)
{
    if (entry < 0 || entry >= EntryCount(file))
        return {};
    ByteReader r(file.data(), file.size());
    r.seek(DirectoryHeadBytes + DirectoryEntryBytes * entry + 8);
    const qint64 size = r.u32();
    const qint64 offset = r.u32();
    if (!r.ok() || offset < DirectoryHeadBytes || offset >= file.size())
        return {};
    return file.sliced(offset, qMin(size, file.size() - offset));
}

struct EntryInfo {
    QSize size;
    int bits = 0;
};

// Size and bits per pixel of a PNG entry from its header chunk; empty when it has none.
EntryInfo PngInfo(QByteArrayView png)
{
    ByteReader r(png.data(), png.size());
    r.seek(12);
    const QByteArray type = r.bytes(4);
    quint32 side[2] = {};
    for (quint32 &v : side) {
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | r.u8();
    }
    const int depth = r.u8();
    const int colourType = r.u8();
    if (!r.ok() || type != "IHDR" || side[0] == 0 || side[1] == 0 || side[0] > quint32(MaxImageSide)
        || side[1] > quint32(MaxImageSide))
        return {};
    static const int channels[7] = {1, 0, 3, 1, 2, 0, 4};
    EntryInfo info;
    info.size = QSize(int(side[0]), int(side[1]));
    info.bits = depth * (colourType >= 0 && colourType < 7 ? channels[colourType] : 0);
    return info;
}

EntryInfo ReadEntry(QByteArrayView entry)
{
    if (entry.isEmpty())
        return {};
    if (IsPng(entry))
        return PngInfo(entry);
    const BmpHeader header = ReadBmpHeader(entry, DibContainer::IconEntry);
    if (!header.ok())
        return {};
    EntryInfo info;
    info.size = DibPictureSize(entry, header);
    info.bits = header.bitCount;
    return info;
}

DibPicture DecodePngEntry(QByteArrayView entry, QSize size)
{
    DibPicture picture;
    if (!FitsPixelBudget(size)) {
        picture.status = GpStatus::OutOfMemory;
        picture.error = QStringLiteral("image too large to decode");
        return picture;
    }
    QByteArray stream = QByteArray::fromRawData(entry.data(), entry.size());
    QBuffer buffer(&stream);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    picture.image = reader.read();
    if (picture.image.isNull()) {
        picture.status = GpStatus::GenericError;
        picture.error = QStringLiteral("damaged PNG picture in the icon");
    }
    return picture;
}

} // namespace

bool LooksLikeIconFile(QByteArrayView bytes)
{
    ByteReader r(bytes.data(), bytes.size());
    const quint16 reserved = r.u16();
    const quint16 type = r.u16();
    const quint16 count = r.u16();
    return r.ok() && reserved == 0 && (type == 1 || type == 2) && count > 0;
}

IconChoice ChooseIconEntry(QByteArrayView bytes)
{
    IconChoice choice;
    qint64 bestArea = 0;
    int bestBits = -1;
    const int count = EntryCount(bytes);
    for (int i = 0; i < count; ++i) {
        const EntryInfo info = ReadEntry(EntryData(bytes, i));
        if (info.size.isEmpty())
            continue;
        const qint64 area = qint64(info.size.width()) * info.size.height();
        if (area > bestArea || (area == bestArea && info.bits > bestBits)) {
            bestArea = area;
            bestBits = info.bits;
            choice.entry = i;
            choice.size = info.size;
        }
    }
    if (choice.entry < 0)
        choice.error = QStringLiteral("no readable picture in the icon");
    return choice;
}

DibPicture DecodeIconEntry(QByteArrayView bytes, int entry, QSize target)
{
    const QByteArrayView data = EntryData(bytes, entry);
    if (IsPng(data))
        return DecodePngEntry(data, PngInfo(data).size);
    return DecodeDib(data, ReadBmpHeader(data, DibContainer::IconEntry), target, DibContainer::IconEntry);
}

} // namespace mv
