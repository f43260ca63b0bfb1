#pragma once

#include "imaging/bmpheader.h"

namespace mv {

class BmpCanvas;

// Decodes OS/2's 1-bit Huffman coding (the one-dimensional fax coding of ITU T.4: runs of
// palette entry 0 and entry 1 in turn, each row starting with entry 0, bits read from the
// most significant) into the canvas, bottom row first. Ends of line are skipped; a code
// that is none of the table's, or data that ends early, ends the picture there and leaves
// the rest transparent. Returns true when every pixel was written.
[[nodiscard]] bool DecodeHuffman1D(QByteArrayView data, const BmpHeader &header, BmpCanvas &canvas);

} // namespace mv
