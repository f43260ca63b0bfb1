#include "imaging/bmprle.h"

#include "imaging/bmpcanvas.h"
#include "imaging/bmprows.h"
#include "imaging/metafile/bytereader.h"

#include <algorithm>

namespace mv {

namespace {

// The position in the picture and what has been written so far. Rows run from the bottom;
// within a row, writing only moves right, so no pixel is written twice.
class RleCursor
{
public:
    RleCursor(const BmpHeader &header, BmpCanvas &canvas)
        : mWidth(header.width), mHeight(header.height), mCanvas(canvas), mOut(canvas.row(mHeight - 1))
    {
    }
    bool inside() const { return mRow < mHeight; }
    bool complete() const { return mWritten == qint64(mWidth) * mHeight; }

    // count pixels from the current column; colourAt(i) gives the i-th. Past the row's end
    // they are dropped, but the column still counts them.
    template <typename ColourAt>
    void write(int count, ColourAt colourAt)
    {
        const int end = qMin(mWidth, mX + count);
        for (int x = mX; x < end; ++x)
            mOut[x] = colourAt(x - mX);
        if (end > mX) {
            mFrom = qMin(mFrom, mX);
            mTo = end;
            mWritten += end - mX;
        }
        mX = qMin(mWidth, mX + count);
    }
    void skip(int columns) { mX = qMin(mWidth, mX + columns); }
    void down(int rows)
    {
        endRow();
        mRow += rows;
        if (inside())
            mOut = mCanvas.row(mHeight - 1 - mRow);
    }
    void lineEnd()
    {
        down(1);
        mX = 0;
    }
    void finish()
    {
        if (inside())
            endRow();
        mRow = mHeight;
    }

private:
    void endRow()
    {
        mCanvas.commit(mHeight - 1 - mRow, mFrom, mTo);
        mFrom = mWidth;
        mTo = 0;
    }

    const int mWidth;
    const int mHeight;
    BmpCanvas &mCanvas;
    QRgb *mOut;
    int mRow = 0;
    int mX = 0;
    int mFrom = mWidth;
    int mTo = 0;
    qint64 mWritten = 0;
};

} // namespace

bool DecodeRle(QByteArrayView data, const BmpHeader &header, BmpCanvas &canvas)
{
    const std::array<QRgb, 256> palette = BmpRowUnpacker::FullPalette(header.palette);
    const bool four = header.coding == BmpCoding::Rle4;
    const bool wide = header.coding == BmpCoding::Rle24;
    metafile::ByteReader in(data.data(), data.size());
    RleCursor at(header, canvas);

    while (at.inside()) {
        const int count = in.u8();
        const int code = in.u8();
        if (!in.ok())
            break;
        if (count > 0) {
            // A run of one colour; RLE4 alternates the byte's two nibbles.
            if (wide) {
                const int green = in.u8();
                const int red = in.u8();
                if (!in.ok())
                    break;
                const QRgb colour = qRgb(red, green, code);
                at.write(count, [colour](int) { return colour; });
            } else if (four) {
                const QRgb pair[2] = {palette[size_t(code >> 4)], palette[size_t(code & 15)]};
                at.write(count, [&pair](int i) { return pair[i & 1]; });
            } else {
                const QRgb colour = palette[size_t(code)];
                at.write(count, [colour](int) { return colour; });
            }
            continue;
        }
        if (code == 0) {
            at.lineEnd();
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            const int right = in.u8();
            const int up = in.u8();
            if (!in.ok())
                break;
            if (up > 0)
                at.down(up);
            at.skip(right);
        } else {
            // code literal pixels, padded to a 16-bit boundary; as many as the data holds.
            const qint64 bytes = wide ? qint64(code) * 3 : four ? (code + 1) / 2 : code;
            const qint64 present = qMin(bytes, in.remaining());
            const auto *p = reinterpret_cast<const uchar *>(in.data() + in.pos());
            const int pixels = int(wide ? present / 3 : four ? qMin<qint64>(code, present * 2) : present);
            if (wide)
                at.write(pixels, [p](int i) { return qRgb(p[3 * i + 2], p[3 * i + 1], p[3 * i]); });
            else if (four)
                at.write(pixels, [p, &palette](int i) { return palette[size_t((p[i / 2] >> (i & 1 ? 0 : 4)) & 15)]; });
            else
                at.write(pixels, [p, &palette](int i) { return palette[p[i]]; });
            if (present < bytes)
                break;
            in.skip(bytes + (bytes & 1));
        }
    }
    at.finish();
    return at.complete();
}

} // namespace mv
