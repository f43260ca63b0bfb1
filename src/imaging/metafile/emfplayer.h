#pragma once

#include "imaging/metafile/emfparser.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

namespace mv::metafile {

// A picture size in pixels, at least 1 x 1, its longer side at most 16384 (the shape kept).
QSize PictureSizeWithinLimit(double width, double height);

// Where an EMF picture lies on its recording device and how large it is shown.
struct EmfGeometry {
    QRectF deviceFrame;     // the picture, in recording-device pixels
    QSize pixelSize;        // the picture's size in pixels at 96 DPI
    QSizeF devicePixels;    // the recording device
    QSizeF deviceMillimeters;
};

// Picture size rule: the header's frame (hundredths of a millimetre) at 96 DPI; when the
// frame is empty or inverted, the bounds (recording-device pixels) converted from the
// device's resolution to 96 DPI. A picture whose longer side would pass 16384 pixels is
// scaled down to that, keeping its shape.
[[nodiscard]] bool EmfGeometryOf(const EmfHeader &header, EmfGeometry &geometry, QString &error);

struct PlayReport {
    qint64 records = 0;
    QString problem;          // why the drawing ended early, empty when it did not
    qint64 skipped = 0;       // well-framed records left out because they could not be read
    bool emfPlusOnly = false; // drawn in EMF+ without EMF fallback records
};

class Player;

// A picture drawn inside another one (an EMF+ metafile image): how deep it lies, and the
// drawing whose work and memory budgets it shares.
struct Nesting {
    Player *outer = nullptr;
    int depth = 0;
};
constexpr int MaxNesting = 3;

// Draws the records into `image` (already sized and cleared to transparent), the frame
// filling it. EMF+ records draw when the file has them, and the EMF records only where
// they do not; a dual file whose EMF+ records break is drawn from its EMF records.
PlayReport PlayEmf(const QByteArray &data, const EmfHeader &header, const EmfGeometry &geometry, QImage &image,
                   const Nesting &nesting = {});

} // namespace mv::metafile
