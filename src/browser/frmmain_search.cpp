// The recursive listing ("穿透文件夹") and the file-name search: both walk the folder named by
// the path box with a fresh scanner, collect the found files in List3 and let the thumbnail
// builder list them. Both run inside their click handler; the scanner's yields are where the
// cancel button, the toggle buttons and the window's close reach a running walk.

#include "browser/frmmain.h"

#include "app/appstate.h"
#include "app/messagebox.h"
#include "app/paths.h"
#include "app/trace.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "controls/plaintext.h"
#include "controls/searchtext.h"
#include "controls/ucprogress.h"
#include "fs/cscanpath.h"
#include "fs/ucfolderview.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/ucthumbnailview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <exception>

namespace mv {

namespace {

// Extensions only: the recursive listing uses the scanner's plain extension test.
const QString ImageFilter = QStringLiteral(
    "*.BMP;*.DIB;*.RLE;*.GIF;*.JPG;*.JPEG;*.JPE;*.JFIF;*.PNG;*.TIF;*.TIFF;*.EMF;*.WMF;*.ICO");
const QString ListTip = QStringLiteral("穿透文件夹");
const QString StopListTip = QStringLiteral("停止穿透文件夹");
const QString CancelSearchTip = QStringLiteral("取消搜索");

// The result list stops growing here; the builder reads at most one line more than this.
constexpr qsizetype MaxFound = 32765;

// The busy pointer of a run, given back however the run leaves.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

// A window that is deleted when it closes lives on until the handler that runs a walk has
// returned: the handler, and the button whose click called it, still use it after the walk.
class HoldWindow
{
public:
    explicit HoldWindow(QWidget *window)
        : mWindow(window)
        , mDeleteOnClose(window->testAttribute(Qt::WA_DeleteOnClose))
    {
        window->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    ~HoldWindow()
    {
        if (!mWindow || !mDeleteOnClose)
            return;
        if (AppClosing)
            mWindow->deleteLater();
        else
            mWindow->setAttribute(Qt::WA_DeleteOnClose, true);
    }
    HoldWindow(const HoldWindow &) = delete;
    HoldWindow &operator=(const HoldWindow &) = delete;

private:
    QPointer<QWidget> mWindow;
    bool mDeleteOnClose;
};

// The window was closed while the walk ran: the program ends, and nothing more is touched.
void EndProgram()
{
    Trace(QStringLiteral("walk ended by the close"));
    QCoreApplication::exit(0);
}

} // namespace

void Frmmain::ConnectSearch()
{
    connect(Command8, &Command::Click, this, &Frmmain::Command8_Click);
    connect(Timer1, &QTimer::timeout, this, &Frmmain::Timer1_Timer);
    connect(SearchText1, &SearchText::Click, this, &Frmmain::SearchText1_Click);
    // A folder chosen through the path box releases the search button: its tip follows.
    SetPlainToolTip(Command9, SearchHint);
    connect(cbPath, &Combo::Change, this, [this] {
        if (!Command9->Status())
            SetPlainToolTip(Command9, SearchHint);
    });
}

cScanPath *Frmmain::NewScanner()
{
    // The run before this one (paused in a yield below us) stops and reports no more: its
    // files would mix with this run's.
    if (SP) {
        SP->StopScan();
        disconnect(SP, nullptr, this, nullptr);
        SP->deleteLater();
    }
    auto *scanner = new cScanPath(this);
    scanner->setArchive(true);
    scanner->setCompressed(true);
    scanner->setHidden(false);
    scanner->setNormal(true);
    scanner->setReadOnly(true);
    scanner->setSystem(true);
    // A tree without a single match raises no event that could see the close: the yield
    // looks too.
    const QPointer<cScanPath> alive(scanner);
    scanner->setYield([alive] {
        QCoreApplication::processEvents();
        if (alive && AppClosing)
            alive->StopScan();
    });
    connect(scanner, &cScanPath::FileMatch, this, &Frmmain::SP_FileMatch);
    SP = scanner;
    return scanner;
}

void Frmmain::ShowFoundCount()
{
    SetPlainText(Label6, QStringLiteral("已经检索到 %1 个文件").arg(FoundCount));
    Label6->adjustSize();
}

void Frmmain::ReleaseCommand7()
{
    Command7->setStatus(false);
    SetPlainToolTip(Command7, ListTip);
}

// Asks the walk to stop; it then ends as usual with what it has found.
void Frmmain::StopListing(bool nothingFound)
{
    if (SP)
        SP->StopScan();
    Timer1->stop();
    Picture2->setVisible(nothingFound);
    Picture9->hide();
    ReleaseCommand7();
}

// Before a walk: the list and the results emptied, pending events run. False when the
// window was closed meanwhile.
bool Frmmain::PrepareWalk()
{
    ClearThumbs();
    List3.clear();
    const QPointer<Frmmain> alive(this);
    QCoreApplication::processEvents();
    return alive && !AppClosing;
}

// After a walk: the found files listed, then the panel for nothing found and the count.
void Frmmain::ShowFound()
{
    const QPointer<Frmmain> alive(this);
    if (!List3.isEmpty()) {
        mThumbnail::BuildListThumbs(*ThumbView, mPanel);
        if (!alive || AppClosing)
            return; // the builder has ended the program
    }
    Picture2->setVisible(ThumbView->count() == 0);
    Picture9->hide();
    SetPlainText(Label3, mThumbnail::FoundText(ThumbView->count()));
}

void Frmmain::Command6_Click()
{
    Command7_Click();
}

void Frmmain::Command7_Click()
{
    if (Command7->Status()) {
        StopListing(List3.isEmpty());
        return;
    }

    const HoldWindow hold(this);
    Command7->setStatus(true);
    SetPlainToolTip(Command7, StopListTip);
    Picture2->hide();
    Picture9->show();
    ucProgress1->setValue(0);
    FoundCount = 0;
    ShowFoundCount();
    Label7->clear();
    Timer1->start();

    const BusyPointer busy;
    const QPointer<Frmmain> alive(this);
    if (!PrepareWalk())
        return EndProgram();

    QPointer<cScanPath> scanner = NewScanner();
    scanner->setFilter(ImageFilter);
    QString path = cbPath->Text();
    const ScanResult result = scanner->StartScan(path, true, false, false, false);
    if (!alive)
        return EndProgram(); // gone with the window: only a close does that
    if (AppClosing)
        return EndProgram();
    if (!result)
        Trace(QStringLiteral("recursive listing: %1").arg(result.error));
    ReleaseCommand7();
    Timer1->stop();
    if (scanner != SP) {
        // A later run started while this one waited in a yield; it has shown its own files.
        return;
    }

    if (!List3.isEmpty()) {
        Picture2->hide();
        Picture9->hide();
    }
    ShowFound();
}

void Frmmain::Command8_Click()
{
    StopListing(ThumbView->count() == 0);
}

void Frmmain::Timer1_Timer()
{
    int value = ucProgress1->Value() + 1;
    if (value > 99)
        value = 0;
    ucProgress1->setValue(value);
}

void Frmmain::SP_FileMatch(const QString &Filename, const QString &Path)
{
    // The walk goes on a few entries after a stop: the list keeps the limit.
    if (List3.size() > MaxFound)
        return;
    try {
        if (AppClosing && SP)
            SP->StopScan();
        const QString found = Path + Filename;
        SetPlainText(Label7, found);
        ++FoundCount;
        ShowFoundCount();
        List3.append(found);
        if (List3.size() > MaxFound)
            StopListing(List3.isEmpty());
    } catch (const std::exception &) {
        MsgBox(QStringLiteral("穿透文件夹时发生错误!"), QStringLiteral("提示"), MsgIcon::Critical);
    }
}

void Frmmain::SearchText1_Click()
{
    if (SearchText1->Text() == SearchHint)
        SearchText1->setText(QString());
}

void Frmmain::Command9_Click()
{
    const QString text = SearchText1->Text();
    if (text == SearchHint || text.isEmpty()) {
        MsgBox(QStringLiteral("请输入要搜索的文件名!"), QStringLiteral("提示"), MsgIcon::Information);
        return;
    }

    if (Command9->Status()) {
        if (SP)
            SP->StopScan();
        Picture2->setVisible(List3.isEmpty());
        Picture9->hide();
        SearchText1->setText(SearchHint);
        Command9->setStatus(false);
        SetPlainToolTip(Command9, SearchHint);
        ClearThumbs();
        tmrExploreFolder->start();
        return;
    }

    const HoldWindow hold(this);
    const BusyPointer busy;
    const QPointer<Frmmain> alive(this);
    if (!PrepareWalk())
        return EndProgram();

    QPointer<cScanPath> scanner = NewScanner();
    scanner->setFilter(text.contains(QLatin1Char('*')) ? text : QLatin1Char('*') + text + QLatin1Char('*'));
    QString path = cbPath->Text();
    const ScanResult result = scanner->StartScan(path, false, false, true, false);
    if (!alive)
        return EndProgram();
    if (scanner != SP)
        return; // a later run has shown its own files
    if (!result)
        Trace(QStringLiteral("search: %1").arg(result.error));
    Command9->setStatus(true);
    SetPlainToolTip(Command9, CancelSearchTip);
    if (AppClosing)
        return EndProgram();
    Timer1->stop();

    ShowFound();
}

void Frmmain::mSearchFolder_Click()
{
    const QString folder = ResolveDesktopLabel(kFolder->RPath());
    // The menu of no node names no folder to walk.
    if (folder.isEmpty())
        return;
    ExploreOnSelect = false;
    ClearThumbs();
    const QPointer<Frmmain> alive(this);
    cbPath->setText(folder);
    if (!alive)
        return;
    Command7_Click();
    if (alive)
        ExploreOnSelect = true;
}

} // namespace mv
