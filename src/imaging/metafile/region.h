#pragma once

#include "imaging/metafile/bytereader.h"

#include <QList>
#include <QRectF>

namespace mv::metafile {

// Regions as both formats store them: lists of rectangles, at most as many as the bytes
// hold. Empty rectangles are dropped. False when the data is damaged.
[[nodiscard]] bool ReadEmfRegion(ByteReader r, QList<QRectF> &rects);
[[nodiscard]] bool ReadWmfRegion(ByteReader r, QList<QRectF> &rects);

} // namespace mv::metafile
