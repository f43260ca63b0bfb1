#pragma once

#include <QColor>
#include <QImage>
#include <QTimer>
#include <QWidget>

class QPainter;

namespace mv {

// Colour helpers of the updater's progress bar.
// Each channel becomes a + channel × (255 − a) ÷ 255, at most 255: 255 gives white.
QColor Lighten(const QColor &colour, int amount);
// Each channel becomes c2 × (255 − w) ÷ 255 + c1 × w ÷ 255, rounded.
QColor Blend(const QColor &c1, const QColor &c2, int weight);
// A linear blend from c1 to c2 in one-pixel lines across the rectangle: Qt::Horizontal
// runs from left to right, Qt::Vertical from top to bottom.
void Gradient(QPainter &painter, const QColor &c1, const QColor &c2, const QRect &rect, Qt::Orientation direction);
// A one-pixel line, horizontal or vertical.
void Line(QPainter &painter, int x1, int y1, int x2, int y2, const QColor &colour);

// Value ↔ percentage: v × 100 ÷ max + min, and percentage ÷ 100 × max ÷ (min > 0 ? min : 1),
// both rounded half to even. A max of 0 gives 0 %.
int ValueToPercentage(qint64 value, qint64 min, qint64 max);
int PercentageToValue(qint64 percentage, qint64 min, qint64 max);

// Owner-drawn progress bar with ten drawing styles, an optional percentage text, vertical
// orientation and a cycling mode. Each drawing is made off screen and shown in one step.
class ProgBar : public QWidget
{
    Q_OBJECT
public:
    explicit ProgBar(QWidget *parent = nullptr);

    int Value() const;
    void setValue(int value);
    int Min() const { return mMin; }
    void setMin(int min) { mMin = min; }
    int Max() const { return mMax; }
    void setMax(int max) { mMax = max; }
    // Drawing style 0 to 9.
    int Scrolling() const { return mScrolling; }
    void setScrolling(int style);
    // Hatch pattern of style 7: 0 horizontal, 1 vertical, 2 forward diagonal, 3 backward
    // diagonal, 4 cross, 5 diagonal cross.
    int BrushStyle() const { return mBrushStyle; }
    void setBrushStyle(int style) { mBrushStyle = style; }
    QColor Color() const { return mColor; }
    void setColor(const QColor &colour);
    // Pattern of style 8.
    QImage Image() const { return mImage; }
    void setImage(const QImage &image);
    // 0 horizontal (left to right), anything else vertical (bottom to top).
    int Orientation() const { return mOrientation; }
    void setOrientation(int orientation);
    bool ShowText() const { return mShowText; }
    void setShowText(bool show);
    bool AutoScroll() const { return mAutoScroll; }
    void setAutoScroll(bool on);

    int Percentage() const { return mPercentage; }
    // The text the bar shows, whether or not ShowText is set.
    QString Text() const;
    // Along the fill direction: where the fill of the last drawing began and ended.
    int FillStart() const { return mFillStart; }
    int FillEnd() const { return mFillEnd; }
    // The last drawing.
    QImage Picture() const;

    void DrawProgressBar();
    // One tick of the cycling timer.
    void StepAutoScroll();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void render(QPainter &painter, QSize size);
    void drawStyle(QPainter &painter, int length, int thickness, QRect *fill);
    void drawText(QPainter &painter, QSize size, const QRect &fill);

    int mPercentage = 0;
    int mMin = 0;
    int mMax = 100;
    int mScrolling = 0;
    int mBrushStyle = 4;
    QColor mColor;
    QImage mImage;
    int mOrientation = 0;
    bool mShowText = false;
    bool mAutoScroll = false;
    int mFillStart = 0;
    int mFillEnd = 0;
    QImage mBuffer;
    QTimer mTimer;
};

} // namespace mv
