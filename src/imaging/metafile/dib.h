#pragma once

#include "imaging/metafile/bytereader.h"

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>
#include <functional>

namespace mv::metafile {

// Largest bitmap a record may unpack; run-length data can describe far more pixels than
// it holds, so the limit is on pixels, not on bytes.
constexpr qint64 MaxDibPixels = qint64(1) << 25;

// Asked before a bitmap's pixels are unpacked, with the pixel count and the bytes the
// unpacking holds at its peak; false refuses the bitmap.
using DibAllowance = std::function<bool(qint64 pixels, qint64 peakBytes)>;

struct DibOptions {
    uint32_t usage = 0;               // 0: colour table holds colours; 1: palette indices
    const QList<QRgb> *palette = nullptr; // the selected logical palette, for usage 1
    bool keepAlpha = false;           // 32-bit pixels carry (premultiplied) alpha
    bool monoIndices = false;         // 1-bit pixels as black (0) and white (1), table or not
    DibAllowance allow;               // none: every bitmap within MaxDibPixels is unpacked
};

// A bitmap whose header and colour table lie in `info` and whose pixels lie in `bits`
// (EMF keeps them apart). Rows come out top-down; a null image when the bitmap is damaged,
// unsupported or over the limit. Pixels that run-length data skips stay transparent.
[[nodiscard]] QImage DecodeDib(ByteReader info, ByteReader bits, const DibOptions &options);

// A packed bitmap: header, colour table and pixels back to back (WMF records).
[[nodiscard]] QImage DecodePackedDib(ByteReader packed, const DibOptions &options);

// Bits per pixel of a bitmap header; 0 when it cannot be read.
int DibBitCount(ByteReader info);

// A device-dependent bitmap of the old WMF records: rows top-down, `widthBytes` apart.
// One-bit pixels are black (0) and white (1); 4-, 8- and 24-bit rows are read as in a DIB
// with the default colours.
[[nodiscard]] QImage DecodeBitmap16(ByteReader bits, int width, int height, int widthBytes, int planes, int bitsPixel,
                                    const DibAllowance &allow = {});

// The width and height a bitmap header declares (height as a positive row count); false
// when the header cannot be read.
bool DibDimensions(ByteReader info, int &width, int &height, bool &bottomUp);

} // namespace mv::metafile
