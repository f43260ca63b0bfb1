#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QSize>

namespace mv {

// What a walk over a GIF's blocks finds without decoding any pixels: the logical screen,
// the number of frames and the delay of each frame in hundredths of a second (0 when a
// frame has no graphic control block). A damaged or truncated file ends the walk at the
// last complete image descriptor; damaged is then set.
struct GifLayout {
    bool valid = false;     // the header and the logical screen descriptor are there
    bool damaged = false;   // the walk stopped before the trailer
    QSize screen;
    QRect firstFrame;       // where the first frame lies, as its descriptor says
    QList<quint32> delays;  // one entry per frame
};

[[nodiscard]] GifLayout ScanGif(const QByteArray &data);

} // namespace mv
