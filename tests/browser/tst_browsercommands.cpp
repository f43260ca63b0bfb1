// The browser window's commands, driven through its menus and keys offscreen: turning and
// the turned copy, renaming, deleting to the trash, refreshing, deleting a folder, the copy
// commands, the wallpaper items and the file-type association.

#include "app/appstate.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "browser/frmmain.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "fs/ucfolderview.h"
#include "imaging/exiffixture.h"
#include "imaging/fixtures.h"
#include "imaging/gdiplus.h"
#include "shell/association.h"
#include "shell/faketools.h"
#include "shell/mimeapps.h"
#include "shell/wallpaper.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/thumbcache.h"
#include "thumbs/ucthumbnailview.h"
#include "viewer/ffullscreen.h"

#include "messageanswers.h"
#include "browserfixture.h"
#include "testutil.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <memory>

using namespace mv;
using namespace mv::test;

namespace {

QString TrashFile(const QString &name)
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files/") + name;
}

// Colours compared loosely: JPEG moves them a little.
bool Near(QRgb pixel, QColor colour)
{
    return qAbs(qRed(pixel) - colour.red()) < 60 && qAbs(qGreen(pixel) - colour.green()) < 60
           && qAbs(qBlue(pixel) - colour.blue()) < 60;
}

// The four quadrants' colours, top-left, top-right, bottom-left, bottom-right.
QList<QColor> QuadrantColours(const QImage &image)
{
    const int w = image.width(), h = image.height();
    QList<QColor> colours;
    for (const QPoint at : {QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4),
                            QPoint(3 * w / 4, 3 * h / 4)}) {
        const QRgb pixel = image.pixel(at);
        QColor found = QColor(pixel);
        for (const QColor candidate : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue), QColor(Qt::white)}) {
            if (Near(pixel, candidate))
                found = candidate;
        }
        colours.append(found);
    }
    return colours;
}

// Whether the open cache holds a row for the path.
bool HasRow(const QString &path)
{
    if (!OpenThumbTable())
        return false;
    const bool found = PeekThumbDate(path).has_value();
    CloseThumbTable();
    return found;
}

QImage ReadPixels(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.read();
}

} // namespace

class TestBrowserCommands : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir mRoot;
    int mFolders = 0;

    // A new folder under the sandbox home (the tree shows it) holding the named images.
    QString folderWith(const QStringList &names)
    {
        const QString folder = QDir::homePath() + QStringLiteral("/pics%1/").arg(++mFolders);
        QDir().mkpath(folder);
        for (const QString &name : names) {
            const QByteArray format = QFileInfo(name).suffix().toLatin1();
            if (!WriteBytes(folder + name, Encode(Quadrants(80, 60), format.constData(), 95)))
                qWarning("fixture not written");
        }
        return folder;
    }

    // Lists the folder in the window and waits for its thumbnails.
    static bool open(Frmmain &browser, const QString &folder)
    {
        QSignalSpy listed(&browser, &Frmmain::FolderListed);
        browser.kFolder->setPath(folder);
        return listed.wait(10000) && browser.TreeFolder() == folder && !mThumbnail::ThumbBusy;
    }

    static void rightClick(Frmmain &browser, int index)
    {
        emit browser.ThumbView->ItemRightClick(index);
        browser.mMenu->hide();
    }

    // Right-clicks the folder's node in the tree, as the user opens the tree menu.
    static bool rightClickNode(Frmmain &browser, const QString &folder)
    {
        QTreeWidget *tree = browser.kFolder->tree();
        for (const FolderNode &node : browser.kFolder->nodes()) {
            if (node.hNode && ResolveDesktopLabel(node.Path) == folder) {
                tree->scrollToItem(node.hNode);
                QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualItemRect(node.hNode).center());
                if (!QTest::qWaitFor([&] { return browser.mMenu2->isVisible(); }))
                    return false;
                browser.mMenu2->hide();
                return browser.kFolder->rNode() == node.hNode;
            }
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mRoot.isValid());
        QVERIFY(QDir().mkpath(DesktopFolder()));
    }

    void init()
    {
        QFile::remove(ConfigPath());
        // The association of the first start is its own case below.
        QVERIFY(WriteConfig(QStringLiteral("Config"), QStringLiteral("Association"), QStringLiteral("True")));
        AppClosing = false;
    }

    void rotationTable_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QString>("after");
        QTest::newRow("0 right") << "0" << true << "90";
        QTest::newRow("90 right") << "90" << true << "180";
        QTest::newRow("180 right") << "180" << true << "270";
        QTest::newRow("270 right") << "270" << true << "0";
        QTest::newRow("0 left") << "0" << false << "270";
        QTest::newRow("90 left") << "90" << false << "0";
        QTest::newRow("180 left") << "180" << false << "90";
        QTest::newRow("270 left") << "270" << false << "180";
        QTest::newRow("other value stays") << "45" << true << "45";
    }
    void rotationTable()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        const QString folder = folderWith({QStringLiteral("a.png")});
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        QCOMPARE(browser->ThumbView->ItemText(0, 4), QStringLiteral("0"));
        browser->ThumbView->SetItemText(0, before);
        rightClick(*browser, 0);
        QByteArray thumbBefore;
        QVERIFY(browser->ThumbView->ThumbnailInfo_GetData(0, thumbBefore));
        (MV_FETCH(bool, right) ? browser->mRight90 : browser->mLeft90)->trigger();
        QCOMPARE(browser->ThumbView->ItemText(0, 4), after);
        QByteArray thumbAfter;
        QVERIFY(browser->ThumbView->ThumbnailInfo_GetData(0, thumbAfter));
        // The thumbnail is made again, turned by the new angle (only the text was set before,
        // so the picture was upright); a value that is no turn leaves it.
        QCOMPARE(thumbAfter != thumbBefore, after != before && after != "0");
    }

    void rightFourTimesComesBack()
    {
        const QString folder = folderWith({QStringLiteral("a.jpg")});
        const QByteArray bytes = ReadBytes(folder + QStringLiteral("a.jpg"));
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        rightClick(*browser, 0);
        QVERIFY(!browser->mSave->isEnabled());
        for (int turn = 1; turn <= 4; ++turn) {
            browser->mRight90->trigger();
            QCOMPARE(browser->ThumbView->ItemText(0, 4), QString::number(turn * 90 % 360));
            rightClick(*browser, 0);
            QCOMPARE(browser->mSave->isEnabled(), turn != 4);
        }
        QCOMPARE(ReadBytes(folder + QStringLiteral("a.jpg")), bytes);
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"a.jpg", "Thumbs.mvd"}));
    }

    void saveTurnedCopy_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("jpeg") << "a.jpg" << "a_旋转.jpg" << QByteArray("\xFF\xD8");
        QTest::newRow("png keeps its type") << "b.png" << "b_旋转.png" << QByteArray("\x89PNG");
    }
    void saveTurnedCopy()
    {
        QFETCH(QString, name);
        QFETCH(QString, copy);
        const QString folder = folderWith({name});
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        rightClick(*browser, 0);
        browser->mLeft90->trigger();
        rightClick(*browser, 0);
        QVERIFY(browser->mSave->isEnabled());
        MessageAnswers answers(MsgResult::Yes);
        browser->mSave->trigger();
        QVERIFY(answers.seen.isEmpty());
        const QString target = folder + copy;
        QVERIFY(ReadBytes(target).startsWith(MV_FETCH(QByteArray, magic)));
        // Turned 270 degrees clockwise: the top-right quadrant is now top left.
        const QImage turned = ReadPixels(target);
        QCOMPARE(turned.size(), QSize(60, 80));
        QCOMPARE(QuadrantColours(turned),
                 (QList<QColor>{Qt::green, Qt::white, Qt::red, Qt::blue}));
        // The list and the pending turn stay.
        QCOMPARE(browser->ThumbView->count(), 1);
        QCOMPARE(browser->ThumbView->ItemText(0, 4), QStringLiteral("270"));

        // Saving again asks before the copy is replaced.
        QVERIFY(WriteBytes(target, "mine"));
        answers.answer = MsgResult::No;
        browser->mSave->trigger();
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen[0].icon, MsgIcon::Question);
        QCOMPARE(answers.seen[0].buttons, MsgButtons::YesNo);
        QCOMPARE(ReadBytes(target), QByteArray("mine"));
        answers.answer = MsgResult::Yes;
        browser->mSave->trigger();
        QCOMPARE(ReadPixels(target).size(), QSize(60, 80));
    }

    void saveOfADamagedImageWritesNothing()
    {
        const QString folder = folderWith({});
        QVERIFY(WriteBytes(folder + QStringLiteral("bad.jpg"), "not a picture"));
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        rightClick(*browser, 0);
        browser->mRight90->trigger();
        MessageAnswers answers(MsgResult::Yes);
        browser->mSave->trigger();
        QVERIFY(answers.seen.isEmpty());
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("bad_旋转.jpg")));
    }

    void rename_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        QTest::newRow("free name") << "c" << QString() << "b.jpg c.jpg";
        QTest::newRow("taken name") << "b" << "该文件已存在,请重新输入!" << "a.jpg b.jpg";
        QTest::newRow("slash") << "../a" << "文件名不能为空或包含“/”,请重新输入!" << "a.jpg b.jpg";
    }
    void rename()
    {
        QFETCH(QString, message);
        const QString folder = folderWith({QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        emit browser->ThumbView->ItemClick(0);
        MessageAnswers answers(MsgResult::Ok);
        QSignalSpy listed(browser.get(), &Frmmain::FolderListed);
        browser->mReName->trigger();
        QLineEdit *editor = browser->ThumbView->Text1();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("a"));
        QCOMPARE(browser->RenamePath, folder + QStringLiteral("a.jpg"));
        editor->setText(MV_FETCH(QString, typed));
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!editor->isVisible());
        QStringList files = QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
        QCOMPARE(files.join(' '), MV_FETCH(QString, after));
        if (message.isEmpty()) {
            QVERIFY(answers.seen.isEmpty());
            QVERIFY(browser->RenamePath.isEmpty());
            QVERIFY(listed.wait());
            QCOMPARE(browser->ThumbView->ItemText(1, 0), folder + QStringLiteral("c.jpg"));
        } else {
            QCOMPARE(answers.seen.size(), 1);
            QCOMPARE(answers.seen[0].text, message);
            QCOMPARE(answers.seen[0].title, QStringLiteral("提示"));
            QCOMPARE(answers.seen[0].icon, MsgIcon::Critical);
            // The name is kept for another try; the list stays.
            QCOMPARE(browser->RenamePath, folder + QStringLiteral("a.jpg"));
            QCOMPARE(browser->ThumbView->count(), 2);
            QVERIFY(!browser->tmrExploreFolder->isActive());
        }
        QVERIFY(!QFileInfo::exists(mRoot.path() + QStringLiteral("/a.jpg")));
    }

    void deleteThreeSelectedAsksOnce()
    {
        const QStringList names{"1.png", "2.png", "3.png", "4.png"};
        const QString folder = folderWith(names);
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        emit browser->ThumbView->ItemClick(0);
        for (int i : {0, 1, 3})
            browser->ThumbView->setItemSelected(i, true);
        MessageAnswers answers(MsgResult::Yes);
        browser->mDel->trigger();
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen[0].text, QStringLiteral("确定要将选中的图片放入回收站吗?"));
        QCOMPARE(answers.seen[0].title, QStringLiteral("提示"));
        QCOMPARE(answers.seen[0].icon, MsgIcon::Question);
        QCOMPARE(answers.seen[0].buttons, MsgButtons::YesNo);
        QCOMPARE(browser->List4, (QStringList{folder + "4.png", folder + "2.png", folder + "1.png"}));
        QCOMPARE(browser->ThumbView->count(), 1);
        QCOMPARE(browser->ThumbView->ItemText(0, 0), folder + QStringLiteral("3.png"));
        for (const char *name : {"1.png", "2.png", "4.png"}) {
            QVERIFY(!QFileInfo::exists(folder + name));
            QVERIFY(QFileInfo::exists(TrashFile(QLatin1String(name))));
            QFile::remove(TrashFile(QLatin1String(name)));
        }
        QCOMPARE(browser->Label3->text(), QStringLiteral("找到 1 张图片"));
        QCOMPARE(browser->Label2->text(), QStringLiteral("1 张图片"));
        QCOMPARE(browser->Label3->textFormat(), Qt::PlainText);
        QVERIFY(!browser->Picture2->isVisible());
        const int wider = qMax(browser->LabFolder->width(), browser->Label2->width());
        QCOMPARE(browser->Command3->x(), browser->LabFolder->x() + wider + 10);
    }

    void deleteKeyAsksOnce_data()
    {
        QTest::addColumn<MsgResult>("answer");
        QTest::newRow("no") << MsgResult::No;
        QTest::newRow("yes, the last image") << MsgResult::Yes;
    }
    void deleteKeyAsksOnce()
    {
        QFETCH(MsgResult, answer);
        const QString folder = folderWith({QStringLiteral("only.png")});
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        browser->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(browser.get()));
        emit browser->ThumbView->ItemClick(0);
        browser->ThumbView->setItemSelected(0, true);
        browser->ThumbView->hWnd()->setFocus();
        MessageAnswers answers(answer);
        QTest::keyClick(browser->ThumbView->hWnd(), Qt::Key_Delete);
        QCOMPARE(answers.seen.size(), 1);
        const bool deleted = answer == MsgResult::Yes;
        QCOMPARE(QFileInfo::exists(folder + QStringLiteral("only.png")), !deleted);
        QCOMPARE(browser->ThumbView->count(), deleted ? 0 : 1);
        // The panel of a folder without images.
        QCOMPARE(browser->Picture2->isVisible(), deleted);
        QFile::remove(TrashFile(QStringLiteral("only.png")));
    }

    void emptyListCommandsDoNothing()
    {
        const QString folder = folderWith({});
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        MessageAnswers answers(MsgResult::Yes);
        browser->mDel->trigger();
        browser->mReName->trigger();
        browser->mHuanDeng->trigger();
        QVERIFY(answers.seen.isEmpty());
        QVERIFY(!browser->ThumbView->Text1()->isVisible());
        QVERIFY(browser->findChildren<fFullScreen *>().isEmpty());
    }

    void refreshDeletesTheCacheRows()
    {
        const QString folder = folderWith({QStringLiteral("a.png"), QStringLiteral("b.png")});
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        QCOMPARE(ThumbCacheNow().path, folder + QStringLiteral("Thumbs.mvd"));
        QVERIFY(HasRow(folder + QStringLiteral("a.png")));
        QSignalSpy listed(browser.get(), &Frmmain::FolderListed);
        emit browser->ThumbView->ItemRightClick2();
        QTRY_VERIFY(browser->mMenu3->isVisible());
        browser->mRef->trigger();
        browser->mMenu3->hide();
        QCOMPARE(browser->ThumbView->count(), 0);
        QVERIFY(!HasRow(folder + QStringLiteral("a.png")));
        QVERIFY(!HasRow(folder + QStringLiteral("b.png")));
        QVERIFY(listed.wait());
        QCOMPARE(listed[0][0].toString(), folder);
        QCOMPARE(browser->ThumbView->count(), 2);
        QVERIFY(HasRow(folder + QStringLiteral("a.png")));
    }

    void deleteFolderFromDisk_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("with its cache open") << true;
        QTest::newRow("gone already") << false;
    }
    void deleteFolderFromDisk()
    {
        QFETCH(bool, present);
        const QString parent = QDir::homePath() + QStringLiteral("/albums%1/").arg(++mFolders);
        const QString folder = parent + QStringLiteral("trip/");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(WriteBytes(folder + QStringLiteral("a.png"), Encode(Quadrants(20, 20), "png")));
        QVERIFY(WriteBytes(parent + QStringLiteral("keep.png"), Encode(Quadrants(20, 20), "png")));
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        QCOMPARE(ThumbCacheNow().path, folder + QStringLiteral("Thumbs.mvd"));
        QVERIFY(rightClickNode(*browser, folder));
        QVERIFY(browser->mDelFolder->isEnabled());
        if (!present)
            QVERIFY(QDir(folder).removeRecursively());
        MessageAnswers answers(MsgResult::Yes);
        browser->mDelFolder->trigger();
        QCOMPARE(answers.seen[0].text, QStringLiteral("确定要将选中的目录放入回收站吗?"));
        QCOMPARE(answers.seen[0].icon, MsgIcon::Question);
        QCOMPARE(answers.seen[0].buttons, MsgButtons::YesNo);
        QVERIFY(!ThumbCacheNow().IsOpen());
        // Nothing else was touched.
        QVERIFY(QFileInfo::exists(parent + QStringLiteral("keep.png")));
        QVERIFY(!QFileInfo::exists(folder));
        if (present) {
            QCOMPARE(answers.seen.size(), 1);
            QVERIFY(QFileInfo::exists(TrashFile(QStringLiteral("trip")) + QStringLiteral("/a.png")));
            QVERIFY(QDir(TrashFile(QStringLiteral("trip"))).removeRecursively());
            // The folder that held it is shown, and the deleted one is out of the tree.
            QCOMPARE(browser->TreeFolder(), parent);
            for (const FolderNode &node : browser->kFolder->nodes())
                QVERIFY2(!node.hNode || node.Path != folder, qPrintable(node.Path));
            QTRY_COMPARE(browser->ThumbView->count(), 1);
        } else {
            QCOMPARE(answers.seen.size(), 2);
            QCOMPARE(answers.seen[1].text, QStringLiteral("文件夹删除失败,文件夹不存在或者正在被使用!"));
            QCOMPARE(answers.seen[1].icon, MsgIcon::Critical);
            QCOMPARE(answers.seen[1].title, QStringLiteral("提示"));
        }
    }

    void deleteFolderAnsweredNo()
    {
        const QString folder = QDir::homePath() + QStringLiteral("/kept%1/").arg(++mFolders);
        QVERIFY(QDir().mkpath(folder));
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        QVERIFY(rightClickNode(*browser, folder));
        MessageAnswers answers(MsgResult::No);
        browser->mDelFolder->trigger();
        QCOMPARE(answers.seen.size(), 1);
        QVERIFY(QFileInfo::exists(folder));
        QCOMPARE(browser->TreeFolder(), folder);
    }

    void copyPutsTheSelectionOnTheClipboard()
    {
        const QString folder = folderWith({QStringLiteral("1.png"), QStringLiteral("2.png"), QStringLiteral("3.png")});
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        browser->mCopy->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("before")); // nothing selected
        browser->ThumbView->setItemSelected(2, true);
        browser->ThumbView->setItemSelected(0, true);
        browser->mCopy->trigger();
        const QMimeData *data = clipboard->mimeData();
        QVERIFY(data);
        QCOMPARE(data->urls(),
                 (QList<QUrl>{QUrl::fromLocalFile(folder + "1.png"), QUrl::fromLocalFile(folder + "3.png")}));
    }

    void copyToCopiesTheSelection()
    {
        const QString folder = folderWith({QStringLiteral("1.png"), QStringLiteral("2.png"), QStringLiteral("3.png")});
        const QString target = mRoot.path() + QStringLiteral("/copies");
        QVERIFY(QDir().mkpath(target));
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        browser->ThumbView->setItemSelected(0, true);
        browser->ThumbView->setItemSelected(2, true);
        QString title;
        // The folder dialog is answered as the user would: the folder chosen, then OK.
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            answer.stop();
            title = dialog->windowTitle();
            dialog->setDirectory(target);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        answer.start();
        MessageAnswers answers(MsgResult::Yes);
        browser->mCopyTo->trigger();
        QCOMPARE(title, QStringLiteral("选择要复制到的文件夹"));
        QVERIFY(answers.seen.isEmpty());
        QCOMPARE(QDir(target).entryList(QDir::Files, QDir::Name), (QStringList{"1.png", "3.png"}));
        QCOMPARE(ReadBytes(target + QStringLiteral("/3.png")), ReadBytes(folder + QStringLiteral("3.png")));
    }

    void copyPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::newRow("png") << "a.png" << Encode(Quadrants(40, 30), "png") << QSize(40, 30);
        QTest::newRow("tiff") << "a.tif" << Encode(Quadrants(40, 30), "tiff") << QSize(40, 30);
        QTest::newRow("jpeg turned upright") << "a.jpg"
                                            << WithExif(Encode(StoreForOrientation(Quadrants(40, 30), 6), "jpeg", 95),
                                                        ExifTags::Of(6))
                                            << QSize(40, 30);
        QTest::newRow("damaged") << "a.gif" << QByteArray("GIF89a broken") << QSize(0, 0);
    }
    void copyPicture()
    {
        QFETCH(QSize, size);
        const QString folder = folderWith({});
        QVERIFY(WriteBytes(folder + MV_FETCH(QString, name), MV_FETCH(QByteArray, bytes)));
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        QCOMPARE(browser->ThumbView->count(), 1);
        rightClick(*browser, 0);
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        browser->mCopyToQQ->trigger();
        const QImage picture = clipboard->image();
        QCOMPARE(picture.size(), size);
        if (!size.isEmpty())
            QCOMPARE(QuadrantColours(picture), (QList<QColor>{Qt::red, Qt::green, Qt::blue, Qt::white}));
        else
            QVERIFY(clipboard->text().isEmpty());
    }

    void slideShowOverTheWholeList()
    {
        const QString folder = folderWith({QStringLiteral("1.png"), QStringLiteral("2.png"), QStringLiteral("3.png")});
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        rightClick(*browser, 1);
        browser->mHuanDeng->trigger();
        const QList<fFullScreen *> shows = browser->findChildren<fFullScreen *>();
        QCOMPARE(shows.size(), 1);
        fFullScreen *show = shows.first();
        QCOMPARE(show->List1, (QStringList{folder + "1.png", folder + "2.png", folder + "3.png"}));
        QVERIFY(show->isVisible());
        // The show's own start begins with the first image.
        QTRY_COMPARE(show->windowTitle(), QStringLiteral("1.png"));
        // One show at a time.
        browser->mHuanDeng->trigger();
        QCOMPARE(browser->findChildren<fFullScreen *>().size(), 1);
        const QPointer<fFullScreen> closing(show);
        QVERIFY(show->close());
        QTRY_VERIFY(!closing);
    }

    void wallpaperItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("options");
        QTest::newRow("centre") << "mDesk1" << "'centered'";
        QTest::newRow("tile") << "mDesk2" << "'wallpaper'";
        QTest::newRow("stretch") << "mDesk3" << "'stretched'";
    }
    void wallpaperItems()
    {
        const QString folder = folderWith({QStringLiteral("a.png"), QStringLiteral("b.png")});
        QVERIFY(WriteBytes(folder + QStringLiteral("b.png"), Encode(Quadrants(60, 20), "png")));
        auto browser = StartBrowser();
        QVERIFY(open(*browser, folder));
        rightClick(*browser, 1);
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        QFile::remove(WallpaperPath());
        FakeTools tools;
        tools.add(QStringLiteral("gsettings"));
        MessageAnswers answers(MsgResult::Ok);
        browser->findChild<QAction *>(MV_FETCH(QString, item))->trigger();
        qunsetenv("XDG_CURRENT_DESKTOP");
        QVERIFY(!tools.calls().isEmpty());
        QCOMPARE(tools.calls().first(),
                 (QStringList{"gsettings", "set", "org.gnome.desktop.background", "picture-options",
                              MV_FETCH(QString, options)}));
        QImage written;
        QVERIFY(written.load(WallpaperPath(), "bmp"));
        QCOMPARE(written.size(), QSize(60, 20));
        QVERIFY(answers.seen.isEmpty());
    }

    // The first start associates the types without a word; the button tells the outcome.
    void association()
    {
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        QFile::remove(ConfigPath());
        QFile::remove(data + QStringLiteral("/applications/Mirovale.desktop"));
        FakeTools tools;
        tools.add(QStringLiteral("update-mime-database"));
        tools.add(QStringLiteral("update-desktop-database"));
        MessageAnswers answers(MsgResult::Ok);
        auto browser = StartBrowser();
        QVERIFY(answers.seen.isEmpty());
        QCOMPARE(ReadConfig(QStringLiteral("Association")), QStringLiteral("True"));
        QVERIFY(QFileInfo::exists(data + QStringLiteral("/applications/Mirovale.desktop")));
        QCOMPARE(DefaultApplicationFor(QStringLiteral("image/jpeg")), QString::fromLatin1(DesktopId));
        QCOMPARE(tools.calls().size(), 2);

        tools.clearCalls();
        emit browser->Command5->Click();
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen[0].text, QStringLiteral("软件已经关联了所有支持的格式！"));
        QCOMPARE(answers.seen[0].title, QStringLiteral("恭喜"));
        QCOMPARE(tools.calls().size(), 2);
    }
};

MV_BROWSER_TEST_MAIN(TestBrowserCommands)

#include "tst_browsercommands.moc"
