#pragma once

#include "imaging/bmpheader.h"

#include <array>
#include <vector>

namespace mv {

// Turns stored rows of uncompressed pixels (1 to 64 bits, palette or bit fields) into
// 32-bit ARGB, not premultiplied. Bit-field channels of any width scale exactly to 8 bits
// (the largest value of a channel is 255, rounded to nearest in between).
class BmpRowUnpacker
{
public:
    explicit BmpRowUnpacker(const BmpHeader &header);

    // Pixels [0, count) of one row, from its stored bytes.
    void unpack(const uchar *row, int count, QRgb *out) const;

    // Whether the pixels carry an alpha channel, and whether this row gives any pixel an
    // alpha above zero.
    bool hasAlpha() const { return mAlpha; }
    bool anyAlpha(const uchar *row, int count) const;
    // A picture whose every alpha is zero is opaque: its alpha was never filled in.
    void dropAlpha();

    // A palette of 256 entries: those the file lacks are opaque black.
    static std::array<QRgb, 256> FullPalette(const QList<QRgb> &palette);

private:
    struct Channel {
        quint32 mask = 0;
        int shift = 0;
        quint32 max = 0;              // the channel's largest value, shifted down
        std::vector<uchar> scaled;    // 8-bit value of each channel value, up to 16 bits wide
        uchar scale(quint32 pixel) const;
    };
    static Channel MakeChannel(quint32 mask);
    QRgb fromFields(quint32 pixel) const;
    void buildTable16();
    void unpack32(const uchar *row, int count, QRgb *out) const;
    void unpack64(const uchar *row, int count, QRgb *out) const;

    int mBits = 0;
    bool mAlpha = false;
    bool mPlain32 = false;            // 8-bit red, green, blue (and alpha) in their usual bytes
    std::array<QRgb, 256> mPalette{};
    std::array<Channel, 4> mChannels;
    std::vector<QRgb> mTable16;       // every 16-bit pixel's colour
};

} // namespace mv
