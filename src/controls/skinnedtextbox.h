#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class QComboBox;
class QLineEdit;

namespace mv {

// What Combo and SearchText share: a frame of pictures (a stretched middle, a right end
// cap, optionally a left icon), a borderless text box TxtData on top and a list Combo1
// lying beneath the frame.
class SkinnedTextBox : public QWidget
{
    Q_OBJECT
public:
    explicit SkinnedTextBox(QWidget *parent = nullptr);

    QLineEdit *TxtData = nullptr;
    QComboBox *Combo1 = nullptr;

    QString Text() const;
    virtual void setText(const QString &text);
    QColor BackColor() const { return mBackColor; }
    void setBackColor(const QColor &colour);
    QColor ForeColor() const { return mForeColor; }
    void setForeColor(const QColor &colour);
    int MaxLength() const;
    void setMaxLength(int length);
    bool Locked() const;
    void setLocked(bool locked);
    // Shown as plain text (the box often shows a path).
    QString ToolTipText() const { return mToolTipText; }
    void setToolTipText(const QString &text);
    QString FieldName() const { return mFieldName; }
    void setFieldName(const QString &name) { mFieldName = name; }

    void AddItem(const QString &text);
    void RemoveItem(int index);
    void Clear();
    QString List(int index) const;
    int ListCount() const;
    int ListIndex() const;
    virtual void setListIndex(int index);

    // Text box background back to white (and, for the path box, the drop button at rest).
    virtual void ResetPic();
    virtual bool ControlIsExist(int index) const;

    // The frame pictures; sizes come from the pictures.
    void setFramePictures(const QImage &left, const QImage &middle, const QImage &endCap);

signals:
    void Click();
    void Change();
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseDown(int Button, int Shift, float X, float Y);

protected:
    int leftWidth() const { return mLeft.width(); }
    int endCapWidth() const { return mEndCap.width(); }
    // Where the text box goes for the present width.
    virtual QRect textBoxRect() const = 0;
    // A click on the middle picture.
    virtual void middleClicked() = 0;
    virtual void layoutPieces();
    void applyColours();

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QImage mLeft;
    QImage mMiddle;
    QImage mEndCap;
    QColor mBackColor;
    QColor mForeColor;
    QString mFieldName;
    QString mToolTipText;
    bool mTextPressed = false;
};

} // namespace mv
