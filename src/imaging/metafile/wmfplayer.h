#pragma once

#include "imaging/metafile/emfplayer.h"
#include "imaging/metafile/wmfparser.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

namespace mv::metafile {

// Where a WMF picture lies in its own logical units and how large it is shown.
struct WmfGeometry {
    QRectF window;   // the picture in logical units (the initial window)
    QSize pixelSize; // at 96 DPI
    bool isotropic = false;
};

// Picture size rule: with the placeable header, its box converted with its units per inch
// to 96 DPI. Without it, the first window extent (and origin) the records set, its units
// taken as pixels; a file that sets no extent is measured by the area its drawing records
// cover, text included. A longer side past 16384 pixels is scaled down to that, keeping the shape.
[[nodiscard]] bool WmfGeometryOf(const QByteArray &data, const WmfHeader &header, WmfGeometry &geometry,
                                 QString &error);

// The logical area that the drawing records touch, text included (estimated from the
// selected font's size); empty when nothing is drawn.
QRectF WmfDrawingBounds(const QByteArray &data, const WmfHeader &header);

// Draws the records into `image` (already sized and cleared), the window filling it.
PlayReport PlayWmf(const QByteArray &data, const WmfHeader &header, const WmfGeometry &geometry, QImage &image);

} // namespace mv::metafile
