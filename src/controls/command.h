#pragma once

#include "controls/buttonbase.h"

#include <QColor>
#include <QImage>

namespace mv {

// Picture button: its whole look is one frame of a strip of equal frames side by side
// (4 frames, 6 for a two-state button).
class Command : public ButtonBase
{
    Q_OBJECT
public:
    explicit Command(QWidget *parent = nullptr);

    QImage Picture() const { return mPicture; }
    void setPicture(const QImage &strip);
    QString Caption() const { return mCaption; }
    void setCaption(const QString &caption);
    QColor ForeColor() const { return mForeColor; }
    void setForeColor(const QColor &colour);
    bool Status() const { return mStatus; }
    void setStatus(bool on);
    // Two-state button: the strip has 6 frames.
    bool Check() const { return mCheck; }
    void setCheck(bool check);

    // The frame drawn in the present state (0-based index into the strip).
    int Frame() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int frameCount() const { return mCheck ? 6 : 4; }
    void applySize();

    QImage mPicture;
    QString mCaption;
    QColor mForeColor;
    bool mStatus = false;
    bool mCheck = false;
};

} // namespace mv
