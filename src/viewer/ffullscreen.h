#pragma once

#include "viewer/slideclock.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace mv {

class Command;
class ucPlayer;

// The slide show: a frameless, always-on-top, full-screen window that shows the images of
// its list one after another on a black canvas. Its toolbar appears when the pointer is
// near the bottom edge.
class fFullScreen : public QWidget
{
    Q_OBJECT
public:
    explicit fFullScreen(QWidget *owner);
    ~fFullScreen() override;

    QStringList List1;
    bool Loaded() const { return mLoaded; }

    // Shows the window modally over its owner; the show starts a moment later.
    void Start();
    void ShowPic(int index);

    ucPlayer *Player = nullptr;
    QWidget *PicTool = nullptr;
    Command *Command1 = nullptr; // pause
    Command *Command2 = nullptr; // play
    Command *Command3 = nullptr; // close
    Command *Command4 = nullptr; // interval up
    Command *Command5 = nullptr; // interval down
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QTimer Timer1;      // shows or hides the toolbar
    QTimer Timer3;      // one-shot start
    SlideClock Clock;   // Timer2

    void Pause();
    void Play();
    void IntervalUp();
    void IntervalDown();
    void NextNow();
    // The toolbar is shown while the pointer (screen position) is near the bottom edge.
    void UpdateToolbar(QPoint pointer);

signals:
    // The show closes; CurrentIndex holds the entry it ended on.
    void Ended();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void begin();
    void showNext();
    void storeInterval();
    void layOut();

    bool mLoaded = false;
};

} // namespace mv
