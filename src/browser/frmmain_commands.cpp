// The commands of the browser's menus and buttons: viewing, the slide show, copying, turning
// and saving a turned copy, renaming, deleting to the trash, refreshing, the folder tree's
// commands, the wallpaper and the file-type association. The recursive listing and the
// search are in frmmain_search.cpp, the update check in frmmain_update.cpp.

#include "browser/frmmain.h"

#include "app/handoff.h"
#include "app/messagebox.h"
#include "app/paths.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "fs/fileops.h"
#include "fs/shellcopy.h"
#include "fs/showinfolder.h"
#include "fs/ucfolderview.h"
#include "imaging/gdiplus.h"
#include "shell/shellcommands.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/thumbcache.h"
#include "thumbs/ucthumbnailview.h"
#include "viewer/ffullscreen.h"
#include "viewer/viewerlogic.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QThread>
#include <QTimer>

namespace mv {

namespace {

// The picture as the viewer shows it: upright as its EXIF orientation says, a metafile on
// white. Every type the program reads, PNG and TIFF included.
bool DecodePicture(const QString &path, QImage &picture)
{
    GpImage image = GpImage::LoadFromFile(path);
    if (!image.IsLoaded())
        return false;
    QImage frame;
    if (image.DecodeFrame(QSize(), frame) != GpStatus::Ok || frame.isNull())
        return false;
    // Only a metafile has a background of its own; other pictures keep their transparency.
    const QColor background = PictureBackground(image.Format(), QColor(Qt::transparent));
    if (background.alpha() == 0) {
        picture = frame;
        return true;
    }
    picture = QImage(frame.size(), QImage::Format_RGB32);
    if (picture.isNull())
        return false;
    picture.fill(background);
    QPainter painter(&picture);
    painter.drawImage(0, 0, frame);
    return true;
}

// An item's pending rotation in degrees clockwise; -1 for a text that is none of 0, 90,
// 180 and 270.
int PendingRotation(const QString &text)
{
    bool ok = false;
    const int angle = text.toInt(&ok);
    return ok && (angle == 0 || angle == 90 || angle == 180 || angle == 270) ? angle : -1;
}

// The thumbnail is turned by a quarter turn; the file stays as it is until its turned copy
// is saved.
void TurnItem(ucThumbnailView &list, int index, const QString &path, bool clockwise)
{
    const int before = PendingRotation(list.ItemText(index, 4));
    if (before < 0 || path.isEmpty())
        return;
    const int angle = (before + (clockwise ? 90 : 270)) % 360;
    mThumbnail::RotateItemThumbnail(path, index, angle / 90, list);
    list.SetItemText(index, QString::number(angle));
    list.RefreshItems(index, index);
}

} // namespace

void Frmmain::ConnectCommands()
{
    connect(Command5, &Command::Click, this, &Frmmain::Command5_Click);
    connect(Command6, &Command::Click, this, &Frmmain::Command6_Click);
    connect(Command7, &Command::Click, this, &Frmmain::Command7_Click);
    connect(Command9, &Command::Click, this, &Frmmain::Command9_Click);

    connect(mHuanDeng, &QAction::triggered, this, &Frmmain::mHuanDeng_Click);
    connect(mCopy, &QAction::triggered, this, &Frmmain::mCopy_Click);
    connect(mCopyTo, &QAction::triggered, this, &Frmmain::mCopyTo_Click);
    connect(mCopyToQQ, &QAction::triggered, this, &Frmmain::mCopyToQQ_Click);
    connect(mRight90, &QAction::triggered, this, &Frmmain::mRight90_Click);
    connect(mLeft90, &QAction::triggered, this, &Frmmain::mLeft90_Click);
    connect(mSave, &QAction::triggered, this, &Frmmain::mSave_Click);
    connect(mFind, &QAction::triggered, this, &Frmmain::mFind_Click);
    connect(mDesk1, &QAction::triggered, this, [this] { mDesk_Click(0); });
    connect(mDesk2, &QAction::triggered, this, [this] { mDesk_Click(1); });
    connect(mDesk3, &QAction::triggered, this, [this] { mDesk_Click(2); });
    connect(mPrint, &QAction::triggered, this, &Frmmain::mPrint_Click);
    connect(mReName, &QAction::triggered, this, &Frmmain::mReName_Click);
    connect(mDel, &QAction::triggered, this, &Frmmain::mDel_Click);
    connect(mNewFolder, &QAction::triggered, this, &Frmmain::mNewFolder_Click);
    connect(mSearchFolder, &QAction::triggered, this, &Frmmain::mSearchFolder_Click);
    connect(mDelFolder, &QAction::triggered, this, &Frmmain::mDelFolder_Click);
    connect(mOpenFolder, &QAction::triggered, this, &Frmmain::mOpenFolder_Click);
    connect(mRef, &QAction::triggered, this, &Frmmain::mRef_Click);
    connect(ThumbView, &ucThumbnailView::ReName, this, &Frmmain::ThumbView_ReName);
}

QString Frmmain::ItemPath(int index) const
{
    if (index < 0 || index >= ThumbView->count())
        return QString();
    return ThumbView->ItemText(index, 0).remove(QChar(0));
}

// Start-up step 1: the file types are associated on the first start ([Config]
// Association).
void Frmmain::AssociateOnFirstStart()
{
    mv::AssociateOnFirstStart();
}

// Command5: the file-type association, asked for by the user.
void Frmmain::Command5_Click()
{
    AssociateFileTypes();
}

// The thumbnail menu's default item opens the image last clicked, as a double click does.
void Frmmain::mView_Click()
{
    if (CurrentItem >= 0 && CurrentItem < ThumbView->count())
        ThumbView_ItemDblClick(CurrentItem);
}

// The slide show over every image of the list; one at a time.
void Frmmain::mHuanDeng_Click()
{
    if ((mFullScreen && mFullScreen->Loaded()) || ThumbView->count() == 0)
        return;
    mFullScreen = new fFullScreen(this);
    HoldHandoffsWhileAlive(mFullScreen);
    for (int i = 0; i < ThumbView->count(); ++i)
        mFullScreen->List1.append(ItemPath(i));
    mFullScreen->ShowPic(CurrentItem);
    mFullScreen->Start();
}

void Frmmain::mCopy_Click()
{
    QStringList paths;
    for (int i = 0; i < ThumbView->count(); ++i) {
        if (ThumbView->Selected(i))
            paths.append(ItemPath(i));
    }
    if (!paths.isEmpty())
        FilesToClipboard(paths);
}

void Frmmain::mCopyTo_Click()
{
    const HandoffHold hold;
    const QString folder = BrowseForFolder(this, QStringLiteral("选择要复制到的文件夹"));
    if (folder.isEmpty())
        return;
    QStringList paths;
    for (int i = 0; i < ThumbView->count(); ++i) {
        if (ThumbView->Selected(i))
            paths.append(ItemPath(i));
    }
    // Each copy may ask and let events run: the paths were taken first.
    for (const QString &path : std::as_const(paths))
        ShellCopy(path, folder + QLatin1Char('/') + FileNameOf(path), this);
}

// The picture itself on the clipboard, for pasting into a message or a document.
void Frmmain::mCopyToQQ_Click()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->clear();
    QImage picture;
    const QString path = ItemPath(CurrentItem);
    if (!path.isEmpty() && DecodePicture(path, picture))
        clipboard->setImage(picture);
}

void Frmmain::mRight90_Click()
{
    TurnItem(*ThumbView, CurrentItem, ItemPath(CurrentItem), true);
}

void Frmmain::mLeft90_Click()
{
    TurnItem(*ThumbView, CurrentItem, ItemPath(CurrentItem), false);
}

// The turned copy beside the image, in the image's own type (one we do not write gives
// PNG), so that its bytes match its name. A copy that cannot be made changes nothing.
void Frmmain::mSave_Click()
{
    const HandoffHold hold;
    const QString path = ItemPath(CurrentItem);
    const int angle = PendingRotation(ThumbView->ItemText(CurrentItem, 4));
    if (path.isEmpty() || angle <= 0)
        return;
    const ImageFormat format = TurnedCopyFormat(path);
    if (format == ImageFormat::Unknown)
        return;
    const QString target = TurnedCopyPath(path, format);
    if (!MayWriteTurnedCopy(target))
        return;
    (void)RotateImageFile(path, target, angle / 90);
}

void Frmmain::mFind_Click()
{
    const QString path = ItemPath(CurrentItem);
    if (!path.isEmpty())
        ShowInFileManager(path);
}

void Frmmain::mDesk_Click(int style)
{
    static constexpr WallpaperStyle Styles[] = {WallpaperStyle::Centre, WallpaperStyle::Tile, WallpaperStyle::Stretch};
    const QString path = ItemPath(CurrentItem);
    if (!path.isEmpty() && style >= 0 && style < 3)
        SetDesktopWallpaper(path, Styles[style]);
}

// Printing belongs to the viewer; the browser's item does nothing.
void Frmmain::mPrint_Click() {}

void Frmmain::mReName_Click()
{
    RenamePath = ItemPath(CurrentItem);
    if (RenamePath.isEmpty())
        return;
    QString name = FileNameOf(RenamePath);
    const QString extension = ExtensionOf(RenamePath);
    if (!extension.isEmpty())
        name.remove(extension, Qt::CaseSensitive);
    ThumbView->ItemReName(CurrentItem, name);
}

void Frmmain::ThumbView_ReName(const QString &sFile)
{
    if (RenamePath.isEmpty())
        return;
    // A "/" would move the file into another folder: only a name is taken.
    if (sFile.trimmed().isEmpty() || sFile.contains(QLatin1Char('/')) || sFile == QLatin1String(".")
        || sFile == QLatin1String("..")) {
        MsgBox(QStringLiteral("文件名不能为空或包含“/”,请重新输入!"), QStringLiteral("提示"), MsgIcon::Critical);
        return;
    }
    const QString target = FolderOf(RenamePath) + sFile + ExtensionOf(RenamePath);
    const QFileInfo existing(target);
    if (HasFile(target) || existing.exists() || existing.isSymLink()) {
        MsgBox(QStringLiteral("该文件已存在,请重新输入!"), QStringLiteral("提示"), MsgIcon::Critical);
        return;
    }
    RenameFile(RenamePath, target);
    RenamePath.clear();
    ClearThumbs();
    tmrExploreFolder->stop();
    tmrExploreFolder->start();
}

void Frmmain::mDel_Click()
{
    if (ItemPath(CurrentItem).isEmpty())
        return;
    const HandoffHold hold;
    const MsgResult answer = MsgBox(QStringLiteral("确定要将选中的图片放入回收站吗?"), QStringLiteral("提示"),
                                    MsgIcon::Question, MsgButtons::YesNo);
    List4.clear();
    if (answer != MsgResult::Yes)
        return;
    for (int i = ThumbView->count() - 1; i >= 0; --i) {
        if (ThumbView->Selected(i)) {
            List4.append(ItemPath(i));
            ThumbView->ItemRemove(i);
        }
    }
    QApplication::processEvents();
    QThread::msleep(10);
    QApplication::processEvents();
    // The items have gone already: a file that does not go to the trash is not reported.
    for (const QString &path : std::as_const(List4))
        (void)RecycleFile(path);

    const int left = ThumbView->count();
    mPanel.SetProgressText(mThumbnail::FoundText(left));
    mPanel.SetCountText(QString::number(left) + QStringLiteral(" 张图片"));
    LabFolder->adjustSize();
    mPanel.LayOutInfoStrip();
    QApplication::processEvents();
    Picture2->setVisible(ThumbView->count() == 0);
    Picture9->hide();
}

// Making folders is left to the file manager.
void Frmmain::mNewFolder_Click() {}
void Frmmain::mDelFolder_Click()
{
    // Disabled for the desktop and the drives: a trigger then deletes nothing.
    if (!mDelFolder->isEnabled())
        return;
    QString folder = ResolveDesktopLabel(kFolder->RPath());
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (folder.size() <= 1)
        return;
    if (MsgBox(QStringLiteral("确定要将选中的目录放入回收站吗?"), QStringLiteral("提示"), MsgIcon::Question,
               MsgButtons::YesNo)
        != MsgResult::Yes)
        return;
    // The open cache may be the one inside that folder.
    mThumbnail::CancelThumbBuild();
    CloseThumbCache();
    if (RecycleFile(folder) != RecycleOk) {
        MsgBox(QStringLiteral("文件夹删除失败,文件夹不存在或者正在被使用!"), QStringLiteral("提示"), MsgIcon::Critical);
        return;
    }
    QApplication::processEvents();
    // The folder that held it is shown; a folder's first characters are no drive here.
    kFolder->setPath(FolderOf(folder));
    kFolder->DeleteNode(kFolder->rNode());
}

void Frmmain::mOpenFolder_Click()
{
    QString folder = ResolveDesktopLabel(kFolder->RPath());
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (!folder.isEmpty())
        ShowInFileManager(folder);
}

// The folder's thumbnails are made again: its cache rows go, and it is listed anew.
void Frmmain::mRef_Click()
{
    ClearThumbs();
    DeleteFolderThumbs(cbPath->Text());
    tmrExploreFolder->stop();
    tmrExploreFolder->start();
}

} // namespace mv
