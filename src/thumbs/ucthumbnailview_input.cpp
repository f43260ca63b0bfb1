#include "thumbs/ucthumbnailview.h"

#include "app/inputcodes.h"
#include "thumbs/thumbgeometry.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

// Renaming, clicks, keys and the focus of the thumbnail list.

namespace mv {

void ucThumbnailView::ItemReName(int Item, const QString &sName)
{
    const QModelIndex index = Row(Item);
    if (!index.isValid())
        return;
    QAbstractItemView *view = hWnd();
    QRect box;
    if (mViewMode == 0) {
        box = ThumbItemLayout(view->visualRect(index), mThumbSize, mLabelHeight).rename;
    } else {
        box = view->visualRect(index); // details: over the name
    }
    box.setHeight(qMax(box.height(), mText1->sizeHint().height()));
    mText1->setGeometry(QRect(view->viewport()->mapTo(this, box.topLeft()), box.size()));
    mText1->setText(sName);
    mStartingName = sName;
    mText1->show();
    mText1->raise();
    mText1->selectAll();
    mText1->setFocus(Qt::OtherFocusReason);
}

void ucThumbnailView::EndRename()
{
    if (!mText1->isVisible())
        return;
    mText1->hide(); // may take the focus away: that ends nothing twice, the box is hidden
    const QString text = mText1->text();
    if (!text.isEmpty() && text.compare(mStartingName, Qt::CaseInsensitive) != 0)
        emit ReName(text);
    mText1->clear();
}

// A mouse press moves the focus before it selects; keys and calls select first.
void ucThumbnailView::OnCurrentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // For the selection change of the same action only: every press of a key or a button
    // starts a new one.
    mFocusBefore = previous;
    mFocusMoved = true;
    mFocusSeen = current;
}

// An item that had no state at all (neither selected nor focused) and is selected now.
void ucThumbnailView::OnSelectionChanged(const QItemSelection &selected)
{
    QList<int> rows;
    for (const QModelIndex &index : selected.indexes()) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    const QPersistentModelIndex before = mFocusMoved ? mFocusBefore : mFocusSeen;
    const int focusedBefore = before.isValid() ? before.row() : -1;
    mFocusMoved = false;
    for (const int row : std::as_const(rows)) {
        if (row == focusedBefore)
            continue;
        EndRename();
        emit ItemClick(row);
    }
}

void ucThumbnailView::AfterPress(Qt::MouseButton button, QPoint at)
{
    if (button != Qt::RightButton)
        return;
    EndRename();
    const int row = RowAt(at);
    if (row >= 0)
        emit ItemRightClick(row);
    else
        emit ItemRightClick2();
}

void ucThumbnailView::AfterDoubleClick(QPoint at)
{
    const int row = RowAt(at);
    if (row >= 0)
        emit ItemDblClick(row);
}

bool ucThumbnailView::KeyPressed(int key, Qt::KeyboardModifiers modifiers)
{
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && (modifiers & Qt::ControlModifier)) {
        FocusOutOfControl(key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier));
        return true;
    }
    return false;
}

void ucThumbnailView::KeyReleased(int key, Qt::KeyboardModifiers modifiers)
{
    emit KeyUp(key, ShiftCode(modifiers));
}

// Ctrl+Tab leaves the control for the window's next control (with Shift, the one before).
void ucThumbnailView::FocusOutOfControl(bool backwards)
{
    QWidget *w = this;
    for (int steps = 0; steps < 10000; ++steps) {
        w = backwards ? w->previousInFocusChain() : w->nextInFocusChain();
        if (!w || w == this)
            return;
        if (!isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window()) && w->isEnabled()) {
            w->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            return;
        }
    }
}

bool ucThumbnailView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mText1) {
        if (event->type() == QEvent::FocusOut) {
            EndRename();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Escape)
                mText1->setText(mStartingName); // ends with no change
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
                EndRename();
                if (hWnd())
                    hWnd()->setFocus();
                return true;
            }
        }
    } else {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress)
            mFocusMoved = false;
        if (mHideSelection && (type == QEvent::FocusIn || type == QEvent::FocusOut) && hWnd())
            hWnd()->viewport()->update();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace mv
