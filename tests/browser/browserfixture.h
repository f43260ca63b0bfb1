#pragma once

// What the browser window's tests share: a window started as the program starts it, and a
// screen of 1024 x 768, the size the window's cases are worked out for.

#include "app/appstate.h"
#include "browser/frmmain.h"
#include "imaging/gdiplus.h"
#include "thumbs/mthumbnail.h"
#include "testutil.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace mv::test {

// A browser window whose start-up listing is over before the test acts.
inline std::unique_ptr<Frmmain> StartBrowser()
{
    // Every close shuts the imaging library down.
    if (!GdiplusRunning())
        (void)GdiplusStartup(GdiToken);
    auto browser = std::make_unique<Frmmain>();
    if (!QTest::qWaitFor([&] { return !browser->tmrExploreFolder->isActive() && !mThumbnail::ThumbBusy; }))
        qWarning("the start-up listing did not end");
    return browser;
}

// parent + "/" + name + "/", made.
inline QString MakeFolder(const QString &parent, const QString &name)
{
    const QString path = parent + QLatin1Char('/') + name + QLatin1Char('/');
    QDir().mkpath(path);
    return path;
}

// Runs the test class on an offscreen screen of 1024 x 768 in the sandbox home.
template <typename TestClass>
int RunOnBrowserScreen(int argc, char **argv)
{
    sandboxHome();
    QTemporaryDir config;
    const QString file = config.path() + QStringLiteral("/screens.json");
    WriteBytes(file, R"({"windowFrameMargins": false, "screens": [{"name": "main", "x": 0, "y": 0,
        "width": 1024, "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + file).toUtf8());
    QApplication app(argc, argv);
    TestClass tc;
    return QTest::qExec(&tc, argc, argv);
}

} // namespace mv::test

#define MV_BROWSER_TEST_MAIN(TestClass)                                                                                \
    int main(int argc, char **argv) { return mv::test::RunOnBrowserScreen<TestClass>(argc, argv); }
