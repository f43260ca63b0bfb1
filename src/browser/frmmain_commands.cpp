// The commands of the browser's menus and buttons. Viewing an image is here; the image and
// folder commands, the association and the update check come with their own work and fill
// in the bodies below. The recursive listing and the search are in frmmain_search.cpp.

#include "browser/frmmain.h"

#include "controls/command.h"
#include "thumbs/ucthumbnailview.h"

#include <QAction>
#include <QTimer>

namespace mv {

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
}

// Start-up step 1: the file types are associated on the first start ([Config]
// Association). Skipped until the association work lands; nothing is recorded, so that
// its first run still comes.
void Frmmain::AssociateOnFirstStart() {}

// Command5: the file-type association, asked for by the user.
void Frmmain::Command5_Click() {}

// The thumbnail menu's default item opens the image last clicked, as a double click does.
void Frmmain::mView_Click()
{
    if (CurrentItem >= 0 && CurrentItem < ThumbView->count())
        ThumbView_ItemDblClick(CurrentItem);
}

void Frmmain::mHuanDeng_Click() {}
void Frmmain::mCopy_Click() {}
void Frmmain::mCopyTo_Click() {}
void Frmmain::mCopyToQQ_Click() {}
void Frmmain::mRight90_Click() {}
void Frmmain::mLeft90_Click() {}
void Frmmain::mSave_Click() {}
void Frmmain::mFind_Click() {}
void Frmmain::mDesk_Click(int) {}
void Frmmain::mPrint_Click() {}
void Frmmain::mReName_Click() {}
void Frmmain::mDel_Click() {}
void Frmmain::mNewFolder_Click() {}
void Frmmain::mDelFolder_Click() {}
void Frmmain::mOpenFolder_Click() {}
void Frmmain::mRef_Click() {}

} // namespace mv
