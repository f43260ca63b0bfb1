#include "imaging/gifscan.h"

namespace mv {

namespace {

// Reads little-endian fields from a byte array; running past the end sets a sticky flag
// that the caller checks once per block, so no read ever leaves the data.
class ByteReader
{
public:
    explicit ByteReader(const QByteArray &data) : mData(data) {}

    quint8 u8()
    {
        if (mPos >= mData.size()) {
            mEnd = true;
            return 0;
        }
        return quint8(mData.at(mPos++));
    }
    quint16 u16()
    {
        const quint16 low = u8();
        return quint16(low | (quint16(u8()) << 8));
    }
    void skip(qint64 count)
    {
        if (count > mData.size() - mPos) {
            mPos = mData.size();
            mEnd = true;
            return;
        }
        mPos += count;
    }
    // Data sub-blocks: a length byte, that many bytes, until a zero length.
    void skipSubBlocks()
    {
        for (quint8 length = u8(); length != 0 && !mEnd; length = u8())
            skip(length);
    }
    bool atEnd() const { return mEnd; }

private:
    const QByteArray &mData;
    qint64 mPos = 0;
    bool mEnd = false;
};

} // namespace

GifLayout ScanGif(const QByteArray &data)
{
    GifLayout layout;
    if (!data.startsWith("GIF87a") && !data.startsWith("GIF89a"))
        return layout;
    ByteReader in(data);
    in.skip(6);
    const int width = in.u16();
    const int height = in.u16();
    const quint8 screenFlags = in.u8();
    in.skip(2);
    if (screenFlags & 0x80)
        in.skip(3 * (qint64(2) << (screenFlags & 7)));
    if (in.atEnd())
        return layout;
    layout.valid = true;
    layout.screen = QSize(width, height);

    quint32 pendingDelay = 0;
    for (;;) {
        const quint8 introducer = in.u8();
        if (in.atEnd()) {
            layout.damaged = true;
            break;
        }
        if (introducer == 0x3B) // trailer
            break;
        if (introducer == 0x21) {
            const quint8 label = in.u8();
            if (label == 0xF9) {
                const quint8 length = in.u8();
                if (length >= 3) {
                    in.u8(); // disposal and transparency flags
                    pendingDelay = in.u16();
                    in.skip(length - 3);
                } else {
                    in.skip(length);
                }
            }
            in.skipSubBlocks();
        } else if (introducer == 0x2C) {
            const int x = in.u16();
            const int y = in.u16();
            const int w = in.u16();
            const int h = in.u16();
            const quint8 imageFlags = in.u8();
            if (in.atEnd()) {
                layout.damaged = true;
                break;
            }
            if (layout.delays.isEmpty())
                layout.firstFrame = QRect(x, y, w, h);
            layout.delays.append(pendingDelay);
            pendingDelay = 0;
            if (imageFlags & 0x80)
                in.skip(3 * (qint64(2) << (imageFlags & 7)));
            in.u8(); // LZW minimum code size
            in.skipSubBlocks();
        } else {
            layout.damaged = true;
            break;
        }
        if (in.atEnd()) {
            layout.damaged = true;
            break;
        }
    }
    return layout;
}

} // namespace mv
