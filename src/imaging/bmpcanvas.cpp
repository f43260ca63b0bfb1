#include "imaging/bmpcanvas.h"

#include <algorithm>

namespace mv {

namespace {

// (v + d / 2) / d for one d and many v: a floating-point estimate, corrected to the exact
// quotient (v stays far below 2^53).
class RoundedDivision
{
public:
    explicit RoundedDivision(quint64 d) : mD(d), mInverse(1.0 / double(d)) {}
    int operator()(quint64 v) const
    {
        const quint64 n = v + mD / 2;
        quint64 q = quint64(double(n) * mInverse);
        if (q * mD > n)
            --q;
        else if ((q + 1) * mD <= n)
            ++q;
        return int(q);
    }

private:
    quint64 mD;
    double mInverse;
};

} // namespace

QSize BmpCanvas::OutputFor(QSize source, QSize target)
{
    if (target.isEmpty() || source.isEmpty() || target == source || target.width() > source.width()
        || target.height() > source.height())
        return source;
    return target;
}

std::vector<BmpCanvas::Share> BmpCanvas::Shares(int source, int output)
{
    // Source pixel i spans [i * output, (i + 1) * output); output pixel j spans
    // [j * source, (j + 1) * source). With output <= source, a source pixel meets two
    // output pixels at most.
    std::vector<Share> shares(static_cast<size_t>(source));
    for (int i = 0; i < source; ++i) {
        const qint64 begin = qint64(i) * output;
        const qint64 end = begin + output;
        Share &s = shares[size_t(i)];
        s.first = int(begin / source);
        const qint64 boundary = qint64(s.first + 1) * source;
        s.weight = quint32(qMin(end, boundary) - begin);
        s.rest = quint32(end - begin) - s.weight;
    }
    return shares;
}

BmpCanvas::BmpCanvas(QSize source, QSize output, bool alpha, bool cleared)
    : mSource(source), mReduced(output != source), mAlpha(alpha || cleared)
{
    mImage = QImage(output, mAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (mImage.isNull())
        return;
    if (!mReduced) {
        if (cleared)
            mImage.fill(0);
        return;
    }
    mImage.fill(0);
    mRow.assign(size_t(source.width()), 0);
    mColumns = Shares(source.width(), output.width());
    mRows = Shares(source.height(), output.height());
    mLine.assign(4 * size_t(output.width()), 0);
    mOutputWidth = output.width();
    // Each output column j spans [j * source, (j + 1) * source) in the units of Shares.
    mSpans.resize(size_t(output.width()));
    const qint64 w = source.width(), t = output.width();
    for (qint64 j = 0; j < t; ++j) {
        Span &span = mSpans[size_t(j)];
        const qint64 begin = j * w, end = begin + w;
        span.first = int(begin / t);
        span.last = int((end - 1) / t);
        span.head = quint32(qMin((span.first + 1) * t, end) - begin);
        span.tail = quint32(end - qMax(span.last * t, begin));
    }
    for (std::vector<quint64> &sums : mSums)
        sums.assign(4 * size_t(output.width()), 0);
}

QRgb *BmpCanvas::row(int y)
{
    if (!mReduced)
        return reinterpret_cast<QRgb *>(mImage.scanLine(y));
    return mRow.data();
}

void BmpCanvas::commit(int y, int from, int to)
{
    if (!mReduced)
        return;
    const Share share = mRows[size_t(y)];
    // Output rows this source row does not reach are complete: rows come in order.
    for (int slot = 0; slot < 2; ++slot) {
        const int r = mSumRow[slot];
        if (r >= 0 && r != share.first && !(share.rest && r == share.first + 1))
            flush(r);
    }
    from = qMax(0, from);
    to = qMin(mSource.width(), to);
    if (from >= to)
        return;
    std::fill(mLine.begin(), mLine.end(), 0);
    if (mAlpha)
        sumAcrossWeighted(from, to);
    else
        sumAcross(from, to);
    std::fill(mRow.begin() + from, mRow.begin() + to, 0);
    addRow(share.first, share.weight);
    if (share.rest)
        addRow(share.first + 1, share.rest);
}

// Opaque pixels, output column by output column: the pixels wholly inside a column count
// alike, the two at its edges by their share. A column's sum is at most 255 x source width,
// which 32 bits hold.
void BmpCanvas::sumAcross(int from, int to)
{
    const quint32 full = quint32(mImage.width()); // a whole source pixel's share
    const int firstColumn = mColumns[size_t(from)].first;
    const int lastColumn = mColumns[size_t(to - 1)].first + (mColumns[size_t(to - 1)].rest ? 1 : 0);
    for (int column = firstColumn; column <= lastColumn && column < mOutputWidth; ++column) {
        const Span &span = mSpans[size_t(column)];
        QRgb p = mRow[size_t(span.first)];
        quint32 r = qRed(p) * span.head, g = qGreen(p) * span.head, b = qBlue(p) * span.head;
        quint32 ir = 0, ig = 0, ib = 0;
        for (int x = span.first + 1; x < span.last; ++x) {
            p = mRow[size_t(x)];
            ir += qRed(p);
            ig += qGreen(p);
            ib += qBlue(p);
        }
        r += ir * full;
        g += ig * full;
        b += ib * full;
        if (span.last != span.first) {
            p = mRow[size_t(span.last)];
            r += qRed(p) * span.tail;
            g += qGreen(p) * span.tail;
            b += qBlue(p) * span.tail;
        }
        quint64 *line = mLine.data() + 4 * size_t(column);
        line[1] = r;
        line[2] = g;
        line[3] = b;
    }
}

// Pixels with alpha: colours count by their alpha.
void BmpCanvas::sumAcrossWeighted(int from, int to)
{
    for (int x = from; x < to; ++x) {
        const QRgb p = mRow[size_t(x)];
        const Share &c = mColumns[size_t(x)];
        const quint64 a = qAlpha(p);
        const quint64 v[4] = {a, qRed(p) * a, qGreen(p) * a, qBlue(p) * a};
        quint64 *sum = mLine.data() + 4 * c.first;
        for (int k = 0; k < 4; ++k)
            sum[k] += v[k] * c.weight;
        if (c.rest) {
            for (int k = 0; k < 4; ++k)
                sum[4 + k] += v[k] * c.rest;
        }
    }
}

void BmpCanvas::addRow(int outputRow, quint32 weight)
{
    int slot = mSumRow[0] == outputRow ? 0 : mSumRow[1] == outputRow ? 1 : -1;
    if (slot < 0) {
        slot = mSumRow[0] < 0 ? 0 : 1;
        if (mSumRow[slot] >= 0)
            flush(mSumRow[slot]);
        mSumRow[slot] = outputRow;
    }
    quint64 *sums = mSums[slot].data();
    for (size_t i = 0; i < mLine.size(); ++i)
        sums[i] += mLine[i] * weight;
}

void BmpCanvas::flush(int outputRow)
{
    const int slot = mSumRow[0] == outputRow ? 0 : 1;
    quint64 *sums = mSums[slot].data();
    // Every output pixel covers source width x source height units.
    const quint64 whole = quint64(mSource.width()) * quint64(mSource.height());
    const RoundedDivision byWhole(whole);
    auto *out = reinterpret_cast<QRgb *>(mImage.scanLine(outputRow));
    for (int x = 0; x < mOutputWidth; ++x) {
        const quint64 *s = sums + 4 * x;
        if (mAlpha) {
            const quint64 weight = s[0];
            const auto mean = [weight](quint64 v) { return int(weight ? (v + weight / 2) / weight : 0); };
            out[x] = qRgba(mean(s[1]), mean(s[2]), mean(s[3]), byWhole(weight));
        } else {
            out[x] = qRgb(byWhole(s[1]), byWhole(s[2]), byWhole(s[3]));
        }
    }
    std::fill(mSums[slot].begin(), mSums[slot].end(), 0);
    mSumRow[slot] = -1;
}

QImage BmpCanvas::finish(bool opaque)
{
    for (int slot = 0; slot < 2; ++slot) {
        if (mSumRow[slot] >= 0)
            flush(mSumRow[slot]);
    }
    if (opaque && mImage.format() == QImage::Format_ARGB32)
        mImage.reinterpretAsFormat(QImage::Format_RGB32);
    return std::move(mImage);
}

} // namespace mv
