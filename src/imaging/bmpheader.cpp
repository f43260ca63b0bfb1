#include "imaging/bmpheader.h"

#include "imaging/codec.h"
#include "imaging/metafile/bytereader.h"

namespace mv {

namespace {

using metafile::ByteReader;

constexpr quint32 FileHeaderBytes = 14;
constexpr quint32 CoreHeaderBytes = 12; // OS/2 1.x: 16-bit sizes, 3-byte palette entries

bool KnownHeaderSize(quint32 size)
{
    switch (size) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
        return true;
    default:
        return false;
    }
}

bool KnownBitCount(quint32 bits)
{
    switch (bits) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: case 64:
        return true;
    default:
        return false;
    }
}

// The fields of any header kind, by their offsets in the longest one; fields a short
// header does not hold read as 0.
struct Fields {
    quint32 size = 0;
    qint64 width = 0;
    qint64 height = 0;
    quint32 planes = 0;
    quint32 bitCount = 0;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    std::array<quint32, 4> masks{};
    bool complete = false; // the whole header lies within the bytes
};

Fields ReadFields(const ByteReader &bytes, qint64 at)
{
    Fields f;
    ByteReader head = bytes.sub(at, 4);
    f.size = head.u32();
    if (!head.ok() || !KnownHeaderSize(f.size) || !bytes.contains(at, f.size))
        return f;
    f.complete = true;
    ByteReader h = bytes.sub(at, f.size);
    const auto u32At = [&h, &f](quint32 offset) -> quint32 {
        if (offset + 4 > f.size)
            return 0;
        h.seek(offset);
        return h.u32();
    };
    if (f.size == CoreHeaderBytes) {
        h.seek(4);
        f.width = h.u16();
        f.height = h.u16();
        f.planes = h.u16();
        f.bitCount = h.u16();
        return f;
    }
    h.seek(4);
    f.width = h.i32();
    f.height = h.i32();
    f.planes = h.u16();
    f.bitCount = h.u16();
    f.compression = u32At(16);
    f.colorsUsed = u32At(32);
    // Masks live in the header from the V2 form on; OS/2's 64-byte header has other fields there.
    if (f.size >= 52 && f.size != 64) {
        for (int i = 0; i < 3; ++i)
            f.masks[i] = u32At(40 + 4 * quint32(i));
        f.masks[3] = u32At(52);
    }
    return f;
}

// The coding a compression number means for this bit count; false when none.
bool CodingOf(const Fields &f, BmpCoding &coding)
{
    switch (f.compression) {
    case 0:
        coding = BmpCoding::Rgb;
        return KnownBitCount(f.bitCount);
    case 1:
        coding = BmpCoding::Rle8;
        return f.bitCount == 8;
    case 2:
        coding = BmpCoding::Rle4;
        return f.bitCount == 4;
    case 3: // bit fields; OS/2 uses the number for its 1-bit Huffman coding
        coding = f.bitCount == 1 ? BmpCoding::Huffman1D : BmpCoding::BitFields;
        return f.bitCount == 1 || f.bitCount == 16 || f.bitCount == 32;
    case 4: // an embedded JPEG; OS/2 uses the number for 24-bit run lengths
        coding = f.bitCount == 24 ? BmpCoding::Rle24 : BmpCoding::Jpeg;
        return true;
    case 5:
        coding = BmpCoding::Png;
        return true;
    case 6: // bit fields with an alpha mask
        coding = BmpCoding::BitFields;
        return f.bitCount == 16 || f.bitCount == 32;
    default:
        return false;
    }
}

std::array<quint32, 4> DefaultMasks(int bitCount, DibContainer container)
{
    if (bitCount == 16)
        return {0x7C00, 0x03E0, 0x001F, 0};
    // Icon pictures of 32 bits keep their alpha in the fourth byte.
    return {0xFF0000, 0xFF00, 0xFF, container == DibContainer::IconEntry ? 0xFF000000u : 0u};
}

// OS/2 bitmap arrays ("BA") chain versions of one picture for different devices, each a
// "BM" file head whose offsets count from the start of the whole file. The one shown is
// the largest, then the one with most colours (the first of equals); -1 when none is a
// readable bitmap.
qint64 BestArrayMember(const ByteReader &all)
{
    qint64 best = -1;
    qint64 bestArea = 0;
    quint32 bestBits = 0;
    qint64 at = 0;
    for (int member = 0; member < 64; ++member) {
        ByteReader head = all.sub(at, 2 * FileHeaderBytes);
        const quint16 arrayMagic = head.u16();
        head.skip(4);
        const qint64 next = head.u32();
        head.skip(4);
        const quint16 fileMagic = head.u16();
        if (!head.ok() || arrayMagic != 0x4142)
            break;
        const Fields f = ReadFields(all, at + 2 * FileHeaderBytes);
        const qint64 area = f.width * qAbs(f.height);
        if (fileMagic == 0x4D42 && f.complete && (area > bestArea || (area == bestArea && f.bitCount > bestBits))) {
            best = at + FileHeaderBytes;
            bestArea = area;
            bestBits = f.bitCount;
        }
        if (next <= at) // the last member, or a chain that would loop
            break;
        at = next;
    }
    return best;
}

BmpHeader Fail(const char *why)
{
    BmpHeader header;
    header.error = QString::fromLatin1(why);
    return header;
}

} // namespace

BmpHeader ReadBmpHeader(QByteArrayView bytes, DibContainer container)
{
    const ByteReader all(bytes.data(), bytes.size());
    qint64 start = 0;
    qint64 fileDataOffset = -1;
    if (container == DibContainer::File) {
        const qint64 fileHead = bytes.startsWith("BA") ? BestArrayMember(all) : 0;
        ByteReader file = all.sub(fileHead, FileHeaderBytes);
        const quint16 magic = file.u16();
        file.skip(8); // file size and two reserved fields: often wrong, never needed
        fileDataOffset = file.u32();
        if (fileHead < 0 || !file.ok() || magic != 0x4D42)
            return Fail("not a BMP file");
        start = fileHead + FileHeaderBytes;
    }
    const Fields f = ReadFields(all, start);
    if (!f.complete)
        return Fail(KnownHeaderSize(f.size) ? "BMP header cut short" : "unknown BMP header size");

    BmpHeader header;
    if (!CodingOf(f, header.coding))
        return Fail("unsupported BMP bit count or compression");
    header.bitCount = int(f.bitCount);
    const bool embedded = header.coding == BmpCoding::Jpeg || header.coding == BmpCoding::Png;

    // Sizes: the embedded picture has its own; a height below zero means top-down rows.
    qint64 height = f.height;
    if (height < 0) {
        header.topDown = true;
        height = -height;
    }
    if (container == DibContainer::IconEntry)
        height /= 2;
    if (!embedded) {
        if (f.width <= 0 || height <= 0)
            return Fail("BMP width or height is zero or negative");
        if (f.width > MaxImageSide || height > MaxImageSide)
            return Fail("BMP dimensions too large");
    }
    header.width = int(qBound<qint64>(0, f.width, qint64(MaxImageSide)));
    header.height = int(qBound<qint64>(0, height, qint64(MaxImageSide)));
    const bool runLengths = header.coding == BmpCoding::Rle4 || header.coding == BmpCoding::Rle8
                            || header.coding == BmpCoding::Rle24 || header.coding == BmpCoding::Huffman1D;
    if (runLengths && header.topDown)
        return Fail("compressed BMP rows cannot be stored top-down");

    // Masks: in the header from the V2 form on, otherwise right after a 40-byte header.
    qint64 afterHeader = start + f.size;
    if (header.coding == BmpCoding::BitFields) {
        header.masks = f.masks;
        if (f.size < 52) {
            const int count = f.compression == 6 ? 4 : 3;
            ByteReader masks = all.sub(afterHeader, 4 * count);
            for (int i = 0; i < count; ++i)
                header.masks[i] = masks.u32();
            if (!masks.ok())
                return Fail("BMP bit masks cut short");
            afterHeader += 4 * count;
        }
        if (f.compression != 6 && f.size < 56)
            header.masks[3] = 0;
        if (header.bitCount == 16) {
            for (quint32 &mask : header.masks)
                mask &= 0xFFFF;
        }
        // No colour at all would be a black picture: the masks were left out.
        if ((header.masks[0] | header.masks[1] | header.masks[2]) == 0)
            header.masks = DefaultMasks(header.bitCount, container);
    } else if (header.coding == BmpCoding::Rgb && (header.bitCount == 16 || header.bitCount == 32)) {
        header.masks = DefaultMasks(header.bitCount, container);
    }

    // Palette: entries declared (all 2^n when none are), never more than the bit count
    // indexes, and in a file never more than fit before the pixel data.
    const qint64 entryBytes = f.size == CoreHeaderBytes ? 3 : 4;
    const bool indexed = header.bitCount <= 8 && !embedded;
    qint64 entries = 0;
    qint64 tableEntries = 0; // what a DIB without a file head holds before its pixels
    if (indexed) {
        entries = (f.colorsUsed != 0 && f.size != CoreHeaderBytes) ? qint64(f.colorsUsed) : (qint64(1) << header.bitCount);
        tableEntries = entries;
        entries = qMin(entries, qint64(1) << header.bitCount);
    } else if (f.size != CoreHeaderBytes) {
        tableEntries = f.colorsUsed;
    }
    if (container == DibContainer::File) {
        if (fileDataOffset < afterHeader)
            return Fail("BMP pixel data offset lies inside the header");
        entries = qMin(entries, (fileDataOffset - afterHeader) / entryBytes);
        header.dataOffset = fileDataOffset;
    } else {
        header.dataOffset = afterHeader + tableEntries * entryBytes;
    }
    ByteReader table = all.sub(afterHeader, entries * entryBytes);
    header.palette.reserve(entries);
    for (qint64 i = 0; i < entries; ++i) {
        const quint8 blue = table.u8();
        const quint8 green = table.u8();
        const quint8 red = table.u8();
        if (entryBytes == 4)
            table.skip(1);
        header.palette.append(qRgb(red, green, blue));
    }
    if (!table.ok())
        return Fail("BMP palette cut short");

    header.dataSize = bytes.size() - header.dataOffset;
    if (header.dataSize <= 0)
        return Fail("BMP holds no pixel data");
    // A file cut before its first row is complete holds no picture at all.
    if ((header.coding == BmpCoding::Rgb || header.coding == BmpCoding::BitFields)
        && header.dataSize < header.rowBytes())
        return Fail("BMP pixel data cut short before the first row");
    return header;
}

bool LooksLikePackedDib(QByteArrayView bytes)
{
    const ByteReader all(bytes.data(), bytes.size());
    const Fields f = ReadFields(all, 0);
    if (!f.complete || f.planes != 1 || bytes.size() <= qsizetype(f.size))
        return false;
    BmpCoding coding = BmpCoding::Rgb;
    if (!CodingOf(f, coding))
        return false;
    if (coding == BmpCoding::Jpeg || coding == BmpCoding::Png)
        return true;
    return f.width > 0 && f.height != 0;
}

} // namespace mv
