#include "imaging/metafile/emfparser.h"

namespace mv::metafile {

bool ReadEmfHeader(const QByteArray &data, EmfHeader &h, QString &error)
{
    ByteReader r(data);
    const uint32_t type = r.u32();
    h.headerSize = r.u32();
    h.boundsLeft = r.i32();
    h.boundsTop = r.i32();
    h.boundsRight = r.i32();
    h.boundsBottom = r.i32();
    h.frameLeft = r.i32();
    h.frameTop = r.i32();
    h.frameRight = r.i32();
    h.frameBottom = r.i32();
    const uint32_t signature = r.u32();
    r.u32(); // version: files in the wild carry several
    h.declaredBytes = r.u32();
    h.declaredRecords = r.u32();
    h.handles = r.u16();
    r.u16();
    r.u32();                               // description length
    const uint32_t descriptionOffset = r.u32();
    h.paletteEntries = r.u32();
    const int32_t devW = r.i32(), devH = r.i32();
    const int32_t mmW = r.i32(), mmH = r.i32();
    if (!r.ok() || type != emr::Header || signature != EmfSignature) {
        error = QStringLiteral("not an EMF file");
        return false;
    }
    if (h.headerSize < 88 || h.headerSize % 4 != 0 || h.headerSize > uint64_t(data.size())) {
        error = QStringLiteral("damaged EMF header");
        return false;
    }
    h.devicePixels = QSize(devW, devH);
    h.deviceMillimeters = QSize(mmW, mmH);
    // The optional micrometre size follows the pixel-format fields; the description may
    // start where the extensions would be, in which case they are absent.
    const bool extended = h.headerSize >= 108 && (descriptionOffset == 0 || descriptionOffset >= 108);
    if (extended) {
        r.seek(100);
        const int32_t umW = r.i32(), umH = r.i32();
        if (r.ok())
            h.deviceMicrometers = QSize(umW, umH);
    }
    return true;
}

EmfRecordIterator::EmfRecordIterator(const QByteArray &data, const EmfHeader &header)
    : mData(data), mPos(header.headerSize)
{
}

bool EmfRecordIterator::next(EmfRecord &record)
{
    if (mDone)
        return false;
    if (!mData.contains(mPos, 8)) {
        // Files that end without the end record are common enough; only a cut record is
        // damage.
        if (mPos != mData.size())
            mError = QStringLiteral("EMF data ends inside a record head at offset %1").arg(mPos);
        mDone = true;
        return false;
    }
    ByteReader head = mData.sub(mPos, 8);
    const uint32_t type = head.u32();
    const uint32_t size = head.u32();
    if (size < 8 || size % 4 != 0 || !mData.contains(mPos, size)) {
        mError = QStringLiteral("damaged EMF record (type %1, size %2) at offset %3").arg(type).arg(size).arg(mPos);
        mDone = true;
        return false;
    }
    record.type = type;
    record.offset = mPos;
    record.bytes = mData.sub(mPos, size);
    record.bytes.seek(8);
    mPos += size;
    ++mCount;
    if (type == emr::Eof)
        mDone = true;
    return true;
}

} // namespace mv::metafile
