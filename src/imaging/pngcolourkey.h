#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace mv {

// 16-bit RGB PNGs with a transparent colour (a tRNS chunk) come out of Qt's PNG reader
// scrambled, and partly from memory it never wrote. Qt reads the same picture without its
// tRNS chunk exactly, so we hand it that and make the pixels of the key colour transparent
// ourselves, comparing all 16 bits of each sample as the format says.

// True when data is a PNG of 16-bit RGB samples with a transparent colour before its pixels.
[[nodiscard]] bool HasSixteenBitColourKey(const QByteArray &data);

struct ColourKeyPicture {
    QImage image;   // RGBA64 premultiplied; null on failure
    QString error;
};
[[nodiscard]] ColourKeyPicture DecodeSixteenBitColourKey(const QByteArray &data);

} // namespace mv
