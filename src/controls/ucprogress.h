#pragma once

#include <QColor>
#include <QWidget>

namespace mv {

// The filled length in pixels of a plain progress bar: (inner × value, rounded) ÷ max.
// Above max it runs past the bar, below zero it is negative; a max of 0 counts as 1.
int FilledLength(int inner, qint64 value, qint64 max);

// Plain two-colour progress bar.
class ucProgress : public QWidget
{
    Q_OBJECT
public:
    explicit ucProgress(QWidget *parent = nullptr);

    int Value() const { return mValue; }
    void setValue(int value);
    int Max() const { return mMax; }
    void setMax(int max);
    // 0 horizontal (fills from the left), 1 vertical (fills from the bottom).
    int Orientation() const { return mOrientation; }
    void setOrientation(int orientation);
    // 0 none, 1 thin flat edge, 2 sunken edge.
    int BorderStyle() const { return mBorderStyle; }
    void setBorderStyle(int style);
    QColor ForeColor() const { return mForeColor; }
    void setForeColor(const QColor &colour);
    QColor BackColor() const { return mBackColor; }
    void setBackColor(const QColor &colour);

    // The length drawn last and the two rectangles inside the border.
    int FilledPixels() const { return mFilled; }
    QRect FilledRect() const { return mFilledRect; }
    QRect EmptyRect() const { return mEmptyRect; }

signals:
    void Click();
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int edgeWidth() const;
    int computeFilled() const;
    void layoutRects();

    int mValue = 0;
    int mMax = 100;
    int mOrientation = 0;
    int mBorderStyle = 2;
    QColor mForeColor;
    QColor mBackColor;
    int mFilled = 0;
    QRect mFilledRect;
    QRect mEmptyRect;
    bool mPressedInside = false;
};

} // namespace mv
