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
[[nodiscard]] MetafileInfo ReadMetafileInfo(const QByteArray &data);

// Draws the whole picture scaled into target pixels (ARGB32 premultiplied, transparent
// background). A null image when the data is not a usable metafile.
[[nodiscard]] QImage RenderMetafile(const QByteArray &data, QSize target);

} // namespace mv
