#pragma once

#include "thumbs/thumbcache.h"
#include "thumbs/thumbtargets.h"

#include <QPointer>

#include <functional>

class QLabel;
class QWidget;

namespace mv {

class ucProgress;

// The builder's panel over the browser window's own widgets. The window owns them and fills
// in the ones it has; a missing one is skipped. Texts are shown as plain text.
class ThumbPanelWidgets : public ThumbPanel
{
public:
    QPointer<QLabel> Label2;     // image count
    QPointer<QLabel> Label3;     // progress text
    QPointer<QLabel> LabFolder;  // folder name (read only)
    QPointer<ucProgress> Progress;
    QPointer<QWidget> Command3;
    QPointer<QWidget> Command7;
    QPointer<QWidget> Picture2;
    QPointer<QWidget> Picture9;
    std::function<QString()> TreePathOf;       // kFolder.Path
    std::function<QStringList()> ResultsOf;    // the lines of List3

    void SetCountText(const QString &text) override;
    void SetProgressText(const QString &text) override;
    void SetProgressMax(int max) override;
    void SetProgressValue(int value) override;
    void LayOutInfoStrip() override;
    void HidePanels() override;
    QString TreePath() const override;
    QStringList ResultList() const override;
};

// A status for DeleteFolderThumbs that writes the label and repaints it at once.
[[nodiscard]] ThumbStatusText LabelStatus(QLabel *label);

} // namespace mv
