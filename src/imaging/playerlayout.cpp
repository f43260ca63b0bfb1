#include "imaging/playerlayout.h"

#include "imaging/cdib.h"

#include <cmath>

namespace mv {

namespace {

// Rounded half to even, kept within int so that an absurd zoom cannot overflow.
int RoundHalfEven(double value)
{
    if (!(value > -1e9)) // also NaN
        return -1000000000;
    return int(std::nearbyint(qMin(value, 1e9)));
}

// One axis of the zoom layout: range, shown length and offset.
void ZoomAxis(int renderLength, int clientLength, double zoom, int &max, int &shown, int &offset)
{
    // A zoom of 0, below 0 or not a number shows nothing rather than a mirrored picture.
    const float zoomed = zoom > 0 ? float(double(renderLength) * zoom) : 0.0f;
    if (double(zoomed) > clientLength) {
        max = RoundHalfEven(double(zoomed) - clientLength);
        shown = clientLength;
    } else {
        max = 0;
        shown = RoundHalfEven(double(zoomed));
    }
    offset = (clientLength - shown) / 2;
}

int KeepRelative(int max, int paintedPos, int previousMax)
{
    if (previousMax != 0)
        return int(qint64(max) * paintedPos / previousMax);
    return max / 2;
}

void PaintAxis(bool overhangs, double zoom, int pos, int offset, int shown, int renderLength, double &target,
               double &targetLength, double &source, double &sourceLength)
{
    if (overhangs && zoom > 0) {
        source = std::floor(pos / zoom);
        target = -(pos - source * zoom);
        sourceLength = std::ceil(shown / zoom) + 2;
        targetLength = sourceLength * zoom;
    } else {
        target = offset;
        targetLength = shown;
        source = 0;
        sourceLength = renderLength;
    }
}

} // namespace

void PlayerLayout::Layout()
{
    if (mRender.isEmpty()) {
        mW = mH = 10;
        return;
    }
    if (mBestFit) {
        GetBestFitInfo(mRender.width(), mRender.height(), mClient.width(), mClient.height(), mX, mY, mW, mH, false);
    } else {
        ZoomAxis(mRender.width(), mClient.width(), mZoom, mHMax, mW, mX);
        ZoomAxis(mRender.height(), mClient.height(), mZoom, mVMax, mH, mY);
    }
    mHPos = KeepRelative(mHMax, mPaintedH, mPrevHMax);
    mVPos = KeepRelative(mVMax, mPaintedV, mPrevVMax);
    mPrevHMax = mHMax;
    mPrevVMax = mVMax;
    mPaintedH = mHPos;
    mPaintedV = mVPos;
}

double PlayerLayout::Scale() const
{
    if (mRender.isEmpty())
        return 1.0;
    if (!mBestFit)
        return mZoom;
    // The fitted side is exact; the other was rounded to whole pixels.
    return qMin(double(mW) / mRender.width(), double(mH) / mRender.height());
}

QSize PlayerLayout::ZoomedSize() const
{
    return QSize(mHMax != 0 ? mHMax + mClient.width() : mW, mVMax != 0 ? mVMax + mClient.height() : mH);
}

QPointF PlayerLayout::RenderPointAt(QPointF client) const
{
    if (mRender.isEmpty())
        return QPointF();
    if (mBestFit || mZoom <= 0)
        return QPointF((client.x() - mX) * mRender.width() / qMax(1, mW),
                       (client.y() - mY) * mRender.height() / qMax(1, mH));
    const double x = mHMax != 0 ? mHPos + client.x() : client.x() - mX;
    const double y = mVMax != 0 ? mVPos + client.y() : client.y() - mY;
    return QPointF(x / mZoom, y / mZoom);
}

void PlayerLayout::ZoomAbout(double zoom, QPointF anchor)
{
    const bool sameSteps = !mBestFit && mAnchor.client == anchor && mAnchor.render == mRender && mAnchor.zoom == mZoom
                           && mAnchor.hpos == mHPos && mAnchor.vpos == mVPos;
    const QPointF point = sameSteps ? mAnchor.point : RenderPointAt(anchor);
    mBestFit = false;
    mZoom = zoom;
    Layout();
    if (mRender.isEmpty() || !(zoom > 0))
        return;
    mHPos = qBound(0, RoundHalfEven(point.x() * zoom - anchor.x()), mHMax);
    mVPos = qBound(0, RoundHalfEven(point.y() * zoom - anchor.y()), mVMax);
    mPaintedH = mHPos;
    mPaintedV = mVPos;
    mAnchor = {anchor, point, mRender, zoom, mHPos, mVPos};
}

bool PlayerLayout::DragBy(double dx, double dy)
{
    if (mBestFit)
        return false;
    mHPos = qBound(0, RoundHalfEven(mHPos - dx), mHMax);
    mVPos = qBound(0, RoundHalfEven(mVPos - dy), mVMax);
    const bool changed = mHPos != mPaintedH || mVPos != mPaintedV;
    mPaintedH = mHPos;
    mPaintedV = mVPos;
    return changed;
}

PaintGeometry PlayerLayout::Geometry() const
{
    PaintGeometry g;
    if (mRender.isEmpty())
        return g;
    if (mBestFit || (mZoom > 0 && mZoom < 1)) {
        // Reduced: the whole picture is scaled smoothly once, then its visible part copied.
        g.smooth = true;
        g.scaled = mBestFit ? QSize(mW, mH) : ZoomedSize();
        g.target = QRectF(Display());
        const int sx = !mBestFit && mHMax != 0 ? mHPos : 0;
        const int sy = !mBestFit && mVMax != 0 ? mVPos : 0;
        g.source = QRectF(sx, sy, mW, mH);
        return g;
    }
    double tx, tw, sx, sw, ty, th, sy, sh;
    PaintAxis(mHMax != 0, mZoom, mHPos, mX, mW, mRender.width(), tx, tw, sx, sw);
    PaintAxis(mVMax != 0, mZoom, mVPos, mY, mH, mRender.height(), ty, th, sy, sh);
    g.target = QRectF(tx, ty, tw, th);
    g.source = QRectF(sx, sy, sw, sh);
    return g;
}

} // namespace mv
