// Moving from folder to folder: the tree's selection, the path box and its history, the
// history buttons and the favourite star; and the listing of the chosen folder.

#include "browser/frmmain.h"

#include "app/inifile.h"
#include "app/messagebox.h"
#include "app/paths.h"
#include "app/settings.h"
#include "browser/browserrules.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "controls/plaintext.h"
#include "fs/fileops.h"
#include "fs/ucfolderview.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/ucthumbnailview.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTimer>

namespace mv {

namespace {

const QString AddFavTip = QStringLiteral("添加到我的收藏");
const QString RemoveFavTip = QStringLiteral("从我的收藏中移除");

} // namespace

void Frmmain::ConnectNavigation()
{
    // The tree waits for the answer: the handler runs inside its notification.
    connect(kFolder, &ucFolderView::ChangeBefore, this, &Frmmain::kFolder_ChangeBefore, Qt::DirectConnection);
    connect(kFolder, &ucFolderView::ChangeAfter, this, &Frmmain::kFolder_ChangeAfter);
    connect(kFolder, &ucFolderView::MouseUp, this, &Frmmain::kFolder_MouseUp);
    connect(tmrExploreFolder, &QTimer::timeout, this, &Frmmain::tmrExploreFolder_Timer);
    // When the list's entry changes, the path box says so once for the list (its text still
    // the old one) and once more when its text follows: only the second one is acted on.
    // Connected after the box's own handler, the flag is up exactly while it speaks.
    connect(cbPath->Combo1, &QComboBox::currentIndexChanged, this, [this] {
        mListMoving = true;
        // Should the list's text stay the same, the flag is down again by the next event.
        QTimer::singleShot(0, this, [this] { mListMoving = false; });
    });
    connect(cbPath->Combo1, &QComboBox::currentTextChanged, this, [this] { mListMoving = false; });
    connect(cbPath, &Combo::Change, this, &Frmmain::cbPath_Change);
    connect(Command1, &Command::Click, this, &Frmmain::HistoryButton_Click);
    connect(Command2, &Command::Click, this, &Frmmain::HistoryButton_Click);
    connect(Command3, &Command::Click, this, &Frmmain::Command3_Click);
    connect(Command4, &Command::Click, this, &Frmmain::ToggleFavPane);
    connect(List1, &QListWidget::itemClicked, this, &Frmmain::List1_Click);
}

void Frmmain::kFolder_ChangeBefore(const QString &NewPath, bool *Cancel)
{
    const QString path = ResolveDesktopLabel(NewPath);
    const bool accepted = ucFolderView::PathIsValid(path) || FolderExists(path) || Closing;
    if (!accepted) {
        MsgBox(QStringLiteral("指定的路径不存在!"), QStringLiteral("提示"), MsgIcon::Information);
        {
            const QSignalBlocker quietList(cbPath->Combo1);
            const QSignalBlocker quietText(cbPath->TxtData);
            const QSignalBlocker quietBox(cbPath);
            cbPath->setListIndex(0);
        }
        if (Cancel)
            *Cancel = true;
    } else {
        ClearThumbs();
    }
    Label4->clear();
    Label5->clear();
    if (path.contains(QLatin1Char('/'))) {
        SetPlainText(LabFolder, path.section(QLatin1Char('/'), -2, -2));
        LabFolder->adjustSize();
    }
}

void Frmmain::kFolder_ChangeAfter(const QString &)
{
    // Several quick changes start one listing, 100 ms after the last.
    if (ExploreOnSelect)
        tmrExploreFolder->start();
}

void Frmmain::tmrExploreFolder_Timer()
{
    tmrExploreFolder->stop();
    const QString path = TreeFolder();
    if (Closing || path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const QPointer<Frmmain> alive(this);
    AddHistory(path);
    mThumbnail::BuildFolderThumbs(path, false, *ThumbView, mPanel);
    if (alive && !Closing) {
        Picture2->setVisible(ThumbView->count() == 0);
        Picture9->hide();
        SetPlainText(Label3, mThumbnail::FoundText(ThumbView->count()));
    }
    QApplication::restoreOverrideCursor();
    if (alive)
        emit FolderListed(path);
}

QStringList Frmmain::HistoryEntries() const
{
    QStringList entries;
    for (int i = 0; i < cbPath->ListCount(); ++i)
        entries.append(cbPath->List(i));
    return entries;
}

void Frmmain::AddHistory(const QString &path)
{
    const QStringList entries = HistoryWithVisit(HistoryEntries(), path);
    cbPath->Clear();
    for (const QString &entry : entries)
        cbPath->AddItem(entry);
    if (path.isEmpty())
        return;
    if (cbPath->Style() == 0 && cbPath->TxtData->hasFocus()) {
        // The user is typing a path: the listing of the folder typed so far leaves the
        // rest of it alone.
        const QSignalBlocker quiet(cbPath->Combo1);
        cbPath->Combo1->setCurrentIndex(0);
        return;
    }
    cbPath->setListIndex(0);
}

void Frmmain::cbPath_Change()
{
    // Choosing an entry changes the list's and the box's text one after the other, and
    // what this does changes them again: one change is handled at a time.
    if (mInPathChange || mListMoving)
        return;
    mInPathChange = true;
    const QString current = TreeFolder();
    Command9->setStatus(false);
    const QString text = cbPath->Text();
    if (text == QString::fromUtf8(ClearHistoryItem)) {
        (void)WriteIniValue(QStringLiteral("History"), std::nullopt, std::nullopt, ConfigPath());
        cbPath->Clear();
        AddHistory(current);
        if (current.isEmpty())
            cbPath->setText(QString());
    } else {
        kFolder->setPath(text);
        ShowFavStar(text);
    }
    mInPathChange = false;
}

void Frmmain::ShowFavStar(const QString &path)
{
    const bool favourite = CheckFavList(path) != -1;
    Command3->setStatus(favourite);
    SetPlainToolTip(Command3, favourite ? RemoveFavTip : AddFavTip);
}

void Frmmain::HistoryButton_Click()
{
    // Both buttons go to the entry just above the clear entry.
    const int index = cbPath->ListCount() - 2;
    if (index >= 0)
        cbPath->setListIndex(index);
}

void Frmmain::Command3_Click()
{
    const QString path = cbPath->Text();
    if (Command3->Status()) {
        RemToFav(path);
        Command3->setStatus(false);
        SetPlainToolTip(Command3, AddFavTip);
    } else {
        if (path.isEmpty() || CheckFavList(path) != -1)
            return;
        AddToFav(path);
        Command3->setStatus(true);
        SetPlainToolTip(Command3, RemoveFavTip);
    }
}

// Empties the thumbnail list; a build still feeding it stops first.
void Frmmain::ClearThumbs()
{
    mThumbnail::CancelThumbBuild();
    ThumbView->Clear();
}

} // namespace mv
