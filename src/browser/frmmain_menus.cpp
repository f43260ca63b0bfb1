// The three pop-up menus, the thumbnail list's events and the window's keys.

#include "browser/frmmain.h"

#include "app/appstate.h"
#include "app/paths.h"
#include "browser/browserrules.h"
#include "controls/command.h"
#include "controls/plaintext.h"
#include "fs/fileops.h"
#include "imaging/gdiplus.h"
#include "thumbs/ucthumbnailview.h"
#include "viewer/frmshow.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace mv {

namespace {

QAction *menuItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

} // namespace

void Frmmain::CreateMenus()
{
    mMenu = new QMenu(this);
    mMenu->setObjectName(QStringLiteral("mMenu"));
    mView = menuItem(mMenu, QStringLiteral("mView"), QStringLiteral("查看图片(&V)"));
    mHuanDeng = menuItem(mMenu, QStringLiteral("mHuanDeng"), QStringLiteral("播放幻灯"));
    mMenu->addSeparator();
    mCopy = menuItem(mMenu, QStringLiteral("mCopy"), QStringLiteral("复制(&C)"));
    mCopyTo = menuItem(mMenu, QStringLiteral("mCopyTo"), QStringLiteral("复制到..."));
    mCopyToQQ = menuItem(mMenu, QStringLiteral("mCopyToQQ"), QStringLiteral("复制到QQ"));
    mMenu->addSeparator();
    mRight90 = menuItem(mMenu, QStringLiteral("mRight90"), QStringLiteral("向右旋转90°"));
    mLeft90 = menuItem(mMenu, QStringLiteral("mLeft90"), QStringLiteral("向左旋转90°"));
    mSave = menuItem(mMenu, QStringLiteral("mSave"), QStringLiteral("保存图片(&S)"));
    mMenu->addSeparator();
    mFind = menuItem(mMenu, QStringLiteral("mFind"), QStringLiteral("打开图片所在文件夹(&F)"));
    mSetDesk = mMenu->addMenu(QStringLiteral("设置为桌面(&W)"));
    mSetDesk->setObjectName(QStringLiteral("mSetDesk"));
    mDesk1 = menuItem(mSetDesk, QStringLiteral("mDesk1"), QStringLiteral("居中(&C)"));
    mDesk2 = menuItem(mSetDesk, QStringLiteral("mDesk2"), QStringLiteral("平铺(&T)"));
    mDesk3 = menuItem(mSetDesk, QStringLiteral("mDesk3"), QStringLiteral("拉伸(&S)"));
    mPrint = menuItem(mMenu, QStringLiteral("mPrint"), QStringLiteral("打印图片(&P)"));
    mMenu->addSeparator();
    mReName = menuItem(mMenu, QStringLiteral("mReName"), QStringLiteral("重命名(&R)"));
    mDel = menuItem(mMenu, QStringLiteral("mDel"), QStringLiteral("删除图片"));
    // Shown in the menu; the key itself is handled once, by the window's key preview.
    mDel->setShortcut(QKeySequence(Qt::Key_Delete));
    mDel->setShortcutContext(Qt::WidgetShortcut);
    mMenu->setDefaultAction(mView);

    mMenu2 = new QMenu(this);
    mMenu2->setObjectName(QStringLiteral("mMenu2"));
    mNewFolder = menuItem(mMenu2, QStringLiteral("mNewFolder"), QStringLiteral("新建文件夹(&N)"));
    mMenu2->addSeparator();
    mFavFolder = menuItem(mMenu2, QStringLiteral("mFavFolder"), QStringLiteral("收藏该文件夹(&F)"));
    mMenu2->addSeparator();
    mSearchFolder = menuItem(mMenu2, QStringLiteral("mSearchFolder"), QStringLiteral("穿透该文件夹(&S)"));
    mDelFolder = menuItem(mMenu2, QStringLiteral("mDelFolder"), QStringLiteral("从磁盘删除(&D)"));
    mOpenFolder = menuItem(mMenu2, QStringLiteral("mOpenFolder"), QStringLiteral("打开所在目录(&O)"));

    mMenu3 = new QMenu(this);
    mMenu3->setObjectName(QStringLiteral("mMenu3"));
    mSelAll = menuItem(mMenu3, QStringLiteral("mSelAll"), QStringLiteral("全选(&A)"));
    mMenu3->addSeparator();
    mRef = menuItem(mMenu3, QStringLiteral("mRef"), QStringLiteral("刷新(R)"));

    connect(mView, &QAction::triggered, this, &Frmmain::mView_Click);
    connect(mFavFolder, &QAction::triggered, this, &Frmmain::mFavFolder_Click);
    connect(mSelAll, &QAction::triggered, this, &Frmmain::SelectAll);
}

void Frmmain::ConnectThumbList()
{
    connect(ThumbView, &ucThumbnailView::ItemClick, this, &Frmmain::ThumbView_ItemClick);
    connect(ThumbView, &ucThumbnailView::ItemDblClick, this, &Frmmain::ThumbView_ItemDblClick);
    connect(ThumbView, &ucThumbnailView::ItemRightClick, this, &Frmmain::ThumbView_ItemRightClick);
    connect(ThumbView, &ucThumbnailView::ItemRightClick2, this, &Frmmain::ThumbView_ItemRightClick2);
    // The list's own KeyUp is not connected: the key preview below sees the same key
    // stroke first, and a stroke acts once.
}

void Frmmain::ThumbView_ItemClick(int index)
{
    QApplication::setOverrideCursor(Qt::BusyCursor);
    CurrentItem = index;
    const QString path = ThumbView->ItemText(index, 0).remove(QChar(0));
    SetPlainText(Label4, GetFileTimeText(path));
    QString trimmed = path;
    while (trimmed.endsWith(QLatin1Char(' ')))
        trimmed.chop(1);
    SetPlainText(Label5, ImageSizeText(path) + QStringLiteral("  ") + FileNameOf(path) + QStringLiteral("  ")
                             + GetFileLen(trimmed));
    QApplication::restoreOverrideCursor();
}

void Frmmain::ThumbView_ItemDblClick(int index)
{
    CurrentItem = index;
    ViewerAlone = false;
    FrmShow *show = viewer();
    show->List1.clear();
    for (int i = 0; i < ThumbView->count(); ++i)
        show->List1.append(ThumbView->ItemText(i, 0));
    hide();
    show->show();
    show->ShowPic(index);
}

void Frmmain::ThumbView_ItemRightClick(int index)
{
    CurrentItem = index;
    mSave->setEnabled(ThumbView->ItemText(index, 4).toInt() != 0);
    mMenu->popup(QCursor::pos(), mView);
}

void Frmmain::ThumbView_ItemRightClick2()
{
    mMenu3->popup(QCursor::pos());
}

void Frmmain::SelectAll()
{
    for (int i = 0; i < ThumbView->count(); ++i)
        ThumbView->setItemSelected(i, true);
}

void Frmmain::FormKeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Delete)
        mDel_Click();
    else if (key == Qt::Key_A && (modifiers & Qt::ControlModifier))
        SelectAll();
    else if (key == Qt::Key_F2)
        mReName_Click();
}

bool Frmmain::eventFilter(QObject *watched, QEvent *event)
{
    // Key preview: a key released anywhere in this window acts here, once, before the
    // control that has the focus. Keys typed into a text box (the path box, the search
    // box, a name being edited) are its own.
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (type == QEvent::KeyPress) {
        mKeyHandled = nullptr;
    } else if (!key->isAutoRepeat() && event != mKeyHandled) {
        // The same event comes again for every parent it is passed on to.
        mKeyHandled = event;
        if (!qobject_cast<QLineEdit *>(QApplication::focusWidget()))
            FormKeyUp(key->key(), key->modifiers());
    }
    return QWidget::eventFilter(watched, event);
}

void Frmmain::mousePressEvent(QMouseEvent *event)
{
    Command3->setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

} // namespace mv
