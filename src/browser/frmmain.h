#pragma once

#include "thumbs/thumbpanelwidgets.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QTimer;

namespace mv {

class Box;
class Combo;
class UpdateCheck;
class Command;
class FrmShow;
class HandoffReceiver;
class fFullScreen;
class SearchText;
class cScanPath;
class ucFolderView;
class ucProgress;
class ucThumbnailView;

// The browser window: the folder tree, the thumbnail list of the chosen folder, the path box
// with the folder history, the favourites and the status bar. Its files: frmmain.cpp (the
// window, start-up and close), frmmain_layout.cpp (the controls and the layout pass),
// frmmain_navigation.cpp (tree, path box, history), frmmain_favourites.cpp,
// frmmain_menus.cpp (menus, the list's events, keys), frmmain_commands.cpp (the menu
// commands), frmmain_search.cpp (the recursive listing and the file-name search) and
// frmmain_update.cpp (the update check).
class Frmmain : public QWidget
{
    Q_OBJECT
public:
    Frmmain();
    ~Frmmain() override;

    // Controls, by the names the window's code and tests use for them.
    QLabel *Image1 = nullptr, *Label1 = nullptr, *Image2 = nullptr, *Image3 = nullptr, *Image4 = nullptr;
    QLabel *LabFolder = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    QLabel *Image5 = nullptr, *Image6 = nullptr, *Label6 = nullptr, *Label7 = nullptr;
    Command *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr;
    Command *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr, *Command8 = nullptr;
    Command *Command9 = nullptr;
    QWidget *Picture3 = nullptr, *kPic = nullptr, *Picture7 = nullptr, *PicFav = nullptr;
    QWidget *Picture5 = nullptr, *Picture6 = nullptr, *Picture4 = nullptr, *PicSearch = nullptr;
    QWidget *Picture1 = nullptr, *Picture2 = nullptr, *Picture9 = nullptr, *Picture8 = nullptr;
    ucFolderView *kFolder = nullptr;
    QListWidget *List1 = nullptr;   // favourite names
    Combo *cbPath = nullptr;
    SearchText *SearchText1 = nullptr;
    Box *BoxView = nullptr;
    ucThumbnailView *ThumbView = nullptr;  // a member cannot share its class's name
    ucProgress *Progress = nullptr;
    ucProgress *ucProgress1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QStringList List2;  // favourite paths, index for index with List1
    QStringList List3;  // results of the recursive listing and the search
    int FoundCount = 0; // files reported since the recursive listing last started
    QStringList List4;  // work list of the commands

    QTimer *tmrExploreFolder = nullptr, *Timer1 = nullptr, *Timer2 = nullptr, *TmrWait = nullptr;

    QMenu *mMenu = nullptr, *mMenu2 = nullptr, *mMenu3 = nullptr, *mSetDesk = nullptr;
    QAction *mView = nullptr, *mHuanDeng = nullptr, *mCopy = nullptr, *mCopyTo = nullptr, *mCopyToQQ = nullptr;
    QAction *mRight90 = nullptr, *mLeft90 = nullptr, *mSave = nullptr, *mFind = nullptr, *mDesk1 = nullptr;
    QAction *mDesk2 = nullptr, *mDesk3 = nullptr, *mPrint = nullptr, *mReName = nullptr, *mDel = nullptr;
    QAction *mNewFolder = nullptr, *mFavFolder = nullptr, *mSearchFolder = nullptr, *mDelFolder = nullptr;
    QAction *mOpenFolder = nullptr, *mSelAll = nullptr, *mRef = nullptr;

    // Window state.
    bool StartupDone = false;
    bool Closing = false;
    int CurrentItem = -1;
    bool ExploreOnSelect = true;
    QString RenamePath;

    // Takes the path handed over by a later start and shows it in the viewer.
    void ShowCmdPic();
    // The viewer window this browser opens images in, made on first use.
    FrmShow *viewer();
    // The image path the process was started with (a stand-alone viewer's): a browser made
    // later opens on its folder.
    static void SetStartPath(const QString &path);

    // Favourites.
    int CheckFavList(const QString &path) const;
    void AddToFav(const QString &path);
    void RemToFav(const QString &path);
    void LoadFav();
    // Puts a folder at the top of the history.
    void AddHistory(const QString &path);
    // The path box's entries, the clear entry included.
    QStringList HistoryEntries() const;

    // Layout pass over the client area; and the favourites pane's collapse and expand.
    void LayOut();
    void ToggleFavPane();

    // The folder the tree shows, with the desktop label resolved.
    QString TreeFolder() const;

signals:
    // A folder listing has run (the tick of tmrExploreFolder); for tests and tools.
    void FolderListed(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // frmmain_layout.cpp
    void CreateControls();
    void CreatePanels();
    void CreateStatusBar();
    void RestoreBounds();
    void LayOutTreePane(int treePaneHeight);
    // frmmain.cpp
    void Form_Load();
    static QString &StartPath();
    // frmmain_navigation.cpp
    void ConnectNavigation();
    void kFolder_ChangeBefore(const QString &NewPath, bool *Cancel);
    void kFolder_ChangeAfter(const QString &OldPath);
    void tmrExploreFolder_Timer();
    void ClearThumbs();
    void cbPath_Change();
    void HistoryButton_Click();
    void Command3_Click();
    void ShowFavStar(const QString &path);
    // frmmain_favourites.cpp
    void List1_Click();
    void kFolder_MouseUp(int Button, int Shift, int X, int Y);
    void mFavFolder_Click();
    // frmmain_menus.cpp
    void CreateMenus();
    void ConnectThumbList();
    void ThumbView_ItemClick(int index);
    void ThumbView_ItemDblClick(int index);
    void ThumbView_ItemRightClick(int index);
    void ThumbView_ItemRightClick2();
    void FormKeyUp(int key, Qt::KeyboardModifiers modifiers);
    void SelectAll();
    // frmmain_update.cpp: the daily update check and the pending setup program.
    void ArmUpdateCheck();
    void Timer2_Timer();
    void StartPendingSetup();
    UpdateCheck *mUpdateCheck = nullptr;
    // frmmain_search.cpp; Command6, Command7, Command9 and mSearchFolder are connected with
    // the commands.
    void ConnectSearch();
    cScanPath *NewScanner();
    void ReleaseCommand7();
    void StopListing(bool nothingFound);
    bool PrepareWalk();
    void ShowFound();
    void ShowFoundCount();
    void Command8_Click();
    void Timer1_Timer();
    void SP_FileMatch(const QString &Filename, const QString &Path);
    void SearchText1_Click();
    // frmmain_commands.cpp: the commands of the menus and buttons.
    void ConnectCommands();
    void AssociateOnFirstStart();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command9_Click();
    void mView_Click();
    void mHuanDeng_Click();
    void mCopy_Click();
    void mCopyTo_Click();
    void mCopyToQQ_Click();
    void mRight90_Click();
    void mLeft90_Click();
    void mSave_Click();
    void mFind_Click();
    void mDesk_Click(int style);
    void mPrint_Click();
    void mReName_Click();
    void mDel_Click();
    void mNewFolder_Click();
    void mSearchFolder_Click();
    void mDelFolder_Click();
    void mOpenFolder_Click();
    void mRef_Click();
    void ThumbView_ReName(const QString &sFile);
    // The path of the item at that index, without NUL characters; empty outside the list.
    QString ItemPath(int index) const;

    HandoffReceiver *mReceiver = nullptr;
    FrmShow *mViewer = nullptr;
    QPointer<fFullScreen> mFullScreen;  // the slide show while it is open
    ThumbPanelWidgets mPanel;
    QPointer<cScanPath> SP; // the scanner of the last walk
    bool mInPathChange = false;
    bool mListMoving = false;
    const QEvent *mKeyHandled = nullptr;  // the key release already acted on
};

} // namespace mv
