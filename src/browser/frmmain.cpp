#include "browser/frmmain.h"

#include "app/appstate.h"
#include "app/handoff.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "app/trace.h"
#include "app/windowhelpers.h"
#include "imaging/gdiplus.h"
#include "viewer/frmshow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

namespace mv {

Frmmain::Frmmain()
{
    setObjectName(QStringLiteral("Frmmain"));
    setWindowTitle(QStringLiteral(" Mirovale 万能图片查看器"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(202, 225, 243));
    setPalette(pal);

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

    MinSizeProc(this, BrowserMinSize);
    resize(BrowserMinSize);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    TrackForm(this);

    mReceiver = new HandoffReceiver([this](const QString &text) { Text1->setText(text); }, this);
    if (mReceiver->listen()) {
        WriteConfig(QStringLiteral("Config"), QStringLiteral("TempHwnd1"), QString::number(mReceiver->number()));
        Trace(QStringLiteral("listen Frmmain %1").arg(mReceiver->number()));
    }
}

Frmmain::~Frmmain()
{
    delete mViewer;
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

void Frmmain::closeEvent(QCloseEvent *event)
{
    event->accept();
    AppClosing = true;
    Trace(QStringLiteral("close Frmmain"));
    GdiplusShutdown(GdiToken);
    UnloadAllForms();
}

} // namespace mv
