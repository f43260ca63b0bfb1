#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace mv {

class HandoffReceiver;

// The single-image viewer window.
class FrmShow : public QWidget
{
    Q_OBJECT
public:
    // browser: the window to show again when this viewer closes (null when stand-alone).
    explicit FrmShow(QWidget *browser = nullptr);
    ~FrmShow() override;

    // Stand-alone start: registers the hand-off receiver and shows the path's folder.
    void StartStandAlone(const QString &argumentText);

    QStringList List1;       // full paths in showing order
    QLineEdit *Text1 = nullptr;

    void ShowPic(int index);
    void ShowCmdPic();
    // Fills List1 with the images of the path's folder; gives the index of the path's
    // entry, or 0 when the path is not among them.
    int ListFolder(const QString &path);
    void ListFolderAndShow(const QString &path);

    QString currentPath() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *mBrowser = nullptr;
    HandoffReceiver *mReceiver = nullptr;
    QLabel *mCanvas = nullptr; // stands in for the image canvas
};

} // namespace mv
