#include "imaging/metafile/wmfparser.h"

namespace mv::metafile {

bool ReadWmfHeader(const QByteArray &data, WmfHeader &h, QString &error)
{
    ByteReader r(data);
    qint64 start = 0;
    if (r.u32() == PlaceableKey) {
        h.placeable = true;
        r.u16(); // handle, always zero
        h.boxLeft = r.i16();
        h.boxTop = r.i16();
        h.boxRight = r.i16();
        h.boxBottom = r.i16();
        h.unitsPerInch = r.u16();
        // The reserved word and the checksum follow; writers get the checksum wrong often
        // enough that it is not a reason to refuse the file.
        start = 22;
    }
    r.seek(start);
    const uint16_t type = r.u16();
    const uint16_t headerWords = r.u16();
    const uint16_t version = r.u16();
    r.u32(); // total size in words: often wrong, the records themselves are checked
    h.objects = r.u16();
    r.u32(); // largest record
    r.u16(); // unused
    if (!r.ok()) {
        error = QStringLiteral("WMF header is cut short");
        return false;
    }
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) {
        error = QStringLiteral("not a WMF file");
        return false;
    }
    h.recordsStart = start + 18;
    return true;
}

WmfRecordIterator::WmfRecordIterator(const QByteArray &data, const WmfHeader &header)
    : mData(data), mPos(header.recordsStart)
{
}

bool WmfRecordIterator::next(WmfRecord &record)
{
    if (mDone)
        return false;
    if (!mData.contains(mPos, 6)) {
        // A file that simply ends after its last record (no end record) is not damage.
        if (mPos != mData.size())
            mError = QStringLiteral("WMF data ends inside a record head at offset %1").arg(mPos);
        mDone = true;
        return false;
    }
    ByteReader head = mData.sub(mPos, 6);
    const qint64 words = head.u32();
    const uint16_t function = head.u16();
    const qint64 size = words * 2;
    if (words < 3 || !mData.contains(mPos, size)) {
        mError = QStringLiteral("damaged WMF record (function 0x%1, %2 words) at offset %3")
                     .arg(function, 4, 16, QLatin1Char('0'))
                     .arg(words)
                     .arg(mPos);
        mDone = true;
        return false;
    }
    record.function = function;
    record.offset = mPos;
    record.bytes = mData.sub(mPos, size);
    record.bytes.seek(6);
    mPos += size;
    if (function == meta::Eof)
        mDone = true;
    return true;
}

} // namespace mv::metafile
