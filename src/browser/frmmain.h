#pragma once

#include <QWidget>

class QLineEdit;

namespace mv {

class FrmShow;
class HandoffReceiver;

// The browser window: the main window of the program.
class Frmmain : public QWidget
{
    Q_OBJECT
public:
    Frmmain();
    ~Frmmain() override;

    QLineEdit *Text1 = nullptr;

    // Takes the path handed over by a later start and shows it in the viewer.
    void ShowCmdPic();
    // The viewer window this browser opens images in, made on first use.
    FrmShow *viewer();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    HandoffReceiver *mReceiver = nullptr;
    FrmShow *mViewer = nullptr;
};

} // namespace mv
