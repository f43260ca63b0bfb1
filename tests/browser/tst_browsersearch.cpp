// The browser window's recursive listing and file-name search, driven offscreen: the
// toggle buttons and their tips, the progress panel, cancelling, the line limit, the tree
// menu, and a close in the middle of a walk.

#include "app/appstate.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "browser/frmmain.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "controls/plaintext.h"
#include "controls/searchtext.h"
#include "controls/ucprogress.h"
#include "fs/ucfolderview.h"
#include "imaging/gdiplus.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/thumbcache.h"
#include "thumbs/ucthumbnailview.h"

#include "messageanswers.h"
#include "browserfixture.h"
#include "testutil.h"

#include <QAction>
#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace mv;
using namespace mv::test;

namespace {

// Relative paths under the folder; a name ending in ".png" gets a small real picture,
// everything else an empty file.
bool makeFiles(const QString &folder, const QStringList &names)
{
    QImage picture(16, 12, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    for (const QString &name : names) {
        const QString path = folder + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        const bool made = name.endsWith(QLatin1String(".png")) ? picture.save(path, "PNG")
                                                                 : test::WriteBytes(path, QByteArray());
        if (!made)
            return false;
    }
    return true;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList prefixed(const QString &folder, const QStringList &names)
{
    QStringList paths;
    for (const QString &name : names)
        paths.append(folder + name);
    return paths;
}

// Enough files that every folder's walk yields at least once (every 10 listed entries).
QStringList padding(const QString &under, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(under + QStringLiteral("note%1.txt").arg(i));
    return names;
}

// Calls the check at every turn of the event loop (so at every yield of a walk) until it
// says it is done.
class Watch
{
public:
    explicit Watch(std::function<bool()> check)
    {
        mTimer.setInterval(0);
        QObject::connect(&mTimer, &QTimer::timeout, [this, check] {
            if (check())
                mTimer.stop();
        });
        mTimer.start();
    }

private:
    QTimer mTimer;
};

} // namespace

class TestBrowserSearch : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir mRoot;

    // Lists the folder as a click in the tree does, and waits for the listing. Waits without
    // an event loop: a close test leaves the process's loops told to quit.
    static bool goTo(Frmmain &browser, const QString &folder)
    {
        QSignalSpy listed(&browser, &Frmmain::FolderListed);
        browser.kFolder->setPath(folder);
        return QTest::qWaitFor([&] { return listed.size() > 0; }, 5000) && browser.cbPath->Text() == folder;
    }

    static void search(Frmmain &browser, const QString &text)
    {
        browser.SearchText1->setText(text);
        emit browser.Command9->Click();
    }

    static QString tip(const QWidget *widget) { return widget->toolTip(); }

private slots:
    void initTestCase()
    {
        QVERIFY(mRoot.isValid());
        QVERIFY(QDir().mkpath(DesktopFolder()));
    }

    void init()
    {
        QFile::remove(ConfigPath());
        AppClosing = false;
    }

    void searchFindsTheFolder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found");
        // Sub-folders are not searched; matching ignores case.
        QTest::newRow("a word becomes *word*") << "cat" << QStringList{"Black Cat.png"};
        QTest::newRow("patterns are used as they are") << "*.gif;*.png" << QStringList{"Black Cat.png", "a.gif", "b.PNG"};
        QTest::newRow("no match") << "zebra" << QStringList{};
    }
    void searchFindsTheFolder()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("search"));
        QVERIFY(makeFiles(folder, {"Black Cat.png", "dog.jpg", "cats/cat.png", "a.gif", "b.PNG", "sub/d.png"}));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        QCOMPARE(browser->ThumbView->count(), 4);

        test::MessageAnswers answers(MsgResult::Ok);
        search(*browser, text);
        QVERIFY(answers.seen.isEmpty());
        QCOMPARE(sorted(browser->List3), prefixed(folder, found));
        QCOMPARE(browser->ThumbView->count(), found.size());
        QVERIFY(browser->Command9->Status());
        QCOMPARE(tip(browser->Command9), PlainToolTip(QStringLiteral("取消搜索")));
        QCOMPARE(browser->Picture2->isVisible(), found.isEmpty());
        QVERIFY(!browser->Picture9->isVisible());
        QVERIFY(!browser->Timer1->isActive());
        QCOMPARE(browser->Label3->text(), mThumbnail::FoundText(found.size()));
        // The search text stays for the second click.
        QCOMPARE(browser->SearchText1->Text(), text);
    }

    void searchNeedsAText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("pressed");
        QTest::newRow("the hint") << QStringLiteral("搜索文件") << false;
        QTest::newRow("nothing") << QString() << false;
        QTest::newRow("nothing, results shown") << QString() << true;
    }
    void searchNeedsAText()
    {
        QFETCH(QString, text);
        QFETCH(bool, pressed);
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("needs"));
        QVERIFY(makeFiles(folder, {"one.png", "two.png"}));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        browser->Command9->setStatus(pressed);
        browser->List3 = QStringList{QStringLiteral("kept")};
        test::MessageAnswers answers(MsgResult::Ok);
        search(*browser, text);
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen.at(0).text, QStringLiteral("请输入要搜索的文件名!"));
        QCOMPARE(answers.seen.at(0).title, QStringLiteral("提示"));
        QCOMPARE(answers.seen.at(0).icon, MsgIcon::Information);
        // Nothing else happens.
        QCOMPARE(browser->Command9->Status(), pressed);
        QCOMPARE(browser->List3, QStringList{QStringLiteral("kept")});
        QCOMPARE(browser->ThumbView->count(), 2);
        QVERIFY(!browser->tmrExploreFolder->isActive());
    }

    void secondClickListsTheFolderAgain()
    {
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("again"));
        QVERIFY(makeFiles(folder, {"cat.png", "dog.png", "bird.png"}));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        search(*browser, QStringLiteral("cat"));
        QCOMPARE(browser->ThumbView->count(), 1);

        QSignalSpy listed(browser.get(), &Frmmain::FolderListed);
        emit browser->Command9->Click();
        QVERIFY(!browser->Command9->Status());
        QCOMPARE(tip(browser->Command9), PlainToolTip(QStringLiteral("搜索文件")));
        QCOMPARE(browser->SearchText1->Text(), QStringLiteral("搜索文件"));
        QCOMPARE(browser->ThumbView->count(), 0);
        QVERIFY(listed.wait(5000));
        QCOMPARE(listed.last().at(0).toString(), folder);
        QCOMPARE(browser->ThumbView->count(), 3);
        QCOMPARE(browser->Label3->text(), mThumbnail::FoundText(3));
    }

    void choosingAFolderInThePathBoxEndsTheSearch()
    {
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("box"));
        const QString other = MakeFolder(mRoot.path(), QStringLiteral("box other"));
        QVERIFY(makeFiles(folder, {"cat.png", "dog.png"}));
        QVERIFY(makeFiles(other, {"x.png"}));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        search(*browser, QStringLiteral("cat"));
        QVERIFY(browser->Command9->Status());

        QSignalSpy listed(browser.get(), &Frmmain::FolderListed);
        browser->cbPath->setText(other);
        QVERIFY(!browser->Command9->Status());
        QCOMPARE(tip(browser->Command9), PlainToolTip(QStringLiteral("搜索文件")));
        QVERIFY(listed.wait(5000));
        QCOMPARE(listed.last().at(0).toString(), other);
        QCOMPARE(browser->ThumbView->count(), 1);
    }

    void searchBoxClick_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("the hint goes") << QStringLiteral("搜索文件") << QString();
        QTest::newRow("a search text stays") << QStringLiteral("cat") << QStringLiteral("cat");
    }
    void searchBoxClick()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        auto browser = StartBrowser();
        browser->SearchText1->setText(before);
        emit browser->SearchText1->Click();
        QCOMPARE(browser->SearchText1->Text(), after);
    }

    void recursiveListing()
    {
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("walk"));
        // x.mp passes the extension test (MP; occurs inside *.BMP;) and gets a placeholder.
        QVERIFY(makeFiles(folder, QStringList{"a.png", "sub/x.mp", "sub/deeper/b.jpg", "sub/.hidden.png"}
                                      + padding(QString(), 12) + padding(QStringLiteral("sub/"), 12)));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        QCOMPARE(browser->ThumbView->count(), 1);

        // What the window shows while the walk runs.
        bool seen = false, pressed = false, panel = false, emptyPanel = true, timer = false, cleared = false;
        QString runningTip;
        Watch watch([&] {
            if (!browser->Command7->Status())
                return false;
            seen = true;
            pressed = true;
            runningTip = tip(browser->Command7);
            panel = browser->Picture9->isVisible();
            emptyPanel = browser->Picture2->isVisible();
            timer = browser->Timer1->isActive();
            cleared = browser->ThumbView->count() == 0;
            return true;
        });
        emit browser->Command7->Click();
        QVERIFY(seen);
        QVERIFY(pressed && panel && !emptyPanel && timer && cleared);
        QCOMPARE(runningTip, PlainToolTip(QStringLiteral("停止穿透文件夹")));

        const QStringList found = prefixed(folder, {"a.png", "sub/deeper/b.jpg", "sub/x.mp"});
        QCOMPARE(sorted(browser->List3), found);
        QCOMPARE(browser->FoundCount, 3);
        QCOMPARE(browser->Label6->text(), QStringLiteral("已经检索到 3 个文件"));
        QVERIFY(found.contains(browser->Label7->text()));
        QCOMPARE(browser->ThumbView->count(), 3);
        // Every found file has its thumbnail, x.mp a placeholder.
        QStringList listed;
        for (int i = 0; i < browser->ThumbView->count(); ++i) {
            listed.append(browser->ThumbView->ItemText(i, 0));
            QByteArray header;
            QVERIFY(browser->ThumbView->ThumbnailInfo_GetTBIH(browser->ThumbView->ItemSlot(i), header));
            QVERIFY(!header.isEmpty());
        }
        QCOMPARE(sorted(listed), found);
        QVERIFY(!browser->Command7->Status());
        QCOMPARE(tip(browser->Command7), PlainToolTip(QStringLiteral("穿透文件夹")));
        QVERIFY(!browser->Timer1->isActive());
        QVERIFY(!browser->Picture9->isVisible());
        QVERIFY(!browser->Picture2->isVisible());
        QCOMPARE(browser->Label3->text(), mThumbnail::FoundText(3));
        QVERIFY(!mThumbnail::ThumbBusy);
    }

    void progressMovesRoundAndRound()
    {
        auto browser = StartBrowser();
        browser->ucProgress1->setValue(98);
        QList<int> values;
        connect(browser->Timer1, &QTimer::timeout, browser.get(), [&] {
            values.append(browser->ucProgress1->Value());
            if (values.size() == 3)
                browser->Timer1->stop();
        });
        browser->Timer1->start();
        QTRY_COMPARE(values.size(), 3);
        QCOMPARE(values, (QList<int>{99, 0, 1}));
    }

    void cancelKeepsWhatWasFound()
    {
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("cancel"));
        QStringList names;
        for (int f = 0; f < 40; ++f) {
            for (int i = 0; i < 5; ++i)
                names.append(QStringLiteral("f%1/p%2.png").arg(f).arg(i));
        }
        QVERIFY(makeFiles(folder, names));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        QCOMPARE(browser->ThumbView->count(), 0);
        QVERIFY(browser->Picture2->isVisible());

        int cancelledAt = -1;
        Watch watch([&] {
            if (browser->FoundCount < 1 || !browser->Command7->Status())
                return false;
            cancelledAt = browser->FoundCount;
            emit browser->Command8->Click();
            // The panel goes at once; the walk ends at its next yield.
            return true;
        });
        // The empty-folder panel's button starts the walk.
        emit browser->Command6->Click();
        QVERIFY(cancelledAt >= 1);
        const int found = int(browser->List3.size());
        QVERIFY2(found < names.size(), qPrintable(QString::number(found)));
        QVERIFY(found >= cancelledAt);
        QCOMPARE(browser->FoundCount, found);
        QCOMPARE(browser->ThumbView->count(), found);
        QVERIFY(!browser->Command7->Status());
        QCOMPARE(tip(browser->Command7), PlainToolTip(QStringLiteral("穿透文件夹")));
        QVERIFY(!browser->Timer1->isActive());
        QVERIFY(!browser->Picture9->isVisible());
        QVERIFY(!browser->Picture2->isVisible());
        QCOMPARE(browser->Label3->text(), mThumbnail::FoundText(found));
    }

    void stopByTheSameButton()
    {
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("toggle"));
        QStringList names;
        for (int f = 0; f < 30; ++f)
            names << QStringLiteral("f%1/a.jpg").arg(f) << padding(QStringLiteral("f%1/").arg(f), 9);
        QVERIFY(makeFiles(folder, names));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        bool stopped = false;
        Watch watch([&] {
            if (browser->FoundCount < 1 || !browser->Command7->Status())
                return false;
            emit browser->Command7->Click();
            stopped = !browser->Command7->Status() && !browser->Picture9->isVisible();
            return true;
        });
        emit browser->Command7->Click();
        QVERIFY(stopped);
        QVERIFY(browser->List3.size() < 30);
        QCOMPARE(browser->ThumbView->count(), browser->List3.size());
    }

    void nothingFound_data()
    {
        QTest::addColumn<bool>("removed");
        QTest::newRow("no image below the folder") << false;
        QTest::newRow("a start folder that cannot be read") << true;
    }
    void nothingFound()
    {
        QFETCH(bool, removed);
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("nothing"));
        QVERIFY(makeFiles(folder, QStringList{"readme.txt", "sub/data.bin", "sub/deeper/noext"} + padding("sub/", 12)));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        if (removed)
            QVERIFY(QDir(folder).removeRecursively());
        test::MessageAnswers answers(MsgResult::Ok);
        emit browser->Command7->Click();
        QVERIFY(answers.seen.isEmpty());
        QVERIFY(browser->List3.isEmpty());
        QCOMPARE(browser->ThumbView->count(), 0);
        QVERIFY(browser->Picture2->isVisible());
        QVERIFY(!browser->Picture9->isVisible());
        QVERIFY(!browser->Command7->Status());
        QCOMPARE(browser->Label3->text(), QStringLiteral("找到 0 张图片"));
        QCOMPARE(browser->Label6->text(), QStringLiteral("已经检索到 0 个文件"));
    }

    void foundPathsArePlainText()
    {
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("<b>bold</b>"));
        QVERIFY(makeFiles(folder, {"<i>x</i>.png"}));
        auto browser = StartBrowser();
        QVERIFY(goTo(*browser, folder));
        emit browser->Command7->Click();
        QCOMPARE(browser->Label7->text(), folder + QStringLiteral("<i>x</i>.png"));
        QCOMPARE(browser->Label7->textFormat(), Qt::PlainText);
    }

    void treeMenuListsThroughItsFolder()
    {
        const QString parent = MakeFolder(mRoot.path(), QStringLiteral("menu"));
        const QString child = MakeFolder(mRoot.path() + QStringLiteral("/menu"), QStringLiteral("child"));
        QVERIFY(makeFiles(parent, {"top.png"}));
        QVERIFY(makeFiles(child, QStringList{"c1.png", "deep/c2.png"} + padding(QString(), 12)));
        auto browser = StartBrowser();
        // The child's node exists once its parent has been opened.
        QVERIFY(goTo(*browser, child));
        QVERIFY(goTo(*browser, parent));
        QTreeWidgetItem *node = nullptr;
        for (const FolderNode &row : browser->kFolder->nodes()) {
            if (row.Path == child)
                node = row.hNode;
        }
        QVERIFY(node);
        QTreeWidget *tree = browser->kFolder->tree();
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualItemRect(node).center());
        QTRY_VERIFY(browser->mMenu2->isVisible());
        QCOMPARE(browser->kFolder->RPath(), child);

        QSignalSpy listed(browser.get(), &Frmmain::FolderListed);
        browser->mSearchFolder->trigger();
        browser->mMenu2->hide();
        QVERIFY(browser->ExploreOnSelect);
        QCOMPARE(browser->cbPath->Text(), child);
        QCOMPARE(browser->TreeFolder(), child);
        QCOMPARE(sorted(browser->List3), prefixed(child, {"c1.png", "deep/c2.png"}));
        QCOMPARE(browser->ThumbView->count(), 2);
        // The tree's move did not list the folder on its own.
        QVERIFY(!browser->tmrExploreFolder->isActive());
        QCOMPARE(listed.size(), 0);
    }

    void walkStopsAtTheLineLimit()
    {
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("limit"));
        const int total = 32780;
        for (int i = 0; i < total; ++i) {
            QFile file(folder + QStringLiteral("%1.jpg").arg(i));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        auto browser = StartBrowser();
        {
            // The walk starts on the path box's text; the folder itself is not listed.
            const QSignalBlocker quiet(browser->cbPath);
            browser->cbPath->setText(folder);
        }
        QCOMPARE(browser->cbPath->Text(), folder);

        // The builder of the found files is stopped as soon as it starts: only the list counts.
        Watch watch([&] {
            if (!mThumbnail::ThumbBusy)
                return false;
            mThumbnail::CancelThumbBuild();
            return true;
        });
        emit browser->Command7->Click();
        QCOMPARE(browser->List3.size(), 32766);
        QCOMPARE(browser->FoundCount, 32766);
        QCOMPARE(browser->Label6->text(), QStringLiteral("已经检索到 32766 个文件"));
        QVERIFY(browser->Label6->width() >= browser->Label6->sizeHint().width());
        QVERIFY(!browser->Command7->Status());
        QVERIFY(!browser->Timer1->isActive());
        QVERIFY(!browser->Picture9->isVisible());
        QVERIFY(QDir(folder).removeRecursively());
    }

    // Last: a close ends the program, and the test process's loops with it.
    void closedDuringAWalk_data()
    {
        QTest::addColumn<bool>("deleteOnClose");
        QTest::newRow("window kept") << false;
        QTest::newRow("window deleted on close") << true;
    }
    void closedDuringAWalk()
    {
        QFETCH(bool, deleteOnClose);
        const QString folder = MakeFolder(mRoot.path(), QStringLiteral("closing"));
        QStringList names;
        for (int f = 0; f < 40; ++f)
            names << QStringLiteral("f%1/a.png").arg(f) << padding(QStringLiteral("f%1/").arg(f), 9);
        QVERIFY(makeFiles(folder, names));
        auto owned = StartBrowser();
        QVERIFY(goTo(*owned, folder));
        QPointer<Frmmain> browser = owned.get();
        if (deleteOnClose) {
            browser->setAttribute(Qt::WA_DeleteOnClose);
            (void)owned.release();
        }

        int closedAt = -1;
        Watch watch([&] {
            if (!browser || browser->FoundCount < 1 || !browser->Command7->Status())
                return false;
            closedAt = browser->FoundCount;
            browser->close();
            return true;
        });
        // A real click: the button's own event handler is still running when the walk returns.
        QTest::mouseClick(browser->Command7, Qt::LeftButton);
        QVERIFY(closedAt >= 1);
        QVERIFY(AppClosing);
        QVERIFY(!mThumbnail::ThumbBusy);
        QCOMPARE(ThumbCacheNow().state, ThumbCacheState::Closed);
        // The program was told to end: an event loop started now returns at once.
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, [&loop] { loop.exit(5); });
        QCOMPARE(loop.exec(), -1);
        if (deleteOnClose) {
            QTRY_VERIFY(!browser);
            return;
        }
        QVERIFY(browser->Closing);
        // The walk ended without listing what it had found.
        QVERIFY(browser->List3.size() < 40);
        QCOMPARE(browser->ThumbView->count(), 0);
    }
};

MV_BROWSER_TEST_MAIN(TestBrowserSearch)

#include "tst_browsersearch.moc"
