#include "app/appstate.h"
#include "app/handoff.h"
#include "app/inifile.h"
#include "app/messagebox.h"
#include "app/paths.h"
#include "app/qttexts.h"
#include "controls/command.h"
#include "controls/flatcmd.h"
#include "imaging/gdiplus.h"
#include "imaging/ucplayer.h"
#include "imaging/exiffixture.h"
#include "imaging/fixtures.h"
#include "messageanswers.h"
#include "metafile/metafilewriter.h"
#include "testutil.h"
#include "viewer/ffullscreen.h"
#include "viewer/frmshow.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <chrono>
#include <csignal>
#include <future>

#include <sys/resource.h>

using namespace mv;
using namespace mv::test;

namespace {

void saveImage(const QString &path, QSize size, QColor colour, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    // A marker in the top-left corner shows which way the picture was turned.
    for (int y = 0; y < size.height() / 4; ++y)
        for (int x = 0; x < size.width() / 4; ++x)
            image.setPixelColor(x, y, Qt::black);
    QVERIFY(image.save(path, format));
}

const QList<QRgb> UprightQuadrants{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};

// A colour snapped to the fixtures' pure ones, so that JPEG noise does not matter.
QRgb Snapped(QRgb c)
{
    return qRgb(qRed(c) > 128 ? 255 : 0, qGreen(c) > 128 ? 255 : 0, qBlue(c) > 128 ? 255 : 0);
}

// The colours the canvas shows in the middles of the picture's four quadrants.
QList<QRgb> QuadrantsShown(ucPlayer &player)
{
    const QImage shown = player.grab().toImage();
    const QRect r = player.Layout().Display();
    QList<QRgb> colours;
    for (const QPoint p : {QPoint(r.left() + r.width() / 4, r.top() + r.height() / 4),
                           QPoint(r.left() + 3 * r.width() / 4, r.top() + r.height() / 4),
                           QPoint(r.left() + r.width() / 4, r.top() + 3 * r.height() / 4),
                           QPoint(r.left() + 3 * r.width() / 4, r.top() + 3 * r.height() / 4)})
        colours << Snapped(shown.pixel(p));
    return colours;
}

void Shot(QWidget &widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("MIROVALE_SHOTS");
    if (!folder.isEmpty())
        widget.grab().save(folder + QLatin1Char('/') + name);
}

void releaseKey(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyRelease(target, key, modifiers);
}

// Answers every message box with handler while it lives.
struct AnsweredBy {
    MessageBoxHandler previous;
    explicit AnsweredBy(MessageBoxHandler handler)
        : previous(SetMessageBoxHandler(std::move(handler)))
    {
    }
    ~AnsweredBy() { SetMessageBoxHandler(previous); }
};

// Two folders: the one the viewer shows and the one a later start hands over.
struct HandoffFolders {
    QTemporaryDir shown, handed;
    HandoffFolders()
    {
        for (const char *name : {"1.png", "2.png", "3.png"})
            saveImage(shown.path() + '/' + name, QSize(20, 20), Qt::gray, "PNG");
        for (const char *name : {"x.png", "y.png"})
            saveImage(handed.path() + '/' + name, QSize(20, 20), Qt::cyan, "PNG");
    }
    QStringList shownList(const QStringList &names) const
    {
        QStringList paths;
        for (const QString &name : names)
            paths << shown.path() + '/' + name;
        return paths;
    }
    QString handedPath() const { return handed.path() + "/y.png"; }
    QStringList handedList() const { return {handed.path() + "/x.png", handed.path() + "/y.png"}; }
};

} // namespace

class TestFrmShow : public QObject
{
    Q_OBJECT
    QTemporaryDir mDir;
    QString pic(const QString &name) const { return mDir.path() + '/' + name; }

    // A viewer on three pictures of the test folder, opened from the browser.
    std::unique_ptr<FrmShow> openViewer(int index = 0)
    {
        auto viewer = std::make_unique<FrmShow>();
        viewer->ListFolder(pic("a.png"));
        viewer->show();
        viewer->ShowPic(index);
        return viewer;
    }

private slots:
    void initTestCase()
    {
        saveImage(pic("a.png"), QSize(400, 300), Qt::red, "PNG");
        saveImage(pic("b.jpg"), QSize(320, 200), Qt::green, "JPEG");
        saveImage(pic("c.png"), QSize(64, 48), Qt::blue, "PNG");
        QFile broken(pic("d.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("this is no picture at all");
        broken.close();
        ViewerAlone = false;
        QCOMPARE(GdiplusStartup(GdiToken), GdiplusOk);
    }
    void init()
    {
        QFile::remove(ConfigPath());
    }

    void toolbarAndMenu()
    {
        auto viewer = openViewer();
        const QStringList tips{"放大(+)", "缩小(-)", "原始尺寸", "最佳尺寸", "上一张(←)", "下一张(→)",
                               "左旋转90°", "右旋转90°", "播放幻灯片", "删除图片(Delete)", "打印", "保存图片"};
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(viewer->FlatCmds[i]->objectName(), QString("FlatCmd%1").arg(i + 1));
            QCOMPARE(viewer->FlatCmds[i]->toolTip(), tips.at(i));
            QVERIFY(viewer->FlatCmds[i]->isVisible());
        }
        QStringList captions;
        for (QAction *action : viewer->mMenu->actions())
            captions << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(captions, (QStringList{"播放幻灯", "-", "向左旋转90°", "向右旋转90°", "保存图片(&S)", "-", "复制(&C)",
                                        "复制到...", "复制到QQ", "-", "打开图片所在文件夹", "设置为桌面(&W)", "打印图片",
                                        "-", "删除图片", "-", "看图窗口总在最前"}));
        QCOMPARE(viewer->mMenu->defaultAction(), viewer->mHuanDeng);
        QVERIFY(viewer->mOnTop->isCheckable());
        // The toolbar strip is 32 pixels high across the bottom, the canvas above it.
        QCOMPARE(viewer->PicT->geometry(), QRect(0, viewer->height() - 32, viewer->width(), 32));
        QCOMPARE(viewer->Player->geometry(), QRect(0, 0, viewer->width(), viewer->height() - 32));
    }

    void showPic()
    {
        auto viewer = openViewer();
        QCOMPARE(viewer->List1, (QStringList{pic("a.png"), pic("b.jpg"), pic("c.png"), pic("d.png")}));
        QCOMPARE(viewer->windowTitle(), QString("a.png - Mirovale 万能图片查看器"));
        QVERIFY(viewer->Player->HasImage());
        QVERIFY(!viewer->Picture1->isVisible());
        QVERIFY(viewer->FlatCmds[3]->Status());
        QVERIFY(!viewer->FlatCmds[2]->Status());
        QVERIFY(!viewer->FlatCmds[11]->isEnabled());

        viewer->ShowPic(3);
        QCOMPARE(viewer->windowTitle(), QString("d.png - Mirovale 万能图片查看器"));
        QVERIFY(viewer->Picture1->isVisible());
        QVERIFY(!viewer->Player->HasImage());
        QCOMPARE(viewer->Picture1->pixmap().size(), QSize(204, 198));

        viewer->List1.clear();
        viewer->ShowPic(0);
        QCOMPARE(viewer->windowTitle(), QString("没有图片 - Mirovale 万能图片查看器"));
        QVERIFY(!viewer->Player->isVisible());
    }

    void listFolderMatchesExactly()
    {
        FrmShow viewer;
        QCOMPARE(viewer.ListFolder(pic("c.png")), 2);
        QCOMPARE(viewer.ListFolder(pic("C.PNG")), 0);       // case matters
        QCOMPARE(viewer.ListFolder(pic("notes.txt")), 0);   // not an image: the first one
        QCOMPARE(viewer.ListFolder(pic("gone/x.png")), 0);
        QVERIFY(viewer.List1.isEmpty());
        // A relative path names nothing here, even where this process happens to run.
        const QString working = QDir::currentPath();
        QVERIFY(QDir::setCurrent(mDir.path()));
        viewer.ListFolder(pic("a.png"));
        QCOMPARE(viewer.ListFolder("c.png"), 0);
        QDir::setCurrent(working);
        QVERIFY(viewer.List1.isEmpty());
    }

    void zoomButtonsAndKeys()
    {
        auto viewer = openViewer();
        QTest::mouseClick(viewer->FlatCmds[0], Qt::LeftButton);
        QCOMPARE(viewer->ViewZoom(), 1.1);
        QVERIFY(!viewer->Player->BestFitMode());
        QCOMPARE(viewer->Player->Zoom(), 1.1);
        QCOMPARE(viewer->Player->nMouseIcon(), int(ToolZoomIn));

        // One key stroke acts once, wherever the focus is.
        viewer->Player->setFocus();
        releaseKey(viewer->Player, Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(viewer->ViewZoom(), 1.2);
        releaseKey(viewer->FlatCmds[4], Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(viewer->ViewZoom(), 1.1);
        QCOMPARE(viewer->Player->nMouseIcon(), int(ToolZoomOut));

        for (int i = 0; i < 60; ++i)
            viewer->ZoomIn();
        QCOMPARE(viewer->ViewZoom(), 5.0);
        for (int i = 0; i < 60; ++i)
            viewer->ZoomOut();
        QCOMPARE(viewer->ViewZoom(), 0.1);
        viewer->Player->SetnMouseIcon(ToolHand);
        viewer->ZoomOut(); // below 0.2 not even the tool changes
        QCOMPARE(viewer->Player->nMouseIcon(), int(ToolHand));

        // Left click in zoom-in mode zooms in; right click returns to the hand.
        viewer->ZoomIn();
        const double before = viewer->ViewZoom();
        QTest::mousePress(viewer->Player, Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseRelease(viewer->Player, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(viewer->ViewZoom(), before + 0.1);
        QTest::mousePress(viewer->Player, Qt::RightButton, {}, QPoint(20, 20));
        QTest::mouseRelease(viewer->Player, Qt::RightButton, {}, QPoint(20, 20));
        QCOMPARE(viewer->Player->nMouseIcon(), int(ToolHand));
    }

    void wheelZooms()
    {
        auto viewer = openViewer();
        const QPointF at(50, 50);
        const auto turn = [&](int delta) {
            QWheelEvent wheel(at, viewer->Player->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewer->Player, &wheel);
        };
        turn(120);
        QCOMPARE(viewer->ViewZoom(), 1.1);
        turn(-120);
        turn(-120);
        QCOMPARE(viewer->ViewZoom(), 0.9);
        // A touchpad's small steps add up to one notch.
        for (int i = 0; i < 4; ++i)
            turn(30);
        QCOMPARE(viewer->ViewZoom(), 1.0);
    }

    void actualSizeAndBestFit()
    {
        auto viewer = openViewer();
        viewer->TurnRight();
        QTest::mouseClick(viewer->FlatCmds[2], Qt::LeftButton);
        QVERIFY(viewer->FlatCmds[2]->Status());
        QVERIFY(!viewer->FlatCmds[3]->Status());
        QVERIFY(viewer->Player->YuanShiDaXiao());
        QCOMPARE(viewer->RotationAngle(), 0);
        QVERIFY(!viewer->FlatCmds[11]->isEnabled());
        QCOMPARE(viewer->Player->RenderBitmap().Width(), 400);
        QTest::mouseClick(viewer->FlatCmds[3], Qt::LeftButton);
        QVERIFY(viewer->Player->BestFitMode());
        QVERIFY(!viewer->Player->YuanShiDaXiao());
        QCOMPARE(viewer->ViewZoom(), 1.0);
    }

    void navigationAsks_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("question");
        const QString last = "当前已经是最后一张图片,是否继续显示第一张图片？";
        const QString first = "当前已经是第一张图片,是否继续显示最后一张图片？";
        QTest::newRow("next") << 1 << int(Qt::Key_Right) << int(MsgResult::No) << 2 << "";
        QTest::newRow("previous") << 1 << int(Qt::Key_Left) << int(MsgResult::No) << 0 << "";
        QTest::newRow("next on the last, no") << 3 << int(Qt::Key_Right) << int(MsgResult::No) << 3 << last;
        QTest::newRow("next on the last, yes") << 3 << int(Qt::Key_Right) << int(MsgResult::Yes) << 0 << last;
        QTest::newRow("previous on the first, yes") << 0 << int(Qt::Key_Left) << int(MsgResult::Yes) << 3 << first;
    }
    void navigationAsks()
    {
        QFETCH(QString, question);
        auto viewer = openViewer(MV_FETCH(int, start));
        MessageAnswers answers;
        answers.answer = MsgResult(MV_FETCH(int, answer));
        viewer->Player->setFocus();
        releaseKey(viewer->Player, Qt::Key(MV_FETCH(int, key)));
        QCOMPARE(CurrentIndex, MV_FETCH(int, shown));
        QCOMPARE(answers.seen.size(), question.isEmpty() ? 0 : 1);
        if (!question.isEmpty()) {
            QCOMPARE(answers.seen.at(0).text, question);
            QCOMPARE(answers.seen.at(0).title, QString("提示"));
            QCOMPARE(answers.seen.at(0).buttons, MsgButtons::YesNo);
            QCOMPARE(answers.seen.at(0).icon, MsgIcon::Question);
        }
    }

    void turnAndSaveTheTurnedCopy()
    {
        auto viewer = openViewer(0);
        QTest::mouseClick(viewer->FlatCmds[6], Qt::LeftButton);
        QVERIFY(viewer->FlatCmds[11]->isEnabled());
        QVERIFY(viewer->mSave->isEnabled());
        QTest::mouseClick(viewer->FlatCmds[6], Qt::LeftButton);
        QCOMPARE(viewer->RotationAngle(), 180);
        QTest::mouseClick(viewer->FlatCmds[11], Qt::LeftButton);
        QVERIFY(!viewer->FlatCmds[11]->isEnabled());

        const QString turned = pic("a_旋转.png");
        QVERIFY(ReadBytes(turned).startsWith("\x89PNG")); // its bytes match its name
        QImageReader reader(turned);
        const QImage copy = reader.read();
        QCOMPARE(copy.size(), QSize(400, 300));
        // Turned by 180 degrees: the black marker moved to the bottom-right corner.
        QVERIFY(qGray(copy.pixel(395, 295)) < 40);
        QVERIFY(qGray(copy.pixel(5, 5)) > 40);
        QFile::remove(turned);

        // Saving keeps the angle; two more turns bring it back to 0.
        QCOMPARE(viewer->RotationAngle(), 180);
        viewer->TurnRight();
        QVERIFY(viewer->FlatCmds[11]->isEnabled());
        viewer->TurnRight();
        QCOMPARE(viewer->RotationAngle(), 0);
        QVERIFY(!viewer->FlatCmds[11]->isEnabled());
    }

    void deleteImages()
    {
        QTemporaryDir dir;
        for (const char *name : {"1.png", "2.png", "3.png"})
            saveImage(dir.path() + '/' + name, QSize(20, 20), Qt::gray, "PNG");
        FrmShow viewer;
        viewer.ListFolder(dir.path() + "/1.png");
        viewer.show();
        viewer.ShowPic(2);
        MessageAnswers answers;
        answers.answer = MsgResult::No;
        releaseKey(&viewer, Qt::Key_Delete);
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen.at(0).text, QString("确定要将 3.png 放入回收站吗?"));
        QVERIFY(QFile::exists(dir.path() + "/3.png"));

        answers.answer = MsgResult::Yes;
        QTest::mouseClick(viewer.FlatCmds[9], Qt::LeftButton);
        QVERIFY(!QFile::exists(dir.path() + "/3.png"));
        QVERIFY(QFile::exists(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/3.png"));
        QCOMPARE(viewer.List1.size(), 2);
        QCOMPARE(CurrentIndex, 0); // the last one went: the first is shown
        QCOMPARE(viewer.windowTitle(), QString("1.png - Mirovale 万能图片查看器"));

        // A file that cannot be trashed: the entry stays and the user is told.
        QFile::remove(dir.path() + "/1.png");
        viewer.DeleteImage();
        QCOMPARE(answers.seen.last().text, QString("图片删除失败!"));
        QCOMPARE(answers.seen.last().icon, MsgIcon::Critical);
        QCOMPARE(viewer.List1.size(), 2);

        viewer.ShowPic(1);
        viewer.List1.removeFirst();
        viewer.ShowPic(0);
        viewer.DeleteImage();
        QVERIFY(viewer.List1.isEmpty());
        QCOMPARE(viewer.windowTitle(), QString("没有图片 - Mirovale 万能图片查看器"));
    }

    void placementAndClose()
    {
        WriteConfig("Config", QString("PlayerWnd2"), QString("10,10,300,200"));
        {
            FrmShow viewer;
            QCOMPARE(viewer.pos(), QPoint(10, 10));
            QCOMPARE(viewer.size(), QSize(750, 550));
            viewer.show();
            viewer.move(30, 40);
            viewer.resize(800, 600);
            viewer.close();
        }
        QCOMPARE(ReadConfig("Max2"), QString("False"));
        QCOMPARE(ReadConfig("PlayerWnd2"), QString("30,40,800,600"));

        QFile::remove(ConfigPath());
        FrmShow centred;
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(centred.size(), QSize(750, 550));
        QCOMPARE(centred.pos(), QPoint((screen.width() - 750) / 2, (screen.height() - 550) / 2));
    }

    void onTop()
    {
        WriteConfig("Config", QString("OnTop"), QString("True"));
        FrmShow viewer;
        QVERIFY(viewer.mOnTop->isChecked());
        QVERIFY(viewer.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        viewer.mOnTop->trigger();
        QVERIFY(!viewer.mOnTop->isChecked());
        QVERIFY(!viewer.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(ReadConfig("OnTop"), QString("False"));
        viewer.mOnTop->trigger();
        QCOMPARE(ReadConfig("OnTop"), QString("True"));
    }

    void slideShowHandsBackWhereItEnded()
    {
        auto viewer = openViewer(2);
        WriteConfig("Config", QString("Interval"), QString("7"));
        QTest::mouseClick(viewer->FlatCmds[8], Qt::LeftButton);
        fFullScreen *show = viewer->FullScreen();
        QVERIFY(show);
        QVERIFY(show->Loaded());
        QCOMPARE(show->Label2->text(), QString("07"));
        QVERIFY(show->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(show->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(show->List1, viewer->List1);
        // The show always begins with the first entry.
        QTRY_COMPARE(show->windowTitle(), QString("a.png"));
        QCOMPARE(CurrentIndex, 0);
        QTest::mousePress(show->Player, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(CurrentIndex, 1);
        for (int i = 0; i < 7; ++i)
            show->Clock.tick();
        QCOMPARE(show->windowTitle(), QString("c.png"));
        QTest::mousePress(show->Player, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(show->windowTitle(), QString("d.png"));
        QTest::mousePress(show->Player, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(show->windowTitle(), QString("a.png")); // after the last, the first
        QTest::mousePress(show->Player, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(CurrentIndex, 1);

        QTest::keyClick(show, Qt::Key_Escape);
        QTRY_VERIFY(!viewer->FullScreen());
        // The viewer shows the picture the show ended on: picture, title and position.
        QCOMPARE(CurrentIndex, 1);
        QCOMPARE(viewer->windowTitle(), QString("b.jpg - Mirovale 万能图片查看器"));
        QCOMPARE(viewer->Player->ImageWidth(), 320);
        const QRect shown = viewer->Player->Layout().Display();
        QVERIFY(qGreen(viewer->Player->grab().toImage().pixel(shown.center())) > 200);
        viewer->NextImage();
        QCOMPARE(viewer->windowTitle(), QString("c.png - Mirovale 万能图片查看器"));

        // Ended on the picture the viewer shows: it keeps its turn.
        viewer->ShowPic(0);
        viewer->TurnRight();
        viewer->SlideShow();
        QTRY_COMPARE(viewer->FullScreen()->windowTitle(), QString("a.png"));
        QTest::mouseClick(viewer->FullScreen()->Command3, Qt::LeftButton); // the close button
        QTRY_VERIFY(!viewer->FullScreen());
        QCOMPARE(CurrentIndex, 0);
        QCOMPARE(viewer->RotationAngle(), 90);
        QCOMPARE(viewer->Player->ImageWidth(), 300);
        QVERIFY(viewer->FlatCmds[11]->isEnabled());
    }

    void slideShowToolbar()
    {
        auto viewer = openViewer(0);
        WriteConfig("Config", QString("Interval"), QString("20"));
        viewer->SlideShow();
        fFullScreen *show = viewer->FullScreen();
        QVERIFY(show);
        QTRY_COMPARE(CurrentIndex, 0);
        QCOMPARE(show->Label2->text(), QString("20"));
        QTest::mouseClick(show->Command4, Qt::LeftButton);
        QCOMPARE(show->Label2->text(), QString("20"));
        QTest::mouseClick(show->Command5, Qt::LeftButton);
        QCOMPARE(show->Label2->text(), QString("19"));
        QCOMPARE(ReadConfig("Interval"), QString("19"));
        QCOMPARE(show->Command3->toolTip(), QString("退出幻灯片播放(ESC)"));

        // Pause keeps the count; play goes on from it.
        show->Clock.tick();
        QTest::mouseClick(show->Command1, Qt::LeftButton);
        QVERIFY(!show->Clock.running());
        QVERIFY(show->Command1->isHidden());
        QVERIFY(!show->Command2->isHidden());
        QTest::mouseClick(show->Command2, Qt::LeftButton);
        QVERIFY(show->Clock.running());
        QCOMPARE(show->Clock.seconds(), 1);

        // The toolbar shows near the bottom edge only.
        const QPoint bottom = show->mapToGlobal(QPoint(show->width() / 2, show->height() - 3));
        show->UpdateToolbar(bottom);
        QVERIFY(show->PicTool->isVisible());
        QCOMPARE(show->PicTool->geometry().bottom(), show->height() - 10 - 1);
        QCOMPARE(show->geometry(), show->screen()->geometry());
        show->UpdateToolbar(show->mapToGlobal(QPoint(show->width() / 2, show->height() / 2)));
        QVERIFY(!show->PicTool->isVisible());

        // The slide-show command on an open show closes it.
        viewer->SlideShow();
        QTRY_VERIFY(!viewer->FullScreen());
    }

    // The zoom value is the scale on the screen: zooming out shrinks and zooming in enlarges
    // from any state.
    void zoomFollowsTheScreen()
    {
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("big.jpg"), Encode(PhotoLike(2400, 1800), "jpeg", 85)));
        FrmShow viewer;
        viewer.ListFolder(dir.filePath("big.jpg"));
        viewer.show();
        viewer.ShowPic(0);
        ucPlayer *player = viewer.Player;
        const auto shownWidth = [&] {
            return player->BestFitMode() ? player->Layout().Display().width() : player->Layout().ZoomedSize().width();
        };
        const auto inStep = [&] { // the zoom value is what the screen shows
            QVERIFY(qAbs(viewer.ViewZoom() * player->RenderBitmap().Width() - shownWidth()) <= 1.0);
        };
        const int fit = shownWidth();
        QVERIFY(fit < player->RenderBitmap().Width());
        inStep();
        viewer.ZoomOut();
        QVERIFY(shownWidth() < fit);
        inStep();

        QTest::mouseClick(viewer.FlatCmds[2], Qt::LeftButton); // actual size
        QCOMPARE(viewer.ViewZoom(), 1.0);
        QCOMPARE(shownWidth(), 2400);
        QTest::mouseClick(viewer.FlatCmds[3], Qt::LeftButton); // best fit
        QCOMPARE(shownWidth(), fit);
        inStep();
        QTest::mouseClick(viewer.FlatCmds[1], Qt::LeftButton); // zoom out
        QVERIFY2(shownWidth() < fit, qPrintable(QStringLiteral("%1 after a fit of %2").arg(shownWidth()).arg(fit)));
        inStep();

        viewer.BestFit();
        viewer.ZoomIn();
        QVERIFY(shownWidth() > fit);
        // After a wheel zoom and a drag, the buttons go on from what is shown.
        const QPointF at(100, 100);
        QWheelEvent wheel(at, player->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(player, &wheel);
        player->SetnMouseIcon(ToolHand);
        QTest::mousePress(player, Qt::LeftButton, {}, QPoint(300, 300));
        QTest::mouseMove(player, QPoint(250, 200));
        QTest::mouseRelease(player, Qt::LeftButton, {}, QPoint(250, 200));
        inStep();
        const int wheeled = shownWidth();
        viewer.ZoomOut();
        QVERIFY(shownWidth() < wheeled);
        viewer.ZoomIn();
        viewer.ZoomIn();
        QVERIFY(shownWidth() > wheeled);
        inStep();
    }

    // The wheel zooms about the pointer: the picture point under it stays under it.
    void wheelKeepsThePointUnderThePointer_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("notches");
        QTest::newRow("in, upper left") << QPoint(150, 120) << 3;
        QTest::newRow("in, lower right") << QPoint(600, 400) << 5;
        QTest::newRow("in then out") << QPoint(420, 260) << -1;
    }
    void wheelKeepsThePointUnderThePointer()
    {
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("big.jpg"), Encode(PhotoLike(2400, 1800), "jpeg", 85)));
        FrmShow viewer;
        viewer.ListFolder(dir.filePath("big.jpg"));
        viewer.show();
        viewer.ShowPic(0);
        const QPoint at = MV_FETCH(QPoint, at);
        const int notches = MV_FETCH(int, notches);
        const auto turn = [&](int delta) {
            QWheelEvent wheel(at, viewer.Player->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewer.Player, &wheel);
        };
        // Zoomed in far enough that the picture can scroll in every direction.
        for (int i = 0; i < 3; ++i)
            viewer.ZoomIn();
        const QPointF before = viewer.Player->Layout().RenderPointAt(at);
        for (int i = 0; i < qAbs(notches) + (notches < 0 ? 4 : 0); ++i)
            turn(120);
        for (int i = 0; i < (notches < 0 ? 2 : 0); ++i)
            turn(-120);
        QVERIFY(!viewer.Player->BestFitMode());
        QVERIFY(viewer.Player->Layout().Scrollable());
        const QPointF after = viewer.Player->Layout().RenderPointAt(at);
        const double zoom = viewer.Player->Zoom();
        QVERIFY2(qAbs(after.x() - before.x()) * zoom <= 1.0 && qAbs(after.y() - before.y()) * zoom <= 1.0,
                 qPrintable(QStringLiteral("(%1, %2) went to (%3, %4)")
                                .arg(before.x()).arg(before.y()).arg(after.x()).arg(after.y())));
    }

    // A camera photo whose EXIF says "turn 90°" shows upright in the viewer and the slide
    // show, and its turned copy is the upright picture turned.
    void exifPhotoUpright()
    {
        QTemporaryDir dir;
        const QByteArray stored = Encode(StoreForOrientation(Quadrants(400, 300), 6), "jpeg", 95);
        QVERIFY(WriteBytes(dir.filePath("camera.jpg"), WithExif(stored, ExifTags::Of(6))));
        FrmShow viewer;
        viewer.ListFolder(dir.filePath("camera.jpg"));
        viewer.show();
        viewer.ShowPic(0);
        QCOMPARE(QuadrantsShown(*viewer.Player), UprightQuadrants);
        Shot(viewer, "viewer-exif.png");

        viewer.SlideShow();
        fFullScreen *show = viewer.FullScreen();
        QVERIFY(show);
        QTRY_COMPARE(show->windowTitle(), QString("camera.jpg"));
        QCOMPARE(QuadrantsShown(*show->Player), UprightQuadrants);
        show->close();
        QTRY_VERIFY(!viewer.FullScreen());

        viewer.TurnRight();
        QCOMPARE(QuadrantsShown(*viewer.Player),
                 (QList<QRgb>{UprightQuadrants[2], UprightQuadrants[0], UprightQuadrants[3], UprightQuadrants[1]}));
        viewer.SaveTurned();
        QImageReader reader(dir.filePath("camera_旋转.jpg"));
        reader.setAutoTransform(false); // the pixels themselves, whatever a tag might say
        const QImage copy = reader.read();
        QCOMPARE(copy.size(), QSize(300, 400));
        QCOMPARE(Snapped(copy.pixel(75, 100)), UprightQuadrants[2]);  // blue, top left
        QCOMPARE(Snapped(copy.pixel(225, 100)), UprightQuadrants[0]); // red, top right
        QCOMPARE(Snapped(copy.pixel(225, 300)), UprightQuadrants[1]); // green, bottom right
    }

    // A metafile is a page: its black text and lines show on the slide show's black canvas.
    void metafileOnTheSlideShow()
    {
        QTemporaryDir dir;
        EmfWriter emf(300, 200);
        emf.createFont(1, 40, "Arial", 700);
        emf.selectObject(1);
        emf.setTextColor(Rgb(0, 0, 0));
        emf.setBkMode(1);
        emf.extTextOutW(20, 30, "Heading 标题");
        emf.createPen(2, 0, 3, Rgb(0, 0, 0));
        emf.selectObject(2);
        emf.moveTo(20, 120);
        emf.lineTo(280, 120);
        QVERIFY(WriteBytes(dir.filePath("page.emf"), emf.finish()));
        FrmShow viewer;
        viewer.ListFolder(dir.filePath("page.emf"));
        viewer.show();
        viewer.ShowPic(0);
        viewer.SlideShow();
        fFullScreen *show = viewer.FullScreen();
        QVERIFY(show);
        QTRY_COMPARE(show->windowTitle(), QString("page.emf"));
        const QRect page = show->Player->Layout().Display();
        const QImage shown = show->Player->grab().toImage();
        int dark = 0, white = 0;
        for (int y = page.top(); y <= page.bottom(); ++y) {
            for (int x = page.left(); x <= page.right(); ++x) {
                const int grey = qGray(shown.pixel(x, y));
                dark += grey < 60;
                white += grey > 245;
            }
        }
        QVERIFY2(dark > 300, qPrintable(QString::number(dark)));  // the heading and the line
        QVERIFY(white > page.width() * page.height() / 2);         // on white paper
        QCOMPARE(shown.pixel(2, 2), qRgb(0, 0, 0));                 // the canvas stays black
        Shot(*show, "slideshow-emf.png");
        show->close();
    }

    // The copy's bytes match its name, and transparency stays.
    void turnedCopyKeepsItsType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("copyName");
        QTest::addColumn<QByteArray>("signature");
        QImage clear(60, 40, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        QPainter(&clear).fillRect(0, 0, 30, 40, QColor(0, 0, 255, 160));
        QTest::newRow("transparent PNG") << "clear.png" << Encode(clear, "png") << "clear_旋转.png"
                                         << QByteArray("\x89PNG\r\n\x1A\n");
        QTest::newRow("BMP") << "b.bmp" << Encode(Quadrants(60, 40), "bmp") << "b_旋转.bmp" << QByteArray("BM");
        QTest::newRow("GIF") << "g.gif" << SolidGif(60, 40, {qRgb(0, 0, 255)}, {10}) << "g_旋转.png"
                             << QByteArray("\x89PNG\r\n\x1A\n");
    }
    void turnedCopyKeepsItsType()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath(name), MV_FETCH(QByteArray, bytes)));
        FrmShow viewer;
        viewer.ListFolder(dir.filePath(name));
        viewer.show();
        viewer.ShowPic(0);
        viewer.TurnLeft();
        MessageAnswers answers;
        QTest::mouseClick(viewer.FlatCmds[11], Qt::LeftButton);
        QVERIFY(answers.seen.isEmpty());
        QVERIFY(!viewer.FlatCmds[11]->isEnabled());
        const QString copy = dir.filePath(MV_FETCH(QString, copyName));
        QVERIFY(ReadBytes(copy).startsWith(MV_FETCH(QByteArray, signature)));
        const QImage turned(copy);
        QCOMPARE(turned.size(), QSize(40, 60));
        if (name == "clear.png") {
            QVERIFY(turned.hasAlphaChannel());
            QCOMPARE(qAlpha(turned.pixel(20, 50)), 160); // the left half went to the bottom
            QCOMPARE(qAlpha(turned.pixel(20, 10)), 0);
        }
        QCOMPARE(viewer.List1, QStringList{dir.filePath(name)}); // not added to the list
    }

    // A file of the copy's name is the user's: it is replaced only when they say so.
    void turnedCopyAsksBeforeReplacing()
    {
        QTemporaryDir dir;
        saveImage(dir.filePath("a.png"), QSize(40, 20), Qt::red, "PNG");
        QVERIFY(WriteBytes(dir.filePath("a_旋转.png"), "the user's own file"));
        FrmShow viewer;
        viewer.ListFolder(dir.filePath("a.png"));
        viewer.show();
        viewer.ShowPic(0);
        viewer.TurnRight();
        MessageAnswers answers(MsgResult::No);
        viewer.SaveTurned();
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen.at(0).text, QString("文件“a_旋转.png”已存在,是否替换？"));
        QCOMPARE(answers.seen.at(0).buttons, MsgButtons::YesNo);
        QCOMPARE(ReadBytes(dir.filePath("a_旋转.png")), QByteArray("the user's own file"));
        QVERIFY(viewer.FlatCmds[11]->isEnabled());
        answers.answer = MsgResult::Yes;
        viewer.SaveTurned();
        QCOMPARE(QImage(dir.filePath("a_旋转.png")).size(), QSize(20, 40));
        QVERIFY(!viewer.FlatCmds[11]->isEnabled());
    }

    // A copy that cannot be written says so, and the command stays to try again.
    void failedSaveSaysSo_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("full disk") << true;
        QTest::newRow("a folder of that name") << false;
    }
    void failedSaveSaysSo()
    {
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("p.png"), Encode(PhotoLike(300, 200), "png")));
        FrmShow viewer;
        viewer.ListFolder(dir.filePath("p.png"));
        viewer.show();
        viewer.ShowPic(0);
        viewer.TurnRight();
        MessageAnswers answers(MsgResult::Yes);
        const bool fullDisk = MV_FETCH(bool, fullDisk);
        rlimit saved{};
        if (fullDisk) {
            // Writes past 4 KiB fail, as on a full disk (also for root).
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &saved);
            rlimit small = saved;
            small.rlim_cur = 4096;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        } else {
            QVERIFY(QDir(dir.path()).mkdir("p_旋转.png"));
        }
        QTest::mouseClick(viewer.FlatCmds[11], Qt::LeftButton);
        if (fullDisk)
            setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!answers.seen.isEmpty());
        QCOMPARE(answers.seen.last().text, QString("图片保存失败!"));
        QCOMPARE(answers.seen.last().title, QString("提示"));
        QCOMPARE(answers.seen.last().icon, MsgIcon::Critical);
        QVERIFY(viewer.FlatCmds[11]->isEnabled());
        QVERIFY(viewer.mSave->isEnabled());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"p.png"}); // nothing half-written
    }

    // The folder dialog of 复制到... starts in the picture's folder and speaks Chinese.
    void copyToDialog()
    {
        QVERIFY(LoadQtTranslations(QCoreApplication::instance()));
        auto viewer = openViewer(1);
        QString startedIn;
        QStringList texts;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QFileDialog *>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                startedIn = dialog->directory().absolutePath();
                for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
                    texts << button->text();
                for (QLabel *label : dialog->findChildren<QLabel *>())
                    texts << label->text();
                Shot(*dialog, "copyto-dialog.png");
                dialog->reject();
            }
        });
        poll.start(20);
        viewer->mCopyTo->trigger();
        poll.stop();
        QCOMPARE(startedIn, mDir.path());
        QVERIFY2(texts.contains("取消"), qPrintable(texts.join('|')));
        QVERIFY(!texts.contains("Cancel"));
        QVERIFY(!texts.contains("&Choose") && !texts.contains("Choose"));
        QVERIFY(!texts.contains("Look in:"));
    }

    // Ten starts in a row open the window exactly where the last one closed.
    void placementSurvivesRestarts_data()
    {
        QTest::addColumn<bool>("onTop");
        QTest::addColumn<bool>("maximized");
        QTest::newRow("normal") << false << false;
        QTest::newRow("on top") << true << false;
        QTest::newRow("maximised") << false << true;
        QTest::newRow("on top, maximised") << true << true;
    }
    void placementSurvivesRestarts()
    {
        const QString onTop = MV_FETCH(bool, onTop) ? "True" : "False";
        const QString max2 = MV_FETCH(bool, maximized) ? "True" : "False";
        WriteConfig("Config", QString("OnTop"), onTop);
        WriteConfig("Config", QString("Max2"), max2);
        WriteConfig("Config", QString("PlayerWnd2"), QString("120,90,800,600"));
        for (int start = 0; start < 10; ++start) {
            FrmShow viewer;
            viewer.show();
            QVERIFY(QTest::qWaitForWindowExposed(&viewer));
            QCOMPARE(viewer.isMaximized(), max2 == "True");
            viewer.close();
            QCOMPARE(ReadConfig("PlayerWnd2"), QString("120,90,800,600"));
            QCOMPARE(ReadConfig("Max2"), max2);
        }
    }

    // A hand-off that comes while a command asks its question waits until the command
    // has ended: the command works on the file and entry it began with.
    void handoffDuringAQuestion_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("throughReceiver"); // a real start's exchange, not the mailbox alone
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("listAfter");
        QTest::addColumn<int>("shownAfter");
        QTest::newRow("delete") << "delete" << false << 1 << QStringList{"1.png", "3.png"} << 1;
        QTest::newRow("delete, through the receiver") << "delete" << true << 1 << QStringList{"1.png", "3.png"} << 1;
        QTest::newRow("delete the last") << "delete" << false << 2 << QStringList{"1.png", "2.png"} << 0;
        QTest::newRow("next on the last") << "next" << false << 2 << QStringList{"1.png", "2.png", "3.png"} << 0;
        QTest::newRow("previous on the first") << "previous" << true << 0 << QStringList{"1.png", "2.png", "3.png"}
                                               << 2;
    }
    void handoffDuringAQuestion()
    {
        QFETCH(QString, command);
        QFETCH(int, start);
        QFETCH(QStringList, listAfter);
        const bool throughReceiver = MV_FETCH(bool, throughReceiver);
        HandoffFolders folders;
        const QStringList before = folders.shownList({"1.png", "2.png", "3.png"});
        FrmShow viewer;
        if (throughReceiver) {
            viewer.StartStandAlone(before.at(start));
        } else {
            viewer.ListFolder(before.at(0));
            viewer.show();
            viewer.ShowPic(start);
        }
        QCOMPARE(CurrentIndex, start);

        const QDir trash(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files");
        const qsizetype trashed = trash.entryList(QDir::Files).size();
        QList<MessageRequest> questions;
        bool waitingInTheMailbox = false;
        const AnsweredBy answeredBy([&](const MessageRequest &request) {
            questions << request;
            if (!throughReceiver) {
                viewer.Text1->setText(folders.handedPath());
            } else {
                const QString number = ReadConfig("TempHwnd2");
                std::future<HandoffResult> sent = std::async(std::launch::async, [number, &folders] {
                    return SendHandoff(number, folders.handedPath());
                });
                [&] { QTRY_VERIFY(sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready); }();
                if (sent.get() != HandoffResult::Delivered)
                    return MsgResult::No;
            }
            // The path has arrived and waits while the question is open.
            [&] { QTRY_COMPARE(viewer.Text1->text(), folders.handedPath()); }();
            waitingInTheMailbox = viewer.Text1->text() == folders.handedPath();
            return MsgResult::Yes;
        });
        if (command == "delete")
            viewer.DeleteImage();
        else if (command == "next")
            viewer.NextImage();
        else
            viewer.PreviousImage();

        QCOMPARE(questions.size(), 1);
        QVERIFY(waitingInTheMailbox);
        QCOMPARE(viewer.List1, folders.shownList(listAfter));
        QCOMPARE(CurrentIndex, MV_FETCH(int, shownAfter));
        QCOMPARE(viewer.windowTitle(), FileNameOf(viewer.List1.at(CurrentIndex)) + " - Mirovale 万能图片查看器");
        // Only the file asked about went.
        for (const QString &path : before)
            QCOMPARE(QFile::exists(path), command != "delete" || path != before.at(start));
        QCOMPARE(trash.entryList(QDir::Files).size(), trashed + (command == "delete" ? 1 : 0));
        for (const QString &path : folders.handedList())
            QVERIFY(QFile::exists(path));

        // Then the path that waited is shown.
        QTRY_COMPARE(viewer.List1, folders.handedList());
        QCOMPARE(CurrentIndex, 1);
        QCOMPARE(viewer.windowTitle(), QString("y.png - Mirovale 万能图片查看器"));
        QVERIFY(viewer.Text1->text().isEmpty());
    }

    void handoffDuringATurnAndASlideShow()
    {
        HandoffFolders folders;
        FrmShow viewer;
        viewer.ListFolder(folders.shown.path() + "/1.png");
        viewer.show();
        viewer.ShowPic(0);

        // The turn lets events run before it turns the canvas.
        QTimer::singleShot(0, &viewer, [&] { viewer.Text1->setText(folders.handedPath()); });
        viewer.TurnRight();
        QCOMPARE(viewer.RotationAngle(), 90);
        QVERIFY(viewer.FlatCmds[11]->isEnabled());
        QCOMPARE(viewer.List1.size(), 3);
        QTRY_COMPARE(viewer.List1, folders.handedList());
        QCOMPARE(viewer.RotationAngle(), 0);

        // The slide show goes through the viewer's list until it closes.
        viewer.SlideShow();
        QVERIFY(viewer.FullScreen());
        QTRY_COMPARE(viewer.FullScreen()->windowTitle(), QString("x.png"));
        viewer.Text1->setText(folders.shown.path() + "/3.png");
        QTest::qWait(50);
        QCOMPARE(viewer.List1, folders.handedList());
        viewer.FullScreen()->close();
        QTRY_COMPARE(viewer.List1, folders.shownList({"1.png", "2.png", "3.png"}));
        QCOMPARE(CurrentIndex, 2);
        QVERIFY(!HandoffsHeld());
    }
};

MV_TEST_MAIN(TestFrmShow)
#include "tst_frmshow.moc"
