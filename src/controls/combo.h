#pragma once

#include "controls/skinnedtextbox.h"

#include <QLabel>
#include <QList>
#include <QTimer>

class QAbstractItemView;

namespace mv {

// Opens the combo box's list when it is closed and closes it when it is open.
void OpenCombo(QComboBox *combo);
// The combo box's list gets about this height in pixels, the combo box included.
void SetComboHeight(QComboBox *combo, int height);

// One folder name of the breadcrumbs; its tag is the full path up to and including it.
// Folder names are shown as plain text, whatever they look like.
class CrumbLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CrumbLabel(QWidget *parent = nullptr);
    QString Tag;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// The drop-down button of the path box: pictures 0 normal, 1 under the pointer,
// 2 pressed, 3 disabled.
class DropButton : public QWidget
{
    Q_OBJECT
public:
    explicit DropButton(QWidget *parent = nullptr);
    void setPictures(const QList<QImage> &pictures);
    int Shown() const { return mShown; }
    void ShowPicture(int picture);
    bool Hovering() const { return mHovering; }

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void checkPointer();
    void endHover();

    QList<QImage> mPictures;
    int mShown = 0;
    bool mHovering = false;
    QTimer mTimer;
};

// The skinned path box: the current folder as a row of clickable folder names
// (breadcrumb mode, Style 1) or as editable text (edit mode, Style 0), and a list of
// earlier entries behind a drop-down button.
class Combo : public SkinnedTextBox
{
    Q_OBJECT
public:
    explicit Combo(QWidget *parent = nullptr);

    void setText(const QString &text) override;
    int Style() const { return mStyle; }
    void setStyle(int style);
    void setListIndex(int index) override;
    void ResetPic() override;
    bool ControlIsExist(int index) const override;

    void DrawPath(const QString &path);

    // The breadcrumb pieces, for the window's layout and for tests.
    QWidget *Panel() const { return mPanel; }
    DropButton *Drop() const { return mDrop; }
    int LabelCount() const { return int(mLabels.size()); }
    CrumbLabel *Label(int index) const { return mLabels.value(index); }
    QLabel *Arrow(int index) const { return mArrows.value(index); }
    void setDropPictures(const QList<QImage> &pictures);
    void setArrowPicture(const QImage &arrow);

protected:
    QRect textBoxRect() const override;
    void middleClicked() override;
    void layoutPieces() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ensureCrumb(int index);
    void editMode();
    void breadcrumbMode();
    void dropPressed();
    void entryChosen(int index);

    int mStyle = 0;
    QWidget *mPanel = nullptr;
    DropButton *mDrop = nullptr;
    QList<CrumbLabel *> mLabels;
    QList<QLabel *> mArrows;
    QImage mArrow;
};

} // namespace mv
