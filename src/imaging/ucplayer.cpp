#include "imaging/ucplayer.h"

#include "app/inputcodes.h"
#include "controls/uipictures.h"
#include "imaging/gdiplus.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

#include <cmath>
#include <utility>

namespace mv {

namespace {

// Larger buffers (actual size of a huge picture) are given back rather than kept idle.
constexpr qsizetype MaxKeptBytes = qsizetype(64) << 20;

quint32 ColorRefOf(const QColor &color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

// The torn photograph with the words 该图片无法显示, as the viewer shows it.
const QImage &CannotDisplayPicture()
{
    static const QImage picture = UiImage(QStringLiteral("pictures/cannot_display"), QSize(204, 198));
    return picture;
}

QCursor MakeCursor(const QString &svg, QPoint hotSpot)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(svg);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, 32, 32));
    painter.end();
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

} // namespace

QCursor CanvasCursor(int tool)
{
    static const QCursor hand = MakeCursor(QStringLiteral(":/cursors/hand.svg"), QPoint(16, 16));
    static const QCursor zoomIn = MakeCursor(QStringLiteral(":/cursors/zoomin.svg"), QPoint(12, 12));
    static const QCursor zoomOut = MakeCursor(QStringLiteral(":/cursors/zoomout.svg"), QPoint(12, 12));
    switch (tool) {
    case ToolZoomIn: return zoomIn;
    case ToolZoomOut: return zoomOut;
    default: return hand;
    }
}

ucPlayer::ucPlayer(QWidget *parent) : QFrame(parent), mTimer(new QTimer(this))
{
    mBackColor = palette().color(QPalette::Dark);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->size().width() : 1024;
    mMaxRenderWidth = screenWidth;
    mMaxRenderHeight = screenWidth;
    mTimer->setInterval(0);
    connect(mTimer, &QTimer::timeout, this, &ucPlayer::AnimationTick);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    SetBorder(false);
}

ucPlayer::~ucPlayer()
{
    DestroyImage();
}

bool ucPlayer::ImportImage(const QString &FileName)
{
    std::optional<PreparedPicture> ready = mReadAhead.Take(FileName);
    if (ready && !Wanted(*ready))
        ready.reset();
    // Stepping among neighbours, the picture left is one too; otherwise its bitmap is
    // recycled for the decode below.
    if (ready)
        OfferShown();
    DestroyImage();
    if (ready && UsePrepared(*ready))
        return true;
    ready.reset();

    const FileStamp stamp = FileStamp::Of(FileName);
    mImage = GpImage::LoadFromFile(FileName);
    if (!mImage.IsLoaded()) {
        mImage.Dispose();
        UpdatePointer();
        return false;
    }
    mImageWidth = mImage.Width();
    mImageHeight = mImage.Height();
    if (!SetUpRenderBitmap()) {
        DoLayout();
        UpdatePointer();
        update();
        return true;
    }
    DoLayout();
    mImageFrames = mImage.FrameCount();

    // A file whose pixels do not decode is reported like one that does not open, so the
    // owner shows its own reaction instead of an empty canvas.
    if (RenderFrame(0) != GpStatus::Ok) {
        DestroyImage();
        UpdatePointer();
        return false;
    }
    mPath = FileName;
    // Changed while it was read: the bytes may be of neither version, so never reused.
    mStamp = FileStamp::Of(FileName) == stamp ? stamp : FileStamp();
    mAsLoaded = true;
    if (mImageFrames >= 2) {
        const mv::FrameDelays delays = ReadFrameDelays(mImage);
        if (delays.status == GpStatus::Ok && delays.milliseconds.size() >= mImageFrames) {
            mDelays = delays.milliseconds;
            mCurrentFrame = 0;
            mTimer->setInterval(1);
            mTimer->start();
        } else {
            // Without delays the picture area stays empty until another image loads.
            mRender.Cls(ColorRefOf(mBackColor));
            ++mRenderGeneration;
        }
    }
    update();
    UpdatePointer();
    return true;
}

void ucPlayer::DestroyImage()
{
    mTimer->stop();
    mImage.Dispose();
    mLayout.ClearDisplay();
    mLayout.SetRenderSize(QSize());
    mImageWidth = mImageHeight = mImageFrames = 0;
    mCurrentFrame = 0;
    mShownFrame = 0;
    mDelays.clear();
    mFitCache = QImage();
    mFitCacheGeneration = -1;
    mSpare = mRender.Image().sizeInBytes() <= MaxKeptBytes ? mRender.Image() : QImage();
    mRender.Destroy();
    mPath.clear();
    mStamp = FileStamp();
    mAsLoaded = false;
}

void ucPlayer::SetNeighbours(const QStringList &paths)
{
    PictureRequest request;
    request.renderBox = QSize(mMaxRenderWidth, mMaxRenderHeight);
    request.canvas = mBackColor;
    request.client = contentsRect().size();
    mReadAhead.SetWanted(mReadsAhead ? paths : QStringList(), request);
}

void ucPlayer::SetReadsAhead(bool on)
{
    mReadsAhead = on;
    if (!on)
        mReadAhead.Stop();
}

void ucPlayer::StopReadAhead()
{
    mReadAhead.Stop();
}

bool ucPlayer::Wanted(const PreparedPicture &picture) const
{
    return picture.render.size()
               == RenderSizeFor(picture.imageSize, QSize(mMaxRenderWidth, mMaxRenderHeight), mYuanShiDaXiao)
           && PictureBackground(picture.format, picture.canvas) == PictureBackground(picture.format, mBackColor);
}

bool ucPlayer::UsePrepared(PreparedPicture &picture)
{
    // The steps of a load, with the decode already done. The file is read again for the
    // image's later turns: the bytes must still be those the pixels came from.
    GpImage image = GpImage::LoadFromFile(picture.path);
    if (!IsReadAheadKind(image) || image.Format() != picture.format || image.Size() != picture.imageSize
        || FileStamp::Of(picture.path) != picture.stamp)
        return false;
    ++mRenderGeneration;
    if (!mRender.Adopt(std::move(picture.render)))
        return false;
    mImage = std::move(image);
    mImageWidth = mImage.Width();
    mImageHeight = mImage.Height();
    DoLayout();
    mImageFrames = mImage.FrameCount();
    mCurrentFrame = 0;
    mShownFrame = 0;
    mFitCache = std::move(picture.fitted);
    mFitCacheGeneration = mRenderGeneration;
    mPath = picture.path;
    mStamp = picture.stamp;
    mAsLoaded = true;
    update();
    UpdatePointer();
    return true;
}

void ucPlayer::OfferShown()
{
    // Stepping forward, the picture left is the previous neighbour: kept, not read again.
    // Not turned and at the fitted size, it is what a fresh load would give.
    const QSize box(mMaxRenderWidth, mMaxRenderHeight);
    if (!mAsLoaded || !mStamp.IsValid() || !mRender.hDIB() || !IsReadAheadKind(mImage)
        || mRender.Image().size() != RenderSizeFor(mImage.Size(), box, false) || !mReadAhead.HasRoomFor(mPath))
        return;
    PreparedPicture picture;
    picture.status = GpStatus::Ok;
    picture.path = mPath;
    picture.stamp = mStamp;
    picture.renderBox = box;
    picture.canvas = mBackColor;
    picture.format = mImage.Format();
    picture.imageSize = mImage.Size();
    picture.render = mRender.Image();
    if (mFitCacheGeneration == mRenderGeneration)
        picture.fitted = mFitCache;
    mRender.Destroy();
    mFitCache = QImage();
    mReadAhead.Offer(std::move(picture));
}

void ucPlayer::Refresh()
{
    update();
}

void ucPlayer::UpdatePointer()
{
    if (mBestFitMode || (mLayout.HMax() == 0 && mLayout.VMax() == 0))
        setCursor(Qt::ArrowCursor);
    else
        setCursor(CanvasCursor(mMouseIcon));
}

void ucPlayer::Rotate90CW()
{
    Turn(Rotate90FlipNone);
}

void ucPlayer::Rotate90ACW()
{
    Turn(Rotate270FlipNone);
}

void ucPlayer::Turn(int type)
{
    if (!mImage.IsLoaded())
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (mImage.RotateFlip(type) == GpStatus::Ok) {
        mAsLoaded = false;
        mImageWidth = mImage.Width();
        mImageHeight = mImage.Height();
        if (SetUpRenderBitmap())
            RenderFrame(mShownFrame);
        DoLayout();
        UpdatePointer();
        update();
    }
    QGuiApplication::restoreOverrideCursor();
}

void ucPlayer::CopyImage()
{
    if (!mImage.IsLoaded() || !mRender.hDIB())
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    cDIB copy;
    if (copy.Create(mRender.Width(), mRender.Height(), 24)) {
        QPainter painter(copy.hdc());
        mRender.Paint(painter, 0, 0, SRCCOPY, COLORONCOLOR);
        painter.end();
        copy.CopyToClipboard();
    }
    QGuiApplication::restoreOverrideCursor();
}

void ucPlayer::SetBackColor(const QColor &color)
{
    mBackColor = color;
    if (mImage.IsLoaded() && mRender.hDIB())
        RenderFrame(mShownFrame);
    update();
}

void ucPlayer::SetBestFitMode(bool on)
{
    mBestFitMode = on;
    DoLayout();
    UpdatePointer();
}

int ucPlayer::nMouseIcon()
{
    if (mMouseIcon == ToolZoomIn || mMouseIcon == ToolZoomOut)
        setCursor(CanvasCursor(mMouseIcon));
    else
        setCursor(Qt::ArrowCursor);
    return mMouseIcon;
}

void ucPlayer::SetZoom(double zoom)
{
    mZoom = zoom;
    DoLayout();
    UpdatePointer();
}

void ucPlayer::ZoomAbout(double zoom, QPointF clientPos)
{
    // The layout holds what is on the screen: the anchor's picture point is read from it.
    mBestFitMode = false;
    mZoom = zoom;
    mLayout.ZoomAbout(zoom, clientPos);
    UpdatePointer();
}

bool ucPlayer::Border() const
{
    return frameShape() != QFrame::NoFrame;
}

void ucPlayer::SetBorder(bool on)
{
    setFrameStyle(on ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    setLineWidth(1);
    DoLayout();
}

void ucPlayer::AnimationTick()
{
    if (!mImage.IsLoaded() || mImageFrames < 2 || mDelays.isEmpty()) {
        mTimer->stop();
        return;
    }
    RenderFrame(mCurrentFrame);
    update(mLayout.Display().translated(ClientOrigin()));
    mTimer->setInterval(mDelays.value(mCurrentFrame, 50));
    mCurrentFrame = (mCurrentFrame + 1) % mImageFrames;
}

bool ucPlayer::SetUpRenderBitmap()
{
    QSize size(mImageWidth, mImageHeight);
    if (!mYuanShiDaXiao)
        size = BestFitRect(size, QSize(mMaxRenderWidth, mMaxRenderHeight)).size();
    ++mRenderGeneration;
    return mRender.Create(size.width(), size.height(), 32, std::exchange(mSpare, QImage()));
}

GpStatus ucPlayer::RenderFrame(int frame)
{
    if (!mRender.hDIB())
        return GpStatus::WrongState;
    ++mRenderGeneration;
    ++mRenderCount;
    mShownFrame = frame;
    if (mImageFrames > 1)
        mImage.SelectActiveFrame(frame);
    mFitCache = QImage(); // it may share the render bitmap's pixels
    const QColor background = PictureBackground(mImage.Format(), mBackColor);
    QImage scratch = mReadAhead.BorrowScratch();
    const GpStatus status = mImage.DrawFrameInto(*mRender.hdc(), background, scratch);
    mReadAhead.ReturnScratch(std::move(scratch));
    if (status != GpStatus::Ok)
        mAsLoaded = false;
    return status;
}

void ucPlayer::DoLayout()
{
    mLayout.SetRenderSize(mRender.hDIB() ? QSize(mRender.Width(), mRender.Height()) : QSize());
    mLayout.SetClientSize(contentsRect().size());
    mLayout.SetBestFitMode(mBestFitMode);
    mLayout.SetZoom(mZoom);
    mLayout.Layout();
}

QPoint ucPlayer::ClientOrigin() const
{
    return contentsRect().topLeft();
}

void ucPlayer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect client = contentsRect();
    painter.setClipRect(client);
    painter.translate(client.topLeft());

    QRegion background(QRect(QPoint(0, 0), client.size()));
    if (mRender.hDIB()) {
        const PaintGeometry g = mLayout.Geometry();
        if (g.smooth) {
            // Reduced (best fit or a zoom below 1): smooth once per size, then blit.
            if (mFitCacheGeneration != mRenderGeneration || mFitCache.size() != g.scaled) {
                mFitCache = g.scaled == mRender.Image().size()
                                ? mRender.Image()
                                : mRender.Image().scaled(g.scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                mFitCacheGeneration = mRenderGeneration;
            }
            painter.drawImage(g.target.topLeft(), mFitCache, g.source);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(g.target, mRender.Image(), g.source);
        }
        background -= mLayout.Display();
    }
    for (const QRect &r : background)
        painter.fillRect(r, mBackColor);
    if (CannotDisplay()) {
        const QImage &picture = CannotDisplayPicture();
        painter.drawImage((client.width() - picture.width()) / 2, (client.height() - picture.height()) / 2, picture);
    }
}

void ucPlayer::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    DoLayout();
    update();
    emit Resize();
}

void ucPlayer::ShowToolCursor(int tool)
{
    setCursor(CanvasCursor(tool));
}

void ucPlayer::mousePressEvent(QMouseEvent *event)
{
    ShowToolCursor(mMouseIcon);
    mDragging = event->button() == Qt::LeftButton;
    const QPointF pos = event->position() - ClientOrigin();
    mLastMouse = QPoint(int(std::nearbyint(pos.x())), int(std::nearbyint(pos.y())));
    mSkipClick = false;
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), pos.x(), pos.y());
}

void ucPlayer::mouseMoveEvent(QMouseEvent *event)
{
    if (mMouseIcon == ToolHand) {
        if (mDragging)
            ShowToolCursor(ToolHand);
        else
            setCursor(Qt::ArrowCursor);
    } else {
        ShowToolCursor(mMouseIcon);
    }
    const QPointF pos = event->position() - ClientOrigin();
    if (mDragging && !mBestFitMode) {
        const bool moved = mLayout.DragBy(pos.x() - mLastMouse.x(), pos.y() - mLastMouse.y());
        mLastMouse = QPoint(int(std::nearbyint(pos.x())), int(std::nearbyint(pos.y())));
        if (moved)
            update();
    }
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), pos.x(), pos.y());
}

void ucPlayer::mouseReleaseEvent(QMouseEvent *event)
{
    if (mMouseIcon == ToolZoomIn || mMouseIcon == ToolZoomOut)
        ShowToolCursor(mMouseIcon);
    else
        setCursor(Qt::ArrowCursor);
    mDragging = false;
    if (event->button() == Qt::RightButton)
        emit RightClick();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && !mSkipClick)
        emit Click();
    mSkipClick = false;
}

void ucPlayer::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is not a new click.
    mSkipClick = true;
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

void ucPlayer::keyReleaseEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat()) {
        QFrame::keyReleaseEvent(event);
        return;
    }
    emit KeyUp(event->key(), ShiftCode(event->modifiers()));
}

} // namespace mv
