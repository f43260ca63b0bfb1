#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace mv {

// Where decoded rows of a picture go: straight into the picture's rows at full size, or,
// for a picture shown smaller, into an exact area average at the size shown (each source
// pixel counts by the share of it that an output pixel covers), so that a large picture
// shown small never exists at full size in memory. Rows come in storage order, top-down
// or bottom-up; a row or pixel never written stays transparent.
class BmpCanvas
{
public:
    // The size to decode at for a target: target where it is smaller than source in both
    // directions, otherwise source.
    static QSize OutputFor(QSize source, QSize target);

    // alpha: pixels may be partly transparent. cleared: some pixels may never be written.
    // Check the output size against the pixel budget first; a null canvas could not allocate.
    BmpCanvas(QSize source, QSize output, bool alpha, bool cleared);
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
    // How a source pixel or row divides between one output pixel or row and the next, in
    // units where a source pixel is output-size long and an output pixel source-size long.
    struct Share {
        int first = 0;
        quint32 weight = 0;      // in first
        quint32 rest = 0;        // in first + 1
    };
    static std::vector<Share> Shares(int source, int output);
    void sumAcross(int from, int to);
    void sumAcrossWeighted(int from, int to);
    void addRow(int outputRow, quint32 weight);
    void flush(int outputRow);

    QImage mImage;
    QSize mSource;
    bool mReduced = false;
    bool mAlpha = false;
    std::vector<QRgb> mRow;           // the source row being written (kept clear)
    std::vector<Share> mColumns;
    std::vector<Share> mRows;
    std::vector<quint64> mLine;       // the current source row summed across: 4 per output pixel
    // Each output column: its first and last source pixels and their shares in it (the
    // first's head, the last's tail); the pixels between count whole.
    struct Span {
        int first = 0;
        int last = -1;
        quint32 head = 0;
        quint32 tail = 0;
    };
    std::vector<Span> mSpans;
    int mOutputWidth = 0;
    // Two output rows being summed, by their index (-1: none).
    std::vector<quint64> mSums[2];
    int mSumRow[2] = {-1, -1};
};

} // namespace mv
