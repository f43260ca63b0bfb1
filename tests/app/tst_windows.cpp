#include "app/messagebox.h"
#include "app/messagebox_ui.h"
#include "app/windowhelpers.h"
#include "imaging/gdiplus.h"
#include "testutil.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

using namespace mv;

namespace {

class CloseRecorder : public QWidget
{
public:
    CloseRecorder(QString name, QStringList *log)
        : mName(std::move(name))
        , mLog(log)
    {
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        mLog->append(mName);
        QWidget::closeEvent(event);
    }

private:
    QString mName;
    QStringList *mLog;
};

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    void minSizeAndOnTop()
    {
        QWidget window;
        MinSizeProc(&window, ViewerMinSize);
        QCOMPARE(window.minimumSize(), QSize(400, 300));
        window.resize(100, 100);
        QCOMPARE(window.size(), QSize(400, 300));

        window.setGeometry(40, 50, 500, 420);
        window.show();
        SetOnTop(&window, true);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), QRect(40, 50, 500, 420));
        SetOnTop(&window, false);
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), QRect(40, 50, 500, 420));
    }

    void unloadAllFormsNewestFirst()
    {
        QStringList closed;
        CloseRecorder first("first", &closed), second("second", &closed), third("third", &closed);
        for (QWidget *w : {static_cast<QWidget *>(&first), static_cast<QWidget *>(&second), static_cast<QWidget *>(&third)}) {
            TrackForm(w);
            w->show();
        }
        {
            CloseRecorder gone("gone", &closed);
            TrackForm(&gone);
        }
        UnloadAllForms();
        QCOMPARE(closed, (QStringList{"third", "second", "first"}));
        QVERIFY(!first.isVisible() && !second.isVisible() && !third.isVisible());
    }

    void messageBoxHasChineseButtons_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("result");
        QTest::newRow("ok") << int(MsgButtons::Ok) << QStringList{"确定"} << 0 << int(MsgResult::Ok);
        QTest::newRow("yes no: no") << int(MsgButtons::YesNo) << QStringList{"是", "否"} << 1 << int(MsgResult::No);
        QTest::newRow("yes no: yes") << int(MsgButtons::YesNo) << QStringList{"是", "否"} << 0 << int(MsgResult::Yes);
        QTest::newRow("ok cancel") << int(MsgButtons::OkCancel) << QStringList{"确定", "取消"} << 1
                                   << int(MsgResult::Cancel);
    }
    void messageBoxHasChineseButtons()
    {
        QFETCH(QStringList, captions);
        QFETCH(int, press);
        InstallMessageBoxUi();
        QStringList seen;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            for (QAbstractButton *button : box->buttons())
                seen << button->text();
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == captions.at(press))
                    button->click();
            }
        });
        const MsgResult result = MsgBox("当前已经是第一张图片", "提示", MsgIcon::Question, MsgButtons(MV_FETCH(int, buttons)));
        SetMessageBoxHandler({});
        QCOMPARE(int(result), MV_FETCH(int, result));
        seen.sort();
        captions.sort();
        QCOMPARE(seen, captions);
        QCOMPARE(title, QString("提示"));
        QCOMPARE(text, QString("当前已经是第一张图片"));
        QCOMPARE(icon, QMessageBox::Question);
    }

    void withoutHandlerTheAnswerIsCautious()
    {
        SetMessageBoxHandler({});
        QCOMPARE(MsgBox("?", "提示", MsgIcon::Question, MsgButtons::YesNo), MsgResult::No);
        QCOMPARE(MsgBox("!", "提示"), MsgResult::Ok);
    }

    void imagingStartupPair()
    {
        quint32 token = 77;
        QVERIFY(GdiplusStartup(token, {"bmp", "gif", "png", "ico"}) != GdiplusOk);
        QCOMPARE(token, 0u);
        QCOMPARE(GdiplusStartup(token), GdiplusOk);
        QVERIFY(token != 0);
        QVERIFY(GdiplusRunning());
        GdiplusShutdown(token);
        QVERIFY(!GdiplusRunning());
    }
};

MV_TEST_MAIN(TestWindows)
#include "tst_windows.moc"
