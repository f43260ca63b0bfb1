#pragma once

#include "imaging/codec.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

namespace mv {

// What a file is on disk now. A picture decoded earlier stands for the file only while the
// stamp is the same: a file written, replaced or renamed over since then is read again.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;  // status change: also moves when a file is renamed over this one
    quint64 inode = 0;
    quint64 device = 0;

    bool IsValid() const { return size >= 0; }
    bool operator==(const FileStamp &) const = default;
    // An invalid stamp for a file that cannot be looked at.
    static FileStamp Of(const QString &path);
};

// The render bitmap's size for a picture of imageSize: the picture itself at actual size,
// otherwise its best fit into the render box (a smaller picture keeps its size).
QSize RenderSizeFor(QSize imageSize, QSize renderBox, bool actualSize);

// What the canvas asks of a picture that it shows fresh (best fit, not turned).
struct PictureRequest {
    QString path;
    QSize renderBox;   // MaxRenderWidth x MaxRenderHeight
    QColor canvas;     // transparent parts are laid on it (PictureBackground)
    QSize client;      // the canvas's client area: the best-fit paint's smoothed size follows
                       // it; empty, no smoothed copy is made
};

// A picture decoded as the canvas decodes it on load: the render bitmap's pixels and the
// smoothed picture the best-fit paint shows. The file's bytes are not kept (they are read
// again with the picture's header when it is shown): pixels only, to hold little.
struct PreparedPicture {
    GpStatus status = GpStatus::WrongState;
    QString path;
    FileStamp stamp;       // the file as it was read
    QSize renderBox;
    QColor canvas;
    ImageFormat format = ImageFormat::Unknown;
    QSize imageSize;       // upright, as the codec shows it
    QImage render;         // RGB32, RenderSizeFor(imageSize, renderBox, false)
    QImage fitted;         // render smoothed to its best fit into the client; null when not smaller

    bool IsReady() const { return status == GpStatus::Ok && !render.isNull(); }
};

// Which pictures are read ahead: stills whose whole picture the pixel budget accepts.
// Animations (their frames follow a clock of their own) and metafiles (their player has its
// own memory budget, which a second player at once would double) are left to the canvas.
bool IsReadAheadKind(const GpImage &image);

// Reads and decodes the picture of the request: a pure function of the file's bytes, the
// render box, the canvas colour and the client size, safe on any thread. scratch is the
// decoder's buffer (GpImage::DrawFrameInto); recycled, the pixels of a picture let go, become
// the render bitmap when they have its size and format. Gives up between steps once
// cancelled is set. A file that changed while it was read gives no picture.
[[nodiscard]] PreparedPicture PreparePicture(const PictureRequest &request, const std::atomic_bool &cancelled,
                                             QImage &scratch, QImage &&recycled = QImage());

} // namespace mv
