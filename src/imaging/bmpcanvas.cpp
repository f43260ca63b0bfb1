#include "imaging/bmpcanvas.h"

#include <algorithm>

namespace mv {

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
    // Sum the row across into output columns.
    std::fill(mLine.begin(), mLine.end(), 0);
    for (int x = from; x < to; ++x) {
        const QRgb p = mRow[size_t(x)];
        const Share &c = mColumns[size_t(x)];
        quint64 v[4];
        if (mAlpha) {
            const quint64 a = qAlpha(p);
            v[0] = a;
            v[1] = qRed(p) * a;
            v[2] = qGreen(p) * a;
            v[3] = qBlue(p) * a;
        } else {
            v[0] = 0;
            v[1] = quint64(qRed(p));
            v[2] = quint64(qGreen(p));
            v[3] = quint64(qBlue(p));
        }
        quint64 *sum = mLine.data() + 4 * c.first;
        for (int k = 0; k < 4; ++k)
            sum[k] += v[k] * c.weight;
        if (c.rest) {
            for (int k = 0; k < 4; ++k)
                sum[4 + k] += v[k] * c.rest;
        }
    }
    std::fill(mRow.begin() + from, mRow.begin() + to, 0);
    addRow(share.first, share.weight);
    if (share.rest)
        addRow(share.first + 1, share.rest);
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
    auto *out = reinterpret_cast<QRgb *>(mImage.scanLine(outputRow));
    for (int x = 0; x < mImage.width(); ++x) {
        const quint64 *s = sums + 4 * x;
        if (mAlpha) {
            const quint64 weight = s[0];
            const auto mean = [weight](quint64 v) { return int(weight ? (v + weight / 2) / weight : 0); };
            out[x] = qRgba(mean(s[1]), mean(s[2]), mean(s[3]), int((weight + whole / 2) / whole));
        } else {
            const auto mean = [whole](quint64 v) { return int((v + whole / 2) / whole); };
            out[x] = qRgb(mean(s[1]), mean(s[2]), mean(s[3]));
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
