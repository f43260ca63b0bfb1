#include "fs/ucfolderview.h"

#include "app/paths.h"
#include "controls/theme.h"
#include "fs/fileops.h"

#include <QAbstractFileIconProvider>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStorageInfo>
#include <QStyleOption>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <dirent.h>

#include <algorithm>
#include <functional>

namespace mv {

namespace {

constexpr int ParameterRole = Qt::UserRole;
constexpr int FilledRole = Qt::UserRole + 1;
// Table index 1 would be a drive B:, which this platform has not; drives start at 2, so the
// desktop node's parameter 1 is never shared.
constexpr int FirstDrive = 2;

const QString &Slash()
{
    static const QString slash = QStringLiteral("/");
    return slash;
}

QString WithSlash(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool LessIgnoringCase(const QString &a, const QString &b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

// The folders worth showing inside a folder: directories (symbolic links count as what they
// point to) whose names do not begin with "."; an unreadable folder simply has none.
QStringList SubfolderNames(const QString &folder, bool firstOnly)
{
    QStringList names;
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
        if (firstOnly)
            break;
    }
    return names;
}

// Mounted volumes a user would browse: real or network file systems outside the system's own
// places.
bool IsBrowsableVolume(const QStorageInfo &volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    const QString root = volume.rootPath();
    static const QStringList systemPlaces = {"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/snap"};
    for (const QString &place : systemPlaces) {
        if ((root == place || root.startsWith(place + Slash())) && !root.startsWith(QStringLiteral("/run/media/")))
            return false;
    }
    const QByteArray type = volume.fileSystemType();
    static const QList<QByteArray> network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p"};
    return volume.device().startsWith("/dev/") || network.contains(type);
}

// Keeps the bold and hover states of one node in its font, on top of the tree's own font.
void ApplyNodeFont(QTreeWidgetItem *item, bool bold, bool underline)
{
    if (!item)
        return;
    if (!bold && !underline) {
        item->setData(0, Qt::FontRole, QVariant());
        return;
    }
    QFont font = item->treeWidget() ? item->treeWidget()->font() : QFont();
    font.setBold(bold);
    font.setUnderline(underline);
    item->setFont(0, font);
}

// The tree itself: the platform tree's habits that QTreeWidget lacks.
class FolderTree : public QTreeWidget
{
public:
    explicit FolderTree(QWidget *parent)
        : QTreeWidget(parent)
    {
    }

    std::function<void(QTreeWidgetItem *, const QPoint &)> rightPressed;
    std::function<void()> inputStarts;
    bool hasButtons = true;
    bool hasLines = true;
    bool trackSelect = false;
    QTreeWidgetItem *boldItem = nullptr;
    QTreeWidgetItem *hotItem = nullptr;

    QTreeWidgetItem *itemOf(const QModelIndex &index) const { return itemFromIndex(index); }
    QModelIndex indexOf(const QTreeWidgetItem *item) const { return indexFromItem(item); }

    void refreshFont(QTreeWidgetItem *item)
    {
        if (item)
            ApplyNodeFont(item, item == boldItem, item == hotItem && trackSelect);
    }
    void setHot(QTreeWidgetItem *item)
    {
        if (item == hotItem)
            return;
        QTreeWidgetItem *old = hotItem;
        hotItem = item;
        refreshFont(old);
        refreshFont(hotItem);
    }
    void forget(QTreeWidgetItem *item)
    {
        if (item == boldItem)
            boldItem = nullptr;
        if (item == hotItem)
            hotItem = nullptr;
    }

protected:
    bool event(QEvent *event) override
    {
        if (inputStarts && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride))
            inputStarts();
        return QTreeWidget::event(event);
    }
    bool viewportEvent(QEvent *event) override
    {
        if (inputStarts && event->type() == QEvent::MouseButtonPress)
            inputStarts();
        if (event->type() == QEvent::Leave)
            setHot(nullptr);
        return QTreeWidget::viewportEvent(event);
    }
    void mousePressEvent(QMouseEvent *event) override
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
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (trackSelect)
            setHot(itemAt(event->position().toPoint()));
        // Dragging with a button held neither drags nodes nor walks the selection along.
        if (event->buttons() != Qt::NoButton)
            return;
        QTreeWidget::mouseMoveEvent(event);
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        // Ctrl+Tab (with or without Shift) belongs to the window holding the tree.
        if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
            && (event->modifiers() & Qt::ControlModifier)) {
            event->ignore();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override
    {
        // Like the platform tree, a click or key never leaves the tree without a selection.
        const auto flags = QTreeWidget::selectionCommand(index, event);
        if (index.isValid() && (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)))
            return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
        return flags;
    }
    void changeEvent(QEvent *event) override
    {
        QTreeWidget::changeEvent(event);
        if (event->type() == QEvent::FontChange) {
            refreshFont(boldItem);
            refreshFont(hotItem);
        }
    }
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;
};

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

// Every way the selection can move (clicks, keys, keyboard search, code) ends here, so a
// refused change never shows: neither the selection nor the current node move.
class GatedSelection : public QItemSelectionModel
{
public:
    GatedSelection(QAbstractItemModel *model, QObject *parent)
        : QItemSelectionModel(model, parent)
    {
    }

    std::function<bool(const QModelIndex &to)> mayMove;
    std::function<void(const QModelIndex &from, const QModelIndex &to)> moved;

    // One user action asks about the same node from several calls; it is asked once.
    void forgetDecision() { mDecided = QPersistentModelIndex(); }

    QModelIndex selectedNode() const
    {
        const QModelIndexList rows = selectedRows(0);
        return rows.isEmpty() ? QModelIndex() : rows.first();
    }

    using QItemSelectionModel::select;
    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override
    {
        if (!index.isValid()) {
            QItemSelectionModel::setCurrentIndex(index, command);
            return;
        }
        moveTo(index.siblingAtColumn(0));
    }
    void select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command) override
    {
        const QModelIndexList chosen = selection.indexes();
        if ((command & (Select | Toggle)) && !chosen.isEmpty() && chosen.first().isValid()) {
            moveTo(chosen.first().siblingAtColumn(0));
            return;
        }
        QItemSelectionModel::select(selection, command);
    }

private:
    void moveTo(const QModelIndex &to)
    {
        const QModelIndex from = selectedNode();
        if (to == from && currentIndex() == to)
            return;
        if (to != from && !decide(to))
            return;
        QItemSelectionModel::select(QItemSelection(to, to), ClearAndSelect | Rows);
        QItemSelectionModel::setCurrentIndex(to, NoUpdate);
        if (to != from && moved)
            moved(from, to);
    }
    bool decide(const QModelIndex &to)
    {
        if (mDecided.isValid() && mDecided == to)
            return mAllowed;
        const bool allowed = !mayMove || mayMove(to);
        mDecided = to;
        mAllowed = allowed;
        QMetaObject::invokeMethod(this, [this] { forgetDecision(); }, Qt::QueuedConnection);
        return allowed;
    }

    QPersistentModelIndex mDecided;
    bool mAllowed = true;
};

} // namespace

class ucFolderView::Private
{
public:
    ucFolderView *q = nullptr;
    FolderTree *tree = nullptr;
    GatedSelection *selection = nullptr;
    QList<FolderNode> nodes;
    QFileIconProvider icons;
    bool initialized = false;
    int borderStyle = 1;
    bool hideSelection = false;
    bool singleExpand = false;
    QString rPath;
    QTreeWidgetItem *rNode = nullptr;

    QTreeWidgetItem *root() const { return tree->topLevelItemCount() ? tree->topLevelItem(0) : nullptr; }
    QTreeWidgetItem *selected() const { return tree->itemOf(selection->selectedNode()); }

    // The path the owner sees for a node: the root, the desktop node and no node read as
    // the desktop folder; the others their table path (desktop label form kept).
    QString pathOf(const QTreeWidgetItem *node) const
    {
        const int parameter = NodeParameter(node);
        if (parameter < FirstDrive || parameter >= nodes.size())
            return DesktopFolder();
        return nodes.at(parameter).Path;
    }
    // Where the node's folder is on disk.
    QString diskPathOf(const QTreeWidgetItem *node) const
    {
        return NodeParameter(node) == 1 ? DesktopFolder() : ResolveDesktopLabel(pathOf(node));
    }

    QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &text, const QIcon &icon, const QString &path,
                             bool expandable)
    {
        auto *item = new QTreeWidgetItem;
        item->setText(0, text);
        item->setIcon(0, icon);
        item->setData(0, ParameterRole, int(nodes.size()));
        item->setChildIndicatorPolicy(expandable ? QTreeWidgetItem::ShowIndicator
                                                 : QTreeWidgetItem::DontShowIndicatorWhenChildless);
        nodes.append({item, path});
        if (parent)
            parent->addChild(item);
        return item;
    }

    void fillTopLevels();
    void fill(QTreeWidgetItem *node);
    void expanded(QTreeWidgetItem *node);
    bool mayMove(QTreeWidgetItem *to);
    void moved(QTreeWidgetItem *from, QTreeWidgetItem *to);
    void rightPressed(QTreeWidgetItem *node, const QPoint &at);
    void forgetSubtree(QTreeWidgetItem *node);
    void applyHideSelection();
};

void ucFolderView::Private::fillTopLevels()
{
    auto *computer = new QTreeWidgetItem;
    computer->setText(0, QStringLiteral("计算机"));
    computer->setIcon(0, icons.icon(QAbstractFileIconProvider::Computer));
    computer->setData(0, ParameterRole, 0);
    tree->addTopLevelItem(computer);

    QTreeWidgetItem *desktop = addNode(nullptr, QStringLiteral("我的桌面"),
                                       icons.icon(QAbstractFileIconProvider::Desktop),
                                       QString::fromUtf8(DesktopLabel), true);
    desktop->setData(0, ParameterRole, 1);
    computer->addChild(desktop);
    nodes.append({nullptr, QString()}); // no drive B:

    const QString home = WithSlash(QDir::homePath());
    addNode(computer, Slash(), icons.icon(QAbstractFileIconProvider::Drive), Slash(), true);
    if (home != Slash())
        addNode(computer, QDir::homePath(), icons.icon(QFileInfo(QDir::homePath())), home, true);
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::sort(volumes.begin(), volumes.end(),
              [](const QStorageInfo &a, const QStorageInfo &b) { return a.rootPath() < b.rootPath(); });
    QStringList shown = {Slash(), home};
    for (const QStorageInfo &volume : std::as_const(volumes)) {
        const QString path = WithSlash(volume.rootPath());
        if (!IsBrowsableVolume(volume) || shown.contains(path))
            continue;
        shown.append(path);
        const QString label = volume.name();
        const QString text = label.isEmpty() ? volume.rootPath() : label + QStringLiteral(" (") + volume.rootPath() + QLatin1Char(')');
        addNode(computer, text, icons.icon(QAbstractFileIconProvider::Drive), path, true);
    }
}

void ucFolderView::Private::fill(QTreeWidgetItem *node)
{
    node->setData(0, FilledRole, true);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool desktopNode = NodeParameter(node) == 1;
    const QString folder = diskPathOf(node);
    const QString stored = desktopNode ? QString::fromUtf8(DesktopLabel) : pathOf(node);
    const QString desktop = DesktopFolder();
    QStringList names = SubfolderNames(folder, false);
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    // Every plain folder shares one icon: asking per folder costs a lookup each and gives the
    // same picture.
    const QIcon folderIcon = icons.icon(QAbstractFileIconProvider::Folder);
    QList<QTreeWidgetItem *> children;
    children.reserve(names.size());
    for (const QString &name : std::as_const(names)) {
        const QString full = folder + name + Slash();
        if (!desktopNode && full == desktop)
            continue;
        const bool deeper = !SubfolderNames(full, true).isEmpty();
        children.append(addNode(nullptr, name, folderIcon, stored + name + Slash(), deeper));
    }
    node->addChildren(children);
    if (children.isEmpty())
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    tree->scrollToItem(node);
    QGuiApplication::restoreOverrideCursor();
}

void ucFolderView::Private::expanded(QTreeWidgetItem *node)
{
    if (NodeParameter(node) >= 1 && !node->data(0, FilledRole).toBool())
        fill(node);
    if (!singleExpand)
        return;
    // Only the branch just opened stays open: every other open branch beside it or beside
    // one of its ancestors closes.
    for (QTreeWidgetItem *keep = node; keep && keep->parent(); keep = keep->parent()) {
        QTreeWidgetItem *parent = keep->parent();
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i) != keep && parent->child(i)->isExpanded())
                parent->child(i)->setExpanded(false);
        }
    }
}

bool ucFolderView::Private::mayMove(QTreeWidgetItem *to)
{
    if (!to || NodeParameter(to) == 0)
        return true;
    QTreeWidgetItem *from = selected();
    const QPersistentModelIndex keep = tree->indexOf(to);
    tree->boldItem = to;
    tree->refreshFont(from);
    tree->refreshFont(to);
    // Lets the bold node show; input waits, so that no second change starts inside this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!keep.isValid())
        return false;
    bool cancel = false;
    emit q->ChangeBefore(pathOf(to), &cancel);
    if (tree->boldItem == to) {
        tree->boldItem = nullptr;
        tree->refreshFont(to);
    }
    if (!keep.isValid())
        return false;
    if (cancel && from)
        tree->scrollToItem(from);
    return !cancel;
}

void ucFolderView::Private::moved(QTreeWidgetItem *from, QTreeWidgetItem *to)
{
    if (!to || NodeParameter(to) == 0)
        return;
    const QString oldPath = pathOf(from);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    emit q->ChangeAfter(oldPath);
}

void ucFolderView::Private::rightPressed(QTreeWidgetItem *node, const QPoint &at)
{
    if (!initialized)
        return;
    rNode = node;
    const int parameter = NodeParameter(node);
    if (parameter < 1)
        return;
    rPath = pathOf(node);
    const QPoint inTree = tree->viewport()->mapTo(tree, at);
    emit q->MouseUp(2, 0, inTree.x(), inTree.y());
}

void ucFolderView::Private::forgetSubtree(QTreeWidgetItem *node)
{
    tree->forget(node);
    if (rNode == node)
        rNode = nullptr;
    const int parameter = NodeParameter(node);
    if (parameter >= 0 && parameter < nodes.size() && nodes.at(parameter).hNode == node)
        nodes[parameter].hNode = nullptr;
    for (int i = 0; i < node->childCount(); ++i)
        forgetSubtree(node->child(i));
}

void ucFolderView::Private::applyHideSelection()
{
    QPalette palette = tree->palette();
    const QPalette standard = tree->style()->standardPalette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     hideSelection ? palette.color(QPalette::Inactive, QPalette::Base)
                                   : standard.color(QPalette::Inactive, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     hideSelection ? palette.color(QPalette::Inactive, QPalette::Text)
                                   : standard.color(QPalette::Inactive, QPalette::HighlightedText));
    tree->setPalette(palette);
}

ucFolderView::ucFolderView(QWidget *parent)
    : QWidget(parent)
    , d(new Private)
{
    d->q = this;
    d->tree = new FolderTree(this);
    d->tree->setHeaderHidden(true);
    d->tree->setColumnCount(1);
    d->tree->setRootIsDecorated(false);
    d->tree->setSelectionMode(QAbstractItemView::SingleSelection);
    d->tree->setDragDropMode(QAbstractItemView::NoDragDrop);
    d->tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    d->tree->setUniformRowHeights(false);
    d->tree->setFrameShape(QFrame::StyledPanel);
    d->tree->setFrameShadow(QFrame::Sunken);
    d->selection = new GatedSelection(d->tree->model(), d->tree);
    QItemSelectionModel *standard = d->tree->selectionModel();
    d->tree->setSelectionModel(d->selection);
    delete standard;
    d->selection->mayMove = [this](const QModelIndex &to) { return d->mayMove(d->tree->itemOf(to)); };
    d->selection->moved = [this](const QModelIndex &from, const QModelIndex &to) {
        d->moved(d->tree->itemOf(from), d->tree->itemOf(to));
    };
    d->tree->inputStarts = [this] { d->selection->forgetDecision(); };
    d->tree->rightPressed = [this](QTreeWidgetItem *node, const QPoint &at) { d->rightPressed(node, at); };
    connect(d->tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *node) { d->expanded(node); });

    QPalette palette = d->tree->palette();
    palette.setColor(QPalette::Base, theme::WindowBlue);
    d->tree->setPalette(palette);
    d->tree->setAutoFillBackground(true);

    setFocusProxy(d->tree);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->tree);
}

ucFolderView::~ucFolderView()
{
    // The tree goes first, so that nothing it does on the way out reaches a half-gone table.
    d->selection->mayMove = nullptr;
    d->selection->moved = nullptr;
    d->tree->inputStarts = nullptr;
    d->tree->rightPressed = nullptr;
    delete d->tree;
    delete d;
}

QString ucFolderView::RPath() const { return d->initialized ? d->rPath : QString(); }

QTreeWidgetItem *ucFolderView::rNode() const { return d->initialized ? d->rNode : nullptr; }

bool ucFolderView::DeleteNode(QTreeWidgetItem *hNode)
{
    // Without its root the tree would have nothing left to show.
    if (!d->initialized || !hNode || hNode->treeWidget() != d->tree || hNode == d->root())
        return false;
    d->selection->forgetDecision();
    QTreeWidgetItem *parent = hNode->parent();
    QTreeWidgetItem *selected = d->selected();
    bool holdsSelection = false;
    for (QTreeWidgetItem *node = selected; node; node = node->parent())
        holdsSelection = holdsSelection || node == hNode;
    d->forgetSubtree(hNode);
    if (holdsSelection)
        d->selection->clear();
    delete hNode;
    // The folder shown is gone: the selection goes to the node that held it.
    if (holdsSelection && parent)
        d->tree->setCurrentItem(parent);
    return true;
}

void ucFolderView::pvNewFolders(QTreeWidgetItem *hNode, const QString &sFolder)
{
    if (!d->initialized || !hNode || hNode->treeWidget() != d->tree || NodeParameter(hNode) < 1)
        return;
    hNode->setExpanded(true);
    MakeFolderPath(d->diskPathOf(hNode) + sFolder);
}

bool ucFolderView::Initialize()
{
    if (d->initialized)
        return false;
    d->fillTopLevels();
    d->initialized = true;
    d->root()->setExpanded(true);
    return true;
}

void ucFolderView::Go(int Where)
{
    if (!d->initialized || Where != 0)
        return;
    d->selection->forgetDecision();
    QTreeWidgetItem *selected = d->selected();
    QTreeWidgetItem *parent = selected ? selected->parent() : nullptr;
    if (parent && parent != d->root())
        d->tree->setCurrentItem(parent);
}

int ucFolderView::BorderStyle() const { return d->borderStyle; }

void ucFolderView::setBorderStyle(int style)
{
    if (style != 0 && style != 1)
        return;
    d->borderStyle = style;
    d->tree->setFrameShape(style == 1 ? QFrame::StyledPanel : QFrame::NoFrame);
}

bool ucFolderView::HasButtons() const { return d->tree->hasButtons; }

void ucFolderView::setHasButtons(bool on)
{
    d->tree->hasButtons = on;
    d->tree->viewport()->update();
}

bool ucFolderView::HasLines() const { return d->tree->hasLines; }

void ucFolderView::setHasLines(bool on)
{
    d->tree->hasLines = on;
    d->tree->viewport()->update();
}

bool ucFolderView::HideSelection() const { return d->hideSelection; }

void ucFolderView::setHideSelection(bool on)
{
    d->hideSelection = on;
    d->applyHideSelection();
}

bool ucFolderView::SingleExpand() const { return d->singleExpand; }

void ucFolderView::setSingleExpand(bool on) { d->singleExpand = on; }

bool ucFolderView::TrackSelect() const { return d->tree->trackSelect; }

void ucFolderView::setTrackSelect(bool on)
{
    d->tree->trackSelect = on;
    d->tree->setMouseTracking(on);
    if (!on)
        d->tree->setHot(nullptr);
}

QString ucFolderView::Path() const
{
    if (!d->initialized)
        return {};
    return d->pathOf(d->selected());
}

void ucFolderView::setPath(const QString &path)
{
    if (!d->initialized)
        return;
    d->selection->forgetDecision();
    if (path.isEmpty()) {
        d->selection->clear();
        return;
    }
    QString text = WithSlash(path);
    const QString desktop = DesktopFolder();
    const QString label = QString::fromUtf8(DesktopLabel);
    if (text.startsWith(desktop))
        text = label + text.mid(desktop.size());

    // Start at the deepest top node holding the path (the home folder lies inside "/"), then
    // walk down one folder per "/", listing each node on the way.
    QTreeWidgetItem *node = nullptr;
    qsizetype matched = 0;
    for (int i = 0; i < d->nodes.size(); ++i) {
        const FolderNode &top = d->nodes.at(i);
        if (!top.hNode || top.hNode->parent() != d->root())
            continue;
        if (text.startsWith(top.Path) && top.Path.size() > matched) {
            node = top.hNode;
            matched = top.Path.size();
        }
    }
    for (qsizetype at = text.indexOf(QLatin1Char('/'), matched); node && at >= 0;
         at = text.indexOf(QLatin1Char('/'), at + 1)) {
        const QString step = text.left(at + 1);
        node->setExpanded(true);
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i) {
            if (d->pathOf(node->child(i)) == step && NodeParameter(node->child(i)) >= FirstDrive)
                next = node->child(i);
        }
        node = next;
    }
    if (node)
        d->tree->setCurrentItem(node);
    else
        d->selection->clear();
}

bool ucFolderView::PathIsRoot() const
{
    return d->initialized && d->selected() && d->selected() == d->root();
}

bool ucFolderView::PathParentIsRoot() const
{
    return d->initialized && d->selected() && d->selected()->parent() == d->root() && d->root();
}

bool ucFolderView::PathIsValid(const QString &path)
{
    if (!path.endsWith(QLatin1Char('/')))
        return false;
    DIR *dir = ::opendir(QFile::encodeName(ResolveDesktopLabel(path)).constData());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

const QList<FolderNode> &ucFolderView::nodes() const { return d->nodes; }

QTreeWidget *ucFolderView::tree() const { return d->tree; }

int ucFolderView::NodeParameter(const QTreeWidgetItem *node)
{
    if (!node)
        return -1;
    const QVariant parameter = node->data(0, ParameterRole);
    return parameter.isValid() ? parameter.toInt() : -1;
}

} // namespace mv
