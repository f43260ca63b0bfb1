#include "viewer/ffullscreen.h"

#include "app/appstate.h"
#include "app/inifile.h"
#include "app/inputcodes.h"
#include "app/paths.h"
#include "app/trace.h"
#include "app/windowhelpers.h"
#include "controls/command.h"
#include "controls/plaintext.h"
#include "controls/uipictures.h"
#include "imaging/ucplayer.h"

#include <QCursor>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace mv {

namespace {

constexpr int ToolbarBottomGap = 10;

Command *makeButton(QWidget *parent, const char *name, const char *picture)
{
    auto *button = new Command(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setPicture(UiImage(QString::fromLatin1(picture)));
    return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    label->adjustSize();
    return label;
}

} // namespace

fFullScreen::fFullScreen(QWidget *owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fFullScreen"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    Player = new ucPlayer(this);
    Player->setObjectName(QStringLiteral("ucPlayer"));
    Player->SetBackColor(Qt::black);
    Player->SetBorder(false);
    connect(Player, &ucPlayer::DblClick, this, &QWidget::close);
    connect(Player, &ucPlayer::MouseDown, this, [this](int button, int, double, double) {
        if (button == MouseLeft)
            NextNow();
    });

    PicTool = new QWidget(this);
    PicTool->setObjectName(QStringLiteral("PicTool"));
    PicTool->setAutoFillBackground(true);
    QPalette toolPal = PicTool->palette();
    toolPal.setColor(QPalette::Window, QColor(40, 40, 40));
    PicTool->setPalette(toolPal);
    Command1 = makeButton(PicTool, "Command1", "slideshow/pause");
    Command2 = makeButton(PicTool, "Command2", "slideshow/play");
    Command3 = makeButton(PicTool, "Command3", "slideshow/close");
    Command3->setToolTip(QStringLiteral("退出幻灯片播放(ESC)"));
    Command4 = makeButton(PicTool, "Command4", "slideshow/interval_up");
    Command5 = makeButton(PicTool, "Command5", "slideshow/interval_down");
    Label1 = makeLabel(PicTool, "Label1", QStringLiteral("间隔"));
    Label2 = makeLabel(PicTool, "Label2", QStringLiteral("05"));
    Label3 = makeLabel(PicTool, "Label3", QStringLiteral("秒"));
    Command2->hide();
    connect(Command1, &Command::Click, this, &fFullScreen::Pause);
    connect(Command2, &Command::Click, this, &fFullScreen::Play);
    connect(Command3, &Command::Click, this, &QWidget::close);
    connect(Command4, &Command::Click, this, &fFullScreen::IntervalUp);
    connect(Command5, &Command::Click, this, &fFullScreen::IntervalDown);

    // Toolbar: [pause/play] [close]  间隔 05 秒 [up/down]
    int x = 8;
    const int h = qMax(Command1->height(), Command3->height());
    Command1->move(x, (h + 12 - Command1->height()) / 2);
    Command2->move(Command1->pos());
    x += Command1->width() + 6;
    Command3->move(x, (h + 12 - Command3->height()) / 2);
    x += Command3->width() + 12;
    for (QLabel *label : {Label1, Label2, Label3}) {
        label->move(x, (h + 12 - label->height()) / 2);
        x += label->width() + 4;
    }
    const int smallTop = (h + 12 - Command4->height() - Command5->height()) / 2;
    Command4->move(x + 2, smallTop);
    Command5->move(x + 2, smallTop + Command4->height());
    x += Command4->width() + 10;
    PicTool->resize(x, h + 12);
    PicTool->hide();

    Timer1.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, [this] { UpdateToolbar(QCursor::pos()); });
    Timer3.setInterval(1);
    Timer3.setSingleShot(true);
    connect(&Timer3, &QTimer::timeout, this, &fFullScreen::begin);
    connect(&Clock, &SlideClock::advance, this, &fFullScreen::showNext);

    // Load: on top, and the stored interval.
    SetOnTop(this, true);
    mLoaded = true;
    Clock.setInterval(SlideClock::IntervalFromText(ReadConfig(QStringLiteral("Interval"))));
    Label2->setText(SlideClock::IntervalText(Clock.interval()));
    TrackForm(this);
}

fFullScreen::~fFullScreen()
{
    Player->DestroyImage();
}

void fFullScreen::Start()
{
    // The owner's screen, at once: some platforms size a full-screen window later.
    if (const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    showFullScreen();
    Timer1.start();
    Timer3.start();
    Trace(QStringLiteral("show fFullScreen"));
}

void fFullScreen::begin()
{
    Timer3.stop();
    Player->SetBestFitMode(true);
    layOut();
    Player->UpdatePointer();
    Clock.restart();
    ShowPic(0);
}

void fFullScreen::ShowPic(int index)
{
    if (List1.isEmpty())
        return;
    CurrentIndex = qBound(0, index, int(List1.size()) - 1);
    const QString path = List1.at(CurrentIndex);
    SetPlainWindowTitle(this, FileNameOf(path));
    if (!Player->ImportImage(path)) {
        Player->DestroyImage();
        Player->Refresh();
    }
    // The show only goes on: the next entry, or the first after the last.
    const int next = CurrentIndex + 1 < List1.size() ? CurrentIndex + 1 : 0;
    Player->SetNeighbours(List1.at(next) != path ? QStringList{List1.at(next)} : QStringList());
    Clock.restart();
    Trace(QStringLiteral("ShowPic fFullScreen %1").arg(path));
}

void fFullScreen::showNext()
{
    ShowPic(CurrentIndex + 1 < List1.size() ? CurrentIndex + 1 : 0);
}

void fFullScreen::NextNow()
{
    Clock.stop();
    showNext();
}

void fFullScreen::Pause()
{
    Clock.pause();
    Command1->hide();
    Command2->show();
}

void fFullScreen::Play()
{
    Clock.play();
    Command1->show();
    Command2->hide();
}

void fFullScreen::IntervalUp()
{
    if (Clock.intervalUp())
        storeInterval();
}

void fFullScreen::IntervalDown()
{
    if (Clock.intervalDown())
        storeInterval();
}

void fFullScreen::storeInterval()
{
    Label2->setText(SlideClock::IntervalText(Clock.interval()));
    WriteConfig(QStringLiteral("Config"), QStringLiteral("Interval"), Label2->text());
}

void fFullScreen::UpdateToolbar(QPoint pointer)
{
    const QPoint local = mapFromGlobal(pointer);
    const bool near = local.x() >= 0 && local.x() < width() && local.y() >= PicTool->y() && local.y() <= height();
    PicTool->setVisible(near);
    if (near)
        PicTool->raise();
}

void fFullScreen::layOut()
{
    Player->setGeometry(rect());
    PicTool->move((width() - PicTool->width()) / 2, height() - ToolbarBottomGap - PicTool->height());
    Player->UpdatePointer();
}

void fFullScreen::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void fFullScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void fFullScreen::closeEvent(QCloseEvent *event)
{
    Timer1.stop();
    Timer3.stop();
    Clock.stop();
    Player->StopReadAhead();
    Trace(QStringLiteral("close fFullScreen"));
    QWidget::closeEvent(event);
    emit Ended();
}

} // namespace mv
