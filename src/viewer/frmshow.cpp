#include "viewer/frmshow.h"

#include "app/appstate.h"
#include "app/handoff.h"
#include "app/inputcodes.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "app/trace.h"
#include "app/windowhelpers.h"
#include "controls/flatcmd.h"
#include "controls/mwheel.h"
#include "controls/plaintext.h"
#include "controls/uipictures.h"
#include "fs/filelist.h"
#include "imaging/gdiplus.h"
#include "imaging/ucplayer.h"
#include "shell/shellcommands.h"
#include "viewer/ffullscreen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>

namespace mv {

namespace {

const QString TitleSuffix = QStringLiteral(" - Mirovale 万能图片查看器");
constexpr int StripHeight = 32;
constexpr int ButtonSize = 28;
const QColor CanvasColour(238, 242, 251);

std::function<QWidget *()> &browserFactory()
{
    static std::function<QWidget *()> factory;
    return factory;
}

QString handedOffPath(QString text)
{
    return text.remove(QLatin1Char('"')).trimmed();
}

struct ToolButton {
    const char *icon;
    const char *tip;
};

// FlatCmd1 .. FlatCmd12, in toolbar order.
const ToolButton ToolButtons[12] = {
    {"toolbar/zoom_in", "放大(+)"},       {"toolbar/zoom_out", "缩小(-)"},
    {"toolbar/actual_size", "原始尺寸"},  {"toolbar/best_fit", "最佳尺寸"},
    {"toolbar/previous", "上一张(←)"},    {"toolbar/next", "下一张(→)"},
    {"toolbar/turn_left", "左旋转90°"},   {"toolbar/turn_right", "右旋转90°"},
    {"toolbar/slide_show", "播放幻灯片"}, {"toolbar/delete", "删除图片(Delete)"},
    {"toolbar/print", "打印"},            {"toolbar/save", "保存图片"},
};

} // namespace

void FrmShow::SetBrowserFactory(std::function<QWidget *()> factory)
{
    browserFactory() = std::move(factory);
}

FrmShow::FrmShow(QWidget *browser)
    : mBrowser(browser)
{
    setObjectName(QStringLiteral("FrmShow"));
    setWindowTitle(QStringLiteral("没有图片") + TitleSuffix);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, CanvasColour);
    setPalette(pal);

    Player = new ucPlayer(this);
    Player->setObjectName(QStringLiteral("ucPlayer"));
    Player->SetBackColor(CanvasColour);
    Player->SetBorder(false);
    Player->setFocusPolicy(Qt::StrongFocus);
    Player->setMouseTracking(true);
    connect(Player, &ucPlayer::MouseDown, this, [this](int button, int, double, double) { onCanvasMouseDown(button); });
    connect(Player, &ucPlayer::DblClick, this, &FrmShow::onCanvasDoubleClick);
    connect(Player, &ucPlayer::MouseMove, this, [this](int, int, double, double) {
        if (isActiveWindow() && !Player->hasFocus())
            Player->setFocus();
    });

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(QPixmap::fromImage(UiImage(QStringLiteral("pictures/cannot_display"), QSize(204, 198))));
    Picture1->setFixedSize(204, 198);
    Picture1->setFocusPolicy(Qt::ClickFocus);
    Picture1->hide();

    buildToolbar();
    buildMenu();

    // Wheel away from the user zooms in, towards the user zooms out; one step a notch,
    // also when a touchpad sends the notch in small parts.
    MWheel1 = new MWheel(this);
    MWheel1->setObjectName(QStringLiteral("MWheel1"));
    MWheel1->hide();
    MWheel1->setHWndCapture(Player);
    MWheel1->EnableWheel();
    // The point under the pointer stays under it.
    connect(MWheel1, &MWheel::WheelScroll, this, [this](int, int delta, float x, float y) {
        const QPointF anchor = Player->ClientPoint(Player->mapFromGlobal(QPointF(x, y)));
        mWheelTurn += delta;
        for (; mWheelTurn >= 120; mWheelTurn -= 120)
            zoomStep(true, anchor);
        for (; mWheelTurn <= -120; mWheelTurn += 120)
            zoomStep(false, anchor);
    });

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();
    // While a command runs the path waits in the mailbox; it is shown once the command ends.
    connect(Text1, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!text.isEmpty() && !HandoffsHeld())
            ShowCmdPic();
    });
    connect(&HandoffGate::instance(), &HandoffGate::released, this, [this] {
        if (!Text1->text().isEmpty() && !HandoffsHeld())
            ShowCmdPic();
    }, Qt::QueuedConnection);

    // Key strokes on any part of the window act once, here.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);

    MinSizeProc(this, ViewerMinSize);
    place();
    const bool onTop = ReadConfig(QStringLiteral("OnTop")) == QLatin1String("True");
    mOnTop->setChecked(onTop);
    SetOnTop(this, onTop);
    setSaveEnabled(false);
    TrackForm(this);
}

FrmShow::~FrmShow()
{
    Player->DestroyImage();
}

void FrmShow::buildToolbar()
{
    PicT = new QWidget(this);
    PicT->setObjectName(QStringLiteral("PicT"));
    PicTool = new QWidget(PicT);
    PicTool->setObjectName(QStringLiteral("PicTool"));
    const QImage skin = UiImage(QStringLiteral("toolbar/skin"));
    for (int i = 0; i < 12; ++i) {
        auto *button = new FlatCmd(PicTool);
        // Actual size and best fit can be switched on: they use the strip's third slice.
        const bool switchable = i == 2 || i == 3;
        button->setChecked(switchable);
        button->setPictureBG(switchable ? skin : skin.copy(0, 0, skin.width() * 2 / 3, skin.height()));
        button->setObjectName(QStringLiteral("FlatCmd%1").arg(i + 1));
        button->setPicture(UiIcon(QString::fromLatin1(ToolButtons[i].icon)));
        button->setPictureSize(0);
        button->setToolTip(QString::fromUtf8(ToolButtons[i].tip));
        button->setBackColor(CanvasColour);
        button->setGeometry(i * (ButtonSize + 2), 2, ButtonSize, ButtonSize);
        FlatCmds[i] = button;
    }
    PicTool->resize(12 * (ButtonSize + 2) - 2, StripHeight);
    connect(FlatCmds[0], &FlatCmd::Click, this, &FrmShow::ZoomIn);
    connect(FlatCmds[1], &FlatCmd::Click, this, &FrmShow::ZoomOut);
    connect(FlatCmds[2], &FlatCmd::Click, this, &FrmShow::ActualSize);
    connect(FlatCmds[3], &FlatCmd::Click, this, &FrmShow::BestFit);
    connect(FlatCmds[4], &FlatCmd::Click, this, &FrmShow::PreviousImage);
    connect(FlatCmds[5], &FlatCmd::Click, this, &FrmShow::NextImage);
    connect(FlatCmds[6], &FlatCmd::Click, this, &FrmShow::TurnLeft);
    connect(FlatCmds[7], &FlatCmd::Click, this, &FrmShow::TurnRight);
    connect(FlatCmds[8], &FlatCmd::Click, this, &FrmShow::SlideShow);
    connect(FlatCmds[9], &FlatCmd::Click, this, &FrmShow::DeleteImage);
    // FlatCmd11, print: present, and does nothing.
    connect(FlatCmds[11], &FlatCmd::Click, this, &FrmShow::SaveTurned);
}

void FrmShow::buildMenu()
{
    mMenu = new QMenu(this);
    mMenu->setObjectName(QStringLiteral("mMenu"));
    const auto add = [this](QMenu *menu, const char *name, const char *caption, void (FrmShow::*slot)()) {
        QAction *action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        if (slot)
            connect(action, &QAction::triggered, this, slot);
        return action;
    };
    mHuanDeng = add(mMenu, "mHuanDeng", "播放幻灯", &FrmShow::SlideShow);
    mMenu->setDefaultAction(mHuanDeng);
    mMenu->addSeparator();
    mLeftZ = add(mMenu, "mLeftZ", "向左旋转90°", &FrmShow::TurnLeft);
    mRightZ = add(mMenu, "mRightZ", "向右旋转90°", &FrmShow::TurnRight);
    mSave = add(mMenu, "mSave", "保存图片(&S)", &FrmShow::SaveTurned);
    mMenu->addSeparator();
    mCopy = add(mMenu, "mCopy", "复制(&C)", &FrmShow::CopyFile);
    mCopyTo = add(mMenu, "mCopyTo", "复制到...", &FrmShow::CopyFileTo);
    mCopyQQ = add(mMenu, "mCopyQQ", "复制到QQ", &FrmShow::CopyPicture);
    mMenu->addSeparator();
    mFind = add(mMenu, "mFind", "打开图片所在文件夹", &FrmShow::OpenContainingFolder);
    QMenu *desk = mMenu->addMenu(QStringLiteral("设置为桌面(&W)"));
    desk->setObjectName(QStringLiteral("mDeskTop"));
    mDesk1 = add(desk, "mDesk1", "居中(&C)", nullptr);
    mDesk2 = add(desk, "mDesk2", "平铺(&T)", nullptr);
    mDesk3 = add(desk, "mDesk3", "拉伸(&S)", nullptr);
    // The wallpaper commands work on the image shown when the item is chosen.
    const auto wallpaper = [this](QAction *item, WallpaperStyle style) {
        connect(item, &QAction::triggered, this, [this, style] {
            const QString path = currentPath();
            if (!path.isEmpty())
                SetDesktopWallpaper(path, style);
        });
    };
    wallpaper(mDesk1, WallpaperStyle::Centre);
    wallpaper(mDesk2, WallpaperStyle::Tile);
    wallpaper(mDesk3, WallpaperStyle::Stretch);
    mPrint = add(mMenu, "mPrint", "打印图片", nullptr);
    mMenu->addSeparator();
    mDel = add(mMenu, "mDel", "删除图片", &FrmShow::DeleteImage);
    mMenu->addSeparator();
    mOnTop = add(mMenu, "mOnTop", "看图窗口总在最前", nullptr);
    mOnTop->setCheckable(true);
    connect(mOnTop, &QAction::triggered, this, [this] {
        // The check mark has already flipped; the command decides from the old state.
        mOnTop->setChecked(!mOnTop->isChecked());
        ToggleOnTop();
    });
}

void FrmShow::place()
{
    QSize screen(1024, 768);
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        screen = primary->geometry().size();
    const ViewerPlacement placement =
        PlaceViewer(ReadConfig(QStringLiteral("Max2")), ReadConfig(QStringLiteral("PlayerWnd2")), screen);
    // Position of the frame and size of the client area, as the close stores them.
    move(placement.rect.topLeft());
    resize(placement.rect.size());
    if (placement.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void FrmShow::StartStandAlone(const QString &path)
{
    mReceiver = new HandoffReceiver([this](const QString &text) { Text1->setText(text); }, this);
    if (mReceiver->listen()) {
        WriteConfig(QStringLiteral("Config"), QStringLiteral("TempHwnd2"), QString::number(mReceiver->number()));
        Trace(QStringLiteral("listen FrmShow %1").arg(mReceiver->number()));
    }
    show();
    Trace(QStringLiteral("show FrmShow"));
    ListFolderAndShow(handedOffPath(path));
}

void FrmShow::ListFolderAndShow(const QString &path)
{
    ShowPic(ListFolder(path));
}

int FrmShow::ListFolder(const QString &path)
{
    List1.clear();
    // A relative path would name a folder of this process, not of the one that passed it on.
    if (QDir::isRelativePath(ResolveDesktopLabel(path)))
        return 0;
    const QString folder = FolderOf(path);
    const QStringList names = ListImageFiles(folder);
    int found = 0;
    for (int i = 0; i < names.size(); ++i) {
        if (folder + names.at(i) == path) {
            found = i;
            break;
        }
    }
    for (const QString &name : names)
        List1.append(folder + name);
    return found;
}

void FrmShow::ShowPic(int index)
{
    if (List1.isEmpty()) {
        setWindowTitle(QStringLiteral("没有图片") + TitleSuffix);
        Player->hide();
        Picture1->hide();
        Player->SetNeighbours({});
        Trace(QStringLiteral("ShowPic FrmShow <none>"));
        return;
    }
    CurrentIndex = qBound(0, index, int(List1.size()) - 1);
    mShownIndex = CurrentIndex;
    const QString path = List1.at(CurrentIndex);
    Player->SetnMouseIcon(ToolHand);
    Player->SetZoom(1.0);
    mRotation.reset();
    setSaveEnabled(false);
    SetPlainWindowTitle(this, FileNameOf(path) + TitleSuffix);
    Player->SetYuanShiDaXiao(false);
    setFitButtons(false);
    Player->SetBestFitMode(true);
    Picture1->hide();
    if (Player->ImportImage(path)) {
        Player->show();
        Trace(QStringLiteral("ShowPic FrmShow %1").arg(path));
    } else {
        Picture1->show();
        Picture1->raise();
        Player->DestroyImage();
        Player->Refresh();
        Trace(QStringLiteral("ShowPic FrmShow %1 <cannot show>").arg(path));
    }
    readAheadAround();
}

void FrmShow::readAheadAround()
{
    // Next first: stepping on is the common way. Both wrap, as the steps do after asking.
    const int count = int(List1.size());
    QStringList around;
    if (count >= 2 && CurrentIndex >= 0 && CurrentIndex < count) {
        for (const int index : {(CurrentIndex + 1) % count, (CurrentIndex + count - 1) % count}) {
            if (List1.at(index) != List1.at(CurrentIndex))
                around << List1.at(index);
        }
    }
    Player->SetNeighbours(around);
}

void FrmShow::ShowCmdPic()
{
    const HandoffHold hold;
    const QString path = handedOffPath(Text1->text());
    {
        // Emptied first: a hand-off that comes while this one is shown waits in it.
        const QSignalBlocker quiet(Text1);
        Text1->clear();
    }
    Trace(QStringLiteral("ShowCmdPic FrmShow %1").arg(path));
    ListFolderAndShow(path);
    // The sender cannot raise another process's window here; the receiver does it.
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    raise();
    activateWindow();
}

fFullScreen *FrmShow::FullScreen() const
{
    return mFullScreen;
}

double FrmShow::ViewZoom() const
{
    return Player->Scale();
}

QString FrmShow::currentPath() const
{
    if (CurrentIndex < 0 || CurrentIndex >= List1.size())
        return QString();
    return List1.at(CurrentIndex);
}

void FrmShow::setSaveEnabled(bool on)
{
    FlatCmds[11]->setEnabled(on);
    mSave->setEnabled(on);
}

void FrmShow::setFitButtons(bool actualSize)
{
    FlatCmds[2]->setStatus(actualSize);
    FlatCmds[3]->setStatus(!actualSize);
}

void FrmShow::layOut()
{
    const int w = width();
    const int h = height();
    PicT->setGeometry(0, h - StripHeight, w, StripHeight);
    PicTool->move((w - PicTool->width()) / 2, 0);
    Picture1->move((w - Picture1->width()) / 2, (h - Picture1->height()) / 2);
    Player->setGeometry(0, 0, w, qMax(0, h - StripHeight));
}

void FrmShow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
    // Every resize returns to best fit.
    Player->SetZoom(1.0);
    Player->show();
    Player->SetBestFitMode(true);
    Player->Refresh();
}

void FrmShow::onCanvasMouseDown(int button)
{
    const int tool = Player->nMouseIcon();
    if (button == MouseLeft) {
        if (tool == ToolZoomIn)
            ZoomIn();
        else if (tool == ToolZoomOut)
            ZoomOut();
    } else if (button == MouseRight) {
        if (tool != ToolHand) {
            Player->SetnMouseIcon(ToolHand);
            Player->UpdatePointer();
        } else {
            mMenu->popup(QCursor::pos(), mHuanDeng);
        }
    }
}

void FrmShow::onCanvasDoubleClick()
{
    if (Player->nMouseIcon() != ToolHand)
        return;
    if (!mBrowser && browserFactory())
        mBrowser = browserFactory()();
    ViewerAlone = false;
    close();
}

void FrmShow::closeEvent(QCloseEvent *event)
{
    event->accept();
    mClosing = true;
    Trace(QStringLiteral("close FrmShow"));
    MWheel1->DisableWheel();
    if (mFullScreen)
        mFullScreen->close();
    // Nobody steps in a closed viewer; and no worker may outlive the imaging library.
    Player->StopReadAhead();
    if (isMaximized()) {
        WriteConfig(QStringLiteral("Config"), QStringLiteral("Max2"), QStringLiteral("True"));
    } else {
        WriteConfig(QStringLiteral("Config"), QStringLiteral("Max2"), QStringLiteral("False"));
        WriteConfig(QStringLiteral("Config"), QStringLiteral("PlayerWnd2"), PlacementText(QRect(pos(), size())));
    }
    if (ViewerAlone) {
        UnloadAllForms();
        Player->DestroyImage();
        GdiplusShutdown(GdiToken);
        QApplication::quit();
    } else if (mBrowser && !AppClosing) {
        mBrowser->show();
    }
}

} // namespace mv
