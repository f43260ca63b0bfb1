#pragma once

#include "imaging/metafile/bytereader.h"

#include <QList>
#include <QRectF>

namespace mv::metafile {

// Regions as both formats store them: lists of rectangles, at most as many as the bytes
// hold. Empty rectangles are dropped. Counts that promise more than the data holds are
// read as far as the data goes; false only when not even the region's header is there.
[[nodiscard]] bool ReadEmfRegion(ByteReader r, QList<QRectF> &rects);
[[nodiscard]] bool ReadWmfRegion(ByteReader r, QList<QRectF> &rects);

} // namespace mv::metafile
