#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace mv {

// Where decoded rows of a picture go: straight into the picture's rows at full size, or,
// for a picture decoded smaller, into the mean of each factor x factor block, so that a
// large picture shown small never exists at full size in memory. Rows come in storage
// order, top-down or bottom-up; a row or pixel never written stays transparent.
class BmpCanvas
{
public:
    // The factor by which a source of this size may shrink while staying at least target.
    static int FactorFor(QSize source, QSize target);
    static QSize SizeFor(QSize source, int factor);

    // alpha: pixels may be partly transparent. cleared: some pixels may never be written.
    // Check the size against the pixel budget first; a null canvas could not allocate.
    BmpCanvas(QSize source, int factor, bool alpha, bool cleared);
    bool isNull() const { return mImage.isNull(); }

    // Source row y (from the top): a row of source width to write into. Pixels not written
    // before commit are transparent when the canvas is cleared.
    QRgb *row(int y);
    // Row y's pixels [from, to) are written; the next row may be asked for.
    void commit(int y, int from, int to);
    // The picture. opaque: every pixel was written without transparency, so that the
    // picture needs no alpha channel.
    [[nodiscard]] QImage finish(bool opaque);

private:
    void flush();

    QImage mImage;
    QSize mSource;
    int mFactor = 1;
    bool mAlpha = false;
    std::vector<QRgb> mRow;       // reduced: the source row being written (kept clear)
    std::vector<quint64> mSums;   // reduced: alpha and alpha-weighted colours per pixel
    int mBlock = -1;              // reduced: the output row being summed
};

} // namespace mv
