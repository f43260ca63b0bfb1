#include "imaging/bmpcanvas.h"

#include <algorithm>

namespace mv {

int BmpCanvas::FactorFor(QSize source, QSize target)
{
    if (target.isEmpty() || source.isEmpty())
        return 1;
    const int factor = qMin(source.width() / target.width(), source.height() / target.height());
    return factor >= 2 ? factor : 1;
}

QSize BmpCanvas::SizeFor(QSize source, int factor)
{
    factor = qMax(1, factor);
    return QSize((source.width() + factor - 1) / factor, (source.height() + factor - 1) / factor);
}

BmpCanvas::BmpCanvas(QSize source, int factor, bool alpha, bool cleared)
    : mSource(source), mFactor(qMax(1, factor)), mAlpha(alpha || cleared)
{
    mImage = QImage(SizeFor(source, mFactor), mAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (mImage.isNull())
        return;
    if (mFactor == 1) {
        if (cleared)
            mImage.fill(0);
        return;
    }
    mImage.fill(0);
    mRow.assign(size_t(source.width()), 0);
    mSums.assign(4 * size_t(mImage.width()), 0);
}

QRgb *BmpCanvas::row(int y)
{
    if (mFactor == 1)
        return reinterpret_cast<QRgb *>(mImage.scanLine(y));
    return mRow.data();
}

void BmpCanvas::commit(int y, int from, int to)
{
    if (mFactor == 1)
        return;
    if (y / mFactor != mBlock) {
        flush();
        mBlock = y / mFactor;
    }
    from = qMax(0, from);
    to = qMin(mSource.width(), to);
    for (int block = from / mFactor; from < to; ++block) {
        const int end = qMin(to, (block + 1) * mFactor);
        quint64 *sum = mSums.data() + 4 * block;
        for (int x = from; x < end; ++x) {
            const QRgb p = mRow[size_t(x)];
            if (mAlpha) {
                const quint32 a = qAlpha(p);
                sum[0] += a;
                sum[1] += quint64(qRed(p)) * a;
                sum[2] += quint64(qGreen(p)) * a;
                sum[3] += quint64(qBlue(p)) * a;
            } else {
                sum[1] += quint64(qRed(p));
                sum[2] += quint64(qGreen(p));
                sum[3] += quint64(qBlue(p));
            }
        }
        std::fill(mRow.begin() + from, mRow.begin() + end, 0);
        from = end;
    }
}

void BmpCanvas::flush()
{
    if (mBlock < 0)
        return;
    const int rows = qMin(mFactor, mSource.height() - mBlock * mFactor);
    auto *out = reinterpret_cast<QRgb *>(mImage.scanLine(mBlock));
    for (int x = 0; x < mImage.width(); ++x) {
        quint64 *sum = mSums.data() + 4 * x;
        const quint64 count = quint64(qMin(mFactor, mSource.width() - x * mFactor)) * quint64(rows);
        if (mAlpha) {
            const quint64 weight = sum[0];
            const auto mean = [weight](quint64 s) { return int(weight ? (s + weight / 2) / weight : 0); };
            out[x] = qRgba(mean(sum[1]), mean(sum[2]), mean(sum[3]), int((weight + count / 2) / count));
        } else {
            const auto mean = [count](quint64 s) { return int((s + count / 2) / count); };
            out[x] = qRgb(mean(sum[1]), mean(sum[2]), mean(sum[3]));
        }
        std::fill(sum, sum + 4, 0);
    }
    mBlock = -1;
}

QImage BmpCanvas::finish(bool opaque)
{
    flush();
    if (opaque && mImage.format() == QImage::Format_ARGB32)
        mImage.reinterpretAsFormat(QImage::Format_RGB32);
    return std::move(mImage);
}

} // namespace mv
