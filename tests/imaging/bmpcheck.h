#pragma once

// Decoding BMP-family bytes as the viewer does, and comparing the picture with a map of
// letters, for the BMP-family tests.

#include "bmpfixtures.h"
#include "imaging/gdiplus.h"

#include <QHash>
#include <QImage>
#include <QStringList>

#include <cstdlib>
#include <cstring>

namespace mv::test {

// Letters of the picture maps: '.' is transparent.
inline const QHash<QChar, QRgb> Legend = {{'R', Red}, {'G', Green}, {'B', Blue}, {'W', White}, {'K', Black}};
// Red, green / blue, white: FourColours in a 2 x 2 picture of indices 0 to 3.
inline const QStringList Square = {QStringLiteral("RG"), QStringLiteral("BW")};

struct BmpDecoded {
    bool loaded = false;
    ImageFormat format = ImageFormat::Unknown;
    GpStatus status = GpStatus::GenericError;
    QImage image;   // as decoded, in its own format
};

// Leaves a freed block of this size full of the pattern, so that memory a decoder forgets
// to set shows up as a difference between two decodes.
inline void DirtyHeap(qsizetype bytes, int pattern)
{
    const size_t n = size_t(qMax<qsizetype>(bytes, 1));
    void *block = std::malloc(n);
    if (!block)
        return;
    std::memset(block, pattern, n);
    static void *volatile sink;
    sink = block;
    std::free(sink);
}

inline BmpDecoded DecodeBmpBytes(const QByteArray &bytes, QSize size = QSize(), int pattern = 0)
{
    BmpDecoded result;
    GpImage image = GpImage::LoadFromMemory(bytes);
    result.loaded = image.IsLoaded();
    result.format = image.Format();
    if (!result.loaded)
        return result;
    const QSize target = size.isEmpty() ? image.Size() : size;
    DirtyHeap(qint64(target.width()) * target.height() * 4, pattern);
    result.status = image.DecodeFrame(size, result.image);
    return result;
}

// Empty when the picture shows the map: one letter per pixel, each a colour of the legend,
// '.' fully transparent (of any colour); otherwise what differs first.
inline QString MapDifference(const QImage &picture, const QStringList &rows, const QHash<QChar, QRgb> &legend)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QSize size(rows.isEmpty() ? 0 : int(rows.first().size()), int(rows.size()));
    if (image.size() != size)
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(image.width())
            .arg(image.height())
            .arg(size.width())
            .arg(size.height());
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QChar letter = rows.at(y).at(x);
            const QRgb actual = image.pixel(x, y);
            const bool same = letter == QLatin1Char('.') ? qAlpha(actual) == 0 : actual == legend.value(letter);
            if (!same)
                return QStringLiteral("pixel (%1, %2) is #%3, expected '%4'")
                    .arg(x)
                    .arg(y)
                    .arg(actual, 8, 16, QLatin1Char('0'))
                    .arg(letter);
        }
    }
    return QString();
}

} // namespace mv::test
