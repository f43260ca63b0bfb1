#include "app/windowhelpers.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace mv {

namespace {

QList<QPointer<QWidget>> &trackedForms()
{
    static QList<QPointer<QWidget>> forms;
    return forms;
}

} // namespace

void SetOnTop(QWidget *window, bool on)
{
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    const bool visible = window->isVisible();
    // The frame's place and the client's size, given back the same way: a geometry would
    // put the client where the frame was, and the window would creep by its frame.
    const bool placed = window->testAttribute(Qt::WA_Moved);
    const QPoint framePlace = window->pos();
    const QSize size = window->size();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on); // hides the window
    if (placed)
        window->move(framePlace);
    window->resize(size);
    if (visible)
        window->show();
}

void DragMove(QWidget *window)
{
    if (!window)
        return;
    if (QWidget *top = window->window(); top->windowHandle())
        top->windowHandle()->startSystemMove();
}

void MinSizeProc(QWidget *window, QSize minimum)
{
    if (window)
        window->setMinimumSize(minimum);
}

void TrackForm(QWidget *window)
{
    trackedForms().removeAll(nullptr);
    if (window && !trackedForms().contains(window))
        trackedForms().append(window);
}

void UnloadAllForms()
{
    // Closing one window may open or close others: walk a copy, newest first.
    const QList<QPointer<QWidget>> forms = trackedForms();
    for (auto it = forms.crbegin(); it != forms.crend(); ++it) {
        if (*it)
            (*it)->close();
    }
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            widget->close();
    }
}

} // namespace mv
