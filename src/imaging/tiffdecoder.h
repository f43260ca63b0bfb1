#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace mv {

// TIFF and BigTIFF through libtiff, read straight from the bytes in memory. The picture is
// the first page, turned as its Orientation tag says it is to be seen. Colour layouts go
// through libtiff's RGBA reader (any photometric, planar layout and depth it handles);
// grey and RGB samples it does not handle (integers of other widths than 1, 2, 4, 8 and
// 16 bits, signed integers, floats) and 16-bit grey are scaled by our own code (see
// tiffsamples.h). libtiff's errors and warnings never reach the console; its allocations
// and ours keep to the pixel budget, checked before anything is allocated.

struct TiffInfo {
    QSize size;       // as seen; empty on failure
    QString error;
};
[[nodiscard]] TiffInfo ReadTiffInfo(const QByteArray &data);

struct TiffPicture {
    QImage image;           // null on failure
    QString error;
    bool tooLarge = false;  // refused by the pixel budget
};
// target: the size wanted, as seen. A smaller size is reached cheaply where the file
// allows it: from a reduced-resolution page at least that large, or by averaging blocks of
// pixels while the page is read; the picture then comes at least as large as target in
// both directions and the caller scales the rest. Otherwise it comes at full size.
[[nodiscard]] TiffPicture DecodeTiff(const QByteArray &data, QSize target);

} // namespace mv
