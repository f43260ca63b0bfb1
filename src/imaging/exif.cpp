#include "imaging/exif.h"

#include <cstring>

namespace mv {

namespace {

constexpr quint16 OrientationTag = 0x0112;
constexpr quint16 TypeShort = 3;
constexpr qsizetype EntrySize = 12;

// Where the TIFF block sits in the data; start -1 when there is none.
struct Span {
    qsizetype start = -1;
    qsizetype length = 0;
};

bool IsTiffHeader(const char *p, qsizetype n)
{
    return n >= 4 && (std::memcmp(p, "II*\0", 4) == 0 || std::memcmp(p, "MM\0*", 4) == 0);
}

// The TIFF block of the first "Exif" APP1 segment, found before the image data starts.
Span FindJpegExif(const QByteArray &data)
{
    const auto *d = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype n = data.size();
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return {};
    qsizetype pos = 2;
    while (pos < n) {
        if (d[pos] != 0xFF)
            return {}; // not at a marker: the header is damaged
        while (pos < n && d[pos] == 0xFF) // fill bytes
            ++pos;
        if (pos >= n)
            return {};
        const uchar marker = d[pos++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (marker == 0x00 || marker == 0xD9 || marker == 0xDA)
            return {}; // the metadata has ended
        if (n - pos < 2)
            return {};
        const qsizetype length = (qsizetype(d[pos]) << 8) | d[pos + 1];
        if (length < 2 || length > n - pos)
            return {};
        if (marker == 0xE1 && length >= 2 + 6 && std::memcmp(d + pos + 2, "Exif\0\0", 6) == 0)
            return {pos + 8, length - 8};
        pos += length;
    }
    return {};
}

Span FindTiff(const QByteArray &data)
{
    if (IsTiffHeader(data.constData(), data.size()))
        return {0, data.size()};
    return FindJpegExif(data);
}

// Reads the first image directory of a TIFF block with every offset checked.
class TiffBlock
{
public:
    TiffBlock(const QByteArray &data, Span span)
    {
        if (span.start < 0 || span.length < 8 || span.length > data.size() - span.start
            || !IsTiffHeader(data.constData() + span.start, span.length))
            return;
        mBytes = reinterpret_cast<const uchar *>(data.constData()) + span.start;
        mLength = span.length;
        mBig = mBytes[0] == 'M';
        const qint64 ifd = U32(4);
        if (ifd < 8 || !Has(ifd, 2))
            return;
        mIfd = ifd;
        mEntries = U16(ifd);
        // A count beyond the data keeps the entries that are there.
        mEntries = qint64(qMin<qint64>(mEntries, (mLength - ifd - 2) / EntrySize));
        mValid = true;
    }

    bool IsValid() const { return mValid; }
    bool BigEndian() const { return mBig; }

    // Offset in the block of the orientation's value, or -1.
    qint64 OrientationValue() const
    {
        if (!mValid)
            return -1;
        for (qint64 i = 0; i < mEntries; ++i) {
            const qint64 entry = mIfd + 2 + i * EntrySize;
            if (U16(entry) == OrientationTag && U16(entry + 2) == TypeShort && U32(entry + 4) >= 1)
                return entry + 8;
        }
        return -1;
    }

    // Offset of the link to the next directory when every entry is present, or -1.
    qint64 NextLink() const
    {
        if (!mValid)
            return -1;
        const qint64 at = mIfd + 2 + qint64(U16(mIfd)) * EntrySize;
        return Has(at, 4) ? at : -1;
    }

    quint16 U16(qint64 at) const
    {
        if (!Has(at, 2))
            return 0;
        return mBig ? quint16((mBytes[at] << 8) | mBytes[at + 1]) : quint16(mBytes[at] | (mBytes[at + 1] << 8));
    }

    quint32 U32(qint64 at) const
    {
        if (!Has(at, 4))
            return 0;
        quint32 v = 0;
        for (int i = 0; i < 4; ++i)
            v |= quint32(mBytes[at + i]) << (mBig ? 8 * (3 - i) : 8 * i);
        return v;
    }

private:
    bool Has(qint64 at, qint64 count) const { return at >= 0 && count >= 0 && at <= mLength && count <= mLength - at; }

    const uchar *mBytes = nullptr;
    qint64 mLength = 0;
    bool mBig = false;
    bool mValid = false;
    qint64 mIfd = 0;
    qint64 mEntries = 0;
};

} // namespace

int ReadExifOrientation(const QByteArray &data)
{
    const Span span = FindTiff(data);
    if (span.start < 0)
        return 1;
    const TiffBlock tiff(data, span);
    const qint64 at = tiff.OrientationValue();
    if (at < 0)
        return 1;
    const int value = tiff.U16(at);
    return value >= 1 && value <= 8 ? value : 1;
}

PictureTurn ExifOrientationTurn(int orientation)
{
    switch (orientation) {
    case 2: return {0, true};  // mirrored
    case 3: return {2, false};
    case 4: return {2, true};  // upside down mirrored
    case 5: return {1, true};  // transposed
    case 6: return {1, false}; // the camera was turned left: turn right
    case 7: return {3, true};  // transversed
    case 8: return {3, false};
    default: return {};
    }
}

PictureTurn ThenTurn(PictureTurn first, int clockwiseQuarterTurns)
{
    const int turns = ((clockwiseQuarterTurns % 4) + 4) % 4;
    // A mirror reverses the sense of the turns after it.
    const int quarterTurns = first.flip ? first.quarterTurns - turns + 4 : first.quarterTurns + turns;
    return {quarterTurns % 4, first.flip};
}

bool ResetExifOrientation(QByteArray &jpeg, bool dropThumbnail)
{
    const Span span = FindJpegExif(jpeg);
    if (span.start < 0)
        return false;
    qint64 value = -1, next = -1;
    bool big = false;
    {
        const TiffBlock tiff(jpeg, span);
        value = tiff.OrientationValue();
        next = tiff.NextLink();
        big = tiff.BigEndian();
    }
    if (value < 0)
        return false;
    char *block = jpeg.data() + span.start;
    block[value] = big ? 0 : 1;
    block[value + 1] = big ? 1 : 0;
    if (dropThumbnail && next >= 0)
        std::memset(block + next, 0, 4);
    return true;
}

} // namespace mv
