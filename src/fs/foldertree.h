#pragma once

// The pieces under ucFolderView: the folder listing it shows, the tree widget with the
// platform tree's habits, and the selection model that lets its owner refuse a change.

#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

class QStorageInfo;

namespace mv {

// The folders worth showing inside a folder: directories (symbolic links count as what they
// point to) whose names do not begin with "."; an unreadable folder simply has none.
QStringList SubfolderNames(const QString &folder);
// Whether SubfolderNames would give anything; stops at the first.
bool HasSubfolder(const QString &folder);
// Mounted volumes a user would browse: real or network file systems outside the system's own
// places.
bool IsBrowsableVolume(const QStorageInfo &volume);
// Names in the order of the tree: case ignored, then case for names that differ only in it.
bool LessIgnoringCase(const QString &a, const QString &b);

// The tree itself. Nodes show bold while their change is asked about and underlined under the
// pointer with hot tracking; the right button names a node without selecting it.
class FolderTree : public QTreeWidget
{
public:
    explicit FolderTree(QWidget *parent);

    std::function<void(QTreeWidgetItem *node, const QPoint &at)> rightPressed; // at: viewport
    std::function<void()> inputStarts;
    bool hasButtons = true;
    bool hasLines = true;
    bool trackSelect = false;
    QTreeWidgetItem *boldItem = nullptr;

    QTreeWidgetItem *itemOf(const QModelIndex &index) const { return itemFromIndex(index); }
    QModelIndex indexOf(const QTreeWidgetItem *item) const { return indexFromItem(item); }
    void refreshFont(QTreeWidgetItem *item);
    void setHot(QTreeWidgetItem *item);
    // The node is about to go: no state may point at it any longer.
    void forget(QTreeWidgetItem *item);

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    void changeEvent(QEvent *event) override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    QTreeWidgetItem *mHot = nullptr;
};

// Every way the selection can move (clicks, keys, keyboard search, code) ends here, so a
// refused change never shows: neither the selection nor the current node move. Selection and
// current node always move together, one row at a time.
class GatedSelection : public QItemSelectionModel
{
public:
    GatedSelection(QAbstractItemModel *model, QObject *parent);

    std::function<bool(const QModelIndex &to)> mayMove;
    std::function<void(const QModelIndex &from, const QModelIndex &to)> moved;

    // One user action asks about the same node from several calls; it is asked once, and
    // the answer is forgotten when the next action starts.
    void forgetDecision() { mDecided = QPersistentModelIndex(); }
    QModelIndex selectedNode() const;

    using QItemSelectionModel::select;
    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;
    void select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command) override;

private:
    void moveTo(const QModelIndex &index);
    bool decide(const QModelIndex &to);

    QPersistentModelIndex mDecided;
    bool mAllowed = true;
};

} // namespace mv
