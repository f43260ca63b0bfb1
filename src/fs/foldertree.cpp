#include "fs/foldertree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStorageInfo>
#include <QStyleOption>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace mv {

QStringList SubfolderNames(const QString &folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    return names;
}

// Asked once per listed folder, so it reads the entry's type from the directory itself where
// it says: only links and unknown types cost a stat.
bool HasSubfolder(const QString &folder)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return false;
    bool found = false;
    while (!found) {
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        if (entry->d_name[0] == '.')
            continue;
        if (entry->d_type == DT_DIR) {
            found = true;
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            found = ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
    }
    ::closedir(dir);
    return found;
}

bool IsBrowsableVolume(const QStorageInfo &volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    const QString root = volume.rootPath();
    static const QStringList systemPlaces = {"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/snap"};
    for (const QString &place : systemPlaces) {
        if ((root == place || root.startsWith(place + QLatin1Char('/')))
            && !root.startsWith(QStringLiteral("/run/media/")))
            return false;
    }
    static const QList<QByteArray> network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p"};
    return volume.device().startsWith("/dev/") || network.contains(volume.fileSystemType());
}

bool LessIgnoringCase(const QString &a, const QString &b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

FolderTree::FolderTree(QWidget *parent)
    : QTreeWidget(parent)
{
}

// The bold and hover states live in the node's own font, on top of the tree's font.
void FolderTree::refreshFont(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const bool bold = item == boldItem;
    const bool underline = item == mHot && trackSelect;
    if (!bold && !underline) {
        item->setData(0, Qt::FontRole, QVariant());
        return;
    }
    QFont shown = font();
    shown.setBold(bold);
    shown.setUnderline(underline);
    item->setFont(0, shown);
}

void FolderTree::setHot(QTreeWidgetItem *item)
{
    if (item == mHot)
        return;
    QTreeWidgetItem *old = mHot;
    mHot = item;
    refreshFont(old);
    refreshFont(mHot);
}

void FolderTree::forget(QTreeWidgetItem *item)
{
    if (item == boldItem)
        boldItem = nullptr;
    if (item == mHot)
        mHot = nullptr;
}

bool FolderTree::event(QEvent *event)
{
    if (inputStarts && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride))
        inputStarts();
    return QTreeWidget::event(event);
}

bool FolderTree::viewportEvent(QEvent *event)
{
    if (inputStarts && event->type() == QEvent::MouseButtonPress)
        inputStarts();
    if (event->type() == QEvent::Leave)
        setHot(nullptr);
    return QTreeWidget::viewportEvent(event);
}

void FolderTree::mousePressEvent(QMouseEvent *event)
{
    // The right button never moves the selection: it names a node for the folder menu.
    if (event->button() == Qt::RightButton) {
        if (rightPressed)
            rightPressed(itemAt(event->position().toPoint()), event->position().toPoint());
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void FolderTree::mouseMoveEvent(QMouseEvent *event)
{
    if (trackSelect)
        setHot(itemAt(event->position().toPoint()));
    // Dragging with a button held neither drags nodes nor walks the selection along.
    if (event->buttons() != Qt::NoButton)
        return;
    QTreeWidget::mouseMoveEvent(event);
}

void FolderTree::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+Tab (with or without Shift) belongs to the window holding the tree.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && (event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags FolderTree::selectionCommand(const QModelIndex &index,
                                                                 const QEvent *event) const
{
    // Like the platform tree, a click or key never leaves the tree without a selection.
    const auto flags = QTreeWidget::selectionCommand(index, event);
    if (index.isValid() && (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

void FolderTree::changeEvent(QEvent *event)
{
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        refreshFont(boldItem);
        refreshFont(mHot);
    }
}

void FolderTree::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    const int indent = indentation();
    const QTreeWidgetItem *item = itemFromIndex(index);
    if (!item || indent <= 0)
        return;
    const int levels = rect.width() / indent;
    const int midY = rect.top() + rect.height() / 2;
    auto levelRect = [&](int level) { return QRect(rect.left() + level * indent, rect.top(), indent, rect.height()); };
    auto hasNextSibling = [](const QTreeWidgetItem *node) {
        const QTreeWidgetItem *parent = node->parent();
        if (!parent)
            return false;
        return parent->indexOfChild(const_cast<QTreeWidgetItem *>(node)) < parent->childCount() - 1;
    };
    if (hasLines) {
        painter->save();
        QPen pen(palette().color(QPalette::Mid));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        // The node's own level: a line from above to its middle, on down when a sibling
        // follows, and across to the text.
        const QRect own = levelRect(levels - 1);
        const int midX = own.left() + indent / 2;
        painter->drawLine(midX, own.top(), midX, hasNextSibling(item) ? own.bottom() : midY);
        painter->drawLine(midX, midY, own.right(), midY);
        // The levels of its ancestors: a through line where that ancestor has a later sibling.
        const QTreeWidgetItem *ancestor = item->parent();
        for (int level = levels - 2; level >= 0 && ancestor; --level, ancestor = ancestor->parent()) {
            if (hasNextSibling(ancestor)) {
                const int x = levelRect(level).left() + indent / 2;
                painter->drawLine(x, rect.top(), x, rect.bottom());
            }
        }
        painter->restore();
    }
    const bool expandable = item->childCount() > 0
                            || item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
    if (hasButtons && expandable && levels > 0) {
        QStyleOption option;
        option.initFrom(this);
        option.rect = levelRect(levels - 1);
        option.state = QStyle::State_Children | QStyle::State_Item;
        if (isExpanded(index))
            option.state |= QStyle::State_Open;
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
    }
}

GatedSelection::GatedSelection(QAbstractItemModel *model, QObject *parent)
    : QItemSelectionModel(model, parent)
{
}

QModelIndex GatedSelection::selectedNode() const
{
    const QModelIndexList rows = selectedRows(0);
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

void GatedSelection::setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command)
{
    if (!index.isValid()) {
        QItemSelectionModel::setCurrentIndex(index, command);
        return;
    }
    moveTo(index.siblingAtColumn(0));
}

void GatedSelection::select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command)
{
    const QModelIndexList chosen = selection.indexes();
    if ((command & (Select | Toggle)) && !chosen.isEmpty() && chosen.first().isValid()) {
        moveTo(chosen.first().siblingAtColumn(0));
        return;
    }
    QItemSelectionModel::select(selection, command);
}

void GatedSelection::moveTo(const QModelIndex &index)
{
    // The owner's handler runs in between: either node may be gone when it returns.
    const QPersistentModelIndex to = index;
    const QPersistentModelIndex from = selectedNode();
    if (to == from && currentIndex() == to)
        return;
    if (to != from && !decide(to))
        return;
    if (!to.isValid())
        return;
    QItemSelectionModel::select(QItemSelection(to, to), ClearAndSelect | Rows);
    QItemSelectionModel::setCurrentIndex(to, NoUpdate);
    if (to != from && moved)
        moved(from, to);
}

bool GatedSelection::decide(const QModelIndex &to)
{
    if (mDecided.isValid() && mDecided == to)
        return mAllowed;
    const bool allowed = !mayMove || mayMove(to);
    mDecided = to;
    mAllowed = allowed;
    QMetaObject::invokeMethod(this, [this] { forgetDecision(); }, Qt::QueuedConnection);
    return allowed;
}

} // namespace mv
