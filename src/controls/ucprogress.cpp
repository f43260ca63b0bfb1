#include "controls/ucprogress.h"

#include "controls/buttonbase.h"
#include "controls/theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace mv {

int FilledLength(int inner, qint64 value, qint64 max)
{
    if (max == 0)
        max = 1;
    // Half-to-even, as whole-number conversion does.
    const qint64 scaled = qint64(std::nearbyint(double(inner) * double(value)));
    return int(std::clamp<qint64>(scaled / max, -(1 << 30), 1 << 30));
}

ucProgress::ucProgress(QWidget *parent)
    : QWidget(parent)
    , mForeColor(theme::Highlight)
    , mBackColor(theme::ProgressBack)
{
    layoutRects();
}

int ucProgress::edgeWidth() const
{
    return mBorderStyle == 2 ? 2 : mBorderStyle == 1 ? 1 : 0;
}

int ucProgress::computeFilled() const
{
    const QRect inner = rect().adjusted(edgeWidth(), edgeWidth(), -edgeWidth(), -edgeWidth());
    return FilledLength(mOrientation == 1 ? inner.height() : inner.width(), mValue, mMax);
}

void ucProgress::layoutRects()
{
    const int edge = edgeWidth();
    const QRect inner = rect().adjusted(edge, edge, -edge, -edge);
    mFilled = computeFilled();
    if (mOrientation == 1) {
        const int filled = std::clamp(mFilled, 0, std::max(inner.height(), 0));
        mFilledRect = QRect(inner.left(), inner.bottom() - filled + 1, inner.width(), filled);
        mEmptyRect = QRect(inner.left(), inner.top(), inner.width(), inner.height() - filled);
    } else {
        const int filled = std::clamp(mFilled, 0, std::max(inner.width(), 0));
        mFilledRect = QRect(inner.left(), inner.top(), filled, inner.height());
        mEmptyRect = QRect(inner.left() + filled, inner.top(), inner.width() - filled, inner.height());
    }
}

void ucProgress::setValue(int value)
{
    mValue = value;
    // Frequent updates that give the same length cost nothing.
    if (computeFilled() == mFilled)
        return;
    layoutRects();
    update();
}

void ucProgress::setMax(int max)
{
    mMax = max == 0 ? 1 : max;
    layoutRects();
    update();
}

void ucProgress::setOrientation(int orientation)
{
    if (orientation != mOrientation) {
        // The bar turns about its top-left corner.
        const QRect old = geometry();
        mOrientation = orientation;
        setGeometry(QRect(old.topLeft(), QSize(old.height(), old.width())));
    }
    layoutRects();
    update();
}

void ucProgress::setBorderStyle(int style)
{
    mBorderStyle = style;
    layoutRects();
    update();
}

void ucProgress::setForeColor(const QColor &colour)
{
    mForeColor = colour;
    update();
}

void ucProgress::setBackColor(const QColor &colour)
{
    mBackColor = colour;
    update();
}

void ucProgress::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutRects();
}

void ucProgress::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(mFilledRect, mForeColor);
    painter.fillRect(mEmptyRect, mBackColor);
    const QRect r = rect();
    if (mBorderStyle == 1) {
        painter.setPen(theme::FlatEdge);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    } else if (mBorderStyle == 2) {
        const auto edge = [&](int inset, const QColor &dark, const QColor &light) {
            const QRect e = r.adjusted(inset, inset, -inset - 1, -inset - 1);
            painter.setPen(dark);
            painter.drawLine(e.topLeft(), e.topRight());
            painter.drawLine(e.topLeft(), e.bottomLeft());
            painter.setPen(light);
            painter.drawLine(e.bottomLeft(), e.bottomRight());
            painter.drawLine(e.topRight(), e.bottomRight());
        };
        edge(0, theme::SunkenOuterDark, theme::SunkenOuterLight);
        edge(1, theme::SunkenInnerDark, theme::SunkenInnerLight);
    }
}

void ucProgress::mousePressEvent(QMouseEvent *event)
{
    mPressedInside = true;
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), float(event->position().x()),
                   float(event->position().y()));
}

void ucProgress::mouseMoveEvent(QMouseEvent *event)
{
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), float(event->position().x()),
                   float(event->position().y()));
}

void ucProgress::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = mPressedInside && event->button() == Qt::LeftButton
                       && rect().contains(event->position().toPoint());
    mPressedInside = false;
    emit MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()), float(event->position().x()),
                 float(event->position().y()));
    if (click)
        emit Click();
}

} // namespace mv
