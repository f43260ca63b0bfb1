// The browser window, driven offscreen on a 1024 x 768 screen: start-up, bounds, layout,
// status texts, the viewer round trip, navigation, history and favourites through Config.ini.

#include "app/appstate.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "app/settings.h"
#include "browser/browserrules.h"
#include "browser/frmmain.h"
#include "controls/box.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "controls/searchtext.h"
#include "controls/ucprogress.h"
#include "fs/fileops.h"
#include "fs/ucfolderview.h"
#include "imaging/gdiplus.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/ucthumbnailview.h"
#include "viewer/frmshow.h"

#include "messageanswers.h"
#include "browserfixture.h"
#include "testutil.h"

#include <QAbstractItemView>
#include <QDate>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace mv;
using namespace mv::test;

namespace {

const QString Clear = QString::fromUtf8(ClearHistoryItem);

void resetConfig()
{
    QFile::remove(ConfigPath());
}

QString configText()
{
    return QString::fromUtf8(test::ReadBytes(ConfigPath()));
}

// The real folder tree lists folders; its interim stand-in lists nothing.
bool treeIsIn(const Frmmain &browser)
{
    return browser.kFolder->tree()->topLevelItemCount() > 0;
}

} // namespace

class TestBrowser : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir mRoot;

private slots:
    void initTestCase()
    {
        QVERIFY(mRoot.isValid());
        QVERIFY(QDir().mkpath(DesktopFolder()));
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), QSize(1024, 768));
    }

    void init()
    {
        resetConfig();
        AppClosing = false;
    }

    void firstStartWithoutConfig()
    {
        auto browser = StartBrowser();
        QVERIFY(browser->isVisible());
        QCOMPARE(browser->windowTitle(), QStringLiteral(" Mirovale 万能图片查看器"));
        QCOMPARE(browser->palette().color(QPalette::Window), QColor(202, 225, 243));
        QCOMPARE(browser->size(), QSize(815, 650));
        QCOMPARE(browser->pos(), QPoint((1024 - 815) / 2, (768 - 650) / 2));
        QCOMPARE(browser->minimumSize(), QSize(815, 650));
        QCOMPARE(browser->PicFav->height(), 20);
        QVERIFY(browser->StartupDone);
        // The root of the program's volume is remembered in the path box.
        QString root = QStorageInfo(AppFolder()).rootPath();
        if (!root.endsWith(QLatin1Char('/')))
            root += QLatin1Char('/');
        QVERIFY2(browser->HistoryEntries().contains(root), qPrintable(browser->HistoryEntries().join(' ')));
        QVERIFY(!ReadConfig(QStringLiteral("TempHwnd1")).isEmpty());
        for (QTimer *timer : {browser->tmrExploreFolder, browser->Timer1, browser->TmrWait})
            QVERIFY2(!timer->isActive() || timer == browser->tmrExploreFolder, qPrintable(timer->objectName()));
        // No update check was made today: Timer2 runs it a second later.
        QVERIFY(browser->Timer2->isActive());
        QCOMPARE(browser->Timer2->interval(), 1000);
        if (!treeIsIn(*browser))
            return;
        QCOMPARE(browser->TreeFolder(), DesktopFolder());
    }

    // Once a day: the tick records today (the fetch fails on the sandbox's closed port and
    // ends nothing), and the next window of the day does not arm Timer2 again.
    void updateCheckOnceADay()
    {
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        {
            auto browser = StartBrowser();
            QVERIFY(browser->Timer2->isActive());
            QTRY_COMPARE_WITH_TIMEOUT(ReadConfig(QStringLiteral("LastCheckUpdate")), today, 10000);
            QVERIFY(!browser->Timer2->isActive());
            QVERIFY(browser->isVisible());
            browser->close();
        }
        auto again = StartBrowser();
        QVERIFY(!again->Timer2->isActive());
    }

    void menusHaveTheirCaptions()
    {
        auto browser = StartBrowser();
        const auto captions = [](QMenu *menu) {
            QStringList texts;
            for (QAction *action : menu->actions())
                texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            return texts;
        };
        QCOMPARE(captions(browser->mMenu),
                 (QStringList{"查看图片(&V)", "播放幻灯", "-", "复制(&C)", "复制到...", "复制到QQ", "-", "向右旋转90°",
                              "向左旋转90°", "保存图片(&S)", "-", "打开图片所在文件夹(&F)", "设置为桌面(&W)",
                              "打印图片(&P)", "-", "重命名(&R)", "删除图片"}));
        QCOMPARE(captions(browser->mSetDesk), (QStringList{"居中(&C)", "平铺(&T)", "拉伸(&S)"}));
        QCOMPARE(captions(browser->mMenu2), (QStringList{"新建文件夹(&N)", "-", "收藏该文件夹(&F)", "-",
                                                          "穿透该文件夹(&S)", "从磁盘删除(&D)", "打开所在目录(&O)"}));
        QCOMPARE(captions(browser->mMenu3), (QStringList{"全选(&A)", "-", "刷新(R)"}));
        QCOMPARE(browser->mMenu->defaultAction(), browser->mView);
        QCOMPARE(browser->mDel->shortcut(), QKeySequence(Qt::Key_Delete));
    }

    void restoreBounds_data()
    {
        QTest::addColumn<QString>("playerWnd");
        QTest::addColumn<QRect>("bounds");
        QTest::newRow("smaller than the minimum") << QStringLiteral("100,50,300,200") << QRect(100, 50, 815, 650);
        QTest::newRow("left off the screen") << QStringLiteral("-20,10,900,700") << QRect(62, 10, 900, 700);
        QTest::newRow("unusable text") << QStringLiteral("left,top") << QRect(104, 59, 815, 650);
    }
    void restoreBounds()
    {
        QFETCH(QString, playerWnd);
        QFETCH(QRect, bounds);
        QVERIFY(WriteConfig(QStringLiteral("Config"), QStringLiteral("PlayerWnd"), playerWnd));
        auto browser = StartBrowser();
        QCOMPARE(QRect(browser->pos(), browser->size()), bounds);
        QVERIFY(!browser->isMaximized());
    }

    void maximizedRoundTrip()
    {
        {
            auto browser = StartBrowser();
            browser->setGeometry(40, 30, 900, 700);
            QVERIFY(browser->close());
            QCOMPARE(ReadConfig(QStringLiteral("Max")), QStringLiteral("False"));
            QCOMPARE(ReadConfig(QStringLiteral("PlayerWnd")), QStringLiteral("40,30,900,700"));
        }
        {
            auto browser = StartBrowser();
            QCOMPARE(QRect(browser->pos(), browser->size()), QRect(40, 30, 900, 700));
            browser->showMaximized();
            QTRY_VERIFY(browser->isMaximized());
            QVERIFY(browser->close());
            QCOMPARE(ReadConfig(QStringLiteral("Max")), QStringLiteral("True"));
            // The bounds of the last close in the normal state stay.
            QCOMPARE(ReadConfig(QStringLiteral("PlayerWnd")), QStringLiteral("40,30,900,700"));
        }
        auto browser = StartBrowser();
        QVERIFY(browser->windowState() & Qt::WindowMaximized);
        browser->showNormal();
        QTRY_COMPARE(QRect(browser->pos(), browser->size()), QRect(40, 30, 900, 700));
    }

    void layoutPass()
    {
        auto browser = StartBrowser();
        browser->resize(1000, 700);
        QCOMPARE(browser->kPic->geometry(), QRect(0, 36, 233, 700 - 62 - 20));
        QCOMPARE(browser->kFolder->geometry(), QRect(-2, -2, 237, 618 + 4 - 5));
        QCOMPARE(browser->Picture7->y(), 618 - 5);
        QCOMPARE(browser->PicFav->y(), 36 + 618);
        QCOMPARE(browser->Picture8->geometry(), QRect(0, 675, 1000, 25));
        QCOMPARE(browser->Label5->width(), 1000 - 360 - 24);
        QCOMPARE(browser->Image5->x(), 1000 - 108);
        QCOMPARE(browser->Image6->width(), 1000 - 360 - 108);
        QCOMPARE(browser->BoxView->geometry(), QRect(235, 96, 767, 579));
        QCOMPARE(browser->Picture1->size(), QSize(763, 575));
        QCOMPARE(browser->ThumbView->geometry(), QRect(-2, -2, 767, 579));
        QCOMPARE(browser->Picture4->height(), 700);
        QCOMPARE(browser->Progress->y(), 700 - 19 - 14);
        QCOMPARE(browser->Picture2->pos(), QPoint((763 - 385) / 2, (575 - 213) / 2));
        QCOMPARE(browser->Picture9->pos(), QPoint((763 - 385) / 2, (575 - 253) / 2));
        QCOMPARE(browser->PicSearch->x(), 813);
        QCOMPARE(browser->SearchText1->width(), 177);
        QCOMPARE(browser->Command9->x(), 177 - 29);
        QCOMPARE(browser->cbPath->width(), 500);

        // The favourites pane opens and closes from its header.
        emit browser->Command4->Click();
        QCOMPARE(browser->PicFav->height(), 136);
        QCOMPARE(browser->kPic->height(), 700 - 61 - 136);
        QCOMPARE(browser->PicFav->y(), 36 + 503);
        QCOMPARE(browser->kFolder->height(), 503 + 4 - 5);
        emit browser->Command4->Click();
        QCOMPARE(browser->PicFav->height(), 20);
        QCOMPARE(browser->kPic->height(), 618);
        QCOMPARE(browser->PicFav->y(), 654);
        // The next pass measures with 62 again.
        emit browser->Command4->Click();
        browser->resize(1000, 720);
        QCOMPARE(browser->kPic->height(), 720 - 62 - 136);
    }

    void clickedImageFillsTheStatusBar()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/a.png");
        QImage image(640, 480, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(path, "PNG"));
        auto browser = StartBrowser();
        browser->ThumbView->ItemSetCount(1);
        QVERIFY(browser->ThumbView->ItemAdd(0, path, QFileInfo(path).size(), QStringLiteral("x"), 0));
        emit browser->ThumbView->ItemClick(0);
        QCOMPARE(browser->CurrentItem, 0);
        QCOMPARE(browser->Label5->text(),
                 QStringLiteral("640×480  a.png  ") + FileLenText(QFileInfo(path).size()));
        QCOMPARE(browser->Label4->text(), GetFileTimeText(path));
        QCOMPARE(browser->Label5->textFormat(), Qt::PlainText);
    }

    void doubleClickOpensTheViewerAndItsCloseBringsTheBrowserBack()
    {
        QTemporaryDir dir;
        QStringList paths;
        for (const char *name : {"1.png", "2.png", "3.png"}) {
            paths << dir.path() + QLatin1Char('/') + QLatin1String(name);
            QVERIFY(QImage(16, 12, QImage::Format_RGB32).save(paths.last(), "PNG"));
        }
        auto browser = StartBrowser();
        browser->ThumbView->ItemSetCount(3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(browser->ThumbView->ItemAdd(i, paths[i], 10, QStringLiteral("x"), 0));
        emit browser->ThumbView->ItemDblClick(1);
        FrmShow *viewer = browser->viewer();
        QCOMPARE(browser->CurrentItem, 1);
        QVERIFY(!ViewerAlone);
        QCOMPARE(viewer->List1, paths);
        QCOMPARE(CurrentIndex, 1);
        QVERIFY(viewer->isVisible());
        QVERIFY(!browser->isVisible());
        QVERIFY(viewer->close());
        QVERIFY(browser->isVisible());
    }

    void rightClickEnablesSaveForATurnedImage()
    {
        auto browser = StartBrowser();
        browser->ThumbView->ItemSetCount(2);
        QVERIFY(browser->ThumbView->ItemAdd(0, QStringLiteral("/x/a.png"), 10, QStringLiteral("x"), 0));
        QVERIFY(browser->ThumbView->ItemAdd(1, QStringLiteral("/x/b.png"), 10, QStringLiteral("x"), 1));
        emit browser->ThumbView->ItemRightClick(1);
        QCOMPARE(browser->CurrentItem, 1);
        QVERIFY(browser->mSave->isEnabled());
        QTRY_VERIFY(browser->mMenu->isVisible());
        browser->mMenu->hide();
        emit browser->ThumbView->ItemRightClick(0);
        QVERIFY(!browser->mSave->isEnabled());
        browser->mMenu->hide();
    }

    void changeBefore_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing folder refused") << false;
        QTest::newRow("existing folder accepted") << true;
    }
    void changeBefore()
    {
        QFETCH(bool, exists);
        const QString a = MakeFolder(mRoot.path(), QStringLiteral("a"));
        const QString b = MakeFolder(mRoot.path(), QStringLiteral("b"));
        auto browser = StartBrowser();
        browser->AddHistory(b);
        browser->AddHistory(a);
        browser->cbPath->setListIndex(1);
        browser->ThumbView->ItemSetCount(1);
        QVERIFY(browser->ThumbView->ItemAdd(0, QStringLiteral("/x/a.png"), 10, QStringLiteral("x"), 0));
        browser->Label4->setText(QStringLiteral("time"));
        browser->Label5->setText(QStringLiteral("size"));

        test::MessageAnswers answers(MsgResult::Ok);
        QSignalSpy changes(browser->cbPath, &Combo::Change);
        const QString target = exists ? MakeFolder(mRoot.path(), QStringLiteral("Photos")) : mRoot.path() + QStringLiteral("/gone/Photos/");
        bool cancel = false;
        emit browser->kFolder->ChangeBefore(target, &cancel);
        QCOMPARE(cancel, !exists);
        QCOMPARE(browser->Label4->text(), QString());
        QCOMPARE(browser->Label5->text(), QString());
        QCOMPARE(browser->LabFolder->text(), QStringLiteral("Photos"));
        if (exists) {
            QVERIFY(answers.seen.isEmpty());
            QCOMPARE(browser->ThumbView->count(), 0);
        } else {
            QCOMPARE(answers.seen.size(), 1);
            QCOMPARE(answers.seen[0].text, QStringLiteral("指定的路径不存在!"));
            QCOMPARE(answers.seen[0].title, QStringLiteral("提示"));
            QCOMPARE(answers.seen[0].icon, MsgIcon::Information);
            QCOMPARE(browser->cbPath->ListIndex(), 0);
            QCOMPARE(changes.count(), 0);
            QCOMPARE(browser->ThumbView->count(), 1);
        }
    }

    void cancelledChangeKeepsTheTreeSelection()
    {
        const QString a = MakeFolder(mRoot.path(), QStringLiteral("keep"));
        const QString b = MakeFolder(mRoot.path(), QStringLiteral("refused"));
        auto browser = StartBrowser();
        if (!treeIsIn(*browser))
            QSKIP("the folder tree is not in yet");
        browser->kFolder->setPath(a);
        QTRY_COMPARE(browser->TreeFolder(), a);
        test::MessageAnswers answers(MsgResult::Ok);
        QDir(b).removeRecursively();
        browser->kFolder->setPath(b);
        QCOMPARE(browser->TreeFolder(), a);
    }

    void quickChangesStartOneListing()
    {
        QStringList folders;
        for (const char *name : {"q1", "q2", "q3"})
            folders << MakeFolder(mRoot.path(), QLatin1String(name));
        QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(folders.last() + QStringLiteral("x.png"), "PNG"));
        auto browser = StartBrowser();
        if (!treeIsIn(*browser))
            QSKIP("the folder tree is not in yet");
        QSignalSpy listed(browser.get(), &Frmmain::FolderListed);
        QTRY_VERIFY(!browser->tmrExploreFolder->isActive());
        listed.clear();
        for (const QString &folder : folders)
            browser->kFolder->setPath(folder);
        QVERIFY(listed.wait());
        QCOMPARE(listed.count(), 1);
        QCOMPARE(listed[0][0].toString(), folders.last());
        QCOMPARE(browser->ThumbView->count(), 1);
        QCOMPARE(browser->Label3->text(), QStringLiteral("找到 1 张图片"));
        QCOMPARE(browser->HistoryEntries().first(), folders.last());
        QVERIFY(!browser->Picture2->isVisible());
        const bool again = listed.wait(300);
        QVERIFY2(!again, qPrintable(listed.last().at(0).toString()));
    }

    void closedInTheMiddleOfAListing()
    {
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("many"));
        QImage image(64, 48, QImage::Format_RGB32);
        for (int i = 0; i < 150; ++i) {
            image.fill(QColor::fromHsv(i * 2, 200, 200));
            QVERIFY(image.save(folder + QStringLiteral("p%1.png").arg(i, 3, 10, QLatin1Char('0')), "PNG"));
        }
        auto browser = StartBrowser();
        if (!treeIsIn(*browser))
            QSKIP("the folder tree is not in yet");
        // The close comes from inside the build, at one of its yields.
        int closedAt = -1;
        QTimer watch;
        watch.setInterval(1);
        connect(&watch, &QTimer::timeout, browser.get(), [&] {
            if (mThumbnail::ThumbBusy && browser->isVisible()) {
                watch.stop();
                closedAt = browser->ThumbView->count();
                browser->close();
            }
        });
        watch.start();
        browser->kFolder->setPath(folder);
        QTRY_VERIFY(closedAt >= 0);
        QTRY_VERIFY(!mThumbnail::ThumbBusy);
        QVERIFY(AppClosing);
        QVERIFY(browser->Closing);
        QCOMPARE(ReadConfig(QStringLiteral("Max")), QStringLiteral("False"));
        // The folder had been put at the top of the history before its listing began.
        QCOMPARE(ReadIniValue(QStringLiteral("History"), QStringLiteral("00Rec"), ConfigPath()), folder);
        QVERIFY(!browser->tmrExploreFolder->isActive());
    }

    void treeListingRules()
    {
        const QString home = QDir::homePath();
        MakeFolder(home, QStringLiteral(".hidden"));
        const QString dotted = MakeFolder(home, QStringLiteral("2010.05"));
        QDir().mkpath(DesktopFolder());
        auto browser = StartBrowser();
        if (!treeIsIn(*browser))
            QSKIP("the folder tree is not in yet");
        browser->kFolder->setPath(dotted);
        QTRY_COMPARE(browser->TreeFolder(), dotted);
        int desktops = 0;
        for (const FolderNode &node : browser->kFolder->nodes()) {
            QVERIFY2(!node.Path.contains(QStringLiteral("/.hidden/")), qPrintable(node.Path));
            if (ResolveDesktopLabel(node.Path) == DesktopFolder())
                ++desktops;
        }
        QCOMPARE(desktops, 1);
    }

    void treeMenu_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("deletable");
        QTest::newRow("a folder") << QDir::homePath() + QStringLiteral("/menu/sub/") << true;
        QTest::newRow("a folder on the desktop") << DesktopFolder() + QStringLiteral("on desk/") << false;
        QTest::newRow("the desktop") << DesktopFolder() << false;
        QTest::newRow("the home drive") << QDir::homePath() + QLatin1Char('/') << false;
        QTest::newRow("the root drive") << QStringLiteral("/") << false;
    }
    void treeMenu()
    {
        QFETCH(QString, folder);
        QFETCH(bool, deletable);
        QVERIFY(QDir().mkpath(folder));
        auto browser = StartBrowser();
        if (!treeIsIn(*browser))
            QSKIP("the folder tree is not in yet");
        browser->kFolder->setPath(folder);
        QTreeWidget *tree = browser->kFolder->tree();
        QTreeWidgetItem *node = tree->currentItem();
        QVERIFY(node);
        QTRY_VERIFY(!browser->tmrExploreFolder->isActive());
        tree->scrollToItem(node);
        const bool starBefore = browser->Command3->Status();
        QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualItemRect(node).center());
        QTRY_VERIFY(browser->mMenu2->isVisible());
        QCOMPARE(browser->mDelFolder->isEnabled(), deletable);
        browser->mFavFolder->trigger();
        browser->mMenu2->hide();
        QCOMPARE(browser->List2, QStringList{folder});
        // Once only; and the star is left as it was.
        browser->mFavFolder->trigger();
        QCOMPARE(browser->List2, QStringList{folder});
        QCOMPARE(browser->Command3->Status(), starBefore);
    }

    void missingDesktopFolderAtTheFirstStart()
    {
        const QString desktop = DesktopFolder();
        QVERIFY(QDir(desktop).removeRecursively());
        test::MessageAnswers answers(MsgResult::Ok);
        auto browser = StartBrowser();
        const bool tree = treeIsIn(*browser);
        QVERIFY(QDir().mkpath(desktop));
        QVERIFY(answers.seen.isEmpty());
        if (tree)
            QCOMPARE(browser->TreeFolder(), QDir::homePath() + QLatin1Char('/'));
    }

    void startPathOpensItsFolder()
    {
        // A stand-alone viewer's browser opens on the folder of the image the process began with.
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("started"));
        Frmmain::SetStartPath(folder + QStringLiteral("a.png"));
        auto browser = StartBrowser();
        Frmmain::SetStartPath(QString());
        if (!treeIsIn(*browser))
            QSKIP("the folder tree is not in yet");
        QCOMPARE(browser->TreeFolder(), folder);
    }

    void historyRoundTrip()
    {
        const QString a = MakeFolder(mRoot.path(), QStringLiteral("h1"));
        const QString b = MakeFolder(mRoot.path(), QStringLiteral("h2"));
        QVERIFY(IniWrite(ConfigPath(), QStringLiteral("History"), QStringLiteral("00Rec"), a));
        QVERIFY(IniWrite(ConfigPath(), QStringLiteral("History"), QStringLiteral("01Rec"), mRoot.path() + "/gone/"));
        QVERIFY(IniWrite(ConfigPath(), QStringLiteral("History"), QStringLiteral("02Rec"), b));
        {
            auto browser = StartBrowser();
            // The first remembered folder is opened; the missing one was dropped.
            QCOMPARE(browser->cbPath->Text(), a);
            QCOMPARE(browser->HistoryEntries(), (QStringList{a, b, Clear}));
            QCOMPARE(browser->cbPath->ListIndex(), 0);
            if (treeIsIn(*browser))
                QTRY_COMPARE(browser->TreeFolder(), a);
            browser->AddHistory(b);
            QCOMPARE(browser->HistoryEntries(), (QStringList{b, a, Clear}));
            QCOMPARE(browser->cbPath->Text(), b);
            QVERIFY(browser->close());
        }
        QCOMPARE(ReadIniValue(QStringLiteral("History"), QStringLiteral("00Rec"), ConfigPath()), b);
        QCOMPARE(ReadIniValue(QStringLiteral("History"), QStringLiteral("01Rec"), ConfigPath()), a);
        // A longer history saved before leaves its last key behind: no folder is listed twice.
        QCOMPARE(ReadIniValue(QStringLiteral("History"), QStringLiteral("02Rec"), ConfigPath()), b);
        auto browser = StartBrowser();
        QCOMPARE(browser->HistoryEntries(), (QStringList{b, a, Clear}));
    }

    void oneRememberedFolderIsKept()
    {
        const QString a = MakeFolder(mRoot.path(), QStringLiteral("only"));
        QVERIFY(IniWrite(ConfigPath(), QStringLiteral("History"), QStringLiteral("00Rec"), a));
        auto browser = StartBrowser();
        QCOMPARE(browser->cbPath->Text(), a);
        QCOMPARE(browser->HistoryEntries(), (QStringList{a, Clear}));
    }

    void listingLeavesATypedPathAlone()
    {
        const QString a = MakeFolder(mRoot.path(), QStringLiteral("typed"));
        auto browser = StartBrowser();
        browser->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(browser.get()));
        browser->cbPath->setStyle(0);
        QTRY_VERIFY(browser->cbPath->TxtData->hasFocus());
        browser->cbPath->TxtData->setText(a + QStringLiteral("su"));
        browser->AddHistory(a);
        QCOMPARE(browser->cbPath->TxtData->text(), a + QStringLiteral("su"));
        QCOMPARE(browser->HistoryEntries().first(), a);
        QCOMPARE(browser->cbPath->ListIndex(), 0);
        // Outside the typing, the box shows the folder listed.
        browser->Command3->setFocus();
        browser->AddHistory(a);
        QCOMPARE(browser->cbPath->Text(), a);
    }

    // A path typed into the path box opens with Enter.
    void typedPathOpensWithEnter()
    {
        const QString folder = MakeFolder(mRoot.path() + QStringLiteral("/typed2"), QStringLiteral("深处"));
        mv::test::MessageAnswers answers(MsgResult::Ok);
        auto browser = StartBrowser();
        if (!treeIsIn(*browser))
            QSKIP("the folder tree is not in yet");
        browser->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(browser.get()));
        browser->cbPath->setStyle(0);
        QTRY_VERIFY(browser->cbPath->TxtData->hasFocus());
        browser->cbPath->TxtData->setText(folder.chopped(1));
        QTest::keyClick(browser->cbPath->TxtData, Qt::Key_Return);
        QTRY_COMPARE(browser->TreeFolder(), folder);
        QCOMPARE(browser->cbPath->Style(), 1);
        QVERIFY(answers.seen.isEmpty());
    }

    void historyButtonsGoToTheOldest()
    {
        const QString a = MakeFolder(mRoot.path(), QStringLiteral("old"));
        const QString b = MakeFolder(mRoot.path(), QStringLiteral("new"));
        auto browser = StartBrowser();
        browser->cbPath->Clear();
        browser->AddHistory(a);
        browser->AddHistory(b);
        emit browser->Command1->Click();
        QCOMPARE(browser->cbPath->Text(), a);
        browser->AddHistory(b);
        emit browser->Command2->Click();
        QCOMPARE(browser->cbPath->Text(), a);
        QCOMPARE(browser->HistoryEntries().last(), Clear);
    }

    void clearEntryEmptiesTheHistory()
    {
        const QString a = MakeFolder(mRoot.path(), QStringLiteral("c1"));
        const QString b = MakeFolder(mRoot.path(), QStringLiteral("c2"));
        QVERIFY(IniWrite(ConfigPath(), QStringLiteral("History"), QStringLiteral("00Rec"), a));
        QVERIFY(IniWrite(ConfigPath(), QStringLiteral("History"), QStringLiteral("01Rec"), b));
        auto browser = StartBrowser();
        QVERIFY(configText().contains(QStringLiteral("[History]")));
        const bool tree = treeIsIn(*browser);
        if (tree)
            QTRY_COMPARE(browser->TreeFolder(), a);
        browser->cbPath->setListIndex(browser->cbPath->ListCount() - 1);
        QVERIFY(!configText().contains(QStringLiteral("[History]")));
        QCOMPARE(browser->HistoryEntries(), (tree ? QStringList{a, Clear} : QStringList{Clear}));
        QVERIFY(browser->cbPath->Text() != Clear);
    }

    void favouritesRoundTrip()
    {
        const QString photos = MakeFolder(mRoot.path(), QStringLiteral("Photos"));
        const QString other = MakeFolder(mRoot.path(), QStringLiteral("其他 <i>x"));
        {
            auto browser = StartBrowser();
            browser->AddToFav(photos);
            browser->AddToFav(other);
            QVERIFY(configText().contains(photos + QStringLiteral("=Photos\r\n")));
            QCOMPARE(browser->List1->count(), 2);
            QCOMPARE(browser->List1->item(0)->text(), QStringLiteral("Photos"));
            QCOMPARE(browser->List2, (QStringList{photos, other}));
            QCOMPARE(browser->CheckFavList(other), 1);
            QCOMPARE(browser->CheckFavList(photos.toUpper()), -1);
        }
        auto browser = StartBrowser();
        QCOMPARE(browser->List2, (QStringList{photos, other}));
        QCOMPARE(browser->List1->item(1)->text(), QStringLiteral("其他 <i>x"));
        browser->RemToFav(photos);
        QVERIFY(!configText().contains(photos));
        QCOMPARE(browser->List2, QStringList{other});
        QCOMPARE(browser->List1->count(), 1);
        browser->RemToFav(photos);
        QCOMPARE(browser->List2, QStringList{other});
    }

    void favouriteStar()
    {
        const QString photos = MakeFolder(mRoot.path(), QStringLiteral("Star"));
        auto browser = StartBrowser();
        browser->cbPath->setText(photos);
        QVERIFY(!browser->Command3->Status());
        QCOMPARE(browser->Command3->toolTip(), QStringLiteral("添加到我的收藏"));
        emit browser->Command3->Click();
        QCOMPARE(browser->List2, QStringList{photos});
        QVERIFY(browser->Command3->Status());
        QCOMPARE(browser->Command3->toolTip(), QStringLiteral("从我的收藏中移除"));
        emit browser->Command3->Click();
        QVERIFY(browser->List2.isEmpty());
        QVERIFY(!configText().contains(photos));
        QVERIFY(!browser->Command3->Status());
        QCOMPARE(browser->Command3->toolTip(), QStringLiteral("添加到我的收藏"));
        // Added from elsewhere while the star is released: a click changes nothing.
        browser->AddToFav(photos);
        emit browser->Command3->Click();
        QCOMPARE(browser->List2, QStringList{photos});
        QVERIFY(!browser->Command3->Status());
        // The path box shows the star of its folder.
        browser->cbPath->setText(QDir::tempPath() + QLatin1Char('/'));
        QVERIFY(!browser->Command3->Status());
        browser->cbPath->setText(photos);
        QVERIFY(browser->Command3->Status());
    }

    void favouriteClickOpensItsFolder()
    {
        const QString photos = MakeFolder(mRoot.path(), QStringLiteral("Fav"));
        auto browser = StartBrowser();
        browser->AddToFav(photos);
        browser->List1->setCurrentRow(0);
        emit browser->List1->itemClicked(browser->List1->item(0));
        QCOMPARE(browser->cbPath->Text(), photos);
        if (treeIsIn(*browser))
            QTRY_COMPARE(browser->TreeFolder(), photos);
    }

    void ctrlASelectsEveryImageOnce()
    {
        auto browser = StartBrowser();
        browser->ThumbView->ItemSetCount(3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(browser->ThumbView->ItemAdd(i, QStringLiteral("/x/%1.png").arg(i), 10, QStringLiteral("x"), 0));
        browser->activateWindow();
        // Typed into the search box, the keys are the box's.
        browser->SearchText1->TxtData->setFocus();
        QTest::keyClick(browser->SearchText1->TxtData, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!browser->ThumbView->ItemSelected(1));
        browser->ThumbView->hWnd()->setFocus();
        QTest::keyClick(browser->ThumbView->hWnd(), Qt::Key_A, Qt::ControlModifier);
        for (int i = 0; i < 3; ++i)
            QVERIFY(browser->ThumbView->ItemSelected(i));
    }
};

MV_BROWSER_TEST_MAIN(TestBrowser)

#include "tst_browser.moc"
