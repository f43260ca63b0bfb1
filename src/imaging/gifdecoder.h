#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

namespace mv {

// The frames of a GIF, composited one after the other on a canvas of the logical screen:
// before a frame is drawn, the one before it is disposed of as its graphic control block
// says (none or keep: left; background: its area cleared to transparent; previous: its
// area put back as it was before it was drawn). Frames are clipped to the canvas; pixels
// of the transparent index, and indices past the colour table, leave the canvas as it is.
// The canvas starts transparent, so no pixel ever comes from memory not written.
//
// LZW is decoded here, bounded by the frame: decoding stops once every row that lands on
// the canvas is done, and damaged or cut data leaves the rest of the frame undrawn.
class GifDecoder
{
public:
    // canvas: the size of the picture (the logical screen, checked against the pixel
    // budget by the caller).
    GifDecoder(const QByteArray &data, QSize canvas);

    // The next frame over the ones before it; null when no frame follows or the next one
    // cannot be decoded at all (an LZW code size out of range). The image shares the canvas
    // until the following call.
    [[nodiscard]] QImage NextFrame();

private:
    struct Frame;
    bool ReadFrame(Frame &frame);
    void DecodePixels(const Frame &frame);
    void SkipSubBlocks();

    QByteArray mData;
    qint64 mPos = 0;
    bool mEnded = false;
    QImage mCanvas;
    QRgb mGlobal[256] = {};   // premultiplied; 0 marks an index with no colour
    int mDisposal = 0;        // of the frame drawn last
    QRect mDrawn;             // its area on the canvas
    QImage mUnder;            // the canvas under it, for "previous"
};

} // namespace mv
