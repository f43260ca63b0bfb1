#include "imaging/gifdecoder.h"

#include "imaging/metafile/bytereader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace mv {

namespace {

constexpr int MaxCodes = 4096;

// Reads a colour table of count entries into table (premultiplied, opaque) and marks the
// rest as having no colour.
void ReadTable(metafile::ByteReader &in, int count, QRgb *table)
{
    std::fill(table, table + 256, QRgb(0));
    for (int i = 0; i < count; ++i) {
        const quint8 r = in.u8();
        const quint8 g = in.u8();
        const quint8 b = in.u8();
        table[i] = qRgb(r, g, b); // alpha 255: never 0
    }
    if (!in.ok())
        std::fill(table, table + 256, QRgb(0));
}

// The bytes of a run of data sub-blocks, one at a time; -1 after the terminator, the end of
// the data or a block that runs past it.
class SubBlockBytes
{
public:
    SubBlockBytes(const QByteArray &data, qint64 &pos) : mData(data), mPos(pos) {}

    int next()
    {
        if (mLeft == 0 && !startBlock())
            return -1;
        --mLeft;
        return quint8(mData.at(mPos++));
    }
    // Leaves the position after the terminator (or at the end of the data).
    void finish()
    {
        if (!mDone) {
            mPos += mLeft;
            mLeft = 0;
            while (startBlock()) {
                mPos += mLeft;
                mLeft = 0;
            }
        }
    }

private:
    bool startBlock()
    {
        if (mDone || mPos >= mData.size()) {
            mDone = true;
            return false;
        }
        const int length = quint8(mData.at(mPos++));
        if (length == 0 || length > mData.size() - mPos) {
            if (length != 0)
                mPos = mData.size();
            mDone = true;
            return false;
        }
        mLeft = length;
        return true;
    }

    const QByteArray &mData;
    qint64 &mPos;
    int mLeft = 0;
    bool mDone = false;
};

} // namespace

struct GifDecoder::Frame {
    QRect rect;                // as the descriptor says, before clipping
    bool interlaced = false;
    int disposal = 0;
    int minimumCodeSize = 0;
    QRgb table[256] = {};
};

GifDecoder::GifDecoder(const QByteArray &data, QSize canvas) : mData(data)
{
    metafile::ByteReader in(mData);
    in.skip(10);
    const quint8 flags = in.u8();
    in.skip(2);
    if (flags & 0x80)
        ReadTable(in, 2 << (flags & 7), mGlobal);
    mPos = in.pos();
    mCanvas = QImage(canvas, QImage::Format_ARGB32_Premultiplied);
    if (!in.ok() || mCanvas.isNull()) {
        mEnded = true;
        return;
    }
    mCanvas.fill(Qt::transparent);
}

QImage GifDecoder::NextFrame()
{
    if (mEnded)
        return {};
    if (mDisposal == 2) {
        for (int y = mDrawn.top(); y <= mDrawn.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb *>(mCanvas.scanLine(y)) + mDrawn.left(), mDrawn.width(), QRgb(0));
    } else if (mDisposal == 3 && !mUnder.isNull()) {
        const qsizetype bytes = qsizetype(mDrawn.width()) * 4;
        for (int y = 0; y < mUnder.height(); ++y)
            std::memcpy(mCanvas.scanLine(mDrawn.top() + y) + qsizetype(mDrawn.left()) * 4, mUnder.constScanLine(y),
                        size_t(bytes));
    }
    mDisposal = 0;
    mUnder = QImage();

    Frame frame;
    if (!ReadFrame(frame)) {
        mEnded = true;
        return {};
    }
    const QRect visible = frame.rect & mCanvas.rect();
    if (frame.disposal == 3 && !visible.isEmpty()) {
        mUnder = mCanvas.copy(visible);
        if (mUnder.isNull()) { // out of memory: no frame rather than a wrong one
            mEnded = true;
            return {};
        }
    }
    DecodePixels(frame);
    mDisposal = frame.disposal;
    mDrawn = visible;
    return mCanvas;
}

// Reads the blocks up to and including the next image descriptor, its colour table and
// its code size. False when there is none (trailer, end of data, an unknown block) or its
// code size is out of range.
bool GifDecoder::ReadFrame(Frame &frame)
{
    metafile::ByteReader in(mData);
    in.seek(mPos);
    int transparent = -1;
    for (;;) {
        const quint8 introducer = in.u8();
        if (!in.ok() || introducer == 0x3B)
            return false;
        if (introducer == 0x2C)
            break;
        if (introducer != 0x21)
            return false;
        const quint8 label = in.u8();
        if (label == 0xF9) {
            const quint8 length = in.u8();
            const qint64 end = in.pos() + length;
            if (length >= 4) {
                const quint8 flags = in.u8();
                in.skip(2); // delay: read by the layout walk
                const quint8 index = in.u8();
                frame.disposal = (flags >> 2) & 7;
                transparent = flags & 1 ? index : -1;
            }
            in.seek(end);
        }
        mPos = in.pos();
        SkipSubBlocks();
        in.seek(mPos);
    }
    const int x = in.u16();
    const int y = in.u16();
    const int w = in.u16();
    const int h = in.u16();
    const quint8 flags = in.u8();
    frame.rect = QRect(x, y, w, h);
    frame.interlaced = flags & 0x40;
    if (flags & 0x80)
        ReadTable(in, 2 << (flags & 7), frame.table);
    else
        std::copy(mGlobal, mGlobal + 256, frame.table);
    if (transparent >= 0)
        frame.table[transparent] = 0;
    frame.minimumCodeSize = in.u8();
    mPos = in.pos();
    // Codes start one bit wider and may not pass 12 bits.
    return in.ok() && frame.minimumCodeSize >= 1 && frame.minimumCodeSize <= 8;
}

void GifDecoder::SkipSubBlocks()
{
    SubBlockBytes(mData, mPos).finish();
}

void GifDecoder::DecodePixels(const Frame &frame)
{
    SubBlockBytes source(mData, mPos);
    const QRect visible = frame.rect & mCanvas.rect();
    if (visible.isEmpty()) {
        source.finish();
        return;
    }
    const int width = frame.rect.width();
    const int height = frame.rect.height();
    // Rows below the canvas are never drawn: decoding ends once the others are done.
    int rowsToDraw = visible.height();
    int row = 0;
    int pass = 0;
    static constexpr int passStart[4] = {0, 4, 2, 1};
    static constexpr int passStep[4] = {8, 8, 4, 2};
    std::vector<quint8> line(size_t(width), 0);
    int column = 0;
    const auto drawLine = [&](int count) {
        const int top = frame.rect.y() + row;
        if (top >= mCanvas.height())
            return;
        QRgb *out = reinterpret_cast<QRgb *>(mCanvas.scanLine(top)) + visible.left();
        const int skip = visible.left() - frame.rect.x();
        const int end = std::min(count, skip + visible.width());
        for (int i = skip; i < end; ++i, ++out) {
            if (const QRgb c = frame.table[line[size_t(i)]])
                *out = c;
        }
        --rowsToDraw;
    };
    const auto nextRow = [&] {
        if (!frame.interlaced) {
            ++row;
            return;
        }
        row += passStep[pass];
        while (row >= height && pass < 3) {
            ++pass;
            row = passStart[pass];
        }
    };

    const int clear = 1 << frame.minimumCodeSize;
    const int endCode = clear + 1;
    quint16 prefix[MaxCodes];
    quint8 suffix[MaxCodes];
    quint8 first[MaxCodes];
    quint16 length[MaxCodes];
    for (int i = 0; i < clear; ++i) {
        prefix[i] = 0;  // unused: a root has no prefix
        suffix[i] = first[i] = quint8(i);
        length[i] = 1;
    }
    quint8 string[MaxCodes + 1];
    int codeSize = frame.minimumCodeSize + 1;
    int codeMask = (1 << codeSize) - 1;
    int available = clear + 2;
    int previous = -1;
    quint32 bits = 0;
    int bitCount = 0;
    while (rowsToDraw > 0 && row < height) {
        while (bitCount < codeSize) {
            const int byte = source.next();
            if (byte < 0)
                break;
            bits |= quint32(byte) << bitCount;
            bitCount += 8;
        }
        if (bitCount < codeSize)
            break; // the data ends inside the frame
        const int code = int(bits & quint32(codeMask));
        bits >>= codeSize;
        bitCount -= codeSize;
        if (code == clear) {
            codeSize = frame.minimumCodeSize + 1;
            codeMask = (1 << codeSize) - 1;
            available = clear + 2;
            previous = -1;
            continue;
        }
        if (code == endCode || code > available || (code == available && previous < 0))
            break; // the end, or a code the table does not hold yet
        if (previous >= 0 && available < MaxCodes) {
            prefix[available] = quint16(previous);
            first[available] = first[previous];
            suffix[available] = code == available ? first[previous] : first[code];
            length[available] = quint16(length[previous] + 1);
            ++available;
        }
        if ((available & codeMask) == 0 && available < MaxCodes) {
            ++codeSize;
            codeMask = (1 << codeSize) - 1;
        }
        previous = code;

        int count = length[code];
        for (int i = count - 1, c = code; i >= 0; --i) {
            string[i] = suffix[c];
            c = prefix[c];
        }
        for (int at = 0; at < count && row < height;) {
            const int n = std::min(count - at, width - column);
            std::memcpy(line.data() + column, string + at, size_t(n));
            at += n;
            column += n;
            if (column == width) {
                drawLine(width);
                column = 0;
                nextRow();
                if (rowsToDraw == 0)
                    break;
            }
        }
    }
    if (column > 0 && row < height)
        drawLine(column); // the decoded start of a cut row
    source.finish();
}

} // namespace mv
