#include "browser/frmmain.h"

#include "app/appstate.h"
#include "app/fields.h"
#include "app/handoff.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "app/settings.h"
#include "app/trace.h"
#include "app/windowhelpers.h"
#include "browser/browserrules.h"
#include "controls/box.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "controls/mdrawlist.h"
#include "controls/theme.h"
#include "controls/ucprogress.h"
#include "controls/uipictures.h"
#include "fs/ucfolderview.h"
#include "imaging/gdiplus.h"
#include "imaging/ucplayer.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/renderahead.h"
#include "thumbs/thumbcache.h"
#include "thumbs/ucthumbnailview.h"
#include "viewer/frmshow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QStorageInfo>
#include <QTimer>

namespace mv {

namespace {

// The skin: a style sheet of our own beside the program. A missing or unreadable file
// leaves the windows as they are.
void AttachSkin()
{
    QFile skin(AppFolder() + QStringLiteral("Skin/Default/Default.she"));
    if (skin.open(QIODevice::ReadOnly) && qApp)
        qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
}

QTimer *windowTimer(QObject *parent, const QString &name, int interval)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(name);
    timer->setInterval(interval);
    return timer;
}

} // namespace

Frmmain::Frmmain()
{
    setObjectName(QStringLiteral("Frmmain"));
    setWindowTitle(QStringLiteral(" Mirovale 万能图片查看器"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, theme::WindowBlue);
    setPalette(pal);

    CreateControls();
    CreateMenus();

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();
    // While a command runs (here or in the viewer) the path waits in the mailbox.
    connect(Text1, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!text.isEmpty() && !HandoffsHeld())
            ShowCmdPic();
    });
    connect(&HandoffGate::instance(), &HandoffGate::released, this, [this] {
        if (!Text1->text().isEmpty() && !HandoffsHeld())
            ShowCmdPic();
    }, Qt::QueuedConnection);

    tmrExploreFolder = windowTimer(this, QStringLiteral("tmrExploreFolder"), 100);
    Timer2 = windowTimer(this, QStringLiteral("Timer2"), 1000);
    TmrWait = windowTimer(this, QStringLiteral("TmrWait"), 1000);
    Timer1 = windowTimer(this, QStringLiteral("Timer1"), 1);

    mPanel.Label2 = Label2;
    mPanel.Label3 = Label3;
    mPanel.LabFolder = LabFolder;
    mPanel.Progress = Progress;
    mPanel.Command3 = Command3;
    mPanel.Command7 = Command7;
    mPanel.Picture2 = Picture2;
    mPanel.Picture9 = Picture9;
    mPanel.TreePathOf = [this] { return TreeFolder(); };
    mPanel.ResultsOf = [this] { return List3; };

    ConnectNavigation();
    ConnectThumbList();
    ConnectCommands();
    ConnectSearch();
    // Key preview: key releases anywhere in the window come here first.
    qApp->installEventFilter(this);
    TrackForm(this);

    Form_Load();
}

Frmmain::~Frmmain()
{
    qApp->removeEventFilter(this);
    UnhookDrawList();
    delete mViewer;
}

void Frmmain::Form_Load()
{
    AssociateOnFirstStart();
    // No platform here has a row of its own in OSName: the window gets its icon.
    setWindowIcon(UiIcon(QStringLiteral("icons/mirovale")));
    ExploreOnSelect = true;
    AppClosing = false;

    BoxView->setLineColor(theme::BoxLine);
    BoxView->setBackColor(Qt::white);
    PicFav->resize(PicFav->width(), 20);
    SetListItemHeight(List1, theme::FavRowHeight);

    AttachSkin();
    kFolder->Initialize();
    MinSizeProc(this, BrowserMinSize);
    RestoreBounds();

    if (!StartupDone) {
        StartupDone = true;
        setWindowIcon(UiIcon(QStringLiteral("icons/small_icon")));
        const LoadedSettings settings = LoadSettings(ConfigPath());
        // A shorter history saved over a longer one leaves the longer one's last keys: a
        // folder is listed once.
        QStringList history;
        for (const QString &folder : settings.history) {
            if (!history.contains(folder))
                history.append(folder);
        }
        for (const QString &folder : std::as_const(history))
            cbPath->AddItem(folder);
        if (!history.isEmpty())
            cbPath->AddItem(QString::fromUtf8(ClearHistoryItem));
        const ViewSettings &view = settings.view;
        ThumbView->Initialize(QString::fromLatin1(SupportedTypes), QStringLiteral("|"), view.ViewMode,
                              view.ViewColumnWidth[0], view.ViewColumnWidth[1], view.ViewColumnWidth[2],
                              view.ViewColumnWidth[3]);
        ThumbView->SetThumbnailSize(170, 127);
        show();
        repaint();
        QCoreApplication::processEvents();
        if (Closing)
            return;
        if (!history.isEmpty()) {
            cbPath->setListIndex(0);
        } else {
            // The root of the volume the program lives on ("C:\\" where drives have letters).
            QString root = QStorageInfo(AppFolder()).rootPath();
            if (root.isEmpty())
                root = QStringLiteral("/");
            if (!root.endsWith(QLatin1Char('/')))
                root += QLatin1Char('/');
            cbPath->AddItem(root);
            // Not every desktop has a desktop folder: the home folder stands in for a
            // missing one instead of a message at the first start.
            kFolder->setPath(FolderPathExists(DesktopFolder()) ? DesktopFolder() : QDir::homePath());
        }
    }

    mReceiver = new HandoffReceiver([this](const QString &text) { Text1->setText(text); }, this);
    if (mReceiver->listen()) {
        WriteConfig(QStringLiteral("Config"), QStringLiteral("TempHwnd1"), QString::number(mReceiver->number()));
        Trace(QStringLiteral("listen Frmmain %1").arg(mReceiver->number()));
    }

    LoadFav();
    QCoreApplication::processEvents();
    if (!StartPath().isEmpty() && !Closing)
        kFolder->setPath(FolderOf(StartPath()));
    ShowFavStar(cbPath->Text());
    HookDrawList(List1);
    ArmUpdateCheck();
}

QString &Frmmain::StartPath()
{
    static QString path;
    return path;
}

void Frmmain::SetStartPath(const QString &path)
{
    StartPath() = path;
}

FrmShow *Frmmain::viewer()
{
    if (!mViewer)
        mViewer = new FrmShow(this);
    return mViewer;
}

void Frmmain::ShowCmdPic()
{
    const HandoffHold hold;
    QString path = Text1->text();
    path = path.remove(QLatin1Char('"')).trimmed();
    {
        // Emptied first: a hand-off that comes while this one is shown waits in it.
        const QSignalBlocker quiet(Text1);
        Text1->clear();
    }
    Trace(QStringLiteral("ShowCmdPic Frmmain %1").arg(path));

    FrmShow *show = viewer();
    const int found = show->ListFolder(path);
    hide();
    show->show();
    show->ShowPic(found);
}

QString Frmmain::TreeFolder() const
{
    return ResolveDesktopLabel(kFolder->Path());
}

void Frmmain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void Frmmain::closeEvent(QCloseEvent *event)
{
    event->accept();
    AppClosing = true;
    Trace(QStringLiteral("close Frmmain"));
    if (isMaximized()) {
        WriteConfig(QStringLiteral("Config"), QStringLiteral("Max"), QStringLiteral("True"));
    } else {
        WriteConfig(QStringLiteral("Config"), QStringLiteral("Max"), QStringLiteral("False"));
        WriteConfig(QStringLiteral("Config"), QStringLiteral("PlayerWnd"), BoundsText(QRect(pos(), size())));
    }
    if (StartupDone) {
        Closing = true;
        tmrExploreFolder->stop();
        QStringList entries;
        for (int i = 0; i < cbPath->ListCount(); ++i)
            entries.append(cbPath->List(i));
        const IniWriteResult saved = SaveHistory(entries, ConfigPath());
        if (!saved)
            Trace(QStringLiteral("history not saved: %1").arg(saved.error));
        mThumbnail::CancelThumbBuild();
        CloseThumbCache();
        // No worker and no viewer canvas may read an image once the imaging library is down.
        WaitForRenderWorkers();
        for (QWidget *window : QApplication::topLevelWidgets()) {
            for (ucPlayer *canvas : window->findChildren<ucPlayer *>())
                canvas->StopReadAhead();
        }
        if (GdiToken != 0)
            GdiplusShutdown(GdiToken);
    }
    UnhookDrawList();
    qApp->removeEventFilter(this);
    StartPendingSetup();
    UnloadAllForms();
}

} // namespace mv
