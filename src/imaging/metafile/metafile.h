#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace mv {

// Windows metafiles (WMF, with or without the placeable header, and EMF), drawn by our
// own player through QPainter. The codec layer asks DetectMetafile first and hands the
// file's bytes here when it names a metafile.

enum class MetafileKind { None, Wmf, PlaceableWmf, Emf };

// Recognises the format by content; head needs at least the first 44 bytes for EMF.
MetafileKind DetectMetafile(const QByteArray &head);

struct MetafileInfo {
    MetafileKind kind = MetafileKind::None;
    QSize pixelSize;   // the picture's size in pixels; empty when the header is unusable
    QString error;     // why the header is unusable
};

// Reads and checks the header: the picture's size without drawing anything.
// Size rule: EMF from the header's frame (hundredths of a millimetre) at 96 DPI, or from
// its bounds when the frame is empty; placeable WMF from its box and units per inch at
// 96 DPI; other WMF from the first window extent its records set (units as pixels), or
// from the area its drawing records cover. A longer side past 16384 pixels is scaled down
// to 16384, keeping the shape.
[[nodiscard]] MetafileInfo ReadMetafileInfo(const QByteArray &data);

// Draws the whole picture scaled into target pixels (ARGB32 premultiplied, transparent
// background). A null image when the data is not a usable metafile.
[[nodiscard]] QImage RenderMetafile(const QByteArray &data, QSize target);

// The same with an account of the drawing: broken record framing (or the player's work
// and memory limits) ends the drawing early and leaves what was drawn so far in the image,
// with the reason in `problem`; a well-framed record that cannot be read is left out and
// counted in `skipped`, and the drawing goes on.
struct MetafileRender {
    QImage image;        // null when nothing could be drawn
    QString error;       // why there is no image
    QString problem;     // why the drawing stopped before the end, if it did
    qint64 records = 0;  // records read
    qint64 skipped = 0;  // well-framed records left out because they could not be read
    bool emfPlusOnly = false; // the picture is drawn in EMF+ records only, without an EMF fallback
};
[[nodiscard]] MetafileRender RenderMetafileReport(const QByteArray &data, QSize target);

// Largest target RenderMetafile draws into: 256 MB of pixels, so that the target and the
// player's own memory allowance together stay within 512 MB.
constexpr int MaxMetafileTargetSide = 32767;
constexpr qint64 MaxMetafileTargetPixels = qint64(1) << 26;

} // namespace mv
