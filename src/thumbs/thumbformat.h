#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace mv {

// The stored thumbnail: a 40-byte bitmap information header followed by the pixel bits,
// 170 x 127 at 16 bits per pixel (5-5-5), rows bottom-up, 340 bytes a row.
inline constexpr int ThumbWidth = 170;
inline constexpr int ThumbHeight = 127;
inline constexpr int ThumbHeaderBytes = 40;
inline constexpr int ThumbRowBytes = 340;
inline constexpr int ThumbPixelBytes = ThumbRowBytes * ThumbHeight; // 43,180
// The box an image is fitted into inside the thumbnail.
inline constexpr QSize ThumbFitBox{166, 124};

// Header and pixels as the cache keeps them and the list view draws them.
struct ThumbnailBytes {
    QByteArray header;
    QByteArray pixels;
};

// The bytes of a 16-bit picture (any size; the thumbnail is 170 x 127); a picture of
// another format is converted to 5-5-5 first. A null picture gives a 0 x 0 header and no
// pixels: the list view shows it as an error.
[[nodiscard]] ThumbnailBytes ThumbnailFromImage(const QImage &picture);

// The picture that header and pixels describe, top-down, ready to draw; null when the
// header is not a 16-bit uncompressed bitmap of a sane size or the pixels are too short.
[[nodiscard]] QImage ThumbnailToImage(const QByteArray &header, const QByteArray &pixels);

// Width and height fields of a header; 0 x 0 when it is shorter than 40 bytes.
[[nodiscard]] QSize ThumbnailHeaderSize(const QByteArray &header);
// The header's image-size field: how many pixel bytes a reader takes.
[[nodiscard]] quint32 ThumbnailImageBytes(const QByteArray &header);

} // namespace mv
