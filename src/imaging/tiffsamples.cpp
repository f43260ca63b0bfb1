#include "imaging/tiffsamples.h"

#include "imaging/pixelbudget.h"

#include <QFloat16>
#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace mv {

namespace {

struct Layout {
    quint32 width = 0;
    quint32 height = 0;
    int colours = 0;         // 1 grey, 3 RGB
    bool alpha = false;      // the sample after the colours
    bool associated = false; // alpha already multiplied in
    bool minIsWhite = false;
    int bits = 0;
    int format = SAMPLEFORMAT_UINT;
    int samples = 0;         // per pixel, alpha and other extra samples included
    bool separate = false;   // one plane per sample
};

std::optional<Layout> Describe(TIFF *tif)
{
    Layout l;
    quint16 photometric = 0, bits = 0, format = 0, samples = 0, planar = 0;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        return std::nullopt;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
    if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE)
        l.colours = 1;
    else if (photometric == PHOTOMETRIC_RGB)
        l.colours = 3;
    else
        return std::nullopt;
    l.minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;
    l.bits = bits;
    l.format = format == SAMPLEFORMAT_VOID ? SAMPLEFORMAT_UINT : format;
    l.samples = samples;
    l.separate = planar == PLANARCONFIG_SEPARATE && samples > 1;
    quint16 extraCount = 0;
    quint16 *extraKinds = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);
    if (samples > l.colours && extraCount > 0 && extraKinds) {
        l.alpha = extraKinds[0] == EXTRASAMPLE_ASSOCALPHA || extraKinds[0] == EXTRASAMPLE_UNASSALPHA;
        l.associated = extraKinds[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    const bool integer = l.format == SAMPLEFORMAT_UINT || l.format == SAMPLEFORMAT_INT;
    const bool bitsOk = integer ? l.bits >= 1 && l.bits <= 32
                                : l.format == SAMPLEFORMAT_IEEEFP && (l.bits == 16 || l.bits == 32 || l.bits == 64);
    if (!bitsOk || l.samples < l.colours || l.samples > 16 || l.width == 0 || l.height == 0)
        return std::nullopt;
    return l;
}

bool NeedsOwnCode(const Layout &l)
{
    if (l.format != SAMPLEFORMAT_UINT)
        return true;
    if (l.colours == 1)
        return l.bits != 1 && l.bits != 2 && l.bits != 4 && l.bits != 8;
    return l.bits != 8 && l.bits != 16;
}

// count samples of a row as raw values. Whole-byte samples are in the machine's byte order
// (libtiff swaps them on reading); narrower ones are packed from the high bit down.
void Unpack(const uchar *row, qint64 count, const Layout &l, double *out)
{
    const bool isSigned = l.format == SAMPLEFORMAT_INT;
    if (l.format == SAMPLEFORMAT_IEEEFP) {
        for (qint64 i = 0; i < count; ++i) {
            if (l.bits == 16) {
                qfloat16 h;
                std::memcpy(&h, row + 2 * i, 2);
                out[i] = double(float(h));
            } else if (l.bits == 32) {
                float f;
                std::memcpy(&f, row + 4 * i, 4);
                out[i] = f;
            } else {
                std::memcpy(&out[i], row + 8 * i, 8);
            }
        }
        return;
    }
    if (l.bits == 8 || l.bits == 16 || l.bits == 32) {
        for (qint64 i = 0; i < count; ++i) {
            if (l.bits == 8) {
                out[i] = isSigned ? double(qint8(row[i])) : double(row[i]);
            } else if (l.bits == 16) {
                quint16 v;
                std::memcpy(&v, row + 2 * i, 2);
                out[i] = isSigned ? double(qint16(v)) : double(v);
            } else {
                quint32 v;
                std::memcpy(&v, row + 4 * i, 4);
                out[i] = isSigned ? double(qint32(v)) : double(v);
            }
        }
        return;
    }
    const bool little = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const quint64 mask = (quint64(1) << l.bits) - 1;
    for (qint64 i = 0; i < count; ++i) {
        quint64 v = 0;
        if (l.bits == 24) {
            const uchar *p = row + 3 * i;
            v = little ? quint64(p[0]) | quint64(p[1]) << 8 | quint64(p[2]) << 16
                       : quint64(p[2]) | quint64(p[1]) << 8 | quint64(p[0]) << 16;
        } else {
            const qint64 bit = i * l.bits;
            // Up to 32 bits starting anywhere in a byte span at most 5 bytes.
            const qint64 first = bit / 8;
            const int span = int((bit % 8 + l.bits + 7) / 8);
            quint64 window = 0;
            for (int k = 0; k < span; ++k)
                window = window << 8 | row[first + k];
            v = (window >> (span * 8 - bit % 8 - l.bits)) & mask;
        }
        if (isSigned && (v >> (l.bits - 1)) & 1)
            out[i] = double(qint64(v) - (qint64(1) << l.bits));
        else
            out[i] = double(v);
    }
}

// Strips or tiles, one band of rows at a time, for each plane that is needed. A band that
// does not decode comes back false and all zero.
class BandReader
{
public:
    BandReader(TIFF *tif, const Layout &l) : mTif(tif)
    {
        mPlanes = l.separate ? l.colours + (l.alpha ? 1 : 0) : 1;
        mTiled = TIFFIsTiled(tif);
        if (mTiled) {
            TIFFGetField(tif, TIFFTAG_TILEWIDTH, &mTileWidth);
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &mRows);
            mTileRowBytes = qint64(TIFFTileRowSize64(tif));
            mTileBytes = qint64(TIFFTileSize64(tif));
            if (mTileWidth == 0)
                return;
            mTilesAcross = (l.width + mTileWidth - 1) / mTileWidth;
            mRowBytes = qint64(mTilesAcross) * mTileRowBytes;
        } else {
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &mRows);
            mRows = std::clamp<quint32>(mRows, 1, l.height);
            mRowBytes = qint64(TIFFScanlineSize64(tif));
        }
        const int perPixel = l.separate ? 1 : l.samples;
        const qint64 width = mTiled ? mTileWidth : l.width;
        const qint64 needed = (width * perPixel * l.bits + 7) / 8;
        const qint64 rowBytes = mTiled ? mTileRowBytes : mRowBytes;
        mValid = mRows > 0 && rowBytes >= needed && (!mTiled || mTileBytes >= mTileRowBytes * mRows);
    }

    bool valid() const { return mValid; }
    quint32 rows() const { return mRows; }
    qint64 bytes() const { return mRowBytes * mRows * mPlanes + (mTiled ? mTileBytes : 0); }
    const uchar *row(int plane, quint32 r) const { return mBand[size_t(plane)].data() + mRowBytes * r; }

    bool allocate()
    {
        try {
            mBand.assign(size_t(mPlanes), std::vector<uchar>(size_t(mRowBytes * mRows)));
            if (mTiled)
                mTile.resize(size_t(mTileBytes));
        } catch (const std::bad_alloc &) {
            return false;
        }
        return true;
    }

    bool read(quint32 top, quint32 count)
    {
        bool ok = true;
        for (int p = 0; p < mPlanes && ok; ++p) {
            uchar *band = mBand[size_t(p)].data();
            if (!mTiled) {
                const tmsize_t want = tmsize_t(mRowBytes * count);
                const tmsize_t got = TIFFReadEncodedStrip(mTif, TIFFComputeStrip(mTif, top, quint16(p)), band, want);
                ok = got >= 0;
                if (ok && got < want)
                    std::memset(band + got, 0, size_t(want - got));
                continue;
            }
            for (quint32 t = 0; t < mTilesAcross && ok; ++t) {
                const quint32 tile = TIFFComputeTile(mTif, t * mTileWidth, top, 0, quint16(p));
                const tmsize_t got = TIFFReadEncodedTile(mTif, tile, mTile.data(), tmsize_t(mTileBytes));
                ok = got >= 0;
                if (ok && got < mTileBytes)
                    std::memset(mTile.data() + got, 0, size_t(mTileBytes - got));
                for (quint32 r = 0; r < count && ok; ++r)
                    std::memcpy(band + mRowBytes * r + mTileRowBytes * t, mTile.data() + mTileRowBytes * r,
                                size_t(mTileRowBytes));
            }
        }
        if (!ok) {
            for (auto &band : mBand)
                std::fill(band.begin(), band.end(), uchar(0));
        }
        return ok;
    }

private:
    TIFF *mTif;
    int mPlanes = 1;
    bool mTiled = false;
    bool mValid = false;
    quint32 mRows = 0;
    quint32 mTileWidth = 0;
    quint32 mTilesAcross = 0;
    qint64 mTileRowBytes = 0;
    qint64 mTileBytes = 0;
    qint64 mRowBytes = 0;
    std::vector<std::vector<uchar>> mBand;
    std::vector<uchar> mTile;
};

} // namespace

bool HasOwnSamples(TIFF *tif)
{
    const std::optional<Layout> l = Describe(tif);
    return l && NeedsOwnCode(*l);
}

SamplePicture ReadOwnSamples(TIFF *tif)
{
    SamplePicture result;
    const std::optional<Layout> described = Describe(tif);
    if (!described) {
        result.error = QStringLiteral("unsupported TIFF samples");
        return result;
    }
    const Layout &l = *described;
    const bool grey = l.colours == 1 && !l.alpha;
    const QSize size(int(l.width), int(l.height));
    BandReader bands(tif, l);
    if (!bands.valid()) {
        result.error = QStringLiteral("damaged TIFF layout");
        return result;
    }
    if (!FitsPixelBudget(size, grey ? 2 : 8) || !FitsPixelBudget(bands.bytes())) {
        result.error = QStringLiteral("image too large to decode");
        result.tooLarge = true;
        return result;
    }
    QImage image(size, grey ? QImage::Format_Grayscale16
                            : l.associated ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBA64);
    if (image.isNull() || !bands.allocate()) {
        result.error = QStringLiteral("out of memory");
        result.tooLarge = true;
        return result;
    }

    const int perPixel = l.separate ? 1 : l.samples;
    const int used = l.colours + (l.alpha ? 1 : 0);
    std::vector<std::vector<double>> values(size_t(l.separate ? used : 1),
                                            std::vector<double>(size_t(qint64(l.width) * perPixel)));
    const auto unpackRow = [&](quint32 r) {
        for (size_t p = 0; p < values.size(); ++p)
            Unpack(bands.row(int(p), r), qint64(l.width) * perPixel, l, values[p].data());
    };
    const auto sampleAt = [&](quint32 x, int s) {
        return l.separate ? values[size_t(s)][x] : values[0][size_t(x) * size_t(l.samples) + size_t(s)];
    };

    // The range shown black to white.
    double low = 0, high = 1;
    if (l.format == SAMPLEFORMAT_IEEEFP) {
        double lowest = std::numeric_limits<double>::infinity();
        double highest = -lowest;
        for (quint32 top = 0; top < l.height; top += bands.rows()) {
            const quint32 count = std::min(bands.rows(), l.height - top);
            if (!bands.read(top, count))
                continue;
            for (quint32 r = 0; r < count; ++r) {
                unpackRow(r);
                for (quint32 x = 0; x < l.width; ++x) {
                    for (int s = 0; s < l.colours; ++s) {
                        const double v = sampleAt(x, s);
                        if (std::isfinite(v)) {
                            lowest = std::min(lowest, v);
                            highest = std::max(highest, v);
                        }
                    }
                }
            }
        }
        if (lowest < highest && (lowest < 0 || highest > 1)) {
            low = lowest;
            high = highest;
        }
    } else if (l.format == SAMPLEFORMAT_INT) {
        low = -std::ldexp(1.0, l.bits - 1);
        high = std::ldexp(1.0, l.bits - 1) - 1;
    } else {
        high = std::ldexp(1.0, l.bits) - 1;
    }
    const double span = high - low;
    const double alphaSpan = l.format == SAMPLEFORMAT_IEEEFP ? 1.0 : span;
    const double alphaLow = l.format == SAMPLEFORMAT_IEEEFP ? 0.0 : low;
    const auto level = [](double v, double from, double range, bool inverted) {
        if (std::isnan(v))
            return quint16(0);
        const double t = std::clamp((v - from) / range, 0.0, 1.0);
        return quint16(std::lround((inverted ? 1 - t : t) * 65535));
    };

    bool any = false;
    for (quint32 top = 0; top < l.height; top += bands.rows()) {
        const quint32 count = std::min(bands.rows(), l.height - top);
        if (!bands.read(top, count)) {
            for (quint32 r = 0; r < count; ++r)
                std::memset(image.scanLine(int(top + r)), 0, size_t(image.bytesPerLine()));
            continue;
        }
        any = true;
        for (quint32 r = 0; r < count; ++r) {
            unpackRow(r);
            uchar *line = image.scanLine(int(top + r));
            for (quint32 x = 0; x < l.width; ++x) {
                quint16 c[3] = {};
                for (int s = 0; s < l.colours; ++s)
                    c[s] = level(sampleAt(x, s), low, span, l.minIsWhite);
                if (grey) {
                    reinterpret_cast<quint16 *>(line)[x] = c[0];
                    continue;
                }
                const quint16 a = l.alpha ? level(sampleAt(x, l.colours), alphaLow, alphaSpan, false) : quint16(65535);
                reinterpret_cast<QRgba64 *>(line)[x] =
                    l.colours == 1 ? QRgba64::fromRgba64(c[0], c[0], c[0], a) : QRgba64::fromRgba64(c[0], c[1], c[2], a);
            }
        }
    }
    if (!any) {
        result.error = QStringLiteral("damaged TIFF data");
        return result;
    }
    result.image = image;
    return result;
}

} // namespace mv
