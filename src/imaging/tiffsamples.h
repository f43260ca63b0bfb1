#pragma once

#include <QImage>
#include <QString>

#include <tiffio.h>

namespace mv {

// Grey and RGB pictures whose samples libtiff's RGBA reader does not take (or, for 16-bit
// grey, would cut to 8 bits), scaled to 16 bits by our own rule:
// - unsigned integers of any width from 1 to 32 bits: 0 black, the largest value of the
//   width white (what the width means, and what a 12- or 16-bit scan needs);
// - signed integers: the smallest value of the width black, the largest white;
// - floats (16, 32, 64 bits): as they are (0 black, 1 white) when every finite value lies
//   within 0..1, as image editors store them, so that a dark picture stays dark; otherwise
//   (elevations, counts, measurements) stretched from the lowest to the highest finite
//   value, so that the data is seen at all. Not-a-number is black, infinities the ends.
// Min-is-white grey is turned over. An alpha sample after the colours is kept (float alpha
// clamped to 0..1). Grey without alpha comes as Grayscale16, the rest as RGBA64.

// True when the current directory is such a picture (and so does not go to the RGBA reader).
[[nodiscard]] bool HasOwnSamples(TIFF *tif);

struct SamplePicture {
    QImage image;           // in stored order; null on failure
    QString error;
    bool tooLarge = false;
};
[[nodiscard]] SamplePicture ReadOwnSamples(TIFF *tif);

} // namespace mv
