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

namespace mv {

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

    // The shell has split the command line; joined again, two paths become one text.
    const QString argumentText = arguments.join(QLatin1Char(' '));
    if (argumentText.isEmpty()) {
        ViewerAlone = false;
        if (!InitializeProcess())
            return 1;
        auto *browser = new Frmmain;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->show();
        Trace(QStringLiteral("show Frmmain"));
        return QApplication::exec();
    }

    QString text = argumentText;
    text.remove(QLatin1Char('"'));
    const HandoffResult toBrowser = SendHandoff(tempHwnd1, text);
    if (toBrowser == HandoffResult::Delivered) {
        Trace(QStringLiteral("handed to Frmmain"));
        return 0;
    }
    if (toBrowser == HandoffResult::NoAnswer)
        Trace(QStringLiteral("no answer from Frmmain"));
    const HandoffResult toViewer = SendHandoff(tempHwnd2, text);
    if (toViewer == HandoffResult::Delivered) {
        Trace(QStringLiteral("handed to FrmShow"));
        return 0;
    }
    if (toViewer == HandoffResult::NoAnswer)
        Trace(QStringLiteral("no answer from FrmShow"));

    ViewerAlone = true;
    if (!InitializeProcess())
        return 1;
    // A double click on the canvas hands over to a browser window made then.
    FrmShow::SetBrowserFactory([] {
        auto *browser = new Frmmain;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        Trace(QStringLiteral("show Frmmain"));
        return browser;
    });
    auto *viewer = new FrmShow;
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->StartStandAlone(argumentText);
    return QApplication::exec();
}

} // namespace mv
