#include "thumbs/thumbpanelwidgets.h"

#include "controls/plaintext.h"
#include "controls/ucprogress.h"

#include <QLabel>

namespace mv {

void ThumbPanelWidgets::SetCountText(const QString &text)
{
    if (!Label2)
        return;
    SetPlainText(Label2, text);
    // The label is as wide as its text: the buttons beside it follow its right edge.
    Label2->adjustSize();
}

void ThumbPanelWidgets::SetProgressText(const QString &text)
{
    if (Label3)
        SetPlainText(Label3, text);
}

void ThumbPanelWidgets::SetProgressMax(int max)
{
    if (Progress)
        Progress->setMax(max);
}

void ThumbPanelWidgets::SetProgressValue(int value)
{
    if (Progress)
        Progress->setValue(value);
}

void ThumbPanelWidgets::LayOutInfoStrip()
{
    QWidget *wider = LabFolder;
    if (!wider || (Label2 && Label2->width() > LabFolder->width()))
        wider = Label2;
    if (!wider || !Command3)
        return;
    Command3->move(wider->x() + wider->width() + 10, Command3->y());
    if (Command7)
        Command7->move(Command3->x() + Command3->width() + 3, Command7->y());
}

void ThumbPanelWidgets::HidePanels()
{
    for (QWidget *panel : {Picture2.data(), Picture9.data()}) {
        if (panel && panel->isVisible())
            panel->hide();
    }
}

QString ThumbPanelWidgets::TreePath() const
{
    return TreePathOf ? TreePathOf() : QString();
}

QStringList ThumbPanelWidgets::ResultList() const
{
    return ResultsOf ? ResultsOf() : QStringList();
}

ThumbStatusText LabelStatus(QLabel *label)
{
    const QPointer<QLabel> target(label);
    return [target](const QString &text) {
        if (!target)
            return;
        SetPlainText(target, text);
        target->repaint();
    };
}

} // namespace mv
