#include "viewer/frmshow.h"

#include "app/appstate.h"
#include "app/handoff.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "app/trace.h"
#include "app/windowhelpers.h"
#include "fs/filelist.h"
#include "imaging/gdiplus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

namespace mv {

namespace {

const QString TitleSuffix = QStringLiteral(" - Mirovale 万能图片查看器");

QString handedOffPath(QString text)
{
    return text.remove(QLatin1Char('"')).trimmed();
}

} // namespace

FrmShow::FrmShow(QWidget *browser)
    : mBrowser(browser)
{
    setObjectName(QStringLiteral("FrmShow"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(238, 242, 251));
    setPalette(pal);

    mCanvas = new QLabel(this);
    mCanvas->setAlignment(Qt::AlignCenter);
    mCanvas->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mCanvas);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();
    connect(Text1, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!text.isEmpty())
            ShowCmdPic();
    });

    MinSizeProc(this, ViewerMinSize);
    resize(750, 550);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    TrackForm(this);
}

FrmShow::~FrmShow() = default;

void FrmShow::StartStandAlone(const QString &argumentText)
{
    mReceiver = new HandoffReceiver([this](const QString &text) { Text1->setText(text); }, this);
    if (mReceiver->listen()) {
        WriteConfig(QStringLiteral("Config"), QStringLiteral("TempHwnd2"), QString::number(mReceiver->number()));
        Trace(QStringLiteral("listen FrmShow %1").arg(mReceiver->number()));
    }
    show();
    Trace(QStringLiteral("show FrmShow"));
    ListFolderAndShow(handedOffPath(argumentText));
}

void FrmShow::ListFolderAndShow(const QString &path)
{
    ShowPic(ListFolder(path));
}

int FrmShow::ListFolder(const QString &path)
{
    List1.clear();
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
        mCanvas->hide();
        Trace(QStringLiteral("ShowPic FrmShow <none>"));
        return;
    }
    CurrentIndex = qBound(0, index, int(List1.size()) - 1);
    const QString path = List1.at(CurrentIndex);
    setWindowTitle(FileNameOf(path) + TitleSuffix);
    mCanvas->setText(path);
    mCanvas->show();
    Trace(QStringLiteral("ShowPic FrmShow %1").arg(path));
}

void FrmShow::ShowCmdPic()
{
    const QString path = handedOffPath(Text1->text());
    Trace(QStringLiteral("ShowCmdPic FrmShow %1").arg(path));
    ListFolderAndShow(path);
    {
        const QSignalBlocker quiet(Text1);
        Text1->clear();
    }
    // The sender cannot raise another process's window here; the receiver does it.
    showNormal();
    raise();
    activateWindow();
}

QString FrmShow::currentPath() const
{
    if (CurrentIndex < 0 || CurrentIndex >= List1.size())
        return QString();
    return List1.at(CurrentIndex);
}

void FrmShow::closeEvent(QCloseEvent *event)
{
    event->accept();
    Trace(QStringLiteral("close FrmShow"));
    if (ViewerAlone) {
        GdiplusShutdown(GdiToken);
        QApplication::quit();
    } else if (mBrowser && !AppClosing) {
        mBrowser->show();
    }
}

} // namespace mv
