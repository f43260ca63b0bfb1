#pragma once

#include "controls/buttonbase.h"

#include <QColor>
#include <QIcon>
#include <QImage>

namespace mv {

// A picture on a button: an icon, drawn stretched to its box, or a bitmap, stretched and
// drawn with the button's mask colour transparent.
struct ButtonPicture {
    QIcon icon;
    QImage bitmap;

    bool isNull() const { return icon.isNull() && bitmap.isNull(); }
    QSize ownSize() const;
};

// Flat button: an icon (and caption) on the window's background, with a skin slice shown
// only while the pointer is over it, while it is pressed or while it is switched on.
class FlatCmd : public ButtonBase
{
    Q_OBJECT
public:
    explicit FlatCmd(QWidget *parent = nullptr);

    QString Caption() const { return mCaption; }
    void setCaption(const QString &caption);

    const ButtonPicture &Picture() const { return mPicture; }
    void setPicture(const QIcon &icon);
    void setPictureBitmap(const QImage &bitmap);
    const ButtonPicture &PictureHover() const { return mPictureHover; }
    void setPictureHover(const QIcon &icon);
    void setPictureHoverBitmap(const QImage &bitmap);
    // Skin strip: equal slices side by side (hover, pressed, switched on).
    QImage PictureBG() const { return mPictureBG; }
    void setPictureBG(const QImage &strip);

    // 0 above the caption, 1 left of it, 2 right of it, 3 below it.
    int PicturePosition() const { return mPicturePosition; }
    void setPicturePosition(int position);
    // 0: 16 x 16, 1: 32 x 32, 2: the picture's own size, other: PictureWidth x PictureHeight.
    int PictureSize() const { return mPictureSize; }
    void setPictureSize(int size);
    int PictureWidth() const { return mPictureWidth; }
    void setPictureWidth(int width);
    int PictureHeight() const { return mPictureHeight; }
    void setPictureHeight(int height);
    int OriginalPicSizeW() const { return mOriginalSize.width(); }
    int OriginalPicSizeH() const { return mOriginalSize.height(); }

    // The skin has a third slice and the button can be switched on.
    bool Checked() const { return mChecked; }
    void setChecked(bool checked);
    bool Status() const { return mStatus; }
    void setStatus(bool on);

    QColor BackColor() const { return mBackColor; }
    void setBackColor(const QColor &colour);
    QColor ForeColor() const { return mForeColor; }
    void setForeColor(const QColor &colour);
    QColor MaskColor() const { return mMaskColor; }
    void setMaskColor(const QColor &colour);
    bool NoBorderEffect() const { return mNoBorderEffect; }
    void setNoBorderEffect(bool on);
    bool TransparentBG() const { return mTransparentBG; }
    void setTransparentBG(bool on);

    // Colour of the button's pixel as shown, as decimal red, green and blue written one
    // after the other ("2550255" for magenta); empty outside the button.
    QString GetRGB(int x, int y) const;

    // The skin slice drawn in the present state, or -1 for none.
    int ShownSlice() const;
    // Where the picture and the caption are drawn in the present state.
    QRect PictureRect() const;
    QRect CaptionRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void HoverChanged(bool hovering) override;

private:
    void applySize();
    void setOwnSize(const ButtonPicture &picture);
    QSize pictureBoxSize() const;
    void layoutBoxes(QRect *pictureBox, QRect *captionBox) const;
    const ButtonPicture &drawnPicture() const;
    QImage renderPicture(const ButtonPicture &picture, QSize size) const;

    QString mCaption;
    ButtonPicture mPicture;
    ButtonPicture mPictureHover;
    QImage mPictureBG;
    QImage mSlices[3];
    int mSliceCount = 0;
    int mPicturePosition = 1;
    int mPictureSize = 2;
    int mPictureWidth = 16;
    int mPictureHeight = 16;
    QSize mOriginalSize{16, 16};
    bool mChecked = false;
    bool mStatus = false;
    bool mShowHover = false;
    QColor mBackColor;
    QColor mForeColor;
    QColor mMaskColor{0, 0, 0};
    bool mNoBorderEffect = false;
    bool mTransparentBG = true;
};

} // namespace mv
