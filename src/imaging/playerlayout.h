#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

namespace mv {

// Where the canvas draws its render bitmap. Three coordinate spaces meet here: the
// client area of the control (widget pixels), the zoomed picture (client pixels of the
// whole picture, scrolled by HPos/VPos) and the render bitmap (its own pixels).
// smooth: the render bitmap is first scaled smoothly to scaled (the whole picture as shown,
// so that thin lines survive a reduction) and source is in those pixels, drawn 1:1. Otherwise
// source is in render-bitmap pixels and each one is repeated to fill target (enlarging).
struct PaintGeometry {
    QRectF target;   // client pixels
    QRectF source;   // render-bitmap pixels, or pixels of the scaled picture when smooth
    bool smooth = false;
    QSize scaled;
};

// The layout rules of the image canvas without a window: best fit, zoom, scroll ranges
// and the scroll position that keeps its relative place when the ranges change.
class PlayerLayout
{
public:
    void SetRenderSize(QSize size) { mRender = size; }   // empty: no render bitmap
    void SetClientSize(QSize size) { mClient = size; }
    void SetBestFitMode(bool on) { mBestFit = on; }
    void SetZoom(double zoom) { mZoom = zoom; }

    QSize RenderSize() const { return mRender; }
    QSize ClientSize() const { return mClient; }
    bool BestFitMode() const { return mBestFit; }
    double Zoom() const { return mZoom; }

    void Layout();
    // The display rectangle: where the visible part of the render bitmap lands.
    QRect Display() const { return QRect(mX, mY, mW, mH); }
    int HMax() const { return mHMax; }
    int VMax() const { return mVMax; }
    int HPos() const { return mHPos; }
    int VPos() const { return mVPos; }
    // The image overhangs the client in zoom mode, so the hand tool can scroll it.
    bool Scrollable() const { return !mBestFit && (mHMax != 0 || mVMax != 0); }

    // The scale of the render bitmap on the screen: the fitted one in best fit, else Zoom.
    // 1.0 without a render bitmap.
    double Scale() const;
    // The whole picture at the zoom, in client pixels (the part shown and the part beyond).
    QSize ZoomedSize() const;

    // Leaves best fit for zoom, keeping the picture point under anchor (client pixels)
    // under it as far as the scroll ranges allow; a picture that fits is centred.
    void ZoomAbout(double zoom, QPointF anchor);
    // The render-bitmap point shown at a client point.
    QPointF RenderPointAt(QPointF client) const;

    // A drag step of (dx, dy) client pixels moves the view the other way (the image
    // follows the mouse), limited to the ranges. True when the view now differs from the
    // last painted one; the new position then counts as painted.
    bool DragBy(double dx, double dy);

    // Source and target of the paint. With zoom, the source starts at the render pixel
    // under the client's left/top edge, one pixel more than the client shows on each
    // side, and the target starts left/above of the client by the part of that pixel
    // already scrolled past; the target is exactly the source times the zoom, so every
    // pixel lands where the scroll position puts it.
    PaintGeometry Geometry() const;

    // No picture shown: an empty display rectangle. The scroll state stays, so the next
    // picture opens at the same relative place.
    void ClearDisplay() { mW = mH = 0; }

private:
    QSize mRender;
    QSize mClient;
    bool mBestFit = false;
    double mZoom = 1.0;
    int mX = 0, mY = 0, mW = 0, mH = 0;
    int mHMax = 0, mVMax = 0;
    int mHPos = 0, mVPos = 0;
    int mPaintedH = 0, mPaintedV = 0;
    int mPrevHMax = 0, mPrevVMax = 0;

    // The last zoom about a point: wheel steps at the same place, with nothing moved in
    // between, keep the first step's picture point, so that rounding never adds up.
    struct Anchor {
        QPointF client, point;
        QSize render;
        double zoom = 0;
        int hpos = 0, vpos = 0;
    };
    Anchor mAnchor;
};

} // namespace mv
