#include "updater/progbar.h"

#include "controls/theme.h"

#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <cmath>

namespace mv {

namespace {

int channel(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, 255));
}

int clampInt(double value)
{
    if (!(value == value)) // NaN
        return 0;
    return int(std::clamp(value, double(INT_MIN), double(INT_MAX)));
}

QColor mix(const QColor &c1, const QColor &c2, double t)
{
    const auto at = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QColor(at(c1.red(), c2.red()), at(c1.green(), c2.green()), at(c1.blue(), c2.blue()));
}

// A band across the thickness: the colour in its middle third, shaded towards the light
// colour along both long edges.
void shadedBand(QPainter &painter, const QRect &band, const QColor &colour, const QColor &light)
{
    const int rows = band.height();
    const int third = std::max(1, rows / 3);
    for (int k = 0; k < rows; ++k) {
        QColor c = colour;
        if (k < third)
            c = mix(light, colour, double(k) / third);
        else if (k >= rows - third)
            c = mix(colour, light, double(k - (rows - third) + 1) / third);
        painter.fillRect(QRect(band.left(), band.top() + k, band.width(), 1), c);
    }
}

// The rounded grey frame of styles 0, 1, 2 and 6.
void roundedFrame(QPainter &painter, int length, int thickness)
{
    const int r = length - 1;
    const int b = thickness - 1;
    Line(painter, 2, 0, r - 2, 0, theme::ProgBarOuter);
    Line(painter, 2, b, r - 2, b, theme::ProgBarOuter);
    Line(painter, 0, 2, 0, b - 2, theme::ProgBarOuter);
    Line(painter, r, 2, r, b - 2, theme::ProgBarOuter);
    Line(painter, 2, 1, r - 2, 1, theme::ProgBarInner);
    Line(painter, 2, b - 1, r - 2, b - 1, theme::ProgBarInner);
    Line(painter, 1, 2, 1, b - 2, theme::ProgBarInner);
    Line(painter, r - 1, 2, r - 1, b - 2, theme::ProgBarInner);
    // Each corner rounded off by single grey pixels.
    for (const QPoint p : {QPoint(1, 1), QPoint(r - 1, 1), QPoint(1, b - 1), QPoint(r - 1, b - 1), QPoint(1, 0),
                           QPoint(0, 1), QPoint(r - 1, 0), QPoint(r, 1), QPoint(1, b), QPoint(0, b - 1),
                           QPoint(r - 1, b), QPoint(r, b - 1)})
        painter.fillRect(QRect(p, QSize(1, 1)), theme::ProgBarCorner);
}

void rectLine(QPainter &painter, const QRect &r, const QColor &colour)
{
    Line(painter, r.left(), r.top(), r.right(), r.top(), colour);
    Line(painter, r.left(), r.bottom(), r.right(), r.bottom(), colour);
    Line(painter, r.left(), r.top(), r.left(), r.bottom(), colour);
    Line(painter, r.right(), r.top(), r.right(), r.bottom(), colour);
}

// A one-pixel edge: dark along the top and left, light along the bottom and right.
void edge(QPainter &painter, const QRect &r, const QColor &topLeft, const QColor &bottomRight)
{
    Line(painter, r.left(), r.top(), r.right(), r.top(), topLeft);
    Line(painter, r.left(), r.top(), r.left(), r.bottom(), topLeft);
    Line(painter, r.left(), r.bottom(), r.right(), r.bottom(), bottomRight);
    Line(painter, r.right(), r.top(), r.right(), r.bottom(), bottomRight);
}

const QColor &Shadow = theme::EdgeShadow;
const QColor &DarkShadow = theme::EdgeDarkShadow;
const QColor &Light = theme::EdgeLight;
const QColor &Highlight = theme::EdgeHighlight;

Qt::BrushStyle hatch(int style)
{
    switch (style) {
    case 0:
        return Qt::HorPattern;
    case 1:
        return Qt::VerPattern;
    case 2:
        return Qt::FDiagPattern;
    case 3:
        return Qt::BDiagPattern;
    case 4:
        return Qt::CrossPattern;
    case 5:
        return Qt::DiagCrossPattern;
    default:
        return Qt::NoBrush;
    }
}

} // namespace

QColor Lighten(const QColor &colour, int amount)
{
    const auto ch = [amount](int c) { return channel(amount + qint64(c) * (255 - amount) / 255); };
    return QColor(ch(colour.red()), ch(colour.green()), ch(colour.blue()));
}

QColor Blend(const QColor &c1, const QColor &c2, int weight)
{
    const auto ch = [weight](int a, int b) {
        return channel(std::llround(b * (255.0 - weight) / 255.0 + a * double(weight) / 255.0));
    };
    return QColor(ch(c1.red(), c2.red()), ch(c1.green(), c2.green()), ch(c1.blue(), c2.blue()));
}

void Gradient(QPainter &painter, const QColor &c1, const QColor &c2, const QRect &rect, Qt::Orientation direction)
{
    const int steps = direction == Qt::Horizontal ? rect.width() : rect.height();
    for (int i = 0; i < steps; ++i) {
        const QColor c = mix(c1, c2, steps > 1 ? double(i) / (steps - 1) : 0.0);
        if (direction == Qt::Horizontal)
            painter.fillRect(QRect(rect.left() + i, rect.top(), 1, rect.height()), c);
        else
            painter.fillRect(QRect(rect.left(), rect.top() + i, rect.width(), 1), c);
    }
}

void Line(QPainter &painter, int x1, int y1, int x2, int y2, const QColor &colour)
{
    if (y1 == y2)
        painter.fillRect(QRect(QPoint(std::min(x1, x2), y1), QPoint(std::max(x1, x2), y1)), colour);
    else if (x1 == x2)
        painter.fillRect(QRect(QPoint(x1, std::min(y1, y2)), QPoint(x1, std::max(y1, y2))), colour);
    else {
        painter.setPen(colour);
        painter.drawLine(x1, y1, x2, y2);
    }
}

int ValueToPercentage(qint64 value, qint64 min, qint64 max)
{
    if (max == 0)
        return 0;
    return clampInt(std::nearbyint(double(value) * 100.0 / double(max) + double(min)));
}

int PercentageToValue(qint64 percentage, qint64 min, qint64 max)
{
    const double m = min > 0 ? double(min) : 1.0;
    return clampInt(std::nearbyint(double(percentage) / 100.0 * double(max) / m));
}

ProgBar::ProgBar(QWidget *parent)
    : QWidget(parent)
    , mColor(theme::Highlight)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    mTimer.setInterval(theme::AutoScrollInterval);
    connect(&mTimer, &QTimer::timeout, this, &ProgBar::StepAutoScroll);
    DrawProgressBar();
}

int ProgBar::Value() const
{
    return PercentageToValue(mPercentage, mMin, mMax);
}

void ProgBar::setValue(int value)
{
    mPercentage = ValueToPercentage(value, mMin, mMax);
    DrawProgressBar();
}

void ProgBar::setScrolling(int style)
{
    mScrolling = style;
    DrawProgressBar();
}

void ProgBar::setColor(const QColor &colour)
{
    mColor = colour.toRgb();
    DrawProgressBar();
}

void ProgBar::setImage(const QImage &image)
{
    mImage = image;
    DrawProgressBar();
}

void ProgBar::setOrientation(int orientation)
{
    mOrientation = orientation;
    DrawProgressBar();
}

void ProgBar::setShowText(bool show)
{
    mShowText = show;
    DrawProgressBar();
}

void ProgBar::setAutoScroll(bool on)
{
    mAutoScroll = on;
    if (on)
        mTimer.start();
    else
        mTimer.stop();
}

void ProgBar::StepAutoScroll()
{
    if (mPercentage > 99) {
        mPercentage = 0;
        DrawProgressBar();
    }
    ++mPercentage;
    DrawProgressBar();
}

QString ProgBar::Text() const
{
    if (mScrolling == 2)
        return QStringLiteral("Searching..");
    return QString::number(mPercentage) + QStringLiteral(" %");
}

QImage ProgBar::Picture() const
{
    if (mBuffer.width() >= width() && mBuffer.height() >= height())
        return mBuffer.copy(0, 0, width(), height());
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    const_cast<ProgBar *>(this)->render(painter, size());
    return image;
}

void ProgBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    DrawProgressBar();
}

void ProgBar::DrawProgressBar()
{
    mPercentage = std::min(mPercentage, 100);
    const QSize needed = size();
    if (needed.isEmpty())
        return;
    if (mBuffer.width() < needed.width() || mBuffer.height() < needed.height()) {
        // Made again only when the control has grown beyond it.
        mBuffer = QImage(needed.expandedTo(mBuffer.size()), QImage::Format_RGB32);
    }
    if (!mBuffer.isNull()) {
        QPainter painter(&mBuffer);
        render(painter, needed);
    }
    update();
}

void ProgBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (mBuffer.width() >= width() && mBuffer.height() >= height()) {
        painter.drawImage(QPoint(0, 0), mBuffer, rect());
        return;
    }
    // No off-screen bitmap: draw straight onto the control.
    render(painter, size());
}

void ProgBar::render(QPainter &painter, QSize size)
{
    painter.save();
    painter.setClipRect(QRect(QPoint(0, 0), size));
    painter.fillRect(QRect(QPoint(0, 0), size), mScrolling == 6 ? QColor(Qt::black) : QColor(Qt::white));
    const bool vertical = mOrientation != 0;
    const int length = vertical ? size.height() : size.width();
    const int thickness = vertical ? size.width() : size.height();
    QTransform toDevice;
    if (vertical) {
        // Along the bar runs upwards: the fill grows from the bottom.
        toDevice.translate(0, size.height());
        toDevice.rotate(-90);
    }
    painter.setTransform(toDevice);
    QRect fill;
    drawStyle(painter, length, thickness, &fill);
    painter.resetTransform();
    mFillStart = fill.left();
    mFillEnd = fill.left() + fill.width();
    drawText(painter, size, fill.isEmpty() ? QRect() : toDevice.mapRect(fill));
    painter.restore();
}

void ProgBar::drawStyle(QPainter &painter, int length, int thickness, QRect *fill)
{
    const int pct = std::max(mPercentage, 0);
    const QColor c = mColor;
    const auto endOf = [&](int left, double d, int w) { return left + int(pct / d * w); };
    const auto clipped = [](int left, int end, int right) { return std::clamp(end, left, right); };

    switch (mScrolling) {
    case 0:
    case 1:
    case 2: {
        roundedFrame(painter, length, thickness);
        const int left = 3;
        const int right = length - 3;
        const QRect band(0, 3, 0, thickness - 6);
        const double fraction = std::min(pct / 98.0, 1.0);
        const int step = mScrolling == 0 ? 8 : 2;
        const double raw = left + (right - left) * fraction;
        int end = left + int(std::floor((raw - left) / step)) * step;
        end = std::max(end, left);
        if (mScrolling == 0) {
            if (end > left && end - left < 15)
                end = left + 12;
            if (end > left && right - end < 4)
                end -= 4;
        }
        end = std::min(end, right);
        *fill = QRect(left, band.top(), end - left, band.height());
        const QColor light = Lighten(c, 150);
        if (mScrolling == 0) {
            for (int x = left; x < end; x += 8)
                shadedBand(painter, QRect(x, band.top(), std::min(6, end - x), band.height()), c, light);
        } else if (mScrolling == 1) {
            shadedBand(painter, *fill, c, light);
        } else {
            painter.save();
            painter.setClipRect(QRect(left, band.top(), right - left, band.height()), Qt::IntersectClip);
            const int first = end - 45 * (100 - pct) / 100;
            for (int i = 0; i < 3; ++i)
                Gradient(painter, Lighten(c, 220 - 40 * i), Lighten(c, 200 - 40 * i),
                         QRect(first + 12 * i, band.top(), 10, band.height()), Qt::Horizontal);
            painter.restore();
        }
        break;
    }
    case 3: {
        rectLine(painter, QRect(0, 0, length, thickness), Lighten(c, 100));
        const int end = clipped(1, endOf(1, 100, length), length - 1);
        *fill = QRect(1, 1, end - 1, thickness - 2);
        painter.fillRect(*fill, Lighten(c, 180));
        break;
    }
    case 4: {
        // Etched: a sunken line with a raised one inside it.
        edge(painter, QRect(0, 0, length, thickness), Shadow, Highlight);
        edge(painter, QRect(1, 1, length - 2, thickness - 2), Highlight, Shadow);
        const int end = clipped(2, endOf(2, 100, length - 4), length - 2);
        *fill = QRect(2, 2, end - 2, thickness - 4);
        Gradient(painter, Lighten(c, 140), Lighten(c, 200), *fill, Qt::Vertical);
        break;
    }
    case 5: {
        rectLine(painter, QRect(0, 0, length, thickness), Lighten(c, 10));
        const QRect inside(1, 1, length - 2, thickness - 2);
        Gradient(painter, c, Lighten(c, 100), inside, Qt::Vertical);
        const int end = clipped(1, endOf(1, 101, length), length - 1);
        *fill = QRect(1, 1, end - 1, thickness - 2);
        Gradient(painter, Lighten(c, 250), c, *fill, Qt::Vertical);
        if (end < length - 1)
            Line(painter, end, 1, end, thickness - 2, Lighten(c, 25));
        break;
    }
    case 6: {
        const int end = clipped(2, endOf(2, 100, length - 4), length - 2);
        const int top = 2;
        const int rows = thickness - 4;
        const int upper = rows / 2;
        const QRect empty(end, top, length - 2 - end, rows);
        Gradient(painter, Qt::white, theme::Silver, QRect(empty.left(), top, empty.width(), upper), Qt::Vertical);
        painter.fillRect(QRect(empty.left(), top + upper, empty.width(), rows - upper), theme::Silver);
        *fill = QRect(2, top, end - 2, rows);
        Gradient(painter, Lighten(c, 150), Blend(c, Qt::black, 180), QRect(2, top, end - 2, upper), Qt::Vertical);
        Gradient(painter, Blend(c, Qt::black, 190), c, QRect(2, top + upper, end - 2, rows - upper), Qt::Vertical);
        roundedFrame(painter, length, thickness);
        break;
    }
    case 7: {
        // Bump: a raised line with a sunken one inside it.
        edge(painter, QRect(0, 0, length, thickness), Light, DarkShadow);
        edge(painter, QRect(1, 1, length - 2, thickness - 2), Shadow, Highlight);
        const int end = clipped(2, endOf(2, 101, length), length - 2);
        *fill = QRect(2, 2, end - 2, thickness - 4);
        painter.fillRect(*fill, Lighten(c, 140));
        if (hatch(mBrushStyle) != Qt::NoBrush)
            painter.fillRect(*fill, QBrush(c, hatch(mBrushStyle)));
        break;
    }
    case 8: {
        edge(painter, QRect(0, 0, length, thickness), Shadow, Highlight);
        const int end = clipped(1, endOf(1, 101, length), length - 1);
        *fill = QRect(1, 1, end - 1, thickness - 2);
        if (!mImage.isNull())
            painter.fillRect(*fill, QBrush(mImage));
        break;
    }
    case 9: {
        rectLine(painter, QRect(0, 0, length, thickness), Blend(c, Qt::black, 200));
        const int end = clipped(1, endOf(1, 100, length - 5), length - 1);
        *fill = QRect(1, 1, end - 1, thickness - 2);
        Gradient(painter, Qt::black, Lighten(Blend(c, Qt::black, 100), 10), *fill, Qt::Vertical);
        break;
    }
    default:
        *fill = QRect();
        break;
    }
}

void ProgBar::drawText(QPainter &painter, QSize size, const QRect &fill)
{
    if (!mShowText)
        return;
    const QString text = Text();
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const QSize extent(metrics.horizontalAdvance(text), metrics.height());
    const QRect box(QPoint((size.width() - extent.width()) / 2, (size.height() - extent.height()) / 2), extent);
    const QColor plain = mScrolling == 6 ? theme::Silver : QColor(Qt::black);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    if ((mScrolling == 6 || mScrolling == 9) && !fill.isEmpty()) {
        // White over the fill, the plain colour beyond it.
        const QRegion all(QRect(QPoint(0, 0), size));
        painter.save();
        painter.setClipRegion(all.subtracted(fill));
        painter.setPen(plain);
        painter.drawText(box, flags, text);
        painter.setClipRect(fill);
        painter.setPen(Qt::white);
        painter.drawText(box, flags, text);
        painter.restore();
        return;
    }
    painter.setPen(plain);
    painter.drawText(box, flags, text);
}

} // namespace mv
