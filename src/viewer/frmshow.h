#pragma once

#include "viewer/viewerlogic.h"

#include <QPointF>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;

namespace mv {

class FlatCmd;
class HandoffReceiver;
class MWheel;
class fFullScreen;
class ucPlayer;

// The single-image viewer window: the canvas, a toolbar of twelve flat buttons, the
// context menu and the hand-off mailbox of a stand-alone start.
class FrmShow : public QWidget
{
    Q_OBJECT
public:
    // browser: the window to show again when this viewer closes (null when stand-alone).
    explicit FrmShow(QWidget *browser = nullptr);
    ~FrmShow() override;

    // Makes the browser window when a stand-alone viewer hands over to it.
    static void SetBrowserFactory(std::function<QWidget *()> factory);

    // Stand-alone start: registers the hand-off receiver and shows the folder of the path
    // the start was given (already made absolute by the start).
    void StartStandAlone(const QString &path);

    QStringList List1;       // full paths in showing order
    QLineEdit *Text1 = nullptr;
    ucPlayer *Player = nullptr;
    QWidget *PicT = nullptr;     // toolbar strip
    QWidget *PicTool = nullptr;  // the buttons, centred in the strip
    QLabel *Picture1 = nullptr;  // shown for an image that cannot be displayed
    std::array<FlatCmd *, 12> FlatCmds{};
    QMenu *mMenu = nullptr;
    QAction *mHuanDeng = nullptr, *mLeftZ = nullptr, *mRightZ = nullptr, *mSave = nullptr, *mCopy = nullptr,
            *mCopyTo = nullptr, *mCopyQQ = nullptr, *mFind = nullptr, *mDesk1 = nullptr, *mDesk2 = nullptr,
            *mDesk3 = nullptr, *mPrint = nullptr, *mDel = nullptr, *mOnTop = nullptr;
    MWheel *MWheel1 = nullptr;

    void ShowPic(int index);
    void ShowCmdPic();
    // Fills List1 with the images of the path's folder; gives the index of the path's
    // entry, or 0 when the path is not among them.
    int ListFolder(const QString &path);
    void ListFolderAndShow(const QString &path);

    // Commands of the toolbar, the menu and the keys.
    void ZoomIn();
    void ZoomOut();
    void ActualSize();
    void BestFit();
    void PreviousImage();
    void NextImage();
    void TurnLeft();
    void TurnRight();
    void SaveTurned();
    void DeleteImage();
    void SlideShow();
    void CopyFile();
    void CopyFileTo();
    void CopyPicture();
    void OpenContainingFolder();
    void ToggleOnTop();
    void FormKeyUp(int key, Qt::KeyboardModifiers modifiers);

    // The zoom the zoom commands step from: always the scale on the screen, whatever set it
    // (best fit, actual size, the buttons, the wheel).
    double ViewZoom() const;
    int RotationAngle() const { return mRotation.angle(); }
    QString currentPath() const;
    fFullScreen *FullScreen() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildToolbar();
    void buildMenu();
    void place();
    void layOut();
    void setSaveEnabled(bool on);
    void setFitButtons(bool actualSize);
    void turn(bool clockwise);
    // One zoom step in or out; with an anchor the picture point under it stays put.
    void zoomStep(bool in, std::optional<QPointF> anchor);
    void onSlideShowEnded();
    // The canvas reads the entries on both sides of the shown one ahead.
    void readAheadAround();
    void onCanvasMouseDown(int button);
    void onCanvasDoubleClick();
    bool handleKey(QKeyEvent *event);

    QWidget *mBrowser = nullptr;
    HandoffReceiver *mReceiver = nullptr;
    QPointer<fFullScreen> mFullScreen;
    RotationState mRotation;
    int mShownIndex = -1;   // the entry on the canvas
    bool mClosing = false;
    int mWheelTurn = 0; // wheel delta not yet turned into a zoom step
};

} // namespace mv
