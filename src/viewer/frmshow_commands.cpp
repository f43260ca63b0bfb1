// The viewer window's commands: zoom, fit, navigation, turning, saving, deleting,
// copying, the slide show and the keys. A command that asks a question or lets events run
// holds hand-offs until it ends, so that it finishes on the file and entry it began with.
#include "viewer/frmshow.h"

#include "app/appstate.h"
#include "app/handoff.h"
#include "app/inifile.h"
#include "app/messagebox.h"
#include "app/paths.h"
#include "app/windowhelpers.h"
#include "controls/flatcmd.h"
#include "fs/fileops.h"
#include "fs/shellcopy.h"
#include "fs/showinfolder.h"
#include "imaging/gdiplus.h"
#include "imaging/ucplayer.h"
#include "viewer/ffullscreen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

namespace mv {

void FrmShow::ZoomIn()
{
    zoomStep(true, std::nullopt);
}

void FrmShow::ZoomOut()
{
    zoomStep(false, std::nullopt);
}

void FrmShow::zoomStep(bool in, std::optional<QPointF> anchor)
{
    if (List1.isEmpty())
        return;
    // A step starts from the scale on the screen, so that zooming out always shrinks.
    ViewZoomSteps zoom;
    zoom.reset(ViewZoom());
    if (!in && zoom.value() < 0.2)
        return; // not even the tool changes
    Player->SetnMouseIcon(in ? ToolZoomIn : ToolZoomOut);
    Player->UpdatePointer();
    if (!(in ? zoom.zoomIn() : zoom.zoomOut()))
        return;
    if (anchor) {
        Player->ZoomAbout(zoom.value(), *anchor);
    } else {
        Player->SetBestFitMode(false);
        Player->SetZoom(zoom.value());
    }
    Player->Refresh();
}

void FrmShow::ActualSize()
{
    if (List1.isEmpty())
        return;
    Player->SetnMouseIcon(ToolHand);
    setFitButtons(true);
    mRotation.reset();
    setSaveEnabled(false);
    Player->SetYuanShiDaXiao(true);
    Player->SetBestFitMode(false);
    Player->SetZoom(1.0);
    Player->ImportImage(currentPath());
    Player->Refresh();
}

void FrmShow::BestFit()
{
    if (List1.isEmpty())
        return;
    Player->SetnMouseIcon(ToolHand);
    setFitButtons(false);
    mRotation.reset();
    setSaveEnabled(false);
    Player->SetYuanShiDaXiao(false);
    Player->SetBestFitMode(true);
    Player->ImportImage(currentPath());
    Player->Refresh();
}

void FrmShow::PreviousImage()
{
    const HandoffHold hold;
    if (List1.size() < 2)
        return;
    if (CurrentIndex > 0) {
        ShowPic(CurrentIndex - 1);
        return;
    }
    if (MsgBox(QStringLiteral("当前已经是第一张图片,是否继续显示最后一张图片？"), QStringLiteral("提示"),
               MsgIcon::Question, MsgButtons::YesNo)
        == MsgResult::Yes)
        ShowPic(int(List1.size()) - 1);
}

void FrmShow::NextImage()
{
    const HandoffHold hold;
    if (List1.size() < 2)
        return;
    if (CurrentIndex < List1.size() - 1) {
        ShowPic(CurrentIndex + 1);
        return;
    }
    if (MsgBox(QStringLiteral("当前已经是最后一张图片,是否继续显示第一张图片？"), QStringLiteral("提示"),
               MsgIcon::Question, MsgButtons::YesNo)
        == MsgResult::Yes)
        ShowPic(0);
}

void FrmShow::TurnLeft()
{
    turn(false);
}

void FrmShow::TurnRight()
{
    turn(true);
}

void FrmShow::turn(bool clockwise)
{
    const HandoffHold hold;
    if (List1.isEmpty())
        return;
    Player->SetnMouseIcon(ToolHand);
    if (clockwise)
        mRotation.turnClockwise();
    else
        mRotation.turnCounterClockwise();
    setSaveEnabled(mRotation.canSave());
    // An animation keeps playing unturned; only the angle and the save command change.
    if (Player->ImageFrames() <= 1) {
        QApplication::processEvents();
        if (clockwise)
            Player->Rotate90CW();
        else
            Player->Rotate90ACW();
    }
}

void FrmShow::SaveTurned()
{
    const HandoffHold hold;
    const QString path = currentPath();
    if (!path.isEmpty() && mRotation.canSave()) {
        const QString target = TurnedCopyPath(path, TurnedCopyFormat(path));
        if (!MayWriteTurnedCopy(target))
            return;
        if (RotateImageFile(path, target, mRotation.code()) != GpStatus::Ok) {
            // Nothing was written: the command stays, to try again.
            MsgBox(QStringLiteral("图片保存失败!"), QStringLiteral("提示"), MsgIcon::Critical);
            return;
        }
    }
    setSaveEnabled(false);
}

void FrmShow::DeleteImage()
{
    const HandoffHold hold;
    const int index = CurrentIndex;
    const QString path = currentPath();
    if (path.isEmpty())
        return;
    if (MsgBox(QStringLiteral("确定要将 ") + FileNameOf(path) + QStringLiteral(" 放入回收站吗?"), QStringLiteral("提示"),
               MsgIcon::Question, MsgButtons::YesNo)
        != MsgResult::Yes)
        return;
    Player->DestroyImage();
    QApplication::processEvents();
    if (RecycleFile(path) != RecycleOk) {
        MsgBox(QStringLiteral("图片删除失败!"), QStringLiteral("提示"), MsgIcon::Critical);
        return;
    }
    // Events have run since the question: remove the entry of the file that went.
    const int at = List1.value(index) == path ? index : int(List1.indexOf(path));
    if (at >= 0)
        List1.removeAt(at);
    const int next = at >= 0 ? at : index;
    ShowPic(next < List1.size() ? next : 0);
}

void FrmShow::SlideShow()
{
    if (List1.isEmpty() || !Player->HasImage())
        return;
    if (mFullScreen) {
        mFullScreen->close();
        return;
    }
    // The show reads ahead for itself; the viewer's neighbours wait for its return.
    Player->SetNeighbours({});
    mFullScreen = new fFullScreen(this);
    // The show moves CurrentIndex through this list until it closes.
    HoldHandoffsWhileAlive(mFullScreen);
    connect(mFullScreen, &fFullScreen::Ended, this, &FrmShow::onSlideShowEnded);
    mFullScreen->List1 = List1;
    mFullScreen->Start();
}

void FrmShow::onSlideShowEnded()
{
    // The viewer goes on from the picture the show ended on: picture, title and position
    // in step. The same picture keeps its zoom and turn.
    if (mClosing || List1.isEmpty())
        return;
    if (CurrentIndex != mShownIndex)
        ShowPic(CurrentIndex);
    else
        readAheadAround();
}

void FrmShow::CopyFile()
{
    const QString path = currentPath();
    if (!path.isEmpty())
        FileToClipboard(path);
}

void FrmShow::CopyFileTo()
{
    const HandoffHold hold;
    const QString path = currentPath();
    if (path.isEmpty())
        return;
    const QString folder = BrowseForFolder(this, QStringLiteral("选择要复制到的文件夹"), FolderOf(path));
    if (!folder.isEmpty())
        ShellCopy(path, folder + QLatin1Char('/') + FileNameOf(path), this);
}

void FrmShow::CopyPicture()
{
    Player->CopyImage();
}

void FrmShow::OpenContainingFolder()
{
    const QString path = currentPath();
    if (!path.isEmpty())
        ShowInFileManager(path);
}

void FrmShow::ToggleOnTop()
{
    const bool on = !mOnTop->isChecked();
    mOnTop->setChecked(on);
    SetOnTop(this, on);
    WriteConfig(QStringLiteral("Config"), QStringLiteral("OnTop"), on ? QStringLiteral("True") : QStringLiteral("False"));
}

void FrmShow::FormKeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    Q_UNUSED(modifiers);
    switch (key) {
    case Qt::Key_Left:
        PreviousImage();
        break;
    case Qt::Key_Right:
        NextImage();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomIn();
        break;
    case Qt::Key_Minus:
        ZoomOut();
        break;
    default:
        break;
    }
}

bool FrmShow::handleKey(QKeyEvent *event)
{
    if (event->isAutoRepeat())
        return false;
    if (event->type() == QEvent::KeyPress && event->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (event->type() != QEvent::KeyRelease)
        return false;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
        FormKeyUp(event->key(), event->modifiers());
        return true;
    case Qt::Key_Delete:
        DeleteImage();
        return true;
    default:
        return false;
    }
}

bool FrmShow::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this && handleKey(static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace mv
