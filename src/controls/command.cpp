#include "controls/command.h"

#include "controls/theme.h"

#include <QEvent>
#include <QPainter>

namespace mv {

Command::Command(QWidget *parent)
    : ButtonBase(parent)
    , mForeColor(theme::ButtonText)
{
}

void Command::setPicture(const QImage &strip)
{
    mPicture = strip;
    applySize();
    update();
}

void Command::setCaption(const QString &caption)
{
    mCaption = caption;
    update();
}

void Command::setForeColor(const QColor &colour)
{
    mForeColor = colour;
    update();
}

void Command::setStatus(bool on)
{
    mStatus = on;
    update();
}

void Command::setCheck(bool check)
{
    mCheck = check;
    applySize();
    update();
}

void Command::applySize()
{
    if (mPicture.isNull())
        return;
    const int width = mPicture.width() / frameCount();
    if (width > 0)
        setFixedSize(width, mPicture.height());
}

int Command::Frame() const
{
    if (!isEnabled())
        return 0;
    if (ShowsPressed())
        // A four-frame strip has no switched-on pressed frame.
        return mStatus && mCheck ? 5 : 3;
    if (Hovering())
        return mStatus && mCheck ? 4 : 2;
    return mStatus ? 0 : 1;
}

void Command::changeEvent(QEvent *event)
{
    ButtonBase::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

void Command::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!mPicture.isNull()) {
        const int width = mPicture.width() / frameCount();
        painter.drawImage(QPoint(0, 0), mPicture, QRect(Frame() * width, 0, width, mPicture.height()));
    }
    if (!mCaption.isEmpty()) {
        painter.setPen(mForeColor);
        painter.setFont(font());
        const QSize text = fontMetrics().size(0, mCaption);
        const QPoint at((width() - text.width()) / 2, (height() - text.height()) / 2);
        painter.drawText(QRect(at, text), Qt::AlignLeft | Qt::AlignTop, mCaption);
    }
}

} // namespace mv
