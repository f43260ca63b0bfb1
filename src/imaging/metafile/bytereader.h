#pragma once

#include <QByteArray>

#include <bit>
#include <cstdint>

namespace mv::metafile {

// Little-endian reads over a fixed window of bytes. Every read is bounds-checked; reading
// past the end sets a sticky flag and yields zeros, so a record handler reads all its
// fields and checks ok() once.
class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const char *data, qint64 size) : mData(data), mSize(size < 0 ? 0 : size) {}
    explicit ByteReader(const QByteArray &bytes) : ByteReader(bytes.constData(), bytes.size()) {}

    qint64 size() const { return mSize; }
    qint64 pos() const { return mPos; }
    qint64 remaining() const { return mSize - mPos; }
    bool ok() const { return !mBad; }
    bool atEnd() const { return mPos >= mSize; }
    const char *data() const { return mData; }

    void seek(qint64 pos)
    {
        if (pos < 0 || pos > mSize) {
            mBad = true;
            mPos = mSize;
        } else {
            mPos = pos;
        }
    }
    void skip(qint64 n) { seek(n < 0 ? -1 : (n > mSize - mPos ? mSize + 1 : mPos + n)); }

    // True when n bytes are left from pos; sets nothing.
    bool has(qint64 n) const { return n >= 0 && n <= mSize - mPos; }
    // True when [offset, offset + n) lies inside the window; wrap-safe.
    bool contains(qint64 offset, qint64 n) const
    {
        return offset >= 0 && n >= 0 && offset <= mSize && n <= mSize - offset;
    }

    uint8_t u8() { return uint8_t(take(1) ? mData[mPos - 1] : 0); }
    uint16_t u16()
    {
        if (!take(2))
            return 0;
        const auto *p = reinterpret_cast<const uint8_t *>(mData + mPos - 2);
        return uint16_t(p[0] | (p[1] << 8));
    }
    uint32_t u32()
    {
        if (!take(4))
            return 0;
        const auto *p = reinterpret_cast<const uint8_t *>(mData + mPos - 4);
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    }
    int16_t i16() { return int16_t(u16()); }
    int32_t i32() { return int32_t(u32()); }
    float f32() { return std::bit_cast<float>(u32()); }

    // A reader over [offset, offset + n) of this window; an empty, failed reader when the
    // range does not fit.
    ByteReader sub(qint64 offset, qint64 n) const
    {
        if (!contains(offset, n)) {
            ByteReader bad;
            bad.mBad = true;
            return bad;
        }
        return ByteReader(mData + offset, n);
    }
    QByteArray bytes(qint64 n)
    {
        if (!take(n))
            return QByteArray();
        return QByteArray(mData + mPos - n, n);
    }

private:
    bool take(qint64 n)
    {
        if (mBad || n < 0 || n > mSize - mPos) {
            mBad = true;
            mPos = mSize;
            return false;
        }
        mPos += n;
        return true;
    }

    const char *mData = nullptr;
    qint64 mSize = 0;
    qint64 mPos = 0;
    bool mBad = false;
};

} // namespace mv::metafile
