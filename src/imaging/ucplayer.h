#pragma once

#include "imaging/cdib.h"
#include "imaging/codec.h"
#include "imaging/playerlayout.h"
#include "imaging/readahead.h"

#include <QColor>
#include <QFrame>
#include <QList>

class QTimer;

namespace mv {

// Cursor and left-button tool of the canvas.
enum CanvasTool : int { ToolHand = 0, ToolZoomIn = 1, ToolZoomOut = 2 };

// The three cursors of the canvas (hand, zoom in, zoom out), 32 x 32.
QCursor CanvasCursor(int tool);

// The image canvas: shows one image file fitted into the control, at a zoom with drag
// scrolling, or at its actual size, and plays animated GIF images. Each frame is rendered
// once into a 32-bit render bitmap no larger than MaxRenderWidth x MaxRenderHeight (unless
// YuanShiDaXiao); zooming and scrolling only stretch that bitmap again.
class ucPlayer : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)

public:
    explicit ucPlayer(QWidget *parent = nullptr);
    ~ucPlayer() override;

    // True when the file could be opened. A render bitmap beyond the pixel budget (actual
    // size of a huge picture) is refused before any allocation: still True, with HasImage
    // false, and the canvas shows the cannot-display picture. A file whose pixels turn out
    // damaged gives False.
    // A neighbour read ahead (SetNeighbours) at the render size and colour wanted now is
    // taken as the decode already done; anything else is decoded as before.
    bool ImportImage(const QString &FileName);
    void DestroyImage();
    // The files the owner will show next, nearest first (the next one, then the previous
    // one): read ahead on a worker at the size a fresh load gives them. Others are let go.
    void SetNeighbours(const QStringList &paths);
    // Lets every neighbour go and waits for the work under way (before the imaging library
    // is shut down).
    void StopReadAhead();
    const ReadAhead &Ahead() const { return mReadAhead; }
    // On by default; off, SetNeighbours lets every neighbour go (the stepping benchmark
    // compares both in one run).
    bool ReadsAhead() const { return mReadsAhead; }
    void SetReadsAhead(bool on);
    void Refresh();
    void UpdatePointer();
    void Rotate90CW();
    void Rotate90ACW();
    void CopyImage();

    QColor BackColor() const { return mBackColor; }
    void SetBackColor(const QColor &color);
    bool BestFitMode() const { return mBestFitMode; }
    void SetBestFitMode(bool on);
    // Actual size: takes effect at the next load or turn.
    bool YuanShiDaXiao() const { return mYuanShiDaXiao; }
    void SetYuanShiDaXiao(bool on) { mYuanShiDaXiao = on; }
    // Reading the tool also shows its cursor (the arrow for the hand).
    int nMouseIcon();
    void SetnMouseIcon(int tool) { mMouseIcon = tool; }
    double Zoom() const { return mZoom; }
    void SetZoom(double zoom);
    // Leaves best fit for zoom, keeping the picture point under clientPos (pixels of the
    // client area) where it is. Does not repaint.
    void ZoomAbout(double zoom, QPointF clientPos);
    // The scale of the render bitmap on the screen as laid out now: the fitted scale in best
    // fit, Zoom otherwise.
    double Scale() const { return mLayout.Scale(); }
    // A point of the widget in client-area pixels (inside the border).
    QPointF ClientPoint(QPointF widgetPos) const { return widgetPos - QPointF(ClientOrigin()); }
    bool Border() const;
    void SetBorder(bool on);
    int MaxRenderWidth() const { return mMaxRenderWidth; }
    void SetMaxRenderWidth(int width) { mMaxRenderWidth = width; }
    int MaxRenderHeight() const { return mMaxRenderHeight; }
    void SetMaxRenderHeight(int height) { mMaxRenderHeight = height; }

    int ImageWidth() const { return mImageWidth; }
    int ImageHeight() const { return mImageHeight; }
    int ImageFrames() const { return mImageFrames; }
    bool HasImage() const { return mRender.hDIB(); }
    // An image is loaded but has no render bitmap: the canvas shows "该图片无法显示".
    bool CannotDisplay() const { return mImage.IsLoaded() && !mRender.hDIB(); }
    QWidget *hWnd() { return this; }

    // For owners and tests: the layout, the render bitmap and the animation state.
    const PlayerLayout &Layout() const { return mLayout; }
    const cDIB &RenderBitmap() const { return mRender; }
    int CurrentFrame() const { return mCurrentFrame; }
    const QList<int> &FrameDelays() const { return mDelays; }
    QTimer *AnimationTimer() const { return mTimer; }
    // How many frames have been decoded into the render bitmap since construction.
    int RenderCount() const { return mRenderCount; }
    // One step of the animation: what the timer does when it fires.
    void AnimationTick();

signals:
    void Click();
    void DblClick();
    void RightClick();
    void MouseDown(int Button, int Shift, double X, double Y);
    void MouseMove(int Button, int Shift, double X, double Y);
    void KeyUp(int KeyCode, int Shift);
    void Resize();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    bool SetUpRenderBitmap();
    // A picture read ahead has the render size and colour a load would give it now.
    bool Wanted(const PreparedPicture &picture) const;
    bool UsePrepared(PreparedPicture &picture);
    void OfferShown();
    GpStatus RenderFrame(int frame);
    void DoLayout();
    void Turn(int type);
    void ShowToolCursor(int tool);
    QPoint ClientOrigin() const;

    GpImage mImage;
    cDIB mRender;
    PlayerLayout mLayout;
    QTimer *mTimer = nullptr;

    QColor mBackColor;
    bool mBestFitMode = false;
    bool mYuanShiDaXiao = false;
    int mMouseIcon = ToolHand;
    double mZoom = 1.0;
    int mMaxRenderWidth = 0;
    int mMaxRenderHeight = 0;

    int mImageWidth = 0;
    int mImageHeight = 0;
    int mImageFrames = 0;
    int mCurrentFrame = 0;   // the next frame the animation shows
    int mShownFrame = 0;     // the frame in the render bitmap
    QList<int> mDelays;
    int mRenderCount = 0;

    bool mDragging = false;
    QPoint mLastMouse;
    bool mSkipClick = false;

    // The render bitmap smoothed to the best-fit size, made once per size and frame.
    QImage mFitCache;
    // The last picture's render bitmap, kept so that the next picture of the same size (the
    // rest of a camera's folder) needs no fresh memory; the decoder's buffer is kept by the
    // read-ahead, which lends it to the canvas.
    QImage mSpare;
    qint64 mRenderGeneration = 0;
    qint64 mFitCacheGeneration = -1;

    // The shown file as it was read, and whether the render bitmap holds the picture as
    // loaded (decoded whole, not turned): then it can serve as a neighbour once the user
    // steps on.
    QString mPath;
    FileStamp mStamp;
    bool mAsLoaded = false;
    bool mReadsAhead = true;
    ReadAhead mReadAhead;
};

} // namespace mv
