#pragma once

#include "imaging/bmpheader.h"

namespace mv {

class BmpCanvas;

// Decodes run-length pixels (RLE4, RLE8, OS/2's RLE24) into the canvas, bottom row first.
// Deltas, early ends of line and of the picture, and data that ends early leave pixels
// unwritten (transparent); runs that reach past a row or the picture are cut there.
// Returns true when every pixel was written.
[[nodiscard]] bool DecodeRle(QByteArrayView data, const BmpHeader &header, BmpCanvas &canvas);

} // namespace mv
