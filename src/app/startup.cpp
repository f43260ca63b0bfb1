#include "app/startup.h"

#include "app/appstate.h"
#include "app/handoff.h"
#include "app/inifile.h"
#include "app/messagebox.h"
#include "app/trace.h"
#include "browser/frmmain.h"
#include "imaging/gdiplus.h"
#include "viewer/frmshow.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSysInfo>
#include <QUrl>

namespace mv {

namespace {

bool isThisMachine(const QString &host)
{
    return host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
           || host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

// relative joined to folder; "." parts and doubled slashes go, ".." stays (through a
// symbolic link it is not the folder above).
QString joinRelative(const QString &folder, const QString &relative)
{
    QString joined = folder;
    if (!joined.endsWith(QLatin1Char('/')))
        joined += QLatin1Char('/');
    const QStringList parts = relative.split(QLatin1Char('/'));
    for (int i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        joined += part;
        if (i + 1 < parts.size())
            joined += QLatin1Char('/');
    }
    return joined;
}

} // namespace

QString CommandLinePath(const QStringList &arguments, const QString &workingFolder)
{
    // The shell has split the command line; joined again, two paths become one text.
    QString text = arguments.join(QLatin1Char(' '));
    text.remove(QLatin1Char('"'));
    QString path = text.trimmed();
    if (path.isEmpty())
        return text; // blanks only: the receiver trims them and shows that there is no picture
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(path, QUrl::TolerantMode);
        const QString local = url.path(QUrl::FullyDecoded);
        if (!url.isValid() || !isThisMachine(url.host()) || local.isEmpty())
            return path; // names no file here: the receiver shows that there is no picture
        path = local;
    } else {
        static const QRegularExpression otherScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
        if (otherScheme.match(path).hasMatch())
            return path;
    }
    if (path.startsWith(QLatin1Char('/')) || workingFolder.isEmpty())
        return path;
    return joinRelative(workingFolder, path);
}

bool InitializeProcess()
{
    if (GdiplusStartup(GdiToken) == GdiplusOk)
        return true;
    MsgBox(QStringLiteral("初始化程序时发生错误!"), QString::fromLatin1(AppTitle), MsgIcon::Critical);
    return false;
}

int RunMirovale(const QStringList &arguments)
{
    const QString tempHwnd1 = ReadConfig(QStringLiteral("TempHwnd1"));
    const QString tempHwnd2 = ReadConfig(QStringLiteral("TempHwnd2"));
    AppClosing = false;

    if (arguments.join(QLatin1Char(' ')).isEmpty()) {
        ViewerAlone = false;
        if (!InitializeProcess())
            return 1;
        auto *browser = new Frmmain;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->show();
        Trace(QStringLiteral("show Frmmain"));
        return QApplication::exec();
    }

    const QString path = CommandLinePath(arguments, QDir::currentPath());
    const HandoffResult toBrowser = SendHandoff(tempHwnd1, path);
    if (toBrowser == HandoffResult::Delivered) {
        Trace(QStringLiteral("handed to Frmmain"));
        return 0;
    }
    if (toBrowser == HandoffResult::NoAnswer)
        Trace(QStringLiteral("no answer from Frmmain"));
    const HandoffResult toViewer = SendHandoff(tempHwnd2, path);
    if (toViewer == HandoffResult::Delivered) {
        Trace(QStringLiteral("handed to FrmShow"));
        return 0;
    }
    if (toViewer == HandoffResult::NoAnswer)
        Trace(QStringLiteral("no answer from FrmShow"));

    ViewerAlone = true;
    if (!InitializeProcess())
        return 1;
    // A double click on the canvas hands over to a browser window made then, which opens
    // on the folder of the path.
    Frmmain::SetStartPath(path);
    FrmShow::SetBrowserFactory([] {
        auto *browser = new Frmmain;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        Trace(QStringLiteral("show Frmmain"));
        return browser;
    });
    auto *viewer = new FrmShow;
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->StartStandAlone(path);
    return QApplication::exec();
}

} // namespace mv
